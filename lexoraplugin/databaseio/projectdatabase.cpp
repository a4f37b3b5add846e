#include "projectdatabase.h"

namespace Lexora {

ProjectDatabase::ProjectDatabase(const QString &filePath, Host::Sqlite::Database::OpenMode mode)
    : m_database(filePath, mode, &SchemaInitializer::checkSchema),
      m_schemaInitializer(m_database, m_database.isInitialized()),
      m_databaseIo(m_database),
      m_languageStore(m_database)
{
    m_database.setIsInitialized(true);
}

ProjectDatabase::~ProjectDatabase() = default;

} // namespace Lexora
