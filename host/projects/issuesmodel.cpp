#include "issuesmodel.h"

#include "issuelist.h"

#include <QApplication>
#include <QStyle>

namespace Host::Projects {

namespace {

QIcon typeIcon(Issue::Type type)
{
    // Models are also used without widgets (command-line tools), where there is no style.
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app)
        return {};
    switch (type) {
    case Issue::Error:
        return QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
    case Issue::Warning:
        return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    case Issue::Unknown:
        break;
    }
    return {};
}

} // namespace

IssuesModel::IssuesModel(IssueList *list, QObject *parent)
    : QAbstractTableModel(parent), m_list(list)
{
    connect(list, &IssueList::issueAdded, this, &IssuesModel::append);
    connect(list, &IssueList::issueRemoved, this, &IssuesModel::remove);
    connect(list, &IssueList::issuesCleared, this, &IssuesModel::reload);
    connect(list, &IssueList::categoryChanged, this, &IssuesModel::reload);
    connect(list, &IssueList::categoryAdded, this, &IssuesModel::reload);
    reload();
}

IssuesModel::~IssuesModel() = default;

int IssuesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int IssuesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant IssuesModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Issue &issue = m_rows.at(index.row());
    switch (role) {
    case IssueIdRole:
        return issue.id;
    case TypeRole:
        return int(issue.type);
    case FilePathRole:
        return issue.file.toString();
    case LineRole:
        return issue.line;
    case CategoryIdRole:
        return issue.category;
    case OptionsRole:
        return int(issue.options);
    case FacetsRole: {
        QVariantMap facets;
        for (auto facet = issue.facets.cbegin(); facet != issue.facets.cend(); ++facet)
            facets.insert(facet.key(), facet.value());
        return facets;
    }
    default:
        break;
    }
    switch (index.column()) {
    case DescriptionColumn:
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return issue.description;
        if (role == Qt::DecorationRole)
            return issue.icon.isNull() ? typeIcon(issue.type) : issue.icon;
        break;
    case FileColumn:
        if (role == Qt::DisplayRole)
            return issue.file.fileName();
        if (role == Qt::ToolTipRole)
            return issue.file.toUserOutput();
        break;
    case LineColumn:
        if (role == Qt::DisplayRole && issue.line > 0)
            return issue.line;
        break;
    case CategoryColumn:
        if (role == Qt::DisplayRole) {
            const QString name = m_list->category(issue.category).displayName;
            return name.isEmpty() ? QString::fromUtf8(issue.category) : name;
        }
        break;
    default:
        break;
    }
    return {};
}

QVariant IssuesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case DescriptionColumn:
        return tr("Description");
    case FileColumn:
        return tr("File");
    case LineColumn:
        return tr("Line");
    case CategoryColumn:
        return tr("Category");
    default:
        return {};
    }
}

void IssuesModel::reload()
{
    beginResetModel();
    m_rows.clear();
    for (const Issue &issue : m_list->issues()) {
        if (m_list->category(issue.category).visible)
            m_rows.append(issue);
    }
    endResetModel();
}

void IssuesModel::append(const Issue &issue)
{
    if (!m_list->category(issue.category).visible)
        return;
    const int row = int(m_rows.size());
    beginInsertRows({}, row, row);
    m_rows.append(issue);
    endInsertRows();
}

void IssuesModel::remove(quint64 id)
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).id == id) {
            beginRemoveRows({}, row, row);
            m_rows.removeAt(row);
            endRemoveRows();
            return;
        }
    }
}

} // namespace Host::Projects
