#include "releaser.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

#include <set>

namespace Lexora {

namespace {

using namespace QmFormat;

void appendUInt32(QByteArray &out, quint32 value)
{
    const quint32 bigEndian = qToBigEndian(value);
    out.append(reinterpret_cast<const char *>(&bigEndian), sizeof bigEndian);
}

void appendBytes(QByteArray &out, const QByteArray &bytes)
{
    appendUInt32(out, quint32(bytes.size()));
    out.append(bytes);
}

// A translation is always written with its byte count, so a null translation
// becomes an empty one: QTranslator then shows it as empty instead of treating
// the message as untranslated.
void appendString(QByteArray &out, const QString &text)
{
    appendUInt32(out, quint32(text.size() * 2));
    const qsizetype start = out.size();
    out.resize(start + text.size() * 2);
    qToBigEndian<char16_t>(text.utf16(), text.size(), out.data() + start);
}

bool writeSection(QIODevice &device, uchar tag, const QByteArray &payload)
{
    char header[5];
    header[0] = char(tag);
    qToBigEndian<qint32>(qint32(payload.size()), header + 1);
    return device.write(header, sizeof header) == sizeof header
        && device.write(payload) == payload.size();
}

} // namespace

const uchar Releaser::magic[16] = { 0x3c, 0xb8, 0x64, 0x18, 0xca, 0xef, 0x9c, 0x95,
                                    0xcd, 0x21, 0x1c, 0xbf, 0x60, 0xa1, 0xbd, 0xdd };

Releaser::Releaser(const QString &language) : m_language(language) { }

void Releaser::insert(QmEntry entry)
{
    m_entries.try_emplace(
        Key { std::move(entry.context), std::move(entry.sourceText), std::move(entry.comment) },
        std::move(entry.translations));
}

quint32 Releaser::elfHash(const QByteArray &bytes)
{
    quint32 h = 0;
    for (const char c : bytes) {
        const auto byte = uchar(c);
        if (byte == 0)
            break;
        h = (h << 4) + byte;
        const quint32 g = h & 0xf0000000;
        if (g != 0)
            h ^= g >> 24;
        h &= ~g;
    }
    return h == 0 ? 1 : h;
}

void Releaser::squeeze(SaveMode)
{
    m_dependencyArray.clear();
    {
        QDataStream stream(&m_dependencyArray, QIODevice::WriteOnly);
        for (const QString &dependency : std::as_const(m_dependencies))
            stream << dependency;
    }

    if (m_entries.empty())
        return;

    m_messageArray.clear();
    m_offsetArray.clear();
    m_contextArray.clear();

    std::set<QmHashEntry> hashes;
    for (const auto &[key, translations] : m_entries) {
        const auto offset = quint32(m_messageArray.size());
        hashes.insert({ elfHash(key.sourceText + key.comment), offset });

        for (const QString &translation : translations) {
            m_messageArray.append(char(TagTranslation));
            appendString(m_messageArray, translation);
        }
        m_messageArray.append(char(TagComment));
        appendBytes(m_messageArray, key.comment);
        m_messageArray.append(char(TagSourceText));
        appendBytes(m_messageArray, key.sourceText);
        m_messageArray.append(char(TagContext));
        appendBytes(m_messageArray, key.context);
        m_messageArray.append(char(TagEnd));
    }

    m_offsetArray.reserve(qsizetype(hashes.size()) * 8);
    for (const QmHashEntry &entry : hashes) {
        appendUInt32(m_offsetArray, entry.hash);
        appendUInt32(m_offsetArray, entry.offset);
    }
}

bool Releaser::save(QIODevice &device) const
{
    bool ok = device.write(reinterpret_cast<const char *>(magic), sizeof magic) == sizeof magic;
    if (!m_language.isEmpty())
        ok = writeSection(device, SectionLanguage, m_language.toUtf8()) && ok;
    if (!m_dependencyArray.isEmpty())
        ok = writeSection(device, SectionDependencies, m_dependencyArray) && ok;
    if (!m_offsetArray.isEmpty())
        ok = writeSection(device, SectionHashes, m_offsetArray) && ok;
    if (!m_messageArray.isEmpty())
        ok = writeSection(device, SectionMessages, m_messageArray) && ok;
    if (!m_contextArray.isEmpty())
        ok = writeSection(device, SectionContexts, m_contextArray) && ok;
    if (!m_numerusRules.isEmpty())
        ok = writeSection(device, SectionNumerusRules, m_numerusRules) && ok;
    return ok;
}

} // namespace Lexora
