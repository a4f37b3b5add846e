#pragma once

#include "qmlproject_global.h"

#include <projects/buildbackend.h>
#include <utils/path.h>

#include <QList>
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

    // Languages a plugin offers for previewing only: made from the project's
    // own texts rather than translated (pseudo locales), so they are no
    // supported languages, and their compiled translations live outside the
    // project, in <directory>/i18n/qml_<code>.qm. Kept in memory only.
    struct PreviewOnlyLanguage
    {
        QString code;
        Utils::Path directory;
    };
    void setPreviewOnlyLanguages(const QList<PreviewOnlyLanguage> &languages);
    QStringList previewOnlyLanguages() const;
    // The directory whose i18n folder holds the translations of `language`:
    // the one a preview-only language names, else the project directory.
    Utils::Path translationDirectory(const QString &language) const;

    void notifyParsing(bool started, bool success = true);

signals:
    void supportedLanguagesChanged();
    void primaryLanguageChanged();
    void previewOnlyLanguagesChanged();

private:
    QList<PreviewOnlyLanguage> m_previewOnlyLanguages;
};

} // namespace Host::QmlProject
