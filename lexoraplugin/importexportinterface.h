#pragma once

#include "databaseio/databaserecords.h"

#include <QString>

namespace Lexora {

// Reads and writes the JSON translation file exchanged with translators.
// Failures raise CannotOpenJsonFile or CannotReadJsonFile.
class ImportExportInterface
{
public:
    virtual ~ImportExportInterface() = default;

    virtual TranslatableEntries importFile(const QString &filePath) = 0;
    virtual void exportFile(const QString &filePath,
                            const TranslatableEntries &entries,
                            const QString &projectName)
        = 0;

protected:
    ImportExportInterface() = default;
    ImportExportInterface(const ImportExportInterface &) = default;
    ImportExportInterface &operator=(const ImportExportInterface &) = default;
};

} // namespace Lexora
