#include "headlesstranslationtest.h"

#include <QEventLoop>

namespace Lexora {

HeadlessTranslationTest::Outcome
HeadlessTranslationTest::run(Host::Projects::Project *project,
                             const QList<Host::Utils::Path> &files,
                             const QStringList &languages,
                             std::chrono::milliseconds silenceLimit)
{
    QmlDebugTranslationRunner runner;
    runner.setFiles(files);
    runner.setLanguages(languages);
    runner.setWatchTextElides(true);
    runner.setSilenceLimit(silenceLimit);

    QEventLoop loop;
    QObject::connect(&runner, &QmlDebugTranslationRunner::stopped, &loop, &QEventLoop::quit);
    runner.run(project);
    // A preview that cannot even start ends the run before run() returns.
    if (runner.outcome() == Outcome::Running)
        loop.exec();

    const Outcome outcome = runner.outcome();
    m_resultJson = outcome == Outcome::Completed ? runner.getResultJson() : QByteArray();
    m_languageIssues
        = outcome == Outcome::Completed ? runner.languageIssues() : TranslationIssues();
    m_partialResultJson = runner.partialResultJson();
    m_failure = runner.failure();
    m_loadFailures = runner.loadFailures();
    return outcome;
}

} // namespace Lexora
