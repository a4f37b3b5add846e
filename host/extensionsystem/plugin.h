#pragma once

#include "extensionsystem_global.h"

#include <QObject>
#include <QStringList>

// The interface identifier every plugin module of the studio declares in its
// Q_PLUGIN_METADATA. Modules with another identifier are not ours and are skipped.
#define HOST_PLUGIN_IID "org.lexora.studio.Plugin/2.3"

namespace Host::Plugins {

class PluginInfo;

// Base class of every plugin. The plugin manager calls initialize() on all
// plugins (dependencies first), then delayedInitialize() on all, and at the end
// aboutToShutdown() in reverse order before deleting them.
class HOST_EXTENSIONSYSTEM_EXPORT Plugin : public QObject
{
    Q_OBJECT

public:
    enum class ShutdownMode {
        // All teardown is done when aboutToShutdown() returns.
        Synchronous,
        // The plugin emits shutdownCompleted() once it is done.
        Asynchronous,
    };
    Q_ENUM(ShutdownMode)

    explicit Plugin(QObject *parent = nullptr);
    ~Plugin() override;

    // Returning false marks the plugin (and everything that depends on it) as
    // failed; `errorString` then says why.
    virtual bool initialize(const QStringList &arguments, QString *errorString) = 0;
    // Runs after every plugin is initialised, for work that needs the others.
    virtual bool delayedInitialize() { return true; }
    virtual ShutdownMode aboutToShutdown() { return ShutdownMode::Synchronous; }

    // The description the manager read for this plugin; null until it is managed.
    PluginInfo *pluginInfo() const;

signals:
    void shutdownCompleted();

private:
    friend class PluginHost;
    friend class PluginHostPrivate;
    PluginInfo *m_info = nullptr;
};

} // namespace Host::Plugins
