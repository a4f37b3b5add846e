#pragma once

#include "qmlproject_global.h"

#include <QObject>

namespace Host::Projects {
class Project;
}

namespace Host::QmlProject {

class DesignProject;

// Whether a QML project runs with a translation database (`translationDatabase`
// in the .qmlproject file), and the locale the preview currently shows.
class HOST_QMLPROJECT_EXPORT MultiLanguageSetting : public QObject
{
    Q_OBJECT

public:
    explicit MultiLanguageSetting(DesignProject *project);
    ~MultiLanguageSetting() override;

    // The setting of `project` when it is a QML project whose file has the
    // setting; null otherwise.
    static MultiLanguageSetting *forProject(Projects::Project *project);

    bool isPresent() const;
    bool value() const;
    // Writes the setting into the project file, adding it if absent. False (with
    // a warning logged) when the file could not be written.
    bool setValue(bool enabled);

    // The primary language until someone picks another one.
    QString currentLocale() const;
    void setCurrentLocale(const QString &locale);

signals:
    void valueChanged(bool enabled);
    void currentLocaleChanged(const QString &locale);

private:
    DesignProject *m_project;
    QString m_currentLocale;
};

} // namespace Host::QmlProject
