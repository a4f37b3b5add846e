#pragma once

#include "sqlitecarray.h"
#include "sqlitevalue.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

struct sqlite3_stmt;

namespace Host::Sqlite {

class Database;

// A prepared statement. The checked kinds (ReadStatement, ReadWriteStatement,
// WriteStatement) build on it; every use binds, steps and resets in one call,
// and the reset also happens when an exception leaves the call.
class HOST_SQLITE_EXPORT BaseStatement
{
public:
    explicit BaseStatement(std::string_view sql, Database &database);
    ~BaseStatement();

    BaseStatement(const BaseStatement &) = delete;
    BaseStatement &operator=(const BaseStatement &) = delete;

    void bind(int index, std::nullptr_t);
    void bind(int index, int value);
    void bind(int index, long value);
    void bind(int index, long long value);
    void bind(int index, double value);
    void bind(int index, std::string_view text);
    void bind(int index, const std::string &text) { bind(index, std::string_view(text)); }
    void bind(int index, const char *text) { bind(index, std::string_view(text)); }
    void bind(int index, const Value &value);
    // Binds the integers for `carray(?)`; they must outlive the statement's use.
    void bind(int index, std::span<const std::int64_t> values);
    void bind(int index, const std::vector<std::int64_t> &values)
    {
        bind(index, std::span<const std::int64_t>(values));
    }

    template<typename... Values> void bindValues(const Values &...values)
    {
        int index = 0;
        (bind(++index, values), ...);
    }

    // True while there is a row to read, false when done.
    bool next();
    // Runs to the end, ignoring rows.
    void step();
    void reset() noexcept;

    int columnCount() const;
    int bindingCount() const;
    bool isReadOnly() const;
    ValueType columnType(int column) const;
    int fetchIntValue(int column) const;
    std::int64_t fetchLongLongValue(int column) const;
    double fetchDoubleValue(int column) const;
    // Valid until the statement steps or resets.
    std::string_view fetchTextView(int column) const;
    std::string fetchText(int column) const { return std::string(fetchTextView(column)); }
    Value fetchValue(int column) const;

    template<typename Type> Type fetch(int column) const
    {
        if constexpr (std::is_same_v<Type, int>)
            return fetchIntValue(column);
        else if constexpr (std::is_same_v<Type, std::int64_t> || std::is_same_v<Type, long long>)
            return fetchLongLongValue(column);
        else if constexpr (std::is_same_v<Type, double>)
            return fetchDoubleValue(column);
        else if constexpr (std::is_same_v<Type, bool>)
            return fetchLongLongValue(column) != 0;
        else if constexpr (std::is_same_v<Type, std::string>)
            return fetchText(column);
        else if constexpr (std::is_same_v<Type, Value>)
            return fetchValue(column);
        else
            static_assert(std::is_same_v<Type, void>, "unsupported column type");
    }

    sqlite3_stmt *handle() const { return m_statement; }
    Database &database() const { return m_database; }

protected:
    // Resets the statement when the scope of one use ends, however it ends.
    class Resetter
    {
    public:
        explicit Resetter(BaseStatement &statement) : m_statement(statement) { }
        ~Resetter() { m_statement.reset(); }
        Resetter(const Resetter &) = delete;
        Resetter &operator=(const Resetter &) = delete;

    private:
        BaseStatement &m_statement;
    };

    [[noreturn]] void throwMisuse(const char *message) const;

private:
    [[noreturn]] void throwError(int result) const;
    void checkBinding(int result) const;

    Database &m_database;
    sqlite3_stmt *m_statement = nullptr;
    std::vector<CArray> m_arrays;
};

} // namespace Host::Sqlite
