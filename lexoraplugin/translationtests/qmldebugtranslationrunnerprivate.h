#pragma once

#include "advancedqmldebugtranslationclient.h"

#include <utils/path.h>

#include "qmldebugtranslationrunner.h"

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QTimer>

namespace Host::Preview {
class PreviewSession;
}

namespace Host::Projects {
class Project;
class RunControl;
} // namespace Host::Projects

namespace Lexora {

Q_DECLARE_LOGGING_CATEGORY(runnerClientLog)

// The state machine of a test run: each slot is one step; waits are single-shot
// timers and single-shot connections to the client's replies.
class QmlDebugTranslationRunnerPrivate : public QObject
{
    Q_OBJECT

public:
    // What one language made of a text: the text the preview showed and
    // what the service found wrong with it in that state.
    struct LanguageResult
    {
        QString text;
        bool missing = false;
        bool exceeds = false;
    };

    // One reported text occurrence and the state in which it was reported,
    // with what every tested language made of it.
    struct ResultRecord
    {
        QQmlDebugTranslation::QmlElement element;
        QString stateName;
        QMap<QString, LanguageResult> languages;
    };

    // Where the records and issues of a file that was tested to its end lie.
    struct TestedFile
    {
        Host::Utils::Path file;
        qsizetype firstRecord = 0;
        qsizetype endRecord = 0;
        qsizetype firstIssue = 0;
        qsizetype endIssue = 0;
    };

    explicit QmlDebugTranslationRunnerPrivate(QmlDebugTranslationRunner *owner);
    ~QmlDebugTranslationRunnerPrivate() override;

    // The preview's client factory. A preview started for a test run gets our
    // client, handed to the runner that started the run; any other preview gets
    // the preview's plain client.
    static Host::Preview::DebugTranslationClient *createClient(QQmlDebugConnection *connection);
    // The runner whose run is starting, or null (the test-run flag).
    static QmlDebugTranslationRunnerPrivate *testRunOwner();
    static void setTestRunOwner(QmlDebugTranslationRunnerPrivate *owner);

    // `languages`: the run's language codes, the order of each record's
    // per-language results.
    static QByteArray resultJson(const QList<ResultRecord> &results,
                                 const TranslationIssues &issues,
                                 const QStringList &languages);
    // The customId of the designer's annotation block of a component file.
    static QString sceneId(const QString &componentPath);
    static QString alignmentName(int horizontalAlignment, int verticalAlignment);

    void run(Host::Projects::Project *project);
    void clearTestRunFlag();
    // The run has the previews to itself from its start to its end.
    void releasePreviews();
    void releaseRunControl();
    // A step of the run happened: the preview is alive.
    void heardFromPreview();
    // Ends the run as failed: remembers why and stops the preview.
    void giveUp(QmlDebugTranslationRunner::Outcome outcome, const QString &reason);
    void previewMessage(const QString &message);
    void previewLoadFailed(const QString &message);
    QString failureText(const QString &reason) const;
    // The run's own preview, while it runs.
    Host::Preview::PreviewSession *ownPreview() const;
    void showFile(const Host::Utils::Path &file);
    void useLanguage(const QString &language);
    void stopPreviews();

    QmlDebugTranslationRunner *owner;
    QPointer<AdvancedQmlDebugTranslationClient> client;
    QPointer<Host::Projects::RunControl> runControl;
    QList<Host::Utils::Path> files;
    qsizetype currentFile = 0;
    QStringList languages;
    qsizetype currentLanguage = 0;
    QStringList states;
    qsizetype currentState = 0;
    QString currentStateName;
    QList<ResultRecord> results;
    // Where the records of the state being shown begin.
    qsizetype stateRecords = 0;
    // Records of the files shown in every state and language; the rest
    // belongs to the file being shown.
    qsizetype finishedRecords = 0;
    // Whether the preview reported the current file as not loadable.
    bool currentFileFailed = false;
    // Tells the waits of a file that was given up from those of the next one.
    quint64 fileSerial = 0;
    qsizetype issuesAtFileStart = 0;
    QmlDebugTranslationRunner::Outcome outcome = QmlDebugTranslationRunner::Outcome::None;
    QString failure;
    // What the preview said during the run, its error lines among it.
    QStringList previewMessages;
    QList<QmlDebugTranslationRunner::LoadFailure> loadFailures;
    QTimer silence;
    int languageCounter = 0;
    // Issues of this run tagged with the language that was asked for, and
    // where the client's list stood when the current issues were requested.
    TranslationIssues languageIssues;
    qsizetype issuesBefore = 0;
    bool holdsPreviews = false;
    bool watchTextElides = false;
    bool collectMetaData = false;
    bool exclusivePreview = true;
    QmlDebugTranslationRunner::FileSource fileSource;
    QList<TestedFile> testedFiles;

public slots:
    void startRun();
    void handleNextFile();
    void stateListReceived(const QStringList &stateList);
    void handleNextState();
    void viewStateChanged();
    void
    translatableTextOccurrencesReceived(const QList<QQmlDebugTranslation::QmlElement> &elements);
    void handleNextLanguage();
    void languageChanged();
    void translationIssuesReceived();
    void languageTextsReceived(const QList<QQmlDebugTranslation::QmlElement> &elements);
    void endRun();

private:
    void runControlStarted();
    void runControlStopped();
};

} // namespace Lexora
