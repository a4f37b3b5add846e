#include "sentenceending.h"

#include "richtexttags.h"
#include "textcomparison.h"

#include <QRegularExpression>

namespace Lexora {

namespace {

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

qsizetype linkCount(QStringView text)
{
    return text.count(QLatin1String("<a "), Qt::CaseInsensitive)
        + text.count(QLatin1String("<a>"), Qt::CaseInsensitive);
}

} // namespace

QChar SentenceEnding::mark(QStringView text)
{
    for (;;) {
        text = text.first(text.size() - TextComparison::trailingWhitespace(text).size());
        if (!text.endsWith(QLatin1Char('>')))
            break;
        const qsizetype open = text.lastIndexOf(QLatin1Char('<'));
        if (open < 0 || RichTextTags::tagLength(text, open) != text.size() - open)
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

bool SentenceEnding::agree(QChar primaryMark,
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
    const QStringView subtag = TextComparison::primarySubtag(language);
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

} // namespace Lexora
