#include "scriptwatchdog.h"

#include <QJSEngine>

#include <algorithm>

namespace Host::FormEditor {

ScriptWatchdog::ScriptWatchdog(QJSEngine *engine, std::chrono::milliseconds limit, QObject *parent)
    : QObject(parent),
      m_engine(engine),
      m_limit(limit),
      m_interval(
          std::clamp(limit / 4, std::chrono::milliseconds(10), std::chrono::milliseconds(250))),
      m_lastBeat(now())
{
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

qint64 ScriptWatchdog::now()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void ScriptWatchdog::beat()
{
    m_lastBeat = now();
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
        if (now() - m_lastBeat > m_limit.count()) {
            // Documented as safe from another thread for exactly this use.
            m_fired = true;
            m_engine->setInterrupted(true);
        }
    }
}

} // namespace Host::FormEditor
