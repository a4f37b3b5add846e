#pragma once

#include "qmlproject_global.h"
#include "qmlprojectfile.h"

#include <projects/project.h>

#include <memory>

namespace Host::QmlProject {

class MultiLanguageSetting;
class QmlBuildBackend;

// A project opened from a .qmlproject file. Its files are everything below the
// project directory, or below the folders its `…Files { directory: "…" }`
// elements name; hidden folders and the i18n output folder are left out.
class HOST_QMLPROJECT_EXPORT DesignProject : public Projects::Project
{
    Q_OBJECT

public:
    ~DesignProject() override;

    // Null with `errorString` set when the file cannot be read or parsed.
    static std::unique_ptr<DesignProject> open(const Utils::Path &projectFile,
                                               QString *errorString);

    const QmlProjectFile &projectFile() const { return m_file; }
    QmlBuildBackend *buildBackend() const;
    MultiLanguageSetting *multiLanguageSetting() const { return m_multiLanguage.get(); }

    Utils::Path mainFile() const;
    // The folders the project's files are taken from.
    Utils::Paths sourceDirectories() const;
    // Where generated translation files go; never part of the project's files.
    Utils::Path i18nDirectory() const;

    // Reads the project file again and rescans the files. On failure the
    // project keeps its previous state.
    bool reload(QString *errorString);
    void rescan();

    // Sets a property of the root element to a QML expression and writes the
    // file, changing only that binding. Edits the file as it is on disk now, so
    // changes made elsewhere since it was read are kept. A file that exists but
    // cannot be read or parsed is not touched: false, and the new value is known
    // to the running studio only. Failures are logged as warnings.
    bool writeProperty(const QString &name, const QString &valueSource);
    // Sets a property of the root element in the project model only; the file
    // on disk is left to whoever owns that setting. False (with a warning
    // logged) when the value does not form a valid project file.
    bool setModelProperty(const QString &name, const QString &valueSource);

signals:
    void projectFileChanged();

private:
    DesignProject(const Utils::Path &projectFile, QmlProjectFile file);

    QmlProjectFile m_file;
    std::unique_ptr<MultiLanguageSetting> m_multiLanguage;
};

} // namespace Host::QmlProject
