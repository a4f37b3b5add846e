#pragma once

#include "projects_global.h"

#include <QObject>

namespace Host::Projects {

class RunControl;

// The part of a run that does the actual work (starts a process, connects to
// it). A run control owns one main worker, created by the factory registered
// for the control's run mode.
class HOST_PROJECTS_EXPORT RunWorker : public QObject
{
    Q_OBJECT

public:
    explicit RunWorker(RunControl *runControl);
    ~RunWorker() override;

    RunControl *runControl() const { return m_runControl; }

    // Both return at once; the outcome is reported by started() and stopped().
    virtual void start() = 0;
    virtual void stop() = 0;

signals:
    void started();
    // Also emitted when starting failed; a worker emits it once.
    void stopped();
    void output(const QString &message);

private:
    RunControl *m_runControl;
};

} // namespace Host::Projects
