#include "richtexttags.h"

#include "textcomparison.h"

#include <algorithm>

namespace Lexora {

namespace {

// The elements Qt's rich text knows. Anything else in angle brackets, such as
// "<unknown>" or "<id>.<property>", is shown as it stands and is no markup.
bool isRichTextElement(QStringView name)
{
    static const char *const elements[]
        = { "a",      "address", "b",     "big",   "blockquote", "body",   "br",     "caption",
            "center", "cite",    "code",  "col",   "colgroup",   "dd",     "del",    "dfn",
            "div",    "dl",      "dt",    "em",    "font",       "h1",     "h2",     "h3",
            "h4",     "h5",      "h6",    "head",  "hr",         "html",   "i",      "img",
            "ins",    "kbd",     "li",    "meta",  "nobr",       "ol",     "p",      "pre",
            "qt",     "s",       "samp",  "small", "span",       "strike", "strong", "style",
            "sub",    "sup",     "table", "tbody", "td",         "tfoot",  "th",     "thead",
            "title",  "tr",      "tt",    "u",     "ul",         "var" };
    for (const char *element : elements) {
        if (name.compare(QLatin1String(element), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Formatting a translator may add for the language's typography, such as
// Spanish "3<sup>er</sup>", or a paragraph split in two; structure and links
// must stay as they are.
bool isInlineFormatting(QStringView tag)
{
    static const char *const names[]
        = { "b", "big",   "br",   "code",   "em",  "font", "i",  "nobr", "p",
            "s", "small", "span", "strong", "sub", "sup",  "tt", "u" };
    qsizetype start = tag.startsWith(QLatin1String("</")) ? 2 : 1;
    qsizetype end = start;
    while (end < tag.size() && tag[end].isLetterOrNumber())
        ++end;
    const QStringView name = tag.sliced(start, end - start);
    for (const char *inlineName : names) {
        if (name == QLatin1String(inlineName))
            return true;
    }
    return false;
}

// A translator credits the translation team with a link of their own; a
// link of the primary text must stay (it is in the primary's tags).
bool isAddedLink(QStringView tag)
{
    return tag == QLatin1String("</a>") || tag.startsWith(QLatin1String("<a "))
        || tag == QLatin1String("<a>");
}

// "<A HREF='x' target=_blank/>" becomes "<a href target/>".
QString normalizedTag(QStringView tag)
{
    QString result;
    result.reserve(tag.size());
    qsizetype index = 1;
    result += QLatin1Char('<');
    if (tag[index] == QLatin1Char('/')) {
        result += QLatin1Char('/');
        ++index;
    }
    const qsizetype last = tag.size() - 1; // the '>'
    bool selfClosing = false;
    // The element name, then attribute names; values are skipped.
    bool first = true;
    while (index < last) {
        const QChar character = tag[index];
        if (character.isSpace()) {
            ++index;
            continue;
        }
        if (character == QLatin1Char('/')) {
            selfClosing = true;
            ++index;
            continue;
        }
        if (character == QLatin1Char('=')) {
            ++index;
            while (index < last && tag[index].isSpace())
                ++index;
            if (index < last
                && (tag[index] == QLatin1Char('"') || tag[index] == QLatin1Char('\''))) {
                const QChar quote = tag[index];
                ++index;
                while (index < last && tag[index] != quote)
                    ++index;
                ++index;
            } else {
                while (index < last && !tag[index].isSpace() && tag[index] != QLatin1Char('/'))
                    ++index;
            }
            continue;
        }
        qsizetype end = index;
        while (end < last && !tag[end].isSpace() && tag[end] != QLatin1Char('=')
               && tag[end] != QLatin1Char('/'))
            ++end;
        const QStringView name = tag.sliced(index, end - index);
        index = end;
        // The writing direction and language of a text are the translation's
        // own: "<html dir=rtl>" is the same element.
        if (!first
            && (name.compare(QLatin1String("dir"), Qt::CaseInsensitive) == 0
                || name.compare(QLatin1String("lang"), Qt::CaseInsensitive) == 0))
            continue;
        if (!first)
            result += QLatin1Char(' ');
        first = false;
        result += name.toString().toLower();
    }
    if (selfClosing)
        result += QLatin1Char('/');
    result += QLatin1Char('>');
    return result;
}
} // namespace

qsizetype RichTextTags::tagLength(QStringView text, qsizetype position)
{
    qsizetype index = position + 1;
    if (index < text.size() && text[index] == QLatin1Char('/'))
        ++index;
    if (index >= text.size() || !TextComparison::isAsciiLetter(text[index]))
        return 0;
    const qsizetype nameStart = index;
    while (index < text.size()
           && (TextComparison::isAsciiLetter(text[index])
               || TextComparison::isAsciiDigit(text[index])))
        ++index;
    if (index >= text.size()
        || !(text[index].isSpace() || text[index] == QLatin1Char('/')
             || text[index] == QLatin1Char('>'))
        || !isRichTextElement(text.sliced(nameStart, index - nameStart)))
        return 0;
    const qsizetype end = text.indexOf(QLatin1Char('>'), index);
    if (end < 0)
        return 0;
    const qsizetype nextOpen = text.indexOf(QLatin1Char('<'), index);
    if (nextOpen >= 0 && nextOpen < end)
        return 0;
    return end + 1 - position;
}

QStringList RichTextTags::tags(QStringView text)
{
    QStringList tags;
    for (qsizetype index = text.indexOf(QLatin1Char('<')); index >= 0;
         index = text.indexOf(QLatin1Char('<'), index + 1)) {
        const qsizetype length = tagLength(text, index);
        if (length > 0) {
            tags.append(normalizedTag(text.mid(index, length)));
            index += length - 1;
        }
    }
    // "…this directory.<p>": a paragraph opened at the very end closes the
    // last one as far as the rich-text renderer is concerned.
    if (!tags.isEmpty() && tags.back() == QLatin1String("<p>")
        && text.trimmed().endsWith(QLatin1String("<p>"), Qt::CaseInsensitive))
        tags.back() = QStringLiteral("</p>");
    std::sort(tags.begin(), tags.end());
    return tags;
}

bool RichTextTags::agree(QStringList primaryTags, QStringList translationTags, QStringView language)
{
    if (primaryTags == translationTags)
        return true;
    // Chinese and Japanese lines break between any two characters: a line
    // break set for the width of an English sentence is no longer needed.
    const QStringView subtag = TextComparison::primarySubtag(language);
    if (subtag == QLatin1String("zh") || subtag == QLatin1String("ja")) {
        primaryTags.removeAll(QStringLiteral("<br>"));
        primaryTags.removeAll(QStringLiteral("<br/>"));
        translationTags.removeAll(QStringLiteral("<br>"));
        translationTags.removeAll(QStringLiteral("<br/>"));
    }
    // Both lists are sorted: walk them as multisets.
    qsizetype primary = 0;
    qsizetype translation = 0;
    while (primary < primaryTags.size() || translation < translationTags.size()) {
        if (translation == translationTags.size()
            || (primary < primaryTags.size()
                && primaryTags[primary] < translationTags[translation]))
            return false; // lost
        if (primary == primaryTags.size() || translationTags[translation] < primaryTags[primary]) {
            if (!isInlineFormatting(translationTags[translation])
                && !isAddedLink(translationTags[translation]))
                return false;
            ++translation;
            continue;
        }
        ++primary;
        ++translation;
    }
    return true;
}

} // namespace Lexora
