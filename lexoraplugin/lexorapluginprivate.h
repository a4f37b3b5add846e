#pragma once

#include "databaseaccess.h"
#include "jsonimportexport.h"
#include "userfeedback.h"

#include <memory>

namespace Lexora {

class ProjectDatabase;

// The plugin's state: its services, the open project's database and what the
// view is given of them. Members are declared in construction order; the
// destructor releases the database before anything else.
class LexoraPluginPrivate
{
public:
    LexoraPluginPrivate();
    ~LexoraPluginPrivate();

    LexoraPluginPrivate(const LexoraPluginPrivate &) = delete;
    LexoraPluginPrivate &operator=(const LexoraPluginPrivate &) = delete;

    // Installs `database` (null: none) and points the database access at it.
    void setProjectDatabase(std::unique_ptr<ProjectDatabase> database);

    UserFeedback userFeedback;
    JsonImportExport jsonImportExport;
    DatabaseAccess databaseAccess { &jsonImportExport };
    std::unique_ptr<ProjectDatabase> projectDatabase;
};

} // namespace Lexora
