#include "pluginhost.h"

#include "plugin.h"

#include <utils/softassert.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QLibrary>
#include <QLoggingCategory>
#include <QPluginLoader>
#include <QPointer>
#include <QSet>
#include <QTimer>

namespace Host::Plugins {

namespace {
Q_LOGGING_CATEGORY(pluginLog, "host.plugins", QtWarningMsg)

PluginHost *s_instance = nullptr;

QString tr(const char *text)
{
    return QCoreApplication::translate("Host::Plugins::PluginHost", text);
}

// The host libraries plugins may list as dependencies.
const char *const builtInHostLibraries[] = {
    "Utils",  "ExtensionSystem", "Core",     "Projects", "QmlProject",
    "Sqlite", "TextEditor",      "Designer", "Preview",
};
} // namespace

class PluginHostPrivate
{
public:
    PluginInfo *find(const QString &name) const;
    void add(std::unique_ptr<PluginInfo> info);
    void resolveDependencies();
    void buildLoadQueue();
    bool visit(PluginInfo *info, QList<PluginInfo *> &cycle);
    bool dependencyFailed(PluginInfo *info);
    void loadModule(PluginInfo *info);
    void initialize(PluginInfo *info);

    std::vector<std::unique_ptr<PluginInfo>> plugins;
    QList<PluginInfo *> loadQueue;
    QSet<PluginInfo *> queued;
    QStringList pluginPaths;
    QStringList arguments;
    int asyncShutdownTimeout = 10000;
    bool loaded = false;
    bool shutDown = false;
};

PluginInfo *PluginHostPrivate::find(const QString &name) const
{
    for (const auto &info : plugins) {
        if (info->name() == name)
            return info.get();
    }
    return nullptr;
}

void PluginHostPrivate::add(std::unique_ptr<PluginInfo> info)
{
    if (!info->name().isEmpty()) {
        if (PluginInfo *known = find(info->name())) {
            const QString where = known->filePath().isEmpty() ? known->name() : known->filePath();
            info->setError(
                tr("A plugin named \"%1\" is already known (%2).").arg(info->name(), where));
            info->m_state = PluginInfo::State::Invalid;
        }
    }
    plugins.push_back(std::move(info));
}

void PluginHostPrivate::resolveDependencies()
{
    for (const auto &owned : plugins) {
        PluginInfo *info = owned.get();
        if (info->state() != PluginInfo::State::Read || info->hasError())
            continue;
        info->m_resolvedDependencies.clear();
        for (const PluginRequirement &dependency : info->dependencies()) {
            PluginInfo *found = find(dependency.name);
            if (!found || found->state() == PluginInfo::State::Invalid) {
                info->setError(tr("The required plugin \"%1\" (version %2) is not available.")
                                   .arg(dependency.name, dependency.version));
                continue;
            }
            if (!found->provides(dependency.name, dependency.version)) {
                info->setError(tr("Dependency \"%1\" has version %2 (compatible back to %3), "
                                  "which does not satisfy the required version %4.")
                                   .arg(dependency.name,
                                        found->version(),
                                        found->compatVersion(),
                                        dependency.version));
                continue;
            }
            info->m_resolvedDependencies.append(found);
        }
        if (!info->hasError())
            info->m_state = PluginInfo::State::Resolved;
    }
}

bool PluginHostPrivate::visit(PluginInfo *info, QList<PluginInfo *> &path)
{
    if (queued.contains(info))
        return true;
    if (path.contains(info)) {
        QStringList names;
        for (PluginInfo *member : path.mid(path.indexOf(info)))
            names.append(member->name());
        names.append(info->name());
        info->setError(tr("Plugins that depend on each other in a cycle: %1")
                           .arg(names.join(QLatin1String(" -> "))));
        return false;
    }
    path.append(info);
    bool ok = true;
    for (PluginInfo *dependency : std::as_const(info->m_resolvedDependencies))
        ok = visit(dependency, path) && ok;
    path.removeLast();
    if (!ok && !info->hasError())
        info->setError(tr("Depends on plugins that depend on each other in a cycle."));
    queued.insert(info);
    if (info->origin() != PluginInfo::Origin::HostLibrary)
        loadQueue.append(info);
    return ok;
}

void PluginHostPrivate::buildLoadQueue()
{
    for (const auto &owned : plugins) {
        PluginInfo *info = owned.get();
        if (info->state() == PluginInfo::State::Invalid)
            continue;
        QList<PluginInfo *> path;
        visit(info, path);
    }
}

bool PluginHostPrivate::dependencyFailed(PluginInfo *info)
{
    for (PluginInfo *dependency : std::as_const(info->m_resolvedDependencies)) {
        if (dependency->hasError()) {
            info->setError(tr("Not started because the plugin it needs, \"%1\", failed.")
                               .arg(dependency->name()));
            return true;
        }
    }
    return false;
}

void PluginHostPrivate::loadModule(PluginInfo *info)
{
    if (info->hasError() || info->state() != PluginInfo::State::Resolved || dependencyFailed(info))
        return;
    if (info->origin() == PluginInfo::Origin::Registered) {
        info->m_state = PluginInfo::State::Loaded;
        return;
    }
    auto loader = std::make_unique<QPluginLoader>(info->filePath());
    if (!loader->load()) {
        info->setError(tr("Cannot load module: %1").arg(loader->errorString()));
        return;
    }
    QObject *instance = loader->instance();
    auto *plugin = qobject_cast<Plugin *>(instance);
    if (!plugin) {
        info->setError(tr("The module's root object is not a Host::Plugins::Plugin."));
        loader->unload();
        return;
    }
    plugin->m_info = info;
    info->m_plugin = plugin;
    info->m_loader = std::move(loader);
    info->m_state = PluginInfo::State::Loaded;
}

void PluginHostPrivate::initialize(PluginInfo *info)
{
    if (info->hasError() || info->state() != PluginInfo::State::Loaded || dependencyFailed(info))
        return;
    QString errorString;
    if (!info->plugin()->initialize(arguments, &errorString)) {
        info->setError(tr("The plugin could not start: %1")
                           .arg(errorString.isEmpty() ? tr("no reason given") : errorString));
        return;
    }
    info->m_state = PluginInfo::State::Initialized;
}

PluginHost::PluginHost(QObject *parent) : QObject(parent), d(std::make_unique<PluginHostPrivate>())
{
    HOST_SOFT_ASSERT(!s_instance, qCWarning(pluginLog, "A second plugin manager was created"));
    if (!s_instance)
        s_instance = this;
    for (const char *name : builtInHostLibraries)
        addHostLibrary(QLatin1String(name), hostVersion());
}

PluginHost::~PluginHost()
{
    shutdown();
    if (s_instance == this)
        s_instance = nullptr;
}

PluginHost *PluginHost::instance()
{
    return s_instance;
}

QString PluginHost::hostVersion()
{
    return QStringLiteral(HOST_LAYER_VERSION);
}

QStringList PluginHost::defaultPluginPaths()
{
    QStringList paths;
    const QString fromEnvironment = qEnvironmentVariable("LEXORA_STUDIO_PLUGIN_PATH");
    for (const QString &path : fromEnvironment.split(QDir::listSeparator(), Qt::SkipEmptyParts))
        paths.append(QDir::cleanPath(path));
    paths.append(QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/')
                                 + QLatin1String(HOST_PLUGIN_RELATIVE_PATH)));
    return paths;
}

void PluginHost::setPluginPaths(const QStringList &paths)
{
    d->pluginPaths = paths;
}

QStringList PluginHost::pluginPaths() const
{
    return d->pluginPaths;
}

void PluginHost::setArguments(const QStringList &arguments)
{
    d->arguments = arguments;
}

QStringList PluginHost::arguments() const
{
    return d->arguments;
}

void PluginHost::addHostLibrary(const QString &name, const QString &version)
{
    if (PluginInfo *known = d->find(name)) {
        HOST_SOFT_ASSERT(known->origin() == PluginInfo::Origin::HostLibrary, return );
        known->m_version = version;
        known->m_compatVersion = version;
        return;
    }
    d->add(PluginInfo::hostLibrary(name, version));
}

void PluginHost::readPluginMetaData()
{
    QSet<QString> knownFiles;
    for (const auto &info : d->plugins) {
        if (!info->filePath().isEmpty())
            knownFiles.insert(info->filePath());
    }
    bool changed = false;
    for (const QString &path : std::as_const(d->pluginPaths)) {
        QDirIterator it(path, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        QStringList files;
        while (it.hasNext())
            files.append(it.next());
        files.sort(); // a stable order whatever the file system returns
        for (const QString &file : std::as_const(files)) {
            if (!QLibrary::isLibrary(file))
                continue;
            const QString absolute = QFileInfo(file).absoluteFilePath();
            if (knownFiles.contains(absolute))
                continue;
            std::unique_ptr<PluginInfo> info = PluginInfo::readModule(absolute);
            if (!info)
                continue;
            knownFiles.insert(absolute);
            d->add(std::move(info));
            changed = true;
        }
    }
    if (changed)
        emit pluginsChanged();
}

PluginInfo *PluginHost::addPlugin(Plugin *plugin, const QJsonObject &metaData)
{
    HOST_SOFT_ASSERT(plugin, return nullptr);
    std::unique_ptr<PluginInfo> info
        = PluginInfo::fromMetaData(metaData, PluginInfo::Origin::Registered);
    PluginInfo *raw = info.get();
    d->add(std::move(info));
    emit pluginsChanged();
    if (raw->hasError())
        return nullptr;
    raw->m_plugin = plugin;
    plugin->m_info = raw;
    return raw;
}

void PluginHost::loadPlugins()
{
    readPluginMetaData();
    d->resolveDependencies();
    d->buildLoadQueue();
    for (PluginInfo *info : std::as_const(d->loadQueue))
        d->loadModule(info);
    for (PluginInfo *info : std::as_const(d->loadQueue))
        d->initialize(info);
    for (PluginInfo *info : std::as_const(d->loadQueue)) {
        if (info->state() != PluginInfo::State::Initialized)
            continue;
        info->plugin()->delayedInitialize();
        info->m_state = PluginInfo::State::Running;
    }
    d->loaded = true;
    d->shutDown = false;
    for (const QString &error : errors())
        qCWarning(pluginLog).noquote() << error;
    emit pluginsChanged();
    emit initializationDone();
}

void PluginHost::shutdown()
{
    if (!d->loaded || d->shutDown)
        return;
    d->shutDown = true;

    QSet<QString> pending;
    QSet<QString> finished;
    QEventLoop loop;
    for (auto it = d->loadQueue.crbegin(); it != d->loadQueue.crend(); ++it) {
        PluginInfo *info = *it;
        if (info->state() != PluginInfo::State::Initialized
            && info->state() != PluginInfo::State::Running)
            continue;
        Plugin *plugin = info->plugin();
        if (!plugin) { // a registered object its owner already deleted
            info->m_state = PluginInfo::State::Deleted;
            continue;
        }
        // Connected before the call: a plugin may be done with its asynchronous work
        // before aboutToShutdown() even returns.
        const QString name = info->name();
        connect(plugin, &Plugin::shutdownCompleted, &loop, [&pending, &finished, &loop, name] {
            finished.insert(name);
            if (pending.remove(name) && pending.isEmpty())
                loop.quit();
        });
        if (plugin->aboutToShutdown() == Plugin::ShutdownMode::Asynchronous
            && !finished.contains(name))
            pending.insert(name);
        info->m_state = PluginInfo::State::Stopped;
    }
    if (!pending.isEmpty()) {
        QTimer::singleShot(d->asyncShutdownTimeout, &loop, &QEventLoop::quit);
        loop.exec();
        for (const QString &name : std::as_const(pending))
            qCWarning(pluginLog) << "Plugin" << name
                                 << "did not finish its asynchronous shutdown in time";
    }

    // Delete the objects we created, dependents before their dependencies. The
    // libraries stay mapped: objects a plugin handed to the host may outlive it.
    for (auto it = d->loadQueue.crbegin(); it != d->loadQueue.crend(); ++it) {
        PluginInfo *info = *it;
        if (!info->plugin())
            continue;
        info->plugin()->m_info = nullptr;
        if (info->origin() == PluginInfo::Origin::Module)
            delete info->m_plugin.data();
        info->m_plugin = nullptr;
        info->m_state = PluginInfo::State::Deleted;
    }
    emit shutdownFinished();
}

QList<PluginInfo *> PluginHost::plugins() const
{
    QList<PluginInfo *> result;
    for (const auto &info : d->plugins) {
        if (info->origin() != PluginInfo::Origin::HostLibrary)
            result.append(info.get());
    }
    return result;
}

QList<PluginInfo *> PluginHost::loadQueue() const
{
    return d->loadQueue;
}

PluginInfo *PluginHost::pluginInfo(const QString &name) const
{
    return d->find(name);
}

Plugin *PluginHost::findPlugin(const QString &name) const
{
    PluginInfo *info = d->find(name);
    return info ? info->plugin() : nullptr;
}

bool PluginHost::hasErrors() const
{
    for (const auto &info : d->plugins) {
        if (info->hasError())
            return true;
    }
    return false;
}

QStringList PluginHost::errors() const
{
    QStringList result;
    for (const auto &info : d->plugins) {
        if (info->hasError()) {
            QString name = info->name().isEmpty() ? info->filePath() : info->name();
            if (name.isEmpty())
                name = tr("(unnamed plugin)");
            result.append(name + QLatin1String(": ") + info->errorString());
        }
    }
    return result;
}

void PluginHost::setAsynchronousShutdownTimeout(int milliseconds)
{
    d->asyncShutdownTimeout = milliseconds;
}

} // namespace Host::Plugins
