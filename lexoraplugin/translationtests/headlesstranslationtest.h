#pragma once

#include "qmldebugtranslationrunner.h"

#include <utils/path.h>

#include <QByteArray>
#include <QStringList>

#include <chrono>
#include <functional>

namespace Host::Projects {
class Project;
}

namespace Lexora {

// Runs one project translation test to its end and waits for it, for callers
// without a dialog (build pipelines). Unlike the dialogs, it gives up on a
// preview that stays silent for the time limit, and it can test several files
// at a time, each preview taking the next file from one queue. The results
// are put together in the order of the files, so they do not depend on how
// many previews ran or which of them tested a file.
class HeadlessTranslationTest
{
public:
    using Outcome = QmlDebugTranslationRunner::Outcome;
    using LoadFailure = QmlDebugTranslationRunner::LoadFailure;
    // Called on the calling thread each time a file is done.
    using FileDoneCallback = std::function<void(int doneFiles, int totalFiles)>;

    // How many previews run side by side; at least 1 (the default).
    void setJobs(int jobs) { m_jobs = std::max(1, jobs); }
    void setFileDoneCallback(const FileDoneCallback &callback) { m_fileDone = callback; }

    Outcome run(Host::Projects::Project *project,
                const QList<Host::Utils::Path> &files,
                const QStringList &languages,
                std::chrono::milliseconds silenceLimit);
    // Ends a running test as stopped: its previews are stopped and run()
    // returns. For an interrupted program.
    void stop();

    // Of a completed run; empty otherwise.
    QByteArray resultJson() const { return m_resultJson; }
    TranslationIssues languageIssues() const { return m_languageIssues; }
    // What the run found before it ended, completed or not.
    QByteArray partialResultJson() const { return m_partialResultJson; }
    QString failure() const { return m_failure; }
    QList<LoadFailure> loadFailures() const { return m_loadFailures; }

private:
    QList<QmlDebugTranslationRunner *> m_runners;
    FileDoneCallback m_fileDone;
    int m_jobs = 1;
    QByteArray m_resultJson;
    QByteArray m_partialResultJson;
    TranslationIssues m_languageIssues;
    QString m_failure;
    QList<LoadFailure> m_loadFailures;
};

} // namespace Lexora
