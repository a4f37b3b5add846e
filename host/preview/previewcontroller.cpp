#include "previewcontroller.h"

#include "debugtranslationclient.h"
#include "previewplugin.h"
#include "previewsession.h"

#include <projects/buildtarget.h>
#include <projects/project.h>
#include <projects/runcontrol.h>
#include <projects/runprofile.h>
#include <projects/session.h>

#include <QAction>
#include <QActionGroup>
#include <QLocale>

namespace Host::Preview {

PreviewController::PreviewController(PreviewPlugin *plugin, QObject *parent)
    : QObject(parent),
      m_plugin(plugin),
      m_startAction(new QAction(tr("Start Preview"), this)),
      m_stopAction(new QAction(tr("Stop Preview"), this)),
      m_languageGroup(new QActionGroup(this))
{
    m_startAction->setObjectName(QStringLiteral("StartPreview"));
    m_startAction->setShortcut(QKeySequence(tr("Alt+P")));
    m_stopAction->setObjectName(QStringLiteral("StopPreview"));
    m_languageGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    connect(m_startAction, &QAction::triggered, this, &PreviewController::start);
    connect(m_stopAction, &QAction::triggered, this, &PreviewController::stop);
    connect(m_languageGroup, &QActionGroup::triggered, this, [this](QAction *action) {
        setLocale(action->data().toString());
    });
    // A translation test stops the user's preview; the user expects it back
    // (on the file they work on) when the test is over.
    if (m_plugin) {
        connect(m_plugin, &PreviewPlugin::exclusiveUseStarted, this, [this] {
            m_resumeAfterExclusiveUse = m_runControl && !m_runControl->isStopped();
            m_stopRequested = m_resumeAfterExclusiveUse;
        });
        connect(m_plugin, &PreviewPlugin::exclusiveUseEnded, this, [this] {
            if (std::exchange(m_resumeAfterExclusiveUse, false))
                start();
        });
    }
    // A preview shows one project: it ends when another one takes over.
    connect(Projects::Session::instance(), &Projects::Session::startupProjectChanged, this, [this] {
        stop();
        updateActions();
    });
    updateActions();
}

PreviewController::~PreviewController()
{
    if (m_runControl)
        m_runControl->disconnect(this);
}

void PreviewController::setCurrentFileProvider(const FileProvider &provider)
{
    m_currentFile = provider;
}

QList<QAction *> PreviewController::languageActions() const
{
    return m_languageGroup->actions();
}

void PreviewController::setLanguages(const QStringList &languages)
{
    const QString checked = locale();
    for (QAction *action : m_languageGroup->actions())
        delete action;
    for (const QString &code : languages) {
        const QLocale language(code);
        const QString name = language.language() == QLocale::C
            ? code
            : tr("%1 (%2)").arg(QLocale::languageToString(language.language()), code);
        auto *action = new QAction(name, m_languageGroup);
        action->setObjectName(QLatin1String("PreviewLanguage_") + code);
        action->setData(code);
        action->setCheckable(true);
        action->setChecked(code == checked);
    }
}

QStringList PreviewController::languages() const
{
    QStringList codes;
    for (const QAction *action : m_languageGroup->actions())
        codes.append(action->data().toString());
    return codes;
}

QString PreviewController::locale() const
{
    return m_plugin ? m_plugin->locale() : QString();
}

void PreviewController::setLocale(const QString &locale)
{
    if (m_plugin)
        m_plugin->setLocale(locale);
    for (QAction *action : m_languageGroup->actions())
        action->setChecked(action->data().toString() == locale);
    emit localeChanged(locale);
}

bool PreviewController::start()
{
    if (isRunning())
        return true;
    const auto fail = [this](const QString &message) {
        emit failed(message);
        updateActions();
        return false;
    };
    if (!m_plugin)
        return fail(tr("The live preview is not available."));
    Projects::Project *project = Projects::Session::instance()->startupProject();
    Projects::BuildTarget *target = project ? project->activeTarget() : nullptr;
    Projects::RunProfile *profile = target ? target->activeRunProfile() : nullptr;
    if (!profile)
        return fail(tr("Open a project to preview."));

    auto *control = new Projects::RunControl(Projects::Constants::qmlPreviewRunMode, this);
    control->setRunProfile(profile);
    if (!control->createMainWorker()) {
        delete control;
        return fail(tr("The live preview cannot run %1.").arg(project->displayName()));
    }
    const Utils::Path current = m_currentFile ? m_currentFile() : Utils::Path();
    auto *session = qobject_cast<PreviewSession *>(control->mainWorker());
    if (session && !current.isEmpty())
        session->setPreviewedFile(current);
    if (session && session->previewedFile().isEmpty()) {
        delete control;
        return fail(tr("%1 names no main file to preview.").arg(project->displayName()));
    }

    m_runControl = control;
    m_started = false;
    m_stopRequested = false;
    m_lastMessage.clear();
    connect(control, &Projects::RunControl::started, this, [this] {
        m_started = true;
        updateActions();
        emit started();
    });
    connect(control, &Projects::RunControl::stopped, this, &PreviewController::runControlStopped);
    connect(control, &Projects::RunControl::appendMessage, this, [this](const QString &message) {
        if (!message.isEmpty())
            m_lastMessage = message;
        emit output(message);
    });
    control->start();
    updateActions();
    return true;
}

void PreviewController::stop()
{
    m_resumeAfterExclusiveUse = false;
    if (m_runControl && !m_runControl->isStopped()) {
        m_stopRequested = true;
        m_runControl->stop();
    }
}

Projects::RunControl *PreviewController::runControl() const
{
    return m_runControl;
}

bool PreviewController::isRunning() const
{
    return m_runControl && m_runControl->isRunning();
}

void PreviewController::runControlStopped()
{
    if (m_runControl) {
        m_runControl->disconnect(this);
        m_runControl->deleteLater();
        m_runControl = nullptr;
    }
    updateActions();
    emit stopped();
    if (!std::exchange(m_started, false) && !m_stopRequested)
        emit failed(m_lastMessage.isEmpty() ? tr("The preview stopped before it started.")
                                            : m_lastMessage);
}

void PreviewController::updateActions()
{
    const bool active = m_runControl && !m_runControl->isStopped();
    const bool runnable = Projects::Session::instance()->startupProject() != nullptr;
    m_startAction->setEnabled(!active && runnable && m_plugin);
    m_stopAction->setEnabled(active);
}

} // namespace Host::Preview
