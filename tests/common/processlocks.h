#pragma once

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

// POSIX record locks belong to the process and go away when any descriptor of
// the file is closed, whoever opened it. SQLite locks its files this way, so
// code that opens and closes a database file behind SQLite's back silently
// unlocks it for every other process.

// Holds a shared lock on the whole file, as a reading SQLite connection does.
class HeldLock
{
public:
    explicit HeldLock(const QString &path)
        : m_descriptor(::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC))
    {
        struct flock lock = {};
        lock.l_type = F_RDLCK;
        lock.l_whence = SEEK_SET;
        m_locked = m_descriptor >= 0 && ::fcntl(m_descriptor, F_SETLK, &lock) == 0;
    }
    ~HeldLock()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    HeldLock(const HeldLock &) = delete;
    HeldLock &operator=(const HeldLock &) = delete;

    bool isLocked() const { return m_locked; }

private:
    int m_descriptor;
    bool m_locked = false;
};

// Whether another process finds a lock on `path` that keeps it from writing:
// a child process asks the kernel (F_GETLK), as SQLite in another program would.
inline bool isLockedForOtherProcesses(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const pid_t child = ::fork();
    if (child == 0) {
        const int descriptor = ::open(name.constData(), O_RDWR);
        struct flock probe = {};
        probe.l_type = F_WRLCK;
        probe.l_whence = SEEK_SET;
        const bool locked = descriptor >= 0 && ::fcntl(descriptor, F_GETLK, &probe) == 0
            && probe.l_type != F_UNLCK;
        ::_exit(locked ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)
        && WEXITSTATUS(status) == 0;
}
