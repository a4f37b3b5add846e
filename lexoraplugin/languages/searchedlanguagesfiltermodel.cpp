#include "languages/searchedlanguagesfiltermodel.h"

namespace Lexora {

SearchedLanguagesFilterModel::SearchedLanguagesFilterModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{ }

void SearchedLanguagesFilterModel::setTextFilter(const QString &filter)
{
    m_textFilter = filter;
    invalidateFilter();
}

bool SearchedLanguagesFilterModel::filterAcceptsRow(int sourceRow,
                                                    const QModelIndex &sourceParent) const
{
    if (m_textFilter.isEmpty())
        return true;

    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    const QString name = sourceModel()->data(index, Qt::DisplayRole).toString();
    return name.toLower().indexOf(m_textFilter.toLower()) != -1;
}

} // namespace Lexora
