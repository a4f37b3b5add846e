#pragma once

#include "projects_global.h"

#include <utils/path.h>

#include <QList>
#include <QObject>

namespace Host::Projects {

class Project;

// The projects open in the studio and which of them is the startup project,
// the one that runs and whose settings the tools follow.
class HOST_PROJECTS_EXPORT Session : public QObject
{
    Q_OBJECT

public:
    // The process-wide session; created on first use, lives on the interface thread.
    static Session *instance();
    ~Session() override;

    // Takes ownership. The first project opened becomes the startup project.
    void addProject(Project *project);
    // Closes and deletes the project. When it was the startup project, the
    // first remaining one takes its place (or none).
    void removeProject(Project *project);
    void removeAllProjects();

    QList<Project *> projects() const { return m_projects; }
    Project *startupProject() const { return m_startupProject; }
    void setStartupProject(Project *project);

    // The open project that lists `file` (or whose directory holds it).
    Project *projectForFile(const Utils::Path &file) const;

signals:
    void projectAdded(Host::Projects::Project *project);
    void aboutToRemoveProject(Host::Projects::Project *project);
    void projectRemoved(Host::Projects::Project *project);
    void startupProjectChanged(Host::Projects::Project *project);

private:
    Session();

    QList<Project *> m_projects;
    Project *m_startupProject = nullptr;
};

} // namespace Host::Projects
