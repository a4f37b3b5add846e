#pragma once

#include "databaseaccess.h"
#include "fileservices.h"
#include "generationrunner.h"
#include "jsonimportexport.h"
#include "pseudopreviewlanguages.h"
#include "translationfileservices.h"
#include "userfeedback.h"

#include <QPointer>

#include <memory>

namespace Lexora {

class ProjectDatabase;
class TranslationsView;

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
    // Running generations finish first: they read the database being replaced.
    void setProjectDatabase(std::unique_ptr<ProjectDatabase> database);

    GenerationServices generationServices();

    FileServices fileServices;
    UserFeedback userFeedback;
    TranslationFileServices translationFileServices { userFeedback };
    JsonImportExport jsonImportExport;
    DatabaseAccess databaseAccess { &jsonImportExport };
    std::unique_ptr<ProjectDatabase> projectDatabase;
    // Generations started for the project; the translations view starts them.
    GenerationRunner generationRunner { [this] {
        return generationServices();
    } };
    // The pseudo languages offered for the open database's project.
    PseudoPreviewLanguages pseudoLanguages;
    // Owned by the designer's view manager, which may destroy it first.
    QPointer<TranslationsView> view;
};

} // namespace Lexora
