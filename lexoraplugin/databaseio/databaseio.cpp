#include "databaseio.h"

#include "exception.h"

#include <sqlite/sqlitedatabase.h>
#include <sqlite/sqliteexception.h>
#include <sqlite/sqlitetransaction.h>

#include <algorithm>
#include <iterator>
#include <map>

namespace Lexora {

using Host::Sqlite::BaseStatement;
using Host::Sqlite::DeferredTransaction;
using Host::Sqlite::ImmediateSessionTransaction;
using Host::Sqlite::ImmediateTransaction;

namespace {

// The key and value rows of one translatable or translation.
MetaDataEntries selectMetaData(Host::Sqlite::ReadStatement<2> &statement, std::int64_t ownerId)
{
    MetaDataEntries metaData;
    statement.readCallback(
        [&](const BaseStatement &row) {
            metaData.push_back({ row.fetchText(0), row.fetchValue(1) });
        },
        ownerId);
    return metaData;
}

std::int64_t countOf(Host::Sqlite::Database &database, std::string_view sql)
{
    Host::Sqlite::ReadStatement<1> statement(sql, database);
    return statement.optionalValue<std::int64_t>().value_or(0);
}

// The (ID, language, translation) triples as they are now, in a temporary
// table that the changes of a synchronisation are counted against.
void snapshotTranslations(Host::Sqlite::Database &database, const std::string &table)
{
    database.execute("CREATE TEMP TABLE " + table
                     + "(translationTextId TEXT NOT NULL, language TEXT NOT NULL, translation, "
                       "forms, PRIMARY KEY(translationTextId, language)) WITHOUT ROWID");
    // A changed plural form changes the translation.
    database.execute(
        "INSERT INTO temp." + table
        + " SELECT translationTextId, language, translation, (SELECT json_group_array(text) FROM "
          "(SELECT text FROM main.translationPluralForms WHERE translationId = translations.id "
          "ORDER BY form)) FROM main.translatables JOIN main.translations ON translatables.id = "
          "translations.translatableId");
}

void snapshotIds(Host::Sqlite::Database &database)
{
    database.execute("CREATE TEMP TABLE syncIdsBefore(translationTextId TEXT PRIMARY KEY) "
                     "WITHOUT ROWID");
    database.execute(
        "INSERT INTO temp.syncIdsBefore SELECT translationTextId FROM main.translatables");
}

void countChanges(Host::Sqlite::Database &database, SyncSummary &summary)
{
    snapshotTranslations(database, "syncTextsAfter");
    summary.idsAdded = countOf(database,
                               "SELECT count(*) FROM main.translatables WHERE translationTextId "
                               "NOT IN (SELECT translationTextId FROM temp.syncIdsBefore)");
    summary.idsRemoved = countOf(database,
                                 "SELECT count(*) FROM temp.syncIdsBefore WHERE translationTextId "
                                 "NOT IN (SELECT translationTextId FROM main.translatables)");
    summary.translationsAdded
        = countOf(database,
                  "SELECT count(*) FROM temp.syncTextsAfter AS a WHERE NOT EXISTS (SELECT 1 FROM "
                  "temp.syncTextsBefore AS b WHERE b.translationTextId = a.translationTextId AND "
                  "b.language = a.language)");
    summary.translationsRemoved
        = countOf(database,
                  "SELECT count(*) FROM temp.syncTextsBefore AS b WHERE NOT EXISTS (SELECT 1 FROM "
                  "temp.syncTextsAfter AS a WHERE a.translationTextId = b.translationTextId AND "
                  "a.language = b.language)");
    summary.translationsChanged
        = countOf(database,
                  "SELECT count(*) FROM temp.syncTextsAfter AS a JOIN temp.syncTextsBefore AS b "
                  "ON a.translationTextId = b.translationTextId AND a.language = b.language "
                  "WHERE a.translation IS NOT b.translation OR a.forms IS NOT b.forms");
    // An ID that was there before and after, with any translation added,
    // changed or removed.
    summary.idsChanged = countOf(
        database,
        "SELECT count(DISTINCT translationTextId) FROM (SELECT a.translationTextId FROM "
        "temp.syncTextsAfter AS a LEFT JOIN temp.syncTextsBefore AS b ON b.translationTextId = "
        "a.translationTextId AND b.language = a.language WHERE b.language IS NULL OR "
        "a.translation IS NOT b.translation OR a.forms IS NOT b.forms UNION ALL SELECT "
        "b.translationTextId FROM "
        "temp.syncTextsBefore AS b WHERE NOT EXISTS (SELECT 1 FROM temp.syncTextsAfter AS a "
        "WHERE a.translationTextId = b.translationTextId AND a.language = b.language)) WHERE "
        "translationTextId IN (SELECT translationTextId FROM temp.syncIdsBefore) AND "
        "translationTextId IN (SELECT translationTextId FROM main.translatables)");
    database.execute("DROP TABLE temp.syncTextsAfter");
    database.execute("DROP TABLE temp.syncTextsBefore");
    database.execute("DROP TABLE temp.syncIdsBefore");
}

// The rows a generation asks for, each id looked up once, through the primary
// key of translations, from a sorted list, so that neighbouring lookups touch
// neighbouring pages. The requests sorted the same way put each row where it
// was asked for, also when an id is asked for more than once; a negative id
// finds nothing.
class KeyRequests
{
public:
    explicit KeyRequests(std::span<const std::int64_t> ids)
    {
        m_requests.reserve(ids.size());
        for (std::size_t position = 0; position < ids.size(); ++position) {
            if (ids[position] >= 0)
                m_requests.emplace_back(ids[position], position);
        }
        std::sort(m_requests.begin(), m_requests.end());
        m_keys.reserve(m_requests.size());
        for (const auto &request : m_requests) {
            if (m_keys.empty() || m_keys.back() != request.first)
                m_keys.push_back(request.first);
        }
    }

    const std::vector<std::int64_t> &keys() const { return m_keys; }

    template<typename Function> void forEachPosition(std::int64_t key, Function function) const
    {
        auto request = std::lower_bound(
            m_requests.cbegin(), m_requests.cend(), std::pair<std::int64_t, std::size_t>(key, 0));
        for (; request != m_requests.cend() && request->first == key; ++request)
            function(request->second);
    }

private:
    std::vector<std::pair<std::int64_t, std::size_t>> m_requests;
    std::vector<std::int64_t> m_keys;
};

} // namespace

DatabaseIo::DatabaseIo(Host::Sqlite::Database &database)
    : m_database(database),
      m_selectAllTranslatables("SELECT translationTextId, id FROM translatables ORDER BY id",
                               database),
      m_insertTranslatableReturningId(
          "INSERT INTO translatables(id, translationTextId) VALUES(?1, ?2) RETURNING id", database),
      m_deleteTranslationMetaData("DELETE FROM translationMetaData WHERE translationId == ?",
                                  database),
      m_deleteTranslationMetaDataKey(
          "DELETE FROM translationMetaData WHERE translationId == ? AND key == ?", database),
      m_upsertTranslationMetaData(
          "INSERT INTO translationMetaData(translationId, key, value) VALUES (?001, ?002, ?003) ON "
          "CONFLICT(translationId, key) DO UPDATE SET value=excluded.value RETURNING rowid",
          database),
      m_selectTranslatable(
          "SELECT translationTextId, id FROM translatables WHERE translationTextId = ?", database),
      m_selectTranslationRow(
          "SELECT translationTextId, t1.translation, t2.translation, translatables.id FROM "
          "translatables LEFT JOIN translations  t1 ON translatables.id == t1.translatableId AND "
          "t1.language == ?2 LEFT JOIN translations t2 ON translatables.id == t2.translatableId "
          "AND "
          "t2.language == ?3 WHERE translationTextId = ?1",
          database),
      m_selectTranslations(
          "SELECT language, translation, id FROM translations WHERE translatableId == ?", database),
      m_upsertTranslation(
          "INSERT INTO translations(id, translatableId, language, translation) VALUES(?1, ?2, ?3, "
          "?4) ON CONFLICT(translatableId, language) DO UPDATE SET "
          "translation=excluded.translation RETURNING id",
          database),
      m_selectTranslatableId("SELECT id FROM translatables WHERE translationTextId == ?", database),
      m_selectTranslationMetaData(
          "SELECT key, value FROM translationMetaData WHERE translationId = ?", database),
      m_selectTranslationIdByTranslationTextId(
          "SELECT translations.id FROM translatables JOIN translations ON translatables.id == "
          "translatableId WHERE translatables.translationTextId = ? AND language = ?",
          database),
      m_selectTranslationId("SELECT id FROM translations WHERE translatableId = ? AND language = ?",
                            database),
      m_deleteTranslatableMetaData("DELETE FROM translatableMetaData WHERE translatableId == ?",
                                   database),
      m_deleteTranslatableMetaDataKey(
          "DELETE FROM translatableMetaData WHERE translatableId == ? AND key == ?", database),
      m_upsertTranslatableMetaData(
          "INSERT INTO translatableMetaData(translatableId, key, value) VALUES (?001, ?002, ?003) "
          "ON CONFLICT(translatableId, key) DO UPDATE SET value=excluded.value RETURNING rowid",
          database),
      m_selectTranslatableMetaData(
          "SELECT key, value FROM translatableMetaData WHERE translatableId = ?", database),
      m_deleteTranslatablesNotKept("DELETE FROM translatables WHERE id NOT IN carray(?)", database),
      m_deleteTranslatableMetaDataNotKept(
          "DELETE FROM translatableMetaData WHERE rowid NOT IN carray(?)", database),
      m_deleteTranslationMetaDataNotKept(
          "DELETE FROM translationMetaData WHERE rowid NOT IN carray(?)", database),
      m_deleteTranslationsNotKept("DELETE FROM translations WHERE id NOT IN carray(?)", database),
      m_insertTranslatable("INSERT INTO translatables(id, translationTextId) VALUES(?1, ?2)",
                           database),
      m_deleteTranslation("DELETE FROM translations WHERE translatableId == ? AND language == ?",
                          database),
      m_deleteTranslatable("DELETE FROM translatables WHERE id = ?", database),
      m_selectMaximumTranslatableId("SELECT max(id) FROM translatables", database),
      m_selectMaximumTranslationId("SELECT max(id) FROM translations", database),
      m_selectAllTranslationRows(
          "SELECT translationTextId, t1.translation, t2.translation, translatables.id FROM "
          "translatables LEFT JOIN translations  t1 ON translatables.id == t1.translatableId AND "
          "t1.language == ?1 LEFT JOIN translations t2 ON translatables.id == t2.translatableId "
          "AND "
          "t2.language == ?2 ORDER BY translationTextId",
          database),
      m_selectTranslation(
          "SELECT translation FROM translations WHERE translatableId == ?1 AND language == ?2",
          database),
      m_selectScreenMetaData(
          "SELECT componentPath, sceneId, state, dense_rank() OVER (ORDER BY parent) AS metaId, "
          "key, atom FROM screenMetaData, json_tree(screenMetaData.metaData) WHERE "
          "screenMetaData.translatableId = ?1 AND atom IS NOT NULL AND INSTR(path, '.') = 0",
          database),
      m_upsertScreenMetaData(
          "WITH jsonSelect As (SELECT json_extract(json.value, '$.translationId') AS "
          "translationTextId, json_extract(json.value, '$.componentPath') AS componentPath, "
          "ifnull(json_extract(json.value, '$.state'), '') AS state, json_extract(json.value, "
          "'$.sceneId') AS sceneId, json_extract(json.value, '$.metaData') AS metaData FROM "
          "json_each(?) AS json) INSERT INTO screenMetaData(translatableId,  componentPath, state, "
          "sceneId, metaData) SELECT id, componentPath, state, sceneId, jsonSelect.metaData FROM "
          "jsonSelect JOIN translatables USING (translationTextId) ON CONFLICT(translatableId, "
          "componentPath, state) DO UPDATE SET metaData=excluded.metaData, "
          "sceneId=excluded.sceneId",
          database),
      m_searchTranslations(
          "WITH search(rowid, rank) AS (SELECT rowid, rank FROM translationsFullText(?)) SELECT "
          "translationTextId, language, translation, translatables.id FROM search JOIN "
          "translations ON search.rowid=translations.rowid JOIN translatables ON "
          "translations.translatableId = translatables.id ORDER BY rank",
          database),
      m_selectTranslationIdAndText(
          "SELECT id, translation FROM translations WHERE translatableId = ? AND language = ?",
          database),
      m_selectTranslatableMetaDataValue(
          "SELECT rowid, value FROM translatableMetaData WHERE translatableId = ? AND key = ?",
          database),
      m_selectTranslationMetaDataValue(
          "SELECT rowid, value FROM translationMetaData WHERE translationId = ? AND key = ?",
          database),
      m_deleteScreenMetaData(
          "DELETE FROM screenMetaData WHERE componentPath IN (SELECT json_extract(json.value, "
          "'$.componentPath') FROM json_each(?) AS json)",
          database),
      m_selectTextElides(
          "SELECT ifnull(json_extract(metaDataEntry.value, '$.sourceLocation.line'), -1), "
          "ifnull(json_extract(metaDataEntry.value, '$.sourceLocation.column'), -1), "
          "json_extract(metaDataEntry.value, '$.Exceeds')  FROM screenMetaData JOIN "
          "json_each(metaData) AS metaDataEntry WHERE componentPath = ?1",
          database),
      m_selectLanguageTranslations(
          "SELECT wanted.value, translations.translation FROM carray(?1) AS wanted CROSS JOIN "
          "translations ON translations.translatableId == wanted.value AND "
          "translations.language == ?2",
          database),
      m_selectPluralForms(
          "SELECT text FROM translationPluralForms WHERE translationId = ? ORDER BY form",
          database),
      m_upsertPluralForm(
          "INSERT INTO translationPluralForms(translationId, form, text) VALUES(?1, ?2, ?3) ON "
          "CONFLICT(translationId, form) DO UPDATE SET text=excluded.text WHERE text IS NOT "
          "excluded.text",
          database),
      m_deletePluralFormsFrom(
          "DELETE FROM translationPluralForms WHERE translationId = ?1 AND form >= ?2", database),
      m_selectLanguagePluralForms(
          "SELECT translations.translatableId, forms.form, forms.text FROM carray(?1) AS wanted "
          "CROSS JOIN translations ON translations.translatableId == wanted.value AND "
          "translations.language == ?2 JOIN translationPluralForms AS forms ON "
          "forms.translationId == translations.id",
          database),
      m_selectTranslatableIdOfTranslation("SELECT translatableId FROM translations WHERE id = ?",
                                          database),
      m_selectDataVersion("PRAGMA data_version", database),
      // Rows a test wrote with other metadata than an array of objects say
      // nothing about findings, and json_each would fail on them.
      m_selectTestFindings(
          "SELECT translationTextId, max(ifnull(json_extract(entry.value, '$.Missing'), 0)), "
          "max(ifnull(json_extract(entry.value, '$.Exceeds'), 0)), group_concat(DISTINCT "
          "CASE WHEN ifnull(json_extract(entry.value, '$.Missing'), 0) OR "
          "ifnull(json_extract(entry.value, '$.Exceeds'), 0) THEN componentPath END) FROM "
          "screenMetaData JOIN translatables ON translatables.id = screenMetaData.translatableId "
          "JOIN json_each(CASE json_type(screenMetaData.metaData) WHEN 'array' THEN "
          "screenMetaData.metaData ELSE '[]' END) AS entry WHERE json_type(entry.value) = "
          "'object' GROUP BY translatables.id",
          database),
      m_selectIgnoredChecks(
          "SELECT translationTextId, value FROM translatableMetaData JOIN translatables ON "
          "translatables.id = translatableMetaData.translatableId WHERE key = 'lexora-ignore'",
          database),
      m_selectTranslatableCount("SELECT count(*) FROM translatables", database),
      m_selectTranslatedCounts("SELECT language, count(*) FROM translations WHERE translation "
                               "!= '' GROUP BY language ORDER BY language",
                               database),
      m_translationSearch(database)
{ }

DatabaseIo::~DatabaseIo() = default;

void DatabaseIo::syncTranslatables(const TranslatableEntries &entries)
{
    sync(entries, SyncMode::Commit, {}, nullptr);
}

SyncSummary DatabaseIo::synchronize(const TranslatableEntries &entries,
                                    SyncMode mode,
                                    const SyncProgress &progress)
{
    SyncSummary summary;
    sync(entries, mode, progress, &summary);
    return summary;
}

void DatabaseIo::sync(const TranslatableEntries &entries,
                      SyncMode mode,
                      const SyncProgress &progress,
                      SyncSummary *summary)
{
    {
        ImmediateTransaction transaction { m_database };
        // Counting needs the state before; the temporary tables live in the
        // connection's own temporary database and leave with the transaction.
        if (summary) {
            snapshotIds(m_database);
            snapshotTranslations(m_database, "syncTextsBefore");
        }

        std::int64_t translatableCounter
            = m_selectMaximumTranslatableId.optionalValue<std::int64_t>().value_or(0);
        std::int64_t translationCounter
            = m_selectMaximumTranslationId.optionalValue<std::int64_t>().value_or(0);

        std::vector<std::int64_t> keptTranslatableIds;
        std::vector<std::int64_t> keptTranslationIds;
        std::vector<std::int64_t> keptTranslatableMetaDataRowIds;
        std::vector<std::int64_t> keptTranslationMetaDataRowIds;
        keptTranslatableIds.reserve(entries.size());
        keptTranslationIds.reserve(entries.size() * 4);

        // Rows are read before they are written, so content that did not change
        // costs no write.
        auto keepMetaData = [](ReadStatement<2> &select,
                               ReadWriteStatement<1> &upsert,
                               std::int64_t ownerId,
                               const MetaDataEntry &metaData,
                               std::vector<std::int64_t> &kept) {
            std::optional<std::int64_t> rowId;
            select.readCallback(
                [&](const BaseStatement &statement) {
                    if (!rowId && statement.fetchValue(1) == metaData.value)
                        rowId = statement.fetchLongLongValue(0);
                },
                ownerId,
                metaData.key);
            if (!rowId)
                rowId = upsert.optionalValue<std::int64_t>(ownerId, metaData.key, metaData.value)
                            .value_or(0);
            kept.push_back(*rowId);
        };

        for (const TranslatableEntry &entry : entries) {
            const std::int64_t translatableId
                = storeTranslatable(entry.translationTextId, translatableCounter);
            keptTranslatableIds.push_back(translatableId);

            for (const TranslationEntry &translation : entry.translations) {
                const std::int64_t translationId
                    = storeTranslation(translatableId, translation, translationCounter);
                keptTranslationIds.push_back(translationId);

                for (const MetaDataEntry &metaData : translation.metaData)
                    keepMetaData(m_selectTranslationMetaDataValue,
                                 m_upsertTranslationMetaData,
                                 translationId,
                                 metaData,
                                 keptTranslationMetaDataRowIds);
            }

            for (const MetaDataEntry &metaData : entry.metaData)
                keepMetaData(m_selectTranslatableMetaDataValue,
                             m_upsertTranslatableMetaData,
                             translatableId,
                             metaData,
                             keptTranslatableMetaDataRowIds);
            if (progress)
                progress(keptTranslatableIds.size());
        }

        m_deleteTranslationMetaDataNotKept.execute(keptTranslationMetaDataRowIds);
        m_deleteTranslatableMetaDataNotKept.execute(keptTranslatableMetaDataRowIds);
        m_deleteTranslationsNotKept.execute(keptTranslationIds);
        m_deleteTranslatablesNotKept.execute(keptTranslatableIds);

        const std::int64_t reapplied = m_database.applyAndUpdateSessions();
        if (summary) {
            countChanges(m_database, *summary);
            summary->localEditsReapplied = reapplied;
        }

        // A dry run leaves the scope without a commit: the guard rolls back.
        if (mode == SyncMode::DryRun)
            return;
        transaction.commit();
    }
    m_database.walCheckpointFull();
}

void DatabaseIo::storeAsLocalEdits(const TranslatableEntries &entries)
{
    storeAsLocalEdits(entries, SyncMode::Commit);
}

SyncSummary DatabaseIo::storeAsLocalEdits(const TranslatableEntries &entries,
                                          SyncMode mode,
                                          const SyncProgress &progress)
{
    SyncSummary summary;
    {
        // One recorded transaction, so the whole import is one change set that a later
        // import and sync re-applies like an edit made in the table.
        ImmediateSessionTransaction transaction { m_database };
        snapshotIds(m_database);
        snapshotTranslations(m_database, "syncTextsBefore");

        std::int64_t translatableCounter
            = m_selectMaximumTranslatableId.optionalValue<std::int64_t>().value_or(0);
        std::int64_t translationCounter
            = m_selectMaximumTranslationId.optionalValue<std::int64_t>().value_or(0);
        std::size_t done = 0;
        for (const TranslatableEntry &entry : entries) {
            const std::int64_t translatableId
                = storeTranslatable(entry.translationTextId, translatableCounter);
            for (const TranslationEntry &translation : entry.translations)
                storeTranslation(translatableId, translation, translationCounter);
            if (progress)
                progress(++done);
        }
        countChanges(m_database, summary);

        if (mode == SyncMode::DryRun)
            return summary;
        transaction.commit();
    }
    m_database.walCheckpointFull();
    return summary;
}

TranslatableEntries DatabaseIo::fetchAllTranslatableEntries()
{
    TranslatableEntries entries;
    {
        DeferredTransaction transaction { m_database };
        entries.reserve(std::max<std::size_t>(10000, m_selectAllTranslatables.maximumRowCount()));
        m_selectAllTranslatables.readCallback([&](const BaseStatement &statement) {
            TranslatableEntry &entry = entries.emplace_back();
            entry.translationTextId = statement.fetchText(0);
            entry.id = statement.fetchLongLongValue(1);
        });
        completeEntries(entries);
        transaction.commit();
    }
    m_database.walCheckpointFull();
    return entries;
}

TranslatableEntries DatabaseIo::selectTranslatableEntries(const TranslationIds &translationIds)
{
    TranslatableEntries entries;
    entries.reserve(std::max<std::size_t>(32, translationIds.size()));
    for (const std::string &translationId : translationIds) {
        m_selectTranslatable.readCallback(
            [&](const BaseStatement &statement) {
                TranslatableEntry &entry = entries.emplace_back();
                entry.translationTextId = statement.fetchText(0);
                entry.id = statement.fetchLongLongValue(1);
            },
            translationId);
    }
    return entries;
}

TranslatableEntries DatabaseIo::fetchFullTranslatableEntries(const TranslationIds &translationIds)
{
    TranslatableEntries entries;
    {
        DeferredTransaction transaction { m_database };
        entries = selectTranslatableEntries(translationIds);
        std::sort(entries.begin(), entries.end(), [](const auto &first, const auto &second) {
            return first.id < second.id;
        });
        completeEntries(entries);
        transaction.commit();
    }
    m_database.walCheckpointFull();
    return entries;
}

TranslatableEntries DatabaseIo::fetchTranslatableEntries(const TranslationIds &translationIds)
{
    DeferredTransaction transaction { m_database };
    TranslatableEntries entries = selectTranslatableEntries(translationIds);
    for (TranslatableEntry &entry : entries)
        entry.metaData = selectMetaData(m_selectTranslatableMetaData, entry.id);
    transaction.commit();
    return entries;
}

TranslationRows DatabaseIo::fetchTranslationRows(const TranslationIds &translationIds,
                                                 std::string_view primaryLanguage,
                                                 std::string_view currentLanguage)
{
    // std::string compares its bytes as unsigned characters, as SQLite's BINARY
    // collation does, and a common prefix sorts the shorter string first.
    TranslationIds sortedIds = translationIds;
    std::sort(sortedIds.begin(), sortedIds.end());

    DeferredTransaction transaction { m_database };
    TranslationRows rows;
    rows.reserve(32);
    for (const std::string &translationId : sortedIds) {
        m_selectTranslationRow.readCallback(
            [&](const BaseStatement &statement) {
                auto toQString = [&](int column) {
                    auto text = statement.fetchTextView(column);
                    return QString::fromUtf8(text.data(), qsizetype(text.size()));
                };
                TranslationRow &row = rows.emplace_back();
                row.translationId = toQString(0);
                row.primaryTranslation = toQString(1);
                row.currentTranslation = toQString(2);
                row.translatableId = statement.fetchLongLongValue(3);
            },
            translationId,
            primaryLanguage,
            currentLanguage);
    }
    for (TranslationRow &row : rows)
        row.metaData = selectMetaData(m_selectTranslatableMetaData, row.translatableId);
    transaction.commit();
    return rows;
}

std::int64_t DatabaseIo::addTranslatable(std::string_view translationId)
{
    try {
        ImmediateSessionTransaction transaction { m_database };
        std::int64_t id
            = m_selectMaximumTranslatableId.optionalValue<std::int64_t>().value_or(0) + 1;
        m_insertTranslatable.execute(id, translationId);
        transaction.commit();
        return id;
    } catch (const Host::Sqlite::ConstraintViolation &) {
        // The transaction guard has rolled back by now.
        throw CannotAddTranslatableEntry(
            "lexoraplugin/databaseio 165: Cannot add a translation entry to the database");
    }
}

void DatabaseIo::setTranslatableMetaData(std::int64_t translatableId,
                                         std::string_view key,
                                         const DatabaseValue &value)
{
    ImmediateSessionTransaction transaction { m_database };
    m_upsertTranslatableMetaData.optionalValue<std::int64_t>(translatableId, key, value);
    transaction.commit();
}

void DatabaseIo::removeTranslatableMetaData(std::int64_t translatableId, std::string_view key)
{
    ImmediateSessionTransaction transaction { m_database };
    m_deleteTranslatableMetaDataKey.execute(translatableId, key);
    transaction.commit();
}

std::int64_t DatabaseIo::updateTranslation(std::int64_t translatableId,
                                           std::string_view language,
                                           std::string_view translation)
{
    ImmediateSessionTransaction transaction { m_database };
    std::int64_t candidateId
        = m_selectMaximumTranslationId.optionalValue<std::int64_t>().value_or(0) + 1;
    std::int64_t id
        = m_upsertTranslation
              .optionalValue<std::int64_t>(candidateId, translatableId, language, translation)
              .value_or(0);
    transaction.commit();
    return id;
}

void DatabaseIo::removeTranslation(std::int64_t translatableId, std::string_view language)
{
    ImmediateSessionTransaction transaction { m_database };
    m_deleteTranslation.execute(translatableId, language);
    transaction.commit();
}

void DatabaseIo::removeTranslatable(std::int64_t translatableId)
{
    ImmediateSessionTransaction transaction { m_database };
    m_deleteTranslatable.execute(translatableId);
    transaction.commit();
}

std::int64_t DatabaseIo::translatableId(std::string_view translationId)
{
    DeferredTransaction transaction { m_database };
    auto id = m_selectTranslatableId.optionalValue<std::int64_t>(translationId);
    transaction.commit();
    return id.value_or(-1);
}

std::optional<std::string> DatabaseIo::fetchTranslation(std::int64_t translatableId,
                                                        std::string_view language)
{
    DeferredTransaction transaction { m_database };
    auto translation = m_selectTranslation.optionalValue<std::string>(translatableId, language);
    transaction.commit();
    return translation;
}

SearchRows DatabaseIo::searchTranslations(std::string_view query)
{
    DeferredTransaction transaction { m_database };
    SearchRows rows;
    rows.reserve(128);
    m_searchTranslations.readCallback(
        [&](const BaseStatement &statement) {
            rows.push_back({ statement.fetchText(0),
                             statement.fetchText(1),
                             statement.fetchText(2),
                             statement.fetchLongLongValue(3) });
        },
        query);
    transaction.commit();
    return rows;
}

std::optional<SearchRows> DatabaseIo::findTranslations(std::string_view text, std::size_t limit)
{
    DeferredTransaction transaction { m_database };
    std::optional<SearchRows> rows = m_translationSearch.find(text, limit);
    transaction.commit();
    return rows;
}

void DatabaseIo::storeScreenMetaData(std::string_view json)
{
    ImmediateSessionTransaction transaction { m_database };
    m_deleteScreenMetaData.execute(json);
    m_upsertScreenMetaData.execute(json);
    transaction.commit();
}

TextElides DatabaseIo::fetchTextElides(std::string_view componentPath)
{
    DeferredTransaction transaction { m_database };
    TextElides elides;
    elides.reserve(std::max<std::size_t>(32, m_selectTextElides.maximumRowCount()));
    m_selectTextElides.readCallback(
        [&](const BaseStatement &statement) {
            elides.push_back({ statement.fetchIntValue(0),
                               statement.fetchIntValue(1),
                               statement.fetchLongLongValue(2) != 0 });
        },
        componentPath);
    transaction.commit();
    return elides;
}

std::int64_t DatabaseIo::dataVersion()
{
    DeferredTransaction transaction { m_database };
    const auto version = m_selectDataVersion.optionalValue<std::int64_t>();
    transaction.commit();
    return version.value_or(0);
}

TranslationFindingsList DatabaseIo::fetchTranslationFindings()
{
    DeferredTransaction transaction { m_database };
    std::map<std::string, TranslationFindings, std::less<>> byId;
    m_selectTestFindings.readCallback([&](const BaseStatement &statement) {
        const bool missing = statement.fetchLongLongValue(1) != 0;
        const bool exceeds = statement.fetchLongLongValue(2) != 0;
        if (!missing && !exceeds)
            return;
        std::string translationId = statement.fetchText(0);
        TranslationFindings &findings = byId[translationId];
        findings.translationTextId = std::move(translationId);
        findings.missing = missing;
        findings.exceeds = exceeds;
        findings.componentPaths = statement.fetchText(3);
    });
    m_selectIgnoredChecks.readCallback([&](const BaseStatement &statement) {
        std::string translationId = statement.fetchText(0);
        TranslationFindings &findings = byId[translationId];
        findings.translationTextId = std::move(translationId);
        findings.ignoredChecks = statement.fetchText(1);
    });
    transaction.commit();
    TranslationFindingsList list;
    list.reserve(byId.size());
    for (auto &entry : byId)
        list.push_back(std::move(entry.second));
    return list;
}

TranslationCoverage DatabaseIo::translationCoverage()
{
    DeferredTransaction transaction { m_database };
    TranslationCoverage coverage;
    coverage.ids = m_selectTranslatableCount.optionalValue<std::int64_t>().value_or(0);
    m_selectTranslatedCounts.readCallback([&](const Host::Sqlite::BaseStatement &statement) {
        coverage.translated.emplace_back(statement.fetchText(0), statement.fetchLongLongValue(1));
    });
    transaction.commit();
    return coverage;
}

std::vector<std::int64_t> DatabaseIo::translatableIds(const TranslationIds &translationIds)
{
    std::vector<std::int64_t> ids;
    if (translationIds.empty())
        return ids;
    ids.reserve(translationIds.size());
    DeferredTransaction transaction { m_database };
    for (const std::string &translationId : translationIds)
        ids.push_back(
            m_selectTranslatableId.optionalValue<std::int64_t>(translationId).value_or(-1));
    transaction.commit();
    return ids;
}

std::vector<std::optional<std::string>>
DatabaseIo::fetchTranslations(std::span<const std::int64_t> translatableIds,
                              std::string_view language)
{
    std::vector<std::optional<std::string>> translations(translatableIds.size());
    const KeyRequests requests(translatableIds);
    if (requests.keys().empty())
        return translations;
    DeferredTransaction transaction { m_database };
    m_selectLanguageTranslations.readCallback(
        [&](const BaseStatement &statement) {
            requests.forEachPosition(statement.fetchLongLongValue(0), [&](std::size_t position) {
                translations[position] = statement.fetchText(1);
            });
        },
        requests.keys(),
        language);
    transaction.commit();
    return translations;
}

std::vector<std::vector<std::string>>
DatabaseIo::fetchPluralForms(std::span<const std::int64_t> translatableIds,
                             std::string_view language)
{
    std::vector<std::vector<std::string>> forms(translatableIds.size());
    const KeyRequests requests(translatableIds);
    if (requests.keys().empty())
        return forms;
    DeferredTransaction transaction { m_database };
    m_selectLanguageTranslations.readCallback(
        [&](const BaseStatement &statement) {
            requests.forEachPosition(statement.fetchLongLongValue(0), [&](std::size_t position) {
                forms[position].assign(1, statement.fetchText(1));
            });
        },
        requests.keys(),
        language);
    m_selectLanguagePluralForms.readCallback(
        [&](const BaseStatement &statement) {
            // Forms land at their own number: one missing in the middle reads
            // as an empty text, never as the next form moved up.
            const auto form = std::size_t(statement.fetchLongLongValue(1));
            requests.forEachPosition(statement.fetchLongLongValue(0), [&](std::size_t position) {
                std::vector<std::string> &texts = forms[position];
                if (texts.size() <= form)
                    texts.resize(form + 1);
                texts[form] = statement.fetchText(2);
            });
        },
        requests.keys(),
        language);
    transaction.commit();
    return forms;
}

std::int64_t DatabaseIo::updatePluralForms(std::int64_t translatableId,
                                           std::string_view language,
                                           const std::vector<std::string> &forms)
{
    ImmediateSessionTransaction transaction { m_database };
    std::int64_t candidateId
        = m_selectMaximumTranslationId.optionalValue<std::int64_t>().value_or(0) + 1;
    const std::string_view first = forms.empty() ? std::string_view() : std::string_view(forms[0]);
    std::int64_t id = m_upsertTranslation
                          .optionalValue<std::int64_t>(candidateId, translatableId, language, first)
                          .value_or(0);
    storePluralForms(id,
                     forms.empty() ? std::span<const std::string>()
                                   : std::span<const std::string>(forms).subspan(1));
    transaction.commit();
    return id;
}

void DatabaseIo::storePluralForms(std::int64_t translationId,
                                  std::span<const std::string> furtherForms)
{
    for (std::size_t index = 0; index < furtherForms.size(); ++index)
        m_upsertPluralForm.execute(translationId, std::int64_t(index + 1), furtherForms[index]);
    m_deletePluralFormsFrom.execute(translationId, std::int64_t(furtherForms.size() + 1));
}

ScreenMetaDataEntries DatabaseIo::selectScreenMetaData(std::int64_t translatableId)
{
    // No reservation: most IDs have none, and an export holds the entries of
    // every ID at once.
    ScreenMetaDataEntries entries;
    m_selectScreenMetaData.readCallback(
        [&](const BaseStatement &statement) {
            auto componentPath = statement.fetchTextView(0);
            auto state = statement.fetchTextView(2);
            int metaId = statement.fetchIntValue(3);
            MetaDataEntry metaData { statement.fetchText(4), statement.fetchValue(5) };
            if (!entries.empty()) {
                ScreenMetaDataEntry &last = entries.back();
                if (last.componentPath == componentPath && last.state == state
                    && last.metaId == metaId) {
                    last.metaData.push_back(std::move(metaData));
                    return;
                }
            }
            ScreenMetaDataEntry &entry = entries.emplace_back();
            entry.metaData.push_back(std::move(metaData));
            entry.componentPath = std::string(componentPath);
            entry.sceneId = statement.fetchText(1);
            entry.state = std::string(state);
            entry.metaId = metaId;
        },
        translatableId);
    return entries;
}

std::int64_t DatabaseIo::storeTranslatable(const std::string &translationTextId,
                                           std::int64_t &lastId)
{
    if (auto translatableId = m_selectTranslatableId.optionalValue<std::int64_t>(translationTextId))
        return *translatableId;
    return m_insertTranslatableReturningId.optionalValue<std::int64_t>(++lastId, translationTextId)
        .value_or(0);
}

std::int64_t DatabaseIo::storeTranslation(std::int64_t translatableId,
                                          const TranslationEntry &translation,
                                          std::int64_t &lastId)
{
    // An unchanged text is not written, so it is no part of a recorded change.
    std::optional<std::int64_t> translationId;
    m_selectTranslationIdAndText.readCallback(
        [&](const BaseStatement &statement) {
            if (!translationId && statement.columnType(1) != Host::Sqlite::ValueType::Null
                && statement.fetchTextView(1) == translation.translation)
                translationId = statement.fetchLongLongValue(0);
        },
        translatableId,
        translation.language);
    if (!translationId) {
        translationId
            = m_upsertTranslation
                  .optionalValue<std::int64_t>(
                      ++lastId, translatableId, translation.language, translation.translation)
                  .value_or(0);
    }
    storePluralForms(*translationId, translation.pluralForms);
    return *translationId;
}

void DatabaseIo::completeEntries(TranslatableEntries &entries)
{
    // Each ID's translations are gathered first and then moved into a vector
    // of exactly their size: growing it one by one would leave room for eight
    // in a project of five languages, and an export holds every ID at once.
    TranslationEntries gathered;
    for (TranslatableEntry &entry : entries) {
        gathered.clear();
        m_selectTranslations.readCallback(
            [&](const BaseStatement &statement) {
                TranslationEntry &translation = gathered.emplace_back();
                translation.language = statement.fetchText(0);
                translation.translation = statement.fetchText(1);
                translation.id = statement.fetchLongLongValue(2);
            },
            entry.id);
        entry.translations.reserve(gathered.size());
        std::move(gathered.begin(), gathered.end(), std::back_inserter(entry.translations));
        for (TranslationEntry &translation : entry.translations) {
            translation.metaData = selectMetaData(m_selectTranslationMetaData, translation.id);
            m_selectPluralForms.readCallback(
                [&](const BaseStatement &statement) {
                    translation.pluralForms.push_back(statement.fetchText(0));
                },
                translation.id);
        }
    }

    for (TranslatableEntry &entry : entries)
        entry.metaData = selectMetaData(m_selectTranslatableMetaData, entry.id);

    for (TranslatableEntry &entry : entries)
        entry.screenMetaData = selectScreenMetaData(entry.id);

    setChangeStates(entries);
}

void DatabaseIo::setChangeStates(TranslatableEntries &entries)
{
    using Host::Sqlite::Operation;
    using Host::Sqlite::ValueType;

    std::vector<std::int64_t> addedIds;
    std::vector<std::int64_t> changedIds;
    addedIds.reserve(128);
    changedIds.reserve(1024);

    auto integerKey = [](const DatabaseValue &value) {
        if (value.type() != ValueType::Integer)
            throw Host::Sqlite::Exception(
                "Change tracking: a recorded change holds a key that is not an integer");
        return value.toInteger();
    };

    for (const auto &changeSet : m_database.changeSets()) {
        for (const auto &change : changeSet) {
            if (change.table == "translatables") {
                if (change.operation == Operation::Insert) {
                    addedIds.push_back(integerKey(change.newValue(0)));
                } else if (change.operation == Operation::Update) {
                    const DatabaseValue &translationTextId = change.oldValue(1);
                    if (translationTextId.type() != ValueType::Text)
                        throw Host::Sqlite::Exception("Change tracking: a recorded change holds a "
                                                      "translation ID that is not a text");
                    changedIds.push_back(
                        m_selectTranslatableId
                            .optionalValue<std::int64_t>(translationTextId.toText())
                            .value_or(0));
                }
            } else if (change.table == "translations") {
                changedIds.push_back(integerKey(change.value(1)));
            } else if (change.table == "translatableMetaData" || change.table == "screenMetaData") {
                changedIds.push_back(integerKey(change.value(0)));
            } else if (change.table == "translationPluralForms") {
                // The translation may be gone since; then so is its entry.
                if (auto translatableId
                    = m_selectTranslatableIdOfTranslation.optionalValue<std::int64_t>(
                        integerKey(change.value(0))))
                    changedIds.push_back(*translatableId);
            }
        }
    }

    std::sort(addedIds.begin(), addedIds.end());
    std::sort(changedIds.begin(), changedIds.end());

    // Entries and ids are both ascending, so one walk over each list does.
    auto markEntries = [&](const std::vector<std::int64_t> &ids, ChangeState state) {
        auto id = ids.begin();
        for (TranslatableEntry &entry : entries) {
            while (id != ids.end() && *id < entry.id)
                ++id;
            if (id == ids.end())
                break;
            if (*id == entry.id)
                entry.changeState = state;
        }
    };
    markEntries(changedIds, ChangeState::Changed);
    markEntries(addedIds, ChangeState::Added);
}

} // namespace Lexora
