#pragma once

#include "sqliteexception.h"
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
        return operation == Operation::Insert ? newValue(column) : oldValue(column);
    }

    // Change sets are read from the database file, which anyone can edit: a
    // change with fewer columns than its table raises the family's exception,
    // never std::out_of_range, which no caller expects.
    const Value &newValue(std::size_t column) const { return checked(newValues, column); }
    const Value &oldValue(std::size_t column) const { return checked(oldValues, column); }

private:
    const Value &checked(const std::vector<Value> &values, std::size_t column) const
    {
        if (column >= values.size()) {
            throw Exception("Corrupt recorded change set: a change of the table \"" + table
                                + "\" has " + std::to_string(values.size())
                                + " values where column " + std::to_string(column)
                                + " was expected",
                            11 /* SQLITE_CORRUPT */);
        }
        return values[column];
    }
};

using ChangeSet = std::vector<Change>;
using ChangeSets = std::vector<ChangeSet>;

} // namespace Host::Sqlite
