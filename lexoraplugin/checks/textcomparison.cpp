#include "textcomparison.h"

#include "checkreport.h"

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
    return index - position;
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
        if (!first)
            result += QLatin1Char(' ');
        first = false;
        while (index < last && !tag[index].isSpace() && tag[index] != QLatin1Char('=')
               && tag[index] != QLatin1Char('/')) {
            result += tag[index].toLower();
            ++index;
        }
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
        if (!next.isLetter())
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
    if (text.isEmpty())
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
    case u'?':
    case u'\uFF1F':
    case u'\u061F': // Arabic question mark
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

TextComparison::Profile TextComparison::profile(QStringView text)
{
    return { placeMarkers(text),
             markupTags(text),
             leadingWhitespace(text).toString(),
             trailingWhitespace(text).toString(),
             lineBreakCount(text),
             endingMark(text),
             hasAccelerator(text) };
}

QStringList TextComparison::failedChecks(QStringView primary, QStringView translation)
{
    return failedChecks(profile(primary), primary, translation);
}

QStringList TextComparison::failedChecks(const Profile &primaryProfile,
                                         QStringView primary,
                                         QStringView translation)
{
    QStringList failed;
    if (primaryProfile.placeMarkers != placeMarkers(translation))
        failed.append(QLatin1String(CheckNames::placeholders));
    if (primaryProfile.accelerator != hasAccelerator(translation))
        failed.append(QLatin1String(CheckNames::accelerators));
    if (primaryProfile.leadingWhitespace != leadingWhitespace(translation)
        || primaryProfile.trailingWhitespace != trailingWhitespace(translation))
        failed.append(QLatin1String(CheckNames::whitespace));
    if (primaryProfile.lineBreaks != lineBreakCount(translation))
        failed.append(QLatin1String(CheckNames::lineBreaks));
    if (primaryProfile.endingMark != endingMark(translation))
        failed.append(QLatin1String(CheckNames::punctuation));
    if (primaryProfile.markupTags != markupTags(translation))
        failed.append(QLatin1String(CheckNames::markup));
    if (primary == translation && hasLetters(primary))
        failed.append(QLatin1String(CheckNames::identical));
    return failed;
}

} // namespace Lexora
