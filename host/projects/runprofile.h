#pragma once

#include "projects_global.h"

#include <utils/path.h>

#include <QObject>
#include <QStringList>

namespace Host::Projects {

class BuildTarget;

// How a target's program is started: which file, where, with which arguments.
class HOST_PROJECTS_EXPORT RunProfile : public QObject
{
    Q_OBJECT

public:
    RunProfile(BuildTarget *target, const QByteArray &id, const QString &displayName);
    ~RunProfile() override;

    BuildTarget *target() const { return m_target; }
    QByteArray id() const { return m_id; }
    QString displayName() const { return m_displayName; }

    Utils::Path mainFile() const { return m_mainFile; }
    void setMainFile(const Utils::Path &file);
    // The project directory unless set otherwise.
    Utils::Path workingDirectory() const;
    void setWorkingDirectory(const Utils::Path &directory);
    QStringList arguments() const { return m_arguments; }
    void setArguments(const QStringList &arguments);

signals:
    void changed();

private:
    BuildTarget *m_target;
    QByteArray m_id;
    QString m_displayName;
    Utils::Path m_mainFile;
    Utils::Path m_workingDirectory;
    QStringList m_arguments;
};

} // namespace Host::Projects
