#pragma once

#include "databaseio.h"
#include "languagestore.h"
#include "schemainitializer.h"

#include <sqlite/sqlitedatabase.h>

#include <QString>

namespace Lexora {

// The open translation database of a project: the connection, the schema set
// up on a new file, the translation statements and the language statements.
// Construction raises Host::Sqlite::Exception when the file cannot be opened,
// is not a database or does not match the schema. Opened read-only, a file
// without the schema raises as well, since it cannot be set up.
class ProjectDatabase
{
public:
    explicit ProjectDatabase(const QString &filePath,
                             Host::Sqlite::Database::OpenMode mode
                             = Host::Sqlite::Database::OpenMode::ReadWrite);
    ~ProjectDatabase();

    ProjectDatabase(const ProjectDatabase &) = delete;
    ProjectDatabase &operator=(const ProjectDatabase &) = delete;

    DatabaseIo &databaseIo() { return m_databaseIo; }
    Host::Sqlite::Database &database() { return m_database; }

private:
    // Declaration order is construction order; destruction runs backwards.
    Host::Sqlite::Database m_database;
    SchemaInitializer m_schemaInitializer;
    DatabaseIo m_databaseIo;
    LanguageStore m_languageStore;
};

} // namespace Lexora
