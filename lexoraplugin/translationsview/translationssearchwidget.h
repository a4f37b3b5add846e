#pragma once

#include <QWidget>

QT_BEGIN_NAMESPACE
class QLabel;
class QLineEdit;
class QMenu;
class QTableView;
QT_END_NAMESPACE

namespace Lexora {

class TranslationsView;

// The "Search Translations" tab: a full-text search over all translations of
// the project's database whose results can be put on the selected item.
class TranslationsSearchWidget : public QWidget
{
    Q_OBJECT

public:
    explicit TranslationsSearchWidget(TranslationsView *view, QWidget *parent = nullptr);
    ~TranslationsSearchWidget() override;

    QLineEdit *searchField() const { return m_searchField; }
    QTableView *resultTable() const { return m_resultTable; }
    // "No results", shown over the table while a search finds nothing.
    QLabel *noResultsLabel() const { return m_noResultsLabel; }
    // Below the table while it shows only the first of the results found.
    QLabel *moreResultsLabel() const { return m_moreResultsLabel; }

    // The context menu for the result row at `position` (in the table's
    // viewport); null when there is no row there. The caller owns it.
    QMenu *createContextMenu(const QPoint &position);
    // Forgets the query and its results (the project changed).
    void clear();

private:
    void search(const QString &text);
    void showContextMenu(const QPoint &position);

    TranslationsView *m_view;
    QLineEdit *m_searchField;
    QTableView *m_resultTable;
    QLabel *m_noResultsLabel;
    QLabel *m_moreResultsLabel;
    QString m_contextTranslationId;
};

} // namespace Lexora
