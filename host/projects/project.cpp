#include "project.h"

#include "buildtarget.h"

#include <utils/softassert.h>

namespace Host::Projects {

Project::Project(const Utils::Path &projectFilePath, QObject *parent)
    : QObject(parent), m_projectFilePath(projectFilePath.absolutePath())
{ }

Project::~Project()
{
    // Targets refer back to the project; let them go while it is still whole.
    m_activeTarget = nullptr;
    m_targets.clear();
}

QString Project::displayName() const
{
    return m_displayName.isEmpty() ? m_projectFilePath.completeBaseName() : m_displayName;
}

void Project::setDisplayName(const QString &name)
{
    if (name == m_displayName)
        return;
    m_displayName = name;
    emit displayNameChanged();
}

Utils::Paths Project::files(const FileFilter &filter) const
{
    if (!filter)
        return m_files;
    Utils::Paths result;
    for (const Utils::Path &file : m_files) {
        if (filter(file))
            result.append(file);
    }
    return result;
}

bool Project::isKnownFile(const Utils::Path &path) const
{
    return path == m_projectFilePath || m_files.contains(path);
}

void Project::setFiles(const Utils::Paths &files)
{
    if (files == m_files)
        return;
    m_files = files;
    emit filesChanged();
}

BuildTarget *Project::addTarget(std::unique_ptr<BuildTarget> target)
{
    HOST_SOFT_ASSERT(target, return nullptr);
    HOST_SOFT_ASSERT(target->project() == this, return nullptr);
    BuildTarget *raw = target.get();
    m_targets.push_back(std::move(target));
    if (!m_activeTarget)
        setActiveTarget(raw);
    return raw;
}

QList<BuildTarget *> Project::targets() const
{
    QList<BuildTarget *> result;
    for (const auto &target : m_targets)
        result.append(target.get());
    return result;
}

void Project::setActiveTarget(BuildTarget *target)
{
    HOST_SOFT_ASSERT(!target || targets().contains(target), return );
    if (target == m_activeTarget)
        return;
    m_activeTarget = target;
    emit activeTargetChanged(target);
}

} // namespace Host::Projects
