#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace Lexora {

// Records the project's languages in its .qmlproject file as text: the value of
// an existing entry is replaced in place, missing entries are inserted before
// the file's last closing brace, and every other byte stays as it was.
class ProjectLanguageSettings
{
public:
    // `content` with the two entries set; nullopt when an entry would have to be
    // inserted and `content` has no closing brace to insert it before.
    static std::optional<QString>
    editedProjectText(QString content, const QStringList &codes, const QString &primaryCode);

    // Edits the first .qmlproject file (by name) in `projectDirectory` and
    // replaces it atomically, so a failure leaves the old file whole. Failures
    // are logged as warnings; false when the file was not written.
    static bool writeToProjectFile(const QString &projectDirectory,
                                   const QStringList &codes,
                                   const QString &primaryCode);
};

} // namespace Lexora
