#pragma once

#include <sqlite/sqlitereadstatement.h>
#include <sqlite/sqlitewritestatement.h>

#include <memory>

namespace Host::Sqlite {
class Database;
}

namespace Lexora {

// The `languages` table: created with the rest of a new database, and its
// statements prepared on every open, so a database without a usable table
// fails to open.
class LanguageStore
{
public:
    explicit LanguageStore(Host::Sqlite::Database &database);
    ~LanguageStore();

private:
    struct Statements;
    std::unique_ptr<Statements> m_statements;
};

} // namespace Lexora
