#include "qmlfilelistmodel.h"

#include <projects/project.h>

namespace Lexora {

QmlFileListModel::QmlFileListModel(Host::Projects::Project *project, QObject *parent)
    : QAbstractListModel(parent), m_project(project)
{
    beginResetModel();
    m_files = testableFiles(project);
    endResetModel();
}

QmlFileListModel::~QmlFileListModel() = default;

bool QmlFileListModel::isTestable(const Host::Utils::Path &projectDirectory,
                                  const Host::Utils::Path &file)
{
    const QString name = file.fileName();
    if (name.isEmpty() || !name.front().isUpper())
        return false;
    if (!file.toString().endsWith(QLatin1String(".ui.qml")))
        return false;
    // A file outside the project directory has no relative path and passes.
    return !file.relativeChildPath(projectDirectory).startsWith(QLatin1String("imports"));
}

QList<Host::Utils::Path> QmlFileListModel::testableFiles(Host::Projects::Project *project)
{
    if (!project)
        return {};
    const Host::Utils::Path directory = project->projectDirectory();
    return project->files(
        [&directory](const Host::Utils::Path &file) { return isTestable(directory, file); });
}

int QmlFileListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_files.size());
}

QVariant QmlFileListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Host::Utils::Path &file = m_files.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return file.toUserOutput();
    case Qt::CheckStateRole:
        return m_uncheckedFiles.contains(file) ? Qt::Unchecked : Qt::Checked;
    default:
        return {};
    }
}

bool QmlFileListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole
        || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    const Host::Utils::Path &file = m_files.at(index.row());
    if (value.toInt() == Qt::Checked)
        m_uncheckedFiles.remove(file);
    else
        m_uncheckedFiles.insert(file);
    emit dataChanged(index, index, { Qt::CheckStateRole });
    return true;
}

Qt::ItemFlags QmlFileListModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags itemFlags = QAbstractListModel::flags(index);
    if (index.isValid())
        itemFlags |= Qt::ItemIsUserCheckable;
    return itemFlags;
}

QList<Host::Utils::Path> QmlFileListModel::checkedFiles() const
{
    QList<Host::Utils::Path> checked;
    for (const Host::Utils::Path &file : m_files) {
        if (!m_uncheckedFiles.contains(file))
            checked.append(file);
    }
    return checked;
}

} // namespace Lexora
