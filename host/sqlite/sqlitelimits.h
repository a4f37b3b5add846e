#pragma once

#include <sqlite3.h>

namespace Host::Sqlite {

struct Limit
{
    int id;
    int value;
    const char *name;
};

// Every connection's length and size limits: room for what a translation
// database holds (a translation is text of a few kilobytes at most; the
// largest values are recorded change sets, which hold every local edit
// since the last import), and far below SQLite's defaults, which let a
// crafted file ask for gigabyte values or statements that take minutes to
// prepare.
inline constexpr Limit connectionLimits[] = {
    { SQLITE_LIMIT_LENGTH, 64 * 1024 * 1024, "length" },
    { SQLITE_LIMIT_SQL_LENGTH, 1024 * 1024, "sql length" },
    { SQLITE_LIMIT_COLUMN, 100, "columns" },
    { SQLITE_LIMIT_EXPR_DEPTH, 100, "expression depth" },
    { SQLITE_LIMIT_COMPOUND_SELECT, 10, "compound select" },
    { SQLITE_LIMIT_VDBE_OP, 100000, "program size" },
    { SQLITE_LIMIT_FUNCTION_ARG, 16, "function arguments" },
    { SQLITE_LIMIT_ATTACHED, 0, "attached databases" },
    { SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 10000, "like pattern length" },
    { SQLITE_LIMIT_VARIABLE_NUMBER, 999, "variables" },
    { SQLITE_LIMIT_TRIGGER_DEPTH, 10, "trigger depth" },
    { SQLITE_LIMIT_WORKER_THREADS, 0, "worker threads" },
};

} // namespace Host::Sqlite
