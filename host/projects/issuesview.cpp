#include "issuesview.h"

#include "issuelist.h"
#include "issuesfiltermodel.h"
#include "issuesmodel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace Host::Projects {

IssuesView::IssuesView(QWidget *parent) : IssuesView(IssueList::instance(), parent) { }

IssuesView::IssuesView(IssueList *list, QWidget *parent)
    : QWidget(parent),
      m_model(new IssuesModel(list, this)),
      m_filter(new IssuesFilterModel(this)),
      m_facetBar(new QWidget(this)),
      m_facetLayout(new QHBoxLayout(m_facetBar)),
      m_facetTimer(new QTimer(this)),
      m_view(new QTreeView(this)),
      m_summary(new QLabel(this)),
      m_flashTimer(new QTimer(this))
{
    setWindowTitle(tr("Issues"));
    m_filter->setSourceModel(m_model);
    m_view->setModel(m_filter);
    m_view->setRootIsDecorated(false);
    m_view->setUniformRowHeights(true);
    m_view->setAlternatingRowColors(true);
    m_view->header()->setSectionResizeMode(IssuesModel::DescriptionColumn, QHeaderView::Stretch);
    m_view->header()->setStretchLastSection(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_summary);
    m_facetLayout->setContentsMargins(0, 0, 0, 0);
    m_facetLayout->addStretch();
    m_facetBar->hide();
    layout->addWidget(m_facetBar);
    layout->addWidget(m_view);

    m_flashTimer->setSingleShot(true);
    m_flashTimer->setInterval(1500);
    connect(m_flashTimer, &QTimer::timeout, this, [this] { setFlashing(false); });
    connect(list, &IssueList::flashRequested, this, [this] {
        setFlashing(true);
        m_flashTimer->start();
    });
    connect(list, &IssueList::popupRequested, this, [this] {
        show();
        raise();
    });

    connect(m_view, &QTreeView::activated, this, [this, list](const QModelIndex &index) {
        const Issue issue = m_model->issue(m_filter->mapToSource(index).row());
        if (list->activate(issue))
            return;
        if (issue.hasLocation())
            emit openFileRequested(issue.file, issue.line);
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &IssuesView::updateSummary);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &IssuesView::updateSummary);
    connect(m_model, &QAbstractItemModel::modelReset, this, &IssuesView::updateSummary);
    // Issues arrive one by one, thousands at a time: the selectors are built
    // once the burst is over.
    m_facetTimer->setSingleShot(true);
    m_facetTimer->setInterval(0);
    connect(m_facetTimer, &QTimer::timeout, this, &IssuesView::updateFacetSelectors);
    for (auto signal : { &QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved })
        connect(m_model, signal, m_facetTimer, qOverload<>(&QTimer::start));
    connect(m_model, &QAbstractItemModel::modelReset, m_facetTimer, qOverload<>(&QTimer::start));
    updateSummary();
    updateFacetSelectors();
}

IssuesView::~IssuesView() = default;

QString IssuesView::summary() const
{
    return m_summary->text();
}

void IssuesView::updateSummary()
{
    int errors = 0;
    int warnings = 0;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const Issue issue = m_model->issue(row);
        if (issue.type == Issue::Error)
            ++errors;
        else if (issue.type == Issue::Warning)
            ++warnings;
    }
    m_summary->setText(tr("%n error(s)", nullptr, errors) + QLatin1String(", ")
                       + tr("%n warning(s)", nullptr, warnings));
}

void IssuesView::updateFacetSelectors()
{
    QMap<QString, QStringList> values;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const Issue issue = m_model->issue(row);
        for (auto facet = issue.facets.cbegin(); facet != issue.facets.cend(); ++facet) {
            QStringList &known = values[facet.key()];
            if (!facet.value().isEmpty() && !known.contains(facet.value()))
                known.append(facet.value());
        }
    }
    for (auto selector = m_facetSelectors.begin(); selector != m_facetSelectors.end();) {
        if (values.contains(selector.key())) {
            ++selector;
            continue;
        }
        m_filter->setFacetFilter(selector.key(), QString());
        delete selector.value();
        selector = m_facetSelectors.erase(selector);
    }
    for (auto facet = values.begin(); facet != values.end(); ++facet) {
        QComboBox *&selector = m_facetSelectors[facet.key()];
        if (!selector) {
            selector = new QComboBox(m_facetBar);
            selector->setObjectName(facet.key());
            selector->setSizeAdjustPolicy(QComboBox::AdjustToContents);
            m_facetLayout->insertWidget(m_facetLayout->count() - 1, selector);
            const QString name = facet.key();
            connect(selector, &QComboBox::currentIndexChanged, this, [this, name, selector] {
                m_filter->setFacetFilter(name, selector->currentData().toString());
            });
        }
        const QString chosen = selector->currentData().toString();
        QStringList sorted = facet.value();
        sorted.sort();
        const QSignalBlocker blocker(selector);
        selector->clear();
        selector->addItem(tr("%1: all").arg(facet.key()), QString());
        for (const QString &value : std::as_const(sorted))
            selector->addItem(value, value);
        // A value whose issues are gone shows everything again.
        const int row = selector->findData(chosen);
        selector->setCurrentIndex(row < 0 ? 0 : row);
        m_filter->setFacetFilter(facet.key(), selector->currentData().toString());
    }
    m_facetBar->setVisible(!m_facetSelectors.isEmpty());
}

void IssuesView::setFlashing(bool flashing)
{
    if (flashing == m_flashing)
        return;
    m_flashing = flashing;
    // The highlight is the pane's own palette; a style sheet would also reach the table.
    setAutoFillBackground(flashing);
    QPalette pal = palette();
    pal.setColor(QPalette::Window,
                 flashing ? QColor(255, 200, 120) : QPalette().color(QPalette::Window));
    setPalette(pal);
    emit flashingChanged(flashing);
}

} // namespace Host::Projects
