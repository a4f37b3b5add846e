#include "atomicfile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace Lexora {

AtomicFile::AtomicFile(const QString &targetPath, QObject *parent) : QSaveFile(targetPath, parent)
{ }

AtomicFile::~AtomicFile()
{
    // QSaveFile would drop the temporary file; devices handed out by the file
    // services are closed by destroying them, and that means "done writing".
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
    // QFileInfo follows links, as the rename into place would.
    const QFileInfo target(fileName());
    if (target.exists() && !target.isFile() && !target.isDir()) {
        setErrorString(QStringLiteral("%1 is not a regular file").arg(fileName()));
        return false;
    }
    // Unbuffered, so that every short write shows up in writeData() and not
    // somewhere inside a later flush.
    return QSaveFile::open(mode | Unbuffered);
}

qint64 AtomicFile::writeData(const char *data, qint64 length)
{
    m_bytesRequested += length;
    const qint64 written = QSaveFile::writeData(data, length);
    if (written != length) {
        fail(written < 0
                 ? QSaveFile::errorString()
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
        fail(QSaveFile::errorString());
    if (m_failure.isEmpty() && !flush())
        fail(QSaveFile::errorString());
    if (m_failure.isEmpty() && size() != m_bytesRequested) {
        fail(QStringLiteral("The file holds %1 bytes instead of %2")
                 .arg(size())
                 .arg(m_bytesRequested));
    }
    if (!m_failure.isEmpty())
        cancelWriting();

    // Syncs the data to disk before the rename, so that a crash cannot leave an
    // empty target in place of the previous file.
    m_committed = QSaveFile::commit();
    if (!m_committed) {
        fail(QSaveFile::errorString());
        setErrorString(m_failure);
    }
    return m_committed;
}

void AtomicFile::discard()
{
    if (!isOpen())
        return;
    cancelWriting();
    QSaveFile::commit();
    m_failure = QStringLiteral("Discarded");
    setErrorString(m_failure);
    m_committed = false;
}

void AtomicFile::close()
{
    commit();
}

bool AtomicFile::writeFile(const QString &targetPath,
                           const QByteArray &contents,
                           QString *errorString)
{
    AtomicFile file(targetPath);
    // A short write is remembered by writeData() and fails the commit.
    const bool written = file.open(WriteOnly) && (file.write(contents), file.commit());
    if (!written && errorString)
        *errorString = file.errorString();
    return written;
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

namespace {

// Where `path` leads once every link on it is followed; for a path that does
// not exist, where its nearest existing parent leads, with the rest appended.
QString resolvedPath(QString path)
{
    // The same bound as the kernel's for a chain of links.
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(path);
        if (info.exists())
            return info.canonicalFilePath();
        if (!info.isSymLink())
            break;
        path = info.symLinkTarget();
    }
    QFileInfo existing(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    QString rest;
    while (!existing.exists() && !existing.isRoot()) {
        rest.prepend(QLatin1Char('/') + existing.fileName());
        existing.setFile(existing.path());
    }
    return QDir::cleanPath(existing.canonicalFilePath() + rest);
}

bool isInside(const QString &path, const QString &directory)
{
    return path == directory || directory == QLatin1String("/")
        || path.startsWith(directory + QLatin1Char('/'));
}

} // namespace

QString AtomicFile::linkLeavingDirectory(const QString &path, const QString &directory)
{
    const QString base = QDir::cleanPath(QFileInfo(directory).absoluteFilePath());
    const QString root = resolvedPath(base);
    const QString relative = QDir(base).relativeFilePath(QFileInfo(path).absoluteFilePath());
    QString current = base;
    for (const QString &part : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        current += QLatin1Char('/') + part;
        if (QFileInfo(current).isSymLink() && !isInside(resolvedPath(current), root))
            return current;
    }
    return {};
}

} // namespace Lexora
