#include "translationsview/translationswidget.h"

#include "databaseaccess.h"
#include "languages/languagesselectiondialog.h"
#include "lexoraconstants.h"
#include "translationsview/projectlanguagesettings.h"
#include "translationsview/recentscombobox.h"
#include "translationsview/translationfiltermodel.h"
#include "translationsview/translationitemdelegate.h"
#include "translationsview/translationstatusmodel.h"
#include "translationsview/translationsview.h"
#include "translationsview/translationtableview.h"
#include "translationtests/projecttranslationtesterdialog.h"
#include "translationtests/qmldebugtranslationdialog.h"

#include <core/actionregistry.h>
#include <core/filedialogs.h>
#include <core/iconfontbuilder.h>
#include <core/theme.h>
#include <core/workbench.h>
#include <designer/formdocument.h>
#include <designer/viewmanager.h>
#include <projects/project.h>
#include <projects/projectnavigator.h>
#include <projects/session.h>
#include <qmlproject/multilanguagesetting.h>
#include <qmlproject/qmlbuildbackend.h>

#include <QAbstractProxyModel>
#include <QComboBox>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace Lexora {

namespace {

constexpr int toolBarIconSize = 28;

QIcon toolBarIcon(Host::Core::Theme::Glyph glyph)
{
    using Host::Core::Theme;
    return Host::Core::IconFontBuilder::icon(
        Theme::iconFontFamily(), Theme::glyph(glyph), toolBarIconSize, Theme::iconColor());
}

Host::QmlProject::MultiLanguageSetting *multiLanguageSetting()
{
    return Host::QmlProject::MultiLanguageSetting::forProject(
        Host::Projects::Session::instance()->startupProject());
}

// The database returns an entry per ID asked for; an ID that several bindings
// use must still be exported once.
TranslationIds distinct(TranslationIds ids)
{
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

// The project of the document open in the designer, else the startup project.
Host::Utils::Path designerProjectDirectory()
{
    if (Host::Designer::FormDocument *document
        = Host::Designer::ViewManager::instance()->currentDocument())
        return document->projectDirectory();
    if (Host::Projects::Project *project = Host::Projects::Session::instance()->startupProject())
        return project->projectDirectory();
    return {};
}

// Gives the project `codes` and `primaryCode`: the studio's project, the
// table and the project file.
void applyProjectLanguages(TranslationsView *view,
                           const QStringList &codes,
                           const QString &primaryCode)
{
    view->setProjectLanguages(codes, primaryCode);
    view->reloadProjectLanguages();
    const Host::Utils::Path directory = designerProjectDirectory();
    if (directory.isEmpty()) {
        qWarning() << "Could not save qmlproject file - file not found in project path.";
        return;
    }
    QString error;
    if (!ProjectLanguageSettings::writeToProjectFile(
            directory.toString(), codes, primaryCode, &error))
        QMessageBox::warning(Host::Core::Workbench::dialogParent(),
                             TranslationsWidget::tr("Project Languages Not Saved"),
                             error,
                             QMessageBox::Ok);
}

struct ProjectLanguages
{
    QStringList codes;
    QString primaryCode;
};

// A change of the project's languages, pushed once applied. The table's undo
// stack holds it: the view owns that stack, and a project change clears it, so
// the startup project is the one the change was made to.
class ProjectLanguagesChange : public QUndoCommand
{
public:
    ProjectLanguagesChange(TranslationsView *view, ProjectLanguages before, ProjectLanguages after)
        : QUndoCommand(TranslationsWidget::tr("Project Languages")),
          m_view(view),
          m_before(std::move(before)),
          m_after(std::move(after))
    { }

    void undo() override { applyProjectLanguages(m_view, m_before.codes, m_before.primaryCode); }

    void redo() override
    {
        if (!std::exchange(m_applied, false))
            applyProjectLanguages(m_view, m_after.codes, m_after.primaryCode);
    }

private:
    TranslationsView *m_view;
    ProjectLanguages m_before;
    ProjectLanguages m_after;
    bool m_applied = true;
};

} // namespace

TranslationsWidget::TranslationsWidget(TranslationsView *view, QWidget *parent)
    : QWidget(parent),
      m_view(view),
      m_tableView(new TranslationTableView(this)),
      m_problemLabel(new QLabel(this)),
      m_testLegendLabel(new QLabel(this)),
      m_languageSelector(new RecentsComboBox(view->languageModel(), this)),
      m_toolBar(new QToolBar(this)),
      m_filterModel(new TranslationFilterModel(this)),
      m_showSelector(new QComboBox(this)),
      m_filterEdit(new QLineEdit(this)),
      m_filterCount(new QLabel(this)),
      m_coverageLabel(new QLabel(this)),
      m_coverageTimer(new QTimer(this))
{
    using Glyph = Host::Core::Theme::Glyph;

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar, 0, 0);
    layout->addWidget(m_problemLabel, 1, 0);
    auto *filterBar = new QWidget(this);
    filterBar->setObjectName(QStringLiteral("filterBar"));
    auto *filterLayout = new QHBoxLayout(filterBar);
    filterLayout->setContentsMargins(4, 2, 4, 2);
    m_showSelector->setObjectName(QStringLiteral("showSelector"));
    m_showSelector->addItem(tr("All"), QVariant::fromValue(TranslationFilterModel::Show::All));
    m_showSelector->addItem(tr("Untranslated"),
                            QVariant::fromValue(TranslationFilterModel::Show::Untranslated));
    m_showSelector->addItem(tr("With findings"),
                            QVariant::fromValue(TranslationFilterModel::Show::WithFindings));
    m_showSelector->setToolTip(
        tr("Show all rows, the rows without a text in one of the two "
           "languages, or the rows with check or translation test findings"));
    m_filterEdit->setObjectName(QStringLiteral("filterEdit"));
    m_filterEdit->setPlaceholderText(tr("Filter by ID or text"));
    m_filterEdit->setClearButtonEnabled(true);
    m_filterCount->setObjectName(QStringLiteral("filterCount"));
    filterLayout->addWidget(m_showSelector);
    filterLayout->addWidget(m_filterEdit, 1);
    filterLayout->addWidget(m_filterCount);
    layout->addWidget(filterBar, 2, 0);
    connect(m_showSelector, &QComboBox::currentIndexChanged, this, [this] {
        m_filterModel->setShow(m_showSelector->currentData().value<TranslationFilterModel::Show>());
    });
    connect(m_filterEdit, &QLineEdit::textChanged, m_filterModel, &TranslationFilterModel::setText);
    for (auto signal : { &QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved })
        connect(m_filterModel, signal, this, &TranslationsWidget::updateHint);
    connect(m_filterModel, &QAbstractItemModel::modelReset, this, &TranslationsWidget::updateHint);
    connect(m_filterModel, &QAbstractItemModel::dataChanged, this, &TranslationsWidget::updateHint);

    m_tableView->setItemDelegate(new TranslationItemDelegate(m_tableView));
    m_tableView->setModel(m_filterModel);
    layout->addWidget(m_tableView, 3, 0);
    layout->addWidget(m_testLegendLabel, 4, 0);
    m_testLegendLabel->setObjectName(QStringLiteral("testResultLegend"));
    m_testLegendLabel->setWordWrap(true);
    m_testLegendLabel->setContentsMargins(6, 4, 6, 4);
    m_testLegendLabel->hide();
    m_problemLabel->setWordWrap(true);
    m_problemLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_problemLabel->setContentsMargins(6, 4, 6, 4);
    m_problemLabel->hide();

    m_toolBar->setIconSize(QSize(toolBarIconSize, toolBarIconSize));
    // Wide enough for the longest language name, also in the popup.
    m_languageSelector->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_toolBar->addWidget(m_languageSelector);

    QAction *selectLanguages = m_toolBar->addAction(
        toolBarIcon(Glyph::Translate), tr("Select supported languages for the project"));
    connect(selectLanguages, &QAction::triggered, this, &TranslationsWidget::onSelectLanguages);
    m_coverageTimer->setSingleShot(true);
    m_coverageTimer->setInterval(200);
    connect(m_coverageTimer, &QTimer::timeout, this, &TranslationsWidget::showCoverage);

    // The coverage sits in the stretch between the language commands and the
    // file commands, so the tool bar keeps its commands as they are.
    auto *spacer = new QWidget(m_toolBar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto *spacerLayout = new QHBoxLayout(spacer);
    spacerLayout->setContentsMargins(6, 0, 6, 0);
    m_coverageLabel->setObjectName(QStringLiteral("coverageLabel"));
    spacerLayout->addWidget(m_coverageLabel);
    spacerLayout->addStretch();
    m_toolBar->addWidget(spacer);

    QAction *exportJson = m_toolBar->addAction(toolBarIcon(Glyph::FileUpload),
                                               tr("Export translations to JSON file"));
    connect(exportJson, &QAction::triggered, this, &TranslationsWidget::onExportJson);

    QAction *importJson = m_toolBar->addAction(toolBarIcon(Glyph::FileDownload),
                                               tr("Import translations from JSON file"));
    connect(importJson, &QAction::triggered, this, &TranslationsWidget::onImportJson);

    QAction *generate = m_toolBar->addAction(toolBarIcon(Glyph::Build),
                                             tr("Generate translation files, both .qm and .ts"));
    connect(generate, &QAction::triggered, this, &TranslationsWidget::onGenerateTranslationFiles);

    QAction *projectTest
        = m_toolBar->addAction(toolBarIcon(Glyph::FactCheck), tr("Run Project Translation Test"));
    connect(
        projectTest, &QAction::triggered, this, &TranslationsWidget::onRunProjectTranslationTest);

    QAction *documentTest
        = m_toolBar->addAction(toolBarIcon(Glyph::Spellcheck), tr("Run Qml Translation Test"));
    connect(documentTest, &QAction::triggered, this, &TranslationsWidget::onRunQmlTranslationTest);

    auto *importExport = new QToolButton(m_toolBar);
    importExport->setIcon(Host::Core::Theme::expandIcon());
    importExport->setToolTip(tr("Import/Export"));
    importExport->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(tr("Import/Export"), importExport);
    // Both directions in one place; the entries are the tool bar's own commands.
    menu->addAction(importJson);
    menu->addAction(exportJson);
    menu->addSeparator();
    QAction *exportUsed = menu->addAction(Host::Core::Theme::saveFileIcon(),
                                          tr("Export used translations to JSON"));
    connect(exportUsed,
            &QAction::triggered,
            this,
            &TranslationsWidget::exportUsedTranslationsButtonPressed);
    QAction *exportDocument = menu->addAction(Host::Core::Theme::saveFileIcon(),
                                              tr("Export current documents translations to JSON"));
    connect(exportDocument,
            &QAction::triggered,
            this,
            &TranslationsWidget::exportCurrentDocumentButtonPressed);
    importExport->setMenu(menu);
    m_toolBar->addWidget(importExport);
    m_importExportButton = importExport;
    m_projectActions = { selectLanguages };
    m_databaseActions = { exportJson, importJson, generate, projectTest, documentTest };

    namespace Commands = Constants::Commands;
    m_commands = { { Commands::importTranslations, importJson },
                   { Commands::exportTranslations, exportJson },
                   { Commands::exportUsedTranslations, exportUsed },
                   { Commands::exportDocumentTranslations, exportDocument },
                   { Commands::generateTranslationFiles, generate },
                   { Commands::chooseLanguages, selectLanguages },
                   { Commands::testInPreview, documentTest },
                   { Commands::testProject, projectTest } };
    // The host's menu runs the same commands; the tool tips name its shortcuts.
    auto *registry = Host::Core::ActionRegistry::instance();
    for (auto command = m_commands.cbegin(); command != m_commands.cend(); ++command)
        command.value()->setToolTip(
            registry->toolTipWithShortcut(command.value()->text(), command.key()));
    updateActions();

    if (Host::QmlProject::MultiLanguageSetting *setting = multiLanguageSetting()) {
        const int row = m_languageSelector->findData(
            setting->currentLocale(), Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (row >= 0)
            m_languageSelector->setCurrentIndex(row);
    }
    connect(m_languageSelector,
            &RecentsComboBox::currentValueChanged,
            this,
            [this](const QVariant &value) {
                updateCoverage();
                emit currentLanguageChanged(value.toString());
            });
    updateCoverage();
}

TranslationsWidget::~TranslationsWidget() = default;

void TranslationsWidget::setModel(QAbstractItemModel *model)
{
    m_filterModel->setSourceModel(model);
    // The header's sections come and go with the source's columns.
    m_tableView->setModel(m_filterModel);
    updateHint();
    // The filter announces removed rows while its source still holds them;
    // the count is right only once the source has let them go.
    connect(model, &QAbstractItemModel::rowsRemoved, this, &TranslationsWidget::updateHint);
    // Every edit and every reload may change what is translated.
    connect(model, &QAbstractItemModel::dataChanged, this, &TranslationsWidget::updateCoverage);
    connect(model, &QAbstractItemModel::modelReset, this, &TranslationsWidget::updateCoverage);
    updateCoverage();
}

QModelIndex TranslationsWidget::tableIndex(const QModelIndex &index) const
{
    // The chain of proxies from the table down to the model of `index`.
    QList<const QAbstractProxyModel *> proxies;
    const QAbstractItemModel *model = m_tableView->model();
    while (model && model != index.model()) {
        const auto *proxy = qobject_cast<const QAbstractProxyModel *>(model);
        if (!proxy)
            return {};
        proxies.prepend(proxy);
        model = proxy->sourceModel();
    }
    if (!model)
        return {};
    QModelIndex mapped = index;
    for (const QAbstractProxyModel *proxy : std::as_const(proxies))
        mapped = proxy->mapFromSource(mapped);
    return mapped;
}

void TranslationsWidget::updateHint()
{
    const QAbstractItemModel *all = m_filterModel->sourceModel();
    const int total = all ? all->rowCount() : 0;
    const int shown = m_filterModel->rowCount();
    m_filterCount->setText(shown == total ? tr("%n row(s)", nullptr, total)
                                          : tr("%1 of %2").arg(shown).arg(total));

    // A project whose database knows none of the document's IDs has no
    // translations yet.
    bool anyKnown = false;
    for (int row = 0; all && row < total && !anyKnown; ++row) {
        const auto status = TranslationStatusModel::Statuses::fromInt(
            all->index(row, 0).data(TranslationStatusModel::StatusRole).toInt());
        anyKnown = !(status & TranslationStatusModel::UnknownId);
    }
    QString hint;
    if (total > 0 && shown == 0) {
        hint = tr("No row matches the filter.");
    } else if (!m_view->databaseAccess()->hasDatabase()) {
        hint = total > 0 ? QString() : tr("No translation database is open.");
    } else if (total == 0 && !m_view->isAttached()) {
        hint = tr("Open a .qml file to see the translation IDs it uses here.");
    } else if (total == 0) {
        hint = tr("The open document uses no translation IDs. Texts bound to qsTrId(\"…\") "
                  "show up here.");
    } else if (!anyKnown) {
        hint = tr("This project has no translations yet. Import a JSON or .ts file with the "
                  "import button above, or type the translations into the table.");
    }
    m_tableView->setHint(hint);
}

void TranslationsWidget::updateCoverage()
{
    m_coverageTimer->start();
}

void TranslationsWidget::showCoverage()
{
    DatabaseIoInterface *database = m_view->databaseAccess()->databaseIo();
    TranslationCoverage coverage;
    if (database) {
        try {
            coverage = database->translationCoverage();
        } catch (const std::exception &exception) {
            qWarning() << "Cannot count the translations:" << exception.what();
        }
    }
    if (coverage.ids == 0) {
        m_coverageLabel->clear();
        m_coverageLabel->setToolTip(QString());
        return;
    }
    auto translatedIn = [&](const QString &language) {
        const std::string code = language.toStdString();
        for (const auto &[counted, count] : coverage.translated) {
            if (counted == code)
                return count;
        }
        return std::int64_t(0);
    };
    const QLocale locale;
    // Rounded down, as `lexora check` rounds: 99.96 % is not done.
    auto describe = [&](const QString &language) {
        const std::int64_t translated = translatedIn(language);
        return tr("%1 / %2 (%3 %)")
            .arg(locale.toString(qlonglong(translated)),
                 locale.toString(qlonglong(coverage.ids)),
                 locale.toString(std::floor(1000.0 * translated / coverage.ids) / 10.0, 'f', 1));
    };
    const QString current = currentLanguageCode();
    m_coverageLabel->setText(current.isEmpty() ? QString() : describe(current));
    QString toolTip = QLatin1String("<table><tr><th colspan=2 align=left>")
        + tr("Translated IDs of the database").toHtmlEscaped() + QLatin1String("</th></tr>");
    for (int row = 0; row < m_languageSelector->count(); ++row) {
        const QString language = m_languageSelector->itemData(row, Qt::UserRole).toString();
        if (language.isEmpty())
            continue;
        toolTip += QLatin1String("<tr><td>") + m_languageSelector->itemText(row).toHtmlEscaped()
            + QLatin1String("</td><td align=right>") + describe(language).toHtmlEscaped()
            + QLatin1String("</td></tr>");
    }
    m_coverageLabel->setToolTip(toolTip + QLatin1String("</table>"));
}

QString TranslationsWidget::currentLanguageCode() const
{
    return m_languageSelector->currentData(Qt::UserRole).toString();
}

void TranslationsWidget::updateActions()
{
    updateHint();
    const bool hasProject = Host::Projects::Session::instance()->startupProject();
    const bool hasDatabase = m_view->databaseAccess()->hasDatabase();
    for (QAction *action : std::as_const(m_projectActions))
        action->setEnabled(hasProject);
    for (QAction *action : std::as_const(m_databaseActions))
        action->setEnabled(hasDatabase);
    m_importExportButton->setEnabled(hasDatabase);
}

QString TranslationsWidget::dialogDirectory() const
{
    if (!m_lastDirectory.isEmpty())
        return m_lastDirectory;
    return Host::Projects::ProjectNavigator::instance()->currentFilePath().parentDir().toString();
}

void TranslationsWidget::rememberDirectory(const QString &filePath)
{
    m_lastDirectory = QFileInfo(filePath).absolutePath();
}

QString TranslationsWidget::exportFileName(const QString &title)
{
    if (!m_view->requireDatabase())
        return {};
    QString fileName = Host::Core::FileDialogs::saveFileName(
        this, title, dialogDirectory(), tr("JSON File (*.json)"));
    if (fileName.isEmpty())
        return {};
    if (!fileName.toLower().endsWith(QLatin1String(".json")))
        fileName += QLatin1String(".json");
    rememberDirectory(fileName);
    return fileName;
}

void TranslationsWidget::setProblem(const QString &text)
{
    m_problemLabel->setText(text);
    m_problemLabel->setVisible(!text.isEmpty());
}

void TranslationsWidget::setTestLegend(const QString &title,
                                       const QList<TestResultOverlay::LegendEntry> &entries)
{
    QStringList parts { title.toHtmlEscaped() };
    for (const TestResultOverlay::LegendEntry &entry : entries) {
        // A square of the frame's colour, as the frames on the form are drawn.
        parts.append(QStringLiteral("<span style=\"color:%1\">&#9632;</span>&nbsp;%2")
                         .arg(entry.color.name(), entry.text.toHtmlEscaped()));
    }
    m_testLegendLabel->setText(parts.join(QLatin1String(" &nbsp; ")));
    m_testLegendLabel->setToolTip(tr("Rest the pointer on a frame on the form to see its text, "
                                     "its finding and the languages that have it. The "
                                     "language chosen above selects the findings shown."));
    m_testLegendLabel->setVisible(!entries.isEmpty());
}

void TranslationsWidget::onImportJson()
{
    if (!m_view->requireDatabase())
        return;
    const QString fileName = Host::Core::FileDialogs::openFileName(
        this,
        tr("Import And Sync Translations"),
        dialogDirectory(),
        tr("Translation Files (*.json *.ts);;JSON File (*.json);;Qt Linguist File (*.ts)"));
    if (fileName.isEmpty())
        return;
    rememberDirectory(fileName);
    m_view->importAndSyncTranslations(fileName);
    m_view->reloadProjectLanguages();
}

void TranslationsWidget::onExportJson()
{
    const QString fileName = exportFileName(tr("Export All Translations"));
    if (!fileName.isEmpty())
        m_view->exportAllTranslations(fileName);
}

void TranslationsWidget::exportCurrentDocumentButtonPressed()
{
    const QString fileName = exportFileName(tr("Export Currrent Document Translations"));
    if (!fileName.isEmpty())
        m_view->exportTranslations(fileName, distinct(m_view->translationIds()));
}

void TranslationsWidget::exportUsedTranslationsButtonPressed()
{
    const QString fileName = exportFileName(tr("Export Used Translations for Current Project"));
    if (!fileName.isEmpty())
        m_view->exportTranslations(fileName, distinct(m_view->usedTranslationIdsOfProject()));
}

void TranslationsWidget::onGenerateTranslationFiles()
{
    Host::Projects::Project *project = Host::Projects::Session::instance()->startupProject();
    if (!project)
        return;
    // What is written is told by the files that change: a generation with
    // problems still writes the files it can.
    const QString i18n
        = project->projectDirectory().pathAppended(QStringLiteral("i18n")).toString();
    QHash<QString, QDateTime> before;
    for (const Language &language : m_view->languageModel()->languages()) {
        for (const char *suffix : { "qm", "ts" }) {
            const QString file
                = QStringLiteral("%1/qml_%2.%3")
                      .arg(i18n, QString::fromStdString(language.code), QLatin1String(suffix));
            before.insert(file, QFileInfo(file).lastModified());
        }
    }
    const QString shownDirectory = QDir::toNativeSeparators(
        QDir(project->projectDirectory().toString()).relativeFilePath(i18n));
    m_view->generateAllTranslationFilesThen(this, [this, before, shownDirectory](bool succeeded) {
        int written = 0;
        for (auto file = before.cbegin(); file != before.cend(); ++file) {
            const QFileInfo info(file.key());
            if (info.exists() && info.lastModified() != file.value())
                ++written;
        }
        // The studio loads no English catalogue for plural forms.
        QString message = written == 1 ? tr("Wrote 1 translation file to %1")
                                       : tr("Wrote %n translation files to %1", nullptr, written);
        message = message.arg(shownDirectory);
        if (written == 0)
            message = tr("No translation files were written; see the Issues list.");
        else if (!succeeded)
            message += tr("; see the Issues list for problems.");
        Host::Core::Workbench::showStatusMessage(message);
        // The pseudo languages are made from the primary texts the generation
        // just read; the preview and the form showing one follow them too.
        if (!m_view->pseudoLanguages().isEmpty())
            m_view->preparePseudoLanguages();
    });
}

namespace {

// The dialogs live only while they are open: a run keeps nothing behind once
// the user closes them.
template<typename Dialog> void runTestDialog(TranslationsView *view, QWidget *parent)
{
    Dialog dialog(view, parent);
    dialog.setModal(true);
    dialog.exec();
}

} // namespace

void TranslationsWidget::onRunProjectTranslationTest()
{
    runTestDialog<ProjectTranslationTesterDialog>(m_view, this);
}

void TranslationsWidget::onRunQmlTranslationTest()
{
    runTestDialog<QmlDebugTranslationDialog>(m_view, this);
}

void TranslationsWidget::onSelectLanguages()
{
    const LanguageModel &languageModel = *m_view->languageModel();
    LanguagesSelectionDialog dialog(languageModel.languages(), languageModel.primaryLanguage());
    dialog.setModal(true);
    if (dialog.exec() != QDialog::Accepted)
        return;

    QStringList chosen = dialog.selectedLanguageCodes();
    chosen.removeAll(QString());
    // The dialog lists the languages by name; the project's own order stays, so
    // that the file changes only where languages were added or removed.
    const Host::QmlProject::QmlBuildBackend *buildSystem
        = Host::QmlProject::QmlBuildBackend::forProject(
            Host::Projects::Session::instance()->startupProject());
    const QStringList codes = ProjectLanguageSettings::keptOrder(
        buildSystem ? buildSystem->supportedLanguages() : QStringList(), chosen);
    const QString primaryCode = dialog.primaryLanguageCode();
    ProjectLanguages before;
    if (buildSystem)
        before = { buildSystem->supportedLanguages(), buildSystem->primaryLanguage() };

    applyProjectLanguages(m_view, codes, primaryCode);
    if (buildSystem && (before.codes != codes || before.primaryCode != primaryCode)) {
        m_view->translationsModel()->undoStack()->push(
            new ProjectLanguagesChange(m_view, std::move(before), { codes, primaryCode }));
    }
}

void TranslationsWidget::scrollToFirst(int role)
{
    for (int row = 0; row < m_filterModel->rowCount(); ++row) {
        const QModelIndex index = m_filterModel->index(row, 0);
        if (index.data(role).toBool()) {
            m_tableView->scrollTo(index, QAbstractItemView::PositionAtCenter);
            return;
        }
    }
}

} // namespace Lexora
