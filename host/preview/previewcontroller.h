#pragma once

#include "preview_global.h"

#include <utils/path.h>

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

QT_BEGIN_NAMESPACE
class QAction;
class QActionGroup;
QT_END_NAMESPACE

namespace Host::Projects {
class RunControl;
}

namespace Host::Preview {

class PreviewPlugin;

// What a studio's Preview menu does: starts the live preview of the startup
// project on the file the user works on, stops it, and switches the language
// the running previews show. The actions follow the run: Start is offered
// while nothing runs, Stop while a preview starts or runs.
class HOST_PREVIEW_EXPORT PreviewController : public QObject
{
    Q_OBJECT

public:
    // The file to preview; an empty path previews the project's main file.
    using FileProvider = std::function<Utils::Path()>;

    explicit PreviewController(PreviewPlugin *plugin, QObject *parent = nullptr);
    ~PreviewController() override;

    void setCurrentFileProvider(const FileProvider &provider);

    QAction *startAction() const { return m_startAction; }
    QAction *stopAction() const { return m_stopAction; }
    // One checkable action per language, exclusive; their data is the code.
    QList<QAction *> languageActions() const;

    // The languages offered for the preview, in menu order. The checked one
    // stays checked when it is still offered.
    void setLanguages(const QStringList &languages);
    QStringList languages() const;
    // The locale running and later previews show; empty for the system's.
    QString locale() const;
    void setLocale(const QString &locale);

    // Starts a preview of the startup project. False (and failed() with the
    // reason) when there is no project to run or no preview to run it in.
    bool start();
    void stop();
    bool isRunning() const;
    Projects::RunControl *runControl() const;

signals:
    void started();
    void stopped();
    // Also when a preview ends before it ever ran, with what it said last.
    void failed(const QString &message);
    void output(const QString &message);
    // The user or a caller chose the locale the previews show.
    void localeChanged(const QString &locale);

private:
    void updateActions();
    void runControlStopped();

    QPointer<PreviewPlugin> m_plugin;
    FileProvider m_currentFile;
    QAction *m_startAction;
    QAction *m_stopAction;
    QActionGroup *m_languageGroup;
    QPointer<Projects::RunControl> m_runControl;
    // What the preview said last, for when it ends before it ever ran.
    QString m_lastMessage;
    bool m_started = false;
    bool m_stopRequested = false;
    // The preview was stopped for a translation test and comes back after it.
    bool m_resumeAfterExclusiveUse = false;
};

} // namespace Host::Preview
