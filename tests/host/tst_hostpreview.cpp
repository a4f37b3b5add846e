// The run control of the preview mode and the live preview itself, against a
// real qmlscene with the QML debugger (headless).

#include <extensionsystem/pluginhost.h>
#include <preview/debugtranslationclient.h>
#include <preview/previewplugin.h>
#include <preview/previewsession.h>
#include <projects/buildtarget.h>
#include <projects/project.h>
#include <projects/runcontrol.h>
#include <projects/runprofile.h>
#include <projects/runworker.h>

#include <private/qqmldebugconnection_p.h>

#include <testfiles.h>

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Host;

namespace {

// Starts and stops a little later, as a process would.
class DelayedWorker : public Projects::RunWorker
{
public:
    using RunWorker::RunWorker;
    void start() override { QTimer::singleShot(10, this, &RunWorker::started); }
    void stop() override
    {
        ++stops;
        QTimer::singleShot(10, this, &RunWorker::stopped);
    }
    int stops = 0;
};

// Asks the service for the state list and keeps the answer.
class StateListClient : public Preview::DebugTranslationClient
{
    Q_OBJECT

public:
    using DebugTranslationClient::DebugTranslationClient;
    void requestStates()
    {
        QByteArray message;
        QDataStream stream(&message, QIODevice::WriteOnly);
        stream.setVersion(dataStreamVersion());
        stream << qint32(2);
        send(message);
    }

signals:
    void statesReceived(const QStringList &states);

protected:
    void messageReceived(const QByteArray &message) override
    {
        QDataStream stream(message);
        stream.setVersion(dataStreamVersion());
        qint32 code = 0;
        QStringList states;
        stream >> code;
        if (code == 102) {
            stream >> states;
            emit statesReceived(states);
        }
    }
};

QString missingPreview()
{
    if (!QFileInfo(QLibraryInfo::path(QLibraryInfo::BinariesPath) + "/qmlscene").isExecutable())
        return QStringLiteral("qmlscene (package qmlscene-qt6)");
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath)
                           + "/qmltooling/libqmldbg_preview.so"))
        return QStringLiteral("the QML debug services (package qt6-qmltooling-plugins)");
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::QmlImportsPath) + "/QtQuick/qmldir"))
        return QStringLiteral("Qt Quick (package qml6-module-qtquick)");
    return {};
}

} // namespace

class tst_HostPreview : public QObject
{
    Q_OBJECT

private slots:
    void runControl_data()
    {
        QTest::addColumn<bool>("registerFactory");
        QTest::addColumn<bool>("withProfile");
        QTest::addColumn<bool>("workerCreated");
        QTest::addColumn<bool>("stopFirst");

        QTest::newRow("factory and profile") << true << true << true << false;
        QTest::newRow("no factory for the mode") << false << true << false << false;
        // A control stopped before it started does not start again.
        QTest::newRow("no run profile, stopped first") << true << false << false << true;
    }

    void runControl()
    {
        QFETCH(bool, registerFactory);
        QFETCH(bool, withProfile);
        QFETCH(bool, workerCreated);
        QFETCH(bool, stopFirst);
        const QByteArray mode = "Test.DelayedRunMode";
        Projects::RunControl::registerWorkerFactory(
            mode, registerFactory ? [](Projects::RunControl *control) -> std::unique_ptr<Projects::RunWorker> {
                return std::make_unique<DelayedWorker>(control);
            } : Projects::RunControl::WorkerFactory());
        QTemporaryDir directory;
        Projects::Project project(Utils::Path::fromString(directory.filePath("p.qmlproject")));
        auto target
            = project.addTarget(std::make_unique<Projects::BuildTarget>(&project, "Desktop"));
        auto profile
            = target->addRunProfile(std::make_unique<Projects::RunProfile>(target, "run", "Run"));

        Projects::RunControl control(mode);
        if (withProfile)
            control.setRunProfile(profile);
        QCOMPARE(control.createMainWorker(), workerCreated);
        QSignalSpy started(&control, &Projects::RunControl::started);
        QSignalSpy stopped(&control, &Projects::RunControl::stopped);
        if (stopFirst) {
            control.stop();
            QVERIFY(control.isStopped());
            QCOMPARE(stopped.count(), 1);
        }
        control.start();
        if (!workerCreated) {
            // Nothing can run: the control ends at once and says so.
            QVERIFY(control.isStopped());
            QCOMPARE(started.count(), 0);
            QCOMPARE(stopped.count(), 1);
            Projects::RunControl::registerWorkerFactory(mode, {});
            return;
        }
        QVERIFY(control.isStarting());
        QVERIFY(started.wait());
        QVERIFY(control.isRunning());
        control.stop();
        QCOMPARE(control.state(), Projects::RunControl::State::Stopping);
        QVERIFY(stopped.wait());
        QVERIFY(control.isStopped());
        control.stop();
        QTest::qWait(30);
        QCOMPARE(stopped.count(), 1);
        QCOMPARE(static_cast<DelayedWorker *>(control.mainWorker())->stops, 1);
        Projects::RunControl::registerWorkerFactory(mode, {});
    }

    void previewServesOpenDocuments()
    {
        const QString missing = missingPreview();
        if (!missing.isEmpty()) {
            if (qEnvironmentVariableIntValue("LEXORA_REQUIRE_PEERS") == 1)
                QFAIL(qPrintable("the preview needs " + missing));
            QSKIP(qPrintable("the preview needs " + missing));
        }
        QTemporaryDir directory;
        const QString screen = directory.filePath("Screen.ui.qml");
        QVERIFY(
            writeFile(screen, "import QtQuick\nItem { states: [ State { name: \"onDisk\" } ] }\n"));

        Plugins::PluginHost host;
        host.setPluginPaths({});
        Preview::PreviewPlugin preview;
        host.addPlugin(&preview, Preview::PreviewPlugin::metaData());
        host.loadPlugins();
        QCOMPARE(Preview::PreviewPlugin::find(), &preview);
        QVERIFY(preview.runningPreviews().isEmpty());
        preview.stopRunningPreviews(); // harmless with nothing running
        QQmlDebugConnection connection;
        // No factory: the plain client.
        QCOMPARE(preview.createDebugTranslationClient(&connection)->name(),
                 QStringLiteral("DebugTranslation"));
        preview.setHeadless(true);
        QPointer<StateListClient> client;
        preview.setDebugTranslationClientFactory([&client](QQmlDebugConnection *connection) {
            client = new StateListClient(connection);
            return client.data();
        });
        // The designer's unsaved text wins over the file on disk.
        preview.setDocumentContentProvider(
            [&screen](const QString &path) -> std::optional<QByteArray> {
                if (path == screen)
                    return QByteArray(
                        "import QtQuick\nItem { states: [ State { name: \"inEditor\" } ] }\n");
                return std::nullopt;
            });

        Projects::Project project(Utils::Path::fromString(directory.filePath("p.qmlproject")));
        auto target
            = project.addTarget(std::make_unique<Projects::BuildTarget>(&project, "Desktop"));
        auto profile
            = target->addRunProfile(std::make_unique<Projects::RunProfile>(target, "run", "Run"));
        profile->setMainFile(Utils::Path::fromString(screen));
        Projects::RunControl control(Projects::Constants::qmlPreviewRunMode);
        control.setRunProfile(profile);
        QVERIFY(control.createMainWorker());
        QSignalSpy started(&control, &Projects::RunControl::started);
        QSignalSpy stopped(&control, &Projects::RunControl::stopped);
        control.start();
        QVERIFY(started.wait(20000));
        QCOMPARE(preview.runningPreviews().size(), 1);
        QVERIFY(client);
        QCOMPARE(client->dataStreamVersion(), int(QDataStream::Qt_6_0));

        QSignalSpy states(client.data(), &StateListClient::statesReceived);
        QTimer::singleShot(300, client.data(), [&client] { client->requestStates(); });
        QVERIFY(states.wait(10000));
        QCOMPARE(states.first().first().toStringList(), QStringList { "inEditor" });

        preview.stopRunningPreviews();
        QVERIFY(stopped.wait(10000));
        QVERIFY(preview.runningPreviews().isEmpty());
        QTRY_VERIFY(!client); // the connection took its client with it
        preview.setLocale("de");
        QCOMPARE(preview.locale(), QStringLiteral("de"));
        host.shutdown();
    }
};

QTEST_MAIN(tst_HostPreview)

#include "tst_hostpreview.moc"
