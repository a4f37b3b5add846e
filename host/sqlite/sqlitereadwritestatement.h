#pragma once

#include "sqlitebasestatement.h"

#include <optional>

namespace Host::Sqlite {

// A writing statement that returns `ResultCount` columns, such as an INSERT
// with RETURNING.
template<int ResultCount> class ReadWriteStatement : public BaseStatement
{
public:
    explicit ReadWriteStatement(std::string_view sql, Database &database)
        : BaseStatement(sql, database)
    {
        if (isReadOnly())
            throwMisuse("SqliteStatement::SqliteWriteStatement: is not a writable statement!");
        if (columnCount() != ResultCount)
            throwMisuse(
                "SqliteStatement::SqliteReadWriteStatement: the result has another column count!");
    }

    // The first column of the first returned row, or no value. The statement
    // always runs to its end, so every row is written.
    template<typename Type, typename... Values>
    std::optional<Type> optionalValue(const Values &...values)
    {
        Resetter resetter { *this };
        bindValues(values...);
        std::optional<Type> result;
        if (next()) {
            result = fetch<Type>(0);
            step();
        }
        return result;
    }

    template<typename Callback, typename... Values>
    void readCallback(Callback &&callback, const Values &...values)
    {
        Resetter resetter { *this };
        bindValues(values...);
        while (next())
            callback(static_cast<const BaseStatement &>(*this));
    }
};

} // namespace Host::Sqlite
