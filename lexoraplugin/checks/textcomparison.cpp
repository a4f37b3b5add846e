#include "textcomparison.h"

#include "checkreport.h"

#include <QRegularExpression>

#include <algorithm>

namespace Lexora {

namespace {

bool isAsciiDigit(QChar character)
{
    return character >= QLatin1Char('0') && character <= QLatin1Char('9');
}

bool isAsciiLetter(QChar character)
{
    const char16_t code = character.unicode();
    return (code >= u'a' && code <= u'z') || (code >= u'A' && code <= u'Z');
}

// The length of the place marker starting at `position` (a '%'), or 0.
qsizetype placeMarkerLength(QStringView text, qsizetype position)
{
    qsizetype index = position + 1;
    if (index < text.size() && text[index] == QLatin1Char('L'))
        ++index;
    if (index >= text.size())
        return 0;
    if (text[index] == QLatin1Char('n'))
        return index + 1 - position;
    if (!isAsciiDigit(text[index]) || text[index] == QLatin1Char('0'))
        return 0;
    ++index;
    if (index < text.size() && isAsciiDigit(text[index]))
        ++index;
    // "%100" is how Turkish and Basque write a hundred percent; no code asks
    // for a hundredth argument.
    if (index < text.size() && isAsciiDigit(text[index]))
        return 0;
    return index - position;
}

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

bool isIdeographic(QChar character)
{
    const char16_t code = character.unicode();
    return (code >= 0x2E80 && code <= 0x9FFF) // CJK radicals, kana, ideographs
        || (code >= 0xAC00 && code <= 0xD7AF) // Hangul syllables
        || (code >= 0xF900 && code <= 0xFAFF) // CJK compatibility ideographs
        || (code >= 0xFF00 && code <= 0xFFEF) // full- and half-width forms
        || character.isSurrogate();
}

// The primary subtag of a language code: "zh" of "zh-TW".
QStringView primarySubtag(QStringView language)
{
    qsizetype end = 0;
    while (end < language.size() && language[end] != QLatin1Char('-')
           && language[end] != QLatin1Char('_'))
        ++end;
    return language.first(end);
}

// Short words that follow a number or stand alone in every language.
bool isUnit(QStringView word)
{
    static const char *const units[]
        = { "a",    "ah",  "b",   "bar", "bps", "byte", "bytes", "cm", "d",    "db",
            "fps",  "g",   "gb",  "gib", "ghz", "h",    "hz",    "kb", "kbps", "kg",
            "khz",  "kib", "km",  "kw",  "kwh", "l",    "m",     "ma", "mah",  "mb",
            "mbps", "mg",  "mhz", "mib", "min", "ml",   "mm",    "ms", "mv",   "ns",
            "pt",   "px",  "rpm", "s",   "tb",  "us",   "v",     "w",  "wh",   "x" };
    for (const char *unit : units) {
        if (word.compare(QLatin1String(unit), Qt::CaseInsensitive) == 0)
            return true;
    }
    return word.startsWith(QChar(0x00B0)); // °C, °F
}

// The length of the markup tag starting at `position` (a '<'), or 0. A tag
// starts with a letter or a slash and a letter, so "a < b" and "<3" are text.
qsizetype tagLength(QStringView text, qsizetype position)
{
    qsizetype index = position + 1;
    if (index < text.size() && text[index] == QLatin1Char('/'))
        ++index;
    if (index >= text.size() || !isAsciiLetter(text[index]))
        return 0;
    const qsizetype nameStart = index;
    while (index < text.size() && (isAsciiLetter(text[index]) || isAsciiDigit(text[index])))
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

QStringList TextComparison::placeMarkers(QStringView text)
{
    QStringList markers;
    for (qsizetype index = text.indexOf(QLatin1Char('%')); index >= 0;
         index = text.indexOf(QLatin1Char('%'), index + 1)) {
        const qsizetype length = placeMarkerLength(text, index);
        if (length > 0) {
            markers.append(text.mid(index, length).toString());
            index += length - 1;
        }
    }
    std::sort(markers.begin(), markers.end());
    markers.erase(std::unique(markers.begin(), markers.end()), markers.end());
    return markers;
}

bool TextComparison::hasAccelerator(QStringView text)
{
    for (qsizetype index = text.indexOf(QLatin1Char('&')); index >= 0 && index + 1 < text.size();
         index = text.indexOf(QLatin1Char('&'), index + 1)) {
        const QChar next = text[index + 1];
        if (next == QLatin1Char('&')) {
            ++index;
            continue;
        }
        // "报警&警告": an ideographic text writes its accelerator as "(&F)", so an
        // ampersand among ideographs is the character itself.
        // Besides letters and digits, only the signs a button label may
        // consist of ("&<<"); "(&)" names the character.
        if (isIdeographic(next) || !(next.isLetterOrNumber() || QStringView(u"<>").contains(next)))
            continue;
        // "&amp;", "&lt;": an entity is a run of ASCII letters closed by ';'.
        qsizetype end = index + 1;
        while (end < text.size() && isAsciiLetter(text[end]))
            ++end;
        if (end < text.size() && text[end] == QLatin1Char(';') && end - index > 1)
            continue;
        return true;
    }
    return false;
}

bool TextComparison::markersMatch(const Profile &primaryProfile,
                                  QStringView primary,
                                  const QStringList &translationMarkers)
{
    const QStringList &primaryMarkers = primaryProfile.placeMarkers;
    auto localized = [](const QString &marker) {
        return marker.startsWith(QLatin1String("%L")) ? marker
                                                      : QLatin1String("%L") + marker.mid(1);
    };
    for (const QString &marker : primaryMarkers) {
        if (!translationMarkers.contains(marker) && !translationMarkers.contains(localized(marker)))
            return false;
    }
    for (const QString &marker : translationMarkers) {
        if (primaryMarkers.contains(marker))
            continue;
        if (marker.startsWith(QLatin1String("%L"))
            && primaryMarkers.contains(QLatin1Char('%') + marker.mid(2)))
            continue;
        // A percentage the primary text shows as "50%" or "50 %".
        const QStringView number = QStringView(marker).sliced(1);
        if (!number.isEmpty() && isAsciiDigit(number.front())) {
            bool shown = false;
            for (qsizetype at = primary.indexOf(number); at >= 0 && !shown;
                 at = primary.indexOf(number, at + 1)) {
                qsizetype after = at + number.size();
                while (after < primary.size() && primary[after].isSpace())
                    ++after;
                shown = (at == 0 || !isAsciiDigit(primary[at - 1])) && after < primary.size()
                    && primary[after] == QLatin1Char('%');
            }
            // Nothing is substituted in a text whose primary has no marker, so
            // a two-digit one cannot stand for an argument.
            if (shown || (primaryMarkers.isEmpty() && number.size() == 2))
                continue;
        }
        return false;
    }
    return true;
}

bool TextComparison::hasStrayEscape(const Profile &primaryProfile, QStringView translation)
{
    // A backslash the primary text does not have is one too many; one before a
    // quote or a control letter is quoting or an escape left over from a
    // source file, unless the primary text shows the same sequence.
    qsizetype count = 0;
    for (qsizetype index = translation.indexOf(QLatin1Char('\\')); index >= 0;
         index = translation.indexOf(QLatin1Char('\\'), index + 1)) {
        ++count;
        if (index + 1 == translation.size())
            continue;
        const QChar next = translation[index + 1];
        const bool quoteOrControl
            = QStringView(u"\"'nrt\u201E\u201C\u201D\u2018\u2019\u00AB\u00BB").contains(next);
        if (quoteOrControl && !primaryProfile.escapes.contains(translation.mid(index, 2)))
            return true;
    }
    return count > primaryProfile.escapes.size();
}

bool TextComparison::isLanguageNeutral(QStringView text)
{
    if (text.contains(QLatin1String("://")) || text.startsWith(QLatin1String("www.")))
        return true;
    return translatableWords(text).isEmpty();
}

QStringList TextComparison::translatableWords(QStringView text)
{
    QStringList words;
    qsizetype index = 0;
    while (index < text.size()) {
        while (index < text.size() && text[index].isSpace())
            ++index;
        qsizetype end = index;
        while (end < text.size() && !text[end].isSpace())
            ++end;
        QStringView word = text.sliced(index, end - index);
        index = end;
        // "byte(s)": the plural written both ways is the one word.
        if (word.endsWith(QLatin1String("(s)")))
            word.chop(3);
        while (!word.isEmpty() && !word.front().isLetterOrNumber())
            word = word.sliced(1);
        while (!word.isEmpty() && !word.back().isLetterOrNumber())
            word.chop(1);
        if (word.isEmpty() || !hasLetters(word) || isUnit(word) || word.contains(QLatin1Char('@')))
            continue;
        bool digit = false;
        bool lower = false;
        bool innerUpper = false; // CapsLock, iPhone, Node-RED, Ctrl+O
        for (qsizetype at = 0; at < word.size(); ++at) {
            const QChar character = word[at];
            digit = digit || character.isDigit();
            lower = lower || character.isLower();
            innerUpper = innerUpper || (at > 0 && character.isUpper());
        }
        if (digit || !lower || innerUpper)
            continue;
        // A place marker or an accelerator is no part of the word.
        QString plain = word.toString();
        plain.remove(QLatin1Char('&'));
        words.append(plain);
    }
    return words;
}

QStringView TextComparison::leadingWhitespace(QStringView text)
{
    qsizetype index = 0;
    while (index < text.size() && text[index].isSpace())
        ++index;
    return text.first(index);
}

QStringView TextComparison::trailingWhitespace(QStringView text)
{
    qsizetype index = text.size();
    while (index > 0 && text[index - 1].isSpace())
        --index;
    return text.sliced(index);
}

int TextComparison::lineBreakCount(QStringView text)
{
    // "\r\n" is one break; a lone '\r' is one too.
    int count = 0;
    for (qsizetype index = 0; index < text.size(); ++index) {
        if (text[index] == QLatin1Char('\n'))
            ++count;
        else if (text[index] == QLatin1Char('\r')
                 && (index + 1 == text.size() || text[index + 1] != QLatin1Char('\n')))
            ++count;
    }
    return count;
}

QChar TextComparison::endingMark(QStringView text)
{
    for (;;) {
        text = text.first(text.size() - trailingWhitespace(text).size());
        if (!text.endsWith(QLatin1Char('>')))
            break;
        const qsizetype open = text.lastIndexOf(QLatin1Char('<'));
        if (open < 0 || tagLength(text, open) != text.size() - open)
            break;
        text = text.first(open);
    }
    // Direction marks after the sentence mark of a right-to-left text.
    while (!text.isEmpty() && text.back().category() == QChar::Other_Format)
        text.chop(1);
    while (text.endsWith(QLatin1String(";")) && text.size() > 8) {
        const qsizetype entity = text.lastIndexOf(QLatin1String("&#x"));
        if (entity < 0 || entity != text.size() - 8)
            break;
        text = text.first(entity);
    }
    if (text.isEmpty())
        return {};
    // "(… libraries.)" ends as "(… libraries)." does.
    // An ideographic text's accelerator "(&W)" follows the sentence mark.
    if (text.size() > 4 && text.endsWith(QLatin1Char(')'))
        && text.sliced(text.size() - 4, 2) == QLatin1String("(&"))
        text.chop(4);
    while (text.size() > 1 && (text.back() == QLatin1Char(')') || text.back() == QLatin1Char(']'))
           && QStringView(u".!?:\u061F\u3002\uFF01\uFF1F\uFF1A").contains(text[text.size() - 2]))
        text.chop(1);
    // Four dots are no ellipsis but part of a pattern ("sequence U+....").
    if (text.endsWith(QLatin1String("....")))
        return {};
    if (text.endsWith(QLatin1String("...")))
        return QChar(0x2026);
    switch (text.back().unicode()) {
    case u'.':
    case u'\u3002': // ideographic full stop
    case u'\uFF0E': // full-width full stop
    case u'\uFF61': // half-width ideographic full stop
        return QLatin1Char('.');
    case u':':
    case u'\uFF1A':
        return QLatin1Char(':');
    case u'\u0964': // Devanagari danda
        return QLatin1Char('.');
    case u'?':
    case u'\uFF1F':
    case u'\u061F': // Arabic question mark
    case u'\u037E': // Greek question mark
        return QLatin1Char('?');
    case u'!':
    case u'\uFF01':
        return QLatin1Char('!');
    case u'\u2026':
        return QChar(0x2026);
    default:
        return {};
    }
}

QStringList TextComparison::markupTags(QStringView text)
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

bool TextComparison::hasLetters(QStringView text)
{
    for (qsizetype index = 0; index < text.size(); ++index) {
        const QChar character = text[index];
        if (character == QLatin1Char('%')) {
            if (const qsizetype length = placeMarkerLength(text, index)) {
                index += length - 1;
                continue;
            }
        } else if (character == QLatin1Char('<')) {
            if (const qsizetype length = tagLength(text, index)) {
                index += length - 1;
                continue;
            }
        }
        if (character.isLetter())
            return true;
        // A letter outside the Basic Multilingual Plane, such as a rare CJK
        // ideograph, arrives as a surrogate pair.
        if (character.isHighSurrogate() && index + 1 < text.size()
            && QChar::isLetter(QChar::surrogateToUcs4(character, text[index + 1])))
            return true;
    }
    return false;
}

namespace {

// Every backslash with the character after it, in text order.
QStringList escapeSequences(QStringView text)
{
    QStringList escapes;
    for (qsizetype index = text.indexOf(QLatin1Char('\\')); index >= 0;
         index = text.indexOf(QLatin1Char('\\'), index + 1))
        escapes.append(text.mid(index, 2).toString());
    return escapes;
}

// A short word closed by a full stop, as in "Máx." or "Zas.": a translation
// abbreviates where the primary text has room.
bool endsWithAbbreviation(QStringView text)
{
    text = text.trimmed();
    if (!text.endsWith(QLatin1Char('.')) || text.endsWith(QLatin1String("..")))
        return false;
    text.chop(1);
    qsizetype start = text.size();
    while (start > 0 && text[start - 1].isLetter())
        --start;
    const qsizetype length = text.size() - start;
    return length >= 1 && length <= 4 && text.count(QLatin1Char(' ')) <= 1;
}

// "Ltd.", "etc.": the full stop of an abbreviation that ends the primary
// text is no sentence's end.
bool endsWithKnownAbbreviation(QStringView text)
{
    static const char *const abbreviations[]
        = { " Ltd.", " Inc.", " Co.", " Corp.", " etc.", " approx.", " e.g.", " i.e." };
    text = text.trimmed();
    for (const char *abbreviation : abbreviations) {
        if (text.endsWith(QLatin1String(abbreviation)))
            return true;
    }
    return false;
}

// The one translatable word of a text of one word, lower case.
QString singleWord(QStringView text)
{
    const QStringView trimmed = text.trimmed();
    for (const QChar character : trimmed) {
        if (character.isSpace())
            return {};
    }
    const QStringList words = TextComparison::translatableWords(trimmed);
    return words.size() == 1 ? words.front().toLower() : QString();
}

qsizetype linkCount(QStringView text)
{
    return text.count(QLatin1String("<a "), Qt::CaseInsensitive)
        + text.count(QLatin1String("<a>"), Qt::CaseInsensitive);
}

bool endingsAgree(QChar primaryMark,
                  QChar translationMark,
                  QStringView primary,
                  QStringView translation,
                  QStringView language)
{
    if (primaryMark == translationMark)
        return true;
    const QChar fullStop = QLatin1Char('.');
    // A sentence ends in either; languages differ in how loudly.
    if ((primaryMark == fullStop && translationMark == QLatin1Char('!'))
        || (primaryMark == QLatin1Char('!') && translationMark == fullStop))
        return true;
    const bool stopOnly = (primaryMark == fullStop && translationMark.isNull())
        || (primaryMark.isNull() && translationMark == fullStop);
    // Thai, Lao, Khmer and Burmese end sentences with a space, not a mark;
    // Chinese and Japanese interface texts take or leave their full stops
    // by the translator's house style.
    const QStringView subtag = primarySubtag(language);
    static const char *const noFullStop[] = { "th", "lo", "km", "my", "zh", "ja" };
    for (const char *code : noFullStop) {
        if (stopOnly && subtag == QLatin1String(code))
            return true;
    }
    if (primaryMark.isNull() && translationMark == fullStop && endsWithAbbreviation(translation))
        return true;
    if (primaryMark == fullStop && translationMark.isNull()) {
        QString withoutTags = primary.toString();
        static const QRegularExpression tags(QStringLiteral("<[^<>]*>\\s*$"));
        while (withoutTags.contains(tags))
            withoutTags.remove(tags);
        if (endsWithKnownAbbreviation(withoutTags))
            return true;
    }
    // "(closing brace missing?)": an aside in parentheses may become a
    // statement ("brace may be missing"), as Korean writes it.
    if (primaryMark == QLatin1Char('?') && translationMark.isNull()
        && primary.trimmed().endsWith(QLatin1String("?)"))
        && translation.trimmed().endsWith(QLatin1Char(')')))
        return true;
    // A label with an accelerator is no sentence ("Surrounding &Whitespace.").
    if (primaryMark == fullStop && translationMark.isNull()
        && TextComparison::hasAccelerator(primary))
        return true;
    // "Printing... (page %1)" may end "Tiskanje (%1. stran) ...": the
    // ellipsis moved with the words.
    if (primaryMark.isNull() && translationMark == QChar(0x2026)
        && (primary.contains(QLatin1String("...")) || primary.contains(QChar(0x2026))))
        return true;
    // The translator credits the team with a link after the last sentence.
    if (linkCount(translation) > linkCount(primary))
        return true;
    // Greek writes its question mark as a semicolon.
    if (primaryMark == QLatin1Char('?') && subtag == QLatin1String("el")
        && translation.trimmed().endsWith(QLatin1Char(';')))
        return true;
    return false;
}

// Tags of `translation` that the primary lacks must be formatting, and every
// tag of the primary must be kept.
bool markupAgrees(QStringList primaryTags, QStringList translationTags, QStringView language)
{
    if (primaryTags == translationTags)
        return true;
    // Chinese and Japanese lines break between any two characters: a line
    // break set for the width of an English sentence is no longer needed.
    const QStringView subtag = primarySubtag(language);
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

// Chinese, Japanese and Thai put no blank between words: a blank that joins
// the primary text to the next one has no counterpart after a word of theirs
// or ideographic comma (`next` is the translation's character beside the
// blank). After a colon the
// blank separates a label from its value and stays, as do indentation and
// line breaks.
bool whitespaceAgrees(QStringView primary,
                      QStringView translation,
                      QChar next,
                      QStringView language)
{
    if (primary == translation)
        return true;
    const QStringView subtag = primarySubtag(language);
    if (subtag != QLatin1String("zh") && subtag != QLatin1String("ja")
        && subtag != QLatin1String("th"))
        return false;
    const auto isBlank = [](QStringView text) {
        return text.isEmpty() || text == QLatin1String(" ");
    };
    return isBlank(primary) && isBlank(translation)
        && (next.isLetter() || next == QChar(0x3001) || next == QChar(0x3002));
}

// "Envelope C3", "Page Up", "Qt Linguist": a label of capitalized words
// without the small words of a phrase names a thing (a paper size, a key, a
// product) that translators often keep.
bool isTitleCaseName(QStringView text)
{
    const QStringList words = TextComparison::translatableWords(text);
    qsizetype wordCount = 0;
    for (qsizetype index = 0; index < text.size();) {
        while (index < text.size() && !text[index].isLetterOrNumber())
            ++index;
        if (index < text.size())
            ++wordCount;
        while (index < text.size() && !text[index].isSpace())
            ++index;
    }
    if (wordCount < 2)
        return false;
    return std::all_of(
        words.begin(), words.end(), [](const QString &word) { return word.front().isUpper(); });
}

} // namespace

TextComparison::Context TextComparison::contextFor(QStringView language)
{
    Context context;
    context.language = language;
    return context;
}

TextComparison::Profile TextComparison::profile(QStringView text)
{
    return { placeMarkers(text),
             markupTags(text),
             leadingWhitespace(text).toString(),
             trailingWhitespace(text).toString(),
             lineBreakCount(text),
             endingMark(text),
             hasAccelerator(text),
             escapeSequences(text),
             singleWord(text) };
}

QStringList TextComparison::failedChecks(QStringView primary, QStringView translation)
{
    return failedChecks(profile(primary), primary, translation, Context());
}

QStringList TextComparison::failedChecks(const Profile &primaryProfile,
                                         QStringView primary,
                                         QStringView translation,
                                         const Context &context)
{
    QStringList failed;
    QStringList markers = placeMarkers(translation);
    if (!context.pluralForms.isEmpty()) {
        for (const QString &form : context.pluralForms)
            markers += placeMarkers(form);
        markers.sort();
        markers.removeDuplicates();
    }
    if (markers != primaryProfile.placeMarkers && !markersMatch(primaryProfile, primary, markers))
        failed.append(QLatin1String(CheckNames::placeholders));
    if (primaryProfile.accelerator != hasAccelerator(translation))
        failed.append(QLatin1String(CheckNames::accelerators));
    const QStringView leading = leadingWhitespace(translation);
    const QStringView trailing = trailingWhitespace(translation);
    const QStringView words
        = translation.sliced(leading.size())
              .chopped(std::min(trailing.size(), translation.size() - leading.size()));
    if (!whitespaceAgrees(primaryProfile.leadingWhitespace,
                          leading,
                          words.isEmpty() ? QChar() : words.front(),
                          context.language)
        || !whitespaceAgrees(primaryProfile.trailingWhitespace,
                             trailing,
                             words.isEmpty() ? QChar() : words.back(),
                             context.language))
        failed.append(QLatin1String(CheckNames::whitespace));
    // A text of many lines (a command's usage) is wrapped anew by its
    // translator; its ends are the whitespace check's.
    // Rich text collapses line breaks into blanks.
    const int lineBreaks = lineBreakCount(translation);
    const bool richText
        = !primaryProfile.markupTags.isEmpty() && primary.trimmed().startsWith(QLatin1Char('<'));
    if (primaryProfile.lineBreaks != lineBreaks && !richText
        && (primaryProfile.lineBreaks < 4 || lineBreaks < 4))
        failed.append(QLatin1String(CheckNames::lineBreaks));
    // A plural's forms may be different sentences ("No forms are unsaved."
    // for none, a question for many): one form ending as the primary does is
    // enough.
    bool endingAgrees = endingsAgree(
        primaryProfile.endingMark, endingMark(translation), primary, translation, context.language);
    for (qsizetype form = 0; !endingAgrees && form < context.pluralForms.size(); ++form)
        endingAgrees = endingsAgree(primaryProfile.endingMark,
                                    endingMark(context.pluralForms[form]),
                                    primary,
                                    context.pluralForms[form],
                                    context.language);
    if (!endingAgrees)
        failed.append(QLatin1String(CheckNames::punctuation));
    if (!markupAgrees(primaryProfile.markupTags, markupTags(translation), context.language))
        failed.append(QLatin1String(CheckNames::markup));
    if (translation.contains(QLatin1Char('\\')) && hasStrayEscape(primaryProfile, translation))
        failed.append(QLatin1String(CheckNames::escapes));
    if (primary == translation && !isLanguageNeutral(primary) && !isTitleCaseName(primary))
        failed.append(QLatin1String(CheckNames::identical));
    return failed;
}

} // namespace Lexora
