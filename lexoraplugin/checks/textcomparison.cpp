#include "textcomparison.h"

#include "checkreport.h"
#include "richtexttags.h"
#include "sentenceending.h"

#include <algorithm>

namespace Lexora {

namespace {

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
    if (!TextComparison::isAsciiDigit(text[index]) || text[index] == QLatin1Char('0'))
        return 0;
    ++index;
    if (index < text.size() && TextComparison::isAsciiDigit(text[index]))
        ++index;
    // "%100" is how Turkish and Basque write a hundred percent; no code asks
    // for a hundredth argument.
    if (index < text.size() && TextComparison::isAsciiDigit(text[index]))
        return 0;
    return index - position;
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

} // namespace

QStringView TextComparison::primarySubtag(QStringView language)
{
    qsizetype end = 0;
    while (end < language.size() && language[end] != QLatin1Char('-')
           && language[end] != QLatin1Char('_'))
        ++end;
    return language.first(end);
}

QChar TextComparison::endingMark(QStringView text)
{
    return SentenceEnding::mark(text);
}

QStringList TextComparison::markupTags(QStringView text)
{
    return RichTextTags::tags(text);
}

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
        while (end < text.size() && TextComparison::isAsciiLetter(text[end]))
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
        if (!number.isEmpty() && TextComparison::isAsciiDigit(number.front())) {
            bool shown = false;
            for (qsizetype at = primary.indexOf(number); at >= 0 && !shown;
                 at = primary.indexOf(number, at + 1)) {
                qsizetype after = at + number.size();
                while (after < primary.size() && primary[after].isSpace())
                    ++after;
                shown = (at == 0 || !TextComparison::isAsciiDigit(primary[at - 1]))
                    && after < primary.size() && primary[after] == QLatin1Char('%');
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
    bool afterNumber = false;
    while (index < text.size()) {
        while (index < text.size() && text[index].isSpace())
            ++index;
        qsizetype end = index;
        while (end < text.size() && !text[end].isSpace())
            ++end;
        const QStringView token = text.sliced(index, end - index);
        QStringView word = token;
        index = end;
        // "byte(s)": the plural written both ways is the one word.
        if (word.endsWith(QLatin1String("(s)")))
            word.chop(3);
        while (!word.isEmpty() && !word.front().isLetterOrNumber())
            word = word.sliced(1);
        while (!word.isEmpty() && !word.back().isLetterOrNumber())
            word.chop(1);
        // "8.5 x 12 in": after a number, "in" is the inch ("%1 in %2" is not).
        const bool inch = afterNumber && word == QLatin1String("in");
        const bool letters = hasLetters(word);
        afterNumber = !word.isEmpty() && !letters && !token.contains(QLatin1Char('%'));
        if (word.isEmpty() || !letters || inch || isUnit(word) || word.contains(QLatin1Char('@')))
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
            if (const qsizetype length = RichTextTags::tagLength(text, index)) {
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
    const QStringView subtag = TextComparison::primarySubtag(language);
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
    bool endingAgrees = SentenceEnding::agree(
        primaryProfile.endingMark, endingMark(translation), primary, translation, context.language);
    for (qsizetype form = 0; !endingAgrees && form < context.pluralForms.size(); ++form)
        endingAgrees = SentenceEnding::agree(primaryProfile.endingMark,
                                             endingMark(context.pluralForms[form]),
                                             primary,
                                             context.pluralForms[form],
                                             context.language);
    if (!endingAgrees)
        failed.append(QLatin1String(CheckNames::punctuation));
    if (!RichTextTags::agree(primaryProfile.markupTags, markupTags(translation), context.language))
        failed.append(QLatin1String(CheckNames::markup));
    if (translation.contains(QLatin1Char('\\')) && hasStrayEscape(primaryProfile, translation))
        failed.append(QLatin1String(CheckNames::escapes));
    if (primary == translation && !isLanguageNeutral(primary) && !isTitleCaseName(primary))
        failed.append(QLatin1String(CheckNames::identical));
    return failed;
}

} // namespace Lexora
