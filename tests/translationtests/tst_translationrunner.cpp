// The test runner against Qt's own debug translation service in a real,
// headless preview process.

#include "previewtestproject.h"
#include "recordingfeedback.h"

#include "databaseio/projectdatabase.h"
#include "pseudolocale.h"
#include "pseudopreviewlanguages.h"
#include "translationtests/qmldebugtranslationrunner.h"
#include "translationtests/qmldebugtranslationrunnerprivate.h"
#include "translationtests/translationtestresults.h"

#include <preview/previewcontroller.h>
#include <preview/previewplugin.h>
#include <preview/previewsession.h>
#include <projects/buildtarget.h>
#include <projects/runcontrol.h>
#include <qmlproject/designproject.h>

#include <testfiles.h>

#include <QElapsedTimer>
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

// The files the records of a result come from, each once.
QStringList componentPaths(const QByteArray &result)
{
    QStringList paths;
    for (const QJsonValue &record : QJsonDocument::fromJson(result).array())
        paths.append(record["componentPath"].toString());
    paths.removeDuplicates();
    return paths;
}

} // namespace

class tst_TranslationRunner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
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
        QSignalSpy progressed(m_runner.get(), &QmlDebugTranslationRunner::progressed);
        QElapsedTimer timer;
        timer.start();
        QVERIFY2(runOver(*m_runner, { m_project->welcomeFile(), m_project->settingsFile() }, true),
                 "the run did not end");
        qInfo("A run over 2 files and 2 languages took %lld ms", timer.elapsed());
        QCOMPARE(progressed.count(), (2 + 1) * 2); // (languages + 1) x files
        m_result = m_runner->getResultJson();
        QVERIFY(m_host->preview()->runningPreviews().isEmpty());
        // Two files with two states each: one occurrences request per state, four
        // replies; then the texts as each of the two languages shows them.
        QCOMPARE(runnerLogLines.count(QStringLiteral("viewStateChanged")), 4);
        QCOMPARE(runnerLogLines.count(QStringLiteral("Reply::TranslatableTextOccurrences")), 4 + 8);
        QCOMPARE(runnerLogLines.count(QStringLiteral("Reply::TranslationIssues")), 8);
    }

    void cleanupTestCase()
    {
        if (previousHandler)
            qInstallMessageHandler(previousHandler);
        m_runner.reset();
        m_project.reset();
        m_host.reset();
    }

    void resultRecords_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("translationId");
        QTest::addColumn<QStringList>("states");
        QTest::addColumn<QString>("findings"); // "missing,exceeds,Line" ("Line" absent: "-")
        QTest::addColumn<QString>("sceneId");
        QTest::addColumn<int>("line");
        // "language:finding:text" per tested language, finding M, E or -
        QTest::addColumn<QStringList>("languages");

        // The German title is elided, the French one fits; an untranslated text
        // shows its ID.
        QTest::newRow("elided title")
            << "Welcome.ui.qml"
            << "welcome_title" << QStringList { "", "dark" } << "0,1,Exceeds"
            << "welcome-screen" << 14
            << QStringList { "de:E:Herzlich willkommen in unserer Anwendung", "fr:-:Salut" };
        QTest::newRow("untranslated hint")
            << "Welcome.ui.qml"
            << "welcome_hint" << QStringList { "", "dark" } << "1,0,Missing translation"
            << "welcome-screen" << 21 << QStringList { "de:M:welcome_hint", "fr:M:welcome_hint" };
        QTest::newRow("translated title")
            << "Settings.ui.qml"
            << "settings_title" << QStringList { "", "compact" } << "0,0,-"
            << "" << 7 << QStringList { "de:-:Einstellungen", "fr:-:Réglages" };
    }

    void resultRecords()
    {
        QFETCH(QString, file);
        QFETCH(QString, translationId);
        QFETCH(QStringList, states);
        QFETCH(QString, findings);
        QFETCH(QString, sceneId);
        QFETCH(int, line);
        QFETCH(QStringList, languages);

        const QJsonArray records = QJsonDocument::fromJson(m_result).array();
        // Three texts in two states each, every one reported once.
        QCOMPARE(records.size(), 6);
        QStringList found;
        for (const QJsonValue &record : records) {
            if (record["translationId"].toString() != translationId)
                continue;
            found.append(record["state"].toString());
            QCOMPARE(record["componentPath"].toString(), m_project->filePath(file));
            QCOMPARE(record["sceneId"].toString(), sceneId);
            const QJsonObject metaData = record["metaData"][0].toObject();
            QCOMPARE(QStringLiteral("%1,%2,%3")
                         .arg(int(metaData["Missing"].toBool()))
                         .arg(int(metaData["Exceeds"].toBool()))
                         .arg(metaData.contains("Line") ? metaData["Line"].toString() : "-"),
                     findings);
            QCOMPARE(metaData["sourceLocation"]["line"].toInt(), line);
            QVERIFY(metaData["sourceLocation"]["column"].toInt() > 0);
            QVERIFY(!metaData["Font"].toString().isEmpty());
            QCOMPARE(metaData["Alignment"].toString(), QStringLiteral("Top Left"));
            QStringList shown;
            for (const QJsonValue &language : record["languages"].toArray())
                shown.append(language["language"].toString() + ':'
                             + (language["Missing"].toBool()       ? "M"
                                    : language["Exceeds"].toBool() ? "E"
                                                                   : "-")
                             + ':' + language["text"].toString());
            QCOMPARE(shown, languages);
        }
        found.sort();
        QCOMPARE(found, states);
    }

    void storedAndReported()
    {
        DatabaseIo &database = m_project->database()->databaseIo();
        TranslationTestResults::storeScreenMetaData(&database, m_result);
        const std::tuple<QString, QString, QStringList, QString> stored[] = {
            { "welcome_title", m_project->welcomeFile(), { "", "dark" }, "welcome-screen" },
            { "welcome_hint", m_project->welcomeFile(), { "", "dark" }, "welcome-screen" },
            { "settings_title", m_project->settingsFile(), { "", "compact" }, "" },
        };
        for (const auto &[translationId, file, states, sceneId] : stored) {
            const TranslatableEntries entries
                = database.fetchFullTranslatableEntries({ translationId.toStdString() });
            QCOMPARE(entries.size(), std::size_t(1));
            QStringList storedStates;
            for (const ScreenMetaDataEntry &entry : entries.front().screenMetaData) {
                QCOMPARE(QString::fromStdString(entry.componentPath), file);
                QCOMPARE(QString::fromStdString(entry.sceneId), sceneId);
                storedStates.append(QString::fromStdString(entry.state));
            }
            storedStates.sort();
            QCOMPARE(storedStates, states);
        }
        // The elided title is the one elide of the welcome screen, on both states.
        QStringList exceeding;
        for (const TextElide &elide :
             database.fetchTextElides(m_project->welcomeFile().toStdString()))
            exceeding.append(elide.exceeds ? QString::number(elide.line) : QString());
        exceeding.removeAll(QString());
        QVERIFY2(!exceeding.isEmpty() && exceeding.count("14") == exceeding.size(),
                 qPrintable(exceeding.join(',')));

        const QString reportPath = m_project->filePath("translation_report_project.json");
        QVERIFY(TranslationTestResults::writeReport(reportPath, m_result));
        const QJsonArray components
            = QJsonDocument::fromJson(readFile(reportPath))["components"].toArray();
        QCOMPARE(components.size(), 2);
        QCOMPARE(components[0]["componentPath"].toString(), m_project->welcomeFile());
        QStringList errors;
        for (const QJsonValue &error : components[0]["errors"].toArray())
            errors.append(QStringLiteral("%1@%2 %3/%4 %5 \"%6\"")
                              .arg(error["errorType"].toString())
                              .arg(error["line"].toInt())
                              .arg(error["language"].toString(),
                                   error["state"].toString(),
                                   error["translationId"].toString(),
                                   error["text"].toString()));
        // One error per language that has the finding, saying what it showed.
        const QStringList perState {
            "Exceeds@14 de/ welcome_title \"Herzlich willkommen in unserer Anwendung\"",
            "Missing translation@21 de/ welcome_hint \"welcome_hint\"",
            "Missing translation@21 fr/ welcome_hint \"welcome_hint\""
        };
        QStringList dark = perState;
        dark.replaceInStrings(QStringLiteral("/ "), QStringLiteral("/dark "));
        QCOMPARE(errors, perState + dark);
        QCOMPARE(components[1]["componentPath"].toString(), m_project->settingsFile());
        QVERIFY(components[1]["errors"].toArray().isEmpty());
    }

    void killedPreviewKeepsPreviousResult()
    {
        QSignalSpy stopped(m_runner.get(), &QmlDebugTranslationRunner::stopped);
        QSignalSpy progressed(m_runner.get(), &QmlDebugTranslationRunner::progressed);
        m_runner->run(m_project->project());
        // Three steps per file: the fourth comes once the second file is shown.
        QTRY_VERIFY_WITH_TIMEOUT(progressed.count() >= 4, 30000);
        const QList<Host::Preview::PreviewSession *> previews
            = m_host->preview()->runningPreviews();
        QCOMPARE(previews.size(), 1);
        QVERIFY(previews.first()->processId() > 0);
        QCOMPARE(::kill(pid_t(previews.first()->processId()), SIGKILL), 0);

        QVERIFY(stopped.wait(30000));
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
        QCOMPARE(found,
                 QStringList({ "Welcome.ui.qml:welcome_hint", "Welcome.ui.qml:welcome_title" }));
    }

    // The user unticks the welcome screen and runs again: its findings of the
    // first run must not come back judged as clean. The screens that do not load
    // come first: the preview must survive them, and the next screen must not be
    // judged by what a broken one left on show.
    void secondRunKeepsOnlyItsFiles()
    {
        const std::pair<QByteArray, QString> screens[] = {
            { "import QtQuick\nimport Foo.Bar 1.0\nItem {}\n",
              "Broken0.ui.qml:2: module \"Foo.Bar\" is not installed" },
            { "import QtQuick\nItem {\n    colour: \"red\"\n}\n",
              "Broken1.ui.qml:3: Cannot assign to non-existent property \"colour\"" },
            { "import QtQuick\nItem {\n    Txet {}\n}\n", "Broken2.ui.qml:3: Txet is not a type" },
        };
        QStringList files;
        for (const auto &[screen, error] : screens) {
            files.append(m_project->filePath(error.section(':', 0, 0)));
            QVERIFY(writeFile(files.last(), screen));
        }
        const bool ran
            = runOver(*m_runner, files + QStringList { m_project->settingsFile() }, true);
        for (const QString &file : std::as_const(files))
            QFile::remove(file);
        QVERIFY(ran);
        QCOMPARE(m_runner->outcome(), QmlDebugTranslationRunner::Outcome::Completed);
        QCOMPARE(QJsonDocument::fromJson(m_runner->getResultJson()).array().size(), 2);
        QCOMPARE(componentPaths(m_runner->getResultJson()),
                 QStringList { m_project->settingsFile() });

        const auto failures = m_runner->loadFailures();
        QCOMPARE(failures.size(), 3);
        for (int index = 0; index < 3; ++index) {
            QCOMPARE(failures[index].file.toString(), files[index]);
            QStringList messages;
            for (const QString &message : failures[index].messages)
                messages.append(QmlDebugTranslationRunner::readableError(message));
            const QString &error = screens[index].second;
            QVERIFY2(messages.join('\n').contains(error), qPrintable(messages.join('\n')));
            QVERIFY2(m_runner->problems().contains(error), qPrintable(m_runner->problems()));
        }
    }

    void translatedProjectHasNoFindings()
    {
        // Once the hint is translated and the title fits, nothing is reported.
        QVERIFY(m_project->translate("welcome_hint", "de", "Hinweis"));
        QVERIFY(m_project->translate("welcome_hint", "fr", "Astuce"));
        QVERIFY(m_project->translate("welcome_title", "de", "Hallo"));
        QmlDebugTranslationRunner runner;
        QVERIFY(runOver(runner, { m_project->welcomeFile() }, true));
        const QByteArray result = runner.getResultJson();
        QCOMPARE(QJsonDocument::fromJson(result).array().size(), 4);
        QVERIFY2(TranslationTestResults::findings(result).isEmpty(), result.constData());
    }

    void runWithoutRunProfileStartsNothing()
    {
        Host::Projects::BuildTarget *target = m_project->project()->activeTarget();
        QVERIFY(target);
        Host::Projects::RunProfile *profile = target->activeRunProfile();
        target->setActiveRunProfile(nullptr);
        QmlDebugTranslationRunner runner;
        QSignalSpy stopped(&runner, &QmlDebugTranslationRunner::stopped);
        QSignalSpy progressed(&runner, &QmlDebugTranslationRunner::progressed);
        runner.run(m_project->project());
        target->setActiveRunProfile(profile);

        QTest::qWait(100);
        QCOMPARE(stopped.count() + progressed.count(), 0);
        QVERIFY(m_host->preview()->runningPreviews().isEmpty());
        // The run control of a run that never started is not kept.
        QVERIFY(runner.findChildren<Host::Projects::RunControl *>().isEmpty());
        // And the next preview is an ordinary one again.
        QCOMPARE(QmlDebugTranslationRunnerPrivate::testRunOwner(), nullptr);
    }

    void userPreviewFollowsTestAndGeneration()
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
            QSignalSpy replied(
                client.data(),
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

        // A pseudo language lives outside the project; its files written anew
        // from edited primary texts reach the running preview as well.
        RecordingFeedback feedback;
        PseudoPreviewLanguages pseudo;
        pseudo.setProject(m_project->project(), &m_project->database()->databaseIo(), &feedback);
        QVERIFY(pseudo.codes().contains(QStringLiteral("qps-ploc")));
        const auto pseudoText = [](const QString &text) {
            return PseudoLocale::transform(text, PseudoLocale::defaultExpansion);
        };
        // Earlier functions may have changed the German title already.
        controller.setLocale(QStringLiteral("de"));
        QTRY_VERIFY_WITH_TIMEOUT(!shownTitle().isEmpty() && shownTitle() != "Bonjour", 10000);
        const QString german = shownTitle();
        controller.setLocale(QStringLiteral("qps-ploc"));
        QTRY_COMPARE_WITH_TIMEOUT(shownTitle(), pseudoText(german), 10000);
        QVERIFY(m_project->translate("welcome_title", "de", "Guten Tag"));
        QVERIFY(pseudo.refresh());
        QTRY_COMPARE_WITH_TIMEOUT(shownTitle(), pseudoText(QStringLiteral("Guten Tag")), 30000);
        QCOMPARE(feedback.errors(), QStringList());

        QSignalSpy userStopped(&controller, &Host::Preview::PreviewController::stopped);
        controller.stop();
        QVERIFY(userStopped.wait(10000));
    }

    void noPreviewPlugin()
    {
        // Without a plugin host there is no preview to find.
        m_runner.reset();
        m_host.reset();
        QmlDebugTranslationRunner runner;
        QSignalSpy stopped(&runner, &QmlDebugTranslationRunner::stopped);
        QTest::ignoreMessage(
            QtWarningMsg, "QmlDebugTranslationRunner was not able to set a client to the preview.");
        runner.run(m_project->project());
        QTest::qWait(100);
        QCOMPARE(stopped.count(), 0);
        QCOMPARE(QmlDebugTranslationRunnerPrivate::testRunOwner(), nullptr);
    }

private:
    // Runs `runner` over `files` in the project's languages until it stops.
    bool runOver(QmlDebugTranslationRunner &runner, const QStringList &files, bool elides = false)
    {
        QList<Host::Utils::Path> paths;
        for (const QString &file : files)
            paths.append(Host::Utils::Path::fromString(file));
        runner.setFiles(paths);
        runner.setLanguages(m_project->languages());
        runner.setWatchTextElides(elides);
        QSignalSpy stopped(&runner, &QmlDebugTranslationRunner::stopped);
        runner.run(m_project->project());
        return stopped.count() == 1 || stopped.wait(60000);
    }

    std::unique_ptr<PreviewHost> m_host;
    std::unique_ptr<PreviewTestProject> m_project;
    std::unique_ptr<QmlDebugTranslationRunner> m_runner;
    QByteArray m_result;
};

QTEST_MAIN(tst_TranslationRunner)

#include "tst_translationrunner.moc"
