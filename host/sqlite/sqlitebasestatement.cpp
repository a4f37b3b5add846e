#include "sqlitebasestatement.h"

#include "sqlitedatabase.h"
#include "sqliteexception.h"

#include <sqlite3.h>

namespace Host::Sqlite {

BaseStatement::BaseStatement(std::string_view sql, Database &database) : m_database(database)
{
    const char *tail = nullptr;
    int result = sqlite3_prepare_v3(database.handle(),
                                    sql.data(),
                                    int(sql.size()),
                                    SQLITE_PREPARE_PERSISTENT,
                                    &m_statement,
                                    &tail);
    if (result != SQLITE_OK)
        Sqlite::throwError(result, database.handle());
    if (!m_statement)
        Sqlite::throwError(SQLITE_MISUSE, "BaseStatement: the SQL text holds no statement");
    m_arrays.resize(std::size_t(sqlite3_bind_parameter_count(m_statement)) + 1);
}

BaseStatement::~BaseStatement()
{
    sqlite3_finalize(m_statement);
}

void BaseStatement::throwError(int result) const
{
    Sqlite::throwError(result, m_database.handle());
}

void BaseStatement::throwMisuse(const char *message) const
{
    throw StatementMisuse(message, SQLITE_MISUSE);
}

void BaseStatement::checkBinding(int result) const
{
    if (result != SQLITE_OK)
        throwError(result);
}

void BaseStatement::bind(int index, std::nullptr_t)
{
    checkBinding(sqlite3_bind_null(m_statement, index));
}

void BaseStatement::bind(int index, int value)
{
    checkBinding(sqlite3_bind_int(m_statement, index, value));
}

void BaseStatement::bind(int index, long value)
{
    checkBinding(sqlite3_bind_int64(m_statement, index, value));
}

void BaseStatement::bind(int index, long long value)
{
    checkBinding(sqlite3_bind_int64(m_statement, index, value));
}

void BaseStatement::bind(int index, double value)
{
    checkBinding(sqlite3_bind_double(m_statement, index, value));
}

void BaseStatement::bind(int index, std::string_view text)
{
    // A null pointer would bind NULL instead of the empty text.
    checkBinding(sqlite3_bind_text64(m_statement,
                                     index,
                                     text.data() ? text.data() : "",
                                     text.size(),
                                     SQLITE_STATIC,
                                     SQLITE_UTF8));
}

void BaseStatement::bind(int index, const Value &value)
{
    switch (value.type()) {
    case ValueType::Null:
        bind(index, nullptr);
        break;
    case ValueType::Integer:
        bind(index, static_cast<long long>(value.toInteger()));
        break;
    case ValueType::Float:
        bind(index, value.toFloat());
        break;
    case ValueType::Text:
        bind(index, value.toText());
        break;
    case ValueType::Blob: {
        // The blob is a copy owned by this call, so SQLite keeps its own.
        const QByteArray blob = value.toBlob();
        checkBinding(sqlite3_bind_blob64(
            m_statement, index, blob.constData(), sqlite3_uint64(blob.size()), SQLITE_TRANSIENT));
        break;
    }
    }
}

void BaseStatement::bind(int index, std::span<const std::int64_t> values)
{
    if (index < 1 || std::size_t(index) >= m_arrays.size())
        throwError(SQLITE_RANGE);
    CArray &array = m_arrays[std::size_t(index)];
    array.data = values.data();
    array.size = values.size();
    checkBinding(sqlite3_bind_pointer(m_statement, index, &array, carrayPointerType, nullptr));
}

bool BaseStatement::next()
{
    const Database::BoundedWork work(m_database);
    int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    if (work.timedOut())
        work.throwError(result);
    throwError(result);
}

void BaseStatement::step()
{
    while (next()) { }
}

void BaseStatement::reset() noexcept
{
    // The error of a failed step is reported by the step itself.
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

int BaseStatement::columnCount() const
{
    return sqlite3_column_count(m_statement);
}

int BaseStatement::bindingCount() const
{
    return sqlite3_bind_parameter_count(m_statement);
}

bool BaseStatement::isReadOnly() const
{
    return sqlite3_stmt_readonly(m_statement) != 0;
}

ValueType BaseStatement::columnType(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return ValueType::Integer;
    case SQLITE_FLOAT:
        return ValueType::Float;
    case SQLITE_TEXT:
        return ValueType::Text;
    case SQLITE_BLOB:
        return ValueType::Blob;
    default:
        return ValueType::Null;
    }
}

int BaseStatement::fetchIntValue(int column) const
{
    return sqlite3_column_int(m_statement, column);
}

std::int64_t BaseStatement::fetchLongLongValue(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double BaseStatement::fetchDoubleValue(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

std::string_view BaseStatement::fetchTextView(int column) const
{
    auto text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    if (!text)
        return {};
    return std::string_view(text, std::size_t(sqlite3_column_bytes(m_statement, column)));
}

Value BaseStatement::fetchValue(int column) const
{
    switch (columnType(column)) {
    case ValueType::Integer:
        return Value { static_cast<long long>(fetchLongLongValue(column)) };
    case ValueType::Float:
        return Value { fetchDoubleValue(column) };
    case ValueType::Text:
        return Value { fetchTextView(column) };
    case ValueType::Blob: {
        auto data = static_cast<const char *>(sqlite3_column_blob(m_statement, column));
        return Value { QByteArray(data, sqlite3_column_bytes(m_statement, column)) };
    }
    case ValueType::Null:
        break;
    }
    return {};
}

} // namespace Host::Sqlite
