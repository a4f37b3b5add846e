#include "projecttree.h"

#include "project.h"
#include "projectnavigator.h"
#include "session.h"

#include <QFileIconProvider>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace Host::Projects {

namespace {

// Folders before files, each group by name the way a file manager sorts them.
bool sortsBefore(const QStandardItem *a, const QStandardItem *b)
{
    const bool aIsFile = a->data(ProjectTree::IsFileRole).toBool();
    const bool bIsFile = b->data(ProjectTree::IsFileRole).toBool();
    if (aIsFile != bIsFile)
        return !aIsFile;
    return a->text().compare(b->text(), Qt::CaseInsensitive) < 0;
}

void insertSorted(QStandardItem *parent, QStandardItem *child)
{
    int row = 0;
    while (row < parent->rowCount() && sortsBefore(parent->child(row), child))
        ++row;
    parent->insertRow(row, child);
}

QStandardItem *newItem(const QString &text, const Utils::Path &path, bool isFile)
{
    auto *item = new QStandardItem(text);
    item->setEditable(false);
    item->setData(QVariant::fromValue(path.toString()), ProjectTree::PathRole);
    item->setData(isFile, ProjectTree::IsFileRole);
    item->setToolTip(path.toUserOutput());
    static const QFileIconProvider icons;
    item->setIcon(icons.icon(isFile ? QFileIconProvider::File : QFileIconProvider::Folder));
    return item;
}

} // namespace

ProjectTree::ProjectTree(QWidget *parent) : ProjectTree(Session::instance(), parent) { }

ProjectTree::ProjectTree(Session *session, QWidget *parent)
    : QWidget(parent),
      m_session(session),
      m_model(new QStandardItemModel(this)),
      m_view(new QTreeView(this))
{
    setWindowTitle(tr("Projects"));
    setObjectName(QStringLiteral("ProjectTree"));
    m_view->setModel(m_model);
    m_view->setHeaderHidden(true);
    m_view->setUniformRowHeights(true);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    connect(m_session, &Session::projectAdded, this, &ProjectTree::rebuild);
    connect(m_session, &Session::projectRemoved, this, &ProjectTree::rebuild);
    connect(m_view->selectionModel(),
            &QItemSelectionModel::currentChanged,
            this,
            [](const QModelIndex &current) {
                // A folder or project row is no file: the navigator then falls
                // back to the startup project.
                const bool isFile = current.data(IsFileRole).toBool();
                ProjectNavigator::instance()->setCurrentFilePath(
                    isFile ? Utils::Path::fromString(current.data(PathRole).toString())
                           : Utils::Path());
            });
    connect(m_view, &QTreeView::activated, this, [this](const QModelIndex &index) {
        if (index.data(IsFileRole).toBool())
            emit fileActivated(Utils::Path::fromString(index.data(PathRole).toString()));
    });
    connect(ProjectNavigator::instance(),
            &ProjectNavigator::currentFileChanged,
            this,
            &ProjectTree::followNavigator);
    rebuild();
}

ProjectTree::~ProjectTree()
{
    for (const QMetaObject::Connection &connection : std::as_const(m_projectConnections))
        disconnect(connection);
}

void ProjectTree::rebuild()
{
    for (const QMetaObject::Connection &connection : std::as_const(m_projectConnections))
        disconnect(connection);
    m_projectConnections.clear();

    const Utils::Path current = ProjectNavigator::instance()->currentFilePath();
    m_model->clear();
    for (Project *project : m_session->projects())
        addProject(project);
    m_view->expandToDepth(1);
    followNavigator(current);
}

void ProjectTree::addProject(Project *project)
{
    const Utils::Path directory = project->projectDirectory();
    auto *projectItem = newItem(project->displayName(), project->projectFilePath(), false);
    m_model->appendRow(projectItem);

    // The project file itself is part of what the user edits.
    insertSorted(projectItem,
                 newItem(project->projectFilePath().fileName(), project->projectFilePath(), true));
    for (const Utils::Path &file : project->files()) {
        if (file == project->projectFilePath())
            continue;
        const QString relative
            = file.isChildOf(directory) ? file.relativeChildPath(directory) : file.toString();
        const int slash = relative.lastIndexOf(QLatin1Char('/'));
        QStandardItem *parent = slash < 0 || !file.isChildOf(directory)
            ? projectItem
            : folderItem(projectItem, directory, relative.left(slash));
        insertSorted(parent, newItem(file.fileName(), file, true));
    }

    m_projectConnections.append(
        connect(project, &Project::filesChanged, this, &ProjectTree::rebuild));
    m_projectConnections.append(
        connect(project, &Project::displayNameChanged, this, &ProjectTree::rebuild));
}

QStandardItem *ProjectTree::folderItem(QStandardItem *projectItem,
                                       const Utils::Path &projectDirectory,
                                       const QString &relativeFolder)
{
    QStandardItem *parent = projectItem;
    QString walked;
    for (const QString &name : relativeFolder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        walked = walked.isEmpty() ? name : walked + QLatin1Char('/') + name;
        QStandardItem *found = nullptr;
        for (int row = 0; row < parent->rowCount(); ++row) {
            QStandardItem *child = parent->child(row);
            if (!child->data(IsFileRole).toBool() && child->text() == name) {
                found = child;
                break;
            }
        }
        if (!found) {
            found = newItem(name, projectDirectory.pathAppended(walked), false);
            insertSorted(parent, found);
        }
        parent = found;
    }
    return parent;
}

QModelIndex ProjectTree::indexOf(const Utils::Path &file) const
{
    if (file.isEmpty())
        return {};
    const QModelIndexList hits = m_model->match(
        m_model->index(0, 0), PathRole, file.toString(), -1, Qt::MatchExactly | Qt::MatchRecursive);
    for (const QModelIndex &hit : hits) {
        if (hit.data(IsFileRole).toBool())
            return hit;
    }
    return {};
}

bool ProjectTree::selectFile(const Utils::Path &file)
{
    const QModelIndex index = indexOf(file);
    if (!index.isValid())
        return false;
    m_view->setCurrentIndex(index);
    m_view->scrollTo(index);
    return true;
}

void ProjectTree::followNavigator(const Utils::Path &file)
{
    const QModelIndex index = indexOf(file);
    if (index.isValid() && index != m_view->currentIndex()) {
        m_view->setCurrentIndex(index);
        m_view->scrollTo(index);
    }
}

} // namespace Host::Projects
