#include "tablebuilder.h"

#include <sqlite/sqlitedatabase.h>

#include <cstdio>

namespace Lexora {

namespace {

const char *typeName(ColumnType type)
{
    switch (type) {
    case ColumnType::Integer:
        return " INTEGER";
    case ColumnType::Real:
        return " REAL";
    case ColumnType::Text:
        return " TEXT";
    case ColumnType::Numeric:
        return " NUMERIC";
    case ColumnType::Blob:
        return " BLOB";
    case ColumnType::None:
        break;
    }
    return "";
}

const char *actionName(ForeignKeyAction action)
{
    switch (action) {
    case ForeignKeyAction::Restrict:
        return "RESTRICT";
    case ForeignKeyAction::SetNull:
        return "SET NULL";
    case ForeignKeyAction::SetDefault:
        return "SET DEFAULT";
    case ForeignKeyAction::Cascade:
        return "CASCADE";
    case ForeignKeyAction::NoAction:
        break;
    }
    return "NO ACTION";
}

std::string quotedText(std::string_view text)
{
    std::string quoted = "'";
    for (char character : text) {
        if (character == '\'')
            quoted += '\'';
        quoted += character;
    }
    return quoted + '\'';
}

std::string literal(const DatabaseValue &value)
{
    switch (value.type()) {
    case Host::Sqlite::ValueType::Null:
        return "NULL";
    case Host::Sqlite::ValueType::Integer:
        return std::to_string(value.toInteger());
    case Host::Sqlite::ValueType::Float: {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.17g", value.toFloat());
        return buffer;
    }
    case Host::Sqlite::ValueType::Text:
        return quotedText(value.toText());
    case Host::Sqlite::ValueType::Blob:
        return "X'" + value.toBlob().toHex().toStdString() + "'";
    }
    return "NULL";
}

struct ConstraintRenderer
{
    std::string &sql;

    void operator()(const Unique &) { sql += " UNIQUE"; }
    void operator()(const PrimaryKey &primaryKey)
    {
        sql += " PRIMARY KEY";
        if (primaryKey.autoincrement)
            sql += " AUTOINCREMENT";
    }
    void operator()(const ForeignKey &foreignKey)
    {
        sql += " REFERENCES " + foreignKey.table;
        if (!foreignKey.column.empty())
            sql += "(" + foreignKey.column + ")";
        if (foreignKey.updateAction != ForeignKeyAction::NoAction)
            sql += std::string(" ON UPDATE ") + actionName(foreignKey.updateAction);
        if (foreignKey.deleteAction != ForeignKeyAction::NoAction)
            sql += std::string(" ON DELETE ") + actionName(foreignKey.deleteAction);
        if (foreignKey.enforcement == Enforcement::Deferred)
            sql += " DEFERRABLE INITIALLY DEFERRED";
    }
    void operator()(const NotNull &) { sql += " NOT NULL"; }
    void operator()(const Check &check) { sql += " CHECK (" + check.expression + ")"; }
    void operator()(const DefaultValue &value) { sql += " DEFAULT " + literal(value.value); }
    void operator()(const DefaultExpression &expression)
    {
        sql += " DEFAULT (" + expression.expression + ")";
    }
    void operator()(const Collate &collate) { sql += " COLLATE " + collate.collation; }
    void operator()(const GeneratedAlways &generated)
    {
        sql += " GENERATED ALWAYS AS (" + generated.expression + ")";
        sql += generated.stored ? " STORED" : " VIRTUAL";
    }
};

} // namespace

TableBuilder::TableBuilder()
{
    m_columns.reserve(10);
}

void TableBuilder::addColumn(std::string name, ColumnType type, Constraints constraints)
{
    m_columns.push_back(Column { std::move(name), type, std::move(constraints) });
}

void TableBuilder::addPrimaryKeyConstraint(std::vector<std::string> columnNames)
{
    m_primaryKeyConstraints.push_back(std::move(columnNames));
}

std::string TableBuilder::sqlStatement() const
{
    std::string sql = "CREATE ";
    if (m_useTemporaryTable)
        sql += "TEMPORARY ";
    sql += "TABLE ";
    if (m_useIfNotExists)
        sql += "IF NOT EXISTS ";
    sql += m_name + "(";

    bool first = true;
    for (const Column &column : m_columns) {
        if (!first)
            sql += ", ";
        first = false;
        sql += column.name;
        sql += typeName(column.type);
        ConstraintRenderer renderer { sql };
        for (const Constraint &constraint : column.constraints)
            std::visit(renderer, constraint);
    }
    for (const auto &primaryKey : m_primaryKeyConstraints) {
        sql += ", PRIMARY KEY(";
        for (std::size_t index = 0; index < primaryKey.size(); ++index) {
            if (index)
                sql += ", ";
            sql += primaryKey[index];
        }
        sql += ")";
    }
    sql += ")";
    if (m_useWithoutRowId)
        sql += " WITHOUT ROWID";
    return sql;
}

void TableBuilder::initialize(Host::Sqlite::Database &database) const
{
    database.execute(sqlStatement());
}

} // namespace Lexora
