#include "studiowindow.h"

#include "projectlocation.h"
#include "recentprojects.h"

#include <core/actionregistry.h>
#include <core/editorcontext.h>
#include <core/filedialogs.h>
#include <core/progressdisplay.h>
#include <core/workbench.h>
#include <designer/designerview.h>
#include <designer/documentmodel.h>
#include <designer/documentrewriter.h>
#include <designer/formdocument.h>
#include <designer/viewmanager.h>
#include <formeditor/formeditorconstants.h>
#include <preview/previewcontroller.h>
#include <preview/previewplugin.h>
#include <projects/issuesview.h>
#include <projects/projectnavigator.h>
#include <projects/projecttree.h>
#include <projects/session.h>
#include <qmlproject/designproject.h>
#include <qmlproject/qmlbuildbackend.h>
#include <texteditor/textdocument.h>
#include <texteditor/texteditorwidget.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QUndoGroup>

#include <algorithm>

namespace Studio {

namespace {
const char geometryKey[] = "MainWindow/geometry";
const char stateKey[] = "MainWindow/state";
} // namespace

StudioWindow::StudioWindow(RecentProjects *recentProjects, QWidget *parent)
    : QMainWindow(parent),
      m_recentProjects(recentProjects),
      m_projectTree(new Host::Projects::ProjectTree),
      m_issuesView(new Host::Projects::IssuesView),
      m_progressDisplay(new Host::Core::ProgressDisplay),
      m_documentArea(new QStackedWidget),
      m_placeholder(new QLabel),
      m_documentSplitter(new QSplitter)
{
    setObjectName(QStringLiteral("StudioWindow"));
    setDockOptions(AnimatedDocks | AllowTabbedDocks | AllowNestedDocks);
    setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);

    m_placeholder->setAlignment(Qt::AlignCenter);
    m_placeholder->setWordWrap(true);
    m_documentSplitter->setObjectName(QStringLiteral("DocumentSplitter"));
    m_documentSplitter->setChildrenCollapsible(false);
    m_documentArea->addWidget(m_placeholder);
    m_documentArea->addWidget(m_documentSplitter);
    setCentralWidget(m_documentArea);

    createMenus();
    addDock(m_projectTree, Qt::LeftDockWidgetArea);
    m_issuesView->setObjectName(QStringLiteral("IssuesView"));
    addDock(m_issuesView, Qt::BottomDockWidgetArea);
    statusBar()->addPermanentWidget(m_progressDisplay);

    connect(
        m_projectTree, &Host::Projects::ProjectTree::fileActivated, this, [this](const auto &file) {
            if (file.suffix() == QLatin1String("qml"))
                openFile(file);
        });
    connect(m_issuesView,
            &Host::Projects::IssuesView::openFileRequested,
            this,
            &StudioWindow::openIssueLocation);
    // Tools that point at a place in the project (an issue category's own
    // activation, for one) ask through the editor context.
    connect(Host::Core::EditorContext::instance(),
            &Host::Core::EditorContext::openFileRequested,
            this,
            &StudioWindow::openIssueLocation);

    updateActions();
    // A first start has no saved geometry: the window takes the size it was
    // laid out for where the screen has room, else what the screen offers
    // beside the window frame, and starts centred.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        const QSize frame(16, 48);
        resize(QSize(1440, 900).boundedTo(available.size() - frame));
        const QSize outer = size() + frame;
        move(available.x() + std::max(0, (available.width() - outer.width()) / 2),
             available.y() + std::max(0, (available.height() - outer.height()) / 2));
    } else {
        resize(1440, 900);
    }
    // The Issues list is a strip below the document, not half of the window.
    resizeDocks(
        { findChild<QDockWidget *>(QStringLiteral("IssuesViewDock")) }, { 150 }, Qt::Vertical);
    updateTitle();
}

void StudioWindow::openIssueLocation(const Host::Utils::Path &file, int line)
{
    // An issue left over from a project that is closed must not open that
    // project's file in this one.
    if (!m_project
        || !(m_project->isKnownFile(file) || file.isChildOf(m_project->projectDirectory()))) {
        statusBar()->showMessage(tr("%1 is not part of the open project.").arg(file.toUserOutput()),
                                 8000);
        return;
    }
    QString error;
    if (!openFileAt(file, line, &error))
        statusBar()->showMessage(error, 8000);
}

StudioWindow::~StudioWindow()
{
    closeDocument();
    auto *registry = Host::Core::ActionRegistry::instance();
    registry->setContextActive(Host::Core::ContextIds::projectOpen, false);
    registry->setContextActive(Host::Core::ContextIds::documentOpen, false);
    if (Host::Core::Workbench::mainWindow() == this)
        Host::Core::Workbench::setMainWindow(nullptr);
}

QDockWidget *StudioWindow::addDock(QWidget *widget, Qt::DockWidgetArea area)
{
    auto *dock = new QDockWidget(widget->windowTitle(), this);
    dock->setObjectName(widget->objectName() + QLatin1String("Dock"));
    dock->setWidget(widget);
    addDockWidget(area, dock);
    m_viewMenu->addAction(dock->toggleViewAction());
    return dock;
}

QDockWidget *StudioWindow::addPanel(QWidget *panel, Qt::DockWidgetArea area)
{
    QDockWidget *dock = addDock(panel, area);
    // Panels sharing an area are tabbed, as a designer shows them.
    for (QDockWidget *other : std::as_const(m_panels)) {
        if (dockWidgetArea(other) == area) {
            tabifyDockWidget(other, dock);
            break;
        }
    }
    m_panels.append(dock);
    dock->show();
    dock->raise();
    return dock;
}

void StudioWindow::createMenus()
{
    // The menu bar is built from the host's action registry, where plugins
    // add their menus and commands beside the studio's own.
    using namespace Host::Core;
    ActionRegistry *registry = ActionRegistry::instance();
    registry->addMenu(MenuIds::file, tr("&File"));
    registry->addMenu(MenuIds::edit, tr("&Edit"));
    registry->addMenu(MenuIds::view, tr("&View"));
    registry->addMenu(MenuIds::tools, tr("&Tools"));
    const auto add = [registry](QAction *action,
                                const char *id,
                                const char *menu,
                                const char *group,
                                const QKeySequence &shortcut = {},
                                const QByteArrayList &contexts = {}) {
        ActionDescription description;
        description.id = id;
        description.menu = menu;
        description.group = group;
        description.defaultShortcut = shortcut;
        description.contexts = contexts;
        return registry->addAction(description, action);
    };

    QAction *openProject = add(new QAction(tr("Open &Project..."), this),
                               "Studio.OpenProject",
                               MenuIds::file,
                               "Open",
                               QKeySequence(tr("Ctrl+Shift+O")));
    connect(openProject, &QAction::triggered, this, &StudioWindow::onOpenProject);
    QAction *openFile = add(new QAction(tr("&Open File..."), this),
                            "Studio.OpenFile",
                            MenuIds::file,
                            "Open",
                            QKeySequence::Open);
    connect(openFile, &QAction::triggered, this, &StudioWindow::onOpenFile);
    m_saveAction = add(new QAction(tr("&Save"), this),
                       "Studio.Save",
                       MenuIds::file,
                       "Open",
                       QKeySequence::Save,
                       { ContextIds::documentOpen });
    connect(m_saveAction, &QAction::triggered, this, &StudioWindow::saveDocument);
    m_recentMenu = new QMenu(tr("Recent P&rojects"), this);
    add(m_recentMenu->menuAction(), "Studio.RecentProjects", MenuIds::file, "Open");
    connect(m_recentMenu, &QMenu::aboutToShow, this, &StudioWindow::updateRecentMenu);
    updateRecentMenu();
    m_closeProjectAction = add(new QAction(tr("&Close Project"), this),
                               "Studio.CloseProject",
                               MenuIds::file,
                               "Open",
                               {},
                               { ContextIds::projectOpen });
    connect(m_closeProjectAction, &QAction::triggered, this, &StudioWindow::closeProject);
    QAction *quit = add(
        new QAction(tr("&Quit"), this), "Studio.Quit", MenuIds::file, "Quit", QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    // The panels add their undo stacks to the host's group; a text editor with
    // the focus keeps Ctrl+Z for its own undo.
    QUndoGroup *undoGroup = Workbench::undoGroup();
    QAction *undo = undoGroup->createUndoAction(this, tr("&Undo"));
    undo->setObjectName(QStringLiteral("Undo"));
    add(undo, "Studio.Undo", MenuIds::edit, "Undo", QKeySequence::Undo);
    QAction *redo = undoGroup->createRedoAction(this, tr("&Redo"));
    redo->setObjectName(QStringLiteral("Redo"));
    add(redo, "Studio.Redo", MenuIds::edit, "Undo", QKeySequence(tr("Ctrl+Shift+Z")));

    registry->buildMenuBar(menuBar());
    m_viewMenu = registry->menu(MenuIds::view);
}

void StudioWindow::setPreviewPlugin(Host::Preview::PreviewPlugin *plugin)
{
    m_previewMenu = nullptr;
    Host::Core::ActionRegistry::instance()->removeMenu(Host::Core::MenuIds::preview);
    delete findChild<QToolBar *>(QStringLiteral("PreviewToolBar"));
    delete std::exchange(m_previewController, nullptr);
    if (!plugin)
        return;

    m_previewController = new Host::Preview::PreviewController(plugin, this);
    m_previewController->setCurrentFileProvider([this] { return currentFile(); });
    connect(m_previewController,
            &Host::Preview::PreviewController::failed,
            this,
            [this](const QString &message) { statusBar()->showMessage(message, 8000); });
    // The form shows the language the preview is asked to show.
    connect(m_previewController,
            &Host::Preview::PreviewController::localeChanged,
            this,
            &StudioWindow::showFormLanguage);
    connect(m_previewController, &Host::Preview::PreviewController::started, this, [this] {
        statusBar()->showMessage(tr("The preview runs."), 3000);
    });

    auto *registry = Host::Core::ActionRegistry::instance();
    registry->addMenu(Host::Core::MenuIds::preview, tr("&Preview"), Host::Core::MenuIds::view);
    m_previewMenu = registry->menu(Host::Core::MenuIds::preview);
    m_previewMenu->addAction(m_previewController->startAction());
    m_previewMenu->addAction(m_previewController->stopAction());
    m_previewMenu->addSeparator();
    m_previewLanguageMenu = m_previewMenu->addMenu(tr("Preview &Language"));
    m_previewLanguageMenu->setObjectName(QStringLiteral("PreviewLanguageMenu"));

    auto *toolBar = addToolBar(tr("Preview"));
    toolBar->setObjectName(QStringLiteral("PreviewToolBar"));
    toolBar->addAction(m_previewController->startAction());
    toolBar->addAction(m_previewController->stopAction());
    updatePreviewLanguages();
}

void StudioWindow::updateActions()
{
    auto *registry = Host::Core::ActionRegistry::instance();
    registry->setContextActive(Host::Core::ContextIds::projectOpen, m_project != nullptr);
    registry->setContextActive(Host::Core::ContextIds::documentOpen, m_document != nullptr);
    m_placeholder->setText(
        m_project ? tr("Double-click a .qml file in the project tree to open it.")
                  : tr("Open a project with File > Open Project, then double-click a .qml file "
                       "in the project tree."));
}

void StudioWindow::updatePreviewLanguages()
{
    if (!m_previewController)
        return;
    const Host::QmlProject::QmlBuildBackend *backend
        = Host::QmlProject::QmlBuildBackend::forProject(m_project);
    QStringList languages = backend ? backend->supportedLanguages() : QStringList();
    const qsizetype projectLanguages = languages.size();
    if (backend) {
        for (const QString &code : backend->previewOnlyLanguages()) {
            if (!languages.contains(code))
                languages.append(code);
        }
    }
    m_previewController->setLanguages(languages);
    m_previewLanguageMenu->clear();
    const QList<QAction *> actions = m_previewController->languageActions();
    for (qsizetype index = 0; index < actions.size(); ++index) {
        // The made-up languages come apart from the translated ones.
        if (index == projectLanguages && index > 0)
            m_previewLanguageMenu->addSeparator();
        m_previewLanguageMenu->addAction(actions.at(index));
    }
    m_previewLanguageMenu->setEnabled(!actions.isEmpty());
}

void StudioWindow::showFormLanguage(const QString &language)
{
    Host::Designer::DocumentModel *model = m_document ? m_document->model() : nullptr;
    if (language.isEmpty() || !model || !model->rootNode())
        return;
    model->setAuxiliaryData(model->rootNode(), Host::FormEditor::languageName, language);
}

void StudioWindow::updateRecentMenu()
{
    m_recentMenu->clear();
    const QStringList files = m_recentProjects ? m_recentProjects->files() : QStringList();
    for (const QString &file : files) {
        QAction *action = m_recentMenu->addAction(QDir::toNativeSeparators(file));
        connect(action, &QAction::triggered, this, [this, file] {
            QString error;
            if (!openProject(file, &error))
                showError(tr("Cannot Open Project"), error);
        });
    }
    if (files.isEmpty()) {
        m_recentMenu->addAction(tr("No recent projects"))->setEnabled(false);
        return;
    }
    m_recentMenu->addSeparator();
    connect(m_recentMenu->addAction(tr("Clear Menu")), &QAction::triggered, this, [this] {
        m_recentProjects->clear();
    });
}

bool StudioWindow::openProject(const QString &location, QString *errorString)
{
    QString error;
    const QString projectFile = projectFileAt(location, &error);
    std::unique_ptr<Host::QmlProject::DesignProject> project;
    if (!projectFile.isEmpty()) {
        project = Host::QmlProject::DesignProject::open(Host::Utils::Path::fromString(projectFile),
                                                        &error);
        if (!project)
            error = tr("Cannot read the project file %1: %2")
                        .arg(QDir::toNativeSeparators(projectFile), error);
    }
    if (!project) {
        if (errorString)
            *errorString = error;
        return false;
    }

    closeProject();
    m_project = project.release();
    auto *session = Host::Projects::Session::instance();
    session->addProject(m_project);
    session->setStartupProject(m_project);
    if (m_recentProjects)
        m_recentProjects->add(projectFile);
    if (Host::QmlProject::QmlBuildBackend *backend
        = Host::QmlProject::QmlBuildBackend::forProject(m_project)) {
        connect(backend,
                &Host::QmlProject::QmlBuildBackend::supportedLanguagesChanged,
                this,
                &StudioWindow::updatePreviewLanguages);
        connect(backend,
                &Host::QmlProject::QmlBuildBackend::previewOnlyLanguagesChanged,
                this,
                &StudioWindow::updatePreviewLanguages);
    }
    updatePreviewLanguages();
    updateTitle();
    updateActions();
    emit projectOpened();

    const Host::Utils::Path mainFile = m_project->mainFile();
    if (!mainFile.isEmpty() && mainFile.isFile())
        openFile(mainFile);
    return true;
}

void StudioWindow::closeProject()
{
    if (!m_project)
        return;
    closeDocument();
    Host::Projects::Session::instance()->removeProject(std::exchange(m_project, nullptr));
    updatePreviewLanguages();
    updateTitle();
    updateActions();
}

Host::QmlProject::DesignProject *StudioWindow::project() const
{
    return m_project;
}

bool StudioWindow::openFile(const Host::Utils::Path &file, QString *errorString)
{
    auto document = std::make_unique<Host::Designer::FormDocument>();
    QString error;
    const bool parsed = document->open(file, &error);
    if (document->filePath() != file) { // not even read
        error = tr("Cannot open %1: %2").arg(file.toUserOutput(), error);
        if (errorString)
            *errorString = error;
        else
            statusBar()->showMessage(error, 8000);
        return false;
    }
    closeDocument();

    // A document that does not parse still opens as text, so that it can be
    // mended; the form view shows why it cannot draw it.
    if (!parsed)
        statusBar()->showMessage(tr("%1 does not parse: %2").arg(file.fileName(), error), 8000);
    m_document = std::move(document);
    Host::TextEditor::TextEditorWidget *editor = m_document->textEditorWidget();
    editor->setObjectName(QStringLiteral("DocumentTextEditor"));
    editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_documentSplitter->insertWidget(0, editor);
    m_documentSplitter->setStretchFactor(0, 2);
    for (int index = 1; index < m_documentSplitter->count(); ++index)
        m_documentSplitter->setStretchFactor(index, 3);
    // The text and the form share the document area two to three at first,
    // then as the user left them; the form's own size hint would otherwise
    // leave the text a sliver.
    if (m_documentShares.size() == m_documentSplitter->count()) {
        m_documentSplitter->setSizes(m_documentShares);
    } else if (m_documentSplitter->count() > 1) {
        QList<int> sizes(m_documentSplitter->count(), 0);
        sizes[0] = 2000;
        sizes[1] = 3000;
        m_documentSplitter->setSizes(sizes);
    }
    m_documentArea->setCurrentWidget(m_documentSplitter);
    connect(m_document->document(),
            &QTextDocument::modificationChanged,
            this,
            &StudioWindow::updateTitle);

    // Attaches the designer's views (and makes it the editor's current document).
    Host::Designer::ViewManager::instance()->setCurrentDocument(m_document.get());
    // The translations panel shows the project's languages only; a made-up
    // one the preview shows stays on the forms opened after it.
    if (const Host::QmlProject::QmlBuildBackend *backend
        = Host::QmlProject::QmlBuildBackend::forProject(m_project);
        backend && m_previewController
        && backend->previewOnlyLanguages().contains(m_previewController->locale()))
        showFormLanguage(m_previewController->locale());
    m_projectTree->selectFile(file);
    updateTitle();
    updateActions();
    emit fileOpened(file);
    return true;
}

bool StudioWindow::openFileAt(const Host::Utils::Path &file, int line, QString *errorString)
{
    if (file.isEmpty())
        return false;
    if (currentFile() != file && !openFile(file, errorString))
        return false;
    if (line < 1 || !m_document)
        return true;
    Host::TextEditor::TextEditorWidget *editor = m_document->textEditorWidget();
    const QTextBlock block = editor->document()->findBlockByNumber(line - 1);
    if (!block.isValid())
        return true;
    QTextCursor cursor(block);
    // The first character of the line that is not blank lies inside the node
    // the line belongs to, even for a line that opens a node.
    const QString text = block.text();
    int column = 0;
    while (column < text.size() && text.at(column).isSpace())
        ++column;
    cursor.setPosition(block.position() + column);
    editor->setTextCursor(cursor);
    editor->centerCursor();
    Host::Designer::DocumentModel *model = m_document->model();
    if (Host::Designer::Node *node = model->rewriter()->nodeAtPosition(line, column + 1))
        model->setSelectedNodes({ node });
    return true;
}

void StudioWindow::closeDocument()
{
    if (!m_document)
        return;
    // Edits are kept: a designer saves what it shows rather than asking.
    if (m_document->document()->isModified() && !saveDocument())
        QMessageBox::warning(
            this,
            tr("Cannot Save"),
            tr("The changes to %1 could not be saved.").arg(m_document->filePath().toUserOutput()));
    auto *viewManager = Host::Designer::ViewManager::instance();
    if (viewManager->currentDocument() == m_document.get())
        viewManager->setCurrentDocument(nullptr);
    Host::Core::EditorContext::instance()->setCurrentDocument(nullptr);
    m_documentShares = m_documentSplitter->sizes();
    // The splitter took the editor widget from the document; it goes first, as
    // it shows the document's text.
    delete m_document->textEditorWidget();
    m_document.reset();
    m_documentArea->setCurrentWidget(m_placeholder);
    updateTitle();
    updateActions();
}

bool StudioWindow::saveDocument()
{
    if (!m_document)
        return true;
    QString error;
    if (!m_document->textDocument()->save(&error)) {
        statusBar()->showMessage(error, 8000);
        return false;
    }
    m_document->document()->setModified(false);
    statusBar()->showMessage(tr("Saved %1").arg(m_document->filePath().toUserOutput()), 3000);
    return true;
}

void StudioWindow::placeViews(const QList<Host::Designer::DesignerView *> &views)
{
    using Placement = Host::Designer::ViewWidgetDescription::Placement;
    for (Host::Designer::DesignerView *view : views) {
        if (!view->hasWidget())
            continue;
        const Host::Designer::ViewWidgetDescription description = view->widgetDescription();
        if (!description.isValid() || m_viewWidgets.contains(description.uniqueId))
            continue;
        QWidget *widget = description.widget;
        if (!description.tabTitle.isEmpty())
            widget->setWindowTitle(description.tabTitle);
        if (widget->objectName().isEmpty())
            widget->setObjectName(description.uniqueId);
        switch (Placement(description.placementHint)) {
        case Placement::Central:
            m_documentSplitter->addWidget(widget);
            m_documentSplitter->setStretchFactor(m_documentSplitter->count() - 1, 3);
            m_viewWidgets.insert(description.uniqueId, widget);
            break;
        case Placement::LeftPane:
            m_viewWidgets.insert(description.uniqueId, addPanel(widget, Qt::LeftDockWidgetArea));
            break;
        case Placement::BottomPane:
            m_viewWidgets.insert(description.uniqueId, addPanel(widget, Qt::BottomDockWidgetArea));
            break;
        case Placement::RightPane:
        case Placement::None:
        default:
            m_viewWidgets.insert(description.uniqueId, addPanel(widget, Qt::RightDockWidgetArea));
            break;
        }
    }
    // Panels hold tables: the side columns get room for two columns of text.
    QList<QDockWidget *> sidePanels;
    for (QDockWidget *dock : std::as_const(m_panels)) {
        const Qt::DockWidgetArea area = dockWidgetArea(dock);
        if (area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea)
            sidePanels.append(dock);
    }
    // On a small screen the document keeps the larger part of the width.
    if (!sidePanels.isEmpty()) {
        const int width = std::clamp(this->width() * 3 / 10, 300, 420);
        resizeDocks(sidePanels, QList<int>(sidePanels.size(), width), Qt::Horizontal);
    }
}

bool StudioWindow::panelsFilled(const QList<QDockWidget *> &panels)
{
    for (QDockWidget *dock : panels) {
        if (!dock->isVisible())
            continue;
        for (QAbstractItemView *view : dock->findChildren<QAbstractItemView *>()) {
            if (view->isVisible() && view->model() && view->model()->rowCount() == 0)
                return false;
        }
    }
    return true;
}

QWidget *StudioWindow::viewWidget(const QString &uniqueId) const
{
    return m_viewWidgets.value(uniqueId);
}

Host::Utils::Path StudioWindow::currentFile() const
{
    return m_document ? m_document->filePath() : Host::Utils::Path();
}

void StudioWindow::updateTitle()
{
    QStringList parts;
    if (m_document)
        parts.append(m_document->textDocument()->displayName()
                     + (m_document->document()->isModified() ? QStringLiteral("*") : QString()));
    if (m_project)
        parts.append(m_project->displayName());
    parts.append(tr("Lexora Studio"));
    setWindowTitle(parts.join(QStringLiteral(" \u2014 ")));
}

QString StudioWindow::dialogDirectory() const
{
    // The project tree's current file says where the user works.
    const Host::Utils::Path current
        = Host::Projects::ProjectNavigator::instance()->currentFilePath();
    if (!current.isEmpty())
        return current.parentDir().toString();
    if (m_project)
        return m_project->projectDirectory().toString();
    return QDir::homePath();
}

void StudioWindow::onOpenProject()
{
    const QString file = Host::Core::FileDialogs::openFileName(
        this, tr("Open Project"), dialogDirectory(), tr("QML projects (*.qmlproject)"));
    if (file.isEmpty())
        return;
    QString error;
    if (!openProject(file, &error))
        showError(tr("Cannot Open Project"), error);
}

void StudioWindow::onOpenFile()
{
    const QString file = Host::Core::FileDialogs::openFileName(
        this, tr("Open File"), dialogDirectory(), tr("QML files (*.qml)"));
    if (file.isEmpty())
        return;
    QString error;
    if (!openFile(Host::Utils::Path::fromString(file), &error))
        showError(tr("Cannot Open File"), error);
}

void StudioWindow::showError(const QString &title, const QString &text)
{
    QMessageBox::critical(this, title, text);
}

bool StudioWindow::restoreLayout()
{
    QSettings settings;
    const bool restored = restoreGeometry(settings.value(QLatin1String(geometryKey)).toByteArray());
    restoreState(settings.value(QLatin1String(stateKey)).toByteArray());
    return restored;
}

void StudioWindow::closeEvent(QCloseEvent *event)
{
    closeDocument();
    if (m_recentProjects) {
        QSettings settings;
        settings.setValue(QLatin1String(geometryKey), saveGeometry());
        settings.setValue(QLatin1String(stateKey), saveState());
    }
    QMainWindow::closeEvent(event);
}

} // namespace Studio
