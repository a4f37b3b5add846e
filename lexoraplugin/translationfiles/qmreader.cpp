#include "qmreader.h"

#include "releaser.h"
#include "translationcatalog.h"
#include "userfeedbackinterface.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

#include <cstring>
#include <optional>

namespace Lexora {

namespace {

using namespace QmFormat;

constexpr quint32 nullLength = 0xffffffff;

// Reads big-endian data from one payload and remembers whether it ran past the end.
class PayloadReader
{
public:
    explicit PayloadReader(QByteArrayView data) : m_data(data) { }

    bool atEnd() const { return m_position >= m_data.size(); }

    std::optional<uchar> byte()
    {
        if (m_data.size() - m_position < 1)
            return std::nullopt;
        return uchar(m_data[m_position++]);
    }

    std::optional<quint32> uint32()
    {
        if (m_data.size() - m_position < 4)
            return std::nullopt;
        const quint32 value = qFromBigEndian<quint32>(m_data.data() + m_position);
        m_position += 4;
        return value;
    }

    std::optional<QByteArray> bytes()
    {
        const std::optional<quint32> length = uint32();
        if (!length)
            return std::nullopt;
        if (*length == nullLength)
            return QByteArray();
        return raw(*length);
    }

    // A section payload: its length has no null value, so -1 is just a
    // length that no file can satisfy.
    std::optional<QByteArray> section()
    {
        const std::optional<quint32> length = uint32();
        if (!length)
            return std::nullopt;
        return raw(*length);
    }

    std::optional<QString> string()
    {
        const std::optional<quint32> length = uint32();
        if (!length)
            return std::nullopt;
        if (*length == nullLength)
            return QString();
        if (*length % 2 != 0 || quint64(m_data.size() - m_position) < *length)
            return std::nullopt;
        QString result(qsizetype(*length / 2), Qt::Uninitialized);
        qFromBigEndian<char16_t>(m_data.data() + m_position, result.size(), result.data());
        m_position += *length;
        return result;
    }

private:
    std::optional<QByteArray> raw(quint32 length)
    {
        if (quint64(m_data.size() - m_position) < length)
            return std::nullopt;
        QByteArray result(m_data.data() + m_position, qsizetype(length));
        m_position += length;
        return result;
    }

    QByteArrayView m_data;
    qsizetype m_position = 0;
};

bool readMessages(QByteArrayView payload, TranslationCatalog &catalog)
{
    PayloadReader reader(payload);
    while (!reader.atEnd()) {
        QByteArray sourceText;
        QString sourceText16;
        QStringList translations;
        for (;;) {
            const std::optional<uchar> tag = reader.byte();
            if (!tag)
                return false;
            if (*tag == TagEnd)
                break;
            switch (*tag) {
            case TagTranslation: {
                std::optional<QString> translation = reader.string();
                if (!translation)
                    return false;
                translations.append(*std::move(translation));
                break;
            }
            case TagSourceText16: {
                std::optional<QString> text = reader.string();
                if (!text)
                    return false;
                sourceText16 = *std::move(text);
                break;
            }
            case TagContext16:
                if (!reader.string())
                    return false;
                break;
            case TagSourceText: {
                std::optional<QByteArray> text = reader.bytes();
                if (!text)
                    return false;
                sourceText = *std::move(text);
                break;
            }
            case TagContext:
            case TagComment:
                if (!reader.bytes())
                    return false;
                break;
            default:
                return false;
            }
        }
        CatalogMessage message;
        message.id = sourceText.isNull() ? sourceText16 : QString::fromUtf8(sourceText);
        message.translation = translations.value(0);
        message.type = CatalogMessage::Finished;
        catalog.appendMessage(std::move(message));
    }
    return true;
}

void report(UserFeedbackInterface *errorSink, const QString &message)
{
    if (errorSink)
        errorSink->addError(message);
}

} // namespace

bool loadQm(TranslationCatalog &catalog,
            QIODevice &device,
            const QString &fileName,
            UserFeedbackInterface *errorSink)
{
    const QByteArray data = device.readAll();
    if (data.size() < qsizetype(sizeof Releaser::magic)
        || std::memcmp(data.constData(), Releaser::magic, sizeof Releaser::magic) != 0) {
        report(errorSink, QStringLiteral("QM-Format error: magic marker missing"));
        return false;
    }

    PayloadReader reader(QByteArrayView(data).sliced(sizeof Releaser::magic));
    while (!reader.atEnd()) {
        const std::optional<uchar> tag = reader.byte();
        const std::optional<QByteArray> payload = reader.section();
        if (!tag || !payload) {
            report(errorSink,
                   QStringLiteral("QM-Format error: truncated section in %1").arg(fileName));
            return false;
        }
        switch (*tag) {
        case SectionLanguage:
            if (catalog.language().isEmpty())
                catalog.setLanguage(QString::fromUtf8(*payload));
            break;
        case SectionDependencies: {
            QStringList dependencies;
            QDataStream stream(*payload);
            while (!stream.atEnd() && stream.status() == QDataStream::Ok) {
                QString dependency;
                stream >> dependency;
                dependencies.append(dependency);
            }
            if (stream.status() != QDataStream::Ok) {
                report(errorSink,
                       QStringLiteral("QM-Format error: broken dependencies in %1").arg(fileName));
                return false;
            }
            catalog.setDependencies(dependencies);
            break;
        }
        case SectionMessages:
            if (!readMessages(*payload, catalog)) {
                report(
                    errorSink,
                    QStringLiteral("QM-Format error: broken message record in %1").arg(fileName));
                return false;
            }
            break;
        default:
            // Hashes, contexts and plural rules only serve lookups at run time.
            break;
        }
    }
    return true;
}

} // namespace Lexora
