#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

namespace Host::Plugins {
class PluginHost;
}

namespace Host::Preview {
class PreviewPlugin;
}

namespace Studio {

class RecentProjects;
class StudioWindow;

// Everything one run of the studio holds: the plugin host with the plugins it
// loaded from the plugin directory and the main window they live in. The
// executable and the tests assemble the studio through this one class, so a
// test sees the window a user sees.
class Workspace : public QObject
{
    Q_OBJECT

public:
    // `recentProjects` may be null: nothing is remembered.
    explicit Workspace(RecentProjects *recentProjects, QObject *parent = nullptr);
    ~Workspace() override;

    StudioWindow *window() const { return m_window.get(); }
    Host::Plugins::PluginHost *pluginHost() const { return m_pluginHost.get(); }
    // The live preview the studio provides to its plugins, as a plugin of its own.
    Host::Preview::PreviewPlugin *previewPlugin() const { return m_preview.get(); }

    // Loads the plugins of `pluginPaths` (the studio's plugin directory by
    // default) beside the studio's own live preview, initialises them all and
    // shows their failures in the Issues list. Open the project afterwards:
    // plugins follow the startup project from then on, as in any session.
    void loadPlugins(const QStringList &pluginPaths = {});
    QStringList pluginErrors() const;

    // Stops the plugins, then closes the project; the window goes last.
    void shutdown();

private:
    // The manager only refers to the preview it did not create: it goes first.
    std::unique_ptr<Host::Preview::PreviewPlugin> m_preview;
    std::unique_ptr<Host::Plugins::PluginHost> m_pluginHost;
    std::unique_ptr<StudioWindow> m_window;
    bool m_shutDown = false;
};

} // namespace Studio
