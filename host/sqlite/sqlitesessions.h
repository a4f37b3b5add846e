#pragma once

#include "sqlitechangeset.h"

#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_session;

namespace Host::Sqlite {

// Records the changes of session transactions with SQLite's session extension
// and keeps each committed change set in a table of the database itself, so
// local edits outlive the connection. All calls run inside a transaction.
class Sessions
{
public:
    explicit Sessions(sqlite3 *database);
    ~Sessions();

    Sessions(const Sessions &) = delete;
    Sessions &operator=(const Sessions &) = delete;

    static constexpr char tableName[] = "recordedChangeSets";

    void setAttachedTables(std::vector<std::string> tables);
    const std::vector<std::string> &attachedTables() const { return m_tables; }

    void create();
    // Stores the recorded changes, if there are any, and ends recording.
    void commit();
    void discard();

    ChangeSets changeSets();
    // Returns the number of recorded row changes that were applied again and
    // are kept (edits of rows that are gone are dropped).
    std::int64_t applyAndUpdate();
    void deleteAll();

private:
    bool hasTable();
    void ensureTable();
    std::vector<std::string> storedChangeSets();
    void store(const void *data, int size);

    sqlite3 *m_database;
    sqlite3_session *m_session = nullptr;
    std::vector<std::string> m_tables;
};

} // namespace Host::Sqlite
