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
        translations.append(QJsonObject {
            { QLatin1String("language"), QString::fromStdString(translation.language) },
            { QLatin1String("translation"), QString::fromStdString(translation.translation) } });
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

    const QByteArray content = QString::fromUtf8(file.readAll()).toUtf8();
    const QJsonArray translatables = translatablesArray(content);

    TranslatableEntries entries;
    entries.reserve(static_cast<std::size_t>(translatables.size()));

    for (const QJsonValue &translatableValue : translatables) {
        const QJsonObject translatable = translatableValue.toObject();
        const QJsonArray translations = translatable.value(QLatin1String("translations")).toArray();
        const QString translationId = translatable.value(QLatin1String("trId")).toString();
        if (translationId.isEmpty())
            throw CannotReadJsonFile("Invalid JSON translation file - trId missing");

        TranslatableEntry &entry = entries.emplace_back();
        entry.translationTextId = translationId.toStdString();
        entry.translations.reserve(static_cast<std::size_t>(translations.size()));

        for (const QJsonValue &translationValue : translations) {
            const QJsonObject translation = translationValue.toObject();
            TranslationEntry &translationEntry = entry.translations.emplace_back();
            translationEntry.language
                = translation.value(QLatin1String("language")).toString().toStdString();
            translationEntry.translation
                = translation.value(QLatin1String("translation")).toString().toStdString();
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
