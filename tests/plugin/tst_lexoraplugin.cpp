#include "checkrunner/translationcheckrunner.h"
#include "databaseio/projectdatabase.h"
#include "lexoraconstants.h"
#include "userfeedback.h"

#include <core/actionregistry.h>
#include <core/progresscenter.h>
#include <core/progressmodel.h>

#include <designer/designerview.h>
#include <designer/documentmodel.h>
#include <designer/formdocument.h>
#include <designer/viewmanager.h>
#include <extensionsystem/plugin.h>
#include <extensionsystem/pluginhost.h>
#include <extensionsystem/plugininfo.h>
#include <projects/issue.h>
#include <projects/issuelist.h>
#include <projects/project.h>
#include <projects/session.h>
#include <qmlproject/designproject.h>
#include <utils/path.h>

#include <peerrequirement.h>
#include <testfiles.h>

#include "messageboxcatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <sqlite3.h>

using Host::Core::ProgressCenter;
using Host::Plugins::PluginHost;
using Host::Plugins::PluginInfo;
using Host::Projects::Issue;
using Host::Projects::IssueList;
using Host::Projects::Project;
using Host::Projects::Session;

namespace {

QStringList schemaObjects(const QString &databasePath)
{
    QStringList names;
    sqlite3 *db = nullptr;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_open_v2(databasePath.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr)
        == SQLITE_OK)
        sqlite3_prepare_v2(db,
                           "SELECT type || ' ' || name FROM sqlite_schema "
                           "WHERE name NOT LIKE 'sqlite_%' AND NOT (type = 'table' AND "
                           "(name GLOB 'translationsFullText_*' OR name GLOB "
                           "'translationsSubstrings_*' OR name GLOB 'translationIdSubstrings_*')) "
                           "ORDER BY 1",
                           -1,
                           &statement,
                           nullptr);
    while (statement && sqlite3_step(statement) == SQLITE_ROW)
        names.append(
            QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0))));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return names;
}

bool executeSql(const QString &databasePath, const char *sql)
{
    sqlite3 *db = nullptr;
    bool ok = sqlite3_open(databasePath.toUtf8().constData(), &db) == SQLITE_OK
        && sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// The plugin's views, found by their panel.
QList<Host::Designer::DesignerView *> translationsViews()
{
    QList<Host::Designer::DesignerView *> found;
    for (Host::Designer::DesignerView *each : Host::Designer::ViewManager::instance()->views()) {
        if (each->widgetDescription().uniqueId == QLatin1String("TranslationsView"))
            found.append(each);
    }
    return found;
}

} // namespace

class tst_LexoraPlugin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString pluginDir = qEnvironmentVariable("LEXORA_PLUGIN_DIR");
        QVERIFY2(QDir(pluginDir).exists("liblexora.so"), qPrintable(pluginDir));
        m_manager.setPluginPaths({ pluginDir });
    }

    // The feedback's calls from a worker reach the host's issues and progress
    // once the interface thread gets back to its event loop.
    void feedbackFromAWorkerThread()
    {
        IssueList::instance()->clearIssues();
        ProgressCenter::instance()->setFinishedLinger(-1);
        Lexora::UserFeedback feedback;
        QThread *interfaceThread = QThread::currentThread();
        bool ranOnWorker = false;
        const auto onWorker = [](const std::function<void()> &work) {
            std::unique_ptr<QThread> worker(QThread::create(work));
            worker->start();
            return worker->wait(10000);
        };
        QVERIFY(onWorker([&] {
            ranOnWorker = QThread::currentThread() != interfaceThread;
            QFutureInterface<void> progress
                = feedback.createProgress("Generate translation files", "GenerateTranslationFiles");
            feedback.startProgress(progress);
            feedback.setProgressMaximum(progress, 5);
            feedback.setProgressValue(progress, 3);
            feedback.addError("cannot write qml_de.qm");
            feedback.addError(QString()); // no task for an empty message
            feedback.addFileError("/project/Main.qml", 12, "unterminated string");
            feedback.setProgressValue(progress, 5);
            feedback.finishProgress(progress);
        }));
        QVERIFY(ranOnWorker);
        QTRY_COMPARE(IssueList::instance()->issues(Lexora::Constants::taskCategory).size(), 2);
        const auto issues = IssueList::instance()->issues(Lexora::Constants::taskCategory);
        QCOMPARE(issues[0].type, Issue::Error);
        QCOMPARE(issues[0].description, QStringLiteral("cannot write qml_de.qm"));
        QVERIFY(!issues[0].hasLocation());
        QCOMPARE(issues[1].description, QStringLiteral("unterminated string"));
        QCOMPARE(issues[1].file.toString(), QStringLiteral("/project/Main.qml"));
        QCOMPARE(issues[1].line, 12);
        QVERIFY(issues[1].options.testFlag(Issue::AddTextMark));
        QVERIFY(issues[1].options.testFlag(Issue::FlashWorthy));
        // The entry appears even though the worker finished before it was added.
        Host::Core::ProgressModel *model = ProgressCenter::instance()->model();
        QTRY_COMPARE(model->rowCount(), 1);
        QTRY_VERIFY(model->entry(0).finished);
        const Host::Core::ProgressEntry entry = model->entry(0);
        QCOMPARE(entry.title, QStringLiteral("Generate translation files"));
        QCOMPARE(entry.typeId, QByteArray("GenerateTranslationFiles"));
        QCOMPARE(entry.maximum, 5);
        QCOMPARE(entry.value, 5);

        // Progress started here follows a worker that is still running.
        ProgressCenter::instance()->removeFinished();
        QFutureInterface<void> busy = feedback.createProgress("Busy", "Busy");
        feedback.startProgress(busy);
        feedback.setProgressMaximum(busy, 10);
        QTRY_COMPARE(model->rowCount(), 1);
        QVERIFY(!model->entry(0).finished);
        QVERIFY(onWorker([&] {
            for (int value = 1; value <= 10; ++value)
                feedback.setProgressValue(busy, value);
        }));
        QTRY_COMPARE(model->entry(0).value, 10);
        QVERIFY(!model->entry(0).finished);
        feedback.finishProgress(busy);
        QTRY_VERIFY(model->entry(0).finished);
        ProgressCenter::instance()->removeFinished();

        MessageBoxCatcher catcher;
        feedback.showMissingImageWarning("welcome.title", "content/Main.ui.qml", "busy");
        QCOMPARE(catcher.titles, QStringList { "No image for translation id found" });
        QCOMPARE(catcher.texts.value(0),
                 QStringLiteral("Translation id is: welcome.title\nFile path is: "
                                "content/Main.ui.qml\nState is: busy"));
    }

    void readsMetaDataAndLoadsTheModule()
    {
        m_manager.readPluginMetaData();
        PluginInfo *info = m_manager.pluginInfo(QStringLiteral("Lexora"));
        QVERIFY(info);
        QCOMPARE(info->origin(), PluginInfo::Origin::Module);
        QCOMPARE(info->version() + ' ' + info->compatVersion() + ' ' + info->category(),
                 QStringLiteral("2.3.1 2.3.1 Qt Quick"));
        QVERIFY(!info->isExperimental());
        QStringList dependencies;
        for (const auto &dependency : info->dependencies())
            dependencies.append(dependency.name + '@' + dependency.version);
        dependencies.sort();
        QCOMPARE(dependencies,
                 QStringList({ "Core@2.3.1",
                               "Designer@2.3.1",
                               "Preview@2.3.1",
                               "Projects@2.3.1",
                               "QmlProject@2.3.1",
                               "TextEditor@2.3.1" }));
        QVERIFY(!info->plugin()); // metadata only, nothing loaded yet

        m_manager.loadPlugins();
        QVERIFY2(!info->hasError(), qPrintable(info->errorString()));
        QCOMPARE(info->state(), PluginInfo::State::Running);
        QVERIFY(plugin());
        QCOMPARE(plugin()->metaObject()->className(), "Lexora::LexoraPlugin");
        // Without a project there is no database to answer from.
        QVERIFY(!Session::instance()->startupProject());
        QVERIFY(!hasDatabase());
        QVERIFY(translations({ "any" }).isEmpty());
        QVERIFY(knownTranslationIds({ "any" }).isEmpty());
    }

    void registersItsCommandsAndIssues_data()
    {
        QTest::addColumn<QByteArray>("menu");
        QTest::addColumn<QByteArrayList>("ids");

        QTest::newRow("Translations")
            << QByteArray("Lexora.Menu.Translations")
            << QByteArrayList { "Lexora.Import",        "Lexora.Export",
                                "Lexora.ExportUsed",    "Lexora.ExportDocument",
                                "Lexora.Generate",      "Lexora.ChooseLanguages",
                                "Lexora.TestInPreview", "Lexora.TestProject",
                                "Lexora.Search" };
        QTest::newRow("Tools") << QByteArray(Host::Core::MenuIds::tools)
                               << QByteArrayList { "Lexora.CheckTranslations" };
    }

    void registersItsCommandsAndIssues()
    {
        QFETCH(QByteArray, menu);
        QFETCH(QByteArrayList, ids);

        // Registered in the host's extension points, though no window shows them here.
        auto *registry = Host::Core::ActionRegistry::instance();
        QCOMPARE(registry->actionIds(menu), ids);
        QList<QKeySequence> shortcuts;
        for (const QByteArray &id : ids) {
            QAction *action = registry->action(id);
            QVERIFY(action);
            QVERIFY2(!action->shortcut().isEmpty(), id.constData());
            QVERIFY2(!shortcuts.contains(action->shortcut()), id.constData());
            shortcuts.append(action->shortcut());
            // Everything needs a project; none is open.
            QVERIFY2(!action->isEnabled(), id.constData());
        }

        // The check's category in the Issues list, with its own activation: an
        // issue that names no ID is left to the default.
        auto *issues = Host::Projects::IssueList::instance();
        QVERIFY(issues->hasCategory("Lexora.TranslationChecks"));
        Host::Projects::Issue issue(
            Host::Projects::Issue::Warning, "x", {}, -1, "Lexora.TranslationChecks");
        QVERIFY(!issues->activate(issue));
        issue.data = QStringLiteral("welcome.title");
        QVERIFY(issues->activate(issue));
    }

    void createsDatabaseWithFullSchema()
    {
        const QString databasePath = m_dir.filePath("first/translations.db");
        QVERIFY(!QFileInfo::exists(databasePath));

        Session::instance()->setStartupProject(addProject("first"));

        QVERIFY(hasDatabase());
        // The commands that need the database follow it.
        QVERIFY(Host::Core::ActionRegistry::instance()->action("Lexora.Import")->isEnabled());
        QVERIFY(QFileInfo::exists(databasePath));
        QStringList expected { "table languages",
                               "table screenMetaData",
                               "table translatableMetaData",
                               "table translatables",
                               "table translationIdSubstrings",
                               "table translationMetaData",
                               "table translationPluralForms",
                               "table translations",
                               "table translationsFullText",
                               "table translationsSubstrings" };
        for (const char *index :
             { "translationIdSubstrings", "translationsFullText", "translationsSubstrings" })
            for (const char *change : { "_delete", "_insert", "_update" })
                expected.append(QStringLiteral("trigger ") + index + change);
        QCOMPARE(schemaObjects(databasePath), expected);
    }

    void followsTheStartupProject()
    {
        Session *session = Session::instance();
        Project *first = session->startupProject();
        QVERIFY(first);
        Project *second = addProject("second");
        const QString firstDatabase
            = first->projectDirectory().pathAppended("translations.db").toString();

        // Write into the first project's database while the plugin has the second open.
        session->setStartupProject(second);
        QVERIFY(hasDatabase());
        {
            Lexora::ProjectDatabase database(firstDatabase);
            Lexora::DatabaseIo &io = database.databaseIo();
            io.updateTranslation(io.addTranslatable("greeting"), "de", "Hallo");
        }
        QVERIFY(translations({ "greeting" }).isEmpty());

        session->setStartupProject(first);
        QCOMPARE(translations({ "greeting", "unknown" }),
                 (QVariantMap { { "greeting", QVariantMap { { "de", "Hallo" } } } }));
        QCOMPARE(knownTranslationIds({ "unknown", "greeting" }), QStringList { "greeting" });

        session->setStartupProject(nullptr);
        QVERIFY(!hasDatabase());
        QVERIFY(translations({ "greeting" }).isEmpty());

        session->setStartupProject(second);
        QVERIFY(hasDatabase());
        QVERIFY(translations({ "greeting" }).isEmpty());
    }

    void unusableDatabaseIsReportedWithoutABox_data()
    {
        QTest::addColumn<QByteArray>("sql");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expectedError");

        // A translations table from another schema version: no `language` column.
        QTest::newRow("other schema version")
            << QByteArray("CREATE TABLE translatables(id INTEGER NOT NULL UNIQUE, "
                          "translationTextId TEXT PRIMARY KEY NOT NULL);"
                          "CREATE TABLE translations(id INTEGER, translatableId INTEGER, "
                          "translation TEXT);")
            << QByteArray() << "the table translations has no column language";
        QTest::newRow("another program's database")
            << QByteArray("CREATE TABLE notes(text TEXT); INSERT INTO notes VALUES('mine');")
            << QByteArray() << "the table translatables is missing";
        QByteArray noise(8192, '\0');
        for (qsizetype i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + 13) % 251);
        QTest::newRow("random bytes") << QByteArray() << noise << "file is not a database";
        QTest::newRow("half a database") << QByteArray() << QByteArray("half") << QString();
    }

    void unusableDatabaseIsReportedWithoutABox()
    {
        QFETCH(QByteArray, sql);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expectedError);

        Session *session = Session::instance();
        Project *working = session->startupProject();
        QVERIFY(working);
        Project *broken = addProject(QStringLiteral("broken_") + QTest::currentDataTag());
        const QString path = broken->projectDirectory().pathAppended("translations.db").toString();
        if (!sql.isEmpty()) {
            QVERIFY(executeSql(path, sql.constData()));
        } else if (bytes == "half") {
            {
                Lexora::ProjectDatabase database(path);
                Lexora::DatabaseIo &io = database.databaseIo();
                for (int i = 0; i < 500; ++i)
                    io.updateTranslation(
                        io.addTranslatable("id" + std::to_string(i)), "de", "Text");
            }
            QVERIFY(QFile(path).resize(QFileInfo(path).size() / 2));
        } else {
            QVERIFY(writeFile(path, bytes));
        }
        const QByteArray before = readFile(path);
        const qsizetype issuesBefore = Host::Projects::IssueList::instance()->issues().size();

        // Nothing modal: a run without anyone to close a box must go on.
        MessageBoxCatcher catcher;
        session->setStartupProject(broken);
        auto *lexora = qobject_cast<Host::Plugins::Plugin *>(plugin());
        QString errorString;
        QVERIFY2(lexora->initialize({}, &errorString), qPrintable(errorString));
        QTRY_COMPARE(Host::Projects::IssueList::instance()->issues().size(), issuesBefore + 2);
        QVERIFY2(catcher.seen.isEmpty(), qPrintable(catcher.seen.join('\n')));
        // The previous project's database must not take this project's edits.
        QVERIFY(!hasDatabase());
        const QString reported
            = Host::Projects::IssueList::instance()->issues().constLast().description;
        QVERIFY2(reported.startsWith("The translation database " + QDir::toNativeSeparators(path)
                                     + " could not be opened: ")
                     && reported.contains(expectedError),
                 qPrintable(reported));
        // Refused as it was found: a foreign file is not switched to another journal mode.
        QCOMPARE(readFile(path), before);

        session->setStartupProject(working);
        QVERIFY(hasDatabase());
    }

    void tableShowsTheAttachedDocument_data()
    {
        QTest::addColumn<QString>("primaryLanguage");
        QTest::addColumn<QStringList>("expectedRows");

        QTest::newRow("German first")
            << "de" << QStringList { "farewell|Tsch\u00fcss", "greeting|Hallo", "missing|" };
        QTest::newRow("English first")
            << "en" << QStringList { "farewell|", "greeting|Hello", "missing|" };
    }

    void tableShowsTheAttachedDocument()
    {
        QFETCH(QString, primaryLanguage);
        QFETCH(QStringList, expectedRows);

        const QString name = QStringLiteral("designed_") + primaryLanguage;
        QDir(m_dir.path()).mkpath(name);
        const QString projectFile = m_dir.filePath(name + '/' + name + ".qmlproject");
        {
            QVERIFY(writeFile(projectFile,
                              "import QmlProject\nProject {\n    supportedLanguages: "
                              "[\"en\", \"de\"]\n    primaryLanguage: \""
                                  + primaryLanguage.toUtf8() + "\"\n}\n"));
            Lexora::ProjectDatabase database(m_dir.filePath(name + "/translations.db"));
            Lexora::DatabaseIo &io = database.databaseIo();
            const auto greeting = io.addTranslatable("greeting");
            io.updateTranslation(greeting, "de", "Hallo");
            io.updateTranslation(greeting, "en", "Hello");
            io.updateTranslation(io.addTranslatable("farewell"), "de", "Tsch\u00fcss");
        }
        QString error;
        auto project = Host::QmlProject::DesignProject::open(
            Host::Utils::Path::fromString(projectFile), &error);
        QVERIFY2(project, qPrintable(error));
        Project *opened = project.get();
        Session::instance()->addProject(project.release());
        Session::instance()->setStartupProject(opened);
        QVERIFY(hasDatabase());

        // The plugin's view is registered with the designer; the translations tab's
        // table is in its panel. The module has its own copy of the class: look by name.
        auto *manager = Host::Designer::ViewManager::instance();
        QCOMPARE(translationsViews().size(), 1);
        Host::Designer::DesignerView *view = translationsViews().first();
        QTableView *table = nullptr;
        for (QTableView *candidate :
             view->widgetDescription().widget->findChildren<QTableView *>()) {
            if (qstrcmp(candidate->metaObject()->className(), "Lexora::TranslationTableView") == 0)
                table = candidate;
        }
        QVERIFY(table && table->model());

        Host::Designer::FormDocument document;
        QVERIFY(document.setText(
            QStringLiteral("import QtQuick\nItem {\n    Text { text: qsTrId(\"greeting\") }\n"
                           "    Text { text: qsTrId(\"missing\") + qsTrId(\"farewell\") }\n"
                           "    Text { text: qsTr(\"ignored\") }\n}\n")));
        manager->setCurrentDocument(&document);
        QCOMPARE(view->model(), document.model());

        const QAbstractItemModel *model = table->model();
        QStringList rows;
        for (int row = 0; row < model->rowCount(); ++row)
            rows.append(model->index(row, 0).data().toString() + '|'
                        + model->index(row, 1).data().toString());
        QCOMPARE(rows, expectedRows);
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(),
                 primaryLanguage == QLatin1String("de") ? QStringLiteral("German")
                                                        : QStringLiteral("English"));

        manager->setCurrentDocument(nullptr);
        QVERIFY(!view->isAttached());
    }

    void reinitializationKeepsOneView()
    {
        const QList<Host::Designer::DesignerView *> before = translationsViews();
        QCOMPARE(before.size(), 1);
        auto *lexora = qobject_cast<Host::Plugins::Plugin *>(plugin());
        QString errorString;
        QVERIFY2(lexora->initialize({}, &errorString), qPrintable(errorString));
        QVERIFY(lexora->delayedInitialize());
        QCOMPARE(translationsViews(), before);
        QVERIFY(hasDatabase());
    }

    void shutdownWaitsForGenerationAndClosesTheDatabase()
    {
        QVERIFY(hasDatabase());
        Project *project = Session::instance()->startupProject();
        const QDir projectDir(project->projectDirectory().toString());
        Host::Utils::Paths files;
        for (int i = 0; i < 40; ++i) {
            const QString path = projectDir.filePath(QStringLiteral("Screen%1.qml").arg(i));
            QVERIFY(writeFile(path,
                              "import QtQuick\nText { text: qsTrId(\"greeting\") + qsTrId(\"id"
                                  + QByteArray::number(i) + "\") }\n"));
            files.append(Host::Utils::Path::fromString(path));
        }
        project->setFiles(files);

        QVERIFY(generate({ "de", "fr" }, "all"));
        QVERIFY(!generate({ "de" }, "xml"));

        // Shutting down right away waits for the worker before the database goes.
        auto *lexora = qobject_cast<Host::Plugins::Plugin *>(plugin());
        QCOMPARE(lexora->aboutToShutdown(), Host::Plugins::Plugin::ShutdownMode::Synchronous);
        QVERIFY(!hasDatabase());
        // Its commands and the activation of its issues went with it.
        auto *registry = Host::Core::ActionRegistry::instance();
        QVERIFY(!registry->action("Lexora.Import")
                && !registry->action("Lexora.CheckTranslations"));
        QVERIFY(!registry->menuIds().contains("Lexora.Menu.Translations"));
        Host::Projects::Issue issue(
            Host::Projects::Issue::Warning, "x", {}, -1, "Lexora.TranslationChecks");
        issue.data = QStringLiteral("greeting");
        QVERIFY(!Host::Projects::IssueList::instance()->activate(issue));
        for (const char *name : { "qml_de.qm", "qml_fr.qm", "qml_de.ts", "qml_fr.ts" })
            QVERIFY2(projectDir.exists(QLatin1String("i18n/") + QLatin1String(name)), name);
        QVERIFY(!generate({ "de" }, "qm"));

        // The view used the services just destroyed: the designer must no longer
        // attach it to the documents it shows.
        QVERIFY(translationsViews().isEmpty());
        Host::Designer::FormDocument document;
        QVERIFY(document.setText(
            QStringLiteral("import QtQuick\nText { text: qsTrId(\"greeting\") }\n")));
        Host::Designer::ViewManager::instance()->setCurrentDocument(&document);
        for (Host::Designer::DesignerView *each : document.model()->views())
            QVERIFY(each->widgetDescription().uniqueId != QLatin1String("TranslationsView"));
        Host::Designer::ViewManager::instance()->setCurrentDocument(nullptr);

        // With the connection closed, another process can check the file.
        const QString sqlite3Shell = QStandardPaths::findExecutable("sqlite3");
        if (sqlite3Shell.isEmpty())
            LEXORA_PEER_MISSING("the sqlite3 shell is not installed");
        QProcess shell;
        shell.start(sqlite3Shell,
                    { projectDir.filePath("translations.db"), "PRAGMA integrity_check;" });
        QVERIFY(shell.waitForFinished());
        QCOMPARE(shell.readAllStandardOutput().trimmed(), QByteArray("ok"));

        // A project change after shutdown reaches nothing.
        Session::instance()->setStartupProject(nullptr);
        QVERIFY(!hasDatabase());
    }

    void checkRunnerRefuses_data()
    {
        QTest::addColumn<QByteArray>("projectText"); // empty: no project
        QTest::addColumn<bool>("database");
        QTest::addColumn<QString>("errorPart");

        QTest::newRow("no project") << QByteArray() << false << "Open a project";
        QTest::newRow("no primary language")
            << QByteArray("import QmlProject\nProject { supportedLanguages: [\"en\", \"de\"] }\n")
            << true << "names no primary language";
        QTest::newRow("nothing besides the primary language")
            << QByteArray("import QmlProject\nProject { supportedLanguages: [\"en\"]; "
                          "primaryLanguage: \"en\" }\n")
            << true << "names no languages besides its primary language en";
        // Opening a missing database would create an empty one.
        QTest::newRow("no database")
            << QByteArray("import QmlProject\nProject { supportedLanguages: "
                          "[\"en\", \"de\"]; primaryLanguage: \"en\" }\n")
            << false << "has no translation database";
    }

    void checkRunnerRefuses()
    {
        QFETCH(QByteArray, projectText);
        QFETCH(bool, database);
        QFETCH(QString, errorPart);

        QTemporaryDir dir;
        std::unique_ptr<Host::QmlProject::DesignProject> project;
        if (!projectText.isEmpty()) {
            QVERIFY(writeFile(dir.filePath(QStringLiteral("app.qmlproject")), projectText));
            if (database)
                QVERIFY(QFile(dir.filePath(QStringLiteral("translations.db")))
                            .open(QIODevice::WriteOnly));
            QString error;
            project = Host::QmlProject::DesignProject::open(
                Host::Utils::Path::fromString(dir.filePath(QStringLiteral("app.qmlproject"))),
                &error);
            QVERIFY2(project, qPrintable(error));
        }
        Lexora::TranslationCheckRunner runner;
        QSignalSpy finished(&runner, &Lexora::TranslationCheckRunner::finished);
        QString error;
        QVERIFY(!runner.start(project.get(), &error));
        QVERIFY2(error.contains(errorPart), qPrintable(error));
        QVERIFY(!runner.isRunning());
        QCOMPARE(finished.size(), 0);
        QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("translations.db"))), database);
    }

private:
    Project *addProject(const QString &name)
    {
        QDir(m_dir.path()).mkpath(name);
        auto *project = new Project(
            Host::Utils::Path::fromString(m_dir.filePath(name + '/' + name + ".qmlproject")));
        Session::instance()->addProject(project);
        return project;
    }
    QObject *plugin() const { return m_manager.findPlugin(QStringLiteral("Lexora")); }
    // Calls one of the plugin's invokable methods, as the studio's other parts do.
    template<typename Result, typename... Args>
    Result call(const char *method, const Args &...args) const
    {
        Result result {};
        QMetaObject::invokeMethod(
            plugin(),
            method,
            QReturnArgument<Result>(QMetaType::fromType<Result>().name(), result),
            QArgument<Args>(QMetaType::fromType<Args>().name(), args)...);
        return result;
    }
    bool hasDatabase() const { return call<bool>("hasProjectDatabase"); }
    QVariantMap translations(const QStringList &ids) const
    {
        return call<QVariantMap>("translations", ids);
    }
    QStringList knownTranslationIds(const QStringList &ids) const
    {
        return call<QStringList>("knownTranslationIds", ids);
    }
    bool generate(const QStringList &languages, const QString &format) const
    {
        return call<bool>("generateTranslationFiles", languages, format);
    }

    QTemporaryDir m_dir;
    PluginHost m_manager;
};

QTEST_MAIN(tst_LexoraPlugin)
#include "tst_lexoraplugin.moc"
