#pragma once

#include <QLocale>

#include <span>

namespace Lexora {

// One row of the plural-rule table: the Qt translator's rule code, the names of
// the plural forms in the order the rules select them, the languages (with an
// optional territory per language) and the equivalent gettext rule text.
struct NumerusTableEntry
{
    std::span<const uchar> rules;
    std::span<const char *const> forms;
    std::span<const QLocale::Language> languages;
    // Empty: every language of the row stands for AnyTerritory. Otherwise one
    // territory per language, at the same position.
    std::span<const QLocale::Territory> territories;
    const char *gettextRules;
};

std::span<const NumerusTableEntry> numerusTable();

// The row for language and territory: first searched with the territory, then
// with AnyTerritory. Null when no row applies.
const NumerusTableEntry *findNumerusRules(QLocale::Language language, QLocale::Territory territory);

} // namespace Lexora
