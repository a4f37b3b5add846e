#pragma once

#include "projects_global.h"

#include <utils/path.h>

#include <QMap>
#include <QWidget>

QT_BEGIN_NAMESPACE
class QComboBox;
class QHBoxLayout;
class QLabel;
class QTimer;
class QTreeView;
QT_END_NAMESPACE

namespace Host::Projects {

class IssueList;
class IssuesFilterModel;
class IssuesModel;

// The "Issues" pane: the table of issues, a count, and a short highlight when
// a flash-worthy issue arrives while the user looks elsewhere.
class HOST_PROJECTS_EXPORT IssuesView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool flashing READ isFlashing NOTIFY flashingChanged)

public:
    explicit IssuesView(QWidget *parent = nullptr);
    explicit IssuesView(IssueList *list, QWidget *parent = nullptr);
    ~IssuesView() override;

    IssuesModel *model() const { return m_model; }
    // What the table shows: the issues that pass the facet filters.
    IssuesFilterModel *filterModel() const { return m_filter; }
    // One selector per facet the issues carry ("Check", "Language"), its
    // first entry showing all; none while no issue has a facet.
    QComboBox *facetSelector(const QString &facet) const { return m_facetSelectors.value(facet); }
    QTreeView *treeView() const { return m_view; }
    QString summary() const;
    bool isFlashing() const { return m_flashing; }

signals:
    // The user activated an issue that has a place in a file.
    void openFileRequested(const Host::Utils::Path &file, int line);
    void flashingChanged(bool flashing);

private:
    void updateSummary();
    void updateFacetSelectors();
    void setFlashing(bool flashing);

    IssuesModel *m_model;
    IssuesFilterModel *m_filter;
    QWidget *m_facetBar;
    QHBoxLayout *m_facetLayout;
    QMap<QString, QComboBox *> m_facetSelectors;
    QTimer *m_facetTimer;
    QTreeView *m_view;
    QLabel *m_summary;
    QTimer *m_flashTimer;
    bool m_flashing = false;
};

} // namespace Host::Projects
