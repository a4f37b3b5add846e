#pragma once

#include "preview_global.h"

#include <extensionsystem/plugin.h>
#include <utils/path.h>

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QPointer>

#include <functional>
#include <optional>

QT_BEGIN_NAMESPACE
class QQmlDebugConnection;
QT_END_NAMESPACE

namespace Host::Preview {

class DebugTranslationClient;
class PreviewSession;

// The live preview as a plugin of the studio: it offers the run mode
// "RunConfiguration.QmlPreviewRunMode", keeps the previews that run, and lets
// other plugins choose the debug translation client each new preview gets.
class HOST_PREVIEW_EXPORT PreviewPlugin : public Plugins::Plugin
{
    Q_OBJECT

public:
    // Called with each new debug connection; the preview owns what it returns.
    using ClientFactory = std::function<DebugTranslationClient *(QQmlDebugConnection *)>;
    // The text of a file the designer has open, which may differ from the disk.
    using DocumentContentProvider = std::function<std::optional<QByteArray>(const QString &path)>;

    static constexpr char pluginName[] = "LivePreview";

    explicit PreviewPlugin(QObject *parent = nullptr);
    ~PreviewPlugin() override;

    // The description to register a preview plugin the host created itself.
    static QJsonObject metaData();
    // The preview plugin of this process's plugin host, or null.
    static PreviewPlugin *find();

    bool initialize(const QStringList &arguments, QString *errorString) override;
    ShutdownMode aboutToShutdown() override;

    // Replaces the factory set before; an empty function restores the plain client.
    void setDebugTranslationClientFactory(const ClientFactory &factory);
    DebugTranslationClient *createDebugTranslationClient(QQmlDebugConnection *connection) const;

    void setDocumentContentProvider(const DocumentContentProvider &provider);
    std::optional<QByteArray> openDocumentContent(const QString &path) const;

    // LEXORA_PREVIEW_EXECUTABLE when set (empty when that names no program),
    // else Qt's qmlscene (empty when it is not installed).
    QString previewExecutable() const;
    void setPreviewExecutable(const QString &program);
    // Headless previews render offscreen: for tests and build pipelines.
    bool isHeadless() const { return m_headless; }
    void setHeadless(bool headless) { m_headless = headless; }

    QList<PreviewSession *> runningPreviews() const;
    void stopRunningPreviews();
    // Both apply to every running preview; the locale also to the ones started later.
    void setPreviewedFile(const Utils::Path &file);
    void setLocale(const QString &locale);
    QString locale() const { return m_locale; }
    // Where the previews look for the translations of `locale` (the directory
    // holding its i18n folder) instead of the project directory: for
    // translations that are not the project's, such as generated pseudo
    // locales. An empty directory restores the project's.
    void setTranslationDirectory(const QString &locale, const Utils::Path &directory);
    Utils::Path translationDirectory(const QString &locale) const;

    // A translation test needs the previews to itself: the running ones stop
    // now, and when the last use ends the locale is the one before and
    // exclusiveUseEnded() lets their owners start them again. Uses nest.
    void beginExclusiveUse();
    void endExclusiveUse();
    bool isInExclusiveUse() const { return m_exclusiveUses > 0; }

signals:
    // Before the running previews are stopped for an exclusive use.
    void exclusiveUseStarted();
    void exclusiveUseEnded();

private:
    friend class PreviewSession;
    void previewStarted(PreviewSession *session);
    void previewStopped(PreviewSession *session);

    ClientFactory m_clientFactory;
    DocumentContentProvider m_documentContentProvider;
    QString m_previewExecutable;
    QString m_locale;
    QHash<QString, Utils::Path> m_translationDirectories;
    QList<QPointer<PreviewSession>> m_running;
    bool m_headless = false;
    int m_exclusiveUses = 0;
    QString m_localeBeforeExclusiveUse;
};

} // namespace Host::Preview
