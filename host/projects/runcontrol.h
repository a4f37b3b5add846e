#pragma once

#include "projects_global.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

namespace Host::Projects {

class RunProfile;
class RunWorker;

namespace Constants {
// Runs the project's QML in the live preview.
inline constexpr char qmlPreviewRunMode[] = "RunConfiguration.QmlPreviewRunMode";
} // namespace Constants

// One run of a run profile in a run mode. The control does not know how a mode
// runs: the plugin offering the mode registers a worker factory for it, and
// createMainWorker() asks that factory for the worker.
class HOST_PROJECTS_EXPORT RunControl : public QObject
{
    Q_OBJECT

public:
    enum class State { Initialized, Starting, Running, Stopping, Stopped };
    Q_ENUM(State)

    using WorkerFactory = std::function<std::unique_ptr<RunWorker>(RunControl *)>;

    explicit RunControl(const QByteArray &runMode, QObject *parent = nullptr);
    ~RunControl() override;

    // Replaces the factory of a mode; an empty function removes it.
    static void registerWorkerFactory(const QByteArray &runMode, const WorkerFactory &factory);
    static bool hasWorkerFactory(const QByteArray &runMode);

    QByteArray runMode() const { return m_runMode; }
    RunProfile *runProfile() const;
    void setRunProfile(RunProfile *profile);

    // False when no profile is set or no factory is registered for the mode.
    bool createMainWorker();
    RunWorker *mainWorker() const { return m_worker.get(); }

    void start();
    void stop();
    State state() const { return m_state; }
    bool isRunning() const { return m_state == State::Running; }
    bool isStarting() const { return m_state == State::Starting; }
    bool isStopped() const { return m_state == State::Stopped; }

signals:
    void started();
    void stopped();
    void appendMessage(const QString &message);

private:
    void workerStarted();
    void workerStopped();

    QByteArray m_runMode;
    QPointer<RunProfile> m_runProfile;
    std::unique_ptr<RunWorker> m_worker;
    State m_state = State::Initialized;
};

} // namespace Host::Projects
