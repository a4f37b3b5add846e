#include "lexoraactions.h"

#include "checkrunner/translationcheckrunner.h"
#include "lexoraconstants.h"
#include "translationsview/translationssearchwidget.h"
#include "translationsview/translationsview.h"
#include "translationsview/translationsviewwidget.h"
#include "translationsview/translationswidget.h"

#include <core/actionregistry.h>
#include <core/editorcontext.h>
#include <core/workbench.h>
#include <projects/issuelist.h>
#include <projects/session.h>
#include <qmlproject/designproject.h>
#include <texteditor/textdocument.h>

#include <QAction>
#include <QDockWidget>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabWidget>
#include <QTextDocument>

namespace Lexora {

namespace {

struct MenuEntry
{
    const char *id;
    const char *text;
    const char *shortcut;
    const char *group;
    const char *context;
};

namespace Commands = Constants::Commands;

// Every command of the panel, in the order the menu shows them.
const MenuEntry translationsMenuEntries[] = {
    { Commands::importTranslations,
      QT_TRANSLATE_NOOP("Lexora::LexoraActions", "&Import..."),
      "Ctrl+Shift+I",
      "Exchange",
      Constants::databaseContext },
    { Commands::exportTranslations,
      QT_TRANSLATE_NOOP("Lexora::LexoraActions", "&Export..."),
      "Ctrl+Shift+E",
      "Exchange",
      Constants::databaseContext },
    { Commands::exportUsedTranslations,
      QT_TRANSLATE_NOOP("Lexora::LexoraActions", "Export &Used Translations..."),
      "Ctrl+Shift+U",
      "Exchange",
      Constants::databaseContext },
    { Commands::exportDocumentTranslations,
      QT_TRANSLATE_NOOP("Lexora::LexoraActions", "Export &Document Translations..."),
      "Ctrl+Shift+D",
      "Exchange",
      Constants::databaseContext },
    { Commands::generateTranslationFiles,
      QT_TRANSLATE_NOOP("Lexora::LexoraActions", "&Generate Translation Files"),
      "Ctrl+Shift+G",
      "Files",
      Constants::databaseContext },
    { Commands::chooseLanguages,
      QT_TRANSLATE_NOOP("Lexora::LexoraActions", "Choose &Languages..."),
      "Ctrl+Shift+L",
      "Languages",
      Host::Core::ContextIds::projectOpen },
    { Commands::testInPreview,
      QT_TRANSLATE_NOOP("Lexora::LexoraActions", "Test in &Preview..."),
      "Ctrl+Shift+T",
      "Tests",
      Constants::databaseContext },
    { Commands::testProject,
      QT_TRANSLATE_NOOP("Lexora::LexoraActions", "Test P&roject..."),
      "Ctrl+Shift+R",
      "Tests",
      Constants::databaseContext },
    { Commands::search,
      QT_TRANSLATE_NOOP("Lexora::LexoraActions", "&Search"),
      "Ctrl+Shift+F",
      "Search",
      Constants::databaseContext },
};

} // namespace

LexoraActions::LexoraActions(ViewProvider view, QObject *parent)
    : QObject(parent), m_view(std::move(view)), m_checkRunner(new TranslationCheckRunner(this))
{
    registerTranslationsMenu();
    registerCheckTranslations();
}

LexoraActions::~LexoraActions()
{
    auto *registry = Host::Core::ActionRegistry::instance();
    for (const QByteArray &id : std::as_const(m_actionIds))
        registry->removeAction(id);
    registry->removeMenu(Constants::translationsMenu);
    registry->setContextActive(Constants::databaseContext, false);
    registry->setContextActive(Constants::checksIdleContext, false);
    Host::Projects::IssueList::instance()->setActivationHandler(
        TranslationCheckRunner::issueCategory, {});
}

QByteArrayList LexoraActions::translationsMenuCommands()
{
    QByteArrayList ids;
    for (const MenuEntry &entry : translationsMenuEntries)
        ids.append(entry.id);
    return ids;
}

void LexoraActions::setDatabaseOpen(bool open)
{
    Host::Core::ActionRegistry::instance()->setContextActive(Constants::databaseContext, open);
}

void LexoraActions::registerTranslationsMenu()
{
    auto *registry = Host::Core::ActionRegistry::instance();
    registry->addMenu(Constants::translationsMenu, tr("T&ranslations"), Host::Core::MenuIds::tools);
    for (const MenuEntry &entry : translationsMenuEntries) {
        Host::Core::ActionDescription description;
        description.id = entry.id;
        description.text = tr(entry.text);
        description.defaultShortcut = QKeySequence(QLatin1String(entry.shortcut));
        description.menu = Constants::translationsMenu;
        description.group = entry.group;
        description.contexts = { entry.context };
        QAction *action = registry->addAction(description);
        connect(action, &QAction::triggered, this, [this, id = description.id] {
            runPanelCommand(id);
        });
        m_actionIds.append(description.id);
    }
}

void LexoraActions::registerCheckTranslations()
{
    auto *registry = Host::Core::ActionRegistry::instance();
    Host::Core::ActionDescription description;
    description.id = Commands::checkTranslations;
    description.text = tr("Check &Translations");
    description.toolTip = tr("Compare every translation of the project's IDs with the primary "
                             "language and list the findings in the Issues list");
    description.defaultShortcut = QKeySequence(QStringLiteral("Ctrl+Shift+C"));
    description.menu = Host::Core::MenuIds::tools;
    description.group = "Lexora.Checks";
    description.contexts = { Host::Core::ContextIds::projectOpen, Constants::checksIdleContext };
    QAction *action = registry->addAction(description);
    connect(action, &QAction::triggered, this, &LexoraActions::checkTranslations);
    m_actionIds.append(description.id);
    registry->setContextActive(Constants::checksIdleContext, true);

    auto *issues = Host::Projects::IssueList::instance();
    issues->addCategory(TranslationCheckRunner::issueCategory, tr("Translation checks"));
    issues->setActivationHandler(TranslationCheckRunner::issueCategory,
                                 [runner = m_checkRunner](const Host::Projects::Issue &issue) {
                                     return runner->activate(issue);
                                 });

    connect(m_checkRunner,
            &TranslationCheckRunner::finished,
            this,
            [](const TranslationCheckRunner::Outcome &outcome) {
                Host::Core::ActionRegistry::instance()->setContextActive(
                    Constants::checksIdleContext, true);
                if (!outcome.error.isEmpty()) {
                    Host::Core::Workbench::showStatusMessage(outcome.error);
                    return;
                }
                Host::Core::Workbench::showStatusMessage(
                    tr("Translation checks: %n error(s)", nullptr, outcome.errors) + tr(", ")
                    + tr("%n warning(s)", nullptr, outcome.warnings));
                if (outcome.errors + outcome.warnings + outcome.fileProblems.size() > 0)
                    Host::Projects::IssueList::instance()->requestPopup();
            });
    // The findings of a project that closes must not show up in the next one.
    connect(Host::Projects::Session::instance(),
            &Host::Projects::Session::aboutToRemoveProject,
            this,
            [this] {
                m_checkRunner->discard();
                Host::Core::ActionRegistry::instance()->setContextActive(
                    Constants::checksIdleContext, true);
            });
}

void LexoraActions::checkTranslations()
{
    // The checks read the project's IDs from its files on disk.
    if (auto *document = qobject_cast<Host::TextEditor::TextDocument *>(
            Host::Core::EditorContext::instance()->currentDocument());
        document && document->document()->isModified()) {
        QString error;
        if (!document->save(&error))
            Host::Core::Workbench::showStatusMessage(error);
    }
    auto *project = qobject_cast<Host::QmlProject::DesignProject *>(
        Host::Projects::Session::instance()->startupProject());
    QString error;
    if (!m_checkRunner->start(project, &error)) {
        QMessageBox::critical(
            Host::Core::Workbench::dialogParent(), tr("Cannot Check Translations"), error);
        return;
    }
    Host::Core::ActionRegistry::instance()->setContextActive(Constants::checksIdleContext, false);
}

void LexoraActions::runPanelCommand(const QByteArray &id)
{
    TranslationsView *view = m_view();
    if (!view)
        return;
    auto *panel = qobject_cast<TranslationsViewWidget *>(view->widgetDescription().widget);
    if (!panel)
        return;
    // The command's results show in the panel, wherever the studio put it.
    for (QWidget *widget = panel; widget; widget = widget->parentWidget()) {
        if (auto *dock = qobject_cast<QDockWidget *>(widget)) {
            dock->show();
            dock->raise();
            break;
        }
    }
    if (id == Commands::search) {
        panel->tabWidget()->setCurrentWidget(panel->searchWidget());
        panel->searchWidget()->searchField()->setFocus(Qt::ShortcutFocusReason);
        panel->searchWidget()->searchField()->selectAll();
        return;
    }
    if (QAction *command = panel->translationsWidget()->command(id))
        command->trigger();
}

} // namespace Lexora
