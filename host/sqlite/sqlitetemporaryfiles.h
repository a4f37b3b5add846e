#pragma once

#include "sqliteglobal.h"

#include <cstdint>

namespace Host::Sqlite {

// The name of a VFS that is the default one, except that the temporary files
// of every connection opened with it (sorts, temporary tables, statement
// journals) may together hold at most temporaryFileLimit() bytes; a write
// beyond that fails with SQLITE_FULL. A query of a crafted database could
// otherwise fill the disk in seconds. Registered on first use.
const char *limitedTemporaryFilesVfs();

inline constexpr std::int64_t defaultTemporaryFileLimit = std::int64_t(2) << 30;
HOST_SQLITE_EXPORT std::int64_t temporaryFileLimit();
HOST_SQLITE_EXPORT void setTemporaryFileLimit(std::int64_t bytes);
// What the temporary files of all connections hold now.
HOST_SQLITE_EXPORT std::int64_t temporaryFileBytes();

} // namespace Host::Sqlite
