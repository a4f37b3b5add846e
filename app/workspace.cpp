#include "workspace.h"

#include "studiowindow.h"

#include <core/workbench.h>
#include <extensionsystem/pluginhost.h>
#include <projects/issuelist.h>
#include <projects/session.h>

namespace Studio {

namespace {
const char pluginCategory[] = "Studio.Plugins";
} // namespace

Workspace::Workspace(RecentProjects *recentProjects, QObject *parent)
    : QObject(parent),
      m_pluginHost(std::make_unique<Host::Plugins::PluginHost>()),
      m_window(std::make_unique<StudioWindow>(recentProjects))
{
    // Plugins ask for the main window while they initialise (as the parent of
    // the boxes they show), so it exists before any is loaded.
    Host::Core::Workbench::setMainWindow(m_window.get());
}

Workspace::~Workspace()
{
    shutdown();
}

void Workspace::loadPlugins(const QStringList &pluginPaths)
{
    m_pluginHost->setPluginPaths(
        pluginPaths.isEmpty() ? Host::Plugins::PluginHost::defaultPluginPaths() : pluginPaths);
    m_pluginHost->loadPlugins();

    auto *issues = Host::Projects::IssueList::instance();
    issues->addCategory(pluginCategory, tr("Plugins"));
    issues->clearIssues(pluginCategory);
    for (const QString &error : m_pluginHost->errors())
        issues->addIssue(Host::Projects::Issue::Error, error, pluginCategory);
}

QStringList Workspace::pluginErrors() const
{
    return m_pluginHost->errors();
}

void Workspace::shutdown()
{
    if (std::exchange(m_shutDown, true))
        return;
    // Plugins hold the project's database; they let go of it before the
    // project closes, and their widgets go with the window afterwards.
    m_pluginHost->shutdown();
    m_window->closeProject();
    Host::Projects::Session::instance()->removeAllProjects();
}

} // namespace Studio
