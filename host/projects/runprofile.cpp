#include "runprofile.h"

#include "buildtarget.h"
#include "project.h"

namespace Host::Projects {

RunProfile::RunProfile(BuildTarget *target, const QByteArray &id, const QString &displayName)
    : m_target(target), m_id(id), m_displayName(displayName)
{ }

RunProfile::~RunProfile() = default;

void RunProfile::setMainFile(const Utils::Path &file)
{
    if (file == m_mainFile)
        return;
    m_mainFile = file;
    emit changed();
}

Utils::Path RunProfile::workingDirectory() const
{
    if (!m_workingDirectory.isEmpty())
        return m_workingDirectory;
    if (m_target && m_target->project())
        return m_target->project()->projectDirectory();
    return {};
}

void RunProfile::setWorkingDirectory(const Utils::Path &directory)
{
    if (directory == m_workingDirectory)
        return;
    m_workingDirectory = directory;
    emit changed();
}

void RunProfile::setArguments(const QStringList &arguments)
{
    if (arguments == m_arguments)
        return;
    m_arguments = arguments;
    emit changed();
}

} // namespace Host::Projects
