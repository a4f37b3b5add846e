#pragma once

#include "projects_global.h"

#include <utils/path.h>

#include <QWidget>

QT_BEGIN_NAMESPACE
class QModelIndex;
class QStandardItem;
class QStandardItemModel;
class QTreeView;
QT_END_NAMESPACE

namespace Host::Projects {

class Project;
class Session;

// The "Projects" pane: every open project with its files in folders below the
// project directory. Selecting a file makes it the navigator's current file, so
// tools that ask where the user is (file dialogs among them) follow the tree.
class HOST_PROJECTS_EXPORT ProjectTree : public QWidget
{
    Q_OBJECT

public:
    enum Role { PathRole = Qt::UserRole + 1, IsFileRole };

    explicit ProjectTree(QWidget *parent = nullptr);
    explicit ProjectTree(Session *session, QWidget *parent = nullptr);
    ~ProjectTree() override;

    QTreeView *treeView() const { return m_view; }
    QStandardItemModel *model() const { return m_model; }

    // The row of `file`, or an invalid index when no open project lists it.
    QModelIndex indexOf(const Utils::Path &file) const;
    // Selects the file's row (and so makes it current); false when it is not shown.
    bool selectFile(const Utils::Path &file);

signals:
    // The user double-clicked a file or pressed Enter on it.
    void fileActivated(const Host::Utils::Path &file);

private:
    void rebuild();
    void addProject(Project *project);
    QStandardItem *folderItem(QStandardItem *projectItem,
                              const Utils::Path &projectDirectory,
                              const QString &relativeFolder);
    void followNavigator(const Utils::Path &file);

    Session *m_session;
    QStandardItemModel *m_model;
    QTreeView *m_view;
    QList<QMetaObject::Connection> m_projectConnections;
};

} // namespace Host::Projects
