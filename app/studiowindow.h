#pragma once

#include <utils/path.h>

#include <QHash>
#include <QMainWindow>

#include <memory>

QT_BEGIN_NAMESPACE
class QDockWidget;
class QLabel;
class QMenu;
class QSplitter;
class QStackedWidget;
QT_END_NAMESPACE

namespace Host::Designer {
class DesignerView;
class FormDocument;
} // namespace Host::Designer

namespace Host::Core {
class ProgressDisplay;
} // namespace Host::Core

namespace Host::Projects {
class IssuesView;
class ProjectTree;
} // namespace Host::Projects

namespace Host::QmlProject {
class DesignProject;
}

namespace Host::Preview {
class PreviewController;
class PreviewPlugin;
} // namespace Host::Preview

namespace Studio {

class RecentProjects;

// The studio's main window: the project tree on the left, the open document
// in the middle, the designer's panels where each asks to be, the Issues list
// below and the progress display in the status bar.
class StudioWindow : public QMainWindow
{
    Q_OBJECT

public:
    // `recentProjects` may be null (nothing is remembered, as for screenshots).
    explicit StudioWindow(RecentProjects *recentProjects, QWidget *parent = nullptr);
    ~StudioWindow() override;

    // Closes the open project and opens the one at `location` (a .qmlproject
    // file or its directory), making it the startup project. On failure the
    // previous project stays open.
    bool openProject(const QString &location, QString *errorString);
    void closeProject();
    Host::QmlProject::DesignProject *project() const;

    // Makes `file` the current document. False when it cannot be read.
    bool openFile(const Host::Utils::Path &file, QString *errorString = nullptr);
    Host::Utils::Path currentFile() const;
    // Opens `file` unless it is the current document, then puts the text
    // cursor on `line` (1-based) and selects the innermost node there.
    bool openFileAt(const Host::Utils::Path &file, int line, QString *errorString = nullptr);

    // The Preview menu and toolbar drive this preview; null hides them.
    void setPreviewPlugin(Host::Preview::PreviewPlugin *plugin);
    Host::Preview::PreviewController *previewController() const { return m_previewController; }

    // Adds a panel of the designer in a dock of its own. The dock takes the
    // widget's window title and object name (with a "Dock" suffix), so that
    // saved layouts find it again.
    QDockWidget *addPanel(QWidget *panel, Qt::DockWidgetArea area);
    QList<QDockWidget *> panels() const { return m_panels; }
    // Every shown panel shows rows in each of its visible lists and tables:
    // what a picture of the window needs before it is taken.
    static bool panelsFilled(const QList<QDockWidget *> &panels);

    Host::Projects::ProjectTree *projectTree() const { return m_projectTree; }
    Host::Projects::IssuesView *issuesView() const { return m_issuesView; }
    Host::Core::ProgressDisplay *progressDisplay() const { return m_progressDisplay; }
    // The designer document of the current file, or null.
    Host::Designer::FormDocument *document() const { return m_document.get(); }

    // Shows the widget of every view that has one where its description asks:
    // the central ones beside the text editor, the others in docks. Views
    // already shown are left alone.
    void placeViews(const QList<Host::Designer::DesignerView *> &views);
    // The dock or central widget showing a view's widget, by its unique id.
    QWidget *viewWidget(const QString &uniqueId) const;

    // Restores the size and dock layout of the last session; false the first time.
    bool restoreLayout();

signals:
    void projectOpened();
    void fileOpened(const Host::Utils::Path &file);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createMenus();
    void updateRecentMenu();
    void updateTitle();
    // Commands that need a project or a document are enabled only with one.
    void updateActions();
    void showError(const QString &title, const QString &text);
    QDockWidget *addDock(QWidget *widget, Qt::DockWidgetArea area);
    QString dialogDirectory() const;

    void closeDocument();
    bool saveDocument();
    void onOpenProject();
    void onOpenFile();
    void updatePreviewLanguages();
    // Shows `language` in the open document's form.
    void showFormLanguage(const QString &language);
    void openIssueLocation(const Host::Utils::Path &file, int line);

    RecentProjects *m_recentProjects;
    Host::Projects::ProjectTree *m_projectTree;
    Host::Projects::IssuesView *m_issuesView;
    Host::Core::ProgressDisplay *m_progressDisplay;
    QStackedWidget *m_documentArea;
    QLabel *m_placeholder;
    QSplitter *m_documentSplitter;
    QList<int> m_documentShares; // the text's and the form's widths when the last document closed
    QHash<QString, QWidget *> m_viewWidgets;
    QMenu *m_recentMenu = nullptr;
    QMenu *m_viewMenu = nullptr;
    QMenu *m_previewMenu = nullptr;
    QMenu *m_previewLanguageMenu = nullptr;
    QAction *m_saveAction = nullptr;
    QAction *m_closeProjectAction = nullptr;
    Host::Preview::PreviewController *m_previewController = nullptr;
    QList<QDockWidget *> m_panels;
    Host::QmlProject::DesignProject *m_project = nullptr;
    std::unique_ptr<Host::Designer::FormDocument> m_document;
};

} // namespace Studio
