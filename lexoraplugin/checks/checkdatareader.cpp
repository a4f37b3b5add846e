#include "checkdatareader.h"

#include "checkreport.h"

#include <sqlite/sqlitedatabase.h>
#include <sqlite/sqlitetransaction.h>

#include <algorithm>

namespace Lexora {

using Host::Sqlite::BaseStatement;
using Host::Sqlite::DeferredTransaction;

CheckDataReader::CheckDataReader(Host::Sqlite::Database &database)
    : m_database(database),
      m_selectTranslatables("SELECT id, translationTextId FROM translatables", database),
      m_selectTranslations("SELECT language, translatableId, translation FROM translations",
                           database),
      m_selectPluralForms(
          "SELECT translations.translatableId, forms.text FROM translations JOIN "
          "translationPluralForms AS forms ON forms.translationId = translations.id "
          "WHERE translations.language = ?1 ORDER BY forms.translationId, forms.form",
          database),
      // The full-text index finds the word's few rows; the language column
      // narrows them exactly (the index splits "pt-BR" into two words).
      m_selectWordUse("SELECT 1 FROM translationsFullText JOIN translations AS translation ON "
                      "translation.rowid = translationsFullText.rowid LEFT JOIN translations AS "
                      "primaryText ON primaryText.translatableId = translation.translatableId AND "
                      "primaryText.language = ?3 WHERE translationsFullText MATCH ?1 AND "
                      "translation.language = ?2 AND translation.translation IS NOT "
                      "primaryText.translation LIMIT 1",
                      database),
      m_selectIgnoreRules("SELECT translatableId, value FROM translatableMetaData WHERE key = ?1",
                          database),
      // The metadata array holds one object per tested element; any of them
      // elided is enough.
      m_selectElidedTexts(
          "SELECT DISTINCT translatableId, componentPath, state FROM screenMetaData, "
          "json_each(screenMetaData.metaData) AS entry WHERE json_type(screenMetaData.metaData) "
          "= 'array' AND json_extract(entry.value, '$.Exceeds') ORDER BY componentPath, state, "
          "translatableId",
          database)
{ }

std::vector<CheckDataReader::Translatable> CheckDataReader::translatables()
{
    DeferredTransaction transaction { m_database };
    std::vector<Translatable> result;
    result.reserve(m_selectTranslatables.maximumRowCount());
    m_selectTranslatables.readCallback([&](const BaseStatement &statement) {
        result.push_back({ statement.fetchLongLongValue(0), statement.fetchText(1) });
    });
    transaction.commit();
    return result;
}

void CheckDataReader::readTranslations(const std::vector<std::string> &languages,
                                       const LanguageTranslationCallback &callback)
{
    DeferredTransaction transaction { m_database };
    m_selectTranslations.readCallback([&](const BaseStatement &statement) {
        const std::string_view language = statement.fetchTextView(0);
        const auto found = std::find(languages.begin(), languages.end(), language);
        if (found != languages.end())
            callback(std::size_t(found - languages.begin()),
                     statement.fetchLongLongValue(1),
                     statement.fetchTextView(2));
    });
    transaction.commit();
}

void CheckDataReader::readPluralForms(std::string_view language,
                                      const TranslationCallback &callback)
{
    DeferredTransaction transaction { m_database };
    m_selectPluralForms.readCallback(
        [&](const BaseStatement &statement) {
            callback(statement.fetchLongLongValue(0), statement.fetchTextView(1));
        },
        language);
    transaction.commit();
}

bool CheckDataReader::translatorsUseWord(std::string_view language,
                                         std::string_view primaryLanguage,
                                         std::string_view word)
{
    // An FTS5 string: the word in double quotes, its own quotes doubled.
    std::string term = "translation : \"";
    for (const char character : word) {
        term += character;
        if (character == '"')
            term += '"';
    }
    term += '"';
    DeferredTransaction transaction { m_database };
    auto used = [&](const std::string &query) {
        return m_selectWordUse.optionalValue<std::int64_t>(query, language, primaryLanguage)
            .has_value();
    };
    // The word itself first: FTS5 reads a term's rows lazily and stops at the
    // first that qualifies, but merges every row of every longer word before
    // it can answer a prefix query, which in a large project holds a common
    // word's hundreds of thousands of rows.
    // A prefix query then: languages inflect and compound
    // ("Printereigenschappen"); a short word would match too many others
    // ("to", "Total").
    const bool result = used(term) || (word.size() >= 4 && used(term + " *"));
    transaction.commit();
    return result;
}

std::vector<CheckDataReader::IgnoreRule> CheckDataReader::ignoreRules()
{
    DeferredTransaction transaction { m_database };
    std::vector<IgnoreRule> result;
    m_selectIgnoreRules.readCallback(
        [&](const BaseStatement &statement) {
            result.push_back({ statement.fetchLongLongValue(0), statement.fetchText(1) });
        },
        ignoreMetaDataKey);
    transaction.commit();
    return result;
}

std::vector<CheckDataReader::ElidedText> CheckDataReader::elidedTexts()
{
    DeferredTransaction transaction { m_database };
    std::vector<ElidedText> result;
    m_selectElidedTexts.readCallback([&](const BaseStatement &statement) {
        result.push_back(
            { statement.fetchLongLongValue(0), statement.fetchText(1), statement.fetchText(2) });
    });
    transaction.commit();
    return result;
}

} // namespace Lexora
