#pragma once

#include <QTableView>

namespace Lexora {

// The table of the translations tab. The ID column keeps the width the user
// gave it (in the application's settings); the two language columns share the
// rest, so that a right-to-left text never starts outside the view. Its own
// size hint for a column is a third of the width up to 100 pixels for the ID
// column, an equal share of the rest for the language columns.
class TranslationTableView : public QTableView
{
    Q_OBJECT

public:
    static constexpr int defaultIdColumnWidth = 140;

    explicit TranslationTableView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;

    // A few words shown below the rows (in the middle of an empty table) that
    // say what to do next; none while empty.
    void setHint(const QString &hint);
    QString hint() const { return m_hint; }

    // Where the width of the ID column is kept between sessions.
    static QString idColumnWidthKey();

protected:
    int sizeHintForColumn(int column) const override;
    void paintEvent(QPaintEvent *event) override;

private:
    void applyColumnModes();

    QString m_hint;
    bool m_restoringWidth = false;
};

} // namespace Lexora
