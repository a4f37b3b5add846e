#include "progressmodel.h"

namespace Host::Core {

int ProgressEntry::percent() const
{
    if (maximum <= minimum)
        return finished ? 100 : -1;
    const qint64 done = qint64(qBound(minimum, value, maximum)) - minimum;
    return int(done * 100 / (qint64(maximum) - minimum));
}

ProgressModel::ProgressModel(QObject *parent) : QAbstractListModel(parent) { }

ProgressModel::~ProgressModel() = default;

int ProgressModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant ProgressModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ProgressEntry &entry = m_entries.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        if (!entry.progressText.isEmpty())
            return QStringLiteral("%1: %2").arg(entry.title, entry.progressText);
        return entry.title;
    case TitleRole:
        return entry.title;
    case TypeIdRole:
        return entry.typeId;
    case MinimumRole:
        return entry.minimum;
    case MaximumRole:
        return entry.maximum;
    case ValueRole:
        return entry.value;
    case ProgressTextRole:
        return entry.progressText;
    case StartedRole:
        return entry.started;
    case FinishedRole:
        return entry.finished;
    case CanceledRole:
        return entry.canceled;
    case PercentRole:
        return entry.percent();
    case IdRole:
        return entry.id;
    default:
        return {};
    }
}

QHash<int, QByteArray> ProgressModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(TitleRole, "title");
    names.insert(TypeIdRole, "typeId");
    names.insert(MinimumRole, "minimum");
    names.insert(MaximumRole, "maximum");
    names.insert(ValueRole, "value");
    names.insert(ProgressTextRole, "progressText");
    names.insert(StartedRole, "started");
    names.insert(FinishedRole, "finished");
    names.insert(CanceledRole, "canceled");
    names.insert(PercentRole, "percent");
    names.insert(IdRole, "id");
    return names;
}

int ProgressModel::rowOf(quint64 id) const
{
    for (int row = 0; row < m_entries.size(); ++row) {
        if (m_entries.at(row).id == id)
            return row;
    }
    return -1;
}

void ProgressModel::append(const ProgressEntry &entry)
{
    const int row = int(m_entries.size());
    beginInsertRows({}, row, row);
    m_entries.append(entry);
    endInsertRows();
}

void ProgressModel::update(const ProgressEntry &entry)
{
    const int row = rowOf(entry.id);
    if (row < 0)
        return;
    m_entries[row] = entry;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed);
}

void ProgressModel::remove(quint64 id)
{
    const int row = rowOf(id);
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    m_entries.removeAt(row);
    endRemoveRows();
}

} // namespace Host::Core
