#pragma once

namespace Host::Sqlite {
class Database;
}

namespace Lexora {

// Creates the translation tables, the full-text index and its triggers on a
// database that is not initialised yet, in one exclusive transaction, and
// registers the translation tables for change-set recording in every case.
class SchemaInitializer
{
public:
    SchemaInitializer(Host::Sqlite::Database &database, bool isInitialized);

    // Refuses a database that has a schema but not the tables and columns
    // the translation statements read and write, as a Host::Sqlite::Exception.
    static void checkSchema(Host::Sqlite::Database &database);

    static void createTranslationTables(Host::Sqlite::Database &database);
    // Files written before plural forms existed lack their table; it is added
    // when such a file is opened, and nothing else of the file changes.
    static void addPluralFormsTable(Host::Sqlite::Database &database);
    // Files written before the substring indexes (of translations and of
    // translation IDs) existed gain them, filled from their rows; a read-only
    // connection builds them in memory.
    static void addSubstringIndex(Host::Sqlite::Database &database);
    // The `languages` table, a step of its own.
    static void createLanguagesTable(Host::Sqlite::Database &database);
};

} // namespace Lexora
