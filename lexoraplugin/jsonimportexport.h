#pragma once

#include "importexportinterface.h"

namespace Lexora {

// The JSON translation file:
//   { "translatables": [ { "trId": "...",
//                          "translations": [ { "language": "de", "translation": "..." } ] } ] }
class JsonImportExport final : public ImportExportInterface
{
public:
    TranslatableEntries importFile(const QString &filePath) override;
    void exportFile(const QString &filePath,
                    const TranslatableEntries &entries,
                    const QString &projectName) override;
};

} // namespace Lexora
