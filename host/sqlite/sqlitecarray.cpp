#include "sqlitecarray.h"

#include "sqliteexception.h"

#include <sqlite3.h>

#include <new>

namespace Host::Sqlite {

namespace {

enum Column { ValueColumn, PointerColumn };

struct Cursor : sqlite3_vtab_cursor
{
    CArray array;
    std::size_t index = 0;
};

int connect(sqlite3 *database, void *, int, const char *const *, sqlite3_vtab **table, char **)
{
    int result = sqlite3_declare_vtab(database, "CREATE TABLE x(value, pointer HIDDEN)");
    if (result != SQLITE_OK)
        return result;
    *table = new (std::nothrow) sqlite3_vtab {};
    if (!*table)
        return SQLITE_NOMEM;
    sqlite3_vtab_config(database, SQLITE_VTAB_INNOCUOUS);
    return SQLITE_OK;
}

int disconnect(sqlite3_vtab *table)
{
    delete table;
    return SQLITE_OK;
}

int open(sqlite3_vtab *, sqlite3_vtab_cursor **cursor)
{
    *cursor = new (std::nothrow) Cursor {};
    return *cursor ? SQLITE_OK : SQLITE_NOMEM;
}

int close(sqlite3_vtab_cursor *cursor)
{
    delete static_cast<Cursor *>(cursor);
    return SQLITE_OK;
}

int next(sqlite3_vtab_cursor *cursor)
{
    ++static_cast<Cursor *>(cursor)->index;
    return SQLITE_OK;
}

int column(sqlite3_vtab_cursor *baseCursor, sqlite3_context *context, int column)
{
    auto cursor = static_cast<Cursor *>(baseCursor);
    if (column == ValueColumn)
        sqlite3_result_int64(context, cursor->array.data[cursor->index]);
    else
        sqlite3_result_null(context);
    return SQLITE_OK;
}

int rowId(sqlite3_vtab_cursor *cursor, sqlite_int64 *rowId)
{
    *rowId = static_cast<sqlite_int64>(static_cast<Cursor *>(cursor)->index) + 1;
    return SQLITE_OK;
}

int eof(sqlite3_vtab_cursor *baseCursor)
{
    auto cursor = static_cast<Cursor *>(baseCursor);
    return cursor->index >= cursor->array.size;
}

int filter(
    sqlite3_vtab_cursor *baseCursor, int indexNumber, const char *, int argc, sqlite3_value **argv)
{
    auto cursor = static_cast<Cursor *>(baseCursor);
    cursor->index = 0;
    cursor->array = {};
    if (indexNumber == 1 && argc == 1) {
        // An unbound or foreign pointer reads as an empty array.
        if (auto array
            = static_cast<const CArray *>(sqlite3_value_pointer(argv[0], carrayPointerType)))
            cursor->array = *array;
    }
    return SQLITE_OK;
}

int bestIndex(sqlite3_vtab *table, sqlite3_index_info *info)
{
    for (int index = 0; index < info->nConstraint; ++index) {
        const auto &constraint = info->aConstraint[index];
        if (constraint.iColumn == PointerColumn && constraint.op == SQLITE_INDEX_CONSTRAINT_EQ) {
            if (!constraint.usable)
                return SQLITE_CONSTRAINT;
            info->aConstraintUsage[index].argvIndex = 1;
            info->aConstraintUsage[index].omit = 1;
            info->idxNum = 1;
            info->estimatedCost = 1.;
            info->estimatedRows = 100;
            return SQLITE_OK;
        }
    }
    // Without the array argument there is nothing to list.
    sqlite3_free(table->zErrMsg);
    table->zErrMsg = sqlite3_mprintf("carray needs an array argument");
    return SQLITE_ERROR;
}

sqlite3_module module = {
    0, // iVersion
    nullptr, // xCreate: eponymous only
    connect, // xConnect
    bestIndex, // xBestIndex
    disconnect, // xDisconnect
    nullptr, // xDestroy
    open, // xOpen
    close, // xClose
    filter, // xFilter
    next, // xNext
    eof, // xEof
    column, // xColumn
    rowId, // xRowid
    nullptr, // xUpdate
    nullptr, // xBegin
    nullptr, // xSync
    nullptr, // xCommit
    nullptr, // xRollback
    nullptr, // xFindFunction
    nullptr, // xRename
    nullptr, // xSavepoint
    nullptr, // xRelease
    nullptr, // xRollbackTo
    nullptr, // xShadowName
};

} // namespace

void registerCArray(sqlite3 *database)
{
    int result = sqlite3_create_module(database, "carray", &module, nullptr);
    if (result != SQLITE_OK)
        throwError(result, database);
}

} // namespace Host::Sqlite
