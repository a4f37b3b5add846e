#pragma once

#include "extensionsystem_global.h"

#include <QJsonObject>
#include <QList>
#include <QPointer>
#include <QString>
#include <QVersionNumber>

#include <memory>

QT_BEGIN_NAMESPACE
class QPluginLoader;
QT_END_NAMESPACE

namespace Host::Plugins {

class Plugin;

struct HOST_EXTENSIONSYSTEM_EXPORT PluginRequirement
{
    QString name;
    QString version;

    friend bool operator==(const PluginRequirement &, const PluginRequirement &) = default;
};

// What the manager knows about one plugin: its metadata, read without loading
// the module, and where it stands in the lifecycle.
class HOST_EXTENSIONSYSTEM_EXPORT PluginInfo
{
public:
    enum class State {
        Invalid, // metadata missing or malformed
        Read, // metadata read, dependencies not yet checked
        Resolved, // every dependency found and compatible
        Loaded, // module loaded, plugin object created
        Initialized, // initialize() succeeded
        Running, // delayedInitialize() ran
        Stopped, // aboutToShutdown() ran
        Deleted, // plugin object gone
    };

    enum class Origin {
        Module, // a library in a plugin directory, loaded through QPluginLoader
        Registered, // a plugin object the host created itself (linked statically)
        HostLibrary // a built-in host library others may depend on; has no object
    };

    ~PluginInfo();

    // Reads the metadata of the module at `filePath` without loading it. Returns
    // null when the file is not a plugin module of this host (no or other IID).
    static std::unique_ptr<PluginInfo> readModule(const QString &filePath);
    // Reads metadata given as the object embedded by Q_PLUGIN_METADATA, either the
    // whole loader metadata ({"IID", "MetaData": {...}}) or only its inner object.
    static std::unique_ptr<PluginInfo> fromMetaData(const QJsonObject &metaData, Origin origin);
    static std::unique_ptr<PluginInfo> hostLibrary(const QString &name, const QString &version);

    QString name() const { return m_name; }
    QString version() const { return m_version; }
    QString compatVersion() const { return m_compatVersion; }
    QString category() const { return m_category; }
    QString description() const { return m_description; }
    bool isExperimental() const { return m_experimental; }
    QList<PluginRequirement> dependencies() const { return m_dependencies; }
    QJsonObject metaData() const { return m_metaData; }
    QString filePath() const { return m_filePath; }
    Origin origin() const { return m_origin; }

    State state() const { return m_state; }
    bool hasError() const { return !m_errorString.isEmpty(); }
    QString errorString() const { return m_errorString; }
    Plugin *plugin() const;

    // Whether this plugin can stand in for a dependency that asks for `version`:
    // it is at least that version and still compatible back to it.
    bool provides(const QString &name, const QString &version) const;

    // Parses "major.minor.patch" with an optional "_build" suffix; null when invalid.
    static QVersionNumber parseVersion(const QString &version);
    static bool isValidVersion(const QString &version);

private:
    friend class PluginHost;
    friend class PluginHostPrivate;
    PluginInfo() = default;

    void setError(const QString &message);

    QString m_name;
    QString m_version;
    QString m_compatVersion;
    QString m_category;
    QString m_description;
    bool m_experimental = false;
    QList<PluginRequirement> m_dependencies;
    QJsonObject m_metaData;
    QString m_filePath;
    Origin m_origin = Origin::Module;

    State m_state = State::Invalid;
    QString m_errorString;
    // Guarded: a registered plugin object belongs to the host, which may delete it.
    QPointer<Plugin> m_plugin;
    std::unique_ptr<QPluginLoader> m_loader;
    QList<PluginInfo *> m_resolvedDependencies;
};

} // namespace Host::Plugins
