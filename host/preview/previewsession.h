#pragma once

#include "preview_global.h"
#include "previewplugin.h"

#include <projects/runworker.h>
#include <utils/path.h>

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QPointer>
#include <QProcess>
#include <QTimer>

#include <memory>

QT_BEGIN_NAMESPACE
class QQmlDebugConnection;
class QQmlPreviewClient;
class QTemporaryDir;
QT_END_NAMESPACE

namespace Host::Preview {

class DebugTranslationClient;

// One running preview: a process that shows the project's QML with the QML
// debugger enabled and waits for us before it loads anything. The session
// connects over a local socket, loads files through the "QmlPreview" service
// (serving the files the application asks for) and switches languages through
// the "DebugTranslation" service. started() follows the debug connection, not
// the process start, so that a started preview always answers.
class HOST_PREVIEW_EXPORT PreviewSession : public Projects::RunWorker
{
    Q_OBJECT

public:
    PreviewSession(PreviewPlugin *plugin,
                   Projects::RunControl *runControl,
                   const Utils::Path &projectDirectory,
                   const Utils::Path &mainFile);
    ~PreviewSession() override;

    void start() override;
    void stop() override;

    bool isRunning() const { return m_running; }
    Utils::Path projectDirectory() const { return m_projectDirectory; }
    Utils::Path previewedFile() const { return m_previewedFile; }
    // The preview process's id; 0 when no process runs.
    qint64 processId() const { return m_process ? m_process->processId() : 0; }
    // Null until the process runs and after it stopped; owned by the connection.
    DebugTranslationClient *translationClient() const { return m_translationClient; }

    void setPreviewedFile(const Utils::Path &file);
    void setLocale(const QString &locale);
    QString locale() const { return m_locale; }

signals:
    // The preview could not show the file it was asked to load; the message
    // holds Qt's errors ("file:///a/B.qml:3 module \"C\" is not installed").
    // Also on output().
    void loadFailed(const QString &message);

private:
    void connected();
    void serveFile(const QString &path);
    void processOutput();
    void processFinished();
    void cleanUp();
    void watchTranslations();
    void translationsTouched();
    // Where the locale's i18n folder is: the project's, or one of the locale's own.
    Utils::Path translationDirectory() const;

    // The plugin may go first at shutdown.
    QPointer<PreviewPlugin> m_plugin;
    Utils::Path m_projectDirectory;
    Utils::Path m_previewedFile;
    QString m_locale;
    std::unique_ptr<QTemporaryDir> m_socketDirectory;
    std::unique_ptr<QProcess> m_process;
    std::unique_ptr<QQmlDebugConnection> m_connection;
    QPointer<QQmlPreviewClient> m_previewClient;
    QPointer<DebugTranslationClient> m_translationClient;
    bool m_running = false;
    bool m_finished = false;
    // A generation writes the locale's .qm file anew; the preview loads it
    // again without the language being picked again.
    QFileSystemWatcher m_translationWatcher;
    QTimer m_translationTimer;
    QDateTime m_translationModified;
};

} // namespace Host::Preview
