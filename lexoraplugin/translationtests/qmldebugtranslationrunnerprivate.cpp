#include "qmldebugtranslationrunnerprivate.h"

#include "qmldebugtranslationrunner.h"

#include <preview/previewplugin.h>
#include <preview/previewsession.h>
#include <projects/buildtarget.h>
#include <projects/project.h>
#include <projects/runcontrol.h>

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>

#include <algorithm>

namespace Lexora {

Q_LOGGING_CATEGORY(runnerClientLog, "fgl.qmldebugtranslationrunner.client", QtDebugMsg)

using Outcome = QmlDebugTranslationRunner::Outcome;

namespace {

// A line of the preview that names a place in a QML or JavaScript file, as
// Qt's QML engine writes its errors ("file:///a/B.qml:12 message",
// "file:///a/B.qml:12:5: message").
bool isQmlErrorLine(const QString &line)
{
    static const QRegularExpression location(
        QStringLiteral("^(?:file|qrc):\\S*\\.(?:qml|js|mjs):\\d+"));
    return location.match(line).hasMatch();
}

QPointer<QmlDebugTranslationRunnerPrivate> &testRunOwnerPointer()
{
    static QPointer<QmlDebugTranslationRunnerPrivate> owner;
    return owner;
}

bool hasIssue(const TranslationIssues &issues,
              const QQmlDebugTranslation::QmlElement &element,
              bool missing)
{
    return std::any_of(issues.cbegin(), issues.cend(), [&](const TranslationIssue &issue) {
        return (issue.type == 0) == missing && issue.url == element.codeMarker.url
            && issue.line == element.codeMarker.line && issue.column == element.codeMarker.column;
    });
}

} // namespace

QmlDebugTranslationRunnerPrivate::QmlDebugTranslationRunnerPrivate(QmlDebugTranslationRunner *owner)
    : QObject(owner), owner(owner)
{
    silence.setSingleShot(true);
    silence.setInterval(std::chrono::minutes(2));
    connect(&silence, &QTimer::timeout, this, [this] {
        const int seconds
            = int(std::chrono::ceil<std::chrono::seconds>(silence.intervalAsDuration()).count());
        giveUp(Outcome::TimedOut,
               QmlDebugTranslationRunner::tr(
                   "The preview did not answer for %n second(s); the test was stopped.",
                   nullptr,
                   seconds));
    });
    AdvancedQmlDebugTranslationClient::registerTypes();
    if (Host::Preview::PreviewPlugin *preview = Host::Preview::PreviewPlugin::find())
        preview->setDebugTranslationClientFactory(&QmlDebugTranslationRunnerPrivate::createClient);
}

QmlDebugTranslationRunnerPrivate::~QmlDebugTranslationRunnerPrivate()
{
    clearTestRunFlag();
    releasePreviews();
    if (runControl) {
        runControl->disconnect(this);
        if (!runControl->isStopped())
            runControl->stop();
        // Owned by this object, so it goes with it; its destructor ends the preview.
    }
}

Host::Preview::DebugTranslationClient *
QmlDebugTranslationRunnerPrivate::createClient(QQmlDebugConnection *connection)
{
    QmlDebugTranslationRunnerPrivate *runner = testRunOwner();
    if (!runner)
        return new Host::Preview::DebugTranslationClient(connection);
    auto client = new AdvancedQmlDebugTranslationClient(connection);
    runner->client = client;
    return client;
}

QmlDebugTranslationRunnerPrivate *QmlDebugTranslationRunnerPrivate::testRunOwner()
{
    return testRunOwnerPointer();
}

void QmlDebugTranslationRunnerPrivate::setTestRunOwner(QmlDebugTranslationRunnerPrivate *owner)
{
    testRunOwnerPointer() = owner;
}

void QmlDebugTranslationRunnerPrivate::clearTestRunFlag()
{
    if (testRunOwnerPointer() == this)
        testRunOwnerPointer() = nullptr;
}

void QmlDebugTranslationRunnerPrivate::releasePreviews()
{
    if (!std::exchange(holdsPreviews, false))
        return;
    if (Host::Preview::PreviewPlugin *preview = Host::Preview::PreviewPlugin::find())
        preview->endExclusiveUse();
}

void QmlDebugTranslationRunnerPrivate::releaseRunControl()
{
    if (!runControl)
        return;
    runControl->disconnect(this);
    runControl->deleteLater();
    runControl = nullptr;
}

void QmlDebugTranslationRunnerPrivate::run(Host::Projects::Project *project)
{
    // Each run judges only what it saw itself: records of an earlier run
    // would be stored again with the findings of this one.
    results.clear();
    finishedRecords = 0;
    languageIssues.clear();
    loadFailures.clear();
    testedFiles.clear();
    previewMessages.clear();
    failure.clear();
    currentFileFailed = false;
    outcome = Outcome::Running;

    Host::Preview::PreviewPlugin *preview = Host::Preview::PreviewPlugin::find();
    if (!preview) {
        qCWarning(runnerLog) << "QmlDebugTranslationRunner was not able to set a client to the "
                                "preview.";
        outcome = Outcome::NotStarted;
        failure = QmlDebugTranslationRunner::tr("There is no live preview to run the test in.");
        return;
    }
    // Another runner may have installed the factory since; it is the same
    // function, and it hands the client to whoever holds the flag.
    preview->setDebugTranslationClientFactory(&QmlDebugTranslationRunnerPrivate::createClient);
    setTestRunOwner(this);
    // A run control left from an earlier run must not report its end as ours.
    releaseRunControl();
    // Parallel runs of the command-line tool each own a preview of their own;
    // a single run borrows the user's previews and gives them back at its end.
    if (exclusivePreview) {
        if (!std::exchange(holdsPreviews, true))
            preview->beginExclusiveUse();
        else
            preview->stopRunningPreviews();
    }

    auto control
        = new Host::Projects::RunControl(Host::Projects::Constants::qmlPreviewRunMode, this);
    connect(control,
            &Host::Projects::RunControl::appendMessage,
            this,
            &QmlDebugTranslationRunnerPrivate::previewMessage);
    Host::Projects::BuildTarget *target = project ? project->activeTarget() : nullptr;
    Host::Projects::RunProfile *profile = target ? target->activeRunProfile() : nullptr;
    if (profile)
        control->setRunProfile(profile);
    if (!profile || !control->createMainWorker()) {
        // Nothing starts, so no signal follows; nobody else would free the control.
        delete control;
        clearTestRunFlag();
        releasePreviews();
        outcome = Outcome::NotStarted;
        failure = project
            ? QmlDebugTranslationRunner::tr("The project has nothing to run the preview with.")
            : QmlDebugTranslationRunner::tr("No project is open.");
        return;
    }
    runControl = control;
    if (auto session = qobject_cast<Host::Preview::PreviewSession *>(control->mainWorker()))
        connect(session,
                &Host::Preview::PreviewSession::loadFailed,
                this,
                &QmlDebugTranslationRunnerPrivate::previewLoadFailed);
    connect(control,
            &Host::Projects::RunControl::started,
            this,
            &QmlDebugTranslationRunnerPrivate::runControlStarted);
    connect(control,
            &Host::Projects::RunControl::stopped,
            this,
            &QmlDebugTranslationRunnerPrivate::runControlStopped);
    silence.start();
    // May report the end at once, when the preview cannot even start.
    control->start();
}

void QmlDebugTranslationRunnerPrivate::heardFromPreview()
{
    if (outcome == Outcome::Running)
        silence.start();
}

void QmlDebugTranslationRunnerPrivate::giveUp(Outcome why, const QString &reason)
{
    if (outcome != Outcome::Running)
        return;
    outcome = why;
    failure = failureText(reason);
    silence.stop();
    if (runControl && !runControl->isStopped()) {
        // Its end reports the stop.
        runControl->stop();
        return;
    }
    releaseRunControl();
    emit owner->stopped();
    clearTestRunFlag();
    releasePreviews();
}

void QmlDebugTranslationRunnerPrivate::previewMessage(const QString &message)
{
    qCDebug(runnerClientLog).noquote() << message;
    for (const QString &line : message.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        previewMessages.append(line.trimmed());
}

void QmlDebugTranslationRunnerPrivate::previewLoadFailed(const QString &message)
{
    heardFromPreview();
    if (outcome != Outcome::Running || currentFile < 1 || currentFile > files.size())
        return;
    const Host::Utils::Path file = files.at(currentFile - 1);
    if (loadFailures.isEmpty() || loadFailures.last().file != file)
        loadFailures.append({ file, {} });
    for (const QString &line : message.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        loadFailures.last().messages.append(line.trimmed());
    if (currentFileFailed)
        return;
    // The service would answer for whatever it showed before: the file is
    // given up and nothing of it is kept.
    qCDebug(runnerLog) << "Could not load" << file.toString();
    currentFileFailed = true;
    if (client)
        client->disconnect(this);
    // The rest of the error may still be on its way; it belongs to this file.
    const quint64 serial = fileSerial;
    QTimer::singleShot(200, this, [this, serial] {
        if (serial == fileSerial && outcome == Outcome::Running)
            handleNextFile();
    });
}

QString QmlDebugTranslationRunnerPrivate::failureText(const QString &reason) const
{
    QStringList said;
    for (const QString &line : previewMessages) {
        if (isQmlErrorLine(line))
            said.append(line);
    }
    // Without a QML error, the last words of the preview tell most.
    if (said.isEmpty())
        said = previewMessages.mid(std::max<qsizetype>(0, previewMessages.size() - 3));
    return said.isEmpty() ? reason : reason + QLatin1Char('\n') + said.join(QLatin1Char('\n'));
}

Host::Preview::PreviewSession *QmlDebugTranslationRunnerPrivate::ownPreview() const
{
    return runControl ? qobject_cast<Host::Preview::PreviewSession *>(runControl->mainWorker())
                      : nullptr;
}

void QmlDebugTranslationRunnerPrivate::showFile(const Host::Utils::Path &file)
{
    if (!exclusivePreview) {
        if (Host::Preview::PreviewSession *session = ownPreview())
            session->setPreviewedFile(file);
    } else if (Host::Preview::PreviewPlugin *preview = Host::Preview::PreviewPlugin::find()) {
        preview->setPreviewedFile(file);
    }
}

void QmlDebugTranslationRunnerPrivate::useLanguage(const QString &language)
{
    if (!exclusivePreview) {
        if (Host::Preview::PreviewSession *session = ownPreview())
            session->setLocale(language);
    } else if (Host::Preview::PreviewPlugin *preview = Host::Preview::PreviewPlugin::find()) {
        preview->setLocale(language);
    }
}

void QmlDebugTranslationRunnerPrivate::stopPreviews()
{
    if (!exclusivePreview) {
        if (runControl && !runControl->isStopped())
            runControl->stop();
    } else if (Host::Preview::PreviewPlugin *preview = Host::Preview::PreviewPlugin::find()) {
        preview->stopRunningPreviews();
    }
}

void QmlDebugTranslationRunnerPrivate::runControlStarted()
{
    heardFromPreview();
    QObject *context = client ? static_cast<QObject *>(client.data()) : this;
    QTimer::singleShot(1000, context, [this] {
        if (watchTextElides && client)
            client->sendWatchTextElidesRequest();
        startRun();
    });
    clearTestRunFlag();
}

void QmlDebugTranslationRunnerPrivate::runControlStopped()
{
    silence.stop();
    releaseRunControl();
    if (outcome == Outcome::Running) {
        outcome = Outcome::Stopped;
        failure = failureText(QmlDebugTranslationRunner::tr(
            "The preview stopped before the translation test ended."));
    }
    emit owner->stopped();
    clearTestRunFlag();
    releasePreviews();
}

void QmlDebugTranslationRunnerPrivate::startRun()
{
    qCDebug(runnerLog) << "startRun";
    QString failure;
    if (!client)
        failure = QStringLiteral("No AdvancedQmlDebugTranslationClient initialized.");
    if (!runControl)
        failure = QStringLiteral("No currentRunControl initialized.");
    if (!runControl || !runControl->isRunning())
        failure = QStringLiteral("The currentRunControl is not running.");
    if (!failure.isEmpty()) {
        qCWarning(runnerLog).noquote() << failure;
        giveUp(Outcome::Stopped,
               QmlDebugTranslationRunner::tr(
                   "The preview stopped before the translation test ended."));
        return;
    }
    currentFile = 0;
    languageIssues.clear();
    handleNextFile();
}

void QmlDebugTranslationRunnerPrivate::handleNextFile()
{
    qCDebug(runnerLog) << "handleNextFile";
    heardFromPreview();
    ++fileSerial;
    const bool fileEnded = currentFile > 0 && currentFile <= files.size();
    if (currentFileFailed) {
        results.resize(finishedRecords);
        languageIssues.resize(issuesAtFileStart);
        currentFileFailed = false;
    } else if (fileEnded) {
        testedFiles.append({ files.at(currentFile - 1),
                             finishedRecords,
                             results.size(),
                             issuesAtFileStart,
                             languageIssues.size() });
    }
    finishedRecords = results.size();
    issuesAtFileStart = languageIssues.size();
    if (fileEnded)
        emit owner->fileDone(files.at(currentFile - 1));
    if (!client) {
        // The preview went away; its end reports the stop.
        return;
    }
    if (currentFile >= files.size() && fileSource) {
        if (const std::optional<Host::Utils::Path> next = fileSource())
            files.append(*next);
    }
    if (currentFile >= files.size()) {
        endRun();
        return;
    }
    disconnect(client.data(), &AdvancedQmlDebugTranslationClient::languageChanged, this, nullptr);

    const Host::Utils::Path file = files.at(currentFile);
    qCDebug(runnerLog) << "Changing file to" << file.toString();
    showFile(file);
    ++currentFile;

    states.clear();
    qCDebug(runnerLog) << "Getting the state list";
    connect(client.data(),
            &AdvancedQmlDebugTranslationClient::stateListReceived,
            this,
            &QmlDebugTranslationRunnerPrivate::stateListReceived,
            Qt::SingleShotConnection);
    QTimer::singleShot(500, client.data(), [this, serial = fileSerial] {
        if (serial != fileSerial)
            return;
        emit owner->progressed();
        qCDebug(runnerLog) << "getStateList";
        client->sendStateListRequest();
    });
}

void QmlDebugTranslationRunnerPrivate::stateListReceived(const QStringList &stateList)
{
    qCDebug(runnerLog) << "stateListReceived";
    heardFromPreview();
    states = stateList;
    languageCounter = 0;
    states.prepend(QString());
    qCDebug(runnerLog) << "New states:" << states;
    currentState = 0;
    handleNextState();
}

void QmlDebugTranslationRunnerPrivate::handleNextState()
{
    qCDebug(runnerLog) << "handleNextState";
    currentLanguage = 0;
    if (currentState >= states.size()) {
        handleNextFile();
        return;
    }
    const QString name = states.at(currentState);
    ++currentState;
    qCDebug(runnerLog) << "Changing state to" << name;
    currentStateName = name;
    // The base state is never asked for (the service knows no state without
    // a name), so only a named state waits for the change; a wait left pending
    // from the base state would request the next state's occurrences twice.
    if (name.isEmpty() || !client) {
        viewStateChanged();
        return;
    }
    connect(client.data(),
            &AdvancedQmlDebugTranslationClient::viewStateChanged,
            this,
            &QmlDebugTranslationRunnerPrivate::viewStateChanged,
            Qt::SingleShotConnection);
    client->sendChangeStateRequest(name);
}

void QmlDebugTranslationRunnerPrivate::viewStateChanged()
{
    qCDebug(runnerLog) << "viewStateChanged";
    heardFromPreview();
    if (!client)
        return;
    connect(client.data(),
            &AdvancedQmlDebugTranslationClient::translatableTextOccurrencesReceived,
            this,
            &QmlDebugTranslationRunnerPrivate::translatableTextOccurrencesReceived,
            Qt::SingleShotConnection);
    client->sendTranslatableTextOccurrencesRequest();
}

void QmlDebugTranslationRunnerPrivate::translatableTextOccurrencesReceived(
    const QList<QQmlDebugTranslation::QmlElement> &elements)
{
    heardFromPreview();
    stateRecords = results.size();
    for (const QQmlDebugTranslation::QmlElement &element : elements)
        results.append({ element, currentStateName, {} });
    handleNextLanguage();
}

void QmlDebugTranslationRunnerPrivate::handleNextLanguage()
{
    qCDebug(runnerLog) << "handleNextLanguage";
    if (currentLanguage >= languages.size()) {
        handleNextState();
        return;
    }
    const QString language = languages.at(currentLanguage);
    ++currentLanguage;
    qCDebug(runnerLog) << "Changing language to" << language;
    useLanguage(language);
    QTimer::singleShot(200, this, [this, serial = fileSerial] {
        if (serial == fileSerial && !currentFileFailed)
            languageChanged();
    });
}

void QmlDebugTranslationRunnerPrivate::languageChanged()
{
    // A stopped preview ends the run here; stopped() has been emitted already.
    if (outcome != Outcome::Running || !runControl || !runControl->isRunning() || !client)
        return;
    qCDebug(runnerLog) << "languageChanged";
    ++languageCounter;
    if (languageCounter % states.size() == 0)
        emit owner->progressed();
    connect(client.data(),
            &AdvancedQmlDebugTranslationClient::translationIssuesReceived,
            this,
            &QmlDebugTranslationRunnerPrivate::translationIssuesReceived,
            Qt::SingleShotConnection);
    issuesBefore = client->issues().size();
    client->sendTranslationIssuesRequest();
}

void QmlDebugTranslationRunnerPrivate::translationIssuesReceived()
{
    qCDebug(runnerLog) << "translationIssuesReceived";
    heardFromPreview();
    if (!client || currentLanguage < 1) {
        handleNextLanguage();
        return;
    }
    const QString language = languages.at(currentLanguage - 1);
    for (TranslationIssue issue : client->issues().mid(issuesBefore)) {
        issue.language = language;
        issue.state = currentStateName;
        languageIssues.append(issue);
        // The reply holds what this language shows in this state, so each
        // record knows its findings per language and state.
        for (qsizetype i = stateRecords; i < results.size(); ++i) {
            const QQmlDebugTranslation::CodeMarker &marker = results.at(i).element.codeMarker;
            if (marker.url != issue.url || marker.line != issue.line
                || marker.column != issue.column)
                continue;
            LanguageResult &found = results[i].languages[language];
            (issue.type == 0 ? found.missing : found.exceeds) = true;
        }
    }
    // The texts as this language shows them: what a person reads beside a finding.
    connect(client.data(),
            &AdvancedQmlDebugTranslationClient::translatableTextOccurrencesReceived,
            this,
            &QmlDebugTranslationRunnerPrivate::languageTextsReceived,
            Qt::SingleShotConnection);
    client->sendTranslatableTextOccurrencesRequest();
}

void QmlDebugTranslationRunnerPrivate::languageTextsReceived(
    const QList<QQmlDebugTranslation::QmlElement> &elements)
{
    heardFromPreview();
    const QString language = languages.at(currentLanguage - 1);
    for (qsizetype i = stateRecords; i < results.size(); ++i) {
        ResultRecord &record = results[i];
        for (const QQmlDebugTranslation::QmlElement &element : elements) {
            if (element.codeMarker == record.element.codeMarker
                && element.propertyName == record.element.propertyName) {
                record.languages[language].text = element.translatedText;
                break;
            }
        }
        // Tested in this language even when it found nothing.
        record.languages[language];
    }
    handleNextLanguage();
}

void QmlDebugTranslationRunnerPrivate::endRun()
{
    qCDebug(runnerLog) << "endRun";
    silence.stop();
    outcome = Outcome::Completed;
    owner->m_resultJson
        = resultJson(results, client ? client->issues() : TranslationIssues(), languages);
    owner->m_languageIssues = languageIssues;
    stopPreviews();
}

QString QmlDebugTranslationRunnerPrivate::sceneId(const QString &componentPath)
{
    QFile file(componentPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qCWarning(runnerLog) << "Could not get customId from" << componentPath;
        return {};
    }
    static const QRegularExpression annotation(QStringLiteral("##\\^##[^*]*")
                                               + QStringLiteral("customId:\"(.*?)\"")
                                               + QStringLiteral("[^*]*##\\^##"));
    return annotation.match(QString::fromUtf8(file.readAll())).captured(1);
}

QString QmlDebugTranslationRunnerPrivate::alignmentName(int horizontalAlignment,
                                                        int verticalAlignment)
{
    QString name;
    switch (verticalAlignment) {
    case Qt::AlignTop:
        name = QStringLiteral("Top");
        break;
    case Qt::AlignBottom:
        name = QStringLiteral("Bottom");
        break;
    case Qt::AlignVCenter:
        name = QStringLiteral("VCenter");
        break;
    case Qt::AlignBaseline:
        name = QStringLiteral("Baseline");
        break;
    default:
        break;
    }
    switch (horizontalAlignment) {
    case Qt::AlignLeft:
        name += QStringLiteral(" Left");
        break;
    case Qt::AlignRight:
        name += QStringLiteral(" Right");
        break;
    case Qt::AlignHCenter:
        name += QStringLiteral(" HCenter");
        break;
    case Qt::AlignJustify:
        name += QStringLiteral(" Justify");
        break;
    default:
        break;
    }
    return name.simplified();
}

QByteArray QmlDebugTranslationRunnerPrivate::resultJson(const QList<ResultRecord> &results,
                                                        const TranslationIssues &issues,
                                                        const QStringList &languages)
{
    QJsonArray array;
    QSet<QByteArray> seen;
    QHash<QString, QString> sceneIds;
    for (const ResultRecord &record : results) {
        const QQmlDebugTranslation::QmlElement &element = record.element;
        const QString componentPath = element.codeMarker.url.toLocalFile();
        auto sceneIdEntry = sceneIds.find(componentPath);
        if (sceneIdEntry == sceneIds.end())
            sceneIdEntry = sceneIds.insert(componentPath, sceneId(componentPath));

        const bool exceeds = hasIssue(issues, element, false);
        const bool missing = hasIssue(issues, element, true);
        QJsonObject metaData {
            { QStringLiteral("Font"), element.fontFamily },
            { QStringLiteral("Style"), element.fontStyleName },
            { QStringLiteral("Size"), element.fontPointSize },
            { QStringLiteral("Pixel"), element.fontPixelSize },
            { QStringLiteral("Alignment"),
              alignmentName(element.horizontalAlignment, element.verticalAlignment) },
            { QStringLiteral("Exceeds"), exceeds },
            { QStringLiteral("Missing"), missing },
            { QStringLiteral("sourceLocation"),
              QJsonObject { { QStringLiteral("line"), element.codeMarker.line },
                            { QStringLiteral("column"), element.codeMarker.column } } },
        };
        if (exceeds)
            metaData.insert(QStringLiteral("Line"), QStringLiteral("Exceeds"));
        else if (missing)
            metaData.insert(QStringLiteral("Line"), QStringLiteral("Missing translation"));

        QJsonObject object { { QStringLiteral("translationId"), element.translationId },
                             { QStringLiteral("componentPath"), componentPath },
                             { QStringLiteral("sceneId"), *sceneIdEntry },
                             { QStringLiteral("state"), record.stateName },
                             { QStringLiteral("metaData"), QJsonArray { metaData } } };
        // "Missing" and "Exceeds" above hold for some language; a person
        // fixing a text needs to know which one, and what it showed there.
        QJsonArray perLanguage;
        for (const QString &language : languages) {
            const auto found = record.languages.constFind(language);
            if (found == record.languages.cend())
                continue;
            perLanguage.append(QJsonObject { { QStringLiteral("language"), language },
                                             { QStringLiteral("text"), found->text },
                                             { QStringLiteral("Missing"), found->missing },
                                             { QStringLiteral("Exceeds"), found->exceeds } });
        }
        if (!perLanguage.isEmpty())
            object.insert(QStringLiteral("languages"), perLanguage);
        const QByteArray text = QJsonDocument(object).toJson(QJsonDocument::Compact);
        if (seen.contains(text))
            continue;
        seen.insert(text);
        array.append(object);
    }
    const QByteArray json = QJsonDocument(array).toJson(QJsonDocument::Compact);
    qDebug().noquote() << json;
    return json;
}

} // namespace Lexora
