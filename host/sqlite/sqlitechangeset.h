#pragma once

#include "sqlitevalue.h"

#include <string>
#include <vector>

namespace Host::Sqlite {

enum class Operation : unsigned char { Insert, Update, Delete };

// One row change of a recorded change set. `newValues` is filled for inserts
// and updates, `oldValues` for updates and deletes; a column an update did not
// touch holds a null (primary-key columns always carry their old value).
struct Change
{
    std::string table;
    Operation operation = Operation::Insert;
    std::vector<Value> oldValues;
    std::vector<Value> newValues;

    // The new value for inserts, the old one otherwise: the value that names
    // the row the change was made to.
    const Value &value(std::size_t column) const
    {
        return operation == Operation::Insert ? newValues.at(column) : oldValues.at(column);
    }
};

using ChangeSet = std::vector<Change>;
using ChangeSets = std::vector<ChangeSet>;

} // namespace Host::Sqlite
