#pragma once

#include "sqlitechangeset.h"
#include "sqlitetransactioninterface.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace Host::Sqlite {

class Sessions;

// One SQLite connection, opened in write-ahead-log journal mode with foreign
// keys enforced. All transactions of all threads go through its lock.
class HOST_SQLITE_EXPORT Database final : public TransactionInterface
{
public:
    enum class OpenMode { ReadWrite, ReadOnly };

    // How long an operation waits for a lock another connection holds before
    // it fails with SQLITE_BUSY.
    static constexpr int busyTimeoutMilliseconds = 5000;

    // Opens the file, creating it when missing. Raises Exception when the file
    // cannot be opened or is not a database. ReadWrite refuses a file that
    // cannot be written. ReadOnly neither creates nor writes the file (every
    // write raises) and works beside a writing connection; it needs the
    // write-ahead log's shared-memory file to exist or to be creatable next
    // to the database.
    //
    // `checkSchema`, when given, sees a file that holds a schema before
    // anything is written to it (the journal mode included) and raises to
    // refuse it.
    explicit Database(const QString &path,
                      OpenMode mode = OpenMode::ReadWrite,
                      const std::function<void(Database &)> &checkSchema = {});
    ~Database() override;

    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    QString path() const { return m_path; }
    bool isReadOnly() const { return m_mode == OpenMode::ReadOnly; }
    sqlite3 *handle() const { return m_handle; }

    // How long one step of a statement, with the triggers it fires, may run
    // before SQLite stops it with an error. A database from elsewhere can hold
    // triggers or views that never end; honest steps take far less.
    static constexpr std::chrono::milliseconds defaultStepTimeLimit { 60000 };
    void setStepTimeLimit(std::chrono::milliseconds limit) { m_stepTimeLimit = limit; }
    std::chrono::milliseconds stepTimeLimit() const { return m_stepTimeLimit; }

    // Bounds the SQLite work done while it lives by the step time limit.
    class HOST_SQLITE_EXPORT BoundedWork
    {
    public:
        explicit BoundedWork(Database &database) noexcept;
        ~BoundedWork();
        BoundedWork(const BoundedWork &) = delete;
        BoundedWork &operator=(const BoundedWork &) = delete;

        // Whether SQLite was stopped because the time was up.
        bool timedOut() const;
        // Raises for `resultCode`, saying so when the time was up.
        [[noreturn]] void throwError(int resultCode) const;

    private:
        Database &m_database;
        std::chrono::steady_clock::time_point m_previousDeadline;
    };

    // Whether the file held a schema when it was opened; set once set-up is done.
    bool isInitialized() const { return m_isInitialized; }
    void setIsInitialized(bool isInitialized) { m_isInitialized = isInitialized; }

    // Runs SQL without results, for schema statements.
    void execute(std::string_view sql);

    // Copies everything of the log into the database file as far as other
    // connections allow it now (the rest goes with a later checkpoint); does
    // nothing on a read-only connection. Takes the lock, so call it outside of
    // a transaction.
    void walCheckpointFull();

    // Tables whose changes session transactions record, in registration order.
    void setAttachedTables(const std::vector<std::string> &tables);
    std::vector<std::string> attachedTables() const;

    // The recorded change sets, oldest first. Call inside a transaction.
    ChangeSets changeSets();
    // Re-applies every recorded change set on top of the current content, local
    // edits winning conflicts, and replaces the recorded sets by their combined
    // net change. Call inside a transaction.
    // Returns the number of recorded row changes that were applied again and
    // are kept (edits of rows that are gone are dropped).
    std::int64_t applyAndUpdateSessions();
    // Forgets every recorded change set. Call inside a transaction.
    void deleteSessions();

    std::int64_t lastInsertedRowId() const;
    int changesCount() const;

    void lock() override;
    void unlock() override;

    void deferredBegin() override;
    void immediateBegin() override;
    void exclusiveBegin() override;
    void commit() override;
    void rollback() override;

    void immediateSessionBegin() override;
    void sessionCommit() override;
    void sessionRollback() override;

private:
    // The statements that begin and end transactions, prepared once: every
    // operation runs in a transaction of its own, so parsing their SQL on each
    // call would cost more than most of the operations themselves.
    enum TransactionStatement {
        DeferredBegin,
        ImmediateBegin,
        ExclusiveBegin,
        Commit,
        Rollback,
        TransactionStatementCount
    };

    static int onProgress(void *database);

    void open(const std::function<void(Database &)> &checkSchema);
    void readIsInitialized();
    void setUpForWriting();
    void prepareTransactionStatements();
    void finalizeTransactionStatements() noexcept;
    void runTransactionStatement(TransactionStatement which);

    QString m_path;
    OpenMode m_mode;
    sqlite3 *m_handle = nullptr;
    sqlite3_stmt *m_transactionStatements[TransactionStatementCount] = {};
    std::mutex m_mutex;
    std::unique_ptr<Sessions> m_sessions;
    bool m_isInitialized = false;
    std::chrono::milliseconds m_stepTimeLimit = defaultStepTimeLimit;
    std::chrono::steady_clock::time_point m_deadline = std::chrono::steady_clock::time_point::max();
};

} // namespace Host::Sqlite
