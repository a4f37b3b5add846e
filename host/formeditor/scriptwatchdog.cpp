#include "scriptwatchdog.h"

#include <QJSEngine>

#include <algorithm>

#include <pthread.h>

namespace Host::FormEditor {

ScriptWatchdog::ScriptWatchdog(QJSEngine *engine, std::chrono::milliseconds limit, QObject *parent)
    : QObject(parent),
      m_engine(engine),
      m_limit(limit),
      m_interval(
          std::clamp(limit / 4, std::chrono::milliseconds(10), std::chrono::milliseconds(250))),
      m_lastBeat(0)
{
    // Made on the interface thread, whose clock it watches.
    if (pthread_getcpuclockid(pthread_self(), &m_clock) != 0)
        m_clock = CLOCK_MONOTONIC;
    m_lastBeat = cpuTime();
    // The beat is a timer of the interface thread: it stops exactly when that
    // thread stops coming back to its event loop.
    m_heartbeat.setInterval(m_interval);
    connect(&m_heartbeat, &QTimer::timeout, this, [this] {
        beat();
        if (takeInterruption())
            emit interrupted();
    });
    m_heartbeat.start();
    m_thread = std::thread([this] { watch(); });
}

ScriptWatchdog::~ScriptWatchdog()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

qint64 ScriptWatchdog::cpuTime() const
{
    timespec time = {};
    clock_gettime(m_clock, &time);
    return qint64(time.tv_sec) * 1000 + time.tv_nsec / 1000000;
}

void ScriptWatchdog::beat()
{
    m_lastBeat = cpuTime();
}

bool ScriptWatchdog::takeInterruption()
{
    if (!m_fired.exchange(false))
        return false;
    m_engine->setInterrupted(false);
    return true;
}

void ScriptWatchdog::watch()
{
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        m_wake.wait_for(lock, m_interval);
        if (m_quit || m_fired)
            continue;
        if (cpuTime() - m_lastBeat > m_limit.count()) {
            // Documented as safe from another thread for exactly this use.
            m_fired = true;
            m_engine->setInterrupted(true);
        }
    }
}

} // namespace Host::FormEditor
