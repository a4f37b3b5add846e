#pragma once

#include <QByteArray>
#include <QStringList>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QIODevice;

namespace Lexora {

// UTF-8 file system paths as the generation code passes them around.
using FilePath = std::string;
using FilePaths = std::vector<FilePath>;

// What the generation code needs to know about the open project and its files.
// The project queries may be called from any thread; the file operations keep
// no state, so several workers may use them at once.
class FileServicesInterface
{
public:
    virtual ~FileServicesInterface() = default;

    virtual void writeFile(std::string_view path, const QByteArray &bytes) = 0;
    // Kept for interface compatibility; has no behaviour.
    virtual void reserved() = 0;
    // The startup project's .qml files and the .js/.mjs files that QML imports,
    // in project order; empty without a project.
    virtual FilePaths projectQmlFiles() = 0;
    // An open device owned by the caller, or null when the file cannot be opened.
    // Whatever is written becomes visible under `path` as a whole when the
    // device is closed or destroyed, never half-written.
    virtual std::unique_ptr<QIODevice> openFileForWriting(std::string_view path) = 0;
    virtual std::unique_ptr<QIODevice> openFileForReading(std::string_view path) = 0;
    // The startup project's i18n directory, created if missing; empty without a
    // project.
    virtual FilePath i18nDirectory() = 0;
    // What kept projectQmlFiles() from being complete: a folder the project
    // names that does not exist or cannot be read, one text per problem.
    virtual QStringList projectFileProblems() = 0;

protected:
    FileServicesInterface() = default;
    FileServicesInterface(const FileServicesInterface &) = default;
    FileServicesInterface &operator=(const FileServicesInterface &) = default;
};

} // namespace Lexora
