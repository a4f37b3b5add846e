// The .qmlproject reader on arbitrary text, and the language settings written
// into what it read: one setting at a time through the reader, and both
// together as the project language settings write them. An input is the
// project text, optionally followed by a NUL byte and a language name.
//
// A write either fails and leaves the text alone, or changes only the value it
// writes: reading the text back gives the value, every other binding and
// element is as before, the text around the edit is kept byte for byte, and
// writing the same value again changes nothing.

#include "translationsview/projectlanguagesettings.h"

#include <qmlproject/qmlprojectfile.h>

#include <QRegularExpression>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

using Host::QmlProject::QmlProjectFile;
using Lexora::ProjectLanguageSettings;

namespace {

[[noreturn]] void fail(const char *what, const QString &before, const QString &after)
{
    std::fprintf(
        stderr, "%s\n--- before\n%s\n--- after\n%s\n", what, qPrintable(before), qPrintable(after));
    std::abort();
}

std::size_t visit(const QmlProjectFile::Element &element)
{
    std::size_t sum = std::size_t(element.typeName.size());
    for (const QmlProjectFile::Property &property : element.properties)
        sum += std::size_t(property.name.size() + property.source.size() + property.offset
                           + property.length + property.value.toString().size());
    for (const QmlProjectFile::Element &child : element.children)
        sum += visit(child);
    return sum;
}

// The element without the property `skipped`; offsets move with any edit.
bool sameExcept(const QmlProjectFile::Element &a,
                const QmlProjectFile::Element &b,
                const QString &skipped)
{
    if (a.typeName != b.typeName || a.children.size() != b.children.size())
        return false;
    QList<QmlProjectFile::Property> left;
    QList<QmlProjectFile::Property> right;
    for (const QmlProjectFile::Property &property : a.properties) {
        if (property.name != skipped)
            left.append(property);
    }
    for (const QmlProjectFile::Property &property : b.properties) {
        if (property.name != skipped)
            right.append(property);
    }
    if (left.size() != right.size())
        return false;
    for (qsizetype index = 0; index < left.size(); ++index) {
        if (left[index].name != right[index].name || left[index].source != right[index].source
            || left[index].value != right[index].value)
            return false;
    }
    for (qsizetype index = 0; index < a.children.size(); ++index) {
        if (!sameExcept(a.children[index], b.children[index], QString()))
            return false;
    }
    return true;
}

bool isSpace(QChar character)
{
    return character == QLatin1Char(' ') || character == QLatin1Char('\t')
        || character == QLatin1Char('\r') || character == QLatin1Char('\n');
}

// Where a binding is added, the text before and after the new line is kept;
// only blanks in front of the closing brace may go.
bool keepsAroundInsertion(const QString &before, const QString &after)
{
    qsizetype prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix
           && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    for (qsizetype index = prefix; index < before.size() - suffix; ++index) {
        if (!isSpace(before[index]))
            return false;
    }
    return true;
}

void write(QmlProjectFile &file,
           const QString &name,
           const QString &source,
           const QVariant &expected,
           bool plainLanguage)
{
    const QmlProjectFile before = file;
    const QString oldText = file.text();
    QString error;
    if (!file.setPropertySource(name, source, &error)) {
        if (file.text() != oldText)
            fail("a failed write changed the text", oldText, file.text());
        // Any project that could be read takes a plain language code.
        if (plainLanguage)
            fail(qPrintable(QStringLiteral("writing a plain value failed: ") + error),
                 oldText,
                 file.text());
        return;
    }
    const QString newText = file.text();
    if (file.value(name) != expected)
        fail("the value read back differs from the one written", oldText, newText);
    if (!sameExcept(before.root(), file.root(), name))
        fail("a write changed other bindings or elements", oldText, newText);
    const QmlProjectFile::Property *old = before.property(name);
    if (!old) {
        if (!keepsAroundInsertion(oldText, newText))
            fail("adding a binding changed the text around it", oldText, newText);
    } else if (oldText.count(name) == 1) {
        // One binding of that name: exactly its value is replaced, followed by a
        // separator where the next member shares its line.
        const QString head = oldText.left(old->offset) + source;
        const QString tail = oldText.mid(old->offset + old->length);
        if (newText != head + tail && newText != head + QLatin1Char(';') + tail)
            fail("replacing a value changed the text around it", oldText, newText);
    }
    if (!file.setPropertySource(name, source, &error) || file.text() != newText)
        fail("writing the same value again changed the text", newText, file.text());
}

// Both language entries as the studio writes them: the result reads back with
// the languages and every other binding and element as before.
void writeLanguages(const QString &text,
                    const QmlProjectFile &before,
                    const QStringList &languages,
                    const QString &primary,
                    bool plainLanguage)
{
    QString error;
    const std::optional<QString> edited
        = ProjectLanguageSettings::editedProjectText(text, languages, primary, &error);
    if (!edited) {
        if (plainLanguage)
            fail(qPrintable(QStringLiteral("writing the languages failed: ") + error), text, {});
        return;
    }
    QmlProjectFile after;
    if (!after.parse(*edited, &error))
        fail("the languages written do not parse", text, *edited);
    if (after.value(QStringLiteral("supportedLanguages")) != QVariant(languages)
        || after.value(QStringLiteral("primaryLanguage")) != QVariant(primary))
        fail("the languages read back differ from the ones written", text, *edited);
    QmlProjectFile::Element left = before.root();
    QmlProjectFile::Element right = after.root();
    for (QmlProjectFile::Element *element : { &left, &right }) {
        element->properties.removeIf([](const QmlProjectFile::Property &property) {
            return property.name == QLatin1String("primaryLanguage");
        });
    }
    if (!sameExcept(left, right, QStringLiteral("supportedLanguages")))
        fail("writing the languages changed other bindings or elements", text, *edited);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const char *const bytes = reinterpret_cast<const char *>(data);
    const auto *separator = static_cast<const char *>(std::memchr(bytes, 0, size));
    const std::size_t textSize = separator ? std::size_t(separator - bytes) : size;
    const QString text = QString::fromUtf8(bytes, qsizetype(textSize));
    const QString language = separator
        ? QString::fromUtf8(separator + 1, qsizetype(size - textSize - 1))
        : QStringLiteral("de");

    QmlProjectFile file;
    QString error;
    if (!file.parse(text, &error))
        return 0;
    if (visit(file.root()) == std::size_t(-1))
        std::abort();
    const QStringList languages { QStringLiteral("en"), language };
    static const QRegularExpression code(QStringLiteral("^[A-Za-z_]{1,16}$"));
    const bool plain = code.match(language).hasMatch();
    writeLanguages(text, file, languages, language, plain);
    write(file,
          QStringLiteral("supportedLanguages"),
          QmlProjectFile::stringList(languages),
          QVariant(languages),
          plain);
    write(file,
          QStringLiteral("primaryLanguage"),
          QmlProjectFile::quoted(language),
          QVariant(language),
          plain);
    return 0;
}
