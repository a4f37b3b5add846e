#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace Host::QmlProject {
class QmlProjectFile;
}

namespace Lexora {

// Records the project's languages in its .qmlproject file. The file is edited
// where Qt's QML parser places the entries: the value of an existing entry is
// replaced, a missing one is added before the `Project` element's closing
// brace, and every other character stays as it was. An edit that would not
// read back with the new languages and everything else unchanged is refused.
class ProjectLanguageSettings
{
public:
    // `file` with both entries set; false with `errorString` set (and `file`
    // unchanged) when the edit is refused.
    static bool setLanguages(Host::QmlProject::QmlProjectFile &file,
                             const QStringList &codes,
                             const QString &primaryCode,
                             QString *errorString);

    // `content` with both entries set; nullopt with `errorString` set when it
    // does not read as a project file or the edit is refused.
    static std::optional<QString> editedProjectText(const QString &content,
                                                    const QStringList &codes,
                                                    const QString &primaryCode,
                                                    QString *errorString);

    // Edits the first .qmlproject file (by name) in `projectDirectory` and
    // replaces it atomically, so a failure leaves the old file whole. Failures
    // are logged as warnings; false with `errorString` (when given) set to a
    // message for the user when the file was not written.
    static bool writeToProjectFile(const QString &projectDirectory,
                                   const QStringList &codes,
                                   const QString &primaryCode,
                                   QString *errorString = nullptr);

    // The languages `chosen` in the order of the project's `current` ones, newly
    // chosen ones after them in the order given, so that a change of languages
    // changes only what was added or removed.
    static QStringList keptOrder(const QStringList &current, const QStringList &chosen);
};

} // namespace Lexora
