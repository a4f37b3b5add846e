#pragma once

#include <QIdentityProxyModel>
#include <QList>

namespace Lexora {

// A flat list model that shows, above all rows of its source, a few slots for
// recently chosen rows and a separator. Searching it by data finds the rows of
// the full list, never the recent copies. A recent choice is kept by its
// Qt::UserRole value (a language code), not by its row: when the source is
// loaded again in another order the recent rows still show what was chosen,
// and a choice the source no longer has is dropped.
class SuggestionsModel : public QIdentityProxyModel
{
public:
    explicit SuggestionsModel(int maxRecents, QObject *parent = nullptr);

    void setSourceModel(QAbstractItemModel *sourceModel) override;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex &index) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;

    QModelIndex mapToSource(const QModelIndex &proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex &sourceIndex) const override;

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QModelIndex buddy(const QModelIndex &index) const override;
    QModelIndexList match(const QModelIndex &start,
                          int role,
                          const QVariant &value,
                          int hits = 1,
                          Qt::MatchFlags flags
                          = Qt::MatchFlags(Qt::MatchStartsWith | Qt::MatchWrap)) const override;

    // Records that proxy row `row` was chosen; true when the recent rows changed.
    bool addRecent(int row);

    int maxRecents() const { return m_maxRecents; }
    // The Qt::UserRole values of the recent choices, most recent first.
    QVariantList recents() const { return m_recents; }

private:
    int firstSourceRow() const { return m_maxRecents + 1; }
    bool isRecentSlot(int row) const { return row >= 0 && row < m_maxRecents; }
    bool isSeparator(int row) const { return row == m_maxRecents; }
    QModelIndex sourceIndexOf(const QVariant &value, int column) const;
    void dropVanishedRecents();

    const int m_maxRecents;
    QVariantList m_recents;
};

} // namespace Lexora
