#pragma once

#include "projects_global.h"

#include <utils/path.h>

#include <QObject>

namespace Host::Projects {

class Project;

// What the project tree has selected: the current file and the project it
// belongs to. The tree widget sets it; tools ask it where the user is.
class HOST_PROJECTS_EXPORT ProjectNavigator : public QObject
{
    Q_OBJECT

public:
    static ProjectNavigator *instance();
    ~ProjectNavigator() override;

    Utils::Path currentFilePath() const { return m_currentFile; }
    void setCurrentFilePath(const Utils::Path &file);
    // The project of the current file, or the startup project without a file.
    Project *currentProject() const;

signals:
    void currentFileChanged(const Host::Utils::Path &file);

private:
    ProjectNavigator();

    Utils::Path m_currentFile;
};

} // namespace Host::Projects
