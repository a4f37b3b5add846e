#include "sqlitedatabase.h"

#include "sqlitecarray.h"
#include "sqliteexception.h"
#include "sqlitelimits.h"
#include "sqlitesessions.h"
#include "sqlitetemporaryfiles.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <unistd.h>

namespace Host::Sqlite {

namespace {

void executeText(sqlite3 *database,
                 std::string_view sql,
                 const Database::BoundedWork *work = nullptr)
{
    // sqlite3_exec needs a terminated string; schema texts are short.
    std::string text(sql);
    char *message = nullptr;
    int result = sqlite3_exec(database, text.c_str(), nullptr, nullptr, &message);
    if (result != SQLITE_OK) {
        if (work && work->timedOut()) {
            sqlite3_free(message);
            work->throwError(result);
        }
        std::string error = message ? message : sqlite3_errmsg(database);
        sqlite3_free(message);
        throwError(result, error);
    }
}

// A project cloned from elsewhere brings its own database file, which is opened
// as soon as the project is. The connection therefore refuses what a crafted
// file could turn against the user: writes to the schema and to raw pages,
// loading of extensions, the FTS3 tokenizer pointer function, attached
// databases, and sizes far beyond anything a translation database holds.
// Trusted schema stays on: the full-text triggers of our own schema write to
// a virtual table, which SQLite refuses in triggers of an untrusted schema.
void restrictConnection(sqlite3 *database)
{
    struct Setting
    {
        int option;
        int value;
    };
    static constexpr Setting settings[] = {
        { SQLITE_DBCONFIG_DEFENSIVE, 1 },
        { SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0 },
        { SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, 0 },
    };
    for (const Setting &setting : settings) {
        int applied = -1;
        int result = sqlite3_db_config(database, setting.option, setting.value, &applied);
        if (result != SQLITE_OK)
            throwError(result, database);
        if (applied != setting.value)
            throwError(SQLITE_MISUSE, "cannot restrict the database connection");
    }
    for (const Limit &limit : connectionLimits)
        sqlite3_limit(database, limit.id, limit.value);
}

// A reader of a write-ahead-log database needs its shared-memory file, which
// it creates when missing: in a directory the user may only read, it cannot,
// and SQLite refuses to read at all. Without a log there is nothing beyond
// the file itself, and in such a directory nobody writes one, so the file can
// be read as it stands.
bool isUnchangeable(const QByteArray &fileName)
{
    const QByteArray directory = QFile::encodeName(QFileInfo(QFile::decodeName(fileName)).path());
    return ::access(directory.constData(), W_OK) != 0
        && ::access((fileName + "-wal").constData(), F_OK) != 0
        && ::access((fileName + "-shm").constData(), F_OK) != 0;
}

} // namespace

Database::Database(const QString &path,
                   OpenMode mode,
                   const std::function<void(Database &)> &checkSchema)
    : m_path(path), m_mode(mode)
{
    open(checkSchema);
}

Database::BoundedWork::BoundedWork(Database &database) noexcept
    : m_database(database), m_previousDeadline(database.m_deadline)
{
    // The clock is read from the first progress call on: most steps end
    // before it, and reading the clock for each would cost more than they do.
    if (database.m_stepTimeLimit.count() > 0)
        database.m_deadline = {};
}

Database::BoundedWork::~BoundedWork()
{
    m_database.m_deadline = m_previousDeadline;
}

bool Database::BoundedWork::timedOut() const
{
    const auto deadline = m_database.m_deadline;
    return deadline != std::chrono::steady_clock::time_point {}
    && std::chrono::steady_clock::now() >= deadline;
}

void Database::BoundedWork::throwError(int resultCode) const
{
    if ((resultCode & 0xff) == SQLITE_INTERRUPT && timedOut()) {
        Sqlite::throwError(resultCode,
                           "a statement ran longer than "
                               + std::to_string(m_database.m_stepTimeLimit.count())
                               + " ms and was stopped; the database may hold triggers or "
                                 "views that do not end: "
                               + QFile::encodeName(m_database.m_path).toStdString());
    }
    Sqlite::throwError(resultCode, m_database.m_handle);
}

int Database::onProgress(void *context)
{
    auto *database = static_cast<Database *>(context);
    const auto now = std::chrono::steady_clock::now();
    if (database->m_deadline == std::chrono::steady_clock::time_point {}) {
        database->m_deadline = now + database->m_stepTimeLimit;
        return 0;
    }
    // Non-zero stops the statement with SQLITE_INTERRUPT.
    return now >= database->m_deadline;
}

Database::~Database()
{
    m_sessions.reset();
    finalizeTransactionStatements();
    // Statements of other objects are finalised before the connection goes;
    // sqlite3_close_v2 defers the close until the last one is.
    sqlite3_close_v2(m_handle);
}

void Database::open(const std::function<void(Database &)> &checkSchema)
{
    const QByteArray fileName = QFile::encodeName(m_path);
    int access = m_mode == OpenMode::ReadOnly ? SQLITE_OPEN_READONLY
                                              : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    QByteArray name = fileName;
    if (m_mode == OpenMode::ReadOnly && isUnchangeable(fileName)) {
        name = QUrl::fromLocalFile(m_path).toEncoded() + "?immutable=1";
        access |= SQLITE_OPEN_URI;
    }
    int result = sqlite3_open_v2(
        name.constData(), &m_handle, access | SQLITE_OPEN_FULLMUTEX, limitedTemporaryFilesVfs());
    if (result != SQLITE_OK) {
        std::string message = m_handle ? sqlite3_errmsg(m_handle) : sqlite3_errstr(result);
        sqlite3_close_v2(m_handle);
        m_handle = nullptr;
        throwError(result, message + ": " + fileName.toStdString());
    }

    try {
        restrictConnection(m_handle);
        sqlite3_extended_result_codes(m_handle, 1);
        sqlite3_busy_timeout(m_handle, busyTimeoutMilliseconds);
        // Often enough to stop within milliseconds of the deadline, rarely
        // enough to cost nothing measurable.
        sqlite3_progress_handler(m_handle, 10000, &Database::onProgress, this);
        // Reading the schema is the first access to the file, so a file that is
        // not a database fails here with SQLite's own text.
        readIsInitialized();
        // A file that is not ours is refused before anything is written to it.
        if (m_isInitialized && checkSchema)
            checkSchema(*this);

        if (m_mode == OpenMode::ReadWrite && sqlite3_db_readonly(m_handle, "main") == 1)
            throwError(SQLITE_READONLY,
                       std::string(sqlite3_errstr(SQLITE_READONLY)) + ": "
                           + fileName.toStdString());

        if (m_mode == OpenMode::ReadWrite)
            setUpForWriting();
        // A translation-file generation reads every translation once per
        // language. With SQLite's default cache of 2 MiB, a project whose
        // translations take more than that reads every page from the file again
        // for each language; pages are only allocated as they are read.
        executeText(m_handle, "PRAGMA cache_size=-32768");
        executeText(m_handle, "PRAGMA foreign_keys=ON");
        registerCArray(m_handle);
        prepareTransactionStatements();
        m_sessions = std::make_unique<Sessions>(m_handle);
    } catch (...) {
        finalizeTransactionStatements();
        sqlite3_close_v2(m_handle);
        m_handle = nullptr;
        throw;
    }
}

void Database::setUpForWriting()
{
    {
        sqlite3_stmt *statement = nullptr;
        int result
            = sqlite3_prepare_v2(m_handle, "PRAGMA journal_mode=WAL", -1, &statement, nullptr);
        if (result != SQLITE_OK)
            throwError(result, m_handle);
        result = sqlite3_step(statement);
        std::string mode;
        if (result == SQLITE_ROW)
            mode = reinterpret_cast<const char *>(sqlite3_column_text(statement, 0));
        sqlite3_finalize(statement);
        if (result != SQLITE_ROW)
            throwError(result, m_handle);
        if (mode != "wal")
            throwError(SQLITE_CANTOPEN, "cannot switch to write-ahead-log journal mode: " + mode);
    }
    // In write-ahead-log mode NORMAL keeps the file consistent on power loss;
    // only the last commits may be lost.
    executeText(m_handle, "PRAGMA synchronous=NORMAL");
}

void Database::readIsInitialized()
{
    sqlite3_stmt *statement = nullptr;
    std::string sql = std::string("SELECT count(*) FROM sqlite_schema WHERE name != '")
        + Sessions::tableName + "'";
    int result = sqlite3_prepare_v2(m_handle, sql.c_str(), -1, &statement, nullptr);
    if (result != SQLITE_OK)
        throwError(result, m_handle);
    result = sqlite3_step(statement);
    std::int64_t count = result == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : 0;
    sqlite3_finalize(statement);
    if (result != SQLITE_ROW)
        throwError(result, m_handle);
    m_isInitialized = count > 0;
}

void Database::prepareTransactionStatements()
{
    static constexpr const char *texts[TransactionStatementCount] = {
        "BEGIN DEFERRED", "BEGIN IMMEDIATE", "BEGIN EXCLUSIVE", "COMMIT", "ROLLBACK",
    };
    for (int index = 0; index < TransactionStatementCount; ++index) {
        int result = sqlite3_prepare_v3(m_handle,
                                        texts[index],
                                        -1,
                                        SQLITE_PREPARE_PERSISTENT,
                                        &m_transactionStatements[index],
                                        nullptr);
        if (result != SQLITE_OK)
            throwError(result, m_handle);
    }
}

void Database::finalizeTransactionStatements() noexcept
{
    for (sqlite3_stmt *&statement : m_transactionStatements) {
        sqlite3_finalize(statement);
        statement = nullptr;
    }
}

void Database::runTransactionStatement(TransactionStatement which)
{
    sqlite3_stmt *statement = m_transactionStatements[which];
    int result = sqlite3_step(statement);
    if (result == SQLITE_DONE) {
        sqlite3_reset(statement);
        return;
    }
    // The text is taken before the reset; the statement is reset in any case,
    // so that a COMMIT that failed (busy, deferred constraint) can be run again
    // or be followed by a ROLLBACK.
    std::string message = sqlite3_errmsg(m_handle);
    sqlite3_reset(statement);
    throwError(result, message);
}

void Database::execute(std::string_view sql)
{
    const BoundedWork work(*this);
    executeText(m_handle, sql, &work);
}

void Database::walCheckpointFull()
{
    // A read-only connection cannot write the pages into the file.
    if (m_mode == OpenMode::ReadOnly)
        return;
    std::lock_guard lock(m_mutex);
    // Without waiting: a full checkpoint waits for every writer and reader of
    // other connections, and a reader (an export) must not wait for an import.
    sqlite3_busy_timeout(m_handle, 0);
    int result
        = sqlite3_wal_checkpoint_v2(m_handle, nullptr, SQLITE_CHECKPOINT_FULL, nullptr, nullptr);
    sqlite3_busy_timeout(m_handle, busyTimeoutMilliseconds);
    // Busy means another connection still reads an older snapshot; the log is
    // then copied by a later checkpoint, nothing is lost.
    if (result != SQLITE_OK && (result & 0xff) != SQLITE_BUSY)
        throwError(result, m_handle);
}

void Database::setAttachedTables(const std::vector<std::string> &tables)
{
    m_sessions->setAttachedTables(tables);
}

std::vector<std::string> Database::attachedTables() const
{
    return m_sessions->attachedTables();
}

ChangeSets Database::changeSets()
{
    return m_sessions->changeSets();
}

std::int64_t Database::applyAndUpdateSessions()
{
    const BoundedWork work(*this);
    try {
        return m_sessions->applyAndUpdate();
    } catch (const Exception &exception) {
        if (work.timedOut())
            work.throwError(exception.errorCode());
        throw;
    }
}

void Database::deleteSessions()
{
    m_sessions->deleteAll();
}

std::int64_t Database::lastInsertedRowId() const
{
    return sqlite3_last_insert_rowid(m_handle);
}

int Database::changesCount() const
{
    return sqlite3_changes(m_handle);
}

void Database::lock()
{
    m_mutex.lock();
}

void Database::unlock()
{
    m_mutex.unlock();
}

void Database::deferredBegin()
{
    runTransactionStatement(DeferredBegin);
}

void Database::immediateBegin()
{
    runTransactionStatement(ImmediateBegin);
}

void Database::exclusiveBegin()
{
    runTransactionStatement(ExclusiveBegin);
}

void Database::commit()
{
    runTransactionStatement(Commit);
}

void Database::rollback()
{
    if (!sqlite3_get_autocommit(m_handle))
        runTransactionStatement(Rollback);
}

void Database::immediateSessionBegin()
{
    immediateBegin();
    try {
        m_sessions->create();
    } catch (...) {
        rollback();
        throw;
    }
}

void Database::sessionCommit()
{
    m_sessions->commit();
    commit();
}

void Database::sessionRollback()
{
    m_sessions->discard();
    rollback();
}

} // namespace Host::Sqlite
