#pragma once

#include "qmldebugtranslationrunner.h"

#include <utils/path.h>

#include <QByteArray>
#include <QStringList>

#include <chrono>

namespace Host::Projects {
class Project;
}

namespace Lexora {

// Runs one project translation test to its end and waits for it, for callers
// without a dialog (build pipelines). Unlike the dialogs, it gives up on a
// preview that stays silent for the time limit.
class HeadlessTranslationTest
{
public:
    using Outcome = QmlDebugTranslationRunner::Outcome;
    using LoadFailure = QmlDebugTranslationRunner::LoadFailure;

    Outcome run(Host::Projects::Project *project,
                const QList<Host::Utils::Path> &files,
                const QStringList &languages,
                std::chrono::milliseconds silenceLimit);

    // Of a completed run; empty otherwise.
    QByteArray resultJson() const { return m_resultJson; }
    TranslationIssues languageIssues() const { return m_languageIssues; }
    // What the run found before it ended, completed or not.
    QByteArray partialResultJson() const { return m_partialResultJson; }
    QString failure() const { return m_failure; }
    QList<LoadFailure> loadFailures() const { return m_loadFailures; }

private:
    QByteArray m_resultJson;
    QByteArray m_partialResultJson;
    TranslationIssues m_languageIssues;
    QString m_failure;
    QList<LoadFailure> m_loadFailures;
};

} // namespace Lexora
