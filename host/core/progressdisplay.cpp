#include "progressdisplay.h"

#include "progresscenter.h"
#include "progressmodel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace Host::Core {

ProgressDisplay::ProgressDisplay(QWidget *parent)
    : ProgressDisplay(ProgressCenter::instance()->model(), parent)
{
    connect(this,
            &ProgressDisplay::cancelRequested,
            ProgressCenter::instance(),
            &ProgressCenter::cancelTasks);
}

ProgressDisplay::ProgressDisplay(ProgressModel *model, QWidget *parent)
    : QWidget(parent), m_model(model), m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(2, 2, 2, 2);
    m_layout->setSpacing(2);
    m_layout->addStretch();
    // Rows come and go rarely; values change often and update in place.
    connect(model, &QAbstractItemModel::rowsInserted, this, &ProgressDisplay::rebuild);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &ProgressDisplay::rebuild);
    connect(model, &QAbstractItemModel::modelReset, this, &ProgressDisplay::rebuild);
    connect(model,
            &QAbstractItemModel::dataChanged,
            this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
                    refresh(row);
            });
    rebuild();
}

ProgressDisplay::~ProgressDisplay() = default;

QProgressBar *ProgressDisplay::progressBar(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[row].bar : nullptr;
}

QLabel *ProgressDisplay::titleLabel(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[row].title : nullptr;
}

void ProgressDisplay::rebuild()
{
    for (Row &row : m_rows)
        delete row.container;
    m_rows.clear();
    for (int i = 0; i < m_model->rowCount(); ++i) {
        Row row;
        row.container = new QWidget(this);
        auto *layout = new QHBoxLayout(row.container);
        layout->setContentsMargins(0, 0, 0, 0);
        row.title = new QLabel(row.container);
        row.bar = new QProgressBar(row.container);
        row.bar->setTextVisible(true);
        row.cancel = new QToolButton(row.container);
        row.cancel->setText(QStringLiteral("\u2715"));
        row.cancel->setToolTip(tr("Cancel"));
        row.cancel->setAutoRaise(true);
        layout->addWidget(row.title);
        layout->addWidget(row.bar, 1);
        layout->addWidget(row.cancel);
        connect(row.cancel, &QToolButton::clicked, this, [this, i] {
            emit cancelRequested(m_model->entry(i).typeId);
        });
        m_layout->insertWidget(i, row.container);
        m_rows.push_back(row);
        refresh(i);
    }
}

void ProgressDisplay::refresh(int index)
{
    if (index < 0 || index >= int(m_rows.size()))
        return;
    const ProgressEntry entry = m_model->entry(index);
    Row &row = m_rows[index];
    row.title->setText(entry.progressText.isEmpty()
                           ? entry.title
                           : QStringLiteral("%1 (%2)").arg(entry.title, entry.progressText));
    if (entry.maximum <= entry.minimum && !entry.finished) {
        row.bar->setRange(0, 0); // busy indicator while the size of the work is unknown
    } else {
        row.bar->setRange(entry.minimum, qMax(entry.minimum + 1, entry.maximum));
        row.bar->setValue(entry.finished && !entry.canceled ? row.bar->maximum() : entry.value);
    }
    if (entry.canceled)
        row.bar->setFormat(tr("Canceled"));
    else
        row.bar->setFormat(QStringLiteral("%p%"));
    row.cancel->setEnabled(!entry.finished);
}

} // namespace Host::Core
