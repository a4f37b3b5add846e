#include "projectlocation.h"
#include "recentprojects.h"
#include "screenshottaker.h"
#include "studiowindow.h"
#include "workspace.h"

#include "../translationsview/messageboxcatcher.h"

#include <core/actionregistry.h>
#include <core/editorcontext.h>
#include <core/progresscenter.h>
#include <designer/documentmodel.h>
#include <designer/documentrewriter.h>
#include <designer/formdocument.h>
#include <designer/node.h>
#include <designer/viewmanager.h>
#include <extensionsystem/pluginhost.h>
#include <extensionsystem/plugininfo.h>
#include <formeditor/formeditorconstants.h>
#include <formeditor/formview.h>
#include <formeditor/frameoverlay.h>
#include <preview/debugtranslationclient.h>
#include <preview/previewcontroller.h>
#include <preview/previewplugin.h>
#include <preview/previewsession.h>
#include <projects/issuelist.h>
#include <projects/issuesfiltermodel.h>
#include <projects/issuesmodel.h>
#include <projects/issuesview.h>
#include <projects/projectnavigator.h>
#include <projects/projecttree.h>
#include <projects/session.h>
#include <qmlproject/designproject.h>
#include <texteditor/texteditorwidget.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QHash>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>

#include <peerrequirement.h>
#include <testfiles.h>

using Host::Utils::Path;

namespace {

const QString exampleDir = QStringLiteral(LEXORA_SOURCE_DIR "/examples/hello");

// A private copy of the example, so that nothing a test does reaches the sources.
bool copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    const QDir source(from);
    for (const QFileInfo &entry :
         source.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir() ? !copyTree(entry.filePath(), target)
                          : !QFile::copy(entry.filePath(), target))
            return false;
    }
    return true;
}

const QString pluginDirectory = QStringLiteral(LEXORA_BINARY_DIR "/lib/lexora-studio/plugins");

// Runs the command-line tool; the exit status, or -1 when it did not finish.
int runLexora(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral(LEXORA_BINARY_DIR "/bin/lexora"), arguments);
    return tool.waitForFinished(30000) && tool.exitStatus() == QProcess::NormalExit
        ? tool.exitCode()
        : -1;
}

// The example with its JSON translations imported and, when asked, its
// catalogues generated, as the command-line tool prepares it.
bool prepareExample(const QString &project, bool generate = false)
{
    return copyTree(exampleDir, project)
        && runLexora(
               { "import", project + QLatin1String("/translations.json"), "--project", project })
        == 0
        && (!generate || runLexora({ "generate", "--project", project, "--format", "qm" }) == 0);
}

// Records the replies of the preview's "DebugTranslation" service.
class RecordingTranslationClient : public Host::Preview::DebugTranslationClient
{
public:
    using DebugTranslationClient::DebugTranslationClient;
    QList<qint32> replies;

protected:
    void messageReceived(const QByteArray &message) override
    {
        QDataStream stream(message);
        stream.setVersion(dataStreamVersion());
        qint32 reply = 0;
        stream >> reply;
        replies.append(reply);
    }
};

// Qt's reply to a language change of the "DebugTranslation" service.
constexpr qint32 languageChangedReply = 101;

QString previewMissing()
{
    const QString bin = QLibraryInfo::path(QLibraryInfo::BinariesPath);
    if (!QFileInfo(bin + QLatin1String("/qmlscene")).isExecutable())
        return QStringLiteral("qmlscene (package qmlscene-qt6)");
    const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    if (!QFileInfo::exists(plugins + QLatin1String("/qmltooling/libqmldbg_preview.so")))
        return QStringLiteral("the QML debug services (package qt6-qmltooling-plugins)");
    return {};
}

const QByteArray minimalProject = "import QmlProject\nProject {\n    mainFile: \"Main.qml\"\n}\n";

int rowOf(const QAbstractItemModel *model, const QString &id)
{
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, 0).data().toString() == id)
            return row;
    }
    return -1;
}

// What Qt's own sqlite3 shell reads from the database, one line per row.
QStringList sqliteRows(const QString &database, const QString &sql)
{
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), { database, sql });
    if (!shell.waitForFinished(10000) || shell.exitCode() != 0)
        return { QStringLiteral("<sqlite3 failed: %1>")
                     .arg(QString::fromLocal8Bit(shell.readAllStandardError())) };
    return QString::fromUtf8(shell.readAllStandardOutput())
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QAction *actionNamed(QWidget *within, const QString &text)
{
    for (QAction *action : within->findChildren<QAction *>()) {
        if (action->text() == text || action->toolTip() == text)
            return action;
    }
    return nullptr;
}

// Answers the next file dialog with `file`, as a user would: types the whole
// path into its file name field and accepts. The dialog reads its directory
// in a thread of its own; should it not know the file yet and complain, the
// complaint is closed and the answer given again. The answering ends (and the
// returned pointer turns null) once no modal window is left.
QPointer<QTimer> answerFileDialog(const QString &file)
{
    auto *poll = new QTimer(qApp);
    poll->setInterval(20);
    auto answered = std::make_shared<bool>(false);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, file, answered] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            box->reject();
        } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            *answered = true;
            if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                name->setText(file);
            else
                dialog->selectFile(file);
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        } else if (*answered) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start();
    return poll;
}

QString qtTool(const QString &name)
{
    const QString inQt = QLibraryInfo::path(QLibraryInfo::BinariesPath) + QLatin1Char('/') + name;
    return QFileInfo(inQt).isExecutable() ? inQt : QStandardPaths::findExecutable(name);
}

} // namespace

// What the plugin registers in the host: its menu, its commands, the check.
const QByteArray translationsMenu = "Lexora.Menu.Translations";
const QByteArray checkCategory = "Lexora.TranslationChecks";

QAction *registeredAction(const char *id)
{
    return Host::Core::ActionRegistry::instance()->action(id);
}

class tst_Studio : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_temp.isValid());
    }

    void cleanup()
    {
        Host::Projects::Session::instance()->removeAllProjects();
        Host::Projects::ProjectNavigator::instance()->setCurrentFilePath({});
    }

    void recentProjects_data()
    {
        QTest::addColumn<int>("maximum");
        // "+name" adds, "-name" removes, "!name" deletes the file, "clear" clears.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("most recent first")
            << 8 << QStringList { "+a", "+b", "+c" } << QStringList { "c", "b", "a" };
        QTest::newRow("opening again moves to the front")
            << 8 << QStringList { "+a", "+b", "+a" } << QStringList { "a", "b" };
        QTest::newRow("two spellings of one file are one entry")
            << 8 << QStringList { "+a", "+sub/../a" } << QStringList { "a" };
        QTest::newRow("oldest beyond the maximum go")
            << 2 << QStringList { "+a", "+b", "+c" } << QStringList { "c", "b" };
        QTest::newRow("remove") << 8 << QStringList { "+a", "+b", "-a" } << QStringList { "b" };
        QTest::newRow("clear") << 8 << QStringList { "+a", "+b", "clear", "+c" }
                               << QStringList { "c" };
        // A vanished project is not offered but keeps its place: it may come back.
        QTest::newRow("missing file hidden")
            << 8 << QStringList { "+a", "+b", "!a" } << QStringList { "b" };
        QTest::newRow("missing file back again")
            << 8 << QStringList { "+a", "+b", "!a", "restore a" } << QStringList { "b", "a" };
    }

    void recentProjects()
    {
        QFETCH(int, maximum);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, expected);

        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("sub"));
        const auto file = [&](const QString &name) {
            return dir.filePath(name + QLatin1String(".qmlproject"));
        };
        for (const char *name : { "a", "b", "c" })
            QVERIFY(writeFile(file(QLatin1String(name)), minimalProject));

        const QString settingsFile = dir.filePath(QStringLiteral("settings.ini"));
        {
            QSettings settings(settingsFile, QSettings::IniFormat);
            Studio::RecentProjects recent(&settings, maximum);
            for (const QString &step : steps) {
                if (step == QLatin1String("clear"))
                    recent.clear();
                else if (step.startsWith(QLatin1Char('+')))
                    recent.add(file(step.mid(1)));
                else if (step.startsWith(QLatin1Char('-')))
                    recent.remove(file(step.mid(1)));
                else if (step.startsWith(QLatin1Char('!')))
                    QVERIFY(QFile::remove(file(step.mid(1))));
                else if (step.startsWith(QLatin1String("restore ")))
                    QVERIFY(writeFile(file(step.mid(8)), minimalProject));
            }
        }
        // What the next run of the studio reads back.
        QSettings settings(settingsFile, QSettings::IniFormat);
        QStringList expectedFiles;
        for (const QString &name : expected)
            expectedFiles.append(QDir::cleanPath(file(name)));
        QCOMPARE(Studio::RecentProjects(&settings, maximum).files(), expectedFiles);
    }

    void projectLocation_data()
    {
        QTest::addColumn<QStringList>("projectFiles");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("expected"); // relative to the directory; empty: an error
        QTest::addColumn<QString>("errorPart");
        const auto row = [](const char *tag,
                            const QStringList &files,
                            const char *location,
                            const char *expected,
                            const char *errorPart) {
            QTest::newRow(tag) << files << QString(location) << QString(expected)
                               << QString(errorPart);
        };

        row("directory with one project", { "app.qmlproject" }, ".", "app.qmlproject", "");
        row("the project file itself",
            { "app.qmlproject", "other.qmlproject" },
            "other.qmlproject",
            "other.qmlproject",
            "");
        row("directory without project", { "readme.txt" }, ".", "", "holds no .qmlproject file");
        row("directory with two projects",
            { "a.qmlproject", "b.qmlproject" },
            ".",
            "",
            "a.qmlproject, b.qmlproject");
        row("file of another kind",
            { "readme.txt" },
            "readme.txt",
            "",
            "is not a .qmlproject file");
        row("missing", {}, "gone", "", "does not exist");
        row("empty argument", {}, "#empty", "", "does not exist");
    }

    void projectLocation()
    {
        QFETCH(QStringList, projectFiles);
        QFETCH(QString, location);
        QFETCH(QString, expected);
        QFETCH(QString, errorPart);

        QTemporaryDir dir;
        for (const QString &name : projectFiles)
            QVERIFY(writeFile(dir.filePath(name), minimalProject));
        QString error;
        const QString argument = location == QLatin1String("#empty")
            ? QString()
            : QDir::cleanPath(dir.filePath(location));
        const QString found = Studio::projectFileAt(argument, &error);
        if (expected.isEmpty()) {
            QVERIFY(found.isEmpty());
            QVERIFY2(error.contains(errorPart), qPrintable(error));
        } else {
            QCOMPARE(found, QDir::cleanPath(dir.filePath(expected)));
        }
    }

    void openProject_data()
    {
        QTest::addColumn<QString>("projectText");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("currentFile"); // relative; empty: no document

        QTest::newRow("main file opens with the project")
            << QString::fromLatin1(minimalProject) << true << "Main.qml";
        QTest::newRow("no main file: project without document") << "import QmlProject\nProject {}\n"
                                                                << true << "";
        QTest::newRow("main file missing on disk")
            << "import QmlProject\nProject { mainFile: \"Gone.qml\" }\n"
            << true << "";
        QTest::newRow("broken project file keeps the previous project")
            << "import QmlProject\nProject { mainFile: \n"
            << false << "";
    }

    void openProject()
    {
        QFETCH(QString, projectText);
        QFETCH(bool, opens);
        QFETCH(QString, currentFile);

        QTemporaryDir previousDir;
        QVERIFY(
            writeFile(previousDir.filePath(QStringLiteral("previous.qmlproject")), minimalProject));
        QVERIFY(writeFile(previousDir.filePath(QStringLiteral("Main.qml")),
                          "import QtQuick\nItem {}\n"));
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("app.qmlproject")), projectText.toUtf8()));
        QVERIFY(
            writeFile(dir.filePath(QStringLiteral("Main.qml")), "import QtQuick\nRectangle {}\n"));

        Studio::StudioWindow window(nullptr);
        QString error;
        QVERIFY2(window.openProject(previousDir.path(), &error), qPrintable(error));
        auto *session = Host::Projects::Session::instance();
        Host::Projects::Project *previous = session->startupProject();
        QVERIFY(previous);

        QSignalSpy opened(&window, &Studio::StudioWindow::projectOpened);
        QCOMPARE(window.openProject(dir.path(), &error), opens);
        QCOMPARE(opened.size(), opens ? 1 : 0);
        auto *editor = Host::Core::EditorContext::instance();
        if (!opens) {
            QVERIFY(error.contains(QLatin1String("app.qmlproject")));
            QCOMPARE(session->startupProject(), previous);
            QCOMPARE(window.project(), previous);
            QCOMPARE(editor->currentFilePath(),
                     Path::fromString(previousDir.filePath(QStringLiteral("Main.qml"))));
            return;
        }
        // One project at a time: the previous one closed.
        QCOMPARE(session->projects().size(), 1);
        QCOMPARE(session->startupProject(), window.project());
        QCOMPARE(window.project()->projectDirectory(), Path::fromString(dir.path()));
        const Path expected
            = currentFile.isEmpty() ? Path() : Path::fromString(dir.filePath(currentFile));
        QCOMPARE(editor->currentFilePath(), expected);
        QCOMPARE(window.currentFile(), expected);
        QVERIFY(window.windowTitle().contains(QLatin1String("app")));

        window.closeProject();
        QVERIFY(session->projects().isEmpty());
        QVERIFY(editor->currentFilePath().isEmpty());
    }

    void treeOpensQmlFiles_data()
    {
        QTest::addColumn<QString>("activated");
        QTest::addColumn<bool>("opens");

        QTest::newRow("qml file") << "content/Other.qml" << true;
        QTest::newRow("ui.qml file") << "content/Screen.ui.qml" << true;
        QTest::newRow("json file stays closed") << "translations.json" << false;
    }

    void treeOpensQmlFiles()
    {
        QFETCH(QString, activated);
        QFETCH(bool, opens);

        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("app.qmlproject")),
                          "import QmlProject\nProject { mainFile: \"content/Main.qml\" }\n"));
        for (const char *name :
             { "content/Main.qml", "content/Other.qml", "content/Screen.ui.qml" })
            QVERIFY(writeFile(dir.filePath(QLatin1String(name)), "import QtQuick\nItem {}\n"));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("translations.json")), "{}"));

        Studio::StudioWindow window(nullptr);
        QString error;
        QVERIFY2(window.openProject(dir.path(), &error), qPrintable(error));
        const Path main = Path::fromString(dir.filePath(QStringLiteral("content/Main.qml")));
        QCOMPARE(window.currentFile(), main);
        // The tree shows the open document as its current row.
        QCOMPARE(Host::Projects::ProjectNavigator::instance()->currentFilePath(), main);

        Host::Projects::ProjectTree *tree = window.projectTree();
        const Path target = Path::fromString(dir.filePath(activated));
        const QModelIndex index = tree->indexOf(target);
        QVERIFY(index.isValid());
        emit tree->treeView()->activated(index);
        QCOMPARE(window.currentFile(), opens ? target : main);
    }

    void panelsShareAreasAsTabs()
    {
        Studio::StudioWindow window(nullptr);
        const auto panel = [](const char *name) {
            auto *widget = new QWidget;
            widget->setObjectName(QLatin1String(name));
            widget->setWindowTitle(QLatin1String(name));
            return widget;
        };
        QDockWidget *first = window.addPanel(panel("Translations"), Qt::RightDockWidgetArea);
        QDockWidget *second = window.addPanel(panel("Properties"), Qt::RightDockWidgetArea);
        QDockWidget *third = window.addPanel(panel("Library"), Qt::LeftDockWidgetArea);
        QCOMPARE(first->objectName(), QStringLiteral("TranslationsDock"));
        QCOMPARE(first->windowTitle(), QStringLiteral("Translations"));
        QCOMPARE(window.dockWidgetArea(first), Qt::RightDockWidgetArea);
        QCOMPARE(window.dockWidgetArea(third), Qt::LeftDockWidgetArea);
        QCOMPARE(window.tabifiedDockWidgets(first), QList<QDockWidget *> { second });
        QVERIFY(window.tabifiedDockWidgets(third).isEmpty());
        QCOMPARE(window.panels().size(), 3);
    }

    void windowFitsTheScreen()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("app.qmlproject")),
                          "import QmlProject\nProject { mainFile: \"content/Main.qml\" }\n"));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("content/Main.qml")),
                          "import QtQuick\nRectangle { width: 640; height: 480 }\n"));
        Studio::Workspace workspace(nullptr);
        Studio::StudioWindow *window = workspace.window();
        QString error;
        QVERIFY2(window->openProject(dir.path(), &error), qPrintable(error));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));

        // A first start on a screen smaller than the window's own size: every
        // edge within what the screen offers, the status bar included.
        const QRect available = window->screen()->availableGeometry();
        QVERIFY2(
            available.contains(window->frameGeometry()),
            qPrintable(QDebug::toString(window->frameGeometry()) + QDebug::toString(available)));
        // The text and the form share the document area, the text not less than
        // a third of it.
        auto *splitter = window->findChild<QSplitter *>(QStringLiteral("DocumentSplitter"));
        QVERIFY(splitter);
        QVERIFY(splitter->count() >= 2);
        const QList<int> sizes = splitter->sizes();
        QVERIFY2(
            sizes[0] * 3 >= splitter->width() - splitter->handleWidth() * 2,
            qPrintable(QStringLiteral("editor %1 of %2").arg(sizes[0]).arg(splitter->width())));
        QVERIFY(sizes[1] >= sizes[0]);
        // The next document, a form larger than the view, keeps the text's share.
        QVERIFY(writeFile(dir.filePath(QStringLiteral("content/Wide.qml")),
                          "import QtQuick\nRectangle { width: 1920; height: 1080 }\n"));
        QVERIFY2(window->openFile(
                     Path::fromString(dir.filePath(QStringLiteral("content/Wide.qml"))), &error),
                 qPrintable(error));
        QTRY_COMPARE(splitter->sizes(), sizes);
        // So does the first document of a project opened again.
        window->closeProject();
        QVERIFY2(window->openProject(dir.path(), &error), qPrintable(error));
        QTRY_COMPARE(splitter->sizes(), sizes);
    }

    void pluginsLoadFromPluginDirectory_data()
    {
        QTest::addColumn<bool>("withLexora");
        QTest::newRow("the studio's plugin directory") << true;
        // The plugin removed from the plugin directory takes its menus and panel
        // with it, and nothing else.
        QTest::newRow("an empty plugin directory") << false;
    }

    void pluginsLoadFromPluginDirectory()
    {
        QFETCH(bool, withLexora);

        QTemporaryDir emptyDirectory;
        Studio::Workspace workspace(nullptr);
        QString error;
        const QString project
            = m_temp.filePath(QStringLiteral("plugins-hello-") + QTest::currentDataTag());
        QVERIFY(copyTree(exampleDir, project));
        workspace.loadPlugins({ withLexora ? pluginDirectory : emptyDirectory.path() });
        QVERIFY2(workspace.pluginErrors().isEmpty(),
                 qPrintable(workspace.pluginErrors().join(QLatin1Char('\n'))));
        // The studio's own live preview is a plugin like the others, running
        // before the project opens; the plugins find it through the manager.
        Host::Plugins::PluginInfo *preview = workspace.pluginHost()->pluginInfo(
            QLatin1String(Host::Preview::PreviewPlugin::pluginName));
        QVERIFY(preview);
        QCOMPARE(preview->state(), Host::Plugins::PluginInfo::State::Running);
        QCOMPARE(Host::Preview::PreviewPlugin::find(), workspace.previewPlugin());
        // The plugins are running before the project opens; they follow it. Without
        // a project there is nothing to run the plugin's commands on.
        QVERIFY(!QFile::exists(project + QLatin1String("/translations.db")));
        for (const QByteArray &id :
             Host::Core::ActionRegistry::instance()->actionIds(translationsMenu))
            QVERIFY(!registeredAction(id)->isEnabled());
        QVERIFY2(workspace.window()->openProject(project, &error), qPrintable(error));
        QVERIFY(workspace.window()->document());

        // The menu bar is what the registry holds: the plugin's menu and command
        // only with the plugin.
        QStringList menus;
        for (QAction *action : workspace.window()->menuBar()->actions()) {
            if (action->isVisible())
                menus.append(action->text().remove(QLatin1Char('&')));
        }
        QCOMPARE(menus,
                 QStringList({ "File", "Edit", "Preview", "View", "Translations", "Tools" })
                     .mid(0, withLexora ? 6 : 4));
        QMenu *tools = Host::Core::ActionRegistry::instance()->menu(Host::Core::MenuIds::tools);
        QVERIFY(tools);
        QCOMPARE(tools->actions().contains(registeredAction("Lexora.CheckTranslations")),
                 withLexora);
        QCOMPARE(workspace.window()->viewWidget(QStringLiteral("TranslationsView")) != nullptr,
                 withLexora);
        Host::Plugins::PluginInfo *lexora
            = workspace.pluginHost()->pluginInfo(QStringLiteral("Lexora"));
        if (!withLexora) {
            QVERIFY(!lexora);
            QVERIFY(!QFile::exists(project + QLatin1String("/translations.db")));
            workspace.shutdown();
            return;
        }

        // Loaded at run time from the module: the studio does not link it.
        QVERIFY(lexora);
        QCOMPARE(lexora->state(), Host::Plugins::PluginInfo::State::Running);
        QVERIFY(
            lexora->filePath().startsWith(QLatin1String(LEXORA_BINARY_DIR "/lib/lexora-studio")));
        // Each entry of the plugin's menu runs the panel command of the same name,
        // whose button names the entry's shortcut; Search opens the search tab.
        struct Command
        {
            const char *id;
            const char *menuText;
            const char *button;
        };
        const Command commands[] = {
            { "Lexora.Import", "Import...", "Import translations from JSON file" },
            { "Lexora.Export", "Export...", "Export translations to JSON file" },
            { "Lexora.ExportUsed",
              "Export Used Translations...",
              "Export used translations to JSON" },
            { "Lexora.ExportDocument",
              "Export Document Translations...",
              "Export current documents translations to JSON" },
            { "Lexora.Generate",
              "Generate Translation Files",
              "Generate translation files, both .qm and .ts" },
            { "Lexora.ChooseLanguages",
              "Choose Languages...",
              "Select supported languages for the project" },
            { "Lexora.TestInPreview", "Test in Preview...", "Run Qml Translation Test" },
            { "Lexora.TestProject", "Test Project...", "Run Project Translation Test" },
            { "Lexora.Search", "Search", nullptr },
        };
        QByteArrayList ids;
        for (const Command &command : commands)
            ids.append(command.id);
        QCOMPARE(Host::Core::ActionRegistry::instance()->actionIds(translationsMenu), ids);
        QWidget *panel = workspace.window()->viewWidget(QStringLiteral("TranslationsView"));
        auto *tabs = panel->findChild<QTabWidget *>();
        QVERIFY(tabs);
        for (const Command &command : commands) {
            QAction *entry = registeredAction(command.id);
            QVERIFY(Host::Core::ActionRegistry::instance()
                        ->menu(translationsMenu)
                        ->actions()
                        .contains(entry));
            QCOMPARE(entry->text().remove(QLatin1Char('&')), QLatin1String(command.menuText));
            QVERIFY(entry->isEnabled());
            QVERIFY(!entry->shortcut().isEmpty());
            if (!command.button) {
                tabs->setCurrentIndex(0);
                entry->trigger();
                QCOMPARE(tabs->currentIndex(), 1);
                QVERIFY(tabs->currentWidget()->findChild<QLineEdit *>());
                continue;
            }
            QAction *button = actionNamed(panel, QLatin1String(command.button));
            QVERIFY2(button, command.button);
            QCOMPARE(button->toolTip(),
                     QLatin1String(command.button) + QLatin1String(" (")
                         + entry->shortcut().toString(QKeySequence::NativeText) + QLatin1Char(')'));
            // Only whether the button's own action fires counts; its dialog is kept away.
            QObject::disconnect(button, &QAction::triggered, nullptr, nullptr);
            QSignalSpy fired(button, &QAction::triggered);
            entry->trigger();
            QCOMPARE(fired.size(), 1);
        }

        // Its issue categories are in the Issues list, and it opened the project's database.
        QStringList categories;
        for (const Host::Projects::IssueCategory &category :
             Host::Projects::IssueList::instance()->categories())
            categories.append(category.displayName);
        QVERIFY(categories.contains(QLatin1String("Translation file generation")));
        QVERIFY(categories.contains(QLatin1String("Translation checks")));
        QVERIFY(QFile::exists(project + QLatin1String("/translations.db")));

        // Shutting the plugin down takes its menu and command away.
        workspace.shutdown();
        QVERIFY(!registeredAction("Lexora.CheckTranslations"));
        QVERIFY(!Host::Core::ActionRegistry::instance()->menuIds().contains(translationsMenu));
    }

    void documentViewsFollowTheText_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("typed"); // inserted before the root's closing brace
        QTest::addColumn<int>("nodesBefore");
        QTest::addColumn<int>("nodesAfter");

        QTest::newRow("welcome screen, a child added") << "content/WelcomeScreen.ui.qml"
                                                       << "    Item { id: added }\n"
                                                       << 12 << 13;
        QTest::newRow("text that does not parse keeps the model") << "content/SettingsScreen.ui.qml"
                                                                  << "    Item {\n"
                                                                  << 10 << 10;
    }

    void documentViewsFollowTheText()
    {
        QFETCH(QString, file);
        QFETCH(QString, typed);
        QFETCH(int, nodesBefore);
        QFETCH(int, nodesAfter);

        const QString project = m_temp.filePath(QStringLiteral("views-") + QTest::currentDataTag());
        QVERIFY(copyTree(exampleDir, project));
        Studio::Workspace workspace(nullptr);
        Studio::StudioWindow *window = workspace.window();
        QString error;
        QVERIFY2(window->openProject(project, &error), qPrintable(error));
        const Path path = Path::fromString(project + QLatin1Char('/') + file);
        QVERIFY2(window->openFile(path, &error), qPrintable(error));
        window->show();

        // The text editor shows the file, the form view renders it, the navigator
        // lists its nodes.
        Host::Designer::FormDocument *document = window->document();
        QVERIFY(document);
        QCOMPARE(Host::Designer::ViewManager::instance()->currentDocument(), document);
        QCOMPARE(Host::Core::EditorContext::instance()->currentFilePath(), path);
        auto *editor = window->findChild<Host::TextEditor::TextEditorWidget *>(
            QStringLiteral("DocumentTextEditor"));
        QVERIFY(editor);
        QVERIFY(editor->isVisible());
        QVERIFY(editor->toPlainText().contains(QLatin1String("qsTrId(")));
        auto *form = qobject_cast<Host::FormEditor::FormView *>(
            window->viewWidget(QStringLiteral("FormEditor")));
        QVERIFY(form);
        QVERIFY(form->isVisible());
        QVERIFY2(form->rootItem(), qPrintable(form->errors().join(QLatin1Char('\n'))));
        QDockWidget *navigatorDock
            = qobject_cast<QDockWidget *>(window->viewWidget(QStringLiteral("Navigator")));
        QVERIFY(navigatorDock);
        QCOMPARE(window->dockWidgetArea(navigatorDock), Qt::LeftDockWidgetArea);
        QCOMPARE(document->model()->allNodes().size(), nodesBefore);

        // Typing into the editor re-synchronises the model and the views.
        QTextCursor cursor(editor->document());
        cursor.setPosition(editor->toPlainText().lastIndexOf(QLatin1Char('}')));
        cursor.insertText(typed);
        document->rewriter()->synchronizeWithText();
        QTRY_COMPARE(document->model()->allNodes().size(), nodesAfter);
        auto *tree = navigatorDock->findChild<QTreeView *>();
        QVERIFY(tree);
        int rows = 0;
        std::function<void(const QModelIndex &)> count = [&](const QModelIndex &parent) {
            for (int row = 0; row < tree->model()->rowCount(parent); ++row) {
                ++rows;
                count(tree->model()->index(row, 0, parent));
            }
        };
        QTRY_VERIFY((rows = 0, count({}), rows == nodesAfter));
        workspace.shutdown();
        // Edits are saved, not dropped, when the studio closes.
        QFile saved(path.toString());
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(saved.readAll()).contains(typed));
    }

    void screenshotWaitsForConditions()
    {
        QWidget window;
        window.resize(200, 120);
        const QString file = m_temp.filePath(QStringLiteral("conditions/shot.png"));
        bool ready = false;
        Studio::ScreenshotTaker taker(&window, file);
        taker.addCondition(QStringLiteral("the data"), [&] { return ready; });
        QSignalSpy finished(&taker, &Studio::ScreenshotTaker::finished);
        window.show();
        taker.start();
        QTest::qWait(100);
        QCOMPARE(finished.size(), 0);
        QCOMPARE(taker.pendingConditions(), QStringList { QStringLiteral("the data") });
        QVERIFY(!QFile::exists(file));

        ready = true;
        QVERIFY(finished.wait(2000));
        QCOMPARE(finished.first().first().toBool(), true);
        QCOMPARE(QImage(file).size(), window.grab().size());

        // A condition that never comes: the picture shows what is there, but it is
        // no success.
        const QString late = m_temp.filePath(QStringLiteral("conditions/late.png"));
        Studio::ScreenshotTaker timeout(&window, late);
        timeout.addCondition(QStringLiteral("the impossible"), [] { return false; });
        timeout.setTimeout(50);
        QSignalSpy failed(&timeout, &Studio::ScreenshotTaker::finished);
        timeout.start();
        QVERIFY(failed.wait(2000));
        QCOMPARE(failed.first().first().toBool(), false);
        QVERIFY(failed.first().at(1).toString().contains(QLatin1String("the impossible")));
        QVERIFY(QFile::exists(late));
    }

    void screenshotCommand_data()
    {
        QTest::addColumn<QStringList>("arguments"); // %P: the project copy, %F: the picture
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("writesPicture");
        QTest::addColumn<QString>("errorPart");
        QTest::addColumn<QByteArray>("database"); // written as the project's database when given

        QTest::newRow("example project")
            << QStringList { "--screenshot", "%F", "%P" } << 0 << true << "" << QByteArray();
        // Said without a box, which nobody would close in this run.
        QByteArray noise(8192, '\0');
        for (qsizetype i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + 13) % 251);
        QTest::newRow("database of random bytes")
            << QStringList { "--screenshot", "%F", "%P" } << 0 << true
            << "translations.db could not be opened: file is not a database" << noise;
        QTest::newRow("missing project") << QStringList { "--screenshot", "%F", "%P/nowhere" } << 1
                                         << false << "does not exist" << QByteArray();
        QTest::newRow("no project") << QStringList { "--screenshot", "%F" } << 2 << false
                                    << "needs a PROJECT" << QByteArray();
        QTest::newRow("two projects") << QStringList { "--screenshot", "%F", "%P", "%P" } << 2
                                      << false << "give one project" << QByteArray();
        QTest::newRow("picture cannot be written")
            << QStringList { "--screenshot", "/proc/no-such-dir/shot.png", "%P" } << 1 << false
            << "Cannot write the screenshot" << QByteArray();
    }

    void screenshotCommand()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(bool, writesPicture);
        QFETCH(QString, errorPart);
        QFETCH(QByteArray, database);

        QTemporaryDir dir;
        const QString project = dir.filePath(QStringLiteral("hello"));
        QVERIFY(copyTree(exampleDir, project));
        if (!database.isEmpty()) {
            QFile file(project + QStringLiteral("/translations.db"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(database), database.size());
        }
        const QString picture = dir.filePath(QStringLiteral("shot.png"));
        for (QString &argument : arguments)
            argument.replace(QLatin1String("%P"), project).replace(QLatin1String("%F"), picture);

        QProcess studio;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        studio.setProcessEnvironment(environment);
        studio.start(QStringLiteral(LEXORA_BINARY_DIR "/bin/lexora-studio"), arguments);
        QVERIFY2(studio.waitForFinished(60000), "lexora-studio did not finish");
        const QString errors = QString::fromLocal8Bit(studio.readAllStandardError());
        QCOMPARE(studio.exitStatus(), QProcess::NormalExit);
        QVERIFY2(studio.exitCode() == exitCode, qPrintable(errors));
        QCOMPARE(QFile::exists(picture), writesPicture);
        if (!errorPart.isEmpty())
            QVERIFY2(errors.contains(errorPart), qPrintable(errors));
        if (writesPicture) {
            const QImage image(picture);
            QVERIFY(!image.isNull());
            QVERIFY(image.width() >= 800 && image.height() >= 500);
            QVERIFY(QString::fromLocal8Bit(studio.readAllStandardOutput()).contains(picture));
        }
    }

    void previewRefuses_data()
    {
        QTest::addColumn<bool>("project");
        QTest::addColumn<QString>("program"); // the preview executable; empty: the default
        QTest::addColumn<QString>("errorPart");

        // Nothing to run: Start is not offered, and asking anyway says why.
        QTest::newRow("no project") << false << ""
                                    << "Open a project";
        // A preview that ends before it ran is a failure the user hears of.
        QTest::newRow("preview program missing") << true << "/nonexistent/qmlscene"
                                                 << "The preview could not be started";
    }

    void previewRefuses()
    {
        QFETCH(bool, project);
        QFETCH(QString, program);
        QFETCH(QString, errorPart);

        Studio::Workspace workspace(nullptr);
        workspace.loadPlugins({ pluginDirectory });
        workspace.previewPlugin()->setPreviewExecutable(program);
        QTemporaryDir dir;
        if (project) {
            QVERIFY(copyTree(exampleDir, dir.path()));
            QString error;
            QVERIFY2(workspace.window()->openProject(dir.path(), &error), qPrintable(error));
        }
        Host::Preview::PreviewController *preview = workspace.window()->previewController();
        QVERIFY(preview);
        QCOMPARE(preview->startAction()->isEnabled(), project);
        QVERIFY(!preview->stopAction()->isEnabled());
        QCOMPARE(preview->languageActions().isEmpty(), !project);
        QSignalSpy failed(preview, &Host::Preview::PreviewController::failed);
        QSignalSpy started(preview, &Host::Preview::PreviewController::started);
        preview->startAction()->activate(QAction::Trigger);
        if (!project)
            QVERIFY(!preview->start());
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 10000);
        QVERIFY2(failed.first().first().toString().contains(errorPart),
                 qPrintable(failed.first().first().toString()));
        QCOMPARE(started.size(), 0);
        QVERIFY(!preview->isRunning());
        QCOMPARE(preview->startAction()->isEnabled(), project);
        QVERIFY(!preview->stopAction()->isEnabled());
        workspace.shutdown();
    }

    void previewRuns_data()
    {
        QTest::addColumn<QString>("openFile"); // relative; empty: the main file only
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("previewed");

        QTest::newRow("main file") << ""
                                   << "de"
                                   << "content/App.qml";
        QTest::newRow("the open document") << "content/WelcomeScreen.ui.qml"
                                           << "ja"
                                           << "content/WelcomeScreen.ui.qml";
        // Made from the primary texts outside the project; the form shows it too.
        QTest::newRow("pseudo language") << "content/WelcomeScreen.ui.qml"
                                         << "qps-ploc"
                                         << "content/WelcomeScreen.ui.qml";
    }

    void previewRuns()
    {
        QFETCH(QString, openFile);
        QFETCH(QString, language);
        QFETCH(QString, previewed);

        const QString missing = previewMissing();
        if (!missing.isEmpty())
            LEXORA_PEER_MISSING("the live preview needs qmlscene and the QML debug services");
        const QString project
            = m_temp.filePath(QStringLiteral("preview-") + QTest::currentDataTag());
        // The language switch loads the generated catalogues.
        QVERIFY(prepareExample(project, true));

        Studio::Workspace workspace(nullptr);
        Studio::StudioWindow *window = workspace.window();
        workspace.loadPlugins({ pluginDirectory });
        Host::Preview::PreviewPlugin *plugin = workspace.previewPlugin();
        plugin->setHeadless(true);
        QPointer<RecordingTranslationClient> client;
        plugin->setDebugTranslationClientFactory([&client](QQmlDebugConnection *connection) {
            client = new RecordingTranslationClient(connection);
            return client.data();
        });
        QString error;
        QVERIFY2(window->openProject(project, &error), qPrintable(error));
        if (!openFile.isEmpty())
            QVERIFY2(
                window->openFile(Path::fromString(project + QLatin1Char('/') + openFile), &error),
                qPrintable(error));

        // The menu offers the project's languages, one at a time.
        Host::Preview::PreviewController *preview = window->previewController();
        QVERIFY(preview);
        QMenu *languageMenu = window->findChild<QMenu *>(QStringLiteral("PreviewLanguageMenu"));
        QVERIFY(languageMenu);
        QStringList offered;
        for (QAction *action : languageMenu->actions()) {
            if (!action->isSeparator())
                offered.append(action->data().toString());
        }
        QCOMPARE(offered, QStringList({ "en", "de", "fr", "ja", "ar", "qps-ploc", "qps-plocm" }));
        QVERIFY(preview->startAction()->isEnabled());
        QVERIFY(!preview->stopAction()->isEnabled());

        QSignalSpy started(preview, &Host::Preview::PreviewController::started);
        QSignalSpy stopped(preview, &Host::Preview::PreviewController::stopped);
        preview->startAction()->trigger();
        // Nothing is offered twice while the preview comes up.
        QVERIFY(!preview->startAction()->isEnabled());
        QVERIFY(preview->stopAction()->isEnabled());
        QVERIFY2(started.wait(30000) || started.size() == 1, "the preview did not start");
        QVERIFY(preview->isRunning());
        QCOMPARE(stopped.size(), 0);
        const QList<Host::Preview::PreviewSession *> running = plugin->runningPreviews();
        QCOMPARE(running.size(), 1);
        QCOMPARE(running.first()->previewedFile(),
                 Path::fromString(project + QLatin1Char('/') + previewed));
        QVERIFY(running.first()->processId() > 0);
        QVERIFY(client);

        // Switching the language reaches the running preview, which answers.
        QAction *choice = nullptr;
        for (QAction *action : languageMenu->actions()) {
            if (action->data().toString() == language)
                choice = action;
        }
        QVERIFY(choice);
        choice->trigger();
        QCOMPARE(plugin->locale(), language);
        int checked = 0;
        for (QAction *action : languageMenu->actions())
            checked += action->isChecked() ? 1 : 0;
        QCOMPARE(checked, 1);
        QVERIFY(choice->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(client && client->replies.contains(languageChangedReply), 10000);
        // The form follows, from wherever the language's translations are.
        auto *form = qobject_cast<Host::FormEditor::FormView *>(
            window->viewWidget(QStringLiteral("FormEditor")));
        QVERIFY(form);
        QVERIFY(form->translationFile().endsWith("/i18n/qml_" + language + ".qm"));
        QCOMPARE(form->translationFile().startsWith(project + "/"), !language.startsWith("qps-"));
        QVERIFY(QFile::exists(form->translationFile()));
        QVERIFY(!QFile::exists(project + "/i18n/qml_qps-ploc.qm"));

        preview->stopAction()->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(stopped.size(), 1, 10000);
        QVERIFY(!preview->isRunning());
        QVERIFY(plugin->runningPreviews().isEmpty());
        QVERIFY(preview->startAction()->isEnabled());
        QVERIFY(!preview->stopAction()->isEnabled());
        workspace.shutdown();
    }

    void checkTranslations()
    {
        const QString project = m_temp.filePath(QStringLiteral("check-hello"));
        QVERIFY(prepareExample(project));
        // The command-line tool's check of the same project (status 1: errors
        // found): the studio must list the same findings, having found the
        // project's IDs its own way.
        const QString json = project + QLatin1String("/check.json");
        QCOMPARE(runLexora({ "check", "--project", project, "--json", json }), 1);
        QFile jsonFile(json);
        QVERIFY(jsonFile.open(QIODevice::ReadOnly));
        const QJsonArray toolFindings = QJsonDocument::fromJson(jsonFile.readAll())
                                            .object()
                                            .value(QLatin1String("findings"))
                                            .toArray();
        QVERIFY(!toolFindings.isEmpty());
        QFile::remove(json);

        Studio::Workspace workspace(nullptr);
        Studio::StudioWindow *window = workspace.window();
        workspace.loadPlugins({ pluginDirectory });
        QString openError;
        QVERIFY2(window->openProject(project, &openError), qPrintable(openError));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));

        auto *issues = Host::Projects::IssueList::instance();
        const QByteArray category = checkCategory;
        // Tools > Check Translations comes from the plugin; it stays disabled
        // while a check runs. Twice: the second run replaces the first one's entries.
        QAction *checkAction = registeredAction("Lexora.CheckTranslations");
        QVERIFY(checkAction);
        for (int run = 0; run < 2; ++run) {
            window->statusBar()->clearMessage();
            checkAction->trigger();
            QVERIFY(!checkAction->isEnabled());
            QTRY_VERIFY_WITH_TIMEOUT(checkAction->isEnabled(), 20000);
        }
        QCOMPARE(issues->category(category).displayName, QStringLiteral("Translation checks"));
        const Host::Projects::Issues listed = issues->issues(category);
        // Nothing but the findings: no file problems, no failure.
        QCOMPARE(listed.size(), toolFindings.size());
        int toolErrors = 0;
        for (const QJsonValue &finding : toolFindings)
            toolErrors += finding.toObject().value(QLatin1String("severity")).toString()
                    == QLatin1String("error")
                ? 1
                : 0;
        QCOMPARE(issues->errorCount(category), toolErrors);
        QCOMPARE(window->statusBar()->currentMessage(),
                 QStringLiteral("Translation checks: %1 error(s), %2 warning(s)")
                     .arg(toolErrors)
                     .arg(listed.size() - toolErrors));

        // Each entry names the check, the ID and the language, and points at the
        // ID's first use; an ID the JSON file lacks is missing in every language.
        struct Expected
        {
            const char *check;
            const char *id;
            const char *language;
            bool error;
            const char *file;
            int line;
            QString description;
        };
        const Expected expected[] = {
            { "missing",
              "profile.logout",
              "de",
              true,
              "content/ProfileScreen.ui.qml",
              57,
              QStringLiteral("missing: profile.logout in de") },
            { "identical",
              "profile.name",
              "de",
              false,
              "content/ProfileScreen.ui.qml",
              28,
              QString::fromUtf8("identical: profile.name in de \u2014 \"Name\" \u2192 \"Name\"") },
            { "missing",
              "settings.about",
              "fr",
              true,
              "content/SettingsScreen.ui.qml",
              28,
              QString::fromUtf8(
                  "missing: settings.about in fr \u2014 \"About this application\"") },
        };
        Host::Projects::Issue entry;
        for (const Expected &row : expected) {
            const QString prefix = QLatin1String(row.check) + QLatin1String(": ")
                + QLatin1String(row.id) + QLatin1String(" in ") + QLatin1String(row.language);
            entry = {};
            for (const Host::Projects::Issue &issue : listed) {
                if (issue.description.startsWith(prefix))
                    entry = issue;
            }
            QVERIFY2(!entry.isNull(), qPrintable(prefix));
            QCOMPARE(entry.description, row.description);
            QCOMPARE(entry.type,
                     row.error ? Host::Projects::Issue::Error : Host::Projects::Issue::Warning);
            QCOMPARE(entry.file, Path::fromString(project + QLatin1Char('/') + row.file));
            QCOMPARE(entry.line, row.line);
            // The Issues list's filters by check and language read these.
            QCOMPARE(entry.facets.value(QStringLiteral("Check")), QLatin1String(row.check));
            QCOMPARE(entry.facets.value(QStringLiteral("Language")), QLatin1String(row.language));
        }
        const QString id = QLatin1String(expected[2].id);

        // Double-clicking it in the Issues list opens the file and selects the
        // node using the ID, where the ID is used first now: an edit since the
        // run moved it down a line.
        int expectedLine = entry.line;
        if (window->currentFile() != entry.file) {
            const QString file = entry.file.toString();
            QVERIFY(writeFile(file, "// moved by an edit\n" + readFile(file)));
            ++expectedLine;
        }
        QTreeView *view = window->issuesView()->treeView();
        Host::Projects::IssuesModel *model = window->issuesView()->model();
        QModelIndex index;
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->issue(row).id == entry.id)
                index = window->issuesView()->filterModel()->mapFromSource(model->index(row, 0));
        }
        QVERIFY(index.isValid());
        view->scrollTo(index);
        const QPoint center = view->visualRect(index).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, center);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, center);
        QTRY_COMPARE(window->currentFile(), entry.file);
        Host::Designer::FormDocument *document = window->document();
        QVERIFY(document);
        QCOMPARE(document->textEditorWidget()->textCursor().blockNumber() + 1, expectedLine);
        const QList<Host::Designer::Node *> selected = document->model()->selectedNodes();
        QCOMPARE(selected.size(), 1);
        bool usesId = false;
        for (const Host::Designer::NodeProperty &property : selected.first()->bindingProperties())
            usesId = usesId
                || property.expression().contains(QLatin1Char('"') + id + QLatin1Char('"'));
        QVERIFY2(usesId, qPrintable(selected.first()->typeName()));
        workspace.shutdown();
    }

    // The document translation test of the panel, run as a user runs it: the
    // toolbar button opens the test dialog, Run starts the preview, the dialog is
    // closed when Run is offered again. The results frame the tested texts on the
    // form. LEXORA_SCREENSHOT_DIR, when set, receives the picture of the window
    // (docs/update-screenshots runs this under a virtual X server).
    void translationTestFramesTheForm()
    {
        const QString missing = previewMissing();
        if (!missing.isEmpty())
            LEXORA_PEER_MISSING("the translation test needs qmlscene and the QML debug services");
        const QString project = m_temp.filePath(QStringLiteral("frames-hello"));
        // With catalogues the form shows texts rather than IDs.
        QVERIFY(prepareExample(project, true));

        Studio::Workspace workspace(nullptr);
        Studio::StudioWindow *window = workspace.window();
        workspace.loadPlugins({ pluginDirectory });
        QString error;
        QVERIFY2(window->openProject(project, &error), qPrintable(error));
        const Path screen
            = Path::fromString(project + QLatin1String("/content/WelcomeScreen.ui.qml"));
        QVERIFY2(window->openFile(screen, &error), qPrintable(error));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto *form = qobject_cast<Host::FormEditor::FormView *>(
            window->viewWidget(QStringLiteral("FormEditor")));
        QVERIFY(form);
        QTRY_VERIFY(form->rootItem());
        QVERIFY(form->overlay()->frames().isEmpty());

        QWidget *panel = window->viewWidget(QStringLiteral("TranslationsView"));
        QVERIFY(panel);
        QAction *test = actionNamed(panel, QStringLiteral("Run Qml Translation Test"));
        QVERIFY(test);

        // Drives the modal dialog: Run once, close when Run is offered again.
        bool ran = false;
        bool closed = false;
        QTimer driver;
        driver.setInterval(50);
        connect(&driver, &QTimer::timeout, this, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            if (!dialog
                || qstrcmp(dialog->metaObject()->className(), "Lexora::QmlDebugTranslationDialog"))
                return;
            auto *run = dialog->findChild<QPushButton *>(QStringLiteral("runButton"));
            if (!run)
                return;
            if (!ran) {
                ran = true;
                run->click();
            } else if (run->isEnabled()) {
                closed = true;
                driver.stop();
                QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
            }
        });
        QTimer giveUp;
        giveUp.setSingleShot(true);
        connect(&giveUp, &QTimer::timeout, this, [] {
            if (QWidget *dialog = QApplication::activeModalWidget())
                QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
        });
        driver.start();
        giveUp.start(90000);
        test->trigger();
        giveUp.stop();
        QVERIFY(ran);
        QVERIFY2(closed, "the translation test did not end within 90 seconds");

        // The frames show one language's findings, the one the panel shows: the
        // offer is elided in German only; the offline text is missing everywhere.
        QComboBox *languages = nullptr;
        for (QComboBox *box : panel->findChildren<QComboBox *>()) {
            if (box->findData(QStringLiteral("de"), Qt::UserRole) >= 0)
                languages = box;
        }
        QVERIFY(languages);
        const auto colours = [&](const QString &language) {
            languages->setCurrentIndex(languages->findData(language, Qt::UserRole));
            QList<QColor> found;
            for (Host::Designer::Node *node : window->document()->model()->allNodes()) {
                const QColor colour
                    = node->auxiliaryData(Host::FormEditor::frameColorName).value<QColor>();
                if (colour.isValid() && colour.alpha() > 0)
                    found.append(colour);
            }
            return found;
        };
        QVERIFY(colours(QStringLiteral("fr")).contains(QColor(Qt::red)));
        QVERIFY(!colours(QStringLiteral("fr")).contains(QColor(Qt::magenta)));
        QVERIFY(colours(QStringLiteral("de")).contains(QColor(Qt::magenta)));
        // Texts a state sets are framed on the object the state changes: the
        // missing offline text on the subtitle. Every coloured node has a frame.
        QVERIFY(colours(QStringLiteral("de")).contains(QColor(Qt::red)));
        // A legend says what the colours mean and for which language.
        QLabel *legend = panel->findChild<QLabel *>(QStringLiteral("testResultLegend"));
        QVERIFY(legend && legend->isVisible());
        QVERIFY2(legend->text().contains(QLatin1String("German (de)")), qPrintable(legend->text()));
        QTRY_COMPARE(form->overlay()->frames().size(), colours(QStringLiteral("de")).size());
        QList<QColor> drawn;
        for (const Host::FormEditor::FrameOverlay::Frame &frame : form->overlay()->frames()) {
            drawn.append(frame.color);
            QVERIFY(!frame.toolTip.isEmpty());
        }
        QCOMPARE(drawn, colours(QStringLiteral("de")));

        // The test recorded the elided offer; the translation checks report it.
        QAction *check = registeredAction("Lexora.CheckTranslations");
        check->trigger();
        QVERIFY(!check->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(check->isEnabled(), 20000);
        bool elided = false;
        for (const Host::Projects::Issue &issue :
             Host::Projects::IssueList::instance()->issues(checkCategory))
            elided = elided || issue.description.startsWith(QLatin1String("elided: welcome.offer"));
        QVERIFY(elided);

        // The picture shows them: the missing translations' red on the form.
        const QImage picture = window->grab().toImage();
        QCOMPARE(picture.size(), window->size() * window->devicePixelRatio());
        const QImage formPicture = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int red = 0;
        for (int y = 0; y < formPicture.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(formPicture.constScanLine(y));
            for (int x = 0; x < formPicture.width(); ++x)
                red += line[x] == qRgb(255, 0, 0) ? 1 : 0;
        }
        QVERIFY2(red > 20, qPrintable(QString::number(red)));
        const QString directory = qEnvironmentVariable("LEXORA_SCREENSHOT_DIR");
        if (!directory.isEmpty())
            QVERIFY(picture.save(directory + QLatin1String("/studio-translation-test.png")));
        workspace.shutdown();
    }

    void importEditGenerate_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("imported"); // the ID's English text after the import

        // An ID the JSON file lacks: typing adds it to the database.
        QTest::newRow("new ID") << "content/ProfileScreen.ui.qml"
                                << "profile.logout"
                                << "Sign out"
                                << "";
        // An imported ID: typing replaces its text, which later imports keep.
        QTest::newRow("imported ID") << "content/WelcomeScreen.ui.qml"
                                     << "welcome.start"
                                     << "Get started"
                                     << "Start";
    }

    void importEditGenerate()
    {
        QFETCH(QString, file);
        QFETCH(QString, id);
        QFETCH(QString, typed);
        QFETCH(QString, imported);

        if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
            LEXORA_PEER_MISSING("the sqlite3 shell is missing");
        if (qtTool(QStringLiteral("lconvert")).isEmpty())
            LEXORA_PEER_MISSING("lconvert is not installed");
        QTemporaryDir dir;
        const QString project = dir.filePath(QStringLiteral("hello"));
        QVERIFY(copyTree(exampleDir, project));
        const QString database = project + QLatin1String("/translations.db");

        // As the studio starts: plugins first, then the project.
        Studio::Workspace workspace(nullptr);
        Studio::StudioWindow *window = workspace.window();
        workspace.loadPlugins({ pluginDirectory });
        QVERIFY2(workspace.pluginErrors().isEmpty(),
                 qPrintable(workspace.pluginErrors().join(QLatin1Char('\n'))));
        QString error;
        QVERIFY2(window->openProject(project, &error), qPrintable(error));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));

        // The Translations panel is where the plugin asked to be, with its table.
        QWidget *panel = window->viewWidget(QStringLiteral("TranslationsView"));
        QVERIFY(panel);
        QTRY_VERIFY(panel->isVisible());
        // The panel holds the translations table and the search tab's table.
        QTableView *table = nullptr;
        for (QTableView *candidate : panel->findChildren<QTableView *>()) {
            if (qstrcmp(candidate->metaObject()->className(), "Lexora::TranslationTableView") == 0)
                table = candidate;
        }
        QVERIFY(table);
        QAbstractItemModel *model = table->model();

        // Import through the panel's command, answering its file dialog.
        QAction *import = actionNamed(panel, QStringLiteral("Import translations from JSON file"));
        QVERIFY(import);
        const QPointer<QTimer> answering
            = answerFileDialog(project + QLatin1String("/translations.json"));
        import->trigger();
        QTRY_VERIFY(rowOf(model, QStringLiteral("app.title")) >= 0);
        QTRY_VERIFY(!answering); // or it would answer the message boxes below
        QTRY_COMPARE(model->index(rowOf(model, QStringLiteral("app.title")), 1).data().toString(),
                     QStringLiteral("Hello Lexora"));
        QCOMPARE(sqliteRows(database, QStringLiteral("SELECT count(*) FROM translatables")),
                 QStringList { QStringLiteral("14") });

        // Type a translation into the table of another screen.
        QVERIFY(window->openFile(Path::fromString(project + QLatin1Char('/') + file), &error));
        QTRY_VERIFY(rowOf(model, id) >= 0);
        const QModelIndex cell = model->index(rowOf(model, id), 1);
        QCOMPARE(cell.data().toString(), imported);
        // As a user edits: make the cell current, press F2, type, press Return.
        // The table's default delegate opens a line edit over the cell; offscreen
        // the window is not active, so the editor is found in the table rather
        // than as the focus widget.
        QVERIFY(model->flags(cell) & Qt::ItemIsEditable);
        QVERIFY(qobject_cast<QStyledItemDelegate *>(table->itemDelegateForIndex(cell)));
        table->scrollTo(cell);
        table->setCurrentIndex(cell);
        QCOMPARE(table->currentIndex(), cell);
        QTest::keyClick(table, Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(table->indexWidget(cell));
        QVERIFY2(editor, "F2 opened no line edit over the cell");
        QCOMPARE(editor->text(), imported);
        editor->selectAll();
        QTest::keyClicks(editor, typed);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!table->indexWidget(cell));
        QTRY_COMPARE(model->index(rowOf(model, id), 1).data().toString(), typed);

        // The database has it, as the sqlite3 shell reads it.
        const QString query
            = QStringLiteral("SELECT t.translation FROM translations t JOIN translatables s "
                             "ON s.id = t.translatableId WHERE s.translationTextId = '%1' "
                             "AND t.language = 'en'")
                  .arg(id);
        QCOMPARE(sqliteRows(database, query), QStringList { typed });

        // Edit > Undo takes the edit back as far as the database goes: an ID
        // without an English text has none again. Redo makes the edit again.
        auto *undo = window->findChild<QAction *>(QStringLiteral("Undo"));
        auto *redo = window->findChild<QAction *>(QStringLiteral("Redo"));
        QVERIFY(undo && redo);
        QCOMPARE(undo->shortcut(), QKeySequence(QKeySequence::Undo));
        QCOMPARE(redo->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
        QVERIFY(undo->isEnabled());
        undo->trigger();
        QCOMPARE(sqliteRows(database, query),
                 imported.isEmpty() ? QStringList() : QStringList { imported });
        QCOMPARE(model->index(rowOf(model, id), 1).data(Qt::EditRole).toString(), imported);
        QVERIFY(redo->isEnabled());
        redo->trigger();
        QCOMPARE(sqliteRows(database, query), QStringList { typed });
        QCOMPARE(sqliteRows(database, QStringLiteral("PRAGMA integrity_check")),
                 QStringList { QStringLiteral("ok") });

        // Generate through the panel's command; its progress entry ends with it.
        QAction *generate
            = actionNamed(panel, QStringLiteral("Generate translation files, both .qm and .ts"));
        QVERIFY(generate);
        generate->trigger();
        for (const QString language : { "en", "de", "fr", "ja", "ar" }) {
            for (const char *suffix : { ".qm", ".ts" })
                QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(project + "/i18n/qml_" + language + suffix),
                                         20000);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!Host::Core::ProgressCenter::instance()->hasRunningTasks(), 20000);
        // The status bar says what was written: both files of the five languages.
        QTRY_COMPARE(window->statusBar()->currentMessage(),
                     QStringLiteral("Wrote 10 translation files to i18n"));

        // Qt reads our catalogue back: qsTrId would show the typed text.
        QTranslator translator;
        QVERIFY(translator.load(project + QLatin1String("/i18n/qml_en.qm")));
        QCOMPARE(translator.translate(nullptr, id.toUtf8().constData()), typed);
        // lconvert reads the .ts file and finds the ID with the typed text.
        const QString ts = project + QLatin1String("/i18n/qml_en.ts");
        QProcess lconvert;
        lconvert.start(qtTool(QStringLiteral("lconvert")),
                       { "-i", ts, "-of", "po", "-o", dir.filePath(QStringLiteral("qml_en.po")) });
        QVERIFY(lconvert.waitForFinished(30000));
        QCOMPARE(lconvert.exitCode(), 0);
        QCOMPARE(lconvert.readAllStandardError(), QByteArray());
        QFile po(dir.filePath(QStringLiteral("qml_en.po")));
        QVERIFY(po.open(QIODevice::ReadOnly));
        QHash<QString, QString> poTranslations;
        QString poId;
        for (const QByteArray &line : po.readAll().split('\n')) {
            if (line.startsWith("#. ts-id "))
                poId = QString::fromUtf8(line.mid(9));
            else if (line.startsWith("msgstr \"") && !poId.isEmpty())
                poTranslations.insert(std::exchange(poId, QString()),
                                      QString::fromUtf8(line.mid(8).chopped(1)));
        }
        QCOMPARE(poTranslations.value(id), typed);
        QCOMPARE(poTranslations.value(QStringLiteral("app.title")), QStringLiteral("Hello Lexora"));

        // What the user saw of one project must be gone when another opens or the
        // project closes, and what needs a database must say so without one.
        QTableView *results = nullptr;
        for (QTableView *candidate : panel->findChildren<QTableView *>()) {
            if (candidate != table)
                results = candidate;
        }
        QWidget *translationsTab = nullptr;
        for (QWidget *child : panel->findChildren<QWidget *>()) {
            if (qstrcmp(child->metaObject()->className(), "Lexora::TranslationsWidget") == 0)
                translationsTab = child;
        }
        QLineEdit *searchField = nullptr;
        for (QLineEdit *field : panel->findChildren<QLineEdit *>()) {
            if (field->placeholderText() == QLatin1String("sear* ter*"))
                searchField = field;
        }
        QVERIFY(results && translationsTab && searchField);
        // The rows of a closed project's document leave the filter's count too.
        QVERIFY(model->rowCount() > 0);
        window->closeProject();
        QCOMPARE(model->rowCount(), 0);
        QCOMPARE(translationsTab->findChild<QLabel *>(QStringLiteral("filterCount"))->text(),
                 QStringLiteral("0 row(s)"));
        QVERIFY2(window->openProject(project, &error), qPrintable(error));
        QTRY_VERIFY(model->rowCount() > 0);
        QTest::keyClicks(searchField, QStringLiteral("Hello"));
        QTRY_VERIFY(results->model()->rowCount() > 0);
        auto *issues = Host::Projects::IssueList::instance();
        const QByteArray category = checkCategory;
        issues->addCategory(category, QStringLiteral("Translation checks"));
        const Path firstFile = Path::fromString(project + QLatin1String("/content/App.qml"));
        issues->addIssue(Host::Projects::Issue(
            Host::Projects::Issue::Error, QStringLiteral("left over"), firstFile, 3, category));

        const QString second = dir.filePath(QStringLiteral("bare"));
        QVERIFY(writeFile(second + QLatin1String("/bare.qmlproject"),
                          "import QmlProject\nProject {}\n"));
        QVERIFY2(window->openProject(second, &error), qPrintable(error));
        QCOMPARE(issues->issues(category).size(), 0);
        QCOMPARE(model->rowCount(), 0);
        QCOMPARE(searchField->text(), QString());
        QCOMPARE(results->model()->rowCount(), 0);
        // An issue still on show elsewhere (or activated late) opens nothing of it.
        emit window->issuesView()->openFileRequested(firstFile, 3);
        QVERIFY(window->currentFile().isEmpty());

        window->closeProject();
        QVERIFY(!actionNamed(window, QStringLiteral("&Close Project"))->isEnabled());

        QVERIFY(!registeredAction("Lexora.CheckTranslations")->isEnabled());
        for (const char *command : { "Export translations to JSON file",
                                     "Import translations from JSON file",
                                     "Generate translation files, both .qm and .ts",
                                     "Run Project Translation Test",
                                     "Select supported languages for the project" })
            QVERIFY2(!actionNamed(panel, QLatin1String(command))->isEnabled(), command);
        MessageBoxCatcher catcher;
        QMetaObject::invokeMethod(translationsTab, "onImportJson");
        QMetaObject::invokeMethod(translationsTab, "onExportJson");
        QCOMPARE(catcher.titles,
                 (QStringList { "No translation database", "No translation database" }));
        workspace.shutdown();
    }

private:
    QTemporaryDir m_temp;
};

QTEST_MAIN(tst_Studio)
#include "tst_studio.moc"
