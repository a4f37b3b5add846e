#include "runcontrol.h"

#include "runprofile.h"
#include "runworker.h"

#include <QHash>

namespace Host::Projects {

namespace {

QHash<QByteArray, RunControl::WorkerFactory> &workerFactories()
{
    static QHash<QByteArray, RunControl::WorkerFactory> factories;
    return factories;
}

} // namespace

RunControl::RunControl(const QByteArray &runMode, QObject *parent)
    : QObject(parent), m_runMode(runMode)
{ }

RunControl::~RunControl()
{
    // The worker's stopped() must not reach a half-destroyed control.
    if (m_worker)
        m_worker->disconnect(this);
    if (m_state == State::Starting || m_state == State::Running || m_state == State::Stopping)
        m_worker->stop();
}

void RunControl::registerWorkerFactory(const QByteArray &runMode, const WorkerFactory &factory)
{
    if (factory)
        workerFactories().insert(runMode, factory);
    else
        workerFactories().remove(runMode);
}

bool RunControl::hasWorkerFactory(const QByteArray &runMode)
{
    return workerFactories().contains(runMode);
}

RunProfile *RunControl::runProfile() const
{
    return m_runProfile;
}

void RunControl::setRunProfile(RunProfile *profile)
{
    m_runProfile = profile;
}

bool RunControl::createMainWorker()
{
    if (!m_runProfile || m_worker)
        return bool(m_worker);
    const auto factory = workerFactories().value(m_runMode);
    if (!factory)
        return false;
    m_worker = factory(this);
    if (!m_worker)
        return false;
    connect(m_worker.get(), &RunWorker::started, this, &RunControl::workerStarted);
    connect(m_worker.get(), &RunWorker::stopped, this, &RunControl::workerStopped);
    connect(m_worker.get(), &RunWorker::output, this, &RunControl::appendMessage);
    return true;
}

void RunControl::start()
{
    if (m_state != State::Initialized)
        return;
    if (!m_worker) {
        m_state = State::Stopped;
        emit stopped();
        return;
    }
    m_state = State::Starting;
    m_worker->start();
}

void RunControl::stop()
{
    if (m_state == State::Starting || m_state == State::Running) {
        m_state = State::Stopping;
        m_worker->stop();
    } else if (m_state == State::Initialized) {
        m_state = State::Stopped;
        emit stopped();
    }
}

void RunControl::workerStarted()
{
    if (m_state != State::Starting)
        return;
    m_state = State::Running;
    emit started();
}

void RunControl::workerStopped()
{
    if (m_state == State::Stopped)
        return;
    m_state = State::Stopped;
    emit stopped();
}

} // namespace Host::Projects
