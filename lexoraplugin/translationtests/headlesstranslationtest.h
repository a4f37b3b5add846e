#pragma once

#include "advancedqmldebugtranslationclient.h"

#include <utils/path.h>

#include <QByteArray>
#include <QStringList>

#include <chrono>

namespace Host::Projects {
class Project;
}

namespace Lexora {

// Runs one project translation test to its end and waits for it, for callers
// without a dialog (build pipelines). Unlike the runner, it does not wait for
// a silent preview forever: when no step of the run follows another within the
// time limit, the preview is stopped.
class HeadlessTranslationTest
{
public:
    enum class Outcome {
        Completed,
        // The preview stopped before the run ended (it crashed or could not start).
        Stopped,
        // The preview went silent for longer than the time limit.
        TimedOut,
        // No preview could be started: no preview plugin, run profile or preview mode.
        NotStarted,
    };

    Outcome run(Host::Projects::Project *project,
                const QList<Host::Utils::Path> &files,
                const QStringList &languages,
                std::chrono::milliseconds silenceLimit);

    QByteArray resultJson() const { return m_resultJson; }
    TranslationIssues languageIssues() const { return m_languageIssues; }

private:
    QByteArray m_resultJson;
    TranslationIssues m_languageIssues;
};

} // namespace Lexora
