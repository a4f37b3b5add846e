#include "tswriter.h"

#include "numerusrules.h"
#include "translationcatalog.h"

#include <QIODevice>
#include <QTextStream>

#include <algorithm>

namespace Lexora {

namespace {

bool isWritten(const QString &language)
{
    return !language.isEmpty() && language != QLatin1String("C");
}

void appendHex(QString &result, const char *prefix, char16_t unit, const char *suffix)
{
    result += QLatin1String(prefix);
    result += QString::number(unit, 16);
    result += QLatin1String(suffix);
}

// The entity for each character that would otherwise be read as markup.
const char *markupEntity(char16_t unit)
{
    switch (unit) {
    case u'"':
        return "&quot;";
    case u'&':
        return "&amp;";
    case u'\'':
        return "&apos;";
    case u'<':
        return "&lt;";
    case u'>':
        return "&gt;";
    default:
        return nullptr;
    }
}

// XML readers normalise white space in attribute values: a literal tab, line
// feed or carriage return comes back as a blank, and the ID would change.
// Character references are returned as written.
const char *attributeWhiteSpaceReference(char16_t unit)
{
    switch (unit) {
    case u'\t':
        return "&#9;";
    case u'\n':
        return "&#10;";
    case u'\r':
        return "&#13;";
    default:
        return nullptr;
    }
}

bool isXmlName(const QString &name)
{
    return !name.isEmpty() && std::all_of(name.cbegin(), name.cend(), [](QChar c) {
        return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u'.';
    });
}

QString escapeAttribute(const QString &value)
{
    QString result;
    result.reserve(value.size());
    for (const QChar ch : value) {
        if (const char *entity = markupEntity(ch.unicode()))
            result += QLatin1String(entity);
        else if (const char *reference = attributeWhiteSpaceReference(ch.unicode()))
            result += QLatin1String(reference);
        else
            result += ch;
    }
    return result;
}

} // namespace

QString escapeTsText(const QString &text)
{
    auto needsEscape = [](QChar ch) {
        const char16_t unit = ch.unicode();
        return markupEntity(unit) || (unit < 0x20 && unit != u'\t' && unit != u'\n')
            || (unit >= 0x80 && ch.isSpace());
    };
    // Most texts hold nothing to escape; they are written as they are, without
    // a copy.
    const QChar *const end = text.constData() + text.size();
    const QChar *next = std::find_if(text.constData(), end, needsEscape);
    if (next == end)
        return text;

    QString result;
    result.reserve(text.size() * 12 / 10);
    const QChar *plain = text.constData();
    while (next != end) {
        result.append(plain, next - plain);
        const char16_t unit = next->unicode();
        if (const char *entity = markupEntity(unit))
            result += QLatin1String(entity);
        else if (unit < 0x20)
            appendHex(result, "<byte value=\"x", unit, "\"/>");
        else
            appendHex(result, "&#x", unit, ";");
        plain = next + 1;
        next = std::find_if(plain, end, needsEscape);
    }
    result.append(plain, end - plain);
    return result;
}

bool saveTs(const TranslationCatalog &catalog, QIODevice &device, UserFeedbackInterface *)
{
    QTextStream out(&device);

    out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
        << "<TS version=\"2.1\"";
    if (isWritten(catalog.language()))
        out << " language=\"" << catalog.language() << '"';
    if (isWritten(catalog.sourceLanguage()))
        out << " sourcelanguage=\"" << catalog.sourceLanguage() << '"';
    out << ">\n";

    if (!catalog.dependencies().isEmpty()) {
        out << "<dependencies>\n";
        for (const QString &dependency : catalog.dependencies())
            out << "<dependency catalog=\"" << dependency << "\"/>\n";
        out << "</dependencies>\n";
    }

    // Computed only when a plural message needs it.
    int formCount = 0;
    out << "<context>\n    <name></name>\n";
    for (const CatalogMessage &message : catalog.messages()) {
        if (message.id.isEmpty())
            continue;
        // IDs without markup characters or tabs and line breaks come out
        // unchanged; escaping the others keeps the attribute well-formed and
        // the ID as it is for every XML reader.
        out << "    <message id=\"" << escapeAttribute(message.id) << '"';
        if (message.plural)
            out << " numerus=\"yes\"";
        out << ">\n";
        // Elements in the order Qt's own tools write them.
        if (!message.sourceText.isEmpty())
            out << "        <source>" << escapeTsText(message.sourceText) << "</source>\n";
        if (!message.extraComment.isEmpty()) {
            out << "        <extracomment>" << escapeTsText(message.extraComment)
                << "</extracomment>\n";
        }
        if (!message.translatorComment.isEmpty()) {
            out << "        <translatorcomment>" << escapeTsText(message.translatorComment)
                << "</translatorcomment>\n";
        }
        out << "        <translation";
        switch (message.type) {
        case CatalogMessage::Unfinished:
            out << " type=\"unfinished\"";
            break;
        case CatalogMessage::Vanished:
            out << " type=\"vanished\"";
            break;
        case CatalogMessage::Obsolete:
            out << " type=\"obsolete\"";
            break;
        case CatalogMessage::Finished:
            break;
        }
        out << '>';
        if (message.plural) {
            if (formCount == 0)
                formCount = numerusFormCount(catalog.language());
            for (const QString &form : numerusTranslations(message, formCount))
                out << "\n            <numerusform>" << escapeTsText(form) << "</numerusform>";
            out << "\n        ";
        } else {
            out << escapeTsText(message.translation);
        }
        out << "</translation>\n";
        for (auto extra = message.extras.cbegin(); extra != message.extras.cend(); ++extra) {
            // A key that is no XML name would break the file; Qt's tools could
            // not read such a key back either.
            if (!isXmlName(extra.key()))
                continue;
            out << "        <extra-" << extra.key() << '>' << escapeTsText(extra.value())
                << "</extra-" << extra.key() << ">\n";
        }
        out << "    </message>\n";
    }
    out << "</context>\n</TS>\n";
    out.flush();
    return true;
}

bool loadTs(TranslationCatalog &, QIODevice &, const QString &, UserFeedbackInterface *)
{
    return false;
}

} // namespace Lexora
