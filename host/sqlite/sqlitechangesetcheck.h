#pragma once

#include "sqliteglobal.h"

#include <cstddef>
#include <functional>
#include <string_view>

namespace Host::Sqlite {

// Whether `data` is a change set as SQLite's session extension writes it,
// every length within the buffer, naming only tables that `columnCountOf`
// knows (it answers -1 for others) with their number of columns. Recorded
// change sets are stored in the database file, so a file from elsewhere can
// hold any bytes there, and the session extension's own reader does not stop
// on every malformed set (some make sqlite3changeset_next loop forever), nor
// does re-application check a set against the tables it names. Sets are
// checked with this before they are handed to it.
HOST_SQLITE_EXPORT bool isWellFormedChangeSet(
    const void *data, std::size_t size, const std::function<int(std::string_view)> &columnCountOf);

} // namespace Host::Sqlite
