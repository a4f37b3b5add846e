#pragma once

#include <QString>
#include <QStringList>

#include <string_view>

namespace Lexora {

// Pseudo locales: made-up languages whose texts are generated from the primary
// language's, so that a designer sees before any translator has delivered which
// texts will not fit. A pseudo text keeps its words readable, puts accents on
// its letters (so that clipped accents and missing glyphs show), grows by a
// share of its length (translations are longer than English) and is bracketed
// (so that a cut end shows). The mirrored locale also runs right to left.
class PseudoLocale
{
public:
    // The codes of the pseudo locales, accented first, then mirrored.
    static QStringList codes();
    static bool isPseudoLocale(std::string_view code);
    static bool isMirrored(std::string_view code);

    // The share by which long texts grow, in percent, when nothing else is chosen.
    static constexpr int defaultExpansion = 40;

    // The pseudo text of `text`. Placeholders (%1, %L2, %n), markup (<b>,
    // &amp;) and the character after an accelerator's '&' are kept as they are,
    // so that the text still works where the original does.
    // How many characters a text of `length` visible characters gains: the
    // share for long texts, up to five times as much for short ones.
    static qsizetype growth(qsizetype length, int expansionPercent);
    static QString transform(const QString &text, int expansionPercent, bool mirrored = false);

    // The file name ("qml_C.qm") under which Qt's preview finds the .qm file
    // of `code`: the preview's translation service takes the locale through
    // QLocale, which knows no pseudo locale and falls back to another name.
    static QString previewFileName(const QString &code);
};

} // namespace Lexora
