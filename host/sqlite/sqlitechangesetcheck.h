#pragma once

#include "sqliteglobal.h"

#include <cstddef>

namespace Host::Sqlite {

// Whether `data` is a change set as SQLite's session extension writes it,
// every length within the buffer. Recorded change sets are stored in the
// database file, so a file from elsewhere can hold any bytes there, and the
// session extension's own reader does not stop on every malformed set (some
// make sqlite3changeset_next loop forever). Sets are checked with this before
// they are handed to it.
HOST_SQLITE_EXPORT bool
isWellFormedChangeSet(const void *data, std::size_t size, int maximumColumnCount);

} // namespace Host::Sqlite
