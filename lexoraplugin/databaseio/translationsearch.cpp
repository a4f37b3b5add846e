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

TranslationSearch::TranslationSearch(Host::Sqlite::Database &database)
    : m_selectIdRows("SELECT ifnull(translations.rowid, 0), translationTextId, "
                     "ifnull(translations.language, ''), ifnull(translations.translation, ''), "
                     "translatables.id FROM translatables LEFT JOIN translations ON "
                     "translations.translatableId = translatables.id WHERE translationTextId "
                     "LIKE ?1 ESCAPE '\\' ORDER BY translationTextId <> ?2, translationTextId, "
                     "translations.language",
                     database),
      m_selectWordRows("WITH search(rowid, rank) AS (SELECT rowid, rank FROM "
                       "translationsFullText(?)) SELECT "
                           + std::string(rowColumns)
                           + " FROM search JOIN translations ON search.rowid=translations.rowid "
                             "JOIN translatables ON translations.translatableId = "
                             "translatables.id ORDER BY rank",
                       database),
      m_selectWordRowIds("SELECT rowid FROM translationsFullText(?)", database),
      m_selectSubstringRowIds("SELECT rowid FROM translationsSubstrings(?)", database),
      m_selectShortSubstringRowIds("SELECT DISTINCT doc FROM temp.translationsSubstringTerms "
                                   "WHERE term >= ?1 AND term < ?2",
                                   database),
      m_selectRows("SELECT " + std::string(rowColumns)
                       + " FROM carray(?1) AS wanted JOIN translations ON translations.rowid = "
                         "wanted.value JOIN translatables ON translations.translatableId = "
                         "translatables.id ORDER BY length(translations.translation), "
                         "translationTextId, translations.language",
                   database)
{ }

std::optional<SearchRows> TranslationSearch::find(std::string_view text)
{
    const TranslationSearchQuery query(text);
    Found found;
    if (!query.idPart().empty())
        appendIdRows(query.idPart(), found);

    if (query.searchesSubstrings()) {
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
            Found words;
            appendWordRows(*reading, words);
            for (std::size_t index = 0; index < words.rows.size(); ++index) {
                const std::int64_t rowId = words.rowIds[index];
                if (std::find(found.rowIds.begin(), found.rowIds.end(), rowId)
                    == found.rowIds.end()) {
                    found.rowIds.push_back(rowId);
                    found.rows.push_back(std::move(words.rows[index]));
                }
            }
            if (!query.substringTerm().empty())
                appendRowsOf(substringMatches(query.substringTerm()), found);
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
    m_selectIdRows.readCallback(
        [&](const BaseStatement &row) { appendRow(row, found); }, likePattern(idPart), idPart);
}

void TranslationSearch::appendWordRows(const std::string &query, Found &found)
{
    m_selectWordRows.readCallback([&](const BaseStatement &row) { appendRow(row, found); }, query);
}

std::vector<std::int64_t> TranslationSearch::substringMatches(const std::string &substring)
{
    const QString text = QString::fromStdString(substring);
    std::vector<std::int64_t> rowIds;
    if (text.toUcs4().size() >= 3) {
        rowIds = m_selectSubstringRowIds.values<std::int64_t>(
            256, TranslationSearchQuery::quoted(substring));
    } else {
        // Too short for a trigram of its own: every occurrence starts one of
        // the indexed trigrams (the index appends two characters to each
        // translation for that), and the trigram index folds case.
        const std::string start = text.toLower().toStdString();
        rowIds = m_selectShortSubstringRowIds.values<std::int64_t>(
            256, start, start + "\xf4\x8f\xbf\xbf");
    }
    std::sort(rowIds.begin(), rowIds.end());
    return rowIds;
}

void TranslationSearch::appendSubstringRows(const TranslationSearchQuery &query, Found &found)
{
    std::vector<std::int64_t> rowIds = substringMatches(query.substrings().front());
    for (std::size_t index = 1; index < query.substrings().size() && !rowIds.empty(); ++index)
        rowIds = intersection(rowIds, substringMatches(query.substrings()[index]));
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
    if (fresh.empty())
        return;
    m_selectRows.readCallback([&](const BaseStatement &row) { appendRow(row, found); },
                              std::span<const std::int64_t>(fresh));
}

} // namespace Lexora
