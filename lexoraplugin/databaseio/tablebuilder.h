#pragma once

#include "databaserecords.h"

#include <string>
#include <variant>
#include <vector>

namespace Host::Sqlite {
class Database;
}

namespace Lexora {

enum class ColumnType { None, Integer, Real, Text, Numeric, Blob };
enum class ForeignKeyAction { NoAction, Restrict, SetNull, SetDefault, Cascade };
enum class Enforcement { Immediate, Deferred };

struct Unique
{
};

struct PrimaryKey
{
    bool autoincrement = false;
};

struct ForeignKey
{
    std::string table;
    std::string column;
    ForeignKeyAction updateAction = ForeignKeyAction::NoAction;
    ForeignKeyAction deleteAction = ForeignKeyAction::NoAction;
    Enforcement enforcement = Enforcement::Immediate;
};

struct NotNull
{
};

struct Check
{
    std::string expression;
};

struct DefaultValue
{
    DatabaseValue value;
};

struct DefaultExpression
{
    std::string expression;
};

struct Collate
{
    std::string collation;
};

struct GeneratedAlways
{
    std::string expression;
    bool stored = false;
};

using Constraint = std::variant<Unique,
                                PrimaryKey,
                                ForeignKey,
                                NotNull,
                                Check,
                                DefaultValue,
                                DefaultExpression,
                                Collate,
                                GeneratedAlways>;
using Constraints = std::vector<Constraint>;

struct Column
{
    std::string name;
    ColumnType type = ColumnType::None;
    Constraints constraints;
};

// Renders and runs one CREATE TABLE statement. Constraints render in the
// order they were given.
class TableBuilder
{
public:
    TableBuilder();

    void setName(std::string name) { m_name = std::move(name); }
    const std::string &name() const { return m_name; }

    void addColumn(std::string name, ColumnType type, Constraints constraints = {});
    void addPrimaryKeyConstraint(std::vector<std::string> columnNames);

    void setUseWithoutRowId(bool useWithoutRowId) { m_useWithoutRowId = useWithoutRowId; }
    void setUseIfNotExists(bool useIfNotExists) { m_useIfNotExists = useIfNotExists; }
    void setUseTemporaryTable(bool useTemporaryTable) { m_useTemporaryTable = useTemporaryTable; }

    std::string sqlStatement() const;
    void initialize(Host::Sqlite::Database &database) const;

private:
    std::string m_name;
    std::vector<Column> m_columns;
    std::vector<std::vector<std::string>> m_primaryKeyConstraints;
    bool m_useWithoutRowId = false;
    bool m_useIfNotExists = false;
    bool m_useTemporaryTable = false;
};

} // namespace Lexora
