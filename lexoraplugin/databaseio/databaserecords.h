#pragma once

#include <sqlite/sqlitevalue.h>

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

namespace Lexora {

// One SQLite value of a metadata column. Equality compares storage class and
// content; nulls and NaNs never compare equal.
using DatabaseValue = Host::Sqlite::Value;

struct MetaDataEntry
{
    std::string key;
    DatabaseValue value;

    friend bool operator==(const MetaDataEntry &, const MetaDataEntry &) = default;
};

using MetaDataEntries = std::vector<MetaDataEntry>;

struct TranslationEntry
{
    std::string language;
    // Form 0 of a plural translation; the only text of any other.
    std::string translation;
    MetaDataEntries metaData;
    std::int64_t id = 0;
    // Forms 1, 2, … of a plural translation, in the order of the language's
    // plural rules. Kept apart from `translation` so that everything written
    // before plural forms existed reads as a translation with one form.
    std::vector<std::string> pluralForms;
};

using TranslationEntries = std::vector<TranslationEntry>;

struct ScreenMetaDataEntry
{
    MetaDataEntries metaData;
    std::string componentPath;
    std::string sceneId;
    std::string state;
    int metaId = 0;
};

using ScreenMetaDataEntries = std::vector<ScreenMetaDataEntry>;

enum class ChangeState : unsigned char { Unchanged = 0, Added = 1, Changed = 2 };

struct TranslatableEntry
{
    std::string translationTextId;
    TranslationEntries translations;
    MetaDataEntries metaData;
    ScreenMetaDataEntries screenMetaData;
    std::int64_t id = 0;
    ChangeState changeState = ChangeState::Unchanged;
};

using TranslatableEntries = std::vector<TranslatableEntry>;

// A row of the translations table in the editor.
struct TranslationRow
{
    QString translationId;
    QString primaryTranslation;
    QString currentTranslation;
    MetaDataEntries metaData;
    std::int64_t translatableId = 0;
    // Filled by the table from the open document and the plural forms: the
    // ID's source text, whether it is used with a count and, if so, all forms
    // of its two texts, form 0 first.
    QString sourceText;
    bool plural = false;
    QStringList primaryForms;
    QStringList currentForms;
};

using TranslationRows = std::vector<TranslationRow>;

struct SearchRow
{
    std::string translationTextId;
    std::string language;
    std::string translation;
    std::int64_t translatableId = 0;
};

using SearchRows = std::vector<SearchRow>;

struct TextElide
{
    int line = -1;
    int column = -1;
    bool exceeds = false;
};

using TextElides = std::vector<TextElide>;

// What the translation tests stored for an ID, over all the files, states and
// languages they ran (the stored results do not say which language), and the
// checks the project silences for it.
struct TranslationFindings
{
    std::string translationTextId;
    bool missing = false;
    bool exceeds = false;
    // The tested files that showed a finding, separated by commas.
    std::string componentPaths;
    // The `lexora-ignore` metadata value; empty when none is set.
    std::string ignoredChecks;
};

using TranslationFindingsList = std::vector<TranslationFindings>;

// How far the database is translated: every ID, and per language the IDs
// with a translation that is not empty.
struct TranslationCoverage
{
    std::int64_t ids = 0;
    std::vector<std::pair<std::string, std::int64_t>> translated;
};

} // namespace Lexora
