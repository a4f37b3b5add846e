#pragma once

#include <cstddef>
#include <cstdint>

struct sqlite3;

namespace Host::Sqlite {

// The array handed to the `carray` table-valued function through a pointer
// binding; it must stay alive until the statement is reset.
struct CArray
{
    const std::int64_t *data = nullptr;
    std::size_t size = 0;
};

inline constexpr char carrayPointerType[] = "host-sqlite-int64-array";

// Registers `carray(?)`, an eponymous virtual table with one column `value`
// listing the 64-bit integers of the bound CArray. SQLite's own carray
// extension is not part of every build, so the connection brings its own.
void registerCArray(sqlite3 *database);

} // namespace Host::Sqlite
