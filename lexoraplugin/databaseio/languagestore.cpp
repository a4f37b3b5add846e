#include "languagestore.h"

#include "schemainitializer.h"

#include <sqlite/sqlitedatabase.h>
#include <sqlite/sqlitetransaction.h>

namespace Lexora {

struct LanguageStore::Statements
{
    explicit Statements(Host::Sqlite::Database &database)
        : selectLanguages("SELECT code, name FROM languages", database),
          deleteLanguages("DELETE FROM languages", database),
          insertLanguage("INSERT INTO languages(code, name) VALUES (?1, ?2)", database)
    { }

    Host::Sqlite::ReadStatement<2> selectLanguages;
    Host::Sqlite::WriteStatement deleteLanguages;
    Host::Sqlite::WriteStatement insertLanguage;
};

LanguageStore::LanguageStore(Host::Sqlite::Database &database)
{
    if (!database.isInitialized())
        SchemaInitializer::createLanguagesTable(database);

    // Preparing reads the schema only: a deferred transaction does not wait
    // for (or block) another connection that is writing.
    Host::Sqlite::DeferredTransaction transaction { database };
    m_statements = std::make_unique<Statements>(database);
    transaction.commit();
}

LanguageStore::~LanguageStore() = default;

} // namespace Lexora
