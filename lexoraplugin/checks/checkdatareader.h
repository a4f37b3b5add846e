#pragma once

#include <sqlite/sqlitereadstatement.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Host::Sqlite {
class Database;
}

namespace Lexora {

// Reads what the checks need straight from the translation database, in bulk:
// one statement per table or per language rather than one per ID, so checking
// a large project costs about as much as reading its rows once.
class CheckDataReader
{
public:
    struct Translatable
    {
        std::int64_t id = 0;
        std::string translationId;
    };

    struct IgnoreRule
    {
        std::int64_t translatableId = 0;
        std::string checks;
    };

    struct ElidedText
    {
        std::int64_t translatableId = 0;
        std::string componentPath;
        std::string state;
    };

    using TranslationCallback
        = std::function<void(std::int64_t translatableId, std::string_view translation)>;

    explicit CheckDataReader(Host::Sqlite::Database &database);

    // Each call runs in a read transaction of its own and raises the SQLite
    // wrapper's exceptions.
    std::vector<Translatable> translatables();
    using LanguageTranslationCallback = std::function<void(
        std::size_t language, std::int64_t translatableId, std::string_view translation)>;
    // Calls `callback` for every stored translation of the given languages,
    // with the language's index in `languages`, in one pass over the table
    // (the table has no index by language, so each language read on its own
    // would be a pass of its own); a null translation arrives as an empty text.
    void readTranslations(const std::vector<std::string> &languages,
                          const LanguageTranslationCallback &callback);
    // Calls `callback` for forms 1, 2, … of every plural translation of
    // `language`, in form order per ID.
    void readPluralForms(std::string_view language, const TranslationCallback &callback);
    // True when a translation of `language` whose text differs from the
    // primary language's uses `word`, also as the start of a longer word:
    // the language's translators write it as their own word, as French
    // writes "Version" and Dutch "Printer" ("Printereigenschappen").
    bool translatorsUseWord(std::string_view language,
                            std::string_view primaryLanguage,
                            std::string_view word);
    std::vector<IgnoreRule> ignoreRules();
    std::vector<ElidedText> elidedTexts();

private:
    Host::Sqlite::Database &m_database;
    Host::Sqlite::ReadStatement<2> m_selectTranslatables;
    Host::Sqlite::ReadStatement<3> m_selectTranslations;
    Host::Sqlite::ReadStatement<2> m_selectPluralForms;
    Host::Sqlite::ReadStatement<1> m_selectWordUse;
    Host::Sqlite::ReadStatement<2> m_selectIgnoreRules;
    Host::Sqlite::ReadStatement<3> m_selectElidedTexts;
};

} // namespace Lexora
