#include "outputtarget.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace Lexora {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Lexora", text);
}

// Where a path leads once its links are followed; a file that does not exist
// yet is named by its folder's real path.
QString realPath(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    const QString directory = QFileInfo(info.absolutePath()).canonicalFilePath();
    return directory.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                               : directory + QLatin1Char('/') + info.fileName();
}

bool sameFile(const QString &first, const QString &second)
{
    struct stat a = {};
    struct stat b = {};
    return ::stat(QFile::encodeName(first).constData(), &a) == 0
        && ::stat(QFile::encodeName(second).constData(), &b) == 0 && a.st_dev == b.st_dev
        && a.st_ino == b.st_ino;
}

bool isInside(const QString &path, const QString &directory)
{
    return !directory.isEmpty() && path.startsWith(directory + QLatin1Char('/'));
}

// Only the first bytes are read: a JSON document starts with an object or an
// array, and a large export need not be parsed to be recognised.
bool looksLikeJson(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray start = file.read(4096);
    if (start.startsWith("\xef\xbb\xbf"))
        start.remove(0, 3);
    start = start.trimmed();
    return start.isEmpty() || start.startsWith('{') || start.startsWith('[');
}

} // namespace

OutputTarget::OutputTarget(const QString &projectDirectory, const QString &databasePath)
    : m_projectDirectory(QFileInfo(projectDirectory).canonicalFilePath()),
      m_databasePath(databasePath)
{ }

QString OutputTarget::refusal(const QString &path, bool force) const
{
    const QString target = realPath(path);
    for (const char *suffix : { "", "-wal", "-shm", "-journal" }) {
        const QString file = m_databasePath + QLatin1String(suffix);
        if (target == realPath(file) || sameFile(path, file))
            return tr("it is the project's translation database or one of its files");
    }
    if (isInside(target, m_projectDirectory)) {
        if (isInside(target, m_projectDirectory + QLatin1String("/i18n")))
            return tr("it is in the project's i18n folder, which holds the generated "
                      "translation files");
        const QString suffix = QFileInfo(target).suffix().toLower();
        if (suffix == QLatin1String("qmlproject"))
            return tr("it is a project file");
        if (suffix == QLatin1String("qml") || suffix == QLatin1String("js")
            || suffix == QLatin1String("mjs"))
            return tr("it is one of the project's QML or JavaScript sources");
    }

    const QFileInfo info(path);
    if (info.isDir())
        return tr("it is a folder");
    // A device or a pipe cannot be replaced in one step, and what reached it
    // cannot be verified.
    if (info.exists() && !info.isFile())
        return tr("it is not a regular file");
    if (info.exists() && !force && !looksLikeJson(path))
        return tr("it exists and does not hold JSON (--force replaces it)");
    return {};
}

} // namespace Lexora
