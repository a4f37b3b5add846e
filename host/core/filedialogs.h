#pragma once

#include "core_global.h"

#include <QFileIconProvider>
#include <QMimeDatabase>

QT_BEGIN_NAMESPACE
class QFileDialog;
QT_END_NAMESPACE

namespace Host::Core {

// Icons and type names of files taken from their names alone. Qt's own
// provider guesses the type of a file without a known extension from its first
// bytes, so listing a folder opens and closes every such file in it, among them
// a project's SQLite database and its -wal and -shm files. Closing any
// descriptor of a file drops all POSIX locks the process holds on it, so
// SQLite's locks would be gone and the next program that opens the database
// would take its write-ahead log away from under the studio.
class HOST_CORE_EXPORT FileNameIconProvider : public QFileIconProvider
{
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo &info) const override;
    QString type(const QFileInfo &info) const override;

    static FileNameIconProvider *instance();

private:
    QMimeDatabase m_mimeDatabase;
};

// The studio's file dialogs. They are Qt's own widget dialogs (a native one
// would sniff file contents in this process again) with the icons of
// FileNameIconProvider. Each returns the chosen file, or an empty string when
// the user cancels.
class HOST_CORE_EXPORT FileDialogs
{
public:
    FileDialogs() = delete;

    static QString openFileName(QWidget *parent,
                                const QString &caption,
                                const QString &directory,
                                const QString &filter);
    static QString saveFileName(QWidget *parent,
                                const QString &caption,
                                const QString &directory,
                                const QString &filter);
    // Makes a dialog list folders the way the functions above do.
    static void prepare(QFileDialog *dialog);
};

} // namespace Host::Core
