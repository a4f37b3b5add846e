#include "path.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace Host::Utils {

Path Path::fromString(const QString &path)
{
    if (path.isEmpty())
        return {};
    return Path(QDir::cleanPath(QDir::fromNativeSeparators(path)));
}

Path Path::fromUserInput(const QString &text)
{
    QString trimmed = text.trimmed();
    if (trimmed.startsWith(QLatin1String("~/")))
        trimmed = QDir::homePath() + trimmed.mid(1);
    return fromString(trimmed);
}

Path Path::fromFileInfo(const QFileInfo &info)
{
    return fromString(info.absoluteFilePath());
}

Qt::CaseSensitivity Path::caseSensitivity()
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return Qt::CaseInsensitive;
#else
    return Qt::CaseSensitive;
#endif
}

QString Path::toUserOutput() const
{
    return QDir::toNativeSeparators(m_path);
}

bool Path::isAbsolute() const
{
    return !m_path.isEmpty() && QDir::isAbsolutePath(m_path);
}

bool Path::exists() const
{
    return !m_path.isEmpty() && QFileInfo::exists(m_path);
}

bool Path::isFile() const
{
    return !m_path.isEmpty() && QFileInfo(m_path).isFile();
}

bool Path::isDir() const
{
    return !m_path.isEmpty() && QFileInfo(m_path).isDir();
}

QString Path::fileName() const
{
    const qsizetype slash = m_path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? m_path : m_path.mid(slash + 1);
}

QString Path::baseName() const
{
    return QFileInfo(fileName()).baseName();
}

QString Path::completeBaseName() const
{
    return QFileInfo(fileName()).completeBaseName();
}

QString Path::suffix() const
{
    return QFileInfo(fileName()).suffix();
}

Path Path::parentDir() const
{
    if (m_path.isEmpty() || m_path == QLatin1String("/"))
        return {};
    const qsizetype slash = m_path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {};
    if (slash == 0)
        return Path(QStringLiteral("/"));
    return Path(m_path.left(slash));
}

Path Path::pathAppended(const QString &relativePath) const
{
    if (relativePath.isEmpty())
        return *this;
    if (m_path.isEmpty())
        return fromString(relativePath);
    return fromString(m_path + QLatin1Char('/') + relativePath);
}

Path Path::absolutePath() const
{
    if (m_path.isEmpty() || isAbsolute())
        return *this;
    return fromString(QDir::current().absoluteFilePath(m_path));
}

Path Path::resolvePath(const QString &relativePath) const
{
    if (QDir::isAbsolutePath(relativePath))
        return fromString(relativePath);
    return pathAppended(relativePath);
}

bool Path::endsWith(QStringView text) const
{
    return QStringView(m_path).endsWith(text, caseSensitivity());
}

bool Path::isChildOf(const Path &directory) const
{
    if (directory.isEmpty() || m_path.size() <= directory.m_path.size())
        return false;
    if (!m_path.startsWith(directory.m_path, caseSensitivity()))
        return false;
    // "/a/bc" is not below "/a/b"; the root directory already ends in '/'.
    return directory.m_path.endsWith(QLatin1Char('/'))
        || m_path.at(directory.m_path.size()) == QLatin1Char('/');
}

QString Path::relativeChildPath(const Path &directory) const
{
    if (!isChildOf(directory))
        return {};
    const qsizetype skip
        = directory.m_path.size() + (directory.m_path.endsWith(QLatin1Char('/')) ? 0 : 1);
    return m_path.mid(skip);
}

bool operator==(const Path &a, const Path &b)
{
    return a.m_path.compare(b.m_path, Path::caseSensitivity()) == 0;
}

bool operator<(const Path &a, const Path &b)
{
    return a.m_path.compare(b.m_path, Path::caseSensitivity()) < 0;
}

size_t qHash(const Path &path, size_t seed)
{
    if (Path::caseSensitivity() == Qt::CaseInsensitive)
        return qHash(path.m_path.toCaseFolded(), seed);
    return qHash(path.m_path, seed);
}

QDebug operator<<(QDebug debug, const Path &path)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "Path(" << path.toString() << ')';
    return debug;
}

} // namespace Host::Utils
