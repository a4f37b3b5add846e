#include "buildtarget.h"

#include "buildbackend.h"
#include "runprofile.h"

#include <utils/softassert.h>

namespace Host::Projects {

BuildTarget::BuildTarget(Project *project, const QString &displayName)
    : m_project(project), m_displayName(displayName)
{ }

BuildTarget::~BuildTarget()
{
    m_activeRunProfile = nullptr;
    m_runProfiles.clear();
    m_buildBackend.reset();
}

void BuildTarget::setBuildBackend(std::unique_ptr<BuildBackend> backend)
{
    HOST_SOFT_ASSERT(!backend || backend->target() == this, return );
    m_buildBackend = std::move(backend);
    emit buildBackendChanged();
}

RunProfile *BuildTarget::addRunProfile(std::unique_ptr<RunProfile> profile)
{
    HOST_SOFT_ASSERT(profile && profile->target() == this, return nullptr);
    RunProfile *raw = profile.get();
    m_runProfiles.push_back(std::move(profile));
    if (!m_activeRunProfile)
        setActiveRunProfile(raw);
    return raw;
}

QList<RunProfile *> BuildTarget::runProfiles() const
{
    QList<RunProfile *> result;
    for (const auto &profile : m_runProfiles)
        result.append(profile.get());
    return result;
}

void BuildTarget::setActiveRunProfile(RunProfile *profile)
{
    HOST_SOFT_ASSERT(!profile || runProfiles().contains(profile), return );
    if (profile == m_activeRunProfile)
        return;
    m_activeRunProfile = profile;
    emit activeRunProfileChanged(profile);
}

} // namespace Host::Projects
