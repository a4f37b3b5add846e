#include "translationsview/suggestionsmodel.h"

namespace Lexora {

SuggestionsModel::SuggestionsModel(int maxRecents, QObject *parent)
    : QIdentityProxyModel(parent), m_maxRecents(maxRecents)
{ }

void SuggestionsModel::setSourceModel(QAbstractItemModel *newSourceModel)
{
    beginResetModel();
    if (QAbstractItemModel *previous = sourceModel())
        disconnect(previous, nullptr, this, nullptr);
    // Not the identity model's own forwarding: it passes inserted and removed
    // rows on unshifted, which would point below the recent section. Any change
    // of the source's structure resets this model instead.
    QAbstractProxyModel::setSourceModel(newSourceModel);
    if (newSourceModel) {
        const auto begin = [this] {
            beginResetModel();
        };
        const auto end = [this] {
            dropVanishedRecents();
            endResetModel();
        };
        for (auto signal : { &QAbstractItemModel::rowsAboutToBeInserted,
                             &QAbstractItemModel::rowsAboutToBeRemoved,
                             &QAbstractItemModel::columnsAboutToBeInserted,
                             &QAbstractItemModel::columnsAboutToBeRemoved })
            connect(newSourceModel, signal, this, begin);
        for (auto signal : { &QAbstractItemModel::rowsInserted,
                             &QAbstractItemModel::rowsRemoved,
                             &QAbstractItemModel::columnsInserted,
                             &QAbstractItemModel::columnsRemoved })
            connect(newSourceModel, signal, this, end);
        connect(newSourceModel, &QAbstractItemModel::rowsAboutToBeMoved, this, begin);
        connect(newSourceModel, &QAbstractItemModel::rowsMoved, this, end);
        connect(newSourceModel, &QAbstractItemModel::modelAboutToBeReset, this, begin);
        connect(newSourceModel, &QAbstractItemModel::modelReset, this, end);
        connect(newSourceModel, &QAbstractItemModel::layoutAboutToBeChanged, this, begin);
        connect(newSourceModel, &QAbstractItemModel::layoutChanged, this, end);
        connect(newSourceModel,
                &QAbstractItemModel::dataChanged,
                this,
                [this](const QModelIndex &topLeft,
                       const QModelIndex &bottomRight,
                       const QList<int> &roles) {
                    // A recent row shows a source row as well.
                    emit dataChanged(index(0, topLeft.column()), mapFromSource(bottomRight), roles);
                });
    }
    endResetModel();
}

QModelIndex SuggestionsModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex SuggestionsModel::parent(const QModelIndex &) const
{
    return {};
}

QModelIndex SuggestionsModel::sibling(int row, int column, const QModelIndex &) const
{
    return index(row, column);
}

bool SuggestionsModel::hasChildren(const QModelIndex &parent) const
{
    return !parent.isValid() && rowCount() > 0;
}

int SuggestionsModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    const int sourceRows = sourceModel() ? sourceModel()->rowCount() : 0;
    return sourceRows + firstSourceRow();
}

int SuggestionsModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return sourceModel() ? qMax(1, sourceModel()->columnCount()) : 1;
}

QModelIndex SuggestionsModel::mapToSource(const QModelIndex &proxyIndex) const
{
    if (!sourceModel() || !proxyIndex.isValid() || proxyIndex.model() != this)
        return {};
    const int row = proxyIndex.row();
    if (isRecentSlot(row)) {
        if (row >= m_recents.size())
            return {};
        return sourceIndexOf(m_recents.at(row), proxyIndex.column());
    }
    if (isSeparator(row)) {
        return {};
    }
    return sourceModel()->index(row - firstSourceRow(), proxyIndex.column());
}

QModelIndex SuggestionsModel::mapFromSource(const QModelIndex &sourceIndex) const
{
    if (!sourceIndex.isValid() || sourceIndex.model() != sourceModel())
        return {};
    return index(sourceIndex.row() + firstSourceRow(), sourceIndex.column());
}

QVariant SuggestionsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (isSeparator(index.row())) {
        if (role == Qt::AccessibleDescriptionRole)
            return QStringLiteral("separator");
        return {};
    }
    const QModelIndex source = mapToSource(index);
    return source.isValid() ? source.data(role) : QVariant();
}

Qt::ItemFlags SuggestionsModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const QModelIndex source = mapToSource(index);
    // Empty recent slots and the separator can be neither chosen nor entered.
    if (!source.isValid())
        return Qt::ItemNeverHasChildren;
    return sourceModel()->flags(source);
}

QModelIndex SuggestionsModel::buddy(const QModelIndex &index) const
{
    return index;
}

QModelIndexList SuggestionsModel::match(
    const QModelIndex &start, int role, const QVariant &value, int hits, Qt::MatchFlags flags) const
{
    if (!sourceModel())
        return {};
    const QModelIndex sourceStart = sourceModel()->index(0, qMax(0, start.column()));
    QModelIndexList found;
    for (const QModelIndex &sourceIndex :
         sourceModel()->match(sourceStart, role, value, hits, flags))
        found.append(mapFromSource(sourceIndex));
    return found;
}

QModelIndex SuggestionsModel::sourceIndexOf(const QVariant &value, int column) const
{
    const QModelIndexList found = sourceModel()->match(sourceModel()->index(0, column),
                                                       Qt::UserRole,
                                                       value,
                                                       1,
                                                       Qt::MatchExactly | Qt::MatchCaseSensitive);
    return found.value(0);
}

void SuggestionsModel::dropVanishedRecents()
{
    m_recents.removeIf([this](const QVariant &value) {
        return !sourceModel() || !sourceIndexOf(value, 0).isValid();
    });
}

bool SuggestionsModel::addRecent(int row)
{
    // The separator and rows past the end cannot be chosen; do not keep them.
    if (row <= m_maxRecents || row >= rowCount())
        return false;
    const QVariant value = index(row, 0).data(Qt::UserRole);
    if (!value.isValid() || m_recents.contains(value))
        return false;
    m_recents.prepend(value);
    if (m_recents.size() > m_maxRecents)
        m_recents.removeLast();
    emit dataChanged(index(0, 0), index(m_maxRecents - 1, columnCount() - 1));
    return true;
}

} // namespace Lexora
