#pragma once

#include <QObject>
#include <QTimer>

#include <ctime>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

QT_BEGIN_NAMESPACE
class QJSEngine;
QT_END_NAMESPACE

namespace Host::FormEditor {

// Keeps a document's JavaScript from taking the studio with it: the form view
// runs the user's QML on the interface thread, so a loop that never ends
// would freeze the whole window. A thread of its own watches the interface
// thread's heartbeat and interrupts the engine when that thread has computed
// for longer than the limit without coming back to its event loop; once it is
// back, interrupted() says so. Processor time, not wall time, is what counts:
// waiting (for Qt's QML compiler thread, for a busy machine) is no runaway.
class ScriptWatchdog : public QObject
{
    Q_OBJECT

public:
    ScriptWatchdog(QJSEngine *engine, std::chrono::milliseconds limit, QObject *parent = nullptr);
    ~ScriptWatchdog() override;

    std::chrono::milliseconds limit() const { return m_limit; }
    // Marks the interface thread as alive; call it before running user code.
    void beat();
    // Whether the engine was interrupted since the last call; lets the engine
    // run scripts again.
    bool takeInterruption();

signals:
    // The engine was interrupted and the interface thread is back.
    void interrupted();

private:
    void watch();
    // Processor time of the interface thread, in milliseconds.
    qint64 cpuTime() const;

    QJSEngine *m_engine;
    const std::chrono::milliseconds m_limit;
    const std::chrono::milliseconds m_interval;
    QTimer m_heartbeat;
    clockid_t m_clock;
    std::atomic<qint64> m_lastBeat;
    std::atomic<bool> m_fired { false };
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_quit = false;
    std::thread m_thread;
};

} // namespace Host::FormEditor
