#include "translationfiltermodel.h"

#include "translationsview/translationstatusmodel.h"

namespace Lexora {

TranslationFilterModel::TranslationFilterModel(QObject *parent) : QSortFilterProxyModel(parent)
{
    // The status model announces a row's status change in its ID cell with
    // this role, also when only a text cell was edited.
    setFilterRole(TranslationStatusModel::StatusRole);
    setFilterKeyColumn(0);
}

void TranslationFilterModel::setShow(Show show)
{
    if (show == m_show)
        return;
    m_show = show;
    invalidateRowsFilter();
}

void TranslationFilterModel::setText(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed == m_text)
        return;
    m_text = trimmed;
    invalidateRowsFilter();
}

bool TranslationFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const QAbstractItemModel *model = sourceModel();
    if (m_show != Show::All) {
        const auto status = TranslationStatusModel::Statuses::fromInt(
            model->index(sourceRow, 0, sourceParent)
                .data(TranslationStatusModel::StatusRole)
                .toInt());
        const TranslationStatusModel::Statuses wanted = m_show == Show::Untranslated
            ? TranslationStatusModel::untranslated
            : TranslationStatusModel::findings;
        if (!(status & wanted))
            return false;
    }
    if (m_text.isEmpty())
        return true;
    for (int column = 0; column < model->columnCount(sourceParent); ++column) {
        // The edit text holds every plural form; the shown text of a missing
        // primary text is the code's source text, which is worth finding too.
        const QModelIndex cell = model->index(sourceRow, column, sourceParent);
        if (cell.data(Qt::EditRole).toString().contains(m_text, Qt::CaseInsensitive)
            || cell.data(Qt::DisplayRole).toString().contains(m_text, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace Lexora
