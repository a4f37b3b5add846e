#include "plugins/lifecyclerecorder.h"

#include <extensionsystem/pluginhost.h>
#include <extensionsystem/plugininfo.h>

#include <testfiles.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Host::Plugins;

namespace {

QStringList takeLog()
{
    const QStringList log = QCoreApplication::instance()->property("lifecycleLog").toStringList();
    QCoreApplication::instance()->setProperty("lifecycleLog", QStringList());
    return log;
}

QString pluginDir()
{
    return QStringLiteral(HOST_TEST_PLUGIN_DIR);
}

QJsonObject metaData(const QString &name, const QList<std::pair<QString, QString>> &dependencies)
{
    QJsonArray list;
    for (const auto &[depName, depVersion] : dependencies)
        list.append(QJsonObject { { "Name", depName }, { "Version", depVersion } });
    return QJsonObject { { "Name", name }, { "Version", "1.0.0" }, { "Dependencies", list } };
}

// A plugin the test creates itself, as a host would for a statically linked one.
class ProbePlugin : public RecordingPlugin
{
public:
    explicit ProbePlugin(const QString &name, bool succeed = true)
        : RecordingPlugin(name), m_succeed(succeed)
    { }

    bool initialize(const QStringList &arguments, QString *errorString) override
    {
        RecordingPlugin::initialize(arguments, errorString);
        if (!m_succeed)
            *errorString = QStringLiteral("probe refused to start");
        return m_succeed;
    }

    ShutdownMode aboutToShutdown() override
    {
        RecordingPlugin::aboutToShutdown();
        if (!asynchronous)
            return ShutdownMode::Synchronous;
        const auto finish = [this] {
            recordLifecycleStep(m_name + QLatin1String(":asyncDone"));
            emit shutdownCompleted();
        };
        if (finishAtOnce)
            finish();
        else
            QTimer::singleShot(50, this, finish);
        return ShutdownMode::Asynchronous;
    }

    bool asynchronous = false;
    // Emits the end of its asynchronous shutdown before aboutToShutdown() returns.
    bool finishAtOnce = false;

private:
    bool m_succeed;
};

} // namespace

class tst_PluginHost : public QObject
{
    Q_OBJECT

private slots:
    void init() { takeLog(); }

    void readsMetaDataThenRunsLifecycle()
    {
        PluginHost manager;
        QCOMPARE(PluginHost::instance(), &manager);
        manager.setPluginPaths({ pluginDir() });
        manager.readPluginMetaData();

        QCOMPARE(manager.plugins().size(), 2);
        PluginInfo *alpha = manager.pluginInfo(QStringLiteral("Alpha"));
        QVERIFY(alpha);
        QCOMPARE(alpha->version(), QStringLiteral("1.2.0"));
        QCOMPARE(alpha->compatVersion(), QStringLiteral("1.0.0"));
        QCOMPARE(alpha->category(), QStringLiteral("Testing"));
        QVERIFY(alpha->isExperimental());
        QCOMPARE(alpha->description(), QStringLiteral("First test plugin,\nneeded by Beta."));
        QCOMPARE(
            alpha->dependencies(),
            (QList<PluginRequirement> { { QStringLiteral("Core"), QStringLiteral("2.3.1") } }));
        QCOMPARE(alpha->state(), PluginInfo::State::Read);
        QVERIFY(!alpha->plugin());
        QVERIFY(!alpha->hasError());

        PluginInfo *betaInfo = manager.pluginInfo(QStringLiteral("Beta"));
        QVERIFY(betaInfo);
        QCOMPARE(betaInfo->version(), QStringLiteral("0.5.1_3"));
        QCOMPARE(betaInfo->compatVersion(), betaInfo->version()); // defaults to the version
        QVERIFY(!betaInfo->isExperimental());
        QCOMPARE(betaInfo->dependencies().size(), 2);
        QVERIFY(betaInfo->filePath().startsWith(QDir(pluginDir()).absolutePath()));

        // Reading metadata must not have mapped the library or run any plugin code.
        QVERIFY(!QPluginLoader(alpha->filePath()).isLoaded());
        QVERIFY(takeLog().isEmpty());

        // A second scan does not duplicate what is known; loading runs the plugins
        // in the order of their dependencies.
        manager.readPluginMetaData();
        QCOMPARE(manager.plugins().size(), 2);
        manager.setArguments({ QStringLiteral("-x"), QStringLiteral("y") });
        QSignalSpy done(&manager, &PluginHost::initializationDone);
        manager.loadPlugins();

        QCOMPARE(done.size(), 1);
        QVERIFY2(!manager.hasErrors(), qPrintable(manager.errors().join('\n')));
        QCOMPARE(takeLog(),
                 (QStringList { "Alpha:initialize:-x,y",
                                "Beta:initialize:-x,y",
                                "Alpha:delayedInitialize",
                                "Beta:delayedInitialize" }));
        QCOMPARE(manager.loadQueue().size(), 2);
        QCOMPARE(manager.loadQueue().first()->name(), QStringLiteral("Alpha"));

        Plugin *beta = manager.findPlugin(QStringLiteral("Beta"));
        QVERIFY(beta);
        QCOMPARE(beta->metaObject()->className(), "BetaPlugin");
        QCOMPARE(beta->pluginInfo()->name(), QStringLiteral("Beta"));
        QCOMPARE(manager.pluginInfo(QStringLiteral("Beta"))->state(), PluginInfo::State::Running);
        QVERIFY(!manager.findPlugin(QStringLiteral("Gamma")));
        QVERIFY(!manager.findPlugin(QStringLiteral("Core"))); // a host library, no object
        QVERIFY(manager.pluginInfo(QStringLiteral("Core")));

        QPointer<Plugin> watched = beta;
        manager.shutdown();
        QCOMPARE(takeLog(),
                 (QStringList { "Beta:aboutToShutdown",
                                "Alpha:aboutToShutdown",
                                "Beta:deleted",
                                "Alpha:deleted" }));
        QVERIFY(watched.isNull());
        QVERIFY(!manager.findPlugin(QStringLiteral("Beta")));
        QCOMPARE(manager.pluginInfo(QStringLiteral("Alpha"))->state(), PluginInfo::State::Deleted);

        manager.shutdown(); // a second call does nothing
        QVERIFY(takeLog().isEmpty());
    }

    void dependencyChecks_data()
    {
        QTest::addColumn<QString>("dependency");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("error");
        const auto row
            = [](const char *tag, const char *dependency, const char *version, const char *error) {
                  QTest::newRow(tag) << QString(dependency) << QString(version) << QString(error);
              };

        row("compatible, exact", "Alpha", "1.2.0", "");
        row("compatible, older request", "Alpha", "1.0.0", "");
        row("host library", "QmlProject", "2.3.1", "");
        row("missing", "Gamma", "1.0.0", "plugin \"Gamma\" (version 1.0.0) is not available");
        row("too new", "Alpha", "1.3.0", "does not satisfy the required version 1.3.0");
        row("below compat", "Alpha", "0.9.9", "does not satisfy");
        row("build number counts", "Beta", "0.5.1_4", "does not satisfy");
        row("host library too new", "Core", "2.4.0", "does not satisfy");
        row("invalid version", "Alpha", "one", "invalid version");
    }

    void dependencyChecks()
    {
        QFETCH(QString, dependency);
        QFETCH(QString, version);
        QFETCH(QString, error);
        PluginHost manager;
        manager.setPluginPaths({ pluginDir() });
        ProbePlugin probe(QStringLiteral("Probe"));
        manager.addPlugin(&probe, metaData(QStringLiteral("Probe"), { { dependency, version } }));
        manager.loadPlugins();

        PluginInfo *info = manager.pluginInfo(QStringLiteral("Probe"));
        QVERIFY(info);
        const QStringList log = takeLog();
        if (error.isEmpty()) {
            QVERIFY2(!info->hasError(), qPrintable(info->errorString()));
            QCOMPARE(info->state(), PluginInfo::State::Running);
            // Dependencies come first whichever way the plugins were found.
            if (dependency != QLatin1String("QmlProject"))
                QVERIFY(log.indexOf(dependency + ":initialize:")
                        < log.indexOf("Probe:initialize:"));
            QVERIFY(log.contains("Probe:delayedInitialize"));
        } else {
            QVERIFY(info->hasError());
            QVERIFY2(info->errorString().contains(error), qPrintable(info->errorString()));
            QVERIFY(!log.contains("Probe:initialize:"));
            QVERIFY(manager.errors().first().startsWith("Probe: "));
        }
        // The test modules are unaffected by a failing neighbour.
        QVERIFY(log.contains("Beta:delayedInitialize"));

        manager.shutdown();
        // A registered plugin object belongs to whoever registered it.
        QVERIFY(!takeLog().contains("Probe:deleted"));
    }

    void failedInitializationPropagates()
    {
        PluginHost manager;
        ProbePlugin root(QStringLiteral("Root"), false);
        ProbePlugin leaf(QStringLiteral("Leaf"));
        ProbePlugin sibling(QStringLiteral("Sibling"));
        // Leaf is registered first; the order of initialisation still follows dependencies.
        manager.addPlugin(&leaf, metaData(QStringLiteral("Leaf"), { { "Root", "1.0.0" } }));
        manager.addPlugin(&root, metaData(QStringLiteral("Root"), { { "Core", "2.3.1" } }));
        manager.addPlugin(&sibling, metaData(QStringLiteral("Sibling"), {}));
        manager.loadPlugins();

        QCOMPARE(takeLog(),
                 (QStringList {
                     "Root:initialize:", "Sibling:initialize:", "Sibling:delayedInitialize" }));
        QVERIFY(manager.pluginInfo("Root")->errorString().contains("probe refused to start"));
        QVERIFY(manager.pluginInfo("Leaf")->errorString().contains(
            "plugin it needs, \"Root\", failed"));
        QCOMPARE(manager.errors().size(), 2);

        manager.shutdown();
        QCOMPARE(takeLog(), QStringList { "Sibling:aboutToShutdown" });
    }

    void circularDependencies()
    {
        PluginHost manager;
        ProbePlugin x(QStringLiteral("X"));
        ProbePlugin y(QStringLiteral("Y"));
        manager.addPlugin(&x, metaData(QStringLiteral("X"), { { "Y", "1.0.0" } }));
        manager.addPlugin(&y, metaData(QStringLiteral("Y"), { { "X", "1.0.0" } }));
        manager.loadPlugins();

        QVERIFY(manager.pluginInfo("X")->hasError());
        QVERIFY(manager.pluginInfo("Y")->hasError());
        QVERIFY(
            manager.errors().join('\n').contains("depend on each other in a cycle: X -> Y -> X"));
        QVERIFY(takeLog().isEmpty());
    }

    void asynchronousShutdownIsAwaited_data()
    {
        QTest::addColumn<bool>("finishAtOnce");
        QTest::newRow("finishes later") << false;
        QTest::newRow("finishes before answering") << true;
    }

    void asynchronousShutdownIsAwaited()
    {
        QFETCH(bool, finishAtOnce);
        PluginHost manager;
        // Waiting out the timeout means the end of the shutdown went unnoticed.
        manager.setAsynchronousShutdownTimeout(2000);
        QTest::failOnWarning(QRegularExpression("did not finish its asynchronous shutdown"));
        ProbePlugin slow(QStringLiteral("Slow"));
        slow.asynchronous = true;
        slow.finishAtOnce = finishAtOnce;
        ProbePlugin user(QStringLiteral("User"));
        manager.addPlugin(&slow, metaData(QStringLiteral("Slow"), {}));
        manager.addPlugin(&user, metaData(QStringLiteral("User"), { { "Slow", "1.0" } }));
        manager.loadPlugins();
        takeLog();

        manager.shutdown();
        QCOMPARE(
            takeLog(),
            (QStringList { "User:aboutToShutdown", "Slow:aboutToShutdown", "Slow:asyncDone" }));
        QCOMPARE(manager.pluginInfo("Slow")->state(), PluginInfo::State::Deleted);
    }

    void foreignAndDuplicateModules()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // Something that looks like a library but is not one, and a real library that
        // is no plugin of ours, are passed over silently.
        QVERIFY(writeFile(dir.filePath(QStringLiteral("libjunk.so")), "not a library"));
        const QString alphaModule
            = QDir(pluginDir()).filePath(QStringLiteral("libhosttest_b_alpha.so"));
        QVERIFY(QFile::exists(alphaModule));
        QVERIFY(QFile::copy(alphaModule, dir.filePath(QStringLiteral("libcopy_alpha.so"))));

        PluginHost manager;
        manager.setPluginPaths({ pluginDir(), dir.path() });
        manager.loadPlugins();

        QCOMPARE(manager.plugins().size(), 3);
        const QStringList errors = manager.errors();
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains("A plugin named \"Alpha\" is already known"),
                 qPrintable(errors.first()));
        QVERIFY(manager.findPlugin("Alpha"));
        QVERIFY(manager.findPlugin("Beta"));
    }

    void malformedMetaData()
    {
        PluginHost manager;
        ProbePlugin probe(QStringLiteral("Probe"));
        QCOMPARE(manager.addPlugin(&probe, QJsonObject { { "Version", "1.0.0" } }), nullptr);
        QCOMPARE(manager.addPlugin(&probe, QJsonObject { { "Name", "P" }, { "Version", 3 } }),
                 nullptr);
        QCOMPARE(manager.addPlugin(
                     &probe,
                     QJsonObject { { "Name", "Q" }, { "Version", "1" }, { "Dependencies", "x" } }),
                 nullptr);
        const QStringList errors = manager.errors();
        QCOMPARE(errors.size(), 3);
        QVERIFY(errors.at(0).contains("\"Name\""));
        QVERIFY(errors.at(1).contains("\"Version\" is not a string"));
        QVERIFY(errors.at(2).contains("\"Dependencies\" is not an array"));

        // The embedded form ({"IID", "MetaData": {...}}) is accepted as well.
        PluginInfo *info = manager.addPlugin(
            &probe,
            QJsonObject { { "IID", HOST_PLUGIN_IID },
                          { "MetaData", metaData(QStringLiteral("Probe"), {}) } });
        QVERIFY(info);
        QCOMPARE(info->name(), QStringLiteral("Probe"));
        manager.loadPlugins();
        QVERIFY(takeLog().contains("Probe:initialize:"));
    }

    void versionParsing_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("normalized");

        QTest::newRow("full") << QString("2.3.1") << QString("2.3.1.0");
        QTest::newRow("build") << QString("2.3.1_7") << QString("2.3.1.7");
        QTest::newRow("short") << QString("2") << QString("2.0.0.0");
        QTest::newRow("text") << QString("2.x") << QString("");
        QTest::newRow("empty") << QString("") << QString("");
        QTest::newRow("trailing") << QString("2.3.1 beta") << QString("");
    }

    void versionParsing()
    {
        QFETCH(QString, version);
        QFETCH(QString, normalized);
        QCOMPARE(PluginInfo::parseVersion(version).toString(), normalized);
    }

    void defaultPluginPaths()
    {
        // Test executables sit one level below the build directory, as the studio's do.
        const QString studioPlugins = QDir::cleanPath(
            QStringLiteral(LEXORA_BINARY_DIR) + QStringLiteral("/lib/lexora-studio/plugins"));
        qunsetenv("LEXORA_STUDIO_PLUGIN_PATH");
        QCOMPARE(PluginHost::defaultPluginPaths(), QStringList { studioPlugins });

        qputenv("LEXORA_STUDIO_PLUGIN_PATH",
                QFile::encodeName(pluginDir() + "/" + QDir::listSeparator() + "/x/y/"));
        QCOMPARE(PluginHost::defaultPluginPaths(),
                 (QStringList { QDir::cleanPath(pluginDir()), "/x/y", studioPlugins }));
        PluginHost manager;
        manager.setPluginPaths(PluginHost::defaultPluginPaths());
        manager.readPluginMetaData();
        QVERIFY(manager.pluginInfo(QStringLiteral("Alpha")));
        qunsetenv("LEXORA_STUDIO_PLUGIN_PATH");
    }
};

QTEST_GUILESS_MAIN(tst_PluginHost)
#include "tst_pluginhost.moc"
