#pragma once

#include "importexportinterface.h"

namespace Lexora {

// The JSON translation file:
//   { "translatables": [ { "trId": "...",
//                          "translations": [ { "language": "de", "translation": "..." } ] } ] }
//
// Members other than these are refused in translatable and translation
// objects unless accepted with setAcceptUnknownMembers(); the root object may
// hold others.
class JsonImportExport final : public ImportExportInterface
{
public:
    void setAcceptUnknownMembers(bool accept);
    bool acceptsUnknownMembers() const { return m_acceptUnknownMembers; }

    TranslatableEntries importFile(const QString &filePath) override;
    void exportFile(const QString &filePath,
                    const TranslatableEntries &entries,
                    const QString &projectName) override;

private:
    bool m_acceptUnknownMembers = false;
};

} // namespace Lexora
