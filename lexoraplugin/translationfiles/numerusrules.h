#pragma once

#include <QLocale>
#include <QStringList>

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

struct CatalogMessage;

// How many forms a plural message has in the language: the number of its rule
// row's forms, one where no row applies.
int numerusFormCount(const QString &languageCode);

// The `count` texts a plural message is written with. A form that is missing or
// empty repeats the form before it: a translator who gave one form, or fewer
// than the language asks for, still has each count answered with a text
// instead of the raw ID or nothing. Forms past `count` are left out.
QStringList numerusTranslations(const CatalogMessage &message, int count);

} // namespace Lexora
