#pragma once

#include <QComboBox>
#include <QVariant>

namespace Lexora {

class SuggestionsModel;

// A combo box over a list model that keeps the last few choices at the top of
// its list, above a separator. Recent choices live in memory only.
class RecentsComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit RecentsComboBox(QAbstractItemModel *sourceModel, QWidget *parent = nullptr);
    ~RecentsComboBox() override;

    SuggestionsModel *suggestionsModel() const { return m_suggestions; }
    // How many recent rows the list shows; they fill in from the top.
    int shownRecents() const { return m_shownRecents; }

    void showPopup() override;

signals:
    void currentValueChanged(const QVariant &value);

private:
    void onCurrentIndexChanged(int row);
    void hideEmptyRecentRows();
    // After the list was loaded again: the same value stays chosen, wherever
    // its row is now; a value that is gone gives way to the first entry.
    void restoreCurrentValue();

    const int m_recentSlots = 3;
    int m_shownRecents = 0;
    SuggestionsModel *m_suggestions;
    bool m_reloading = false;
    QVariant m_valueBeforeReload;
};

} // namespace Lexora
