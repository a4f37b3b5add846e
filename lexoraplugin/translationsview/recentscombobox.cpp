#include "translationsview/recentscombobox.h"

#include "translationsview/suggestionsmodel.h"

#include <QListView>
#include <QScrollBar>

namespace Lexora {

RecentsComboBox::RecentsComboBox(QAbstractItemModel *sourceModel, QWidget *parent)
    : QComboBox(parent), m_suggestions(new SuggestionsModel(m_recentSlots, this))
{
    m_suggestions->setSourceModel(sourceModel);
    setModel(m_suggestions);
    hideEmptyRecentRows();
    // A list view forgets its hidden rows when its model resets.
    connect(m_suggestions,
            &QAbstractItemModel::modelReset,
            this,
            &RecentsComboBox::hideEmptyRecentRows);
    setCurrentIndex(m_recentSlots + 1);
    connect(this, &QComboBox::currentIndexChanged, this, &RecentsComboBox::onCurrentIndexChanged);
}

RecentsComboBox::~RecentsComboBox() = default;

void RecentsComboBox::hideEmptyRecentRows()
{
    auto *list = qobject_cast<QListView *>(view());
    if (!list)
        return;
    for (int row = 0; row < m_recentSlots; ++row)
        list->setRowHidden(row, row >= m_shownRecents);
}

void RecentsComboBox::showPopup()
{
    // The popup's entries have a flag and room for a check mark beside the
    // name; without this the longer names would be cut.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + 2 * view()->frameWidth()
                            + view()->verticalScrollBar()->sizeHint().width());
    QComboBox::showPopup();
}

void RecentsComboBox::onCurrentIndexChanged(int row)
{
    if (m_suggestions->addRecent(row) && m_shownRecents < m_recentSlots) {
        ++m_shownRecents;
        hideEmptyRecentRows();
    }
    emit currentValueChanged(itemData(row, Qt::UserRole));
}

} // namespace Lexora
