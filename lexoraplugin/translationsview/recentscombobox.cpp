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
    // The combo box itself moves to some row on a reset (it cannot know
    // better); this one then puts the chosen value back.
    connect(m_suggestions, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        m_reloading = true;
        m_valueBeforeReload = currentData(Qt::UserRole);
    });
    connect(m_suggestions,
            &QAbstractItemModel::modelReset,
            this,
            &RecentsComboBox::restoreCurrentValue);
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

void RecentsComboBox::restoreCurrentValue()
{
    // A list view forgets its hidden rows when its model resets.
    m_shownRecents = int(m_suggestions->recents().size());
    hideEmptyRecentRows();
    int row = m_valueBeforeReload.isValid()
        ? findData(m_valueBeforeReload, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive)
        : -1;
    const bool kept = row >= 0;
    if (!kept)
        row = count() > m_recentSlots + 1 ? m_recentSlots + 1 : -1;
    setCurrentIndex(row);
    m_reloading = false;
    const QVariant value = currentData(Qt::UserRole);
    if (!kept && value != m_valueBeforeReload)
        emit currentValueChanged(value);
}

void RecentsComboBox::onCurrentIndexChanged(int row)
{
    if (m_reloading)
        return;
    if (m_suggestions->addRecent(row)) {
        m_shownRecents = int(m_suggestions->recents().size());
        hideEmptyRecentRows();
    }
    emit currentValueChanged(itemData(row, Qt::UserRole));
}

} // namespace Lexora
