#include "translationsearch.h"

#include "translationsearchquery.h"

#include <sqlite/sqliteexception.h>

#include <QString>

#include <algorithm>
#include <iterator>

#include <sqlite3.h>

namespace Lexora {

namespace {

using Host::Sqlite::BaseStatement;

// The columns every search statement returns, in this order.
constexpr std::string_view rowColumns = "translations.rowid, translationTextId, "
                                        "translations.language, translations.translation, "
                                        "translatables.id";

// An ID without translations is listed too, with an empty language.
constexpr std::string_view idRowColumns
    = "SELECT ifnull(translations.rowid, 0), translationTextId, ifnull(translations.language, ''), "
      "ifnull(translations.translation, ''), translatables.id FROM translatables LEFT JOIN "
      "translations ON translations.translatableId = translatables.id ";

std::string likePattern(const std::string &text)
{
    std::string pattern = "%";
    for (char character : text) {
        if (character == '%' || character == '_' || character == '\\')
            pattern += '\\';
        pattern += character;
    }
    pattern += '%';
    return pattern;
}

bool isQueryError(const Host::Sqlite::Exception &exception)
{
    // SQLite reports a query FTS5 cannot parse (and a column filter naming no
    // column) as a plain SQL error; anything else is a real failure.
    return (exception.errorCode() & 0xff) == SQLITE_ERROR;
}

std::vector<std::int64_t> intersection(const std::vector<std::int64_t> &first,
                                       const std::vector<std::int64_t> &second)
{
    std::vector<std::int64_t> result;
    std::set_intersection(
        first.begin(), first.end(), second.begin(), second.end(), std::back_inserter(result));
    return result;
}

} // namespace

TranslationSearch::SubstringIndex::SubstringIndex(Host::Sqlite::Database &database,
                                                  const std::string &name)
    : matches("SELECT rowid FROM " + name + "(?1) LIMIT ?2", database),
      // One row per occurrence; the few duplicates are cheaper to drop in a
      // sorted vector than in a temporary B-tree.
      shortMatches("SELECT doc FROM temp." + name + "Terms WHERE term >= ?1 AND term < ?2 LIMIT ?3",
                   database)
{ }

TranslationSearch::TranslationSearch(Host::Sqlite::Database &database)
    : m_selectExactIdRows(std::string(idRowColumns)
                              + "WHERE translationTextId = ?1 ORDER BY translations.language "
                                "LIMIT ?2",
                          database),
      // In the order of the ID index, so that the scan stops at the limit.
      m_selectIdRows(std::string(idRowColumns)
                         + "WHERE translationTextId LIKE ?1 ESCAPE '\\' AND translationTextId <> "
                           "?2 ORDER BY translationTextId, translations.language LIMIT ?3",
                     database),
      // The index folds the case of every letter, LIKE of ASCII letters only.
      m_selectIdRowsOf(std::string(idRowColumns)
                           + "WHERE translatables.rowid IN carray(?1) AND translationTextId LIKE "
                             "?2 ESCAPE '\\' AND translationTextId <> ?3 ORDER BY "
                             "translationTextId, translations.language LIMIT ?4",
                       database),
      m_selectWordRows("WITH search(rowid, rank) AS (SELECT rowid, rank FROM "
                       "translationsFullText(?1) ORDER BY rank LIMIT ?2) SELECT "
                           + std::string(rowColumns)
                           + " FROM search JOIN translations ON search.rowid=translations.rowid "
                             "JOIN translatables ON translations.translatableId = "
                             "translatables.id ORDER BY rank",
                       database),
      m_selectWordRowIds("SELECT rowid FROM translationsFullText(?)", database),
      m_translationSubstrings(database, "translationsSubstrings"),
      m_idSubstrings(database, "translationIdSubstrings"),
      m_selectRows("SELECT " + std::string(rowColumns)
                       + " FROM carray(?1) AS wanted JOIN translations ON translations.rowid = "
                         "wanted.value JOIN translatables ON translations.translatableId = "
                         "translatables.id ORDER BY length(translations.translation), "
                         "translationTextId, translations.language",
                   database)
{ }

std::optional<SearchRows> TranslationSearch::find(std::string_view text, std::size_t limit)
{
    const TranslationSearchQuery query(text);
    Found found;
    found.limit = limit;
    if (!query.idPart().empty())
        appendIdRows(query.idPart(), found);

    if (query.searchesSubstrings()) {
        if (found.room() > 0)
            appendSubstringRows(query, found);
        return std::move(found.rows);
    }

    // The text as typed, then with the terms FTS5 cannot read quoted, then
    // every term quoted: the first reading FTS5 accepts is the search.
    for (const std::string *reading :
         { &query.text(), &query.quotedTerms(), &query.quotedText() }) {
        if (reading != &query.text() && !query.isMeaningful())
            break;
        if (reading->empty())
            continue;
        try {
            // Enough for the room left even where they repeat ID rows.
            Found words;
            appendWordRows(*reading, found.limit, words);
            for (std::size_t index = 0; index < words.rows.size() && found.room() > 0; ++index) {
                const std::int64_t rowId = words.rowIds[index];
                if (std::find(found.rowIds.begin(), found.rowIds.end(), rowId)
                    == found.rowIds.end()) {
                    found.rowIds.push_back(rowId);
                    found.rows.push_back(std::move(words.rows[index]));
                }
            }
            if (!query.substringTerm().empty() && found.room() > 0)
                appendRowsOf(translationSubstringMatches(query.substringTerm()), found);
            return std::move(found.rows);
        } catch (const Host::Sqlite::Exception &exception) {
            if (!isQueryError(exception))
                throw;
        }
    }
    return std::nullopt;
}

void TranslationSearch::appendRow(const BaseStatement &statement, Found &found)
{
    found.rowIds.push_back(statement.fetchLongLongValue(0));
    found.rows.push_back({ statement.fetchText(1),
                           statement.fetchText(2),
                           statement.fetchText(3),
                           statement.fetchLongLongValue(4) });
}

void TranslationSearch::appendIdRows(const std::string &idPart, Found &found)
{
    const auto append = [&](const BaseStatement &row) {
        appendRow(row, found);
    };
    m_selectExactIdRows.readCallback(append, idPart, std::int64_t(found.room()));
    if (found.room() == 0)
        return;
    // The index answers at once where few IDs hold the text; where many do,
    // the scan in ID order reaches the limit sooner than sorting them all.
    constexpr std::size_t manyIds = 2000;
    const std::optional<std::vector<std::int64_t>> candidates
        = substringMatches(m_idSubstrings, idPart, manyIds);
    if (!candidates) {
        m_selectIdRows.readCallback(
            append, likePattern(idPart), idPart, std::int64_t(found.room()));
    } else if (!candidates->empty()) {
        m_selectIdRowsOf.readCallback(append,
                                      std::span<const std::int64_t>(*candidates),
                                      likePattern(idPart),
                                      idPart,
                                      std::int64_t(found.room()));
    }
}

void TranslationSearch::appendWordRows(const std::string &query, std::size_t limit, Found &found)
{
    m_selectWordRows.readCallback(
        [&](const BaseStatement &row) { appendRow(row, found); }, query, std::int64_t(limit));
}

std::optional<std::vector<std::int64_t>> TranslationSearch::substringMatches(
    SubstringIndex &index, const std::string &substring, std::size_t limit)
{
    const QString text = QString::fromStdString(substring);
    // One more than the limit tells that there are more.
    const std::int64_t rowLimit = limit == noLimit ? -1 : std::int64_t(limit) + 1;
    std::vector<std::int64_t> rowIds;
    if (text.toUcs4().size() >= 3) {
        rowIds = index.matches.values<std::int64_t>(
            256, TranslationSearchQuery::quoted(substring), rowLimit);
    } else {
        // Too short for a trigram of its own: every occurrence starts one of
        // the indexed trigrams (the index appends two characters to each
        // text for that), and the trigram index folds case.
        const std::string start = text.toLower().toStdString();
        rowIds = index.shortMatches.values<std::int64_t>(
            256, start, start + "\xf4\x8f\xbf\xbf", rowLimit);
    }
    if (limit != noLimit && rowIds.size() > limit)
        return std::nullopt;
    std::sort(rowIds.begin(), rowIds.end());
    rowIds.erase(std::unique(rowIds.begin(), rowIds.end()), rowIds.end());
    return rowIds;
}

std::vector<std::int64_t>
TranslationSearch::translationSubstringMatches(const std::string &substring)
{
    return *substringMatches(m_translationSubstrings, substring, noLimit);
}

void TranslationSearch::appendSubstringRows(const TranslationSearchQuery &query, Found &found)
{
    std::vector<std::int64_t> rowIds = translationSubstringMatches(query.substrings().front());
    for (std::size_t index = 1; index < query.substrings().size() && !rowIds.empty(); ++index)
        rowIds = intersection(rowIds, translationSubstringMatches(query.substrings()[index]));
    if (!query.wordQuery().empty() && !rowIds.empty()) {
        std::vector<std::int64_t> words
            = m_selectWordRowIds.values<std::int64_t>(256, query.wordQuery());
        std::sort(words.begin(), words.end());
        rowIds = intersection(rowIds, words);
    }
    appendRowsOf(std::move(rowIds), found);
}

void TranslationSearch::appendRowsOf(std::vector<std::int64_t> rowIds, Found &found)
{
    std::vector<std::int64_t> sortedFound = found.rowIds;
    std::sort(sortedFound.begin(), sortedFound.end());
    std::vector<std::int64_t> fresh;
    std::set_difference(rowIds.begin(),
                        rowIds.end(),
                        sortedFound.begin(),
                        sortedFound.end(),
                        std::back_inserter(fresh));
    if (fresh.size() > found.room())
        fresh.resize(found.room());
    if (fresh.empty())
        return;
    m_selectRows.readCallback([&](const BaseStatement &row) { appendRow(row, found); },
                              std::span<const std::int64_t>(fresh));
}

} // namespace Lexora
