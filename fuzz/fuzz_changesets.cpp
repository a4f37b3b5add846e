// Re-application of recorded change sets that are corrupt: the stored set is
// read back when the database is listed and when an import re-applies the
// local edits. Each input is stored as one more recorded set inside a
// transaction that is rolled back afterwards.
//
// With LEXORA_FUZZ_SEED_DIR set, writes the change sets that the sample edits
// record as seeds and exits.

#include "fuzzdatabase.h"

#include <sqlite/sqlitesessions.h>

#include <sqlite3.h>

using namespace Lexora;

namespace {

void storeChangeSet(Host::Sqlite::Database &database, const void *data, int size)
{
    const std::string sql = std::string("INSERT INTO ") + Host::Sqlite::Sessions::tableName
        + "(changeSet) VALUES(?1)";
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(database.handle(), sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        std::abort();
    sqlite3_bind_blob(statement, 1, data, size, SQLITE_STATIC);
    const int result = sqlite3_step(statement);
    sqlite3_finalize(statement);
    if (result != SQLITE_DONE)
        std::abort();
}

void writeSeeds(const QString &directory)
{
    const QString path = Fuzz::scratchDirectory() + QStringLiteral("/seeds.db");
    QFile::remove(path);
    Fuzz::fillSampleDatabase(path);
    ProjectDatabase database(path);
    sqlite3_stmt *statement = nullptr;
    const std::string sql = std::string("SELECT changeSet FROM ")
        + Host::Sqlite::Sessions::tableName + " ORDER BY id";
    sqlite3_prepare_v2(database.database().handle(), sql.c_str(), -1, &statement, nullptr);
    int index = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        const QByteArray blob(static_cast<const char *>(sqlite3_column_blob(statement, 0)),
                              sqlite3_column_bytes(statement, 0));
        Fuzz::writeFile(QStringLiteral("%1/recorded-%2").arg(directory).arg(index++), blob);
    }
    sqlite3_finalize(statement);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (!Fuzz::seedDirectory().isEmpty()) {
        writeSeeds(Fuzz::seedDirectory());
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ProjectDatabase &sample = Fuzz::sampleDatabase();
    Host::Sqlite::Database &database = sample.database();
    database.immediateBegin();
    try {
        storeChangeSet(database, data, int(size));
        std::size_t sum = 0;
        for (const Host::Sqlite::ChangeSet &changeSet : database.changeSets())
            sum += changeSet.size();
        database.applyAndUpdateSessions();
        for (const Host::Sqlite::ChangeSet &changeSet : database.changeSets())
            sum += changeSet.size();
        if (sum == std::size_t(-1))
            std::abort();
    } catch (const Host::Sqlite::Exception &) { }
    database.rollback();
    return 0;
}
