#pragma once

#include "sqlitebasestatement.h"

namespace Host::Sqlite {

// A statement that changes the database and returns nothing to read.
class WriteStatement : public BaseStatement
{
public:
    explicit WriteStatement(std::string_view sql, Database &database) : BaseStatement(sql, database)
    {
        if (isReadOnly())
            throwMisuse("SqliteStatement::SqliteWriteStatement: is not a writable statement!");
    }

    template<typename... Values> void execute(const Values &...values)
    {
        Resetter resetter { *this };
        bindValues(values...);
        step();
    }
};

} // namespace Host::Sqlite
