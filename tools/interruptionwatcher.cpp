#include "interruptionwatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Lexora {

namespace {

int signalSockets[2] = { -1, -1 };
struct sigaction previousInterrupt;
struct sigaction previousTerminate;

void forwardSignal(int signal)
{
    const int saved = errno;
    const char byte = char(signal);
    // Only async-signal-safe calls here; a full socket has the signal already.
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
    errno = saved;
}

} // namespace

InterruptionWatcher::InterruptionWatcher(std::function<void(int)> interrupted)
    : m_interrupted(std::move(interrupted))
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalSockets) != 0)
        return;
    m_notifier = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InterruptionWatcher::readSignal);
    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &previousInterrupt);
    ::sigaction(SIGTERM, &action, &previousTerminate);
}

InterruptionWatcher::~InterruptionWatcher()
{
    if (!m_notifier)
        return;
    ::sigaction(SIGINT, &previousInterrupt, nullptr);
    ::sigaction(SIGTERM, &previousTerminate, nullptr);
    delete m_notifier;
    ::close(signalSockets[0]);
    ::close(signalSockets[1]);
    signalSockets[0] = signalSockets[1] = -1;
}

void InterruptionWatcher::readSignal()
{
    char byte = 0;
    while (::read(signalSockets[1], &byte, 1) == 1) {
        if (m_signal != 0)
            continue;
        m_signal = byte;
        if (m_interrupted)
            m_interrupted(m_signal);
    }
}

} // namespace Lexora
