#pragma once

#include "databaserecords.h"

#include <sqlite/sqlitereadstatement.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Host::Sqlite {
class Database;
}

namespace Lexora {

class TranslationSearchQuery;

// Finds what a user typed into a search field (TranslationSearchQuery): the
// translations of the IDs that contain the text, then the translations that
// match it, words through the full-text index, substrings of unspaced scripts
// through the trigram index. Each translation is listed once.
class TranslationSearch
{
public:
    explicit TranslationSearch(Host::Sqlite::Database &database);

    // No value when the text cannot mean anything. The caller holds a read
    // transaction.
    std::optional<SearchRows> find(std::string_view text);

private:
    struct Found
    {
        SearchRows rows;
        std::vector<std::int64_t> rowIds;
    };

    void appendIdRows(const std::string &idPart, Found &found);
    void appendWordRows(const std::string &query, Found &found);
    void appendSubstringRows(const TranslationSearchQuery &query, Found &found);
    std::vector<std::int64_t> substringMatches(const std::string &substring);
    // Appends the rows of `rowIds` (sorted) that `found` does not hold yet.
    void appendRowsOf(std::vector<std::int64_t> rowIds, Found &found);
    void appendRow(const Host::Sqlite::BaseStatement &statement, Found &found);

    Host::Sqlite::ReadStatement<5> m_selectIdRows;
    Host::Sqlite::ReadStatement<5> m_selectWordRows;
    Host::Sqlite::ReadStatement<1> m_selectWordRowIds;
    Host::Sqlite::ReadStatement<1> m_selectSubstringRowIds;
    Host::Sqlite::ReadStatement<1> m_selectShortSubstringRowIds;
    Host::Sqlite::ReadStatement<5> m_selectRows;
};

} // namespace Lexora
