#pragma once

#include <QString>

#include <sqlite3.h>

// Takes the full-text index's segments away behind the back of every open
// connection, as a bad disk would: searches then fail with SQLite's own
// "database disk image is malformed", not with a query error. A plain
// connection, as the project's own ones refuse writes to the index's tables.
inline bool breakFullTextIndex(const QString &databasePath)
{
    sqlite3 *database = nullptr;
    const bool broken = sqlite3_open(databasePath.toUtf8().constData(), &database) == SQLITE_OK
        && sqlite3_exec(database,
                        "DELETE FROM translationsFullText_data WHERE id > 10",
                        nullptr,
                        nullptr,
                        nullptr)
            == SQLITE_OK
        && sqlite3_changes(database) > 0;
    sqlite3_close(database);
    return broken;
}
