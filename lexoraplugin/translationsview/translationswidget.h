#pragma once

#include "translationsview/testresultoverlay.h"

#include <QHash>
#include <QModelIndex>
#include <QString>
#include <QWidget>

QT_BEGIN_NAMESPACE
class QAbstractItemModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;
class QToolBar;
class QToolButton;
QT_END_NAMESPACE

namespace Lexora {

class RecentsComboBox;
class TranslationFilterModel;
class TranslationTableView;
class TranslationsView;

// The "Translations" tab: a tool bar with the language selector and the
// commands, above the translations table.
class TranslationsWidget : public QWidget
{
    Q_OBJECT

public:
    explicit TranslationsWidget(TranslationsView *view, QWidget *parent = nullptr);
    ~TranslationsWidget() override;

    // The table shows `model` through the tab's filter.
    void setModel(QAbstractItemModel *model);
    // The table's index of a cell of the model given to setModel() or of one
    // below it; invalid where the filter hides the row.
    QModelIndex tableIndex(const QModelIndex &index) const;
    TranslationFilterModel *filterModel() const { return m_filterModel; }
    // Scrolls the table to the first shown row whose `role` is true.
    void scrollToFirst(int role);
    QComboBox *showSelector() const { return m_showSelector; }
    QLineEdit *filterEdit() const { return m_filterEdit; }
    // The code of the language chosen in the selector; empty when none is.
    QString currentLanguageCode() const;
    // A line above the table that says why there are no translations to show
    // (the database could not be opened); hidden while `text` is empty.
    void setProblem(const QString &text);
    QLabel *problemLabel() const { return m_problemLabel; }
    // A line below the table that says what the frames of a translation test
    // on the form mean; hidden while `entries` is empty.
    void setTestLegend(const QString &title, const QList<TestResultOverlay::LegendEntry> &entries);
    QLabel *testLegendLabel() const { return m_testLegendLabel; }
    // Enables the commands that need a project or its database only while
    // there is one.
    void updateActions();
    // Shows how far the chosen language is translated beside the selector,
    // every project language in its tool tip; counted a moment after the
    // last call, so a burst of edits counts once.
    void updateCoverage();
    QLabel *coverageLabel() const { return m_coverageLabel; }

    QToolBar *toolBar() const { return m_toolBar; }
    // The tool bar's action for the command with the given id (the ids of
    // Constants::Commands); null for an id it does not have.
    QAction *command(const QByteArray &id) const { return m_commands.value(id); }
    RecentsComboBox *languageSelector() const { return m_languageSelector; }
    TranslationTableView *tableView() const { return m_tableView; }

signals:
    void currentLanguageChanged(const QString &language);

public slots:
    void onImportJson();
    void onExportJson();
    void onRunProjectTranslationTest();
    void onRunQmlTranslationTest();
    void onSelectLanguages();
    void exportUsedTranslationsButtonPressed();
    void exportCurrentDocumentButtonPressed();
    void onGenerateTranslationFiles();

private:
    void showCoverage();
    QString dialogDirectory() const;
    void rememberDirectory(const QString &filePath);
    // Asks for a JSON file to write; empty when the user cancels.
    QString exportFileName(const QString &title);
    // Says in the table what to do when it has nothing to show.
    void updateHint();

    QString m_lastDirectory;
    TranslationsView *m_view;
    TranslationTableView *m_tableView;
    QLabel *m_problemLabel;
    QLabel *m_testLegendLabel;
    RecentsComboBox *m_languageSelector;
    QToolBar *m_toolBar;
    QList<QAction *> m_projectActions;
    QList<QAction *> m_databaseActions;
    QHash<QByteArray, QAction *> m_commands;
    QToolButton *m_importExportButton = nullptr;
    TranslationFilterModel *m_filterModel;
    QComboBox *m_showSelector;
    QLineEdit *m_filterEdit;
    QLabel *m_filterCount;
    QLabel *m_coverageLabel;
    QTimer *m_coverageTimer;
};

} // namespace Lexora
