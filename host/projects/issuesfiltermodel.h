#pragma once

#include "projects_global.h"

#include <QMap>
#include <QSortFilterProxyModel>

namespace Host::Projects {

// The issues whose facets hold every chosen value, e.g. the findings of one
// check in one language; all of them while nothing is chosen.
class HOST_PROJECTS_EXPORT IssuesFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit IssuesFilterModel(QObject *parent = nullptr);

    // An empty value drops the facet's condition.
    void setFacetFilter(const QString &facet, const QString &value);
    QMap<QString, QString> facetFilters() const { return m_filters; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QMap<QString, QString> m_filters;
};

} // namespace Host::Projects
