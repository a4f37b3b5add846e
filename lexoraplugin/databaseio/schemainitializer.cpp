#include "schemainitializer.h"

#include "tablebuilder.h"

#include <algorithm>
#include <string>
#include <vector>

#include <sqlite/sqlitedatabase.h>
#include <sqlite/sqliteexception.h>
#include <sqlite/sqlitereadstatement.h>
#include <sqlite/sqlitetransaction.h>

#include <sqlite3.h>

namespace Lexora {

namespace {

ForeignKey cascadingReference(std::string table, std::string column)
{
    // Dependent rows go with their translatable: removing a translatable and the
    // deletes of synchronisation rely on it.
    return ForeignKey { std::move(table),
                        std::move(column),
                        ForeignKeyAction::NoAction,
                        ForeignKeyAction::Cascade,
                        Enforcement::Immediate };
}

TableBuilder translatablesTable()
{
    TableBuilder table;
    table.setName("translatables");
    table.setUseIfNotExists(true);
    table.addColumn("id", ColumnType::Integer, { NotNull {}, Unique {} });
    table.addColumn("translationTextId",
                    ColumnType::Text,
                    { PrimaryKey {}, NotNull {}, Check { "translationTextId != ''" } });
    return table;
}

TableBuilder translationsTable()
{
    TableBuilder table;
    table.setName("translations");
    table.setUseIfNotExists(true);
    table.addColumn("id", ColumnType::Integer, { NotNull {}, Unique {} });
    table.addColumn("translatableId",
                    ColumnType::Integer,
                    { NotNull {}, cascadingReference("translatables", "id") });
    table.addColumn("language", ColumnType::Text, { NotNull {}, Check { "language != ''" } });
    table.addColumn("translation", ColumnType::Text);
    table.addPrimaryKeyConstraint({ "translatableId", "language" });
    return table;
}

// Key-value metadata of one owner row: the owner's id and the key together
// identify an entry.
TableBuilder metaDataTable(std::string name, std::string ownerColumn, std::string ownerTable)
{
    TableBuilder table;
    table.setName(std::move(name));
    table.setUseIfNotExists(true);
    table.addColumn(ownerColumn,
                    ColumnType::Integer,
                    { NotNull {}, cascadingReference(std::move(ownerTable), "id") });
    table.addColumn("key", ColumnType::Text, { NotNull {}, Check { "key != ''" } });
    table.addColumn("value", ColumnType::Numeric);
    table.addPrimaryKeyConstraint({ std::move(ownerColumn), "key" });
    return table;
}

TableBuilder screenMetaDataTable()
{
    TableBuilder table;
    table.setName("screenMetaData");
    table.setUseIfNotExists(true);
    table.addColumn("translatableId",
                    ColumnType::Integer,
                    { NotNull {}, cascadingReference("translatables", "id") });
    table.addColumn(
        "componentPath", ColumnType::Text, { NotNull {}, Check { "componentPath != ''" } });
    table.addColumn("state", ColumnType::Text, { NotNull {} });
    table.addColumn("sceneId", ColumnType::Text);
    table.addColumn("metaData", ColumnType::Text);
    table.addPrimaryKeyConstraint({ "translatableId", "componentPath", "state" });
    return table;
}

// Forms 1, 2, … of a plural translation; form 0 is the translation's own text,
// so the translations table reads the same with or without plural forms.
TableBuilder pluralFormsTable()
{
    TableBuilder table;
    table.setName("translationPluralForms");
    table.setUseIfNotExists(true);
    table.addColumn("translationId",
                    ColumnType::Integer,
                    { NotNull {}, cascadingReference("translations", "id") });
    table.addColumn("form", ColumnType::Integer, { NotNull {}, Check { "form > 0" } });
    table.addColumn("text", ColumnType::Text, { NotNull {} });
    table.addPrimaryKeyConstraint({ "translationId", "form" });
    return table;
}

// A substring index reads each text with two characters appended that no typed
// text holds: every character of a text then starts a trigram of its own, so a
// substring of one or two characters is the start of an indexed trigram. The
// index keeps no sizes of its texts, since nothing ranks substring matches.
struct SubstringIndex
{
    std::string_view name;
    std::string_view table;
    std::string_view column;
};

// Translations, and translation IDs, which a search looks into as well.
constexpr SubstringIndex translationsSubstrings { "translationsSubstrings",
                                                  "translations",
                                                  "translation" };
constexpr SubstringIndex translationIdSubstrings { "translationIdSubstrings",
                                                   "translatables",
                                                   "translationTextId" };

std::string substringIndexIn(const SubstringIndex &index, std::string_view schema)
{
    return "CREATE VIRTUAL TABLE " + std::string(schema) + std::string(index.name) + " USING fts5("
        + std::string(index.column) + ", content='', columnsize=0, tokenize='trigram')";
}

std::vector<std::string> substringIndexTriggers(const SubstringIndex &index)
{
    const std::string name(index.name);
    const std::string table(index.table);
    const std::string column(index.column);
    const std::string insertNew = "INSERT INTO " + name + "(rowid, " + column
        + ") VALUES (new.rowid, new." + column + " || char(31, 31));";
    const std::string deleteOld = "INSERT INTO " + name + "(" + name + ", rowid, " + column
        + ") VALUES ('delete', old.rowid, old." + column + " || char(31, 31));";
    return {
        "CREATE TRIGGER " + name + "_insert AFTER INSERT ON " + table + " BEGIN " + insertNew
            + " END",
        "CREATE TRIGGER " + name + "_delete AFTER DELETE ON " + table + " BEGIN " + deleteOld
            + " END",
        // Writing a text again unchanged, as a sync does, leaves the index alone.
        "CREATE TRIGGER " + name + "_update AFTER UPDATE ON " + table
            + " WHEN old.rowid IS NOT "
              "new.rowid OR old."
            + column + " IS NOT new." + column + " BEGIN " + deleteOld + " " + insertNew + " END",
    };
}

void createSubstringIndex(Host::Sqlite::Database &database, const SubstringIndex &index)
{
    database.execute(substringIndexIn(index, ""));
    for (const std::string &trigger : substringIndexTriggers(index))
        database.execute(trigger);
}

void fillSubstringIndex(Host::Sqlite::Database &database, const SubstringIndex &index)
{
    const std::string column(index.column);
    database.execute("INSERT INTO " + std::string(index.name) + "(rowid, " + column
                     + ") SELECT rowid, " + column + " || char(31, 31) FROM main."
                     + std::string(index.table));
}

// The terms of a substring index, one row per occurrence, for finding the
// trigrams that start with a short substring. A table of the connection's
// own: the file does not depend on it.
void createSubstringTerms(Host::Sqlite::Database &database,
                          const SubstringIndex &index,
                          std::string_view indexSchema)
{
    database.execute("CREATE VIRTUAL TABLE IF NOT EXISTS temp." + std::string(index.name)
                     + "Terms USING fts5vocab(" + std::string(indexSchema) + ", "
                     + std::string(index.name) + ", 'instance')");
}

bool hasTable(Host::Sqlite::Database &database, std::string_view name)
{
    Host::Sqlite::DeferredTransaction transaction { database };
    Host::Sqlite::ReadStatement<1> statement(
        "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = ?", database);
    const bool exists = statement.optionalValue<std::int64_t>(name).value_or(0) > 0;
    transaction.commit();
    return exists;
}

TableBuilder languagesTable()
{
    TableBuilder table;
    table.setName("languages");
    table.setUseIfNotExists(true);
    table.addColumn(
        "code", ColumnType::Text, { PrimaryKey {}, NotNull {}, Check { "code != ''" } });
    table.addColumn("name", ColumnType::Text);
    return table;
}

} // namespace

SchemaInitializer::SchemaInitializer(Host::Sqlite::Database &database, bool isInitialized)
{
    if (!isInitialized) {
        createTranslationTables(database);
    } else {
        addPluralFormsTable(database);
        addSubstringIndex(database);
    }
    for (const SubstringIndex &index : { translationsSubstrings, translationIdSubstrings }) {
        createSubstringTerms(
            database, index, hasTable(database, std::string(index.name)) ? "main" : "temp");
    }

    database.setAttachedTables({ "translatables",
                                 "translations",
                                 "translationMetaData",
                                 "translatableMetaData",
                                 "screenMetaData",
                                 "translationPluralForms" });
}

void SchemaInitializer::addPluralFormsTable(Host::Sqlite::Database &database)
{
    if (hasTable(database, "translationPluralForms"))
        return;
    if (database.isReadOnly()) {
        // A file from before plural forms holds none; an empty table of the
        // connection's own lets the statements that read forms work on it
        // without writing the file.
        database.execute("CREATE TEMP TABLE translationPluralForms(translationId INTEGER NOT "
                         "NULL, form INTEGER NOT NULL, text TEXT NOT NULL, PRIMARY "
                         "KEY(translationId, form))");
        return;
    }
    {
        Host::Sqlite::ExclusiveTransaction transaction { database };
        pluralFormsTable().initialize(database);
        transaction.commit();
    }
    database.walCheckpointFull();
}

void SchemaInitializer::addSubstringIndex(Host::Sqlite::Database &database)
{
    for (const SubstringIndex &index : { translationsSubstrings, translationIdSubstrings }) {
        if (hasTable(database, std::string(index.name)))
            continue;
        if (database.isReadOnly()) {
            // Searching needs the index; the connection builds one of its own
            // and leaves the file as it is.
            database.execute(substringIndexIn(index, "temp."));
            fillSubstringIndex(database, index);
            continue;
        }
        {
            Host::Sqlite::ExclusiveTransaction transaction { database };
            createSubstringIndex(database, index);
            fillSubstringIndex(database, index);
            transaction.commit();
        }
        database.walCheckpointFull();
    }
}

void SchemaInitializer::checkSchema(Host::Sqlite::Database &database)
{
    struct Table
    {
        const char *name;
        std::vector<std::string> columns;
    };
    const Table tables[] = {
        { "translatables", { "id", "translationTextId" } },
        { "translations", { "id", "translatableId", "language", "translation" } },
        { "translationMetaData", { "translationId", "key", "value" } },
        { "translatableMetaData", { "translatableId", "key", "value" } },
        { "screenMetaData", { "translatableId", "componentPath", "state", "sceneId", "metaData" } },
        { "translationsFullText", { "language", "translation" } },
    };
    Host::Sqlite::ReadStatement<1> columnsOf("SELECT name FROM pragma_table_info(?1) ORDER BY cid",
                                             database);
    for (const Table &table : tables) {
        const std::vector<std::string> columns = columnsOf.values<std::string>(8, table.name);
        std::string problem;
        if (columns.empty()) {
            problem = std::string("the table ") + table.name + " is missing";
        } else {
            for (const std::string &column : table.columns) {
                if (std::find(columns.begin(), columns.end(), column) == columns.end()) {
                    problem = std::string("the table ") + table.name + " has no column " + column;
                    break;
                }
            }
        }
        if (!problem.empty()) {
            // The callers name the file.
            Host::Sqlite::throwError(SQLITE_NOTADB, "not a translation database (" + problem + ")");
        }
    }
}

void SchemaInitializer::createTranslationTables(Host::Sqlite::Database &database)
{
    {
        Host::Sqlite::ExclusiveTransaction transaction { database };

        translatablesTable().initialize(database);
        translationsTable().initialize(database);
        metaDataTable("translationMetaData", "translationId", "translations").initialize(database);
        metaDataTable("translatableMetaData", "translatableId", "translatables")
            .initialize(database);
        screenMetaDataTable().initialize(database);
        pluralFormsTable().initialize(database);

        database.execute(
            "CREATE VIRTUAL TABLE translationsFullText USING fts5(language, translation, "
            "content='translations', prefix='2 3 4 5', tokenize='unicode61 remove_diacritics 2')");
        database.execute(
            "CREATE TRIGGER translationsFullText_insert AFTER INSERT ON translations BEGIN INSERT "
            "INTO translationsFullText(rowid, language, translation) VALUES (new.rowid, "
            "new.language, new.translation); END");
        database.execute(
            "CREATE TRIGGER translationsFullText_delete AFTER DELETE ON translations BEGIN INSERT "
            "INTO translationsFullText(translationsFullText, rowid, language, translation) VALUES "
            "('delete', old.rowid, old.language, old.translation); END");
        database.execute(
            "CREATE TRIGGER translationsFullText_update AFTER UPDATE ON translations BEGIN INSERT "
            "INTO translationsFullText(translationsFullText, rowid, language, translation) VALUES "
            "('delete', old.rowid, old.language, old.translation); INSERT INTO "
            "translationsFullText(rowid, language, translation) VALUES (new.rowid, new.language, "
            "new.translation); END;");
        createSubstringIndex(database, translationsSubstrings);
        createSubstringIndex(database, translationIdSubstrings);

        transaction.commit();
    }
    database.walCheckpointFull();
}

void SchemaInitializer::createLanguagesTable(Host::Sqlite::Database &database)
{
    {
        Host::Sqlite::ExclusiveTransaction transaction { database };
        languagesTable().initialize(database);
        transaction.commit();
    }
    database.walCheckpointFull();
}

} // namespace Lexora
