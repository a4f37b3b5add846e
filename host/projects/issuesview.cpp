#include "issuesview.h"

#include "issuelist.h"
#include "issuesmodel.h"

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
      m_view(new QTreeView(this)),
      m_summary(new QLabel(this)),
      m_flashTimer(new QTimer(this))
{
    setWindowTitle(tr("Issues"));
    m_view->setModel(m_model);
    m_view->setRootIsDecorated(false);
    m_view->setUniformRowHeights(true);
    m_view->setAlternatingRowColors(true);
    m_view->header()->setSectionResizeMode(IssuesModel::DescriptionColumn, QHeaderView::Stretch);
    m_view->header()->setStretchLastSection(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_summary);
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
        const Issue issue = m_model->issue(index.row());
        if (list->activate(issue))
            return;
        if (issue.hasLocation())
            emit openFileRequested(issue.file, issue.line);
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &IssuesView::updateSummary);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &IssuesView::updateSummary);
    connect(m_model, &QAbstractItemModel::modelReset, this, &IssuesView::updateSummary);
    updateSummary();
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
