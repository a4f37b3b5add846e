#include "session.h"

#include "project.h"

#include <utils/lazyinstance.h>
#include <utils/softassert.h>

namespace Host::Projects {

Session *Session::instance()
{
    return Utils::lazyInstance<Session>([] { return new Session; });
}

Session::Session() = default;

Session::~Session()
{
    // No signals at exit: listeners may already be gone.
    m_startupProject = nullptr;
    qDeleteAll(m_projects);
    m_projects.clear();
}

void Session::addProject(Project *project)
{
    HOST_SOFT_ASSERT(project, return );
    HOST_SOFT_ASSERT(!m_projects.contains(project), return );
    project->setParent(nullptr); // owned through m_projects
    m_projects.append(project);
    emit projectAdded(project);
    if (!m_startupProject)
        setStartupProject(project);
}

void Session::removeProject(Project *project)
{
    HOST_SOFT_ASSERT(project && m_projects.contains(project), return );
    emit aboutToRemoveProject(project);
    m_projects.removeOne(project);
    if (project == m_startupProject)
        setStartupProject(m_projects.value(0, nullptr));
    emit projectRemoved(project);
    delete project;
}

void Session::removeAllProjects()
{
    while (!m_projects.isEmpty())
        removeProject(m_projects.constLast());
}

void Session::setStartupProject(Project *project)
{
    HOST_SOFT_ASSERT(!project || m_projects.contains(project), return );
    if (project == m_startupProject)
        return;
    m_startupProject = project;
    emit startupProjectChanged(project);
}

Project *Session::projectForFile(const Utils::Path &file) const
{
    for (Project *project : m_projects) {
        if (project->isKnownFile(file))
            return project;
    }
    for (Project *project : m_projects) {
        if (file.isChildOf(project->projectDirectory()))
            return project;
    }
    return nullptr;
}

} // namespace Host::Projects
