#pragma once

#include "issue.h"
#include "projects_global.h"

#include <QAbstractTableModel>

namespace Host::Projects {

class IssueList;

// The issues of the visible categories as a table: description, file, line,
// category. Follows the issue list as issues come and go.
class HOST_PROJECTS_EXPORT IssuesModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { DescriptionColumn, FileColumn, LineColumn, CategoryColumn, ColumnCount };
    enum Role {
        IssueIdRole = Qt::UserRole + 1,
        TypeRole,
        FilePathRole, // the full path as a string
        LineRole,
        CategoryIdRole,
        OptionsRole,
        FacetsRole, // QVariantMap of Issue::facets
    };

    explicit IssuesModel(IssueList *list, QObject *parent = nullptr);
    ~IssuesModel() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    Issue issue(int row) const { return m_rows.value(row); }

private:
    void reload();
    void append(const Issue &issue);
    void remove(quint64 id);

    IssueList *m_list;
    Issues m_rows;
};

} // namespace Host::Projects
