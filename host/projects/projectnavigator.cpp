#include "projectnavigator.h"

#include "project.h"
#include "session.h"

#include <utils/lazyinstance.h>

namespace Host::Projects {

ProjectNavigator *ProjectNavigator::instance()
{
    return Utils::lazyInstance<ProjectNavigator>([] { return new ProjectNavigator; });
}

ProjectNavigator::ProjectNavigator()
{
    // A file of a closed project is no longer shown in the tree.
    connect(Session::instance(), &Session::aboutToRemoveProject, this, [this](Project *project) {
        if (Session::instance()->projectForFile(m_currentFile) == project)
            setCurrentFilePath({});
    });
}

ProjectNavigator::~ProjectNavigator() = default;

void ProjectNavigator::setCurrentFilePath(const Utils::Path &file)
{
    if (file == m_currentFile)
        return;
    m_currentFile = file;
    emit currentFileChanged(file);
}

Project *ProjectNavigator::currentProject() const
{
    if (m_currentFile.isEmpty())
        return Session::instance()->startupProject();
    return Session::instance()->projectForFile(m_currentFile);
}

} // namespace Host::Projects
