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
    };

    static Profile profile(QStringView text);
    static QStringList
    failedChecks(const Profile &primaryProfile, QStringView primary, QStringView translation);

    // The names of the failed checks (CheckNames), in a fixed order. Both
    // texts are expected to be non-empty; an empty translation is the caller's
    // "missing" finding.
    static QStringList failedChecks(QStringView primary, QStringView translation);

    // Qt place markers (`%1`…`%99`, `%L1`, `%n`, `%Ln`), sorted, each once.
    static QStringList placeMarkers(QStringView text);
    // True when an `&` stands before a letter; `&&` is a literal ampersand and
    // `&amp;`-style entities of rich text are no accelerators.
    static bool hasAccelerator(QStringView text);
    static QStringView leadingWhitespace(QStringView text);
    static QStringView trailingWhitespace(QStringView text);
    static int lineBreakCount(QStringView text);
    // The sentence mark a text ends with, after trailing whitespace and markup
    // tags: one of . : ? ! … or a null character. Full-width forms count as
    // their ASCII mark and three dots as an ellipsis.
    static QChar endingMark(QStringView text);
    // The markup tags, lower case, with attribute names but not their values
    // (a link may point to a translated page), sorted.
    static QStringList markupTags(QStringView text);
    // True when the text holds a letter outside place markers and tags.
    static bool hasLetters(QStringView text);
};

} // namespace Lexora
