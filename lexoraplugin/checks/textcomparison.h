#pragma once

#include <QString>
#include <QStringList>

namespace Lexora {

// Compares a translation with the primary language's text of the same ID. The
// scanners are hand-written single passes: a release check runs them over
// every translation of a project, and most texts hold no marker at all.
class TextComparison
{
public:
    // What the checks compare of one text. The primary text of an ID is
    // profiled once and compared with every language.
    struct Profile
    {
        QStringList placeMarkers;
        QStringList markupTags;
        QString leadingWhitespace;
        QString trailingWhitespace;
        int lineBreaks = 0;
        QChar endingMark;
        bool accelerator = false;
        // The two-character escapes (`\n`, `\t`, `C:\U`…) the text holds itself.
        QStringList escapes;
        // The word, lower case, of a text that is one translatable word
        // ("Zoom", "&Sat:", "String..."); empty for any other text.
        QString singleWord;
    };

    // What the checks know of a translation besides its text.
    struct Context
    {
        // The translation's language code: punctuation follows its conventions.
        QStringView language;
        // Forms 1, 2, … of a plural translation; the text is form 0. A form
        // for a single item may leave out %n when another form carries it.
        QStringList pluralForms;
    };

    // The context of a translation in `language`, which must outlive it.
    static Context contextFor(QStringView language);

    static Profile profile(QStringView text);
    static QStringList failedChecks(const Profile &primaryProfile,
                                    QStringView primary,
                                    QStringView translation,
                                    const Context &context);

    // The names of the failed checks (CheckNames), in a fixed order. Both
    // texts are expected to be non-empty; an empty translation is the caller's
    // "missing" finding.
    static QStringList failedChecks(QStringView primary, QStringView translation);

    // Qt place markers (`%1`…`%99`, `%L1`, `%n`, `%Ln`), sorted, each once.
    static QStringList placeMarkers(QStringView text);
    // True when an `&` stands before a letter, a digit or a sign; `&&` is a
    // literal ampersand, and neither `&amp;`-style entities of rich text nor
    // an `&` next to an ideograph (CJK texts write `(&F)`) are accelerators.
    static bool hasAccelerator(QStringView text);
    // True when the translation's place markers stand for the primary's: each
    // marker kept (a translation may localize `%1` as `%L1`, not the other way
    // round), none invented. A `%` before a number the primary text shows as
    // a percentage is the translation's way of writing percent (`%100`).
    static bool markersMatch(const Profile &primaryProfile,
                             QStringView primary,
                             const QStringList &translationMarkers);
    // Backslash sequences in `translation` that `primaryProfile` does not
    // hold: a `\n` typed literally, or `\"` left from a source file's quoting.
    static bool hasStrayEscape(const Profile &primaryProfile, QStringView translation);
    // True when an identical text is what every language writes: no letters,
    // acronyms, key names, names in intercaps, numbers with units, URLs.
    static bool isLanguageNeutral(QStringView text);
    // The words of `text` a language may translate: not acronyms, key names,
    // names in intercaps, numbers or units.
    static QStringList translatableWords(QStringView text);
    static QStringView leadingWhitespace(QStringView text);
    static QStringView trailingWhitespace(QStringView text);
    static int lineBreakCount(QStringView text);
    // The sentence mark a text ends with, after trailing whitespace and markup
    // tags: one of . : ? ! … or a null character. Full-width forms count as
    // their ASCII mark and three dots as an ellipsis.
    static QChar endingMark(QStringView text);
    // The markup tags, lower case, with attribute names but not their values
    // (a link may point to a translated page), sorted. Only elements Qt's rich
    // text knows are tags: `<unknown>` or `<id>` in a message is plain text.
    static QStringList markupTags(QStringView text);
    // True when the text holds a letter outside place markers and tags.
    static bool hasLetters(QStringView text);
    // The primary subtag of a language code: "zh" of "zh-TW".
    static QStringView primarySubtag(QStringView language);

    // Place markers, tags and entities are spelt in ASCII only.
    static bool isAsciiDigit(QChar character)
    {
        return character >= QLatin1Char('0') && character <= QLatin1Char('9');
    }
    static bool isAsciiLetter(QChar character)
    {
        const char16_t code = character.unicode();
        return (code >= u'a' && code <= u'z') || (code >= u'A' && code <= u'Z');
    }
};

} // namespace Lexora
