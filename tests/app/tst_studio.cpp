#include "projectlocation.h"
#include "recentprojects.h"
#include "screenshottaker.h"
#include "studiowindow.h"
#include "workspace.h"

#include <core/editorcontext.h>
#include <designer/documentmodel.h>
#include <designer/documentrewriter.h>
#include <designer/formdocument.h>
#include <designer/node.h>
#include <designer/viewmanager.h>
#include <extensionsystem/pluginhost.h>
#include <extensionsystem/plugininfo.h>
#include <formeditor/formview.h>
#include <formeditor/nodetreemodel.h>
#include <projects/issuelist.h>
#include <projects/projectnavigator.h>
#include <projects/projecttree.h>
#include <projects/session.h>
#include <qmlproject/designproject.h>
#include <texteditor/texteditorwidget.h>

#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QImage>
#include <QPlainTextEdit>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTreeView>

using Host::Utils::Path;

namespace {

const QString exampleDir = QStringLiteral(LEXORA_SOURCE_DIR "/examples/hello");
const QString studioExecutable = QStringLiteral(LEXORA_BINARY_DIR "/bin/lexora-studio");

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

void writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(contents);
}

const QByteArray minimalProject = "import QmlProject\nProject {\n    mainFile: \"Main.qml\"\n}\n";

} // namespace

class tst_Studio : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void recentProjects_data();
    void recentProjects();
    void projectLocation_data();
    void projectLocation();
    void openProject_data();
    void openProject();
    void treeOpensQmlFiles_data();
    void treeOpensQmlFiles();
    void panelsShareAreasAsTabs();
    void pluginsLoadFromPluginDirectory();
    void documentViewsFollowTheText_data();
    void documentViewsFollowTheText();
    void screenshotWaitsForConditions();
    void screenshotCommand_data();
    void screenshotCommand();

private:
    QTemporaryDir m_temp;
};

void tst_Studio::initTestCase()
{
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_temp.isValid());
}

void tst_Studio::cleanup()
{
    Host::Projects::Session::instance()->removeAllProjects();
    Host::Projects::ProjectNavigator::instance()->setCurrentFilePath({});
}

void tst_Studio::recentProjects_data()
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
    QTest::newRow("clear") << 8 << QStringList { "+a", "+b", "clear", "+c" } << QStringList { "c" };
    // A vanished project is not offered but keeps its place: it may come back.
    QTest::newRow("missing file hidden")
        << 8 << QStringList { "+a", "+b", "!a" } << QStringList { "b" };
    QTest::newRow("missing file back again")
        << 8 << QStringList { "+a", "+b", "!a", "restore a" } << QStringList { "b", "a" };
}

void tst_Studio::recentProjects()
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
        writeFile(file(QLatin1String(name)), minimalProject);

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
                writeFile(file(step.mid(8)), minimalProject);
        }
    }
    // What the next run of the studio reads back.
    QSettings settings(settingsFile, QSettings::IniFormat);
    QStringList expectedFiles;
    for (const QString &name : expected)
        expectedFiles.append(QDir::cleanPath(file(name)));
    QCOMPARE(Studio::RecentProjects(&settings, maximum).files(), expectedFiles);
}

void tst_Studio::projectLocation_data()
{
    QTest::addColumn<QStringList>("projectFiles");
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("expected"); // relative to the directory; empty: an error
    QTest::addColumn<QString>("errorPart");

    QTest::newRow("directory with one project") << QStringList { "app.qmlproject" } << "."
                                                << "app.qmlproject"
                                                << "";
    QTest::newRow("the project file itself")
        << QStringList { "app.qmlproject", "other.qmlproject" } << "other.qmlproject"
        << "other.qmlproject"
        << "";
    QTest::newRow("directory without project") << QStringList { "readme.txt" } << "."
                                               << ""
                                               << "holds no .qmlproject file";
    QTest::newRow("directory with two projects")
        << QStringList { "a.qmlproject", "b.qmlproject" } << "."
        << ""
        << "a.qmlproject, b.qmlproject";
    QTest::newRow("file of another kind") << QStringList { "readme.txt" } << "readme.txt"
                                          << ""
                                          << "is not a .qmlproject file";
    QTest::newRow("missing") << QStringList {} << "gone"
                             << ""
                             << "does not exist";
    QTest::newRow("empty argument") << QStringList {} << "#empty"
                                    << ""
                                    << "does not exist";
}

void tst_Studio::projectLocation()
{
    QFETCH(QStringList, projectFiles);
    QFETCH(QString, location);
    QFETCH(QString, expected);
    QFETCH(QString, errorPart);

    QTemporaryDir dir;
    for (const QString &name : projectFiles)
        writeFile(dir.filePath(name), minimalProject);
    QString error;
    const QString argument
        = location == QLatin1String("#empty") ? QString() : QDir::cleanPath(dir.filePath(location));
    const QString found = Studio::projectFileAt(argument, &error);
    if (expected.isEmpty()) {
        QVERIFY(found.isEmpty());
        QVERIFY2(error.contains(errorPart), qPrintable(error));
    } else {
        QCOMPARE(found, QDir::cleanPath(dir.filePath(expected)));
    }
}

void tst_Studio::openProject_data()
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

void tst_Studio::openProject()
{
    QFETCH(QString, projectText);
    QFETCH(bool, opens);
    QFETCH(QString, currentFile);

    QTemporaryDir previousDir;
    writeFile(previousDir.filePath(QStringLiteral("previous.qmlproject")), minimalProject);
    writeFile(previousDir.filePath(QStringLiteral("Main.qml")), "import QtQuick\nItem {}\n");
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("app.qmlproject")), projectText.toUtf8());
    writeFile(dir.filePath(QStringLiteral("Main.qml")), "import QtQuick\nRectangle {}\n");

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

void tst_Studio::treeOpensQmlFiles_data()
{
    QTest::addColumn<QString>("activated");
    QTest::addColumn<bool>("opens");

    QTest::newRow("qml file") << "content/Other.qml" << true;
    QTest::newRow("ui.qml file") << "content/Screen.ui.qml" << true;
    QTest::newRow("json file stays closed") << "translations.json" << false;
}

void tst_Studio::treeOpensQmlFiles()
{
    QFETCH(QString, activated);
    QFETCH(bool, opens);

    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("app.qmlproject")),
              "import QmlProject\nProject { mainFile: \"content/Main.qml\" }\n");
    for (const char *name : { "content/Main.qml", "content/Other.qml", "content/Screen.ui.qml" })
        writeFile(dir.filePath(QLatin1String(name)), "import QtQuick\nItem {}\n");
    writeFile(dir.filePath(QStringLiteral("translations.json")), "{}");

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

void tst_Studio::panelsShareAreasAsTabs()
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

void tst_Studio::pluginsLoadFromPluginDirectory()
{
    Studio::Workspace workspace(nullptr);
    QString error;
    const QString project = m_temp.filePath(QStringLiteral("plugins-hello"));
    QVERIFY(copyTree(exampleDir, project));
    QVERIFY2(workspace.window()->openProject(project, &error), qPrintable(error));
    workspace.loadPlugins({ QStringLiteral(LEXORA_BINARY_DIR "/lib/lexora-studio/plugins") });
    QVERIFY2(workspace.pluginErrors().isEmpty(),
             qPrintable(workspace.pluginErrors().join(QLatin1Char('\n'))));
    // Loaded at run time from the module: the studio does not link it.
    Host::Plugins::PluginInfo *lexora
        = workspace.pluginHost()->pluginInfo(QStringLiteral("Lexora"));
    QVERIFY(lexora);
    QCOMPARE(lexora->state(), Host::Plugins::PluginInfo::State::Running);
    QVERIFY(lexora->filePath().startsWith(QLatin1String(LEXORA_BINARY_DIR "/lib/lexora-studio")));

    // Its issue category is in the Issues list, and it opened the project's database.
    bool found = false;
    for (const Host::Projects::IssueCategory &category :
         Host::Projects::IssueList::instance()->categories())
        found = found || category.displayName == QLatin1String("Translation file generation");
    QVERIFY(found);
    QVERIFY(QFile::exists(project + QLatin1String("/translations.db")));
    workspace.shutdown();
}

void tst_Studio::documentViewsFollowTheText_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("typed"); // inserted before the root's closing brace
    QTest::addColumn<int>("nodesBefore");
    QTest::addColumn<int>("nodesAfter");

    QTest::newRow("welcome screen, a child added") << "content/WelcomeScreen.ui.qml"
                                                   << "    Item { id: added }\n"
                                                   << 12 << 13;
    QTest::newRow("profile screen, a child added") << "content/ProfileScreen.ui.qml"
                                                   << "    Text { text: \"x\" }\n"
                                                   << 12 << 13;
    QTest::newRow("text that does not parse keeps the model") << "content/SettingsScreen.ui.qml"
                                                              << "    Item {\n"
                                                              << 10 << 10;
}

void tst_Studio::documentViewsFollowTheText()
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

void tst_Studio::screenshotWaitsForConditions()
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

void tst_Studio::screenshotCommand_data()
{
    QTest::addColumn<QStringList>("arguments"); // %P: the project copy, %F: the picture
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("writesPicture");
    QTest::addColumn<QString>("errorPart");

    QTest::newRow("example project")
        << QStringList { "--screenshot", "%F", "%P" } << 0 << true << "";
    QTest::newRow("project file instead of directory")
        << QStringList { "--screenshot", "%F", "%P/hello.qmlproject" } << 0 << true << "";
    QTest::newRow("missing project")
        << QStringList { "--screenshot", "%F", "%P/nowhere" } << 1 << false << "does not exist";
    QTest::newRow("no project") << QStringList { "--screenshot", "%F" } << 2 << false
                                << "needs a PROJECT";
    QTest::newRow("two projects") << QStringList { "--screenshot", "%F", "%P", "%P" } << 2 << false
                                  << "give one project";
    QTest::newRow("picture cannot be written")
        << QStringList { "--screenshot", "/proc/no-such-dir/shot.png", "%P" } << 1 << false
        << "Cannot write the screenshot";
}

void tst_Studio::screenshotCommand()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(bool, writesPicture);
    QFETCH(QString, errorPart);

    QTemporaryDir dir;
    const QString project = dir.filePath(QStringLiteral("hello"));
    QVERIFY(copyTree(exampleDir, project));
    const QString picture = dir.filePath(QStringLiteral("shot.png"));
    for (QString &argument : arguments)
        argument.replace(QLatin1String("%P"), project).replace(QLatin1String("%F"), picture);

    QProcess studio;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    studio.setProcessEnvironment(environment);
    studio.start(studioExecutable, arguments);
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

QTEST_MAIN(tst_Studio)
#include "tst_studio.moc"
