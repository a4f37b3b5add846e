#include "previewplugin.h"

#include "debugtranslationclient.h"
#include "previewsession.h"

#include <extensionsystem/pluginhost.h>
#include <projects/buildtarget.h>
#include <projects/project.h>
#include <projects/runcontrol.h>
#include <projects/runprofile.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QStandardPaths>

namespace Host::Preview {

PreviewPlugin::PreviewPlugin(QObject *parent) : Plugin(parent) { }

PreviewPlugin::~PreviewPlugin() = default;

QJsonObject PreviewPlugin::metaData()
{
    const QString version = Plugins::PluginHost::hostVersion();
    const QJsonObject dependency { { QStringLiteral("Name"), QStringLiteral("Projects") },
                                   { QStringLiteral("Version"), version } };
    return { { QStringLiteral("IID"), QStringLiteral(HOST_PLUGIN_IID) },
             { QStringLiteral("MetaData"),
               QJsonObject { { QStringLiteral("Name"), QLatin1String(pluginName) },
                             { QStringLiteral("Version"), version },
                             { QStringLiteral("CompatVersion"), version },
                             { QStringLiteral("Category"), QStringLiteral("Qt Quick") },
                             { QStringLiteral("Dependencies"), QJsonArray { dependency } } } } };
}

PreviewPlugin *PreviewPlugin::find()
{
    const Plugins::PluginHost *host = Plugins::PluginHost::instance();
    return host ? host->findPlugin<PreviewPlugin>(QLatin1String(pluginName)) : nullptr;
}

bool PreviewPlugin::initialize(const QStringList &, QString *)
{
    Projects::RunControl::registerWorkerFactory(
        Projects::Constants::qmlPreviewRunMode,
        [this](Projects::RunControl *runControl) -> std::unique_ptr<Projects::RunWorker> {
            const Projects::RunProfile *profile = runControl->runProfile();
            const Projects::Project *project
                = profile && profile->target() ? profile->target()->project() : nullptr;
            if (!profile || !project)
                return {};
            return std::make_unique<PreviewSession>(
                this, runControl, project->projectDirectory(), profile->mainFile());
        });
    return true;
}

Plugins::Plugin::ShutdownMode PreviewPlugin::aboutToShutdown()
{
    stopRunningPreviews();
    Projects::RunControl::registerWorkerFactory(Projects::Constants::qmlPreviewRunMode, {});
    return ShutdownMode::Synchronous;
}

void PreviewPlugin::setDebugTranslationClientFactory(const ClientFactory &factory)
{
    m_clientFactory = factory;
}

DebugTranslationClient *
PreviewPlugin::createDebugTranslationClient(QQmlDebugConnection *connection) const
{
    if (m_clientFactory) {
        if (DebugTranslationClient *client = m_clientFactory(connection))
            return client;
    }
    return new DebugTranslationClient(connection);
}

void PreviewPlugin::setDocumentContentProvider(const DocumentContentProvider &provider)
{
    m_documentContentProvider = provider;
}

std::optional<QByteArray> PreviewPlugin::openDocumentContent(const QString &path) const
{
    if (!m_documentContentProvider)
        return std::nullopt;
    return m_documentContentProvider(path);
}

QString PreviewPlugin::previewExecutable() const
{
    if (!m_previewExecutable.isEmpty())
        return m_previewExecutable;
    const QString configured = qEnvironmentVariable("LEXORA_PREVIEW_EXECUTABLE");
    if (!configured.isEmpty()) {
        // A name without a directory is looked up in PATH, as a shell would.
        const QString found = configured.contains(QLatin1Char('/'))
            ? configured
            : QStandardPaths::findExecutable(configured);
        return QFileInfo(found).isExecutable() ? found : QString();
    }
    const QString qmlscene
        = QLibraryInfo::path(QLibraryInfo::BinariesPath) + QLatin1String("/qmlscene");
    return QFileInfo(qmlscene).isExecutable() ? qmlscene : QString();
}

void PreviewPlugin::setPreviewExecutable(const QString &program)
{
    m_previewExecutable = program;
}

QList<PreviewSession *> PreviewPlugin::runningPreviews() const
{
    QList<PreviewSession *> sessions;
    for (const QPointer<PreviewSession> &session : m_running) {
        if (session && session->isRunning())
            sessions.append(session);
    }
    return sessions;
}

void PreviewPlugin::stopRunningPreviews()
{
    // Stopping one may end another's run and change the list.
    const QList<PreviewSession *> sessions = runningPreviews();
    for (PreviewSession *session : sessions)
        session->stop();
}

void PreviewPlugin::setPreviewedFile(const Utils::Path &file)
{
    for (PreviewSession *session : runningPreviews())
        session->setPreviewedFile(file);
}

void PreviewPlugin::setLocale(const QString &locale)
{
    m_locale = locale;
    for (PreviewSession *session : runningPreviews())
        session->setLocale(locale);
}

void PreviewPlugin::beginExclusiveUse()
{
    if (m_exclusiveUses++ == 0) {
        m_localeBeforeExclusiveUse = m_locale;
        emit exclusiveUseStarted();
    }
    stopRunningPreviews();
}

void PreviewPlugin::endExclusiveUse()
{
    if (m_exclusiveUses == 0 || --m_exclusiveUses > 0)
        return;
    m_locale = m_localeBeforeExclusiveUse;
    emit exclusiveUseEnded();
}

void PreviewPlugin::setTranslationDirectory(const QString &locale, const Utils::Path &directory)
{
    if (directory.isEmpty())
        m_translationDirectories.remove(locale);
    else
        m_translationDirectories.insert(locale, directory);
}

Utils::Path PreviewPlugin::translationDirectory(const QString &locale) const
{
    return m_translationDirectories.value(locale);
}

void PreviewPlugin::previewStarted(PreviewSession *session)
{
    m_running.removeAll(nullptr);
    if (!m_running.contains(session))
        m_running.append(session);
    // A preview started later shows the locale chosen before it.
    if (!m_locale.isEmpty() && session->locale() != m_locale)
        session->setLocale(m_locale);
}

void PreviewPlugin::previewStopped(PreviewSession *session)
{
    m_running.removeAll(session);
    m_running.removeAll(nullptr);
}

} // namespace Host::Preview
