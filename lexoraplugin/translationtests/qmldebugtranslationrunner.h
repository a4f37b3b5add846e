#pragma once

#include "advancedqmldebugtranslationclient.h"

#include <utils/path.h>

#include <QObject>

#include <chrono>
#include <functional>
#include <optional>

namespace Host::Projects {
class Project;
}

namespace Lexora {

class QmlDebugTranslationRunnerPrivate;

// Runs a translation test of QML files in the live preview: every file, every
// state of its root item and every language; collects missing translations
// and elided texts and builds the result JSON from them.
class QmlDebugTranslationRunner : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        // No run has been started yet.
        None,
        Running,
        Completed,
        // The preview stopped before the run ended (it crashed, could not
        // start or was stopped).
        Stopped,
        // The preview did not answer within the silence limit and was stopped.
        TimedOut,
        // No preview could be started: no preview plugin, project or run profile.
        NotStarted,
    };

    // A tested file the preview could not show, with what the preview said.
    struct LoadFailure
    {
        Host::Utils::Path file;
        QStringList messages;
    };

    explicit QmlDebugTranslationRunner(QObject *parent = nullptr);
    ~QmlDebugTranslationRunner() override;

    void setFiles(const QList<Host::Utils::Path> &files);
    // Language codes; the preview takes them as locale names.
    void setLanguages(const QList<QString> &languages);
    void setWatchTextElides(bool watch);
    void setCollectMetaData(bool collect);
    // How long the preview may stay silent before the run is given up (the
    // protocol itself has no timeouts). Default: two minutes.
    void setSilenceLimit(std::chrono::milliseconds limit);
    // An exclusive runner (the default) stops every running preview before and
    // after its run and steers the previews through the preview plugin, as the
    // studio's single test preview expects. A runner that is not exclusive
    // starts, steers and stops only its own preview, so that several runners
    // can test side by side.
    void setExclusivePreview(bool exclusive);
    // Asked for the next file whenever the files set with setFiles() are
    // done; the run ends when it returns none. Lets runners share one queue.
    using FileSource = std::function<std::optional<Host::Utils::Path>()>;
    void setFileSource(const FileSource &source);

    void run(Host::Projects::Project *project);
    // The result of the last run that ran to its end; empty before.
    QByteArray getResultJson() const;
    Outcome outcome() const;
    // Why the last run did not complete, in words, with the preview's own
    // error lines; empty for a completed run.
    QString failure() const;
    // The files of the last run the preview could not show. A completed run
    // went on with the other files; nothing of these files is in the result.
    QList<LoadFailure> loadFailures() const;
    // What the last run found before it ended, completed or not; only
    // records of files that were shown in every state and language.
    QByteArray partialResultJson() const;
    // Qt names a place as a URL ("file:///p/A.qml:3 message", "file:///p/A.qml:3:5:
    // message"); a person reads "A.qml:3: message", the path relative to
    // `baseDirectory` when given. Other lines are returned as they are.
    static QString readableError(const QString &line, const QString &baseDirectory = {});
    // For a person: why the last run did not complete, or which files it
    // could not show and why; empty when there is nothing to tell.
    QString problems() const;
    // The issues of the last run that ended, each with the language code of
    // the run that was active when it was reported (the service reports the
    // locale's whole list of UI languages instead).
    QList<TranslationIssue> languageIssues() const;

signals:
    // The run's preview stopped, whether the run was complete or not.
    void stopped();
    void progressed();
    // A file was tested in every state and language, or given up because the
    // preview could not show it.
    void fileDone(const Host::Utils::Path &file);

private:
    friend class QmlDebugTranslationRunnerPrivate;
    friend class HeadlessTranslationTest;

    // A child object, so that it and its run control can be found in the tree.
    QmlDebugTranslationRunnerPrivate *d;
    QByteArray m_resultJson;
    QList<TranslationIssue> m_languageIssues;
};

} // namespace Lexora
