#pragma once

#include <QString>

namespace Lexora {

// A file the user names for the tool to write (an export, a report). Typing
// the wrong name must not cost the project its own files, so the tool refuses
// the translation database and the files SQLite keeps beside it, the project
// file, the project's QML and JavaScript sources, the generated translation
// files, and (unless forced) an existing file that does not hold JSON.
class OutputTarget
{
public:
    OutputTarget(const QString &projectDirectory, const QString &databasePath);

    // Why `path` must not be written, or an empty string when it may.
    QString refusal(const QString &path, bool force) const;

private:
    QString m_projectDirectory; // canonical
    QString m_databasePath;
};

} // namespace Lexora
