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

#include <QComboBox>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QThread>
#include <QTreeView>

#include <memory>

using namespace Host::Projects;
using Host::Utils::Path;

namespace {

Path path(const char *text)
{
    return Path::fromString(QString::fromUtf8(text));
}

Project *makeProject(const char *file)
{
    return new Project(path(file));
}

class FakeBackend : public BuildBackend
{
public:
    using BuildBackend::BuildBackend;
    QString name() const override { return QStringLiteral("fake"); }
    void parse(bool ok)
    {
        beginParsing();
        endParsing(ok);
    }
};

} // namespace

class tst_HostProjects : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void startupProjectFollowsSession();
    void filesTargetBackendAndRunProfile();
    void navigatorCurrentFile();
    void issueCategoriesAndTasks_data();
    void issueCategoriesAndTasks();
    void issuesFromWorkerThread();
    void issuesModelFollowsList();
    void issuesViewFlashesAndOpens();
    void issuesViewFiltersByFacets_data();
    void issuesViewFiltersByFacets();
    void projectTreeShowsFiles_data();
    void projectTreeShowsFiles();
    void projectTreeDrivesNavigator_data();
    void projectTreeDrivesNavigator();
};

namespace {

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

} // namespace

void tst_HostProjects::cleanup()
{
    Session::instance()->removeAllProjects();
    IssueList::instance()->clearIssues();
    ProjectNavigator::instance()->setCurrentFilePath({});
}

void tst_HostProjects::startupProjectFollowsSession()
{
    Session *session = Session::instance();
    QSignalSpy startup(session, &Session::startupProjectChanged);
    QCOMPARE(session->startupProject(), nullptr);

    Project *first = makeProject("/work/a/a.qmlproject");
    Project *second = makeProject("/work/b/b.qmlproject");
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

void tst_HostProjects::filesTargetBackendAndRunProfile()
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
    rawBackend->parse(true);
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

void tst_HostProjects::navigatorCurrentFile()
{
    ProjectNavigator *navigator = ProjectNavigator::instance();
    QSignalSpy changed(navigator, &ProjectNavigator::currentFileChanged);
    Project *project = makeProject("/p/app.qmlproject");
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

void tst_HostProjects::issueCategoriesAndTasks_data()
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

void tst_HostProjects::issueCategoriesAndTasks()
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
    if (withFile) {
        list->addIssue(Issue(Issue::Error,
                             QStringLiteral("Bad id"),
                             file,
                             12,
                             "test errors",
                             QIcon(),
                             Issue::Options(options)));
    } else {
        list->addIssue(Issue::Error, QStringLiteral("Bad id"), "test errors");
    }

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

void tst_HostProjects::issuesFromWorkerThread()
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

void tst_HostProjects::issuesModelFollowsList()
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
    QCOMPARE(model.index(0, IssuesModel::DescriptionColumn).data().toString(),
             QStringLiteral("first"));
    QCOMPARE(model.index(0, IssuesModel::FileColumn).data().toString(), QStringLiteral("a.qml"));
    QCOMPARE(model.index(0, IssuesModel::LineColumn).data().toInt(), 3);
    QCOMPARE(model.index(0, IssuesModel::CategoryColumn).data().toString(),
             QStringLiteral("Shown category"));
    QVERIFY(!model.index(1, IssuesModel::LineColumn).data().isValid());
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

void tst_HostProjects::issuesViewFlashesAndOpens()
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
    emit view.treeView()->activated(shown->index(0, 0)); // no file: nothing to open
    QCOMPARE(open.size(), 0);
    emit view.treeView()->activated(shown->index(1, 0));
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
    emit view.treeView()->activated(shown->index(2, 0));
    QCOMPARE(handled, QList<quint64> { view.model()->issue(2).id });
    emit view.treeView()->activated(shown->index(1, 0));
    QCOMPARE(open.size(), 2);
    list->setActivationHandler("view", {});
    emit view.treeView()->activated(shown->index(2, 0));
    QCOMPARE(handled.size(), 1);
    QCOMPARE(open.size(), 3);
    QCOMPARE(open.last().at(0).value<Path>(), path("/p/c.qml"));
}

void tst_HostProjects::issuesViewFiltersByFacets_data()
{
    QTest::addColumn<QString>("check");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("shown");

    const QStringList all { "de markup", "de missing", "fr missing", "build failed" };
    QTest::newRow("nothing chosen") << QString() << QString() << all;
    QTest::newRow("one check") << "missing" << QString()
                               << QStringList { "de missing", "fr missing" };
    QTest::newRow("one language") << QString() << "de" << QStringList { "de markup", "de missing" };
    QTest::newRow("check and language") << "missing"
                                        << "fr" << QStringList { "fr missing" };
    QTest::newRow("no such pair") << "markup"
                                  << "fr" << QStringList {};
}

// The selectors come from the facets the issues carry; an issue without them
// shows only while nothing is chosen.
void tst_HostProjects::issuesViewFiltersByFacets()
{
    QFETCH(QString, check);
    QFETCH(QString, language);
    QFETCH(QStringList, shown);

    IssueList *list = IssueList::instance();
    list->addCategory("facets", QStringLiteral("Facets"));
    list->clearIssues("facets");
    IssuesView view(list);
    QVERIFY(!view.facetSelector("Check"));
    for (const auto &[lang, name] : { std::pair { "de", "markup" },
                                      std::pair { "de", "missing" },
                                      std::pair { "fr", "missing" } }) {
        Issue issue(Issue::Warning,
                    QString::fromLatin1(lang) + u' ' + QString::fromLatin1(name),
                    {},
                    -1,
                    "facets");
        issue.facets
            = { { "Check", QString::fromLatin1(name) }, { "Language", QString::fromLatin1(lang) } };
        list->addIssue(issue);
    }
    list->addIssue(Issue::Error, QStringLiteral("build failed"), "facets");
    QTRY_VERIFY(view.facetSelector("Check") && view.facetSelector("Language"));
    QCOMPARE(view.facetSelector("Check")->count(), 3); // all, markup, missing

    auto choose = [&](const QString &facet, const QString &value) {
        QComboBox *selector = view.facetSelector(facet);
        selector->setCurrentIndex(value.isEmpty() ? 0 : selector->findData(value));
    };
    choose("Check", check);
    choose("Language", language);
    QStringList descriptions;
    QAbstractItemModel *table = view.treeView()->model();
    for (int row = 0; row < table->rowCount(); ++row)
        descriptions.append(table->index(row, IssuesModel::DescriptionColumn).data().toString());
    QCOMPARE(descriptions, shown);
    list->clearIssues("facets");
}

void tst_HostProjects::projectTreeShowsFiles_data()
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
        << QStringList {
               "app",       " content",       "  screens", "   Main.ui.qml", "   Settings.ui.qml",
               "  App.qml", " app.qmlproject"
           };
    // A listed file outside the directory must not invent "../" folders.
    QTest::newRow("file outside the project directory")
        << QStringList { "/elsewhere/Shared.qml" }
        << QStringList { "app", " app.qmlproject", " Shared.qml" };
    QTest::newRow("project file listed among the files appears once")
        << QStringList { "/p/app.qmlproject", "/p/Main.qml" }
        << QStringList { "app", " app.qmlproject", " Main.qml" };
}

void tst_HostProjects::projectTreeShowsFiles()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, expected);

    ProjectTree tree;
    Project *project = makeProject("/p/app.qmlproject");
    Host::Utils::Paths paths;
    for (const QString &file : files)
        paths.push_back(Path::fromString(file));
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

void tst_HostProjects::projectTreeDrivesNavigator_data()
{
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("navigatorFile");
    QTest::addColumn<bool>("activates");

    QTest::newRow("file") << "/p/content/App.qml"
                          << "/p/content/App.qml" << true;
    QTest::newRow("folder is no current file") << "/p/content"
                                               << "" << false;
    QTest::newRow("project row is no current file") << "/p/app.qmlproject#project"
                                                    << "" << false;
}

void tst_HostProjects::projectTreeDrivesNavigator()
{
    QFETCH(QString, selected);
    QFETCH(QString, navigatorFile);
    QFETCH(bool, activates);

    ProjectTree tree;
    Project *project = makeProject("/p/app.qmlproject");
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
        index = tree.indexOf(Path::fromString(selected));
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
    QCOMPARE(navigator->currentFilePath(), Path::fromString(navigatorFile));
    emit tree.treeView()->activated(index);
    QCOMPARE(activated.size(), activates ? 1 : 0);
    if (activates)
        QCOMPARE(activated.first().first().value<Path>(), Path::fromString(selected));

    QVERIFY(!tree.selectFile(path("/p/content/Unlisted.qml")));
    QVERIFY(tree.selectFile(path("/p/content/Other.qml")));
    QCOMPARE(navigator->currentFilePath(), path("/p/content/Other.qml"));
}

QTEST_MAIN(tst_HostProjects)
#include "tst_hostprojects.moc"
