#pragma once

#include "projects_global.h"

#include <QObject>

#include <memory>
#include <vector>

namespace Host::Projects {

class BuildBackend;
class Project;
class RunProfile;

// One way of building and running a project (a kit, a device). Owns the
// project's build backend for this target and its run profiles.
class HOST_PROJECTS_EXPORT BuildTarget : public QObject
{
    Q_OBJECT

public:
    BuildTarget(Project *project, const QString &displayName);
    ~BuildTarget() override;

    Project *project() const { return m_project; }
    QString displayName() const { return m_displayName; }

    BuildBackend *buildBackend() const { return m_buildBackend.get(); }
    // Takes ownership; replaces (and deletes) a previous backend.
    void setBuildBackend(std::unique_ptr<BuildBackend> backend);

    // Takes ownership. The first profile added becomes the active one.
    RunProfile *addRunProfile(std::unique_ptr<RunProfile> profile);
    QList<RunProfile *> runProfiles() const;
    RunProfile *activeRunProfile() const { return m_activeRunProfile; }
    void setActiveRunProfile(RunProfile *profile);

signals:
    void buildBackendChanged();
    void activeRunProfileChanged(Host::Projects::RunProfile *profile);

private:
    Project *m_project;
    QString m_displayName;
    std::unique_ptr<BuildBackend> m_buildBackend;
    std::vector<std::unique_ptr<RunProfile>> m_runProfiles;
    RunProfile *m_activeRunProfile = nullptr;
};

} // namespace Host::Projects
