#include "jsonimportexport.h"

#include "atomicfile.h"
#include "exception.h"
#include "jsontranslatablesreader.h"

#include <algorithm>

#include <QDebug>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>

namespace Lexora {

namespace {

[[noreturn]] void throwMalformed(const QString &what)
{
    throw CannotReadJsonFile(
        QStringLiteral("Invalid JSON translation file - %1").arg(what).toStdString());
}

// Where a value sits in the file. Spelt out only for an error message: the
// text would cost more than the reading of a valid entry.
struct Owner
{
    qsizetype index;
    const QString *translationId = nullptr;
    qsizetype position = -1; // in "translations"

    QString name() const
    {
        if (!translationId)
            return QStringLiteral("translatables[%1]").arg(index);
        const QString entry = QStringLiteral("translatables[%1] (trId \"%2\")")
                                  .arg(QString::number(index), *translationId);
        if (position < 0)
            return entry;
        return QStringLiteral("%1: translations[%2]").arg(entry, QString::number(position));
    }
};

// A member that is absent means what the format says for it; one that is
// present with the wrong type is a typing error in the file, and reading it as
// absent would make the following sync delete or blank translations.
QString
stringMember(const QJsonObject &object, QLatin1String name, const Owner &owner, bool required)
{
    const auto found = object.constFind(name);
    if (found == object.constEnd()) {
        if (required)
            throwMalformed(QStringLiteral("%1 has no \"%2\" string").arg(owner.name(), name));
        return {};
    }
    if (!found->isString())
        throwMalformed(QStringLiteral("%1: \"%2\" is not a string").arg(owner.name(), name));
    return found->toString();
}

// Text that UTF-8 cannot carry: a "\ud800" escape without its partner
// would reach the database as '?'. Returns the first such code unit, or 0.
char16_t loneSurrogate(const QString &text)
{
    const auto *data = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (!QChar::isSurrogate(data[i]))
            continue;
        if (QChar::isHighSurrogate(data[i]) && i + 1 < size && QChar::isLowSurrogate(data[i + 1]))
            ++i;
        else
            return data[i];
    }
    return 0;
}

std::string utf8Member(const QString &text, QLatin1String name, const Owner &owner)
{
    if (const char16_t surrogate = loneSurrogate(text)) {
        throwMalformed(QStringLiteral("%1: \"%2\" holds the lone surrogate \\u%3, which UTF-8 "
                                      "cannot carry")
                           .arg(owner.name(), name, QString::number(surrogate, 16)));
    }
    return text.toStdString();
}

// A misspelt member ("Translations") would otherwise be read as absent, and
// the sync would delete what the file meant to keep.
void checkMembers(const QJsonObject &object,
                  std::initializer_list<QLatin1String> known,
                  const Owner &owner)
{
    QStringList unknown;
    for (auto member = object.constBegin(); member != object.constEnd(); ++member) {
        if (std::find(known.begin(), known.end(), member.key()) == known.end())
            unknown.append(QLatin1Char('"') + member.key() + QLatin1Char('"'));
    }
    if (unknown.isEmpty())
        return;
    QStringList names;
    for (QLatin1String name : known)
        names.append(QLatin1Char('"') + name + QLatin1Char('"'));
    const QString last = names.takeLast();
    throw UnknownJsonMember(
        QStringLiteral("Invalid JSON translation file - %1 has the unknown member(s) %2; the "
                       "members are %3 and %4")
            .arg(owner.name(),
                 unknown.join(QLatin1String(", ")),
                 names.join(QLatin1String(", ")),
                 last)
            .toStdString());
}

// Forms 1, 2, … of a plural translation; "translation" holds form 0, so a
// reader that knows nothing of plurals still reads the first form.
std::vector<std::string> pluralFormsMember(const QJsonObject &object, const Owner &owner)
{
    const QJsonValue value = object.value(QLatin1String("pluralForms"));
    if (value.isUndefined())
        return {};
    if (!value.isArray())
        throwMalformed(QStringLiteral("%1: \"pluralForms\" is not an array").arg(owner.name()));
    const QJsonArray array = value.toArray();
    std::vector<std::string> forms;
    forms.reserve(std::size_t(array.size()));
    for (qsizetype index = 0; index < array.size(); ++index) {
        if (!array.at(index).isString()) {
            throwMalformed(QStringLiteral("%1: \"pluralForms\"[%2] is not a string")
                               .arg(owner.name())
                               .arg(index));
        }
        forms.push_back(
            utf8Member(array.at(index).toString(), QLatin1String("pluralForms"), owner));
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

TranslatableEntry toEntry(const QJsonValue &translatableValue, qsizetype index, bool checkUnknown)
{
    if (!translatableValue.isObject())
        throwMalformed(QStringLiteral("translatables[%1] is not an object").arg(index));
    const QJsonObject translatable = translatableValue.toObject();
    const QString translationId = translatable.value(QLatin1String("trId")).toString();
    if (translationId.isEmpty())
        throw CannotReadJsonFile("Invalid JSON translation file - trId missing");
    TranslatableEntry entry;
    entry.translationTextId = utf8Member(translationId, QLatin1String("trId"), Owner { index });
    Owner owner { index, &translationId };
    if (checkUnknown)
        checkMembers(translatable, { QLatin1String("trId"), QLatin1String("translations") }, owner);

    const QJsonValue translationsValue = translatable.value(QLatin1String("translations"));
    if (!translationsValue.isUndefined() && !translationsValue.isArray())
        throwMalformed(QStringLiteral("%1: \"translations\" is not an array").arg(owner.name()));
    const QJsonArray translations = translationsValue.toArray();
    entry.translations.reserve(static_cast<std::size_t>(translations.size()));

    for (qsizetype position = 0; position < translations.size(); ++position) {
        const QJsonValue translationValue = translations.at(position);
        owner.position = position;
        if (!translationValue.isObject())
            throwMalformed(QStringLiteral("%1 is not an object").arg(owner.name()));
        const QJsonObject translation = translationValue.toObject();
        if (checkUnknown)
            checkMembers(translation,
                         { QLatin1String("language"),
                           QLatin1String("translation"),
                           QLatin1String("pluralForms") },
                         owner);
        TranslationEntry &translationEntry = entry.translations.emplace_back();
        translationEntry.language
            = utf8Member(stringMember(translation, QLatin1String("language"), owner, false),
                         QLatin1String("language"),
                         owner);
        translationEntry.translation
            = utf8Member(stringMember(translation, QLatin1String("translation"), owner, true),
                         QLatin1String("translation"),
                         owner);
        translationEntry.pluralForms = pluralFormsMember(translation, owner);
    }
    return entry;
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

// The entry as Qt's writer lays it out as the element of an array two levels
// deep: every line indented by eight blanks.
QByteArray indentedElement(const TranslatableEntry &entry)
{
    const QByteArray text = QJsonDocument(toJson(entry)).toJson(QJsonDocument::Indented);
    constexpr QByteArrayView indentation("        ");
    QByteArray result;
    result.reserve(text.size() + 16 * indentation.size());
    // Strings hold no raw line breaks (the writer escapes them), so every
    // break starts a line of the layout.
    qsizetype lineStart = 0;
    while (lineStart < text.size()) {
        qsizetype lineEnd = text.indexOf('\n', lineStart);
        lineEnd = lineEnd < 0 ? text.size() : lineEnd;
        result.append(indentation)
            .append(QByteArrayView(text).sliced(lineStart, lineEnd - lineStart));
        lineStart = lineEnd + 1;
        if (lineStart < text.size())
            result.append('\n');
    }
    return result;
}

} // namespace

void JsonImportExport::setAcceptUnknownMembers(bool accept)
{
    m_acceptUnknownMembers = accept;
}

TranslatableEntries JsonImportExport::importFile(const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw CannotOpenJsonFile("Unable to open JSON import file");

    TranslatableEntries entries;
    const auto append
        = [&entries, checkUnknown = !m_acceptUnknownMembers](const QJsonValue &value) {
              entries.push_back(toEntry(value, qsizetype(entries.size()), checkUnknown));
          };
    if (JsonTranslatablesReader(&file).read(append))
        return entries;

    // A layout the reader does not take: Qt's parser reads the whole file and
    // says what is wrong with it, if anything.
    TranslatableEntries().swap(entries);
    if (!file.seek(0))
        throw CannotOpenJsonFile("Unable to read JSON import file");
    const QByteArray content = file.readAll();
    if (const qsizetype offset = JsonTranslatablesReader::invalidUtf8Offset(content); offset >= 0)
        throwMalformed(QStringLiteral("invalid UTF-8 at byte offset %1").arg(offset));
    const QJsonArray translatables = translatablesArray(content);
    entries.reserve(static_cast<std::size_t>(translatables.size()));
    for (const QJsonValue &translatable : translatables)
        append(translatable);
    return entries;
}

void JsonImportExport::exportFile(const QString &filePath,
                                  const TranslatableEntries &entries,
                                  const QString & /*projectName*/)
{
    // The compact document is as large as the file; it is only made for a log
    // that shows it.
    if (QLoggingCategory::defaultCategory()->isDebugEnabled()) {
        QByteArray compact = "{\"translatables\":[";
        for (const TranslatableEntry &entry : entries) {
            if (&entry != entries.data())
                compact.append(',');
            compact.append(QJsonDocument(toJson(entry)).toJson(QJsonDocument::Compact));
        }
        compact.append("]}");
        qDebug().noquote() << QString::fromUtf8(compact);
    }

    // The previous file stays in place until the new one is completely
    // written. Entry by entry, the same text as Qt's writer gives for the whole
    // document, without ever holding all of it.
    AtomicFile file(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        throw CannotOpenJsonFile("Unable to open JSON export file");
    file.write("{\n    \"translatables\": [\n");
    for (const TranslatableEntry &entry : entries) {
        file.write(indentedElement(entry));
        file.write(&entry + 1 == entries.data() + entries.size() ? "\n" : ",\n");
    }
    file.write("    ]\n}\n");
    if (!file.commit())
        throw CannotOpenJsonFile("Unable to write JSON export file");
}

} // namespace Lexora
