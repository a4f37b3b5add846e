#include "translationsview/translationssearchwidget.h"

#include "translationsview/translationsearchmodel.h"
#include "translationsview/translationsview.h"

#include <core/workbench.h>
#include <sqlite/sqliteexception.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

namespace Lexora {

TranslationsSearchWidget::TranslationsSearchWidget(TranslationsView *view, QWidget *parent)
    : QWidget(parent),
      m_view(view),
      m_searchField(new QLineEdit),
      m_resultTable(new QTableView(this)),
      m_noResultsLabel(new QLabel(tr("No results"))),
      m_moreResultsLabel(new QLabel(tr("First %1 results. Type more to narrow the search.")
                                        .arg(TranslationSearchModel::maximumRows)))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *toolBar = new QToolBar(this);
    m_searchField->setClearButtonEnabled(true);
    m_searchField->setPlaceholderText(QStringLiteral("sear* ter*"));
    m_searchField->setToolTip(
        tr("whole word: text\n"
           "partial word: te*\n"
           "multiple words: more te*\n"
           "words in that order: \"one two three\"\n"
           "near words: NEAR(one seven, 8)\n"
           "first word: ^hello\n"
           "logical connection: one OR two NOT three\n"
           "only language: language: ko\n"
           "only translation: translation: hello\n"
           "example to show all German translations with kindergarten: language: de "
           "kindergarten"));
    toolBar->addWidget(m_searchField);
    layout->addWidget(toolBar);

    m_resultTable->setModel(view->searchModel());
    m_resultTable->horizontalHeader()->setStretchLastSection(true);
    m_resultTable->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(m_resultTable);
    m_moreResultsLabel->setContentsMargins(4, 2, 4, 2);
    m_moreResultsLabel->hide();
    layout->addWidget(m_moreResultsLabel);

    // Over the empty table, where the results would be.
    auto *viewportLayout = new QVBoxLayout(m_resultTable->viewport());
    m_noResultsLabel->setAlignment(Qt::AlignCenter);
    m_noResultsLabel->setEnabled(false);
    m_noResultsLabel->hide();
    viewportLayout->addWidget(m_noResultsLabel);

    connect(m_searchField, &QLineEdit::textEdited, this, &TranslationsSearchWidget::search);
    connect(m_resultTable,
            &QWidget::customContextMenuRequested,
            this,
            &TranslationsSearchWidget::showContextMenu);
}

TranslationsSearchWidget::~TranslationsSearchWidget() = default;

void TranslationsSearchWidget::clear()
{
    m_searchField->clear();
    m_searchField->setStyleSheet(QString());
    m_view->searchModel()->setSearchText(QString());
    m_noResultsLabel->hide();
    m_moreResultsLabel->hide();
}

void TranslationsSearchWidget::search(const QString &text)
{
    bool valid = true;
    try {
        valid = m_view->searchModel()->setSearchText(text);
    } catch (const Host::Sqlite::Exception &exception) {
        // Shown like every other database failure of the editor, instead of
        // leaving the event loop.
        QMessageBox::critical(Host::Core::Workbench::dialogParent(),
                              tr("Cannot search the database!"),
                              tr("It can be that the database is corrupt or the database scheme "
                                 "changed. The error is: %1")
                                  .arg(QString::fromUtf8(exception.what())));
    }
    m_searchField->setStyleSheet(valid ? QString() : QStringLiteral("color: red"));
    m_noResultsLabel->setVisible(valid && !text.isEmpty()
                                 && m_view->searchModel()->rowCount() == 0);
    m_moreResultsLabel->setVisible(m_view->searchModel()->hasMoreResults());
}

QMenu *TranslationsSearchWidget::createContextMenu(const QPoint &position)
{
    const QModelIndex index = m_resultTable->indexAt(position);
    if (!index.isValid())
        return nullptr;
    m_contextTranslationId = index.siblingAtColumn(0).data(Qt::DisplayRole).toString();

    auto *menu = new QMenu(this);
    if (!m_view->hasSingleSelectedNode()) {
        menu->addAction(tr("<invalid selection>"))->setEnabled(false);
        return menu;
    }
    const QStringList propertyNames = m_view->stringPropertyNames();
    if (propertyNames.isEmpty()) {
        menu->addAction(tr("<no string properties>"))->setEnabled(false);
        return menu;
    }
    menu->addSection(tr("Set property ..."));
    for (const QString &propertyName : propertyNames) {
        connect(menu->addAction(propertyName), &QAction::triggered, this, [this, propertyName] {
            m_view->setTranslationBinding(m_contextTranslationId, propertyName);
        });
    }
    return menu;
}

void TranslationsSearchWidget::showContextMenu(const QPoint &position)
{
    QMenu *menu = createContextMenu(position);
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_resultTable->viewport()->mapToGlobal(position));
}

} // namespace Lexora
