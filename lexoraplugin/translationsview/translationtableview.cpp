#include "translationtableview.h"

#include <QHeaderView>
#include <QPainter>
#include <QSettings>

namespace Lexora {

TranslationTableView::TranslationTableView(QWidget *parent) : QTableView(parent)
{
    setContextMenuPolicy(Qt::NoContextMenu);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setMinimumSectionSize(40);
    resizeColumnsToContents();
    connect(horizontalHeader(),
            &QHeaderView::sectionResized,
            this,
            [this](int section, int, int newSize) {
                if (section != 0 || m_restoringWidth || newSize <= 0
                    || horizontalHeader()->sectionResizeMode(0) != QHeaderView::Interactive)
                    return;
                QSettings().setValue(idColumnWidthKey(), newSize);
            });
}

QString TranslationTableView::idColumnWidthKey()
{
    return QStringLiteral("TranslationsPanel/idColumnWidth");
}

void TranslationTableView::setModel(QAbstractItemModel *model)
{
    QTableView::setModel(model);
    applyColumnModes();
}

void TranslationTableView::applyColumnModes()
{
    QHeaderView *header = horizontalHeader();
    if (header->count() < 3)
        return;
    // Stretching sections share exactly the viewport's width: nothing
    // overflows it, so the start of a right-aligned text stays in view.
    header->setSectionResizeMode(0, QHeaderView::Interactive);
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    header->setSectionResizeMode(2, QHeaderView::Stretch);
    m_restoringWidth = true;
    const int width = QSettings().value(idColumnWidthKey(), defaultIdColumnWidth).toInt();
    header->resizeSection(0, width > 0 ? width : defaultIdColumnWidth);
    m_restoringWidth = false;
}

int TranslationTableView::sizeHintForColumn(int column) const
{
    const int tableWidth = width();
    if (column == 0)
        return tableWidth > 302 ? 100 : tableWidth / 3;
    return (tableWidth - (verticalHeader()->width() + 2) - columnWidth(0)) / 2;
}

void TranslationTableView::setHint(const QString &hint)
{
    if (hint == m_hint)
        return;
    m_hint = hint;
    viewport()->update();
}

void TranslationTableView::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
    if (m_hint.isEmpty())
        return;
    const int rows = model() ? model()->rowCount(rootIndex()) : 0;
    QRect area = viewport()->rect().adjusted(12, 12, -12, -12);
    if (rows > 0)
        area.setTop(rowViewportPosition(rows - 1) + rowHeight(rows - 1) + 12);
    if (area.height() < fontMetrics().height())
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const int flags
        = Qt::TextWordWrap | (rows > 0 ? Qt::AlignHCenter | Qt::AlignTop : Qt::AlignCenter);
    painter.drawText(area, flags, m_hint);
}

} // namespace Lexora
