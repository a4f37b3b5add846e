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
//
// A short text can match a large part of a big database, and the panel would
// only list rows nobody reads, so a search stops at a given number of rows:
// the ID rows in ID order, then the best ranked word matches, then the
// substring matches that come first in the table, shortest text first.
class TranslationSearch
{
public:
    explicit TranslationSearch(Host::Sqlite::Database &database);

    // At most `limit` rows; no value when the text cannot mean anything. The
    // caller holds a read transaction.
    std::optional<SearchRows> find(std::string_view text, std::size_t limit);

private:
    struct Found
    {
        SearchRows rows;
        std::vector<std::int64_t> rowIds;
        std::size_t limit = 0;

        std::size_t room() const { return limit - rows.size(); }
    };

    void appendIdRows(const std::string &idPart, Found &found);
    void appendWordRows(const std::string &query, std::size_t limit, Found &found);
    void appendSubstringRows(const TranslationSearchQuery &query, Found &found);
    // The statements of one substring index (named as its table).
    struct SubstringIndex
    {
        SubstringIndex(Host::Sqlite::Database &database, const std::string &name);

        Host::Sqlite::ReadStatement<1> matches;
        Host::Sqlite::ReadStatement<1> shortMatches;
    };
    static constexpr std::size_t noLimit = std::size_t(-1);

    // The rows of `index` holding `substring`, sorted; no value when the
    // index holds more than `limit` of them (of their occurrences, for a
    // substring shorter than a trigram).
    static std::optional<std::vector<std::int64_t>>
    substringMatches(SubstringIndex &index, const std::string &substring, std::size_t limit);
    std::vector<std::int64_t> translationSubstringMatches(const std::string &substring);
    // Appends the first rows of `rowIds` (sorted) that `found` does not hold
    // yet, as many as it has room for.
    void appendRowsOf(std::vector<std::int64_t> rowIds, Found &found);
    void appendRow(const Host::Sqlite::BaseStatement &statement, Found &found);

    Host::Sqlite::ReadStatement<5> m_selectExactIdRows;
    Host::Sqlite::ReadStatement<5> m_selectIdRows;
    Host::Sqlite::ReadStatement<5> m_selectIdRowsOf;
    Host::Sqlite::ReadStatement<5> m_selectWordRows;
    Host::Sqlite::ReadStatement<1> m_selectWordRowIds;
    SubstringIndex m_translationSubstrings;
    SubstringIndex m_idSubstrings;
    Host::Sqlite::ReadStatement<5> m_selectRows;
};

} // namespace Lexora
