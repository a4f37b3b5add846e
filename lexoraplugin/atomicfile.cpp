#include "atomicfile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace Lexora {

namespace {

QString temporaryNameFor(const QString &targetPath)
{
    const QFileInfo target(targetPath);
    const quint64 token = QRandomGenerator::global()->generate64();
    return target.path() + QLatin1String("/.") + target.fileName() + QLatin1Char('.')
        + QString::number(token, 36) + QLatin1String(".part");
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

AtomicFile::AtomicFile(const QString &targetPath, QObject *parent)
    : QFile(parent), m_targetPath(targetPath)
{ }

AtomicFile::~AtomicFile()
{
    // The base destructor's close() no longer reaches our override.
    if (isOpen())
        commit();
}

bool AtomicFile::open(OpenMode mode)
{
    if (isOpen() || (mode & ReadOnly) || !(mode & WriteOnly) || (mode & Append)) {
        setErrorString(QStringLiteral("AtomicFile only supports opening for writing once"));
        return false;
    }
    m_bytesRequested = 0;
    m_failure.clear();
    m_committed = false;

    // Unbuffered, so that every short write shows up in writeData() and not
    // somewhere inside a later flush.
    const OpenMode fileMode = (mode & ~Truncate) | NewOnly | Unbuffered;
    for (int attempt = 0; attempt < 16; ++attempt) {
        setFileName(temporaryNameFor(m_targetPath));
        if (QFile::open(fileMode)) {
            // Held until the file is closed, and released by the system when
            // the process dies: what tells a live temporary file from a stale
            // one (removeStaleTemporaries).
            ::flock(handle(), LOCK_EX | LOCK_NB);
            return true;
        }
        if (error() != OpenError || QFile::exists(fileName()) == false)
            break;
    }
    return false;
}

qint64 AtomicFile::writeData(const char *data, qint64 length)
{
    m_bytesRequested += length;
    const qint64 written = QFile::writeData(data, length);
    if (written != length && m_failure.isEmpty()) {
        fail(written < 0
                 ? QFile::errorString()
                 : QStringLiteral("Only %1 of %2 bytes could be written").arg(written).arg(length));
    }
    return written;
}

void AtomicFile::fail(const QString &reason)
{
    if (m_failure.isEmpty())
        m_failure = reason;
}

bool AtomicFile::commit()
{
    if (!isOpen())
        return m_committed;

    if (error() != NoError)
        fail(QFile::errorString());
    if (m_failure.isEmpty() && !flush())
        fail(QFile::errorString());
    if (m_failure.isEmpty() && size() != m_bytesRequested) {
        fail(QStringLiteral("The file holds %1 bytes instead of %2")
                 .arg(size())
                 .arg(m_bytesRequested));
    }
    // The rename must not publish data that is still only in the page cache:
    // after a crash the target would be empty instead of the previous file.
    if (m_failure.isEmpty() && ::fsync(handle()) != 0)
        fail(systemError(errno));

    const QString temporaryPath = fileName();
    QFile::close();

    if (m_failure.isEmpty()
        && std::rename(QFile::encodeName(temporaryPath).constData(),
                       QFile::encodeName(m_targetPath).constData())
            != 0) {
        fail(systemError(errno));
    }

    if (!m_failure.isEmpty()) {
        QFile::remove(temporaryPath);
        setErrorString(m_failure);
        m_committed = false;
        return false;
    }
    setFileName(m_targetPath);
    m_committed = true;
    return true;
}

void AtomicFile::discard()
{
    if (!isOpen())
        return;
    const QString temporaryPath = fileName();
    QFile::close();
    QFile::remove(temporaryPath);
    fail(QStringLiteral("Discarded"));
    m_committed = false;
}

int AtomicFile::removeStaleTemporaries(const QString &directory, const QString &targetNames)
{
    // The token is a 64-bit number in base 36.
    const QRegularExpression pattern(
        QStringLiteral("^\\.(?:%1)\\.[0-9a-z]{1,13}\\.part$").arg(targetNames));
    int removed = 0;
    const QFileInfoList candidates
        = QDir(directory).entryInfoList({ QStringLiteral(".*.part") }, QDir::Files | QDir::Hidden);
    for (const QFileInfo &candidate : candidates) {
        if (!pattern.match(candidate.fileName()).hasMatch() || candidate.isSymLink())
            continue;
        const QByteArray path = QFile::encodeName(candidate.absoluteFilePath());
        const int descriptor = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (descriptor < 0)
            continue;
        // A writer that is still at work holds the lock.
        if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0 && ::unlink(path.constData()) == 0)
            ++removed;
        ::close(descriptor);
    }
    return removed;
}

void AtomicFile::close()
{
    commit();
}

} // namespace Lexora
