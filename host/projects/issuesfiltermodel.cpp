#include "issuesfiltermodel.h"

#include "issuesmodel.h"

namespace Host::Projects {

IssuesFilterModel::IssuesFilterModel(QObject *parent) : QSortFilterProxyModel(parent) { }

void IssuesFilterModel::setFacetFilter(const QString &facet, const QString &value)
{
    if (m_filters.value(facet) == value)
        return;
    if (value.isEmpty())
        m_filters.remove(facet);
    else
        m_filters.insert(facet, value);
    invalidateFilter();
}

bool IssuesFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_filters.isEmpty())
        return true;
    const QVariantMap facets
        = sourceModel()->index(sourceRow, 0, sourceParent).data(IssuesModel::FacetsRole).toMap();
    for (auto filter = m_filters.cbegin(); filter != m_filters.cend(); ++filter) {
        if (facets.value(filter.key()).toString() != filter.value())
            return false;
    }
    return true;
}

} // namespace Host::Projects
