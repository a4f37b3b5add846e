#include "translationtableview.h"

#include <QHeaderView>

namespace Lexora {

TranslationTableView::TranslationTableView(QWidget *parent) : QTableView(parent)
{
    setContextMenuPolicy(Qt::NoContextMenu);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    resizeColumnsToContents();
}

int TranslationTableView::sizeHintForColumn(int column) const
{
    const int tableWidth = width();
    if (column == 0)
        return tableWidth > 302 ? 100 : tableWidth / 3;
    return (tableWidth - (verticalHeader()->width() + 2) - columnWidth(0)) / 2;
}

} // namespace Lexora
