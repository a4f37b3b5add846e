#include "previewsession.h"

#include "debugtranslationclient.h"
#include "previewplugin.h"

#include <private/qqmldebugconnection_p.h>
#include <private/qqmlpreviewclient_p.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace Host::Preview {

PreviewSession::PreviewSession(PreviewPlugin *plugin,
                               Projects::RunControl *runControl,
                               const Utils::Path &projectDirectory,
                               const Utils::Path &mainFile)
    : Projects::RunWorker(runControl),
      m_plugin(plugin),
      m_projectDirectory(projectDirectory),
      m_previewedFile(mainFile)
{
    // A generation writes every language's files in a burst.
    m_translationTimer.setSingleShot(true);
    m_translationTimer.setInterval(100);
    connect(&m_translationTimer, &QTimer::timeout, this, &PreviewSession::translationsTouched);
    connect(&m_translationWatcher,
            &QFileSystemWatcher::directoryChanged,
            &m_translationTimer,
            qOverload<>(&QTimer::start));
    connect(&m_translationWatcher,
            &QFileSystemWatcher::fileChanged,
            &m_translationTimer,
            qOverload<>(&QTimer::start));
}

PreviewSession::~PreviewSession()
{
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(1000);
    }
    if (m_running && m_plugin)
        m_plugin->previewStopped(this);
    m_connection.reset();
    cleanUp();
}

void PreviewSession::start()
{
    if (m_process || m_finished)
        return;
    const QString program = m_plugin ? m_plugin->previewExecutable() : QString();
    m_socketDirectory = std::make_unique<QTemporaryDir>();
    if (program.isEmpty() || !m_socketDirectory->isValid()) {
        emit output(program.isEmpty() ? tr("No preview program found (qmlscene, or the program "
                                           "LEXORA_PREVIEW_EXECUTABLE names).")
                                      : tr("Cannot create the preview's socket directory."));
        m_finished = true;
        emit stopped();
        return;
    }
    const QString socket = m_socketDirectory->filePath(QStringLiteral("debug"));
    // The application starts on an empty item of ours and every file of the
    // project comes through the preview service: a file that does not load
    // then gets reported there, where the application would end on it.
    const QString placeholder = m_socketDirectory->filePath(QStringLiteral("Placeholder.qml"));
    {
        QFile file(placeholder);
        if (!file.open(QIODevice::WriteOnly) || file.write("import QtQuick\nItem {}\n") < 0) {
            emit output(tr("Cannot create the preview's socket directory."));
            m_finished = true;
            emit stopped();
            return;
        }
    }

    m_connection = std::make_unique<QQmlDebugConnection>();
    // Clients register their services in the handshake, so they must exist first.
    m_previewClient = new QQmlPreviewClient(m_connection.get());
    m_translationClient = m_plugin ? m_plugin->createDebugTranslationClient(m_connection.get())
                                   : new DebugTranslationClient(m_connection.get());
    connect(m_previewClient.data(), &QQmlPreviewClient::request, this, &PreviewSession::serveFile);
    connect(m_previewClient.data(), &QQmlPreviewClient::error, this, &PreviewSession::output);
    connect(m_previewClient.data(), &QQmlPreviewClient::error, this, &PreviewSession::loadFailed);
    connect(m_connection.get(), &QQmlDebugConnection::connected, this, &PreviewSession::connected);
    m_connection->startLocalServer(socket);

    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    // A preview outlives a parent that was killed (SIGKILL leaves no chance to
    // clean up) and would go on holding its socket and a core. The kernel
    // ends it with the parent instead; a parent that died before prctl() took
    // effect has left the child to another process already.
    m_process->setChildProcessModifier([parent = ::getpid()] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(1);
    });
    m_process->setWorkingDirectory(m_projectDirectory.toString());
    if (m_plugin && m_plugin->isHeadless()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process->setProcessEnvironment(environment);
    }
    connect(m_process.get(), &QProcess::readyRead, this, &PreviewSession::processOutput);
    connect(m_process.get(), &QProcess::finished, this, &PreviewSession::processFinished);
    connect(m_process.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            emit output(tr("The preview could not be started: %1").arg(m_process->errorString()));
            processFinished();
        }
    });
    // "block" keeps the application from loading its file before we are
    // connected, so no file request goes unanswered.
    m_process->start(program,
                     { QStringLiteral("-qmljsdebugger=file:%1,block,services:%2,QmlPreview")
                           .arg(socket, QLatin1String(DebugTranslationClient::serviceName)),
                       placeholder });
}

void PreviewSession::stop()
{
    if (!m_process) {
        if (!m_finished) {
            m_finished = true;
            emit stopped();
        }
        return;
    }
    // The preview holds nothing worth a graceful shutdown.
    m_process->kill();
}

void PreviewSession::setPreviewedFile(const Utils::Path &file)
{
    m_previewedFile = file;
    if (m_running && m_previewClient)
        m_previewClient->triggerLoad(QUrl::fromLocalFile(file.toString()));
}

void PreviewSession::setLocale(const QString &locale)
{
    m_locale = locale;
    if (m_running && m_translationClient) {
        // The service loads <directory>/i18n/qml_<locale>.qm of the directory it
        // is given; a locale with translations of its own elsewhere names theirs.
        m_translationClient->changeLanguage(QUrl::fromLocalFile(translationDirectory().toString()),
                                            locale);
    }
    watchTranslations();
}

void PreviewSession::watchTranslations()
{
    if (!m_translationWatcher.files().isEmpty())
        m_translationWatcher.removePaths(m_translationWatcher.files());
    if (!m_translationWatcher.directories().isEmpty())
        m_translationWatcher.removePaths(m_translationWatcher.directories());
    if (!m_running || m_locale.isEmpty())
        return;
    // The language change loads i18n/qml_<locale>.qm of the translation directory.
    const QDir directory(translationDirectory().toString());
    const QFileInfo file(
        directory.filePath(QLatin1String("i18n/qml_") + m_locale + QLatin1String(".qm")));
    m_translationModified = file.exists() ? file.lastModified() : QDateTime();
    // The file is replaced, not rewritten, and the first generation makes
    // its folder: the folders tell of both.
    QStringList paths { directory.path(), file.absolutePath() };
    if (file.exists())
        paths.append(file.filePath());
    paths.removeIf([](const QString &path) { return !QFileInfo::exists(path); });
    paths.removeDuplicates();
    if (!paths.isEmpty())
        m_translationWatcher.addPaths(paths);
    // A file replaced while the watch was renewed told no one.
    const QFileInfo now(file.filePath());
    if ((now.exists() ? now.lastModified() : QDateTime()) != m_translationModified)
        m_translationTimer.start();
}

void PreviewSession::translationsTouched()
{
    if (!m_running || m_locale.isEmpty())
        return;
    const Utils::Path directory = translationDirectory();
    const QFileInfo file(
        QDir(directory.toString())
            .filePath(QLatin1String("i18n/qml_") + m_locale + QLatin1String(".qm")));
    const QDateTime modified = file.exists() ? file.lastModified() : QDateTime();
    if (modified == m_translationModified) {
        watchTranslations();
        return;
    }
    // The preview reads the project's files through us and keeps what it was
    // served: it gets the new file (and the folder a first generation made)
    // before the language is picked again, which loads the file anew.
    if (file.exists()) {
        serveFile(file.absolutePath());
        serveFile(file.filePath());
        // A locale Qt does not know looks for a fallback name in its own
        // folder (a pseudo locale's catalogue is qml_C.qm there); that folder
        // holds only this locale's catalogues, so all of them go.
        if (directory != m_projectDirectory) {
            const QDir i18n(file.absolutePath());
            for (const QString &name : i18n.entryList({ QStringLiteral("*.qm") }, QDir::Files)) {
                if (name != file.fileName())
                    serveFile(i18n.filePath(name));
            }
        }
    }
    // The preview stores served files on a thread of its own, and the
    // language change that loads them travels through another service: picked
    // at once, the language can load the old catalogue still in its cache.
    QTimer::singleShot(250, this, [this] { setLocale(m_locale); });
}

Utils::Path PreviewSession::translationDirectory() const
{
    const Utils::Path directory
        = m_plugin ? m_plugin->translationDirectory(m_locale) : Utils::Path();
    return directory.isEmpty() ? m_projectDirectory : directory;
}

void PreviewSession::connected()
{
    if (m_running || !m_process)
        return;
    m_running = true;
    // The state list and the text occurrences only cover a scene loaded
    // through the preview service, so even the main file is loaded that way.
    m_previewClient->triggerLoad(QUrl::fromLocalFile(m_previewedFile.toString()));
    if (!m_locale.isEmpty())
        setLocale(m_locale);
    if (m_plugin)
        m_plugin->previewStarted(this);
    emit started();
}

void PreviewSession::serveFile(const QString &path)
{
    if (!m_previewClient)
        return;
    if (m_plugin) {
        if (const std::optional<QByteArray> content = m_plugin->openDocumentContent(path)) {
            m_previewClient->sendFile(path, *content);
            return;
        }
    }
    const QFileInfo info(path);
    if (info.isDir()) {
        m_previewClient->sendDirectory(
            path, QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        return;
    }
    QFile file(path);
    if (info.isFile() && file.open(QIODevice::ReadOnly))
        m_previewClient->sendFile(path, file.readAll());
    else
        m_previewClient->sendError(path);
}

void PreviewSession::processOutput()
{
    while (m_process && m_process->canReadLine())
        emit output(QString::fromLocal8Bit(m_process->readLine()).trimmed());
}

void PreviewSession::processFinished()
{
    if (m_finished)
        return;
    if (m_process) {
        const QByteArray rest = m_process->readAll().trimmed();
        if (!rest.isEmpty())
            emit output(QString::fromLocal8Bit(rest));
    }
    m_finished = true;
    m_running = false;
    // Deleting the connection deletes its clients; whoever held them only
    // held guarded pointers. The process object may be the sender.
    if (m_process) {
        m_process->disconnect(this);
        m_process.release()->deleteLater();
    }
    cleanUp();
    if (m_plugin)
        m_plugin->previewStopped(this);
    emit stopped();
}

void PreviewSession::cleanUp()
{
    if (m_connection) {
        m_connection->disconnect(this);
        m_connection->close();
        m_connection.release()->deleteLater();
    }
    m_socketDirectory.reset();
}

} // namespace Host::Preview
