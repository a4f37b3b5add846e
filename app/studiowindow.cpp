#include "studiowindow.h"

#include "projectlocation.h"
#include "recentprojects.h"

#include <core/document.h>
#include <core/editorcontext.h>
#include <core/progressdisplay.h>
#include <core/workbench.h>
#include <formeditor/formview.h>
#include <projects/issuesview.h>
#include <projects/projectnavigator.h>
#include <projects/projecttree.h>
#include <projects/session.h>
#include <qmlproject/designproject.h>

#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>

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
      m_textView(new QPlainTextEdit),
      m_formView(new Host::FormEditor::FormView),
      m_documentSplitter(new QSplitter)
{
    setObjectName(QStringLiteral("StudioWindow"));
    setDockOptions(AnimatedDocks | AllowTabbedDocks | AllowNestedDocks);
    setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);

    m_placeholder->setAlignment(Qt::AlignCenter);
    m_placeholder->setWordWrap(true);
    m_placeholder->setText(tr("Open a project with File > Open Project, then double-click a "
                              ".qml file in the project tree."));
    m_textView->setReadOnly(true);
    m_textView->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_textView->setObjectName(QStringLiteral("DocumentText"));
    m_documentSplitter->setObjectName(QStringLiteral("DocumentSplitter"));
    m_documentSplitter->addWidget(m_textView);
    m_documentSplitter->addWidget(m_formView);
    m_documentSplitter->setStretchFactor(0, 2);
    m_documentSplitter->setStretchFactor(1, 3);
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
            [this](const Host::Utils::Path &file, int /*line*/) { openFile(file); });

    resize(1280, 800);
    // The Issues list is a strip below the document, not half of the window.
    resizeDocks(
        { findChild<QDockWidget *>(QStringLiteral("IssuesViewDock")) }, { 150 }, Qt::Vertical);
    updateTitle();
}

StudioWindow::~StudioWindow()
{
    Host::Core::EditorContext::instance()->setCurrentDocument(nullptr);
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
    QMenu *fileMenu = menuBar()->addMenu(tr("&File"));
    QAction *openProject = fileMenu->addAction(tr("Open &Project..."));
    openProject->setShortcut(QKeySequence(tr("Ctrl+Shift+O")));
    connect(openProject, &QAction::triggered, this, &StudioWindow::onOpenProject);
    QAction *openFile = fileMenu->addAction(tr("&Open File..."));
    openFile->setShortcut(QKeySequence::Open);
    connect(openFile, &QAction::triggered, this, &StudioWindow::onOpenFile);
    m_recentMenu = fileMenu->addMenu(tr("Recent P&rojects"));
    connect(m_recentMenu, &QMenu::aboutToShow, this, &StudioWindow::updateRecentMenu);
    updateRecentMenu();
    QAction *closeProject = fileMenu->addAction(tr("&Close Project"));
    connect(closeProject, &QAction::triggered, this, &StudioWindow::closeProject);
    fileMenu->addSeparator();
    QAction *quit = fileMenu->addAction(tr("&Quit"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    m_viewMenu = menuBar()->addMenu(tr("&View"));
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
    updateTitle();
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
    Host::Core::EditorContext::instance()->setCurrentDocument(nullptr);
    m_document.reset();
    m_textView->clear();
    m_formView->clear();
    m_documentArea->setCurrentWidget(m_placeholder);
    Host::Projects::Session::instance()->removeProject(std::exchange(m_project, nullptr));
    updateTitle();
}

Host::QmlProject::DesignProject *StudioWindow::project() const
{
    return m_project;
}

bool StudioWindow::openFile(const Host::Utils::Path &file, QString *errorString)
{
    QFile device(file.toString());
    if (!device.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QString error
            = tr("Cannot open %1: %2").arg(file.toUserOutput(), device.errorString());
        if (errorString)
            *errorString = error;
        else
            statusBar()->showMessage(error, 5000);
        return false;
    }
    const QByteArray text = device.readAll();
    m_textView->setPlainText(QString::fromUtf8(text));
    m_formView->setSource(text, QUrl::fromLocalFile(file.toString()));
    m_documentArea->setCurrentWidget(m_documentSplitter);

    // The new document is current before the old one goes, so listeners see
    // one change and never a moment without a document.
    auto document = std::make_unique<Host::Core::Document>(file);
    Host::Core::EditorContext::instance()->setCurrentDocument(document.get());
    m_document = std::move(document);
    m_projectTree->selectFile(file);
    updateTitle();
    emit fileOpened(file);
    return true;
}

Host::Utils::Path StudioWindow::currentFile() const
{
    return m_document ? m_document->filePath() : Host::Utils::Path();
}

void StudioWindow::updateTitle()
{
    QStringList parts;
    if (m_document)
        parts.append(m_document->displayName());
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
    const QString file = QFileDialog::getOpenFileName(
        this, tr("Open Project"), dialogDirectory(), tr("QML projects (*.qmlproject)"));
    if (file.isEmpty())
        return;
    QString error;
    if (!openProject(file, &error))
        showError(tr("Cannot Open Project"), error);
}

void StudioWindow::onOpenFile()
{
    const QString file = QFileDialog::getOpenFileName(
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
    if (m_recentProjects) {
        QSettings settings;
        settings.setValue(QLatin1String(geometryKey), saveGeometry());
        settings.setValue(QLatin1String(stateKey), saveState());
    }
    QMainWindow::closeEvent(event);
}

} // namespace Studio
