#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace Lexora {

// Turns SIGINT and SIGTERM into a call on the event loop for as long as it
// lives, so that long work can stop its child processes and end cleanly
// instead of dying with them still running. The previous handlers come back
// with its destruction.
class InterruptionWatcher : public QObject
{
    Q_OBJECT

public:
    explicit InterruptionWatcher(std::function<void(int signal)> interrupted);
    ~InterruptionWatcher() override;

    // The signal that arrived first, 0 while none did.
    int signal() const { return m_signal; }

private:
    void readSignal();

    std::function<void(int)> m_interrupted;
    QSocketNotifier *m_notifier = nullptr;
    int m_signal = 0;
};

} // namespace Lexora
