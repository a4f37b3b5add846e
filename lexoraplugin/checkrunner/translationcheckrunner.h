#pragma once

#include <utils/path.h>

#include <QFutureWatcher>
#include <QHash>
#include <QObject>
#include <QStringList>

#include <memory>

namespace Host::QmlProject {
class DesignProject;
}

namespace Host::Projects {
class Issue;
}

namespace Lexora {

// Runs the translation quality checks on a project's translation database
// off the interface thread and lists the findings in the Issues list, in a
// category of their own that each run replaces. Each finding points at the
// first use of its ID in the project's QML files, and activating it goes to
// where the ID is used first now, which edits since the run may have moved.
class TranslationCheckRunner : public QObject
{
    Q_OBJECT

public:
    static constexpr char issueCategory[] = "Lexora.TranslationChecks";
    static constexpr char progressType[] = "Lexora.TranslationChecks";

    struct Use
    {
        Host::Utils::Path file;
        int line = -1;
        int column = -1;
    };

    struct Outcome
    {
        QString error; // the run failed as a whole
        QStringList fileProblems; // files whose IDs could not be read
        int errors = 0;
        int warnings = 0;
    };

    // What a run hands back to the interface thread.
    struct Result;

    explicit TranslationCheckRunner(QObject *parent = nullptr);
    ~TranslationCheckRunner() override;

    // False (with finished() not following) when a run is going on or the
    // project cannot be checked; `errorString` says why.
    bool start(Host::QmlProject::DesignProject *project, QString *errorString = nullptr);
    bool isRunning() const;
    // Waits for a running check; the studio calls it before it closes.
    void waitForFinished();
    // Stops a running check and drops what it found: its project closes, and
    // its findings must not show up in the next one.
    void discard();

    // Where the last run found each ID used first.
    Use firstUse(const QString &translationId) const { return m_uses.value(translationId); }
    // The first use of the ID a finding of the last run is about, looked up
    // again in the files: where it was found, else in the project's other
    // QML files. An invalid use when the ID is not used any more.
    Use currentFirstUse(const QString &translationId) const;
    // The activation handler of the issue category: asks the host to show the
    // ID's current first use. False for an issue that names no ID.
    bool activate(const Host::Projects::Issue &issue) const;

signals:
    void finished(const Lexora::TranslationCheckRunner::Outcome &outcome);

private:
    void publish();
    void newWatcher();

    std::unique_ptr<QFutureWatcher<std::shared_ptr<Result>>> m_watcher;
    QHash<QString, Use> m_uses;
    Host::Utils::Paths m_files;
};

} // namespace Lexora

Q_DECLARE_METATYPE(Lexora::TranslationCheckRunner::Outcome)
