#pragma once

#include "sqlitebasestatement.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <vector>

namespace Host::Sqlite {

// A read-only statement returning `ResultCount` columns; both are checked when
// it is prepared. It remembers the most rows it has returned, so callers can
// size their next result.
template<int ResultCount> class ReadStatement : public BaseStatement
{
public:
    explicit ReadStatement(std::string_view sql, Database &database) : BaseStatement(sql, database)
    {
        if (!isReadOnly())
            throwMisuse("SqliteStatement::SqliteReadStatement: is not read only statement!");
        if (columnCount() != ResultCount)
            throwMisuse(
                "SqliteStatement::SqliteReadStatement: the result has another column count!");
    }

    // Calls `callback(statement)` for every row.
    template<typename Callback, typename... Values>
    void readCallback(Callback &&callback, const Values &...values)
    {
        Resetter resetter { *this };
        bindValues(values...);
        std::size_t count = 0;
        while (next()) {
            ++count;
            callback(static_cast<const BaseStatement &>(*this));
        }
        m_maximumRowCount = std::max(m_maximumRowCount, count);
    }

    // The first column of the first row, or no value when there is no row.
    template<typename Type, typename... Values>
    std::optional<Type> optionalValue(const Values &...values)
    {
        Resetter resetter { *this };
        bindValues(values...);
        if (next())
            return fetch<Type>(0);
        return {};
    }

    template<typename Type, typename... Values>
    std::vector<Type> values(std::size_t reserveSize, const Values &...values)
    {
        std::vector<Type> result;
        result.reserve(std::max(reserveSize, m_maximumRowCount));
        readCallback(
            [&](const BaseStatement &statement) { result.push_back(statement.fetch<Type>(0)); },
            values...);
        return result;
    }

    std::size_t maximumRowCount() const { return m_maximumRowCount; }

private:
    std::size_t m_maximumRowCount = 0;
};

} // namespace Host::Sqlite
