#pragma once

#include "qmlproject_global.h"

#include <projects/buildbackend.h>

#include <QStringList>

namespace Host::Projects {
class Project;
}

namespace Host::QmlProject {

class DesignProject;

// The build backend of a QML project: what the .qmlproject file says about
// languages. Setters write the file right away and change nothing else in it.
class HOST_QMLPROJECT_EXPORT QmlBuildBackend : public Projects::BuildBackend
{
    Q_OBJECT

public:
    explicit QmlBuildBackend(Projects::BuildTarget *target);
    ~QmlBuildBackend() override;

    // The backend of `project`'s active target, if that is a QML project.
    static QmlBuildBackend *forProject(Projects::Project *project);

    QString name() const override;
    DesignProject *qmlProject() const;

    // Language codes from `supportedLanguages`; empty when the file has none.
    QStringList supportedLanguages() const;
    // `primaryLanguage`; empty when the file has none.
    QString primaryLanguage() const;

    // Return false (with a warning logged) when the file could not be written;
    // the new value is then known to the running studio only.
    bool setSupportedLanguages(const QStringList &languages);
    bool setPrimaryLanguage(const QString &language);

    void notifyParsing(bool started, bool success = true);

signals:
    void supportedLanguagesChanged();
    void primaryLanguageChanged();
};

} // namespace Host::QmlProject
