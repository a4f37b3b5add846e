#include "lexorapluginprivate.h"

#include "databaseio/projectdatabase.h"

namespace Lexora {

LexoraPluginPrivate::LexoraPluginPrivate() = default;

LexoraPluginPrivate::~LexoraPluginPrivate()
{
    setProjectDatabase({});
}

void LexoraPluginPrivate::setProjectDatabase(std::unique_ptr<ProjectDatabase> database)
{
    generationRunner.waitForFinished();
    // They are made from the database going away.
    pseudoLanguages.setProject(nullptr, nullptr, nullptr);

    // Nothing may reach the old database once it starts going away.
    databaseAccess.setDatabaseIo(database ? &database->databaseIo() : nullptr);
    std::swap(projectDatabase, database);
    database.reset();
}

} // namespace Lexora

namespace Lexora {

GenerationServices LexoraPluginPrivate::generationServices()
{
    return { &translationFileServices, databaseAccess.databaseIo(), &fileServices, &userFeedback };
}

} // namespace Lexora
