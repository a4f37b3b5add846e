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
// languages. The setters keep the project model in step with a choice; they do
// not write the file, whose text the caller edits in its own way (two writers
// with two styles would leave the file depending on who wrote last).
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

    // Return false (with a warning logged) when the value does not fit into the
    // project model.
    bool setSupportedLanguages(const QStringList &languages);
    bool setPrimaryLanguage(const QString &language);

    void notifyParsing(bool started, bool success = true);

signals:
    void supportedLanguagesChanged();
    void primaryLanguageChanged();
};

} // namespace Host::QmlProject
