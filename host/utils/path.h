#pragma once

#include "utils_global.h"

#include <QMetaType>
#include <QString>
#include <QStringView>

QT_BEGIN_NAMESPACE
class QDebug;
class QFileInfo;
QT_END_NAMESPACE

namespace Host::Utils {

// A file system path as the host passes it around: stored in Qt's form ('/'
// separators, cleaned), compared with the platform's case rules, shown to users
// with native separators. Deliberately thin; QFileInfo and QDir do the real work.
class HOST_UTILS_EXPORT Path
{
public:
    Path() = default;

    static Path fromString(const QString &path);
    static Path fromUserInput(const QString &text);
    static Path fromFileInfo(const QFileInfo &info);

    // Case sensitivity of file names on this platform.
    static Qt::CaseSensitivity caseSensitivity();

    QString toString() const { return m_path; }
    QString toUserOutput() const;

    bool isEmpty() const { return m_path.isEmpty(); }
    bool isAbsolute() const;
    bool exists() const;
    bool isFile() const;
    bool isDir() const;

    QString fileName() const;
    QString baseName() const;
    QString completeBaseName() const;
    QString suffix() const;

    Path parentDir() const;
    Path pathAppended(const QString &relativePath) const;
    Path absolutePath() const;
    // `relativePath` taken against this directory unless it is already absolute.
    Path resolvePath(const QString &relativePath) const;

    bool endsWith(QStringView text) const;
    bool isChildOf(const Path &directory) const;
    // The path relative to `directory`, or an empty string when it is not below it.
    QString relativeChildPath(const Path &directory) const;

    friend HOST_UTILS_EXPORT bool operator==(const Path &a, const Path &b);
    friend bool operator!=(const Path &a, const Path &b) { return !(a == b); }
    friend HOST_UTILS_EXPORT bool operator<(const Path &a, const Path &b);
    friend HOST_UTILS_EXPORT size_t qHash(const Path &path, size_t seed);

private:
    explicit Path(const QString &cleanPath) : m_path(cleanPath) { }

    QString m_path;
};

using Paths = QList<Path>;

HOST_UTILS_EXPORT QDebug operator<<(QDebug debug, const Path &path);

} // namespace Host::Utils

Q_DECLARE_METATYPE(Host::Utils::Path)
