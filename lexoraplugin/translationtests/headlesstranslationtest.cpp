#include "headlesstranslationtest.h"

#include "qmldebugtranslationrunner.h"

#include <preview/previewplugin.h>
#include <projects/runcontrol.h>

#include <QEventLoop>
#include <QTimer>

namespace Lexora {

HeadlessTranslationTest::Outcome
HeadlessTranslationTest::run(Host::Projects::Project *project,
                             const QList<Host::Utils::Path> &files,
                             const QStringList &languages,
                             std::chrono::milliseconds silenceLimit)
{
    m_resultJson.clear();
    m_languageIssues.clear();
    Host::Preview::PreviewPlugin *preview = Host::Preview::PreviewPlugin::find();
    if (!preview)
        return Outcome::NotStarted;

    QmlDebugTranslationRunner runner;
    runner.setFiles(files);
    runner.setLanguages(languages);
    runner.setWatchTextElides(true);

    QEventLoop loop;
    QTimer silence;
    silence.setSingleShot(true);
    silence.setInterval(silenceLimit);
    bool timedOut = false;
    QObject::connect(&silence, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        preview->stopRunningPreviews();
        loop.quit();
    });
    QObject::connect(
        &runner, &QmlDebugTranslationRunner::progressed, &silence, qOverload<>(&QTimer::start));
    QObject::connect(&runner, &QmlDebugTranslationRunner::stopped, &loop, &QEventLoop::quit);

    runner.run(project);
    // A run that starts owns a run control until its preview stops.
    if (runner.findChildren<Host::Projects::RunControl *>().isEmpty())
        return Outcome::NotStarted;
    silence.start();
    loop.exec();

    if (timedOut)
        return Outcome::TimedOut;
    // A result is only built when the run reached its end.
    if (runner.getResultJson().isNull())
        return Outcome::Stopped;
    m_resultJson = runner.getResultJson();
    m_languageIssues = runner.languageIssues();
    return Outcome::Completed;
}

} // namespace Lexora
