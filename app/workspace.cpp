#include "workspace.h"

#include "studiowindow.h"

#include <core/workbench.h>
#include <designer/formdocument.h>
#include <designer/viewmanager.h>
#include <extensionsystem/pluginhost.h>
#include <formeditor/formeditorview.h>
#include <formeditor/nodenavigatorview.h>
#include <preview/previewplugin.h>
#include <projects/issuelist.h>
#include <projects/session.h>

#include <QPointer>
#include <QTextDocument>

namespace Studio {

namespace {
const char pluginCategory[] = "Studio.Plugins";
} // namespace

Workspace::Workspace(RecentProjects *recentProjects, QObject *parent)
    : QObject(parent),
      m_preview(std::make_unique<Host::Preview::PreviewPlugin>()),
      m_pluginHost(std::make_unique<Host::Plugins::PluginHost>()),
      m_window(std::make_unique<StudioWindow>(recentProjects))
{
    // Plugins ask for the main window while they initialise (as the parent of
    // the boxes they show), so it exists before any is loaded.
    Host::Core::Workbench::setMainWindow(m_window.get());

    // The studio's own views come first; the plugins add theirs when they load.
    auto *viewManager = Host::Designer::ViewManager::instance();
    viewManager->registerView(std::make_unique<Host::FormEditor::FormEditorView>());
    viewManager->registerView(std::make_unique<Host::FormEditor::NodeNavigatorView>());
    m_window->placeViews(viewManager->views());
    m_window->setPreviewPlugin(m_preview.get());
    // The preview shows what the editor holds, saved or not.
    m_preview->setDocumentContentProvider([window = QPointer<StudioWindow>(m_window.get())](
                                              const QString &path) -> std::optional<QByteArray> {
        if (!window || !window->document() || window->currentFile().toString() != path)
            return std::nullopt;
        return window->document()->document()->toPlainText().toUtf8();
    });
}

Workspace::~Workspace()
{
    shutdown();
}

void Workspace::loadPlugins(const QStringList &pluginPaths)
{
    m_pluginHost->setPluginPaths(
        pluginPaths.isEmpty() ? Host::Plugins::PluginHost::defaultPluginPaths() : pluginPaths);
    // The preview is part of the studio but reaches the plugins the way any
    // plugin does: through the manager, initialised before the ones using it.
    if (!m_pluginHost->pluginInfo(QLatin1String(Host::Preview::PreviewPlugin::pluginName)))
        m_pluginHost->addPlugin(m_preview.get(), Host::Preview::PreviewPlugin::metaData());
    m_pluginHost->loadPlugins();

    auto *issues = Host::Projects::IssueList::instance();
    issues->addCategory(pluginCategory, tr("Plugins"));
    issues->setCategoryProjectBound(pluginCategory, false);
    issues->clearIssues(pluginCategory);
    for (const QString &error : m_pluginHost->errors())
        issues->addIssue(Host::Projects::Issue::Error, error, pluginCategory);

    m_window->placeViews(Host::Designer::ViewManager::instance()->views());
}

QStringList Workspace::pluginErrors() const
{
    return m_pluginHost->errors();
}

void Workspace::shutdown()
{
    if (std::exchange(m_shutDown, true))
        return;
    // Views stop following the document before anything goes. Plugins hold
    // the project's database; they let go of it before the project closes.
    // The views' widgets go with the window, the views themselves last.
    m_window->closeProject();
    m_pluginHost->shutdown();
    Host::Projects::Session::instance()->removeAllProjects();
    m_window.reset();
    Host::Designer::ViewManager::instance()->destroyViews();
}

} // namespace Studio
