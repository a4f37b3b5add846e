#include "jsonimportexport.h"

#include "atomicfile.h"
#include "exception.h"

#include <QDebug>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace Lexora {

namespace {

// The offset of the first byte that is not part of a well-formed UTF-8
// sequence (overlong forms, surrogates and code points above U+10FFFF
// included), or -1. QString::fromUtf8 would replace such bytes with U+FFFD and
// the import would store the replacement instead of the user's text.
qsizetype invalidUtf8Offset(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        const unsigned char lead = data[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xbf;
        if (lead >= 0xc2 && lead <= 0xdf) {
            length = 2;
        } else if (lead >= 0xe0 && lead <= 0xef) {
            length = 3;
            if (lead == 0xe0)
                low = 0xa0;
            else if (lead == 0xed)
                high = 0x9f;
        } else if (lead >= 0xf0 && lead <= 0xf4) {
            length = 4;
            if (lead == 0xf0)
                low = 0x90;
            else if (lead == 0xf4)
                high = 0x8f;
        } else {
            return i;
        }
        for (int k = 1; k < length; ++k) {
            if (i + k >= size)
                return i;
            const unsigned char next = data[i + k];
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xbf))
                return i;
        }
        i += length;
    }
    return -1;
}

[[noreturn]] void throwMalformed(const QString &what)
{
    throw CannotReadJsonFile(
        QStringLiteral("Invalid JSON translation file - %1").arg(what).toStdString());
}

QString entryName(qsizetype index, const QString &translationId)
{
    return QStringLiteral("translatables[%1] (trId \"%2\")")
        .arg(QString::number(index), translationId);
}

// A member that is absent means what the format says for it; one that is
// present with the wrong type is a typing error in the file, and reading it as
// absent would make the following sync delete or blank translations.
QString
stringMember(const QJsonObject &object, QLatin1String name, const QString &owner, bool required)
{
    const auto found = object.constFind(name);
    if (found == object.constEnd()) {
        if (required)
            throwMalformed(QStringLiteral("%1 has no \"%2\" string").arg(owner, name));
        return {};
    }
    if (!found->isString())
        throwMalformed(QStringLiteral("%1: \"%2\" is not a string").arg(owner, name));
    return found->toString();
}

// Forms 1, 2, … of a plural translation; "translation" holds form 0, so a
// reader that knows nothing of plurals still reads the first form.
std::vector<std::string> pluralFormsMember(const QJsonObject &object, const QString &owner)
{
    const QJsonValue value = object.value(QLatin1String("pluralForms"));
    if (value.isUndefined())
        return {};
    if (!value.isArray())
        throwMalformed(QStringLiteral("%1: \"pluralForms\" is not an array").arg(owner));
    const QJsonArray array = value.toArray();
    std::vector<std::string> forms;
    forms.reserve(std::size_t(array.size()));
    for (qsizetype index = 0; index < array.size(); ++index) {
        if (!array.at(index).isString()) {
            throwMalformed(
                QStringLiteral("%1: \"pluralForms\"[%2] is not a string").arg(owner).arg(index));
        }
        forms.push_back(array.at(index).toString().toStdString());
    }
    return forms;
}

QJsonArray translatablesArray(const QByteArray &content)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(content, &parseError);
    // A file that does not parse must not read as an empty list: an import and
    // sync of it would empty the database.
    if (parseError.error != QJsonParseError::NoError) {
        throw CannotReadJsonFile(QStringLiteral("Invalid JSON translation file - %1 at offset %2")
                                     .arg(parseError.errorString())
                                     .arg(parseError.offset)
                                     .toStdString());
    }

    const QJsonValue translatables = document.object().value(QLatin1String("translatables"));
    if (!document.isObject() || !translatables.isArray())
        throw CannotReadJsonFile("Invalid JSON translation file - translatables array missing");

    return translatables.toArray();
}

QJsonObject toJson(const TranslatableEntry &entry)
{
    QJsonArray translations;
    for (const TranslationEntry &translation : entry.translations) {
        QJsonObject object {
            { QLatin1String("language"), QString::fromStdString(translation.language) },
            { QLatin1String("translation"), QString::fromStdString(translation.translation) }
        };
        if (!translation.pluralForms.empty()) {
            QJsonArray forms;
            for (const std::string &form : translation.pluralForms)
                forms.append(QString::fromStdString(form));
            object.insert(QLatin1String("pluralForms"), forms);
        }
        translations.append(object);
    }

    return QJsonObject { { QLatin1String("trId"), QString::fromStdString(entry.translationTextId) },
                         { QLatin1String("translations"), translations } };
}

} // namespace

TranslatableEntries JsonImportExport::importFile(const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw CannotOpenJsonFile("Unable to open JSON import file");

    const QByteArray content = file.readAll();
    if (const qsizetype offset = invalidUtf8Offset(content); offset >= 0)
        throwMalformed(QStringLiteral("invalid UTF-8 at byte offset %1").arg(offset));
    const QJsonArray translatables = translatablesArray(content);

    TranslatableEntries entries;
    entries.reserve(static_cast<std::size_t>(translatables.size()));

    for (qsizetype index = 0; index < translatables.size(); ++index) {
        const QJsonValue translatableValue = translatables.at(index);
        if (!translatableValue.isObject())
            throwMalformed(QStringLiteral("translatables[%1] is not an object").arg(index));
        const QJsonObject translatable = translatableValue.toObject();
        const QString translationId = translatable.value(QLatin1String("trId")).toString();
        if (translationId.isEmpty())
            throw CannotReadJsonFile("Invalid JSON translation file - trId missing");
        const QString name = entryName(index, translationId);

        const QJsonValue translationsValue = translatable.value(QLatin1String("translations"));
        if (!translationsValue.isUndefined() && !translationsValue.isArray())
            throwMalformed(QStringLiteral("%1: \"translations\" is not an array").arg(name));
        const QJsonArray translations = translationsValue.toArray();

        TranslatableEntry &entry = entries.emplace_back();
        entry.translationTextId = translationId.toStdString();
        entry.translations.reserve(static_cast<std::size_t>(translations.size()));

        for (qsizetype position = 0; position < translations.size(); ++position) {
            const QJsonValue translationValue = translations.at(position);
            const QString owner
                = QStringLiteral("%1: translations[%2]").arg(name, QString::number(position));
            if (!translationValue.isObject())
                throwMalformed(QStringLiteral("%1 is not an object").arg(owner));
            const QJsonObject translation = translationValue.toObject();
            TranslationEntry &translationEntry = entry.translations.emplace_back();
            translationEntry.language
                = stringMember(translation, QLatin1String("language"), owner, false).toStdString();
            translationEntry.translation
                = stringMember(translation, QLatin1String("translation"), owner, true)
                      .toStdString();
            translationEntry.pluralForms = pluralFormsMember(translation, owner);
        }
    }

    return entries;
}

void JsonImportExport::exportFile(const QString &filePath,
                                  const TranslatableEntries &entries,
                                  const QString & /*projectName*/)
{
    QJsonArray translatables;
    for (const TranslatableEntry &entry : entries)
        translatables.append(toJson(entry));

    const QJsonDocument document(QJsonObject { { QLatin1String("translatables"), translatables } });
    qDebug().noquote() << QString::fromUtf8(document.toJson(QJsonDocument::Compact));

    // The previous file stays in place until the new one is completely written.
    AtomicFile file(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        throw CannotOpenJsonFile("Unable to open JSON export file");
    file.write(document.toJson(QJsonDocument::Indented));
    if (!file.commit())
        throw CannotOpenJsonFile("Unable to write JSON export file");
}

} // namespace Lexora
