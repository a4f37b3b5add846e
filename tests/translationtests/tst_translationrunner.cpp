// The test runner against Qt's own debug translation service in a real,
// headless preview process.

#include "previewtestproject.h"

#include "databaseio/projectdatabase.h"
#include "translationtests/qmldebugtranslationrunner.h"
#include "translationtests/qmldebugtranslationrunnerprivate.h"
#include "translationtests/translationtestresults.h"

#include <preview/previewcontroller.h>
#include <preview/previewplugin.h>
#include <preview/previewsession.h>
#include <projects/buildtarget.h>
#include <projects/runcontrol.h>
#include <qmlproject/designproject.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

#include <sys/types.h>

using namespace Lexora;

namespace {

QStringList runnerLogLines;
QtMessageHandler previousHandler = nullptr;

void recordRunnerLog(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (qstrcmp(context.category, "fgl.qmldebugtranslationrunner") == 0 && type == QtDebugMsg)
        runnerLogLines.append(message);
    else if (previousHandler)
        previousHandler(type, context, message);
}

QJsonObject
findRecord(const QJsonArray &records, const QString &translationId, const QString &state)
{
    for (const QJsonValue &value : records) {
        const QJsonObject record = value.toObject();
        if (record.value(QLatin1String("translationId")).toString() == translationId
            && record.value(QLatin1String("state")).toString() == state)
            return record;
    }
    return {};
}

} // namespace

class tst_TranslationRunner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void resultRecords_data();
    void resultRecords();
    void progressCount();
    void oneOccurrencesRequestPerState();
    void storedScreenMetaData_data();
    void storedScreenMetaData();
    void reportGroupsPerComponent();

    void killedPreviewKeepsPreviousResult();
    void secondRunKeepsOnlyItsFiles();
    void screenThatDoesNotLoad_data();
    void screenThatDoesNotLoad();
    void noPreviewProgram();
    void translatedProjectHasNoFindings();
    void runWithoutRunProfileStartsNothing();
    void userPreviewFollowsTestAndGeneration();
    void noPreviewPlugin();

private:
    std::unique_ptr<PreviewHost> m_host;
    std::unique_ptr<PreviewTestProject> m_project;
    std::unique_ptr<QmlDebugTranslationRunner> m_runner;
    QByteArray m_result;
    int m_progressed = 0;
    qint64 m_elapsed = 0;
};

void tst_TranslationRunner::initTestCase()
{
    LEXORA_REQUIRE_PREVIEW();
    // The run's steps are counted from the runner's own log, whatever the
    // environment's logging rules say.
    const_cast<QLoggingCategory &>(runnerLog()).setEnabled(QtDebugMsg, true);
    previousHandler = qInstallMessageHandler(recordRunnerLog);

    m_host = std::make_unique<PreviewHost>();
    m_project = std::make_unique<PreviewTestProject>();
    QString error;
    QVERIFY2(m_project->create(&error), qPrintable(error));

    m_runner = std::make_unique<QmlDebugTranslationRunner>();
    m_runner->setFiles({ Host::Utils::Path::fromString(m_project->welcomeFile()),
                         Host::Utils::Path::fromString(m_project->settingsFile()) });
    m_runner->setLanguages(m_project->languages());
    m_runner->setWatchTextElides(true);
    QSignalSpy stopped(m_runner.get(), &QmlDebugTranslationRunner::stopped);
    QSignalSpy progressed(m_runner.get(), &QmlDebugTranslationRunner::progressed);

    QElapsedTimer timer;
    timer.start();
    m_runner->run(m_project->project());
    QVERIFY2(stopped.wait(60000), "the run did not end");
    m_elapsed = timer.elapsed();
    qInfo("A run over 2 files and 2 languages took %lld ms", m_elapsed);
    m_progressed = int(progressed.count());
    m_result = m_runner->getResultJson();
    QVERIFY(m_host->preview()->runningPreviews().isEmpty());
}

void tst_TranslationRunner::cleanupTestCase()
{
    if (previousHandler)
        qInstallMessageHandler(previousHandler);
    m_runner.reset();
    m_project.reset();
    m_host.reset();
}

void tst_TranslationRunner::resultRecords_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("translationId");
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("missing");
    QTest::addColumn<bool>("exceeds");
    QTest::addColumn<QString>("lineText");
    QTest::addColumn<QString>("sceneId");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("alignment");
    // "language:finding:text" per tested language, finding M, E or -
    QTest::addColumn<QStringList>("languages");

    const QString welcome = QStringLiteral("Welcome.ui.qml");
    const QString settings = QStringLiteral("Settings.ui.qml");
    const QString noLine; // "Line" is absent without a finding
    // The German title is elided, the French one fits; an untranslated text
    // shows its ID.
    const QStringList title { "de:E:Herzlich willkommen in unserer Anwendung", "fr:-:Salut" };
    const QStringList hint { "de:M:welcome_hint", "fr:M:welcome_hint" };
    const QStringList settingsTitle { "de:-:Einstellungen", "fr:-:Réglages" };
    QTest::newRow("elided title, base state") << welcome << "welcome_title"
                                              << "" << false << true << "Exceeds"
                                              << "welcome-screen" << 14 << "Top Left" << title;
    QTest::newRow("elided title, dark") << welcome << "welcome_title"
                                        << "dark" << false << true << "Exceeds"
                                        << "welcome-screen" << 14 << "Top Left" << title;
    QTest::newRow("untranslated hint, base state") << welcome << "welcome_hint"
                                                   << "" << true << false << "Missing translation"
                                                   << "welcome-screen" << 21 << "Top Left" << hint;
    QTest::newRow("untranslated hint, dark") << welcome << "welcome_hint"
                                             << "dark" << true << false << "Missing translation"
                                             << "welcome-screen" << 21 << "Top Left" << hint;
    QTest::newRow("translated title, base state")
        << settings << "settings_title"
        << "" << false << false << noLine << "" << 7 << "Top Left" << settingsTitle;
    QTest::newRow("translated title, compact")
        << settings << "settings_title"
        << "compact" << false << false << noLine << "" << 7 << "Top Left" << settingsTitle;
}

void tst_TranslationRunner::resultRecords()
{
    QFETCH(QString, file);
    QFETCH(QString, translationId);
    QFETCH(QString, state);
    QFETCH(bool, missing);
    QFETCH(bool, exceeds);
    QFETCH(QString, lineText);
    QFETCH(QString, sceneId);
    QFETCH(int, line);
    QFETCH(QString, alignment);
    QFETCH(QStringList, languages);

    const QJsonArray records = QJsonDocument::fromJson(m_result).array();
    // Three texts in two states each, every one reported once.
    QCOMPARE(records.size(), 6);
    const QJsonObject record = findRecord(records, translationId, state);
    QVERIFY2(!record.isEmpty(), m_result.constData());
    QCOMPARE(record.value(QLatin1String("componentPath")).toString(), m_project->filePath(file));
    QCOMPARE(record.value(QLatin1String("sceneId")).toString(), sceneId);
    const QJsonObject metaData = record.value(QLatin1String("metaData")).toArray().at(0).toObject();
    QCOMPARE(metaData.value(QLatin1String("Missing")).toBool(), missing);
    QCOMPARE(metaData.value(QLatin1String("Exceeds")).toBool(), exceeds);
    QCOMPARE(metaData.contains(QLatin1String("Line")), !lineText.isEmpty());
    QCOMPARE(metaData.value(QLatin1String("Line")).toString(), lineText);
    QCOMPARE(metaData.value(QLatin1String("sourceLocation"))
                 .toObject()
                 .value(QLatin1String("line"))
                 .toInt(),
             line);
    QVERIFY(metaData.value(QLatin1String("sourceLocation"))
                .toObject()
                .value(QLatin1String("column"))
                .toInt()
            > 0);
    QVERIFY(!metaData.value(QLatin1String("Font")).toString().isEmpty());
    QCOMPARE(metaData.value(QLatin1String("Alignment")).toString(), alignment);

    QStringList actualLanguages;
    for (const QJsonValue &value : record.value(QLatin1String("languages")).toArray()) {
        const QJsonObject language = value.toObject();
        const QString finding = language.value(QLatin1String("Missing")).toBool() ? "M"
            : language.value(QLatin1String("Exceeds")).toBool()                   ? "E"
                                                                                  : "-";
        actualLanguages.append(language.value(QLatin1String("language")).toString() + ':' + finding
                               + ':' + language.value(QLatin1String("text")).toString());
    }
    QCOMPARE(actualLanguages, languages);
}

void tst_TranslationRunner::progressCount()
{
    // (languages + 1) x files
    QCOMPARE(m_progressed, (2 + 1) * 2);
}

void tst_TranslationRunner::oneOccurrencesRequestPerState()
{
    // Two files with two states each: four requests, four replies; then the
    // texts as each of the two languages shows them.
    QCOMPARE(runnerLogLines.count(QStringLiteral("viewStateChanged")), 4);
    QCOMPARE(runnerLogLines.count(QStringLiteral("Reply::TranslatableTextOccurrences")), 4 + 8);
    QCOMPARE(runnerLogLines.count(QStringLiteral("Reply::TranslationIssues")), 8);
}

void tst_TranslationRunner::storedScreenMetaData_data()
{
    QTest::addColumn<QString>("translationId");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("states");
    QTest::addColumn<QString>("sceneId");

    QTest::newRow("elided title") << "welcome_title"
                                  << "Welcome.ui.qml" << QStringList { "", "dark" }
                                  << "welcome-screen";
    QTest::newRow("untranslated hint")
        << "welcome_hint"
        << "Welcome.ui.qml" << QStringList { "", "dark" } << "welcome-screen";
    QTest::newRow("translated title") << "settings_title"
                                      << "Settings.ui.qml" << QStringList { "", "compact" } << "";
}

void tst_TranslationRunner::storedScreenMetaData()
{
    QFETCH(QString, translationId);
    QFETCH(QString, file);
    QFETCH(QStringList, states);
    QFETCH(QString, sceneId);

    DatabaseIo &database = m_project->database()->databaseIo();
    TranslationTestResults::storeScreenMetaData(&database, m_result);

    const TranslatableEntries entries
        = database.fetchFullTranslatableEntries({ translationId.toStdString() });
    QCOMPARE(entries.size(), std::size_t(1));
    QStringList storedStates;
    for (const ScreenMetaDataEntry &entry : entries.front().screenMetaData) {
        QCOMPARE(QString::fromStdString(entry.componentPath), m_project->filePath(file));
        QCOMPARE(QString::fromStdString(entry.sceneId), sceneId);
        storedStates.append(QString::fromStdString(entry.state));
    }
    storedStates.sort();
    QCOMPARE(storedStates, states);
}

void tst_TranslationRunner::reportGroupsPerComponent()
{
    DatabaseIo &database = m_project->database()->databaseIo();
    TranslationTestResults::storeScreenMetaData(&database, m_result);
    // The elided title is the one elide of the welcome screen, on both states.
    const TextElides elides = database.fetchTextElides(m_project->welcomeFile().toStdString());
    int exceeding = 0;
    for (const TextElide &elide : elides)
        exceeding += elide.exceeds && elide.line == 14 ? 1 : 0;
    QVERIFY2(exceeding >= 1, "the elided title is not stored as exceeding");
    for (const TextElide &elide : elides)
        QVERIFY2(!elide.exceeds || elide.line == 14, "a text that fits is stored as exceeding");

    const QString reportPath
        = m_project->filePath(QStringLiteral("translation_report_project.json"));
    QVERIFY(TranslationTestResults::writeReport(reportPath, m_result));
    QFile file(reportPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonArray components = QJsonDocument::fromJson(file.readAll())
                                      .object()
                                      .value(QLatin1String("components"))
                                      .toArray();
    QCOMPARE(components.size(), 2);
    const QJsonObject welcome = components.at(0).toObject();
    QCOMPARE(welcome.value(QLatin1String("componentPath")).toString(), m_project->welcomeFile());
    QStringList errors;
    for (const QJsonValue &error : welcome.value(QLatin1String("errors")).toArray()) {
        const QJsonObject object = error.toObject();
        errors.append(QStringLiteral("%1@%2 %3/%4 %5 \"%6\"")
                          .arg(object.value(QLatin1String("errorType")).toString())
                          .arg(object.value(QLatin1String("line")).toInt())
                          .arg(object.value(QLatin1String("language")).toString(),
                               object.value(QLatin1String("state")).toString(),
                               object.value(QLatin1String("translationId")).toString(),
                               object.value(QLatin1String("text")).toString()));
    }
    // One error per language that has the finding, saying what it showed.
    const QStringList perState { "Exceeds@14 de/ welcome_title \"Herzlich willkommen in unserer "
                                 "Anwendung\"",
                                 "Missing translation@21 de/ welcome_hint \"welcome_hint\"",
                                 "Missing translation@21 fr/ welcome_hint \"welcome_hint\"" };
    QStringList dark = perState;
    dark.replaceInStrings(QStringLiteral("/ "), QStringLiteral("/dark "));
    QCOMPARE(errors, perState + dark);
    const QJsonObject settings = components.at(1).toObject();
    QCOMPARE(settings.value(QLatin1String("componentPath")).toString(), m_project->settingsFile());
    QVERIFY(settings.value(QLatin1String("errors")).toArray().isEmpty());
}

void tst_TranslationRunner::killedPreviewKeepsPreviousResult()
{
    QSignalSpy stopped(m_runner.get(), &QmlDebugTranslationRunner::stopped);
    QSignalSpy progressed(m_runner.get(), &QmlDebugTranslationRunner::progressed);
    m_runner->run(m_project->project());
    // Three steps per file: the fourth comes once the second file is shown.
    QTRY_VERIFY_WITH_TIMEOUT(progressed.count() >= 4, 30000);
    const QList<Host::Preview::PreviewSession *> previews = m_host->preview()->runningPreviews();
    QCOMPARE(previews.size(), 1);
    QVERIFY(previews.first()->processId() > 0);
    QCOMPARE(::kill(pid_t(previews.first()->processId()), SIGKILL), 0);

    QVERIFY(stopped.wait(30000));
    QCOMPARE(stopped.count(), 1);
    // Give a language step that was waiting the time to run into the stopped run.
    QTest::qWait(400);
    QCOMPARE(stopped.count(), 1);
    QCOMPARE(m_runner->getResultJson(), m_result);
    QVERIFY(m_host->preview()->runningPreviews().isEmpty());
    QCOMPARE(m_runner->outcome(), QmlDebugTranslationRunner::Outcome::Stopped);
    QVERIFY2(m_runner->problems().contains("stopped before the translation test ended"),
             qPrintable(m_runner->problems()));
    // What the finished first file showed is there to be told, not stored.
    QStringList found;
    for (const TranslationTestResults::Finding &finding :
         TranslationTestResults::findings(m_runner->partialResultJson()))
        found.append(QFileInfo(finding.componentPath).fileName() + ':' + finding.translationId);
    found.removeDuplicates();
    found.sort();
    QCOMPARE(found, QStringList({ "Welcome.ui.qml:welcome_hint", "Welcome.ui.qml:welcome_title" }));
}

void tst_TranslationRunner::secondRunKeepsOnlyItsFiles()
{
    // The user unticks the welcome screen and runs again: its findings of the
    // first run must not come back judged as clean.
    m_runner->setFiles({ Host::Utils::Path::fromString(m_project->settingsFile()) });
    QSignalSpy stopped(m_runner.get(), &QmlDebugTranslationRunner::stopped);
    m_runner->run(m_project->project());
    QVERIFY(stopped.wait(60000));
    QCOMPARE(m_runner->outcome(), QmlDebugTranslationRunner::Outcome::Completed);
    const QJsonArray records = QJsonDocument::fromJson(m_runner->getResultJson()).array();
    QCOMPARE(records.size(), 2);
    for (const QJsonValue &record : records)
        QCOMPARE(record["componentPath"].toString(), m_project->settingsFile());
}

void tst_TranslationRunner::screenThatDoesNotLoad_data()
{
    QTest::addColumn<QByteArray>("screen");
    QTest::addColumn<QString>("error");

    QTest::newRow("missing module") << QByteArray("import QtQuick\nimport Foo.Bar 1.0\nItem {}\n")
                                    << "Broken.ui.qml:2: module \"Foo.Bar\" is not installed";
    QTest::newRow("mistyped property")
        << QByteArray("import QtQuick\nItem {\n    colour: \"red\"\n}\n")
        << "Broken.ui.qml:3: Cannot assign to non-existent property \"colour\"";
    QTest::newRow("unknown type") << QByteArray("import QtQuick\nItem {\n    Txet {}\n}\n")
                                  << "Broken.ui.qml:3: Txet is not a type";
}

void tst_TranslationRunner::screenThatDoesNotLoad()
{
    QFETCH(QByteArray, screen);
    QFETCH(QString, error);

    const QString broken = m_project->filePath(QStringLiteral("Broken.ui.qml"));
    const auto removeBroken = qScopeGuard([&] { QFile::remove(broken); });
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(screen);
    file.close();

    // The broken screen comes first: the preview must survive it, and the
    // next screen must not be judged by what the broken one left on show.
    QmlDebugTranslationRunner runner;
    runner.setFiles({ Host::Utils::Path::fromString(broken),
                      Host::Utils::Path::fromString(m_project->settingsFile()) });
    runner.setLanguages(m_project->languages());
    QSignalSpy stopped(&runner, &QmlDebugTranslationRunner::stopped);
    runner.run(m_project->project());
    QVERIFY(stopped.wait(60000));
    QCOMPARE(runner.outcome(), QmlDebugTranslationRunner::Outcome::Completed);
    QCOMPARE(runner.loadFailures().size(), 1);
    QCOMPARE(runner.loadFailures().first().file.toString(), broken);
    QStringList messages;
    for (const QString &message : runner.loadFailures().first().messages)
        messages.append(QmlDebugTranslationRunner::readableError(message));
    QVERIFY2(messages.join('\n').contains(error), qPrintable(messages.join('\n')));
    QVERIFY2(runner.problems().contains(error), qPrintable(runner.problems()));

    const QJsonArray records = QJsonDocument::fromJson(runner.getResultJson()).array();
    QCOMPARE(records.size(), 2);
    for (const QJsonValue &record : records)
        QCOMPARE(record["componentPath"].toString(), m_project->settingsFile());
}

void tst_TranslationRunner::noPreviewProgram()
{
    qputenv("LEXORA_PREVIEW_EXECUTABLE", "/nonexistent/preview");
    const auto restore = qScopeGuard([] { qunsetenv("LEXORA_PREVIEW_EXECUTABLE"); });
    QmlDebugTranslationRunner runner;
    runner.setFiles({ Host::Utils::Path::fromString(m_project->settingsFile()) });
    runner.setLanguages(m_project->languages());
    QSignalSpy stopped(&runner, &QmlDebugTranslationRunner::stopped);
    runner.run(m_project->project());
    // Known before run() returns; nobody has to wait for it.
    QCOMPARE(stopped.count(), 1);
    QCOMPARE(runner.outcome(), QmlDebugTranslationRunner::Outcome::Stopped);
    QVERIFY2(runner.problems().contains("No preview program found"), qPrintable(runner.problems()));
    QVERIFY(runner.getResultJson().isEmpty());
}

void tst_TranslationRunner::translatedProjectHasNoFindings()
{
    // Once the hint is translated and the title fits, nothing is reported.
    QVERIFY(m_project->translate(
        QStringLiteral("welcome_hint"), QStringLiteral("de"), QStringLiteral("Hinweis")));
    QVERIFY(m_project->translate(
        QStringLiteral("welcome_hint"), QStringLiteral("fr"), QStringLiteral("Astuce")));
    QVERIFY(m_project->translate(
        QStringLiteral("welcome_title"), QStringLiteral("de"), QStringLiteral("Hallo")));

    QmlDebugTranslationRunner runner;
    runner.setFiles({ Host::Utils::Path::fromString(m_project->welcomeFile()) });
    runner.setLanguages(m_project->languages());
    runner.setWatchTextElides(true);
    QSignalSpy stopped(&runner, &QmlDebugTranslationRunner::stopped);
    runner.run(m_project->project());
    QVERIFY(stopped.wait(60000));
    const QByteArray result = runner.getResultJson();
    QCOMPARE(QJsonDocument::fromJson(result).array().size(), 4);
    QVERIFY2(TranslationTestResults::findings(result).isEmpty(), result.constData());
}

void tst_TranslationRunner::runWithoutRunProfileStartsNothing()
{
    Host::QmlProject::DesignProject *project = m_project->project();
    Host::Projects::BuildTarget *target = project->activeTarget();
    QVERIFY(target);
    Host::Projects::RunProfile *profile = target->activeRunProfile();
    target->setActiveRunProfile(nullptr);

    QmlDebugTranslationRunner runner;
    QSignalSpy stopped(&runner, &QmlDebugTranslationRunner::stopped);
    QSignalSpy progressed(&runner, &QmlDebugTranslationRunner::progressed);
    runner.run(project);
    target->setActiveRunProfile(profile);

    QTest::qWait(100);
    QCOMPARE(stopped.count(), 0);
    QCOMPARE(progressed.count(), 0);
    QVERIFY(m_host->preview()->runningPreviews().isEmpty());
    // The run control of a run that never started is not kept.
    QVERIFY(runner.findChildren<Host::Projects::RunControl *>().isEmpty());
    // And the next preview is an ordinary one again.
    QCOMPARE(QmlDebugTranslationRunnerPrivate::testRunOwner(), nullptr);
}

void tst_TranslationRunner::noPreviewPlugin()
{
    // Without a plugin host there is no preview to find.
    m_runner.reset();
    m_host.reset();
    QmlDebugTranslationRunner runner;
    QSignalSpy stopped(&runner, &QmlDebugTranslationRunner::stopped);
    QTest::ignoreMessage(QtWarningMsg,
                         "QmlDebugTranslationRunner was not able to set a client to the preview.");
    runner.run(m_project->project());
    QTest::qWait(100);
    QCOMPARE(stopped.count(), 0);
    QCOMPARE(QmlDebugTranslationRunnerPrivate::testRunOwner(), nullptr);
}

void tst_TranslationRunner::userPreviewFollowsTestAndGeneration()
{
    Host::Preview::PreviewPlugin *preview = m_host->preview();
    const auto restoreFactory
        = qScopeGuard([preview] { preview->setDebugTranslationClientFactory({}); });
    // Our own client on the user's preview asks it what it shows.
    QPointer<AdvancedQmlDebugTranslationClient> client;
    const auto watchClients = [&] {
        preview->setDebugTranslationClientFactory([&](QQmlDebugConnection *connection) {
            auto *made = new AdvancedQmlDebugTranslationClient(connection);
            client = made;
            return made;
        });
    };
    const auto shownTitle = [&]() -> QString {
        if (!client)
            return {};
        QSignalSpy replied(client.data(),
                           &AdvancedQmlDebugTranslationClient::translatableTextOccurrencesReceived);
        client->sendTranslatableTextOccurrencesRequest();
        if (!replied.wait(5000))
            return {};
        for (const auto &element : replied.first().first().value<QmlElements>()) {
            if (element.translationId == QLatin1String("welcome_title"))
                return element.translatedText;
        }
        return {};
    };

    // The user's preview, as the studio's Preview menu runs it, in French.
    QmlDebugTranslationRunner runner;
    watchClients();
    Host::Preview::PreviewController controller(preview);
    controller.setCurrentFileProvider(
        [this] { return Host::Utils::Path::fromString(m_project->welcomeFile()); });
    controller.setLocale(QStringLiteral("fr"));
    QVERIFY(controller.start());
    QTRY_VERIFY_WITH_TIMEOUT(controller.isRunning() && client, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(shownTitle(), QStringLiteral("Salut"), 10000);

    // A test run takes the preview over; afterwards the user's comes back,
    // in the user's language.
    runner.setFiles({ Host::Utils::Path::fromString(m_project->welcomeFile()) });
    runner.setLanguages(m_project->languages());
    QSignalSpy stopped(&runner, &QmlDebugTranslationRunner::stopped);
    connect(&runner, &QmlDebugTranslationRunner::stopped, this, watchClients);
    runner.run(m_project->project());
    QTRY_VERIFY_WITH_TIMEOUT(!controller.isRunning(), 10000);
    QVERIFY2(stopped.wait(60000), "the run did not end");
    QCOMPARE(runner.outcome(), QmlDebugTranslationRunner::Outcome::Completed);
    QTRY_VERIFY_WITH_TIMEOUT(controller.isRunning() && client, 20000);
    QCOMPARE(controller.locale(), QStringLiteral("fr"));
    QTRY_COMPARE_WITH_TIMEOUT(shownTitle(), QStringLiteral("Salut"), 10000);

    // Generated again, the translation reaches the running preview.
    QVERIFY(m_project->translate("welcome_title", "fr", "Bonjour"));
    QTRY_COMPARE_WITH_TIMEOUT(shownTitle(), QStringLiteral("Bonjour"), 30000);

    QSignalSpy userStopped(&controller, &Host::Preview::PreviewController::stopped);
    controller.stop();
    QVERIFY(userStopped.wait(10000));
}

QTEST_MAIN(tst_TranslationRunner)

#include "tst_translationrunner.moc"
