#pragma once

#include "extensionsystem_global.h"
#include "plugininfo.h"

#include <QObject>
#include <QStringList>

#include <memory>

namespace Host::Plugins {

class Plugin;
class PluginHostPrivate;

// Finds plugin modules in the plugin directories, reads their metadata, checks
// their dependencies and runs their lifecycle. One manager per process; plugins
// reach it through instance(), for instance to find another plugin by name.
class HOST_EXTENSIONSYSTEM_EXPORT PluginHost : public QObject
{
    Q_OBJECT

public:
    explicit PluginHost(QObject *parent = nullptr);
    ~PluginHost() override;

    // The manager that exists in this process, or null.
    static PluginHost *instance();

    // The version of the built-in host libraries ("Core", "Projects", ...), which
    // plugins may name as dependencies like any other plugin.
    static QString hostVersion();

    // The directories listed in LEXORA_STUDIO_PLUGIN_PATH, then the studio's
    // own plugin directory next to the executable's (bin/../lib/lexora-studio/plugins).
    static QStringList defaultPluginPaths();

    void setPluginPaths(const QStringList &paths);
    QStringList pluginPaths() const;
    void setArguments(const QStringList &arguments);
    QStringList arguments() const;

    // Declares a component of the host itself that plugins may depend on.
    void addHostLibrary(const QString &name, const QString &version);

    // Scans the plugin paths and reads the metadata of every module found there,
    // without loading any. Already known modules are not read twice.
    void readPluginMetaData();
    // Adds a plugin object the host created itself (a statically linked plugin).
    // The manager does not take ownership; `metaData` has the shape embedded by
    // Q_PLUGIN_METADATA. Returns the new description, or null when the metadata is
    // unusable (see errorString() of the failed entry in plugins()).
    PluginInfo *addPlugin(Plugin *plugin, const QJsonObject &metaData);

    // Reads the plugin paths, checks dependencies, loads the modules and runs
    // initialize() on all plugins, then delayedInitialize() on all, dependencies
    // first. Plugins that fail, and those depending on them, are left out and
    // keep an error; the others run.
    void loadPlugins();
    // aboutToShutdown() in reverse load order, waits for asynchronous shutdowns,
    // then deletes the plugin objects it created.
    void shutdown();

    QList<PluginInfo *> plugins() const;
    // Plugins in the order they were (or will be) initialised.
    QList<PluginInfo *> loadQueue() const;
    PluginInfo *pluginInfo(const QString &name) const;
    Plugin *findPlugin(const QString &name) const;
    template<typename T> T *findPlugin(const QString &name) const
    {
        return qobject_cast<T *>(findPlugin(name));
    }

    bool hasErrors() const;
    // One line per failed plugin: "Name: reason".
    QStringList errors() const;

    // How long shutdown() waits for plugins that answered Asynchronous.
    void setAsynchronousShutdownTimeout(int milliseconds);

signals:
    void pluginsChanged();
    void initializationDone();
    void shutdownFinished();

private:
    std::unique_ptr<PluginHostPrivate> d;
};

} // namespace Host::Plugins
