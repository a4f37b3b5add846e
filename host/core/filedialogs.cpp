#include "filedialogs.h"

#include <QCoreApplication>
#include <QFileDialog>

namespace Host::Core {

QIcon FileNameIconProvider::icon(const QFileInfo &info) const
{
    if (info.isRoot())
        return icon(Drive);
    if (info.isDir())
        return icon(Folder);
    const QMimeType mimeType = m_mimeDatabase.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    if (!mimeType.isDefault()) {
        QIcon themed = QIcon::fromTheme(mimeType.iconName());
        if (themed.isNull())
            themed = QIcon::fromTheme(mimeType.genericIconName());
        if (!themed.isNull())
            return themed;
    }
    return icon(File);
}

QString FileNameIconProvider::type(const QFileInfo &info) const
{
    if (info.isRoot())
        return QCoreApplication::translate("Host::Core::FileNameIconProvider", "Drive");
    if (info.isDir())
        return QCoreApplication::translate("Host::Core::FileNameIconProvider", "Folder");
    const QMimeType mimeType = m_mimeDatabase.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    if (mimeType.isDefault())
        return QCoreApplication::translate("Host::Core::FileNameIconProvider", "File");
    return mimeType.comment();
}

FileNameIconProvider *FileNameIconProvider::instance()
{
    static FileNameIconProvider provider;
    return &provider;
}

void FileDialogs::prepare(QFileDialog *dialog)
{
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setIconProvider(FileNameIconProvider::instance());
}

namespace {

QString runDialog(QWidget *parent,
                  const QString &caption,
                  const QString &directory,
                  const QString &filter,
                  QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, caption, directory, filter);
    FileDialogs::prepare(&dialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace

QString FileDialogs::openFileName(QWidget *parent,
                                  const QString &caption,
                                  const QString &directory,
                                  const QString &filter)
{
    return runDialog(parent, caption, directory, filter, QFileDialog::AcceptOpen);
}

QString FileDialogs::saveFileName(QWidget *parent,
                                  const QString &caption,
                                  const QString &directory,
                                  const QString &filter)
{
    return runDialog(parent, caption, directory, filter, QFileDialog::AcceptSave);
}

} // namespace Host::Core
