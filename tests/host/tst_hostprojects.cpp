#include <projects/buildbackend.h>
#include <projects/buildtarget.h>
#include <projects/issuelist.h>
#include <projects/issuesmodel.h>
#include <projects/issuesview.h>
#include <projects/project.h>
#include <projects/projectnavigator.h>
#include <projects/projecttree.h>
#include <projects/runprofile.h>
#include <projects/session.h>
#include <qmlproject/designproject.h>
#include <qmlproject/multilanguagesetting.h>
#include <qmlproject/qmlbuildbackend.h>

#include <testfiles.h>

#include <QComboBox>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTreeView>

using namespace Host::Projects;
using namespace Host::QmlProject;
using Host::Utils::Path;

namespace {

Path path(const QString &text)
{
    return Path::fromString(text);
}

class FakeBackend : public BuildBackend
{
public:
    using BuildBackend::BuildBackend;
    QString name() const override { return QStringLiteral("fake"); }
    void parse()
    {
        beginParsing();
        endParsing(true);
    }
};

// The tree as indented lines, "project/folder/file" with one space per level.
QStringList
treeLines(const QStandardItemModel *model, const QModelIndex &parent = {}, int depth = 0)
{
    QStringList lines;
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        lines.append(QString(depth, QLatin1Char(' ')) + index.data().toString());
        lines += treeLines(model, index, depth + 1);
    }
    return lines;
}

std::unique_ptr<DesignProject> openText(const QTemporaryDir &dir, const QByteArray &text)
{
    const QString path = dir.filePath(QStringLiteral("app.qmlproject"));
    if (!writeFile(path, text))
        return {};
    QString error;
    std::unique_ptr<DesignProject> project = DesignProject::open(Path::fromString(path), &error);
    if (!project)
        qWarning() << error;
    return project;
}

std::unique_ptr<DesignProject> reopen(const DesignProject &project)
{
    QString error;
    std::unique_ptr<DesignProject> reopened
        = DesignProject::open(project.projectFilePath(), &error);
    if (!reopened)
        qWarning() << error;
    return reopened;
}

enum class Edit { Languages, Primary, Both, EnableDatabase };

} // namespace

Q_DECLARE_METATYPE(Edit)

class tst_HostProjects : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        Session::instance()->removeAllProjects();
        IssueList::instance()->clearIssues();
        ProjectNavigator::instance()->setCurrentFilePath({});
    }

    void startupProjectFollowsSession()
    {
        Session *session = Session::instance();
        QSignalSpy startup(session, &Session::startupProjectChanged);
        QCOMPARE(session->startupProject(), nullptr);

        auto *first = new Project(path("/work/a/a.qmlproject"));
        auto *second = new Project(path("/work/b/b.qmlproject"));
        session->addProject(first);
        QCOMPARE(session->startupProject(), first);
        session->addProject(second);
        QCOMPARE(session->startupProject(), first); // the first one opened stays
        QCOMPARE(startup.size(), 1);

        session->setStartupProject(second);
        QCOMPARE(startup.size(), 2);
        QCOMPARE(startup.last().first().value<Project *>(), second);
        session->setStartupProject(second);
        QCOMPARE(startup.size(), 2);

        QPointer<Project> watched = second;
        session->removeProject(second);
        QVERIFY(watched.isNull());
        QCOMPARE(session->startupProject(), first);
        QCOMPARE(startup.last().first().value<Project *>(), first);

        session->removeProject(first);
        QCOMPARE(session->startupProject(), nullptr);
        QCOMPARE(startup.size(), 4);
        QCOMPARE(startup.last().first().value<Project *>(), nullptr);
        QVERIFY(session->projects().isEmpty());
    }

    void filesTargetBackendAndRunProfile()
    {
        Project project(path("/p/app.translations.qmlproject"));
        QCOMPARE(project.displayName(), QStringLiteral("app.translations"));
        QCOMPARE(project.projectDirectory(), path("/p"));
        QCOMPARE(project.activeTarget(), nullptr);

        project.setFiles({ path("/p/images/logo.png"), path("/p/Main.qml"), path("/p/logic.js") });
        QCOMPARE(project.files().size(), 3);
        QCOMPARE(project.files([](const Path &file) { return file.endsWith(u".qml"); }),
                 Host::Utils::Paths { path("/p/Main.qml") });

        QSignalSpy targetChanged(&project, &Project::activeTargetChanged);
        BuildTarget *target = project.addTarget(std::make_unique<BuildTarget>(&project, "Desktop"));
        QCOMPARE(project.activeTarget(), target);
        QCOMPARE(targetChanged.size(), 1);

        auto backend = std::make_unique<FakeBackend>(target);
        FakeBackend *rawBackend = backend.get();
        target->setBuildBackend(std::move(backend));
        QCOMPARE(target->buildBackend(), rawBackend);
        QCOMPARE(rawBackend->project(), &project);
        QSignalSpy parsed(rawBackend, &BuildBackend::parsingFinished);
        rawBackend->parse();
        QCOMPARE(parsed.size(), 1);
        QVERIFY(rawBackend->hasParsingData());

        RunProfile *profile = target->addRunProfile(
            std::make_unique<RunProfile>(target, "preview", QStringLiteral("Preview")));
        QCOMPARE(target->activeRunProfile(), profile);
        QCOMPARE(profile->workingDirectory(), path("/p"));

        // Objects of another project are refused, with a soft assertion.
        Project other(path("/q/q.qmlproject"));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("Soft assertion failed: .*project.cpp:[0-9]+"));
        QCOMPARE(project.addTarget(std::make_unique<BuildTarget>(&other, "Foreign")), nullptr);
        QCOMPARE(project.targets().size(), 1);
    }

    void navigatorCurrentFile()
    {
        ProjectNavigator *navigator = ProjectNavigator::instance();
        QSignalSpy changed(navigator, &ProjectNavigator::currentFileChanged);
        auto *project = new Project(path("/p/app.qmlproject"));
        project->setFiles({ path("/p/Main.qml") });
        Session::instance()->addProject(project);
        QCOMPARE(navigator->currentProject(), project); // no file: the startup project

        navigator->setCurrentFilePath(path("/p/Main.qml"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(navigator->currentFilePath(), path("/p/Main.qml"));
        QCOMPARE(navigator->currentProject(), project);
        navigator->setCurrentFilePath(path("/elsewhere/x.qml"));
        QCOMPARE(navigator->currentProject(), nullptr);
        navigator->setCurrentFilePath(path("/p/sub/unlisted.qml")); // below the directory
        QCOMPARE(navigator->currentProject(), project);

        Session::instance()->removeProject(project);
        QVERIFY(navigator->currentFilePath().isEmpty());
    }

    void issueCategoriesAndTasks_data()
    {
        QTest::addColumn<bool>("withFile");
        QTest::addColumn<int>("options");
        QTest::addColumn<bool>("flashes");
        QTest::addColumn<int>("textMarks");

        // The short form has no place to mark but still draws attention (default options).
        QTest::newRow("plain error") << false << -1 << true << 0;
        QTest::newRow("file, mark and flash")
            << true << int(Issue::AddTextMark | Issue::FlashWorthy) << true << 1;
        QTest::newRow("file, flash only") << true << int(Issue::FlashWorthy) << true << 0;
        QTest::newRow("file, no options") << true << int(Issue::NoOptions) << false << 0;
    }

    void issueCategoriesAndTasks()
    {
        QFETCH(bool, withFile);
        QFETCH(int, options);
        QFETCH(bool, flashes);
        QFETCH(int, textMarks);
        IssueList *list = IssueList::instance();
        list->addCategory("test errors", QStringLiteral("Test errors"));
        QVERIFY(list->hasCategory("test errors"));
        QSignalSpy flash(list, &IssueList::flashRequested);
        const Path file = path("/p/Main.qml");
        if (withFile)
            list->addIssue(Issue(Issue::Error,
                                 QStringLiteral("Bad id"),
                                 file,
                                 12,
                                 "test errors",
                                 QIcon(),
                                 Issue::Options(options)));
        else
            list->addIssue(Issue::Error, QStringLiteral("Bad id"), "test errors");

        const Issues issues = list->issues("test errors");
        QCOMPARE(issues.size(), 1);
        QCOMPARE(issues.first().description, QStringLiteral("Bad id"));
        QCOMPARE(issues.first().type, Issue::Error);
        QCOMPARE(issues.first().file, withFile ? file : Path());
        QCOMPARE(issues.first().line, withFile ? 12 : -1);
        QVERIFY(!issues.first().isNull());
        QCOMPARE(flash.size(), flashes ? 1 : 0);
        QCOMPARE(list->textMarks(file).size(), textMarks);
        QCOMPARE(list->errorCount("test errors"), 1);
    }

    void issuesFromWorkerThread()
    {
        IssueList *list = IssueList::instance();
        list->addCategory("worker", QStringLiteral("Worker"));
        QSignalSpy added(list, &IssueList::issueAdded);
        std::unique_ptr<QThread> worker(QThread::create([list] {
            for (int i = 0; i < 50; ++i)
                list->addIssue(Issue::Error, QStringLiteral("error %1").arg(i), "worker");
        }));
        worker->start();
        QVERIFY(worker->wait(5000));
        QTRY_COMPARE(added.size(), 50);
        const Issues issues = list->issues("worker");
        QCOMPARE(issues.size(), 50);
        for (int i = 0; i < 50; ++i) // in the order the worker reported them
            QCOMPARE(issues.at(i).description, QStringLiteral("error %1").arg(i));
    }

    void issuesModelFollowsList()
    {
        IssueList *list = IssueList::instance();
        list->addCategory("shown", QStringLiteral("Shown category"));
        list->addCategory("hidden", QStringLiteral("Hidden category"), false);
        IssuesModel model(list);
        QCOMPARE(model.rowCount(), 0);

        list->addIssue(Issue(Issue::Error, QStringLiteral("first"), path("/p/a.qml"), 3, "shown"));
        list->addIssue(Issue::Warning, QStringLiteral("invisible"), "hidden");
        list->addIssue(Issue::Error, QStringLiteral("second"), "shown");
        QCOMPARE(model.rowCount(), 2);
        const auto cell = [&](int row, int column) {
            return model.index(row, column).data();
        };
        QCOMPARE(cell(0, IssuesModel::DescriptionColumn).toString(), QStringLiteral("first"));
        QCOMPARE(cell(0, IssuesModel::FileColumn).toString(), QStringLiteral("a.qml"));
        QCOMPARE(cell(0, IssuesModel::LineColumn).toInt(), 3);
        QCOMPARE(cell(0, IssuesModel::CategoryColumn).toString(), QStringLiteral("Shown category"));
        QVERIFY(!cell(1, IssuesModel::LineColumn).isValid());
        QVERIFY(!model.index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());

        list->setCategoryVisible("hidden", true);
        QCOMPARE(model.rowCount(), 3);
        // An unregistered category loses nothing: the issue shows, and a warning is logged.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("unregistered category"));
        list->addIssue(Issue::Error, QStringLiteral("stray"), "nobody registered this");
        QCOMPARE(model.rowCount(), 4);

        list->removeIssue(model.issue(0).id);
        QCOMPARE(model.rowCount(), 3);
        list->clearIssues("shown");
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(list->issues("hidden").size(), 1);
        list->clearIssues();
        QCOMPARE(model.rowCount(), 0);
    }

    void issuesViewFlashesAndOpens()
    {
        IssueList *list = IssueList::instance();
        list->addCategory("view", QStringLiteral("View"));
        IssuesView view(list);
        QVERIFY(!view.isFlashing());
        QSignalSpy open(&view, &IssuesView::openFileRequested);

        list->addIssue(Issue(Issue::Warning, QStringLiteral("quiet"), {}, -1, "view", {}, {}));
        QVERIFY(!view.isFlashing());
        list->addIssue(Issue(Issue::Error, QStringLiteral("loud"), path("/p/b.qml"), 7, "view"));
        QVERIFY(view.isFlashing());
        QTRY_VERIFY_WITH_TIMEOUT(!view.isFlashing(), 5000);
        QCOMPARE(view.summary(), QStringLiteral("1 error(s), 1 warning(s)"));

        QAbstractItemModel *shown = view.treeView()->model();
        const auto activate = [&](int row) {
            emit view.treeView()->activated(shown->index(row, 0));
        };
        activate(0); // no file: nothing to open
        QCOMPARE(open.size(), 0);
        activate(1);
        QCOMPARE(open.size(), 1);
        QCOMPARE(open.first().at(0).value<Path>(), path("/p/b.qml"));
        QCOMPARE(open.first().at(1).toInt(), 7);

        // A category's own activation handler takes the issues it answers for;
        // those it declines, and all once it is gone, open as before.
        QList<quint64> handled;
        list->setActivationHandler("view", [&handled](const Issue &issue) {
            if (issue.data.isNull())
                return false;
            handled.append(issue.id);
            return true;
        });
        Issue withData(Issue::Error, QStringLiteral("mine"), path("/p/c.qml"), 3, "view");
        withData.data = QStringLiteral("an id");
        list->addIssue(withData);
        activate(2);
        QCOMPARE(handled, QList<quint64> { view.model()->issue(2).id });
        activate(1);
        QCOMPARE(open.size(), 2);
        list->setActivationHandler("view", {});
        activate(2);
        QCOMPARE(handled.size(), 1);
        QCOMPARE(open.size(), 3);
        QCOMPARE(open.last().at(0).value<Path>(), path("/p/c.qml"));
    }

    void issuesViewFiltersByFacets_data()
    {
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("shown");

        const QStringList all { "de markup", "de missing", "fr missing", "build failed" };
        QTest::newRow("nothing chosen") << QString() << QString() << all;
        QTest::newRow("one check")
            << "missing" << QString() << QStringList { "de missing", "fr missing" };
        QTest::newRow("one language")
            << QString() << "de" << QStringList { "de markup", "de missing" };
        QTest::newRow("check and language") << "missing"
                                            << "fr" << QStringList { "fr missing" };
        QTest::newRow("no such pair") << "markup"
                                      << "fr" << QStringList {};
    }

    // The selectors come from the facets the issues carry; an issue without them
    // shows only while nothing is chosen.
    void issuesViewFiltersByFacets()
    {
        QFETCH(QString, check);
        QFETCH(QString, language);
        QFETCH(QStringList, shown);
        IssueList *list = IssueList::instance();
        list->addCategory("facets", QStringLiteral("Facets"));
        IssuesView view(list);
        QVERIFY(!view.facetSelector("Check"));
        for (const QString description : { "de markup", "de missing", "fr missing" }) {
            Issue issue(Issue::Warning, description, {}, -1, "facets");
            issue.facets = { { "Check", description.section(' ', 1) },
                             { "Language", description.section(' ', 0, 0) } };
            list->addIssue(issue);
        }
        list->addIssue(Issue::Error, QStringLiteral("build failed"), "facets");
        QTRY_VERIFY(view.facetSelector("Check") && view.facetSelector("Language"));
        QCOMPARE(view.facetSelector("Check")->count(), 3); // all, markup, missing
        for (const auto &[facet, value] :
             { std::pair { "Check", check }, std::pair { "Language", language } }) {
            QComboBox *selector = view.facetSelector(facet);
            selector->setCurrentIndex(value.isEmpty() ? 0 : selector->findData(value));
        }
        QStringList descriptions;
        QAbstractItemModel *table = view.treeView()->model();
        for (int row = 0; row < table->rowCount(); ++row)
            descriptions.append(
                table->index(row, IssuesModel::DescriptionColumn).data().toString());
        QCOMPARE(descriptions, shown);
    }

    void projectTreeShowsFiles_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("only the project file")
            << QStringList() << QStringList { "app", " app.qmlproject" };
        QTest::newRow("folders before files, names ignoring case")
            << QStringList { "/p/zeta.qml", "/p/Alpha.qml", "/p/content/B.qml", "/p/assets/a.png" }
            << QStringList { "app",     " assets",    "  a.png",         " content",
                             "  B.qml", " Alpha.qml", " app.qmlproject", " zeta.qml" };
        QTest::newRow("nested folders share their parents")
            << QStringList { "/p/content/screens/Main.ui.qml",
                             "/p/content/App.qml",
                             "/p/content/screens/Settings.ui.qml" }
            << QStringList { "app",
                             " content",
                             "  screens",
                             "   Main.ui.qml",
                             "   Settings.ui.qml",
                             "  App.qml",
                             " app.qmlproject" };
        // A listed file outside the directory must not invent "../" folders.
        QTest::newRow("file outside the project directory")
            << QStringList { "/elsewhere/Shared.qml" }
            << QStringList { "app", " app.qmlproject", " Shared.qml" };
        QTest::newRow("project file listed among the files appears once")
            << QStringList { "/p/app.qmlproject", "/p/Main.qml" }
            << QStringList { "app", " app.qmlproject", " Main.qml" };
    }

    void projectTreeShowsFiles()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, expected);
        ProjectTree tree;
        auto *project = new Project(path("/p/app.qmlproject"));
        Host::Utils::Paths paths;
        for (const QString &file : files)
            paths.push_back(path(file));
        project->setFiles(paths);
        Session::instance()->addProject(project);
        QCOMPARE(treeLines(tree.model()), expected);

        // The tree follows later changes of the file list.
        paths.push_back(path("/p/zz-added.qml"));
        project->setFiles(paths);
        QCOMPARE(treeLines(tree.model()).last(), QStringLiteral(" zz-added.qml"));
        Session::instance()->removeProject(project);
        QCOMPARE(tree.model()->rowCount(), 0);
    }

    void projectTreeDrivesNavigator_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("navigatorFile");

        QTest::newRow("file") << "/p/content/App.qml"
                              << "/p/content/App.qml";
        QTest::newRow("folder is no current file") << "/p/content"
                                                   << "";
        QTest::newRow("project row is no current file") << "/p/app.qmlproject#project"
                                                        << "";
    }

    void projectTreeDrivesNavigator()
    {
        QFETCH(QString, selected);
        QFETCH(QString, navigatorFile);
        ProjectTree tree;
        auto *project = new Project(path("/p/app.qmlproject"));
        project->setFiles({ path("/p/content/App.qml"), path("/p/content/Other.qml") });
        Session::instance()->addProject(project);
        ProjectNavigator *navigator = ProjectNavigator::instance();
        navigator->setCurrentFilePath(path("/p/content/Other.qml"));
        // The tree follows the navigator as well as driving it.
        QCOMPARE(tree.treeView()->currentIndex().data(ProjectTree::PathRole).toString(),
                 QStringLiteral("/p/content/Other.qml"));

        QModelIndex index;
        if (selected.endsWith(QLatin1String("#project")))
            index = tree.model()->index(0, 0);
        else if (selected.endsWith(QLatin1String(".qml")))
            index = tree.indexOf(path(selected));
        else
            index = tree.model()
                        ->match(tree.model()->index(0, 0),
                                ProjectTree::PathRole,
                                selected,
                                1,
                                Qt::MatchExactly | Qt::MatchRecursive)
                        .value(0);
        QVERIFY(index.isValid());

        QSignalSpy activated(&tree, &ProjectTree::fileActivated);
        tree.treeView()->setCurrentIndex(index);
        QCOMPARE(navigator->currentFilePath(), path(navigatorFile));
        emit tree.treeView()->activated(index);
        QCOMPARE(activated.size(), navigatorFile.isEmpty() ? 0 : 1);
        if (!navigatorFile.isEmpty())
            QCOMPARE(activated.first().first().value<Path>(), path(selected));

        QVERIFY(!tree.selectFile(path("/p/content/Unlisted.qml")));
        QVERIFY(tree.selectFile(path("/p/content/Other.qml")));
        QCOMPARE(navigator->currentFilePath(), path("/p/content/Other.qml"));
    }

    void readSettings_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("languages");
        QTest::addColumn<QString>("primary");
        QTest::addColumn<bool>("settingPresent");
        QTest::addColumn<bool>("settingValue");
        QTest::addColumn<QString>("mainFile");

        QTest::newRow("complete") << QByteArray(
            "import QmlProject\nProject {\n    mainFile: \"Main.ui.qml\"\n"
            "    QmlFiles { directory: \".\" }\n"
            "    supportedLanguages: [\"en\",\"de\"]\n    primaryLanguage: \"en\"\n"
            "    translationDatabase: true\n}\n")
                                  << QStringList { "en", "de" } << "en" << true << true
                                  << "Main.ui.qml";
        QTest::newRow("nothing set") << QByteArray("import QmlProject 1.1\nProject {\n}\n")
                                     << QStringList() << "" << false << false << "";
        QTest::newRow("single language, setting off")
            << QByteArray("Project { supportedLanguages: \"fr\"; translationDatabase: false }")
            << QStringList { "fr" } << "" << true << false << "";
        QTest::newRow("unknown parts ignored")
            << QByteArray("import QmlProject 1.1\n// the studio writes comments, too\nProject {\n"
                          "    /* a block comment */\n    mainFile: \"content/App.qml\"\n"
                          "    importPaths: [ \"imports\", \"vendor/imports\" ]\n"
                          "    previewWidth: 1920 * 2\n    property int custom: 4\n"
                          "    RunSettings {\n        scale: \"1\"\n    }\n"
                          "    tooling.fileVersion: 1\n    primaryLanguage: 'de'\n"
                          "    supportedLanguages: ['de', 'it', \"ja\"]\n}\n")
            << QStringList { "de", "it", "ja" } << "de" << false << false << "content/App.qml";
        QTest::newRow("languages not literal")
            << QByteArray("Project { supportedLanguages: someList; primaryLanguage: 3 }")
            << QStringList() << "" << false << false << "";
    }

    void readSettings()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, languages);
        QFETCH(QString, primary);
        QFETCH(bool, settingPresent);
        QFETCH(bool, settingValue);
        QFETCH(QString, mainFile);
        QTemporaryDir dir;
        std::unique_ptr<DesignProject> project = openText(dir, text);
        QVERIFY(project);
        QCOMPARE(project->displayName(), QStringLiteral("app"));
        QCOMPARE(project->projectDirectory(), Path::fromString(dir.path()));
        QmlBuildBackend *backend = QmlBuildBackend::forProject(project.get());
        QVERIFY(backend);
        QCOMPARE(backend->supportedLanguages(), languages);
        QCOMPARE(backend->primaryLanguage(), primary);
        QCOMPARE(project->multiLanguageSetting()->isPresent(), settingPresent);
        QCOMPARE(project->multiLanguageSetting()->value(), settingValue);
        QCOMPARE(MultiLanguageSetting::forProject(project.get()) != nullptr, settingPresent);
        const Path expectedMain = mainFile.isEmpty() ? Path() : path(dir.filePath(mainFile));
        QCOMPARE(project->mainFile(), expectedMain);
        QCOMPARE(project->activeTarget()->activeRunProfile()->mainFile(), expectedMain);
    }

    void projectFiles_data()
    {
        QTest::addColumn<QByteArray>("elements");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("seesNewFile"); // screens/New.qml, added later
        // What kept files from being listed, "%1" standing for the project folder.
        QTest::addColumn<QStringList>("problems");
        const auto row = [](const char *tag,
                            const char *elements,
                            QStringList expected,
                            bool seesNewFile,
                            QStringList problems = {}) {
            QTest::newRow(tag) << QByteArray(elements) << expected << seesNewFile << problems;
        };

        const QStringList everything { "Main.qml",         "app.qmlproject",
                                       "assets/logo.png",  "nested/i18n/Nested.qml",
                                       "screens/A.ui.qml", "screens/deeper/B.qml" };
        const QString gone = "The folder %1/gone named in %1/app.qmlproject does not exist";
        row("whole directory", "", everything, true);
        row("current directory", "QmlFiles { directory: \".\" }", everything, true);
        row("named folders",
            "QmlFiles { directory: \"screens\" }\nImageFiles { directory: \"assets\"; filter: "
            "\"*.png\" }\nEnvironment { X: \"1\" }",
            { "screens/A.ui.qml", "screens/deeper/B.qml", "assets/logo.png" },
            true);
        row("overlapping folders",
            "QmlFiles { directory: \"screens/deeper\" }\nFiles { directory: \"screens\" }",
            { "screens/deeper/B.qml", "screens/A.ui.qml" },
            true);
        // A folder the project names but cannot list is not an empty folder.
        row("missing folder", "QmlFiles { directory: \"gone\" }", {}, false, { gone });
        row("missing folder beside a good one",
            "QmlFiles { directory: \"screens\" }\nQmlFiles { directory: \"gone\" }",
            { "screens/A.ui.qml", "screens/deeper/B.qml" },
            true,
            { gone });
        row("file named as folder",
            "QmlFiles { directory: \"Main.qml\" }",
            {},
            false,
            { "%1/Main.qml named in %1/app.qmlproject is not a folder" });
        // A folder, a file pattern and a single file, all relative to the project.
        row("excluded paths",
            "QmlFiles { directory: \".\"; exclude: [\"screens/deeper\", \"assets/*.png\", "
            "\"./nested/i18n/Nested.qml\"] }",
            { "Main.qml", "app.qmlproject", "screens/A.ui.qml" },
            true);
        row("one excluded path, in a named folder",
            "QmlFiles { directory: \"screens\"; exclude: \"screens/*.ui.qml\" }",
            { "screens/deeper/B.qml" },
            true);
        row("other folder only",
            "ImageFiles { directory: \"assets\" }",
            { "assets/logo.png" },
            false);
    }

    void projectFiles()
    {
        QFETCH(QByteArray, elements);
        QFETCH(QStringList, expected);
        QFETCH(bool, seesNewFile);
        QFETCH(QStringList, problems);
        QTemporaryDir dir;
        for (const char *file : { "Main.qml",
                                  "screens/A.ui.qml",
                                  "screens/deeper/B.qml",
                                  "assets/logo.png",
                                  "i18n/app_de.ts", // generated output: not a project file
                                  ".git/config", // hidden folder
                                  "screens/.cache/x.qml", // hidden folder further down
                                  "nested/i18n/Nested.qml" }) // only the top i18n folder is output
            QVERIFY(writeFile(dir.filePath(QString::fromUtf8(file)), "x"));

        std::unique_ptr<DesignProject> project = openText(dir, "Project {\n" + elements + "\n}\n");
        QVERIFY(project);
        QStringList relative;
        for (const Path &file : project->files())
            relative.append(file.relativeChildPath(project->projectDirectory()));
        QCOMPARE(relative, expected);
        for (QString &problem : problems)
            problem = problem.arg(QDir::toNativeSeparators(dir.path()));
        QCOMPARE(project->fileProblems(), problems);

        // New files show after a rescan.
        QVERIFY(writeFile(dir.filePath("screens/New.qml"), "x"));
        QSignalSpy changed(project.get(), &DesignProject::filesChanged);
        project->rescan();
        QCOMPARE(project->files().contains(path(dir.filePath("screens/New.qml"))), seesNewFile);
        QCOMPARE(changed.size(), seesNewFile ? 1 : 0);
    }

    void writeBack_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QByteArray>("after");

        const QByteArray head
            = "import QmlProject 1.1\n\n// keep this comment\nProject {\n"
              "    mainFile: \"Main.ui.qml\" // and this one\n"
              "    Environment {\n        QT_LOGGING_RULES: \"qt.qml.debug=true\"\n"
              "    }\n";
        const QByteArray both
            = "    supportedLanguages: [\"en\",\"de\"]\n    primaryLanguage: \"en\"\n}\n";
        QTest::newRow("replace both")
            << head + "    supportedLanguages: [ \"en\", \"fr\" ]\n    primaryLanguage: \"fr\"\n}\n"
            << Edit::Both << head + both;
        QTest::newRow("insert both") << head + "}\n" << Edit::Both << head + both;
        QTest::newRow("insert one, keep the other")
            << head + "    primaryLanguage: \"en\"\n}\n"
            << Edit::Languages
            << head + "    primaryLanguage: \"en\"\n    supportedLanguages: [\"en\",\"de\"]\n}\n";
        QTest::newRow("one line")
            << QByteArray("Project { mainFile: \"a.qml\" }") << Edit::Primary
            << QByteArray("Project { mainFile: \"a.qml\"\n    primaryLanguage: \"en\"\n}");
        QTest::newRow("tabs and CRLF")
            << QByteArray("Project {\r\n\tmainFile: \"a.qml\"\r\n}\r\n") << Edit::Both
            << QByteArray("Project {\r\n\tmainFile: \"a.qml\"\r\n\tsupportedLanguages: "
                          "[\"en\",\"de\"]\r\n\tprimaryLanguage: \"en\"\r\n}\r\n");
        QTest::newRow("language is not on its own line")
            << QByteArray("Project { primaryLanguage: \"fr\"; mainFile: \"a.qml\" }")
            << Edit::Primary
            << QByteArray("Project { primaryLanguage: \"en\"; mainFile: \"a.qml\" }");
        // A block value ends its binding without a separator; the text written in
        // its place needs one before the next member (found by fuzzing).
        QTest::newRow("block value, next member on its line")
            << QByteArray("Project { primaryLanguage: {} mainFile: \"a.qml\" }") << Edit::Primary
            << QByteArray("Project { primaryLanguage: \"en\"; mainFile: \"a.qml\" }");
        QTest::newRow("block value, next member right after")
            << QByteArray("Project{supportedLanguages:{}e:t}") << Edit::Languages
            << QByteArray("Project{supportedLanguages:[\"en\",\"de\"];e:t}");
        QTest::newRow("byte order mark")
            << QByteArray("\xEF\xBB\xBFProject {\n    mainFile: \"a.qml\"\n}\n") << Edit::Primary
            << QByteArray("\xEF\xBB\xBFProject {\n    mainFile: \"a.qml\"\n    primaryLanguage: "
                          "\"en\"\n}\n");
        QTest::newRow("enable setting")
            << head + "}\n"
            << Edit::EnableDatabase << head + "    translationDatabase: true\n}\n";
        QTest::newRow("turn setting on")
            << QByteArray("Project {\n    translationDatabase: false\n}\n") << Edit::EnableDatabase
            << QByteArray("Project {\n    translationDatabase: true\n}\n");
    }

    void writeBack()
    {
        QFETCH(QByteArray, before);
        QFETCH(Edit, edit);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        std::unique_ptr<DesignProject> project = openText(dir, before);
        QVERIFY(project);
        QmlBuildBackend *backend = project->buildBackend();
        QSignalSpy languagesChanged(backend, &QmlBuildBackend::supportedLanguagesChanged);
        if (edit == Edit::Languages || edit == Edit::Both)
            QVERIFY(project->writeProperty("supportedLanguages",
                                           QmlProjectFile::stringList({ "en", "de" })));
        if (edit == Edit::Primary || edit == Edit::Both)
            QVERIFY(project->writeProperty("primaryLanguage", QmlProjectFile::quoted("en")));
        if (edit == Edit::EnableDatabase)
            QVERIFY(project->multiLanguageSetting()->setValue(true));
        QCOMPARE(readFile(project->projectFilePath().toString()), after);
        QVERIFY(languagesChanged.size() >= 1);

        // A project opened afresh reads what was written.
        std::unique_ptr<DesignProject> reopened = reopen(*project);
        QVERIFY(reopened);
        QCOMPARE(reopened->buildBackend()->supportedLanguages(), backend->supportedLanguages());
        QCOMPARE(reopened->buildBackend()->primaryLanguage(), backend->primaryLanguage());
        if (edit == Edit::Languages || edit == Edit::Both)
            QCOMPARE(reopened->buildBackend()->supportedLanguages(), (QStringList { "en", "de" }));
        QCOMPARE(reopened->multiLanguageSetting()->value(), edit == Edit::EnableDatabase);
    }

    void writtenValuesReadBack_data()
    {
        QTest::addColumn<QString>("value");

        QTest::newRow("double quote") << QStringLiteral("a\"b");
        QTest::newRow("backslashes") << QStringLiteral("C:\\new\\\\tab\\");
        QTest::newRow("quote after backslash") << QStringLiteral("x\\\"]; mainFile: \"evil.qml");
        QTest::newRow("line breaks and tab") << QStringLiteral("one\ntwo\r\tthree");
        QTest::newRow("non-ASCII") << QStringLiteral("fran\u00e7ais \u65e5\u672c\u8a9e \U0001F600");
        QTest::newRow("empty") << QString();
    }

    void writtenValuesReadBack()
    {
        QFETCH(QString, value);
        QTemporaryDir dir;
        std::unique_ptr<DesignProject> project
            = openText(dir, "Project {\n    mainFile: \"a.qml\"\n    primaryLanguage: \"en\"\n}\n");
        QVERIFY(project);
        QVERIFY(project->writeProperty("primaryLanguage", QmlProjectFile::quoted(value)));
        QVERIFY(project->writeProperty(
            "supportedLanguages", QmlProjectFile::stringList({ value, QStringLiteral("de") })));
        std::unique_ptr<DesignProject> reopened = reopen(*project);
        QVERIFY(reopened);
        QCOMPARE(reopened->buildBackend()->primaryLanguage(), value);
        QCOMPARE(reopened->buildBackend()->supportedLanguages(), (QStringList { value, "de" }));
        // A value never breaks out of its binding into the rest of the file.
        QCOMPARE(reopened->mainFile(), path(dir.filePath("a.qml")));
    }

    // An edit that parses is not enough: it must read back as the value written,
    // with everything else unchanged.
    void refusedEdits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("valueSource");

        const QString plain = "Project {\n    mainFile: \"a.qml\"\n}\n";
        QTest::newRow("value reaches into the next binding")
            << "Project { primaryLanguage: \"en\"; mainFile: \"a.qml\" }"
            << "\"de\"; mainFile: \"b.qml\"";
        QTest::newRow("value adds an element")
            << plain << "\"de\"\n    QmlFiles { directory: \"/\" }";
        QTest::newRow("value adds a function")
            << "Project {\n    mainFile: \"a.qml\"\n    primaryLanguage: \"en\"\n}\n"
            << "\"de\"\n    function f() {}";
        QTest::newRow("value ends the element") << plain << "\"de\" }";
    }

    void refusedEdits()
    {
        QFETCH(QString, text);
        QFETCH(QString, valueSource);
        QmlProjectFile file;
        QString error;
        QVERIFY2(file.parse(text, &error), qPrintable(error));
        QVERIFY(!file.setPropertySource("primaryLanguage", valueSource, &error));
        QVERIFY2(error.startsWith("Cannot set \"primaryLanguage\" in the project file"),
                 qPrintable(error));
        QCOMPARE(file.text(), text);
        QCOMPARE(file.value("mainFile"), QVariant("a.qml"));
    }

    void writeAfterEditOnDisk_data()
    {
        QTest::addColumn<QByteArray>("onDisk"); // null: the folder is gone
        QTest::addColumn<QString>("reason"); // why the write is refused; empty when it is not

        // A write starts from the file as it is now, not as it was read.
        QTest::newRow("edited by someone else")
            << QByteArray("Project {\n    mainFile: \"b.qml\" // edited\n}\n") << QString();
        QTest::newRow("half-typed edit")
            << QByteArray("Project {\n    mainFile: \"b.qml\"\n    importPaths: [\"imports\",\n}\n")
            << "Cannot parse the project file";
        QTest::newRow("saved in another encoding")
            << QByteArray("Project {\n    // caf\xe9\n    mainFile: \"b.qml\"\n}\n")
            << "is not valid UTF-8";
        QTest::newRow("emptied") << QByteArray("") << "has no root element";
        // An unplugged drive or a deleted checkout: the write is reported as failed.
        QTest::newRow("folder gone") << QByteArray() << "Cannot write the project file";
    }

    void writeAfterEditOnDisk()
    {
        QFETCH(QByteArray, onDisk);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        std::unique_ptr<DesignProject> project
            = openText(dir, "Project {\n    mainFile: \"a.qml\"\n}\n");
        QVERIFY(project);
        // The user changes the file in a text editor, maybe so that it does not read
        // (yet), when the studio wants to store a setting: what the user wrote must
        // survive.
        const QString file = project->projectFilePath().toString();
        if (onDisk.isNull()) {
            QVERIFY(QDir(dir.path()).removeRecursively());
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot read the project file"));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(reason));
        } else {
            QVERIFY(writeFile(file, onDisk));
            if (!reason.isEmpty())
                QTest::ignoreMessage(QtWarningMsg, QRegularExpression(reason + ".*left unchanged"));
        }
        QCOMPARE(project->writeProperty("primaryLanguage", QmlProjectFile::quoted("de")),
                 reason.isEmpty());
        QCOMPARE(readFile(file),
                 reason.isEmpty()
                     ? QByteArray(onDisk).replace("}\n", "    primaryLanguage: \"de\"\n}\n")
                     : onDisk);
        // The studio goes on with the value it was given.
        QCOMPARE(project->buildBackend()->primaryLanguage(), QStringLiteral("de"));
        if (reason.isEmpty())
            QCOMPARE(project->mainFile(), path(dir.filePath("b.qml")));
    }

    void languageSettersKeepFile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("languages");
        QTest::addColumn<QString>("primary");

        QTest::newRow("entries present")
            << QByteArray("Project {\n    supportedLanguages: [\"en\"] "
                          "// mine\n    primaryLanguage: \"en\"\n}\n")
            << QStringList { "de", "fr" } << "fr";
        QTest::newRow("entries absent") << QByteArray("Project {\n    mainFile: \"a.qml\"\n}\n")
                                        << QStringList { "ja" } << "ja";
        QTest::newRow("no languages")
            << QByteArray("Project {\n    supportedLanguages: [\"en\"]\n}\n") << QStringList()
            << "";
    }

    // The language setters change what the studio knows, not the file: the project
    // file is edited by the one writer that owns those entries, so that the file
    // never depends on which of two writers came last.
    void languageSettersKeepFile()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, languages);
        QFETCH(QString, primary);
        QTemporaryDir dir;
        std::unique_ptr<DesignProject> project = openText(dir, text);
        QVERIFY(project);
        QmlBuildBackend *backend = project->buildBackend();
        QSignalSpy languagesChanged(backend, &QmlBuildBackend::supportedLanguagesChanged);
        QSignalSpy primaryChanged(backend, &QmlBuildBackend::primaryLanguageChanged);

        QVERIFY(backend->setSupportedLanguages(languages));
        QVERIFY(backend->setPrimaryLanguage(primary));
        QCOMPARE(backend->supportedLanguages(), languages);
        QCOMPARE(backend->primaryLanguage(), primary);
        QCOMPARE(languagesChanged.size(), 2);
        QCOMPARE(primaryChanged.size(), 2);
        QCOMPARE(readFile(project->projectFilePath().toString()), text);

        // A later write of another setting starts from the file on disk, which
        // still holds its own languages.
        QVERIFY(project->multiLanguageSetting()->setValue(true));
        std::unique_ptr<DesignProject> reopened = reopen(*project);
        QVERIFY(reopened);
        QVERIFY(reopened->multiLanguageSetting()->value());
        QCOMPARE(readFile(project->projectFilePath().toString()).count("supportedLanguages"),
                 text.count("supportedLanguages"));
    }

    void multiLanguageSetting()
    {
        QTemporaryDir dir;
        std::unique_ptr<DesignProject> project
            = openText(dir, "Project {\n    primaryLanguage: \"de\"\n}\n");
        QVERIFY(project);
        MultiLanguageSetting *setting = project->multiLanguageSetting();
        QVERIFY(!setting->isPresent());
        QCOMPARE(MultiLanguageSetting::forProject(project.get()), nullptr);
        QCOMPARE(setting->currentLocale(), QStringLiteral("de")); // the primary language at first

        QSignalSpy valueChanged(setting, &MultiLanguageSetting::valueChanged);
        QVERIFY(setting->setValue(true));
        QVERIFY(setting->isPresent());
        QVERIFY(setting->value());
        QCOMPARE(valueChanged.size(), 1);
        QCOMPARE(MultiLanguageSetting::forProject(project.get()), setting);
        QVERIFY(setting->setValue(true)); // unchanged: no signal
        QCOMPARE(valueChanged.size(), 1);
        QVERIFY(setting->setValue(false));
        QCOMPARE(valueChanged.size(), 2);
        QVERIFY(setting->isPresent());

        QSignalSpy localeChanged(setting, &MultiLanguageSetting::currentLocaleChanged);
        setting->setCurrentLocale(QStringLiteral("it"));
        QCOMPARE(localeChanged.size(), 1);

        // A project of another kind has no such setting.
        Project plain(path(dir.filePath("other.pro")));
        QCOMPARE(MultiLanguageSetting::forProject(&plain), nullptr);
        QCOMPARE(MultiLanguageSetting::forProject(nullptr), nullptr);
        QCOMPARE(QmlBuildBackend::forProject(&plain), nullptr);
    }

    void badProjectFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("error");

        QTest::newRow("missing file")
            << "gone.qmlproject" << QByteArray() << "Cannot read the project file";
        QTest::newRow("a directory") << "dir.qmlproject" << QByteArray() << "it is a directory";
        QTest::newRow("syntax error")
            << "app.qmlproject"
            << QByteArray("import QmlProject\nProject {\n    mainFile: \"a.qml\"\n") << "at line 4";
        QTest::newRow("empty file") << "app.qmlproject" << QByteArray("") << "has no root element";
        QTest::newRow("only imports")
            << "app.qmlproject" << QByteArray("import QmlProject\n") << "has no root element";
        QTest::newRow("other root") << "app.qmlproject" << QByteArray("Item { width: 3 }")
                                    << "is \"Item\", not \"Project\"";
        QTest::newRow("binary") << "app.qmlproject" << QByteArray("\xff\xfe\x00P\x00r\x00o", 8)
                                << "is not valid UTF-8";
    }

    void badProjectFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, text);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString file = dir.filePath(name);
        if (name.startsWith(QLatin1String("dir")))
            QVERIFY(QDir().mkpath(file));
        else if (!name.startsWith(QLatin1String("gone")))
            QVERIFY(writeFile(file, text));

        QString errorString;
        QVERIFY(!DesignProject::open(path(file), &errorString));
        QVERIFY2(errorString.contains(error), qPrintable(errorString));
        QVERIFY2(errorString.contains(QDir::toNativeSeparators(file)), qPrintable(errorString));
        if (!text.isNull())
            QCOMPARE(readFile(file), text); // a file we cannot use is left alone
    }
};

QTEST_MAIN(tst_HostProjects)
#include "tst_hostprojects.moc"
