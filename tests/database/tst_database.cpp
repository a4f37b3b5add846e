#include <databaseio/projectdatabase.h>
#include <databaseio/schemainitializer.h>
#include <exception.h>

#include <sqlite/sqliteexception.h>
#include <sqlite/sqlitereadstatement.h>
#include <sqlite/sqlitetransaction.h>
#include <sqlite/sqlitewritestatement.h>

#include <sqlite3.h>

#include <peerrequirement.h>
#include <testfiles.h>

#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <memory>

using namespace Lexora;

namespace {

MetaDataEntries metaData(std::initializer_list<std::pair<const char *, DatabaseValue>> pairs)
{
    MetaDataEntries entries;
    for (const auto &[key, value] : pairs)
        entries.push_back({ key, value });
    return entries;
}

TranslationEntry translation(const char *language, const char *text, MetaDataEntries metaData = {})
{
    TranslationEntry entry;
    entry.language = language;
    entry.translation = text;
    entry.metaData = std::move(metaData);
    return entry;
}

TranslatableEntry translatable(const char *translationId,
                               TranslationEntries translations,
                               MetaDataEntries metaData = {})
{
    TranslatableEntry entry;
    entry.translationTextId = translationId;
    entry.translations = std::move(translations);
    entry.metaData = std::move(metaData);
    return entry;
}

const TranslatableEntry *findEntry(const TranslatableEntries &entries, std::string_view id)
{
    for (const auto &entry : entries) {
        if (entry.translationTextId == id)
            return &entry;
    }
    return nullptr;
}

std::string textOf(const TranslatableEntry &entry, std::string_view language)
{
    for (const auto &translation : entry.translations) {
        if (translation.language == language)
            return translation.translation;
    }
    return "<none>";
}

// "id:state" for each entry, the state as its enumerator's number.
QStringList statesOf(const TranslatableEntries &entries)
{
    QStringList states;
    for (const TranslatableEntry &entry : entries)
        states << QString::fromStdString(entry.translationTextId) + ':'
                + QString::number(int(entry.changeState));
    states.sort();
    return states;
}

QString state(const char *id, ChangeState state)
{
    return QString::fromLatin1(id) + ':' + QString::number(int(state));
}

using Summary = std::array<std::int64_t, 7>;

Summary asArray(const SyncSummary &summary)
{
    return { summary.idsAdded,           summary.idsChanged,          summary.idsRemoved,
             summary.translationsAdded,  summary.translationsChanged, summary.translationsRemoved,
             summary.localEditsReapplied };
}

// Every ID with its translations, in a form two states compare by.
QStringList contentsOf(DatabaseIoInterface &io)
{
    QStringList lines;
    for (const TranslatableEntry &entry : io.fetchAllTranslatableEntries()) {
        for (const TranslationEntry &translation : entry.translations)
            lines << QString::fromStdString(entry.translationTextId + '/' + translation.language
                                            + '=' + translation.translation);
        if (entry.translations.empty())
            lines << QString::fromStdString(entry.translationTextId);
    }
    lines.sort();
    return lines;
}

} // namespace

Q_DECLARE_METATYPE(Lexora::TranslatableEntries)

class tst_Database : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newFileGetsTheSchema_data();
    void newFileGetsTheSchema();
    void statementsAreCreatedVerbatim_data();
    void statementsAreCreatedVerbatim();
    void secondOpenCreatesNothing();
    void checkConstraintsRejectEmptyKeys_data();
    void checkConstraintsRejectEmptyKeys();
    void badFilesRaiseTheWrapperException_data();
    void badFilesRaiseTheWrapperException();
    void opensBesideAWriter_data();
    void opensBesideAWriter();

    void addTranslatable();
    void upsertKeepsTheFirstId();
    void translationRowsAreSortedBytewise();
    void fetchTranslatableEntriesKeepsOrder();
    void fetchedEntriesHoldNoSpareRoom();
    void listLookups_data();
    void listLookups();
    void listLookupsRunInOneTransaction_data();
    void listLookupsRunInOneTransaction();
    void removingATranslatableCascades();

    void fullTextFollowsWrites();
    void fullTextSearch_data();
    void fullTextSearch();

    void screenMetaData();
    void malformedScreenMetaDataRollsBack();

    void syncTwiceEndsInTheSameState();
    void syncRemovesWhatTheFileLacks();
    void syncKeepsLocalEdits();
    void syncForgetsEditsOfRemovedTranslatables();
    void syncSummary_data();
    void syncSummary();
    void pluralForms();
    void syncKeepsPluralForms();
    void olderFileGainsNewTables_data();
    void olderFileGainsNewTables();
    void corruptChangeSetsRaiseTheFamily_data();
    void corruptChangeSetsRaiseTheFamily();
    void shellIntegrityCheck();

private:
    QString databasePath() const { return m_directory->filePath("translations.db"); }
    DatabaseIo &io() { return m_database->databaseIo(); }
    Host::Sqlite::Database &connection() { return m_database->database(); }
    int count(const std::string &table, const std::string &where = "1")
    {
        Host::Sqlite::ReadStatement<1> statement {
            "SELECT count(*) FROM " + table + " WHERE " + where, connection()
        };
        return statement.optionalValue<int>().value_or(-1);
    }
    // Closes the connection; reopens it unless `reopen` is false.
    QByteArray closedFileBytes(bool reopen = false)
    {
        m_database.reset();
        const QByteArray bytes = readFile(databasePath());
        if (reopen)
            open();
        return bytes;
    }
    void open(bool readOnly = false)
    {
        m_database = std::make_unique<ProjectDatabase>(
            databasePath(),
            readOnly ? Host::Sqlite::Database::OpenMode::ReadOnly
                     : Host::Sqlite::Database::OpenMode::ReadWrite);
    }
    // Adds the ID when missing.
    std::int64_t add(const char *id, const char *language, const char *text)
    {
        std::int64_t key = io().translatableId(id);
        if (key < 0)
            key = io().addTranslatable(id);
        io().updateTranslation(key, language, text);
        return key;
    }

    std::unique_ptr<QTemporaryDir> m_directory;
    std::unique_ptr<ProjectDatabase> m_database;
};

void tst_Database::init()
{
    m_directory = std::make_unique<QTemporaryDir>();
    QVERIFY(m_directory->isValid());
    open();
}

void tst_Database::cleanup()
{
    m_database.reset();
    m_directory.reset();
}

void tst_Database::newFileGetsTheSchema_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("columns");
    QTest::addColumn<QString>("foreignKeys");

    // name:type:notnull:pk per column; parent table, columns and delete action per foreign key.
    QTest::newRow("translatables") << "translatables"
                                   << "id:INTEGER:1:0 translationTextId:TEXT:1:1"
                                   << "";
    QTest::newRow("translations")
        << "translations"
        << "id:INTEGER:1:0 translatableId:INTEGER:1:1 language:TEXT:1:2 translation:TEXT:0:0"
        << "translatables:translatableId->id:CASCADE";
    QTest::newRow("translationMetaData")
        << "translationMetaData"
        << "translationId:INTEGER:1:1 key:TEXT:1:2 value:NUMERIC:0:0"
        << "translations:translationId->id:CASCADE";
    QTest::newRow("translatableMetaData")
        << "translatableMetaData"
        << "translatableId:INTEGER:1:1 key:TEXT:1:2 value:NUMERIC:0:0"
        << "translatables:translatableId->id:CASCADE";
    QTest::newRow("screenMetaData") << "screenMetaData"
                                    << "translatableId:INTEGER:1:1 componentPath:TEXT:1:2 "
                                       "state:TEXT:1:3 sceneId:TEXT:0:0 metaData:TEXT:0:0"
                                    << "translatables:translatableId->id:CASCADE";
    QTest::newRow("languages") << "languages"
                               << "code:TEXT:1:1 name:TEXT:0:0"
                               << "";
    QTest::newRow("translationPluralForms")
        << "translationPluralForms"
        << "translationId:INTEGER:1:1 form:INTEGER:1:2 text:TEXT:1:0"
        << "translations:translationId->id:CASCADE";
}

void tst_Database::newFileGetsTheSchema()
{
    QFETCH(QString, table);
    QFETCH(QString, columns);
    QFETCH(QString, foreignKeys);

    // The update action of every foreign key is NO ACTION.
    Host::Sqlite::ReadStatement<1> select {
        "SELECT (SELECT ifnull(group_concat(c, ' '), '') FROM (SELECT name || ':' || type || ':' "
        "|| \"notnull\" || ':' || pk AS c "
        "FROM pragma_table_info(?1) ORDER BY cid)) || '|' || (SELECT ifnull(group_concat(\"table\" "
        "|| ':' || \"from\" || '->' "
        "|| \"to\" || ':' || on_delete || replace(on_update, 'NO ACTION', ''), ' '), '') FROM "
        "pragma_foreign_key_list(?1))",
        connection()
    };
    QCOMPARE(QString::fromStdString(select.values<std::string>(1, table.toStdString()).at(0)),
             columns + '|' + foreignKeys);
}

void tst_Database::statementsAreCreatedVerbatim_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("sql");
    // A foreign key has its delete action only: no update action, not deferred.
    QTest::newRow("table with a foreign key")
        << "translations"
        << "CREATE TABLE translations(id INTEGER NOT NULL UNIQUE, translatableId INTEGER NOT NULL "
           "REFERENCES translatables(id) ON DELETE CASCADE, language TEXT NOT NULL CHECK "
           "(language != ''), translation TEXT, PRIMARY KEY(translatableId, language))";
    QTest::newRow("index")
        << "translationsFullText"
        << "CREATE VIRTUAL TABLE translationsFullText USING fts5(language, translation, "
           "content='translations', prefix='2 3 4 5', tokenize='unicode61 remove_diacritics 2')";
    QTest::newRow("insert")
        << "translationsFullText_insert"
        << "CREATE TRIGGER translationsFullText_insert AFTER INSERT ON translations BEGIN INSERT "
           "INTO translationsFullText(rowid, language, translation) VALUES (new.rowid, "
           "new.language, new.translation); END";
    QTest::newRow("delete")
        << "translationsFullText_delete"
        << "CREATE TRIGGER translationsFullText_delete AFTER DELETE ON translations BEGIN INSERT "
           "INTO translationsFullText(translationsFullText, rowid, language, translation) VALUES "
           "('delete', old.rowid, old.language, old.translation); END";
    QTest::newRow("update")
        << "translationsFullText_update"
        << "CREATE TRIGGER translationsFullText_update AFTER UPDATE ON translations BEGIN INSERT "
           "INTO translationsFullText(translationsFullText, rowid, language, translation) VALUES "
           "('delete', old.rowid, old.language, old.translation); INSERT INTO "
           "translationsFullText(rowid, language, translation) VALUES (new.rowid, "
           "new.language, new.translation); END";
}

void tst_Database::statementsAreCreatedVerbatim()
{
    QFETCH(QString, name);
    QFETCH(QString, sql);
    Host::Sqlite::ReadStatement<1> select { "SELECT sql FROM sqlite_schema WHERE name = ?",
                                            connection() };
    const std::vector<std::string> stored = select.values<std::string>(1, name.toStdString());
    QCOMPARE(stored.size(), 1u);
    QCOMPARE(QString::fromStdString(stored.front()), sql);
    // Nothing else maintains the index.
    QCOMPARE(count("sqlite_schema", "type = 'trigger' AND sql LIKE '%translationsFullText%'"), 3);
}

void tst_Database::secondOpenCreatesNothing()
{
    add("kept", "de", "bleibt");
    auto schemaOf = [](Host::Sqlite::Database &database) {
        Host::Sqlite::ReadStatement<1> select {
            "SELECT type || name || ifnull(sql, '') FROM sqlite_schema ORDER BY name", database
        };
        return select.values<std::string>(16);
    };
    const auto schemaBefore = schemaOf(connection());
    // Running the full-text or trigger statements again would fail: they have
    // no IF NOT EXISTS.
    closedFileBytes(true);
    QCOMPARE(schemaOf(connection()), schemaBefore);
    QCOMPARE(io().fetchTranslation(io().translatableId("kept"), "de").value_or(""), "bleibt");
}

void tst_Database::checkConstraintsRejectEmptyKeys_data()
{
    QTest::addColumn<QByteArray>("sql");
    QTest::newRow("empty translation ID")
        << QByteArray("INSERT INTO translatables(id, translationTextId) VALUES(2, '')");
    QTest::newRow("empty language")
        << QByteArray("INSERT INTO translations(id, translatableId, language) VALUES(1, 1, '')");
    QTest::newRow("empty translatable metadata key")
        << QByteArray("INSERT INTO translatableMetaData(translatableId, key) VALUES(1, '')");
    QTest::newRow("empty translation metadata key")
        << QByteArray("INSERT INTO translationMetaData(translationId, key) VALUES(1, '')");
    QTest::newRow("empty component path") << QByteArray(
        "INSERT INTO screenMetaData(translatableId, componentPath, state) VALUES(1, '', '')");
    QTest::newRow("second translation of a language")
        << QByteArray("INSERT INTO translations(id, translatableId, language) VALUES(2, 1, 'de')");
    QTest::newRow("translation of an unknown translatable")
        << QByteArray("INSERT INTO translations(id, translatableId, language) VALUES(3, 9, 'fr')");
}

void tst_Database::checkConstraintsRejectEmptyKeys()
{
    QFETCH(QByteArray, sql);
    add("one", "de", "eins");
    QVERIFY_THROWS_EXCEPTION(Host::Sqlite::ConstraintViolation,
                             connection().execute(sql.toStdString()));
}

void tst_Database::badFilesRaiseTheWrapperException_data()
{
    QTest::addColumn<QString>("damage"); // SQL run on the file, or one of the named cases
    QTest::addColumn<QString>("expectedText");

    QTest::newRow("not a database") << "garbage"
                                    << "file is not a database";
    QTest::newRow("table lacks a column")
        << "ALTER TABLE translatableMetaData DROP COLUMN value"
        << "not a translation database (the table translatableMetaData has no column value)";
    QTest::newRow("languages table lacks a column") << "ALTER TABLE languages DROP COLUMN name"
                                                    << "no such column: name";
    // A file without the schema cannot be set up read-only.
    QTest::newRow("empty file, read-only") << "empty file"
                                           << "";
    // An object in the way of the last statement of the schema step: the step
    // leaves no table behind.
    QTest::newRow("failed schema step") << "trigger in the way"
                                        << "already exists";
}

void tst_Database::badFilesRaiseTheWrapperException()
{
    QFETCH(QString, damage);
    QFETCH(QString, expectedText);

    const bool fresh = damage == u"empty file" || damage == u"trigger in the way";
    m_database.reset();
    if (fresh)
        QVERIFY(QFile::remove(databasePath()));
    if (damage == u"garbage") {
        QVERIFY(writeFile(databasePath(), QByteArray(8192, '\x42')));
    } else if (damage == u"trigger in the way") {
        Host::Sqlite::Database database { databasePath() };
        database.execute("CREATE TABLE other(a)");
        database.execute(
            "CREATE TRIGGER translationsFullText_update AFTER UPDATE ON other BEGIN SELECT 1; END");
    } else {
        Host::Sqlite::Database database { databasePath() };
        if (!fresh)
            database.execute(damage.toStdString());
    }
    try {
        if (damage == u"trigger in the way") {
            Host::Sqlite::Database database { databasePath() };
            SchemaInitializer initializer { database, false };
        } else {
            ProjectDatabase database { databasePath(),
                                       fresh ? Host::Sqlite::Database::OpenMode::ReadOnly
                                             : Host::Sqlite::Database::OpenMode::ReadWrite };
        }
        QFAIL("opening must raise");
    } catch (const Host::Sqlite::Exception &exception) {
        QVERIFY2(QString::fromUtf8(exception.what()).contains(expectedText), exception.what());
    }
    if (fresh) {
        Host::Sqlite::Database database { databasePath() };
        Host::Sqlite::ReadStatement<1> tables {
            "SELECT count(*) FROM sqlite_schema WHERE name IN ('translatables', 'translations', "
            "'translationMetaData', "
            "'translatableMetaData', 'screenMetaData', 'translationsFullText', "
            "'translationsFullText_insert', "
            "'translationsFullText_delete')",
            database
        };
        QCOMPARE(tables.optionalValue<int>().value(), 0);
    }
}

void tst_Database::opensBesideAWriter_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("read-write") << false;
    QTest::newRow("read-only") << true;
}

void tst_Database::opensBesideAWriter()
{
    QFETCH(bool, readOnly);
    add("committed", "de", "fertig");

    // In write-ahead-log mode readers need not wait for a writer; opening must
    // not take the write lock either (it would wait, then fail as busy).
    Host::Sqlite::ImmediateTransaction writing { connection() };
    connection().execute("DELETE FROM translations");
    ProjectDatabase reader(databasePath(),
                           readOnly ? Host::Sqlite::Database::OpenMode::ReadOnly
                                    : Host::Sqlite::Database::OpenMode::ReadWrite);
    DatabaseIo &readerIo = reader.databaseIo();
    QCOMPARE(readerIo.fetchTranslation(readerIo.translatableId("committed"), "de"),
             std::optional<std::string>("fertig"));
    QCOMPARE(readerIo.fetchAllTranslatableEntries().size(), 1u);
}

void tst_Database::addTranslatable()
{
    QCOMPARE(io().addTranslatable("first"), 1);
    connection().execute("INSERT INTO translatables(id, translationTextId) VALUES(41, 'high')");
    connection().execute("DELETE FROM translatables WHERE id = 1");
    QCOMPARE(io().addTranslatable("existing"), 42);
    QCOMPARE(io().translatableId("existing"), 42);

    // A duplicate or empty ID leaves the database unchanged.
    const int changeSetsBefore = count("recordedChangeSets");
    for (const char *translationId : { "existing", "" }) {
        try {
            io().addTranslatable(translationId);
            QFAIL("adding must fail");
        } catch (const CannotAddTranslatableEntry &exception) {
            QCOMPARE(QString::fromUtf8(exception.what()),
                     "lexoraplugin/databaseio 165: Cannot add a translation entry to the database");
        }
    }
    QCOMPARE(count("translatables"), 2);
    QCOMPARE(count("recordedChangeSets"), changeSetsBefore);
    // The lock and the transaction are free again.
    QCOMPARE(io().addTranslatable("another"), 43);
}

void tst_Database::upsertKeepsTheFirstId()
{
    std::int64_t translatableId = io().addTranslatable("greeting");
    std::int64_t otherId = io().addTranslatable("farewell");
    std::int64_t firstId = io().updateTranslation(translatableId, "de", "Hallo");
    QCOMPARE(io().updateTranslation(otherId, "de", "Tschüss"), firstId + 1);
    QCOMPARE(io().updateTranslation(translatableId, "de", "Servus"), firstId);
    QCOMPARE(count("translations"), 2);
    QCOMPARE(io().fetchTranslation(translatableId, "de").value_or(""), "Servus");
    // An empty text is a translation, an empty language is not.
    QVERIFY(io().updateTranslation(translatableId, "fr", "") > 0);
    QVERIFY_THROWS_EXCEPTION(Host::Sqlite::ConstraintViolation,
                             io().updateTranslation(translatableId, "", "x"));
}

void tst_Database::translationRowsAreSortedBytewise()
{
    for (const char *translationId : { "b", "a", "B", "ä", "ab" })
        add(translationId, "en", (std::string("en ") + translationId).c_str());
    io().updateTranslation(io().translatableId("ab"), "de", "de ab");
    io().setTranslatableMetaData(io().translatableId("a"), "maxLength", DatabaseValue { 12 });

    TranslationRows rows
        = io().fetchTranslationRows({ "ä", "unknown", "b", "ab", "a", "B" }, "en", "de");
    QStringList ids;
    for (const auto &row : rows)
        ids << row.translationId;
    QCOMPARE(ids, QStringList({ "B", "a", "ab", "b", "ä" }));
    QCOMPARE(rows[2].primaryTranslation, "en ab");
    QCOMPARE(rows[2].currentTranslation, "de ab");
    QCOMPARE(rows[3].currentTranslation, "");
    QCOMPARE(rows[4].primaryTranslation, QString::fromUtf8("en ä"));
    QCOMPARE(rows[1].metaData, metaData({ { "maxLength", 12 } }));
    QCOMPARE(rows[1].translatableId, io().translatableId("a"));
}

void tst_Database::fetchTranslatableEntriesKeepsOrder()
{
    for (const char *id : { "first", "second", "third" })
        io().addTranslatable(id);
    io().setTranslatableMetaData(2, "note", DatabaseValue { "text" });
    io().updateTranslation(2, "de", "zwei");

    TranslatableEntries entries = io().fetchTranslatableEntries({ "third", "missing", "second" });
    QCOMPARE(entries.size(), 2u);
    QCOMPARE(entries[0].translationTextId, "third");
    QCOMPARE(entries[1].translationTextId, "second");
    QCOMPARE(entries[1].metaData, metaData({ { "note", "text" } }));
    QVERIFY(entries[1].translations.empty());

    entries = io().fetchFullTranslatableEntries({ "third", "missing", "second" });
    QCOMPARE(entries.size(), 2u);
    QCOMPARE(entries[0].id, 2);
    QCOMPARE(entries[1].id, 3);
    QCOMPARE(textOf(entries[0], "de"), "zwei");
}

// An export holds the entries of every ID at once: spare room in each of
// them cost gigabytes for a few hundred thousand IDs.
void tst_Database::fetchedEntriesHoldNoSpareRoom()
{
    for (const char *id : { "one", "two" }) {
        for (const char *language : { "de", "en", "fr", "it", "ja" })
            add(id, language, "text");
    }
    for (const TranslatableEntry &entry : io().fetchAllTranslatableEntries()) {
        QCOMPARE(entry.translations.size(), 5u);
        QCOMPARE(entry.translations.capacity(), entry.translations.size());
        QCOMPARE(entry.screenMetaData.capacity(), 0u);
    }
}

void tst_Database::listLookups_data()
{
    // Stored rows as "ID language text"; requested IDs; the expected
    // translation of each request in `language`, "-" where there is none.
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("requested");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("expected");

    const QStringList stored { "beta de Beta",     "alpha de Alpha", "gamma fr Gamma",
                               "delta de <empty>", "ärger de Ärger", "zulu de Zulu" };
    QTest::newRow("request order, not database order")
        << stored << QStringList { "zulu", "alpha", "beta" } << "de"
        << QStringList { "Zulu", "Alpha", "Beta" };
    QTest::newRow("unknown IDs and missing languages")
        << stored << QStringList { "gamma", "unknown", "alpha", "" } << "de"
        << QStringList { "-", "-", "Alpha", "-" };
    QTest::newRow("another language")
        << stored << QStringList { "alpha", "gamma" } << "fr" << QStringList { "-", "Gamma" };
    QTest::newRow("stored empty text is a translation")
        << stored << QStringList { "delta" } << "de" << QStringList { "" };
    QTest::newRow("repeated IDs") << stored << QStringList { "beta", "alpha", "beta", "beta" }
                                  << "de" << QStringList { "Beta", "Alpha", "Beta", "Beta" };
    QTest::newRow("IDs beyond ASCII") << stored << QStringList { "ärger", "zulu", "alpha" } << "de"
                                      << QStringList { "Ärger", "Zulu", "Alpha" };
    QTest::newRow("nothing requested") << stored << QStringList {} << "de" << QStringList {};
    QTest::newRow("empty database")
        << QStringList {} << QStringList { "alpha" } << "de" << QStringList { "-" };
}

void tst_Database::listLookups()
{
    QFETCH(QStringList, stored);
    QFETCH(QStringList, requested);
    QFETCH(QString, language);
    QFETCH(QStringList, expected);

    QSet<QString> storedIds;
    for (const QString &row : std::as_const(stored)) {
        const QStringList parts = row.split(QLatin1Char(' '));
        storedIds.insert(parts.at(0));
        add(parts.at(0).toUtf8().constData(),
            parts.at(1).toUtf8().constData(),
            parts.at(2) == QLatin1String("<empty>") ? "" : parts.at(2).toUtf8().constData());
    }
    // A translatable whose translations were removed again leaves no trace.
    io().removeTranslation(io().addTranslatable("removed"), "de");

    TranslationIds translationIds;
    for (const QString &id : std::as_const(requested))
        translationIds.push_back(id.toStdString());
    const std::string code = language.toStdString();

    // The list operations answer exactly as the single lookups do, one by one.
    const std::vector<std::int64_t> ids = io().translatableIds(translationIds);
    QCOMPARE(ids.size(), translationIds.size());
    for (std::size_t index = 0; index < ids.size(); ++index) {
        QCOMPARE(ids[index], io().translatableId(translationIds[index]));
        if (!storedIds.contains(requested.at(qsizetype(index))))
            QCOMPARE(ids[index], -1);
    }
    const std::vector<std::optional<std::string>> translations = io().fetchTranslations(ids, code);
    QStringList texts;
    for (std::size_t index = 0; index < translations.size(); ++index) {
        QCOMPARE(translations[index],
                 ids[index] < 0 ? std::nullopt : io().fetchTranslation(ids[index], code));
        texts.append(translations[index] ? QString::fromStdString(*translations[index])
                                         : QStringLiteral("-"));
    }
    QCOMPARE(texts, expected);
}

void tst_Database::listLookupsRunInOneTransaction_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("expectedTransactions");
    QTest::newRow("empty list") << 0 << 0;
    QTest::newRow("one item") << 1 << 1;
    QTest::newRow("many items") << 300 << 1;
}

// One transaction per item costs a lock and a check of the file each time,
// which is what made generation slow; a list is one read transaction, whose
// statements use the primary key.
void tst_Database::listLookupsRunInOneTransaction()
{
    QFETCH(int, size);
    QFETCH(int, expectedTransactions);

    TranslatableEntries entries;
    TranslationIds translationIds;
    for (int index = 0; index < size; ++index) {
        translationIds.push_back("id." + std::to_string(index));
        // Every third one is left without a translation.
        entries.push_back(translatable(translationIds.back().c_str(),
                                       index % 3 ? TranslationEntries { translation("de", "Text") }
                                                 : TranslationEntries {}));
    }
    io().syncTranslatables(entries);

    QStringList statements;
    auto collect = [](unsigned, void *context, void *statement, void *) {
        static_cast<QStringList *>(context)->append(
            QString::fromUtf8(sqlite3_sql(static_cast<sqlite3_stmt *>(statement))));
        return 0;
    };
    const auto begins = [&statements] {
        return int(std::count_if(statements.cbegin(), statements.cend(), [](const QString &sql) {
            return sql.startsWith("BEGIN");
        }));
    };
    sqlite3_trace_v2(connection().handle(), SQLITE_TRACE_STMT, collect, &statements);
    const std::vector<std::int64_t> ids = io().translatableIds(translationIds);
    const int keyTransactions = begins();
    statements.clear();
    const std::vector<std::optional<std::string>> translations = io().fetchTranslations(ids, "de");
    sqlite3_trace_v2(connection().handle(), 0, nullptr, nullptr);

    QCOMPARE(keyTransactions, expectedTransactions);
    QCOMPARE(begins(), expectedTransactions);
    QCOMPARE(int(std::count(ids.begin(), ids.end(), -1)), 0);
    QCOMPARE(int(std::count(translations.begin(), translations.end(), std::nullopt)),
             (size + 2) / 3);

    // Each translation is found through the key of (translatableId, language),
    // never by scanning the table or sorting the rows.
    for (const QString &sql : std::as_const(statements)) {
        if (sql.startsWith(QLatin1String("BEGIN")) || sql.startsWith(QLatin1String("COMMIT")))
            continue;
        sqlite3_stmt *statement = nullptr;
        QCOMPARE(sqlite3_prepare_v2(connection().handle(),
                                    ("EXPLAIN QUERY PLAN " + sql).toUtf8().constData(),
                                    -1,
                                    &statement,
                                    nullptr),
                 SQLITE_OK);
        QString text = sql;
        while (sqlite3_step(statement) == SQLITE_ROW)
            text += '\n'
                + QString::fromUtf8(
                        reinterpret_cast<const char *>(sqlite3_column_text(statement, 3)));
        sqlite3_finalize(statement);
        QVERIFY2(text.contains(QLatin1String("SEARCH translations USING INDEX ")),
                 qPrintable(text));
        QVERIFY2(text.contains(QLatin1String(" (translatableId=? AND language=?)")),
                 qPrintable(text));
        QVERIFY2(!text.contains(QLatin1String("TEMP B-TREE")), qPrintable(text));
        QVERIFY2(!text.contains(QLatin1String("SCAN translations")), qPrintable(text));
    }
    QVERIFY(size == 0 || statements.size() > 2);
}

void tst_Database::removingATranslatableCascades()
{
    const std::int64_t id = io().addTranslatable("gone");
    const std::int64_t translationId = io().updateTranslation(id, "de", "weg");
    connection().execute("INSERT INTO translationMetaData(translationId, key, value) VALUES("
                         + std::to_string(translationId) + ", 'k', 1)");
    io().setTranslatableMetaData(id, "k", DatabaseValue { 1 });
    io().storeScreenMetaData(
        R"([{"translationId":"gone","componentPath":"Main.qml","metaData":[]}])");
    add("kept", "de", "bleibt");

    io().removeTranslatable(id);
    QCOMPARE(count("translations"), 1);
    QCOMPARE(count("translationMetaData"), 0);
    QCOMPARE(count("translatableMetaData"), 0);
    QCOMPARE(count("screenMetaData"), 0);
    QVERIFY(io().searchTranslations("weg").empty());
}

void tst_Database::fullTextFollowsWrites()
{
    const std::int64_t id = add("fruit", "de", "Apfel");
    QCOMPARE(io().searchTranslations("Apfel").size(), 1u);
    io().updateTranslation(id, "de", "Birne");
    QVERIFY(io().searchTranslations("Apfel").empty());
    QCOMPARE(io().searchTranslations("Birne").size(), 1u);
    io().removeTranslation(id, "de");
    QVERIFY(io().searchTranslations("Birne").empty());
    // With rank 1 the check compares the index with the content table.
    connection().execute("INSERT INTO translationsFullText(translationsFullText, rank) "
                         "VALUES('integrity-check', 1)");
}

void tst_Database::fullTextSearch_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("expected"); // "raises": the query is malformed

    QTest::newRow("diacritics ignored") << "cafe" << QStringList { "coffee/fr" };
    QTest::newRow("prefix of two") << "ca*" << QStringList { "coffee/fr" };
    QTest::newRow("prefix with diacritic") << "Strasse*" << QStringList {};
    QTest::newRow("e finds é") << "ecole*" << QStringList { "school/fr" };
    QTest::newRow("case ignored") << "HAUS" << QStringList { "house/de" };
    QTest::newRow("language code") << "language:de" << QStringList { "house/de", "street/de" };
    QTest::newRow("column filter") << "translation:de" << QStringList {};
    QTest::newRow("no match") << "xyz*" << QStringList {};
    QTest::newRow("unterminated string") << "\"unterminated" << QStringList { "raises" };
    QTest::newRow("operators only") << "AND OR" << QStringList { "raises" };
}

void tst_Database::fullTextSearch()
{
    QFETCH(QString, query);
    QFETCH(QStringList, expected);

    for (const auto &row : { std::array { "coffee", "fr", "Café" },
                             { "coffee", "en", "Coffee" },
                             { "school", "fr", "École" },
                             { "house", "de", "Haus" },
                             { "street", "de", "Straße" } })
        add(row[0], row[1], row[2]);
    QStringList found;
    try {
        for (const SearchRow &row : io().searchTranslations(query.toStdString())) {
            found << QString::fromStdString(row.translationTextId + "/" + row.language);
            QCOMPARE(row.translatableId, io().translatableId(row.translationTextId));
        }
    } catch (const Host::Sqlite::Exception &) {
        found << "raises";
    }
    found.sort();
    QCOMPARE(found, expected);
    // The connection is usable afterwards.
    QCOMPARE(io().searchTranslations("Haus").size(), 1u);
}

void tst_Database::screenMetaData()
{
    const std::int64_t id = io().addTranslatable("a");
    io().addTranslatable("b");
    io().storeScreenMetaData(R"([
        {"translationId":"a","componentPath":"Main.qml","state":"s1","sceneId":"x","metaData":[{"Exceeds":true}]},
        {"translationId":"b","componentPath":"Main.qml","metaData":[]},
        {"translationId":"b","componentPath":"Other.qml","state":"","metaData":[]},
        {"translationId":"unknown","componentPath":"Main.qml","metaData":[]}])");
    QCOMPARE(count("screenMetaData"), 3);
    QCOMPARE(count("screenMetaData", "state = '' AND componentPath = 'Main.qml'"), 1);

    // A new result for Main.qml replaces every earlier row of it, Other.qml stays.
    const char *second = R"([
        {"translationId":"b","componentPath":"Main.qml","state":"s2","metaData":[{"Exceeds":false}]},
        {"translationId":"b","componentPath":"Main.qml","state":"s2","metaData":[{"Exceeds":true}]}])";
    io().storeScreenMetaData(second);
    io().storeScreenMetaData(second);
    QCOMPARE(count("screenMetaData"), 2);
    QCOMPARE(count("screenMetaData", "componentPath = 'Other.qml'"), 1);
    QCOMPARE(count("(SELECT json_extract(metaData, '$[0].Exceeds') AS e FROM screenMetaData WHERE "
                   "componentPath = 'Main.qml')",
                   "e = 1"),
             1);

    io().storeScreenMetaData(R"([{"translationId":"a","componentPath":"Main.qml","sceneId":"scene",
        "metaData":[{"Exceeds":true,"text":"Hello","sourceLocation":{"line":3,"column":7}}, {"id":"label"}]},
        {"translationId":"b","componentPath":"Main.qml","metaData":[{"Exceeds":false}]},
        {"translationId":"b","componentPath":"Other.qml","metaData":[{"Exceeds":true}]}])");
    // The tree keeps the scalar members only.
    TranslatableEntries entries = io().fetchFullTranslatableEntries({ "a" });
    QCOMPARE(entries.size(), 1u);
    QCOMPARE(entries[0].id, id);
    const ScreenMetaDataEntries &screens = entries[0].screenMetaData;
    QCOMPARE(screens.size(), 2u);
    QCOMPARE(screens[0].componentPath, "Main.qml");
    QCOMPARE(screens[0].sceneId, "scene");
    QCOMPARE(screens[0].state, "");
    QCOMPARE(screens[0].metaData, metaData({ { "Exceeds", 1 }, { "text", "Hello" } }));
    QCOMPARE(screens[1].metaData, metaData({ { "id", "label" } }));
    QVERIFY(screens[0].metaId != screens[1].metaId);

    const TextElides elides = io().fetchTextElides("Main.qml");
    QCOMPARE(elides.size(), 3u);
    QCOMPARE(QList<int>({ elides[0].line,
                          elides[0].column,
                          elides[0].exceeds,
                          elides[1].line,
                          elides[1].column,
                          elides[1].exceeds,
                          elides[2].exceeds }),
             QList<int>({ 3, 7, 1, -1, -1, 0, 0 }));
    QVERIFY(io().fetchTextElides("None.qml").empty());
}

void tst_Database::malformedScreenMetaDataRollsBack()
{
    io().addTranslatable("a");
    io().storeScreenMetaData(R"([{"translationId":"a","componentPath":"Main.qml","metaData":[]}])");
    QVERIFY_THROWS_EXCEPTION(Host::Sqlite::Exception,
                             io().storeScreenMetaData(R"([{"componentPath":"Main.qml"},)"));
    QCOMPARE(count("screenMetaData"), 1);
    // Here the delete of Main.qml's rows succeeds and the insert fails on the
    // element without a component path: the delete must be undone as well.
    QVERIFY_THROWS_EXCEPTION(
        Host::Sqlite::ConstraintViolation,
        io().storeScreenMetaData(
            R"([{"translationId":"a","componentPath":"Main.qml","metaData":[{"Exceeds":true}]},
                                                          {"translationId":"a","metaData":[]}])"));
    QCOMPARE(count("screenMetaData", "componentPath = 'Main.qml' AND metaData = '[]'"), 1);

    // Stored text that is no JSON makes the readers raise.
    connection().execute("UPDATE screenMetaData SET metaData = '{broken'");
    QVERIFY_THROWS_EXCEPTION(Host::Sqlite::Exception, io().fetchTextElides("Main.qml"));
    QVERIFY_THROWS_EXCEPTION(Host::Sqlite::Exception, io().fetchFullTranslatableEntries({ "a" }));
}

void tst_Database::syncTwiceEndsInTheSameState()
{
    TranslatableEntries file {
        translatable("hello",
                     { translation("de", "Hallo", metaData({ { "reviewed", 1 } })),
                       translation("fr", "Bonjour") },
                     metaData({ { "maxLength", 20 }, { "note", "greeting" } })),
        translatable("bye", { translation("de", "Tschüss") }),
    };
    io().syncTranslatables(file);
    const TranslatableEntries first = io().fetchAllTranslatableEntries();
    const auto totalChanges = sqlite3_total_changes64(connection().handle());

    io().syncTranslatables(file);
    // Nothing was rewritten: the only statements that ran as writes deleted nothing.
    QCOMPARE(sqlite3_total_changes64(connection().handle()), totalChanges);

    const TranslatableEntries second = io().fetchAllTranslatableEntries();
    QCOMPARE(second.size(), 2u);
    for (std::size_t index = 0; index < second.size(); ++index) {
        QCOMPARE(second[index].id, first[index].id);
        QCOMPARE(second[index].translationTextId, first[index].translationTextId);
        QCOMPARE(second[index].metaData, first[index].metaData);
        QCOMPARE(second[index].translations.size(), first[index].translations.size());
        for (std::size_t t = 0; t < second[index].translations.size(); ++t) {
            QCOMPARE(second[index].translations[t].id, first[index].translations[t].id);
            QCOMPARE(second[index].translations[t].translation,
                     first[index].translations[t].translation);
            QCOMPARE(second[index].translations[t].metaData, first[index].translations[t].metaData);
        }
        QCOMPARE(int(second[index].changeState), int(ChangeState::Unchanged));
    }
    QCOMPARE(second[0].metaData, metaData({ { "maxLength", 20 }, { "note", "greeting" } }));
    QCOMPARE(count("translations"), 3);

    // A changed text is rewritten in place.
    file[1].translations[0].translation = "Tschüs";
    io().syncTranslatables(file);
    const TranslatableEntries third = io().fetchAllTranslatableEntries();
    QCOMPARE(third[1].translations.at(0).translation, "Tschüs");
    QCOMPARE(third[1].translations.at(0).id, first[1].translations.at(0).id);
}

void tst_Database::syncRemovesWhatTheFileLacks()
{
    io().syncTranslatables(
        { translatable(
              "a", { translation("de", "A", metaData({ { "k", 1 } })) }, metaData({ { "m", 2 } })),
          translatable("b", { translation("de", "B") }, metaData({ { "m", 3 } })) });
    io().storeScreenMetaData(R"([{"translationId":"b","componentPath":"Main.qml","metaData":[]}])");
    // Screen metadata is a session write; it must not bring "b" back.
    io().syncTranslatables({ translatable("a", { translation("de", "A") }) });

    const TranslatableEntries entries = io().fetchAllTranslatableEntries();
    QCOMPARE(entries.size(), 1u);
    QCOMPARE(entries[0].translationTextId, "a");
    QVERIFY(entries[0].metaData.empty());
    QVERIFY(entries[0].translations.at(0).metaData.empty());
    QCOMPARE(count("translations"), 1);
    QCOMPARE(count("translationMetaData"), 0);
    QCOMPARE(count("translatableMetaData"), 0);
    QCOMPARE(count("screenMetaData"), 0);
    QVERIFY(io().searchTranslations("B").empty());
    io().syncTranslatables({});
    QCOMPARE(count("translatables"), 0);
}

void tst_Database::syncKeepsLocalEdits()
{
    const TranslatableEntries file { translatable("imported", { translation("de", "Import") }),
                                     translatable("edited", { translation("de", "Alt") }),
                                     translatable("unchanged", { translation("de", "A") }),
                                     translatable("metadata", {}) };
    io().syncTranslatables(file);
    const std::int64_t localId = add("local", "de", "Lokal");
    io().setTranslatableMetaData(localId, "note", DatabaseValue { "mine" });
    io().updateTranslation(io().translatableId("edited"), "de", "Neu");
    io().setTranslatableMetaData(io().translatableId("metadata"), "k", DatabaseValue { 1 });
    const QStringList states { state("edited", ChangeState::Changed),
                               state("imported", ChangeState::Unchanged),
                               state("local", ChangeState::Added),
                               state("metadata", ChangeState::Changed),
                               state("unchanged", ChangeState::Unchanged) };
    QCOMPARE(statesOf(io().fetchAllTranslatableEntries()), states);

    // The next import knows neither the local translatable nor the edits.
    TranslatableEntries next = file;
    next[0].translations[0].translation = "Import 2";
    io().syncTranslatables(next);
    TranslatableEntries entries = io().fetchAllTranslatableEntries();
    QCOMPARE(entries.size(), 5u);
    const TranslatableEntry *local = findEntry(entries, "local");
    QVERIFY(local);
    QCOMPARE(local->id, localId);
    QCOMPARE(textOf(*local, "de"), "Lokal");
    QCOMPARE(local->metaData, metaData({ { "note", "mine" } }));
    QCOMPARE(textOf(*findEntry(entries, "edited"), "de"), "Neu");
    QCOMPARE(textOf(*findEntry(entries, "imported"), "de"), "Import 2");
    QCOMPARE(io().searchTranslations("Lokal").size(), 1u);
    QCOMPARE(io().searchTranslations("Alt").size(), 0u);
    // An import does not make local edits forgotten.
    QCOMPARE(statesOf(io().fetchFullTranslatableEntries(
                 { "local", "edited", "unchanged", "metadata", "imported" })),
             states);

    // And once more, after reopening: the edits live in the file.
    closedFileBytes(true);
    io().syncTranslatables({ translatable("imported", { translation("de", "Import 2") }) });
    entries = io().fetchAllTranslatableEntries();
    QCOMPARE(textOf(*findEntry(entries, "local"), "de"), "Lokal");
    QCOMPARE(count("pragma_foreign_key_check"), 0);
}

void tst_Database::syncForgetsEditsOfRemovedTranslatables()
{
    io().syncTranslatables({ translatable("a", { translation("de", "A") }),
                             translatable("x", { translation("de", "Alt") }) });
    const std::int64_t removedId = io().translatableId("x");
    io().updateTranslation(removedId, "de", "Edit of x");

    // The import drops "x"; its edit cannot be re-applied and must not linger.
    io().syncTranslatables({ translatable("a", { translation("de", "A") }) });
    QCOMPARE(io().translatableId("x"), -1);

    // The next import reuses the free id for a new translatable.
    const TranslatableEntries file { translatable("a", { translation("de", "A") }),
                                     translatable("y", { translation("de", "Why") }) };
    io().syncTranslatables(file);
    QCOMPARE(io().translatableId("y"), removedId);
    TranslatableEntries entries = io().fetchAllTranslatableEntries();
    QCOMPARE(textOf(*findEntry(entries, "y"), "de"), "Why");
    QCOMPARE(int(findEntry(entries, "y")->changeState), int(ChangeState::Unchanged));

    // A local translatable added with the same id again is recorded normally.
    add("z", "de", "Zett");
    io().syncTranslatables(file);
    entries = io().fetchAllTranslatableEntries();
    QCOMPARE(textOf(*findEntry(entries, "z"), "de"), "Zett");
    QCOMPARE(int(findEntry(entries, "z")->changeState), int(ChangeState::Added));
    QCOMPARE(textOf(*findEntry(entries, "y"), "de"), "Why");
}

void tst_Database::syncSummary_data()
{
    QTest::addColumn<TranslatableEntries>("file");
    QTest::addColumn<bool>("localEdit");
    // ids added, changed, removed; translations added, changed, removed; edits
    QTest::addColumn<QList<qint64>>("expected");

    const TranslatableEntries base { translatable(
                                         "a", { translation("de", "A"), translation("fr", "A") }),
                                     translatable("b", { translation("de", "B") }),
                                     translatable("c", { translation("de", "C") }) };
    TranslatableEntries plural = base;
    plural[1].translations[0].pluralForms = { "Bs" };
    QTest::newRow("same file") << base << false << QList<qint64> { 0, 0, 0, 0, 0, 0, 0 };
    QTest::newRow("two IDs missing")
        << TranslatableEntries { base[0] } << false << QList<qint64> { 0, 0, 2, 0, 0, 2, 0 };
    QTest::newRow("empty file") << TranslatableEntries {} << false
                                << QList<qint64> { 0, 0, 3, 0, 0, 4, 0 };
    QTest::newRow("plural form added") << plural << false << QList<qint64> { 0, 1, 0, 0, 1, 0, 0 };
    QTest::newRow("added, changed and dropped translations") << TranslatableEntries {
        translatable("a", { translation("de", "A2") }),
        translatable("b", { translation("de", "B"), translation("en", "B") }),
        translatable("c", { translation("de", "C") }),
        translatable("d", { translation("de", "D") })
    } << false << QList<qint64> { 1, 2, 0, 2, 1, 1, 0 };
    QTest::newRow("entries without translations") << TranslatableEntries {
        translatable("a", {}), translatable("b", {}), translatable("c", {})
    } << false << QList<qint64> { 0, 3, 0, 0, 0, 4, 0 };
    // The import sets b's German text back to the file's; the recorded local
    // edit then wins again, so in the end nothing changed.
    QTest::newRow("local edit re-applied") << base << true << QList<qint64> { 0, 0, 0, 0, 0, 0, 1 };
    // An edit of a translation the file no longer has cannot come back.
    QTest::newRow("edited translation removed")
        << TranslatableEntries { base[0], translatable("b", {}), base[2] } << true
        << QList<qint64> { 0, 1, 0, 0, 0, 1, 0 };
}

void tst_Database::syncSummary()
{
    QFETCH(TranslatableEntries, file);
    QFETCH(bool, localEdit);
    QFETCH(QList<qint64>, expected);

    io().syncTranslatables({ translatable("a", { translation("de", "A"), translation("fr", "A") }),
                             translatable("b", { translation("de", "B") }),
                             translatable("c", { translation("de", "C") }) });
    if (localEdit)
        io().updateTranslation(io().translatableId("b"), "de", "B lokal");
    const QStringList before = contentsOf(io());
    const QByteArray bytesBefore = closedFileBytes(true);

    std::vector<std::size_t> progress;
    const Summary dryRun = asArray(io().synchronize(
        file, DatabaseIo::SyncMode::DryRun, [&](std::size_t done) { progress.push_back(done); }));
    QCOMPARE(QList<qint64>(dryRun.begin(), dryRun.end()), expected);
    QCOMPARE(contentsOf(io()), before);
    QCOMPARE(progress.size(), file.size());
    for (std::size_t index = 0; index < progress.size(); ++index)
        QCOMPARE(progress[index], index + 1);
    // Nothing of the dry run reaches the file, not even temporary tables.
    QVERIFY(closedFileBytes(true) == bytesBefore);

    const Summary real = asArray(io().synchronize(file, DatabaseIo::SyncMode::Commit));
    QCOMPARE(real, dryRun);
    // Only the term tables of the substring indexes, which live as long as the connection.
    QCOMPARE(count("sqlite_temp_schema"), 2);
    // Running the same file again changes nothing, which the summary says.
    QCOMPARE(asArray(io().synchronize(file, DatabaseIo::SyncMode::Commit)),
             (Summary { 0, 0, 0, 0, 0, 0, real[6] }));
}

void tst_Database::pluralForms()
{
    const std::int64_t files = io().addTranslatable("files");
    const std::int64_t plain = add("plain", "ru", "просто");
    const std::int64_t translationId
        = io().updatePluralForms(files, "ru", { "%n файл", "%n файла", "%n файлов" });

    using Forms = std::vector<std::vector<std::string>>;
    const std::vector<std::int64_t> keys { files, -1, plain, 99, files };
    QCOMPARE(io().fetchPluralForms(keys, "ru"),
             (Forms { { "%n файл", "%n файла", "%n файлов" },
                      {},
                      { "просто" },
                      {},
                      { "%n файл", "%n файла", "%n файлов" } }));
    // Form 0 is the translation as every reader before plural forms saw it.
    QCOMPARE(io().fetchTranslation(files, "ru").value_or(""), "%n файл");
    QCOMPARE(io().fetchAllTranslatableEntries().at(0).translations.at(0).pluralForms,
             (std::vector<std::string> { "%n файла", "%n файлов" }));

    // Editing form 0 alone keeps the others; fewer forms drop the rest.
    io().updateTranslation(files, "ru", "%n файл!");
    QCOMPARE(io().fetchPluralForms(keys, "ru").at(0).size(), 3u);
    QCOMPARE(io().updatePluralForms(files, "ru", { "один", "два" }), translationId);
    QCOMPARE(io().fetchPluralForms(keys, "ru").at(0), (std::vector<std::string> { "один", "два" }));
    QCOMPARE(count("translationPluralForms"), 1);

    // A form missing in the middle stays at its place.
    connection().execute("INSERT INTO translationPluralForms VALUES("
                         + std::to_string(translationId) + ", 3, 'drei')");
    QCOMPARE(io().fetchPluralForms(keys, "ru").at(0),
             (std::vector<std::string> { "один", "два", "", "drei" }));
    io().removeTranslation(files, "ru");
    QCOMPARE(count("translationPluralForms"), 0);
}

void tst_Database::syncKeepsPluralForms()
{
    TranslatableEntries file { translatable("files", { translation("ru", "файл") }),
                               translatable("days", { translation("ru", "день") }) };
    file[0].translations[0].pluralForms = { "файла", "файлов" };
    file[1].translations[0].pluralForms = { "дня", "дней" };
    io().syncTranslatables(file);
    // A local edit of the forms survives the next import, which has other forms.
    io().updatePluralForms(io().translatableId("days"), "ru", { "день", "дня", "дней!" });
    const auto totalChanges = sqlite3_total_changes64(connection().handle());
    io().syncTranslatables(file);
    file[0].translations[0].pluralForms = { "файла" };
    io().syncTranslatables(file);
    QVERIFY(sqlite3_total_changes64(connection().handle()) > totalChanges);

    const TranslatableEntries entries = io().fetchAllTranslatableEntries();
    QCOMPARE(findEntry(entries, "files")->translations.at(0).pluralForms,
             std::vector<std::string> { "файла" });
    QCOMPARE(findEntry(entries, "days")->translations.at(0).pluralForms,
             (std::vector<std::string> { "дня", "дней!" }));
    QCOMPARE(statesOf(entries),
             QStringList(
                 { state("days", ChangeState::Changed), state("files", ChangeState::Unchanged) }));
}

void tst_Database::olderFileGainsNewTables_data()
{
    QTest::addColumn<bool>("pluralFormsMissing"); // else the substring index is
    QTest::addColumn<bool>("readOnly");
    for (const bool pluralFormsMissing : { true, false }) {
        for (const bool readOnly : { false, true }) {
            QTest::addRow("%s missing, %s",
                          pluralFormsMissing ? "plural forms" : "substring index",
                          readOnly ? "read-only" : "read-write")
                << pluralFormsMissing << readOnly;
        }
    }
}

void tst_Database::olderFileGainsNewTables()
{
    QFETCH(bool, pluralFormsMissing);
    QFETCH(bool, readOnly);
    const auto found = [&](const char *text) {
        QStringList rows;
        const SearchRows found = io().findTranslations(text, 100).value();
        for (const SearchRow &row : found)
            rows.append(QString::fromStdString(row.translationTextId + "/" + row.translation));
        return rows;
    };
    TranslatableEntries file { translatable("voltage", { translation("zh_CN", "输入电压过高") }),
                               translatable("current", { translation("zh_CN", "电流") }),
                               translatable("kept", { translation("de", "bleibt") }) };
    io().syncTranslatables(file);
    // A file written before the table existed.
    if (pluralFormsMissing) {
        connection().execute("DROP TABLE translationPluralForms");
    } else {
        for (const std::string index : { "translationsSubstrings", "translationIdSubstrings" }) {
            connection().execute("DROP TABLE " + index);
            for (const char *trigger : { "insert", "delete", "update" })
                connection().execute("DROP TRIGGER " + index + "_" + trigger);
        }
        QCOMPARE(count("sqlite_schema", "name LIKE '%Substrings%'"), 0);
    }
    const QByteArray before = closedFileBytes();

    open(readOnly);
    const std::int64_t kept = io().translatableId("kept");
    QCOMPARE(io().fetchPluralForms(std::vector<std::int64_t> { kept }, "de"),
             (std::vector<std::vector<std::string>> { { "bleibt" } }));
    QCOMPARE(found("电压"), QStringList { "voltage/输入电压过高" });
    QCOMPARE(found("电"), (QStringList { "current/电流", "voltage/输入电压过高" }));
    QCOMPARE(found("LTAG"), QStringList { "voltage/输入电压过高" });
    QCOMPARE(found("rr"), QStringList { "current/电流" });
    if (readOnly) {
        try {
            io().addTranslatable("new");
            QFAIL("a read-only connection wrote");
        } catch (const Host::Sqlite::Exception &exception) {
            QVERIFY2(QString::fromUtf8(exception.what()).contains("readonly"), exception.what());
        }
        QVERIFY(closedFileBytes() == before);
        return;
    }
    // The new tables follow local edits, and a sync that re-applies them.
    io().updatePluralForms(kept, "de", { "bleibt", "bleiben" });
    io().updateTranslation(io().translatableId("current"), "zh_CN", "电流过大");
    file[0].translations[0].translation = "电压";
    io().syncTranslatables(file);
    QCOMPARE(found("过"), QStringList { "current/电流过大" });
    QCOMPARE(found("电压"), QStringList { "voltage/电压" });
    closedFileBytes(true);
    QCOMPARE(findEntry(io().fetchAllTranslatableEntries(), "kept")->translations.at(0).pluralForms,
             std::vector<std::string> { "bleiben" });
    io().removeTranslatable(io().translatableId("voltage"));
    QVERIFY(found("压").isEmpty());
    QVERIFY(found("olt").isEmpty());
    for (const std::string index : { "translationsSubstrings", "translationIdSubstrings" })
        connection().execute("INSERT INTO " + index + "(" + index + ") VALUES('integrity-check')");
}

void tst_Database::corruptChangeSetsRaiseTheFamily_data()
{
    QTest::addColumn<QList<QByteArray>>("changeSets");

    const auto integer = [](char value) {
        return QByteArray("\x01\0\0\0\0\0\0\0", 8) + value;
    };
    // Change sets whose table header gives fewer or more columns than the table
    // has: what a hand-edited or damaged recordedChangeSets row holds.
    QTest::newRow("translations insert with one column")
        << QList<QByteArray> { QByteArray("T\x01\x01translations\0\x12\0", 17) + integer(5) };
    QTest::newRow("translatables update with one column")
        << QList<QByteArray> { QByteArray("T\x01\x01translatables\0\x17\0", 18) + integer(1)
                               + QByteArray(1, '\0') };
    QTest::newRow("translatables insert with three columns")
        << QList<QByteArray> { QByteArray("T\x03\0\0\x01translatables\0\x12\0", 20) + integer(1)
                               + QByteArray("\x03\x01x", 3) + integer(2) };
    QTest::newRow("unknown table")
        << QList<QByteArray> { QByteArray("T\x01\x01nowhere\0\x12\0", 12) + integer(1) };
    QTest::newRow("garbage") << QList<QByteArray> { QByteArray("\xff\xfe\xfd\xfc", 4) };
    // The session extension does not return from sqlite3changeset_next() on
    // a header cut short.
    QTest::newRow("table marker only") << QList<QByteArray> { QByteArray("T") };

    // A real change set, cut short at every length and with every byte changed.
    QTemporaryDir directory;
    QByteArray recorded;
    {
        ProjectDatabase database(directory.filePath("source.db"));
        DatabaseIo &io = database.databaseIo();
        const std::int64_t id = io.addTranslatable("edited");
        io.updateTranslation(id, "de", "Text");
        io.setTranslatableMetaData(id, "note", DatabaseValue { 3 });
        Host::Sqlite::ReadStatement<1> select { "SELECT changeSet FROM recordedChangeSets",
                                                database.database() };
        select.readCallback([&](const Host::Sqlite::BaseStatement &statement) {
            recorded += statement.fetchValue(0).toBlob();
        });
    }
    QVERIFY(recorded.size() > 20);
    QList<QByteArray> cuts;
    for (qsizetype length = 1; length < recorded.size(); ++length)
        cuts << recorded.left(length);
    QTest::newRow("every cut of a real change set") << cuts;
    QList<QByteArray> changes;
    for (qsizetype index = 0; index < recorded.size(); ++index) {
        for (const char replacement : { '\x01', '\xff' }) {
            QByteArray changed = recorded;
            if (changed[index] == replacement)
                continue;
            changed[index] = replacement;
            changes << changed;
        }
    }
    QTest::newRow("every byte of a real change set changed") << changes;
}

void tst_Database::corruptChangeSetsRaiseTheFamily()
{
    QFETCH(QList<QByteArray>, changeSets);

    const auto restore = [this] {
        connection().deleteSessions();
        io().syncTranslatables({ translatable("kept", { translation("de", "bleibt") }) });
        io().updateTranslation(io().translatableId("kept"), "fr", "reste");
    };
    restore();
    // Read with plain SQL: the readers of the interface look at the change
    // sets too, and may rightly raise on this one.
    const auto rows = [this] {
        Host::Sqlite::ReadStatement<1> select {
            "SELECT translationTextId || '/' || ifnull(language, '') || '=' || "
            "ifnull(translation, '') FROM translatables LEFT JOIN translations ON "
            "translatables.id = translatableId ORDER BY 1",
            connection()
        };
        return select.values<std::string>(4);
    };
    const std::vector<std::string> before = rows();

    for (const QByteArray &changeSet : std::as_const(changeSets)) {
        connection().execute("DELETE FROM recordedChangeSets");
        sqlite3_stmt *insert = nullptr;
        QCOMPARE(sqlite3_prepare_v2(connection().handle(),
                                    "INSERT INTO recordedChangeSets(changeSet) VALUES(?1)",
                                    -1,
                                    &insert,
                                    nullptr),
                 SQLITE_OK);
        sqlite3_bind_blob(
            insert, 1, changeSet.constData(), int(changeSet.size()), SQLITE_TRANSIENT);
        QCOMPARE(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_finalize(insert);

        // Either the change set is usable or the family's exception says it is not;
        // anything else escapes every handler of the editor and the tool.
        auto outcome = [](const auto &operation) -> QString {
            try {
                operation();
            } catch (const Host::Sqlite::Exception &) {
            } catch (const std::exception &exception) {
                return QString::fromUtf8(exception.what());
            }
            return {};
        };
        QCOMPARE(outcome([&] { io().fetchFullTranslatableEntries({ "kept" }); }), QString());
        QCOMPARE(outcome([&] { io().fetchAllTranslatableEntries(); }), QString());
        bool synced = false;
        QCOMPARE(outcome([&] {
                     io().syncTranslatables(
                         { translatable("kept", { translation("de", "bleibt") }) });
                     synced = true;
                 }),
                 QString());
        // A sync that failed changed nothing.
        if (!synced)
            QCOMPARE(rows(), before);
        else
            restore(); // the next case starts from the same content
    }
}

void tst_Database::shellIntegrityCheck()
{
    const QString shell = QStandardPaths::findExecutable("sqlite3");
    if (shell.isEmpty())
        LEXORA_PEER_MISSING("the sqlite3 shell is not installed");

    io().syncTranslatables(
        { translatable("a", { translation("de", "Äpfel"), translation("fr", "x") }),
          translatable("b", { translation("de", "Birnen") }) });
    add("c", "en", "cherries");
    io().storeScreenMetaData(
        R"([{"translationId":"a","componentPath":"Main.qml","metaData":[{}]}])");
    m_database.reset();

    QProcess process;
    process.start(
        shell,
        { databasePath(),
          "PRAGMA integrity_check; PRAGMA foreign_key_check; "
          "INSERT INTO translationsFullText(translationsFullText) VALUES('integrity-check'); "
          // Another program writes through the substring index's triggers.
          "UPDATE translations SET translation = '樱桃' WHERE language = 'en'; "
          "INSERT INTO translationsSubstrings(translationsSubstrings) VALUES('integrity-check'); "
          "SELECT count(*) FROM translations;" });
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()), QString());
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), "ok\n4\n");
    open();
    QCOMPARE(io().findTranslations("桃", 100).value().size(), 1u);
}

QTEST_GUILESS_MAIN(tst_Database)

#include "tst_database.moc"
