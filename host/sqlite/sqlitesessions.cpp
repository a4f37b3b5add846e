#include "sqlitesessions.h"

#include "sqlitechangesetcheck.h"
#include "sqliteexception.h"

#define SQLITE_ENABLE_SESSION
#define SQLITE_ENABLE_PREUPDATE_HOOK
#include <sqlite3.h>

#include <cstring>
#include <map>
#include <memory>

namespace Host::Sqlite {

namespace {

void check(int result, sqlite3 *database)
{
    if (result != SQLITE_OK)
        throwError(result, database);
}

struct StatementDeleter
{
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};

using StatementPointer = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

StatementPointer prepare(sqlite3 *database, const std::string &sql)
{
    sqlite3_stmt *statement = nullptr;
    check(sqlite3_prepare_v2(database, sql.c_str(), int(sql.size()), &statement, nullptr),
          database);
    return StatementPointer { statement };
}

bool stepRow(sqlite3 *database, sqlite3_stmt *statement)
{
    int result = sqlite3_step(statement);
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    throwError(result, database);
}

void executeSql(sqlite3 *database, const std::string &sql)
{
    auto statement = prepare(database, sql);
    while (stepRow(database, statement.get())) { }
}

Value toValue(sqlite3_value *value)
{
    if (!value)
        return {};
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        return Value { static_cast<long long>(sqlite3_value_int64(value)) };
    case SQLITE_FLOAT:
        return Value { sqlite3_value_double(value) };
    case SQLITE_TEXT:
        return Value { std::string_view(reinterpret_cast<const char *>(sqlite3_value_text(value)),
                                        std::size_t(sqlite3_value_bytes(value))) };
    case SQLITE_BLOB: {
        const void *data = sqlite3_value_blob(value);
        return Value { QByteArray(static_cast<const char *>(data), sqlite3_value_bytes(value)) };
    }
    default:
        return {};
    }
}

void bindValue(sqlite3 *database, sqlite3_stmt *statement, int index, const Value &value)
{
    int result = SQLITE_OK;
    switch (value.type()) {
    case ValueType::Null:
        result = sqlite3_bind_null(statement, index);
        break;
    case ValueType::Integer:
        result = sqlite3_bind_int64(statement, index, value.toInteger());
        break;
    case ValueType::Float:
        result = sqlite3_bind_double(statement, index, value.toFloat());
        break;
    case ValueType::Text: {
        auto text = value.toText();
        result = sqlite3_bind_text64(statement,
                                     index,
                                     text.data() ? text.data() : "",
                                     text.size(),
                                     SQLITE_TRANSIENT,
                                     SQLITE_UTF8);
        break;
    }
    case ValueType::Blob: {
        auto blob = value.toBlob();
        result = sqlite3_bind_blob64(
            statement, index, blob.constData(), blob.size(), SQLITE_TRANSIENT);
        break;
    }
    }
    check(result, database);
}

std::string quoted(const std::string &identifier)
{
    std::string text = "\"";
    for (char character : identifier) {
        if (character == '"')
            text += '"';
        text += character;
    }
    return text + '"';
}

// An insert that met an existing row with the same primary key. The session
// extension can only resolve it by deleting that row first, which would run the
// foreign keys' cascades and take the row's dependants with it, so the change
// is turned into an update of the differing columns instead.
struct PendingUpdate
{
    std::string table;
    std::size_t columnCount = 0;
    std::vector<std::pair<int, Value>> primaryKey;
    std::vector<std::pair<int, Value>> columns;
};

struct ApplyContext
{
    std::vector<PendingUpdate> updates;
    bool foreignKeyConflict = false;
};

int conflictHandler(void *contextPointer, int conflict, sqlite3_changeset_iter *iterator)
{
    auto context = static_cast<ApplyContext *>(contextPointer);
    switch (conflict) {
    case SQLITE_CHANGESET_DATA:
        // The row was changed since the edit was recorded: the local edit wins.
        return SQLITE_CHANGESET_REPLACE;
    case SQLITE_CHANGESET_CONFLICT: {
        const char *table = nullptr;
        int columnCount = 0;
        int operation = 0;
        unsigned char *primaryKeyFlags = nullptr;
        sqlite3changeset_op(iterator, &table, &columnCount, &operation, nullptr);
        sqlite3changeset_pk(iterator, &primaryKeyFlags, &columnCount);
        PendingUpdate update;
        update.table = table;
        update.columnCount = std::size_t(columnCount);
        for (int column = 0; column < columnCount; ++column) {
            sqlite3_value *newValue = nullptr;
            sqlite3_value *currentValue = nullptr;
            sqlite3changeset_new(iterator, column, &newValue);
            sqlite3changeset_conflict(iterator, column, &currentValue);
            if (primaryKeyFlags[column]) {
                update.primaryKey.emplace_back(column, toValue(newValue));
                continue;
            }
            Value value = toValue(newValue);
            Value current = toValue(currentValue);
            const bool same = (value.isNull() && current.isNull()) || value == current;
            if (newValue && !same)
                update.columns.emplace_back(column, std::move(value));
        }
        if (!update.columns.empty())
            context->updates.push_back(std::move(update));
        return SQLITE_CHANGESET_OMIT;
    }
    case SQLITE_CHANGESET_FOREIGN_KEY:
        // Rows whose parent is gone are removed after the application.
        context->foreignKeyConflict = true;
        return SQLITE_CHANGESET_OMIT;
    case SQLITE_CHANGESET_NOTFOUND:
    case SQLITE_CHANGESET_CONSTRAINT:
    default:
        return SQLITE_CHANGESET_OMIT;
    }
}

std::vector<std::string> columnNames(sqlite3 *database, const std::string &table)
{
    auto statement = prepare(database, "SELECT name FROM pragma_table_info(?1) ORDER BY cid");
    check(sqlite3_bind_text(statement.get(), 1, table.c_str(), int(table.size()), SQLITE_STATIC),
          database);
    std::vector<std::string> names;
    while (stepRow(database, statement.get()))
        names.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(statement.get(), 0)));
    return names;
}

// Column names by table, read once per table while change sets are applied.
using ColumnNamesOfTables = std::map<std::string, std::vector<std::string>>;

// A change set is read from the database file, which anyone can edit: one that
// names a table that is not there, or gives it another number of columns, is
// corrupt and raised as such, never indexed past the table's column names.
const std::vector<std::string> &cachedColumnNames(sqlite3 *database,
                                                  const std::string &table,
                                                  std::size_t columnCount,
                                                  ColumnNamesOfTables &columnNamesOfTables)
{
    auto found = columnNamesOfTables.find(table);
    if (found == columnNamesOfTables.end())
        found = columnNamesOfTables.emplace(table, columnNames(database, table)).first;
    if (found->second.size() != columnCount) {
        throwError(SQLITE_CORRUPT,
                   "Corrupt recorded change set: it gives the table \"" + table + "\" "
                       + std::to_string(columnCount) + " columns, the database "
                       + std::to_string(found->second.size()));
    }
    return found->second;
}

void runPendingUpdate(sqlite3 *database,
                      const PendingUpdate &update,
                      ColumnNamesOfTables &columnNamesOfTables)
{
    const std::vector<std::string> &names
        = cachedColumnNames(database, update.table, update.columnCount, columnNamesOfTables);
    std::string sql = "UPDATE " + quoted(update.table) + " SET ";
    int parameter = 1;
    for (const auto &[column, value] : update.columns) {
        if (parameter > 1)
            sql += ", ";
        sql += quoted(names.at(column)) + " = ?" + std::to_string(parameter++);
    }
    sql += " WHERE ";
    bool first = true;
    for (const auto &[column, value] : update.primaryKey) {
        if (!first)
            sql += " AND ";
        first = false;
        sql += quoted(names.at(column)) + " IS ?" + std::to_string(parameter++);
    }

    executeSql(database, "SAVEPOINT pendingUpdate");
    try {
        auto statement = prepare(database, sql);
        int index = 1;
        for (const auto &entry : update.columns)
            bindValue(database, statement.get(), index++, entry.second);
        for (const auto &entry : update.primaryKey)
            bindValue(database, statement.get(), index++, entry.second);
        while (stepRow(database, statement.get())) { }
        executeSql(database, "RELEASE pendingUpdate");
    } catch (const ConstraintViolation &) {
        // The edit cannot be brought back without breaking a constraint (its id
        // was taken meanwhile); the imported row stays as it is.
        executeSql(database, "ROLLBACK TO pendingUpdate");
        executeSql(database, "RELEASE pendingUpdate");
    }
}

// Edits whose parent row did not survive re-application would leave dangling
// references behind; they are removed, which also removes their own dependants.
void removeForeignKeyViolations(sqlite3 *database)
{
    auto violations = prepare(database, "SELECT \"table\", rowid FROM pragma_foreign_key_check");
    for (;;) {
        std::vector<std::pair<std::string, std::int64_t>> rows;
        while (stepRow(database, violations.get())) {
            if (sqlite3_column_type(violations.get(), 1) == SQLITE_NULL)
                continue;
            rows.emplace_back(
                reinterpret_cast<const char *>(sqlite3_column_text(violations.get(), 0)),
                sqlite3_column_int64(violations.get(), 1));
        }
        sqlite3_reset(violations.get());
        if (rows.empty())
            return;
        for (const auto &[table, rowId] : rows) {
            auto remove = prepare(database, "DELETE FROM " + quoted(table) + " WHERE rowid = ?1");
            sqlite3_bind_int64(remove.get(), 1, rowId);
            while (stepRow(database, remove.get())) { }
        }
    }
}

struct ChangeGroupDeleter
{
    void operator()(sqlite3_changegroup *group) const { sqlite3changegroup_delete(group); }
};

// Writers for the session extension's change-set format: a table header ('T',
// column count, primary-key flags, name) followed by the changes of that table
// (operation, indirect flag, the old and/or new record); the flags give each
// key column its position in the key, and a record holds one
// typed value per column, 0 marking a column the change does not carry.
void putVarint(std::string &out, std::uint64_t value)
{
    char bytes[10];
    int count = 0;
    do {
        bytes[count++] = char((value & 0x7f) | 0x80);
        value >>= 7;
    } while (value);
    bytes[0] = char(bytes[0] & 0x7f);
    while (count)
        out += bytes[--count];
}

void putBigEndian(std::string &out, std::uint64_t value)
{
    for (int shift = 56; shift >= 0; shift -= 8)
        out += char((value >> shift) & 0xff);
}

void putValue(std::string &out, sqlite3_value *value)
{
    if (!value) {
        out += char(0);
        return;
    }
    const int type = sqlite3_value_type(value);
    out += char(type);
    switch (type) {
    case SQLITE_INTEGER:
        putBigEndian(out, std::uint64_t(sqlite3_value_int64(value)));
        break;
    case SQLITE_FLOAT: {
        const double number = sqlite3_value_double(value);
        std::uint64_t bits = 0;
        std::memcpy(&bits, &number, sizeof bits);
        putBigEndian(out, bits);
        break;
    }
    case SQLITE_TEXT: {
        auto text = reinterpret_cast<const char *>(sqlite3_value_text(value));
        const int size = sqlite3_value_bytes(value);
        putVarint(out, std::uint64_t(size));
        out.append(text ? text : "", std::size_t(size));
        break;
    }
    case SQLITE_BLOB: {
        auto data = static_cast<const char *>(sqlite3_value_blob(value));
        const int size = sqlite3_value_bytes(value);
        putVarint(out, std::uint64_t(size));
        if (size > 0)
            out.append(data, std::size_t(size));
        break;
    }
    default:
        break;
    }
}

using ValueGetter = int (*)(sqlite3_changeset_iter *, int, sqlite3_value **);

void putRecord(std::string &out, sqlite3_changeset_iter *iterator, int columnCount, ValueGetter get)
{
    for (int column = 0; column < columnCount; ++column) {
        sqlite3_value *value = nullptr;
        get(iterator, column, &value);
        putValue(out, value);
    }
}

std::vector<Value> readRecord(sqlite3_changeset_iter *iterator, int columnCount, ValueGetter get)
{
    std::vector<Value> values;
    values.reserve(std::size_t(columnCount));
    for (int column = 0; column < columnCount; ++column) {
        sqlite3_value *value = nullptr;
        get(iterator, column, &value);
        values.push_back(toValue(value));
    }
    return values;
}

// An insert or update whose row is gone after re-application (its parent was
// not imported again, or the edit could not be brought back) is dropped from
// the recorded edits: ids are reused, so kept, it would later land on another
// translatable's row. Deletes stay, they are local decisions about any import.
std::string withoutChangesOfVanishedRows(sqlite3 *database,
                                         void *data,
                                         int size,
                                         ColumnNamesOfTables &columnNamesOfTables,
                                         std::int64_t &keptCount)
{
    sqlite3_changeset_iter *iteratorPointer = nullptr;
    check(sqlite3changeset_start(&iteratorPointer, size, data), database);
    std::unique_ptr<sqlite3_changeset_iter, decltype(&sqlite3changeset_finalize)> iterator(
        iteratorPointer, &sqlite3changeset_finalize);

    std::string kept;
    std::string headerTable;
    while (sqlite3changeset_next(iterator.get()) == SQLITE_ROW) {
        const char *table = nullptr;
        int columnCount = 0;
        int operation = 0;
        int indirect = 0;
        unsigned char *primaryKeyFlags = nullptr;
        check(sqlite3changeset_op(iterator.get(), &table, &columnCount, &operation, &indirect),
              database);
        check(sqlite3changeset_pk(iterator.get(), &primaryKeyFlags, &columnCount), database);

        if (operation != SQLITE_DELETE) {
            const std::vector<std::string> &names
                = cachedColumnNames(database, table, std::size_t(columnCount), columnNamesOfTables);
            std::string sql = "SELECT 1 FROM " + quoted(table) + " WHERE ";
            std::vector<sqlite3_value *> keys;
            for (int column = 0; column < columnCount; ++column) {
                if (!primaryKeyFlags[column])
                    continue;
                sqlite3_value *value = nullptr;
                if (operation == SQLITE_INSERT)
                    sqlite3changeset_new(iterator.get(), column, &value);
                else
                    sqlite3changeset_old(iterator.get(), column, &value);
                if (!keys.empty())
                    sql += " AND ";
                sql += quoted(names.at(std::size_t(column))) + " IS ?"
                    + std::to_string(keys.size() + 1);
                keys.push_back(value);
            }
            auto select = prepare(database, sql);
            for (std::size_t index = 0; index < keys.size(); ++index)
                check(sqlite3_bind_value(select.get(), int(index + 1), keys[index]), database);
            if (!stepRow(database, select.get()))
                continue;
        }

        if (headerTable != table) {
            headerTable = table;
            kept += 'T';
            putVarint(kept, std::uint64_t(columnCount));
            for (int column = 0; column < columnCount; ++column)
                kept += char(primaryKeyFlags[column]);
            kept += headerTable;
            kept += char(0);
        }
        ++keptCount;
        kept += char(operation);
        kept += char(indirect ? 1 : 0);
        if (operation != SQLITE_INSERT)
            putRecord(kept, iterator.get(), columnCount, sqlite3changeset_old);
        if (operation != SQLITE_DELETE)
            putRecord(kept, iterator.get(), columnCount, sqlite3changeset_new);
    }
    int result = sqlite3changeset_finalize(iterator.release());
    if (result != SQLITE_OK)
        throwError(result, "Corrupt recorded change set");
    return kept;
}

} // namespace

Sessions::Sessions(sqlite3 *database) : m_database(database) { }

Sessions::~Sessions()
{
    discard();
}

void Sessions::setAttachedTables(std::vector<std::string> tables)
{
    m_tables = std::move(tables);
}

void Sessions::create()
{
    discard();
    check(sqlite3session_create(m_database, "main", &m_session), m_database);
    for (const auto &table : m_tables) {
        int result = sqlite3session_attach(m_session, table.c_str());
        if (result != SQLITE_OK) {
            discard();
            throwError(result, m_database);
        }
    }
}

void Sessions::commit()
{
    if (!m_session)
        throwError(SQLITE_MISUSE, "Sessions::commit: no session is recording");
    int size = 0;
    void *data = nullptr;
    int result = sqlite3session_changeset(m_session, &size, &data);
    std::unique_ptr<void, decltype(&sqlite3_free)> changeSet(data, &sqlite3_free);
    if (result != SQLITE_OK)
        throwError(result, m_database);
    if (size > 0)
        store(data, size);
    discard();
}

void Sessions::discard()
{
    if (m_session) {
        sqlite3session_delete(m_session);
        m_session = nullptr;
    }
}

bool Sessions::hasTable()
{
    // Not cached: a rolled-back transaction may take a just-created table away.
    auto statement
        = prepare(m_database,
                  std::string("SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = '")
                      + tableName + "'");
    return stepRow(m_database, statement.get());
}

void Sessions::ensureTable()
{
    executeSql(m_database,
               std::string("CREATE TABLE IF NOT EXISTS ") + tableName
                   + "(id INTEGER PRIMARY KEY, changeSet BLOB NOT NULL)");
}

void Sessions::store(const void *data, int size)
{
    ensureTable();
    auto statement
        = prepare(m_database, std::string("INSERT INTO ") + tableName + "(changeSet) VALUES(?1)");
    check(sqlite3_bind_blob(statement.get(), 1, data, size, SQLITE_STATIC), m_database);
    stepRow(m_database, statement.get());
}

std::vector<std::string> Sessions::storedChangeSets()
{
    std::vector<std::string> changeSets;
    if (!hasTable())
        return changeSets;
    auto statement
        = prepare(m_database, std::string("SELECT changeSet FROM ") + tableName + " ORDER BY id");
    // A set that names a table the database lacks, or another number of
    // columns than it has, is as corrupt as a truncated one.
    std::map<std::string, int, std::less<>> columnCounts;
    auto countColumns = prepare(m_database, "SELECT count(*) FROM pragma_table_info(?1)");
    auto columnCountOf = [&](std::string_view table) {
        auto found = columnCounts.find(table);
        if (found == columnCounts.end()) {
            check(sqlite3_bind_text(
                      countColumns.get(), 1, table.data(), int(table.size()), SQLITE_TRANSIENT),
                  m_database);
            const int count = stepRow(m_database, countColumns.get())
                ? sqlite3_column_int(countColumns.get(), 0)
                : 0;
            sqlite3_reset(countColumns.get());
            found = columnCounts.emplace(std::string(table), count > 0 ? count : -1).first;
        }
        return found->second;
    };
    while (stepRow(m_database, statement.get())) {
        auto data = static_cast<const char *>(sqlite3_column_blob(statement.get(), 0));
        const auto size = std::size_t(sqlite3_column_bytes(statement.get(), 0));
        if (!isWellFormedChangeSet(data, size, columnCountOf))
            throwError(SQLITE_CORRUPT, "Corrupt recorded change set");
        changeSets.emplace_back(data, size);
    }
    return changeSets;
}

ChangeSets Sessions::changeSets()
{
    ChangeSets changeSets;
    for (auto &blob : storedChangeSets()) {
        sqlite3_changeset_iter *iterator = nullptr;
        check(sqlite3changeset_start(&iterator, int(blob.size()), blob.data()), m_database);
        std::unique_ptr<sqlite3_changeset_iter, decltype(&sqlite3changeset_finalize)> iteratorGuard(
            iterator, &sqlite3changeset_finalize);
        ChangeSet changeSet;
        while (sqlite3changeset_next(iterator) == SQLITE_ROW) {
            const char *table = nullptr;
            int columnCount = 0;
            int operation = 0;
            check(sqlite3changeset_op(iterator, &table, &columnCount, &operation, nullptr),
                  m_database);
            Change change;
            change.table = table;
            change.operation = operation == SQLITE_INSERT ? Operation::Insert
                : operation == SQLITE_UPDATE              ? Operation::Update
                                                          : Operation::Delete;
            if (operation != SQLITE_INSERT)
                change.oldValues = readRecord(iterator, columnCount, sqlite3changeset_old);
            if (operation != SQLITE_DELETE)
                change.newValues = readRecord(iterator, columnCount, sqlite3changeset_new);
            changeSet.push_back(std::move(change));
        }
        int result = sqlite3changeset_finalize(iteratorGuard.release());
        if (result != SQLITE_OK)
            throwError(result, "Corrupt recorded change set");
        changeSets.push_back(std::move(changeSet));
    }
    return changeSets;
}

std::int64_t Sessions::applyAndUpdate()
{
    auto blobs = storedChangeSets();
    if (blobs.empty())
        return 0;

    // The net effect of all edits: a row inserted and edited again is one
    // insert, a row inserted and deleted again is nothing.
    sqlite3_changegroup *groupPointer = nullptr;
    check(sqlite3changegroup_new(&groupPointer), m_database);
    std::unique_ptr<sqlite3_changegroup, ChangeGroupDeleter> group(groupPointer);
    for (auto &blob : blobs) {
        int result = sqlite3changegroup_add(group.get(), int(blob.size()), blob.data());
        if (result != SQLITE_OK)
            throwError(result, "Corrupt recorded change set");
    }
    int size = 0;
    void *data = nullptr;
    int result = sqlite3changegroup_output(group.get(), &size, &data);
    std::unique_ptr<void, decltype(&sqlite3_free)> combined(data, &sqlite3_free);
    if (result != SQLITE_OK)
        throwError(result, m_database);

    ApplyContext context;
    ColumnNamesOfTables columnNamesOfTables;
    std::int64_t keptCount = 0;
    if (size > 0) {
        result = sqlite3changeset_apply(m_database, size, data, nullptr, conflictHandler, &context);
        if ((result & 0xff) == SQLITE_CORRUPT)
            throwError(result, "Corrupt recorded change set");
        if (result != SQLITE_OK)
            throwError(result, m_database);
        for (const auto &update : context.updates)
            runPendingUpdate(m_database, update, columnNamesOfTables);
        if (context.foreignKeyConflict)
            removeForeignKeyViolations(m_database);
    }

    executeSql(m_database, std::string("DELETE FROM ") + tableName);
    if (size > 0) {
        const std::string kept
            = withoutChangesOfVanishedRows(m_database, data, size, columnNamesOfTables, keptCount);
        if (!kept.empty())
            store(kept.data(), int(kept.size()));
    }
    return keptCount;
}

void Sessions::deleteAll()
{
    if (hasTable())
        executeSql(m_database, std::string("DELETE FROM ") + tableName);
}

} // namespace Host::Sqlite
