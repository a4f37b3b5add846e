#include "headlesstranslationtest.h"

#include "qmldebugtranslationrunnerprivate.h"

#include <QEventLoop>
#include <QHash>

#include <algorithm>
#include <memory>
#include <vector>

namespace Lexora {

using RunnerPrivate = QmlDebugTranslationRunnerPrivate;

HeadlessTranslationTest::Outcome
HeadlessTranslationTest::run(Host::Projects::Project *project,
                             const QList<Host::Utils::Path> &files,
                             const QStringList &languages,
                             std::chrono::milliseconds silenceLimit)
{
    m_resultJson.clear();
    m_partialResultJson.clear();
    m_languageIssues.clear();
    m_failure.clear();
    m_loadFailures.clear();

    qsizetype nextFile = 0;
    const auto takeFile = [&files, &nextFile]() -> std::optional<Host::Utils::Path> {
        if (nextFile >= files.size())
            return std::nullopt;
        return files.at(nextFile++);
    };
    const int jobs = int(std::clamp<qsizetype>(m_jobs, 1, std::max<qsizetype>(1, files.size())));

    QEventLoop loop;
    std::vector<std::unique_ptr<QmlDebugTranslationRunner>> runners;
    int running = 0;
    int doneFiles = 0;
    // The runner whose end ended the test; its outcome and reasons are the test's.
    QmlDebugTranslationRunner *failed = nullptr;
    const auto ended = [&](QmlDebugTranslationRunner *runner) {
        if (runner->outcome() != Outcome::Completed && !failed) {
            failed = runner;
            // The others' results could never complete the test.
            for (const auto &other : runners) {
                if (other.get() != runner && other->outcome() == Outcome::Running)
                    other->d->giveUp(
                        Outcome::Stopped,
                        QmlDebugTranslationRunner::tr("Stopped with another preview."));
            }
        }
        if (--running == 0)
            loop.quit();
    };
    for (int job = 0; job < jobs; ++job) {
        auto runner = std::make_unique<QmlDebugTranslationRunner>();
        runner->setLanguages(languages);
        runner->setWatchTextElides(true);
        runner->setSilenceLimit(silenceLimit);
        runner->setExclusivePreview(false);
        runner->setFileSource(takeFile);
        QmlDebugTranslationRunner *raw = runner.get();
        QObject::connect(
            raw, &QmlDebugTranslationRunner::stopped, &loop, [&ended, raw] { ended(raw); });
        QObject::connect(raw, &QmlDebugTranslationRunner::fileDone, &loop, [&] {
            ++doneFiles;
            if (m_fileDone)
                m_fileDone(doneFiles, int(files.size()));
        });
        runners.push_back(std::move(runner));
        m_runners.append(raw);
    }
    for (const auto &runner : runners) {
        if (failed)
            break;
        ++running;
        runner->run(project);
        // A preview that cannot even start ends the run before run() returns,
        // with or without a signal.
        if (runner->outcome() == Outcome::NotStarted)
            ended(runner.get());
    }
    if (running > 0)
        loop.exec();
    m_runners.clear();

    // Put together in the order of the files.
    QHash<QString, std::pair<const RunnerPrivate *, RunnerPrivate::TestedFile>> testedAt;
    for (const auto &runner : runners) {
        for (const RunnerPrivate::TestedFile &tested : std::as_const(runner->d->testedFiles))
            testedAt.insert(tested.file.toString(), { runner->d, tested });
    }
    QList<RunnerPrivate::ResultRecord> records;
    TranslationIssues issues;
    for (const Host::Utils::Path &file : files) {
        const auto found = testedAt.constFind(file.toString());
        if (found == testedAt.cend())
            continue;
        const auto &[d, tested] = *found;
        records.append(d->results.mid(tested.firstRecord, tested.endRecord - tested.firstRecord));
        issues.append(
            d->languageIssues.mid(tested.firstIssue, tested.endIssue - tested.firstIssue));
    }
    QList<LoadFailure> loadFailures;
    for (const auto &runner : runners)
        loadFailures.append(runner->loadFailures());
    std::stable_sort(loadFailures.begin(),
                     loadFailures.end(),
                     [&files](const LoadFailure &a, const LoadFailure &b) {
                         return files.indexOf(a.file) < files.indexOf(b.file);
                     });
    m_loadFailures = loadFailures;
    m_partialResultJson = RunnerPrivate::resultJson(records, issues, languages);

    Outcome outcome = Outcome::Completed;
    if (failed) {
        outcome = failed->outcome();
        m_failure = failed->failure();
    } else if (runners.empty()) {
        outcome = Outcome::NotStarted;
    } else {
        m_resultJson = m_partialResultJson;
        m_languageIssues = issues;
    }
    return outcome;
}

void HeadlessTranslationTest::stop()
{
    for (QmlDebugTranslationRunner *runner : std::as_const(m_runners)) {
        if (runner->outcome() == Outcome::Running)
            runner->d->giveUp(
                Outcome::Stopped,
                QmlDebugTranslationRunner::tr("The translation test was interrupted."));
    }
}

} // namespace Lexora
