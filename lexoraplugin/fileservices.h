#pragma once

#include "fileservicesinterface.h"

namespace Lexora {

// File services over the host's session: the project queries run on the thread
// the session lives on (the interface thread), the file operations on the
// calling thread.
class FileServices final : public FileServicesInterface
{
public:
    void writeFile(std::string_view path, const QByteArray &bytes) override;
    void reserved() override;
    FilePaths projectQmlFiles() override;
    std::unique_ptr<QIODevice> openFileForWriting(std::string_view path) override;
    std::unique_ptr<QIODevice> openFileForReading(std::string_view path) override;
    FilePath i18nDirectory() override;
    QStringList projectFileProblems() override;
};

} // namespace Lexora
