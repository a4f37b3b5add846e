#include <core/actionregistry.h>
#include <core/document.h>
#include <core/editorcontext.h>
#include <core/filedialogs.h>
#include <core/progresscenter.h>
#include <core/progressdisplay.h>
#include <core/progressmodel.h>
#include <core/settingsstore.h>
#include <core/workbench.h>

#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSemaphore>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolButton>

#include <memory>

#include <processlocks.h>

using namespace Host::Core;
using Host::Utils::Path;

namespace {

// Where a worker thread hands its future to the progress center.
enum class HandOver { BeforeStart, AfterProgress, AfterFinish };

int rowOfType(const QByteArray &typeId)
{
    const ProgressModel *model = ProgressCenter::instance()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->entry(row).typeId == typeId)
            return row;
    }
    return -1;
}

ProgressEntry entryOfType(const QByteArray &typeId)
{
    return ProgressCenter::instance()->model()->entry(rowOfType(typeId));
}

} // namespace

Q_DECLARE_METATYPE(HandOver)

class tst_HostCore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void progressFedFromWorker_data();
    void progressFedFromWorker();
    void finishedEntriesLinger();
    void displayFollowsEntries();
    void mainWindowAccess();
    void currentDocument();
    void listingKeepsLocks_data();
    void listingKeepsLocks();
    void actionRegistryMenus_data();
    void actionRegistryMenus();
    void actionRegistryMenuBar();
};

void tst_HostCore::init()
{
    ProgressCenter::instance()->setFinishedLinger(-1);
    ProgressCenter::instance()->removeFinished();
    QCOMPARE(ProgressCenter::instance()->model()->rowCount(), 0);
}

void tst_HostCore::progressFedFromWorker_data()
{
    QTest::addColumn<HandOver>("handOver");
    QTest::newRow("before start") << HandOver::BeforeStart;
    QTest::newRow("after progress") << HandOver::AfterProgress;
    QTest::newRow("after finish") << HandOver::AfterFinish;
}

void tst_HostCore::progressFedFromWorker()
{
    QFETCH(HandOver, handOver);
    const QByteArray typeId = "test.worker." + QByteArray::number(int(handOver));
    QSemaphore checked;
    QSemaphore posted;

    std::unique_ptr<QThread> worker(QThread::create([&] {
        QFutureInterface<void> future;
        const auto post = [&] {
            // The way plugin code hands a task over: the call itself is made on
            // the worker thread; the center must carry it to its own thread.
            ProgressCenter::instance()->addTask(future, QStringLiteral("Generating"), typeId);
            posted.release();
        };
        if (handOver == HandOver::BeforeStart)
            post();
        future.reportStarted();
        future.setProgressRange(0, 5);
        future.setProgressValue(3);
        if (handOver == HandOver::AfterProgress) {
            post();
            checked.acquire(); // let the test look at the half-done entry
        }
        future.setProgressValueAndText(5, QStringLiteral("all files"));
        future.reportFinished();
        if (handOver == HandOver::AfterFinish)
            post();
    }));
    worker->start();

    QVERIFY(posted.tryAcquire(1, 5000));
    if (handOver == HandOver::AfterProgress) {
        QTRY_COMPARE(rowOfType(typeId), 0);
        QTRY_COMPARE(entryOfType(typeId).value, 3);
        const ProgressEntry half = entryOfType(typeId);
        QVERIFY(half.started);
        QVERIFY(!half.finished);
        QCOMPARE(half.maximum, 5);
        QCOMPARE(half.percent(), 60);
        checked.release();
    }
    QVERIFY(worker->wait(5000));

    QTRY_VERIFY(rowOfType(typeId) >= 0 && entryOfType(typeId).finished);
    const ProgressEntry entry = entryOfType(typeId);
    QCOMPARE(entry.title, QStringLiteral("Generating"));
    QCOMPARE(entry.minimum, 0);
    QCOMPARE(entry.maximum, 5);
    QCOMPARE(entry.value, 5);
    QCOMPARE(entry.progressText, QStringLiteral("all files"));
    QVERIFY(entry.started);
    QVERIFY(!entry.canceled);
    QCOMPARE(ProgressCenter::instance()->model()->rowCount(), 1);
    QVERIFY(!ProgressCenter::instance()->hasRunningTasks());
}

void tst_HostCore::finishedEntriesLinger()
{
    ProgressCenter *center = ProgressCenter::instance();
    center->setFinishedLinger(20);
    QSignalSpy finished(center, &ProgressCenter::taskFinished);
    QSignalSpy allDone(center, &ProgressCenter::allTasksFinished);

    QFutureInterface<void> transient;
    QFutureInterface<void> kept;
    transient.reportStarted();
    kept.reportStarted();
    center->addTask(transient, QStringLiteral("Transient"), "test.transient");
    // The same future handed over again is shown once, under its first title.
    center->addTask(transient, QStringLiteral("Transient again"), "test.transient");
    center->addTask(kept, QStringLiteral("Kept"), "test.kept", ProgressCenter::KeepOnFinish);
    QCOMPARE(center->model()->rowCount(), 2);
    QCOMPARE(center->model()->entry(0).title, QStringLiteral("Transient"));
    QVERIFY(center->hasRunningTasks());
    transient.reportFinished();
    kept.reportFinished();

    QTRY_COMPARE(finished.size(), 2);
    QTRY_COMPARE(center->model()->rowCount(), 1);
    QCOMPARE(center->model()->entry(0).title, QStringLiteral("Kept"));
    QCOMPARE(allDone.size(), 1);
    QVERIFY(!center->hasRunningTasks());
    center->removeFinished();
    QCOMPARE(center->model()->rowCount(), 0);
}

void tst_HostCore::displayFollowsEntries()
{
    ProgressCenter *center = ProgressCenter::instance();
    ProgressDisplay display;
    QCOMPARE(display.entryCount(), 0);

    QFutureInterface<void> future;
    future.reportStarted();
    center->addTask(QFuture<void>(future.future()), QStringLiteral("Export"), "test.display");
    QCOMPARE(display.entryCount(), 1);
    QCOMPARE(display.titleLabel(0)->text(), QStringLiteral("Export"));
    QCOMPARE(display.progressBar(0)->maximum(), 0); // busy until a range is known

    future.setProgressRange(0, 4);
    future.setProgressValue(4);
    QTRY_COMPARE(display.progressBar(0)->maximum(), 4);
    QTRY_COMPARE(display.progressBar(0)->value(), 4);

    // Cancelling reaches the futures of its type only.
    center->cancelTasks("test.other-type");
    QVERIFY(!future.isCanceled());
    QSignalSpy cancel(&display, &ProgressDisplay::cancelRequested);
    display.findChild<QToolButton *>()->click();
    QCOMPARE(cancel.size(), 1);
    QCOMPARE(cancel.first().first().toByteArray(), QByteArray("test.display"));
    QTRY_VERIFY(future.isCanceled());
    QTRY_VERIFY(entryOfType("test.display").canceled);
    future.reportFinished();
    QTRY_VERIFY(entryOfType("test.display").finished);
    QVERIFY(!center->hasRunningTasks());

    center->removeFinished();
    QCOMPARE(display.entryCount(), 0);
}

void tst_HostCore::mainWindowAccess()
{
    QCOMPARE(Workbench::mainWindow(), nullptr);
    QCOMPARE(Workbench::dialogParent(), nullptr);
    auto *window = new QMainWindow;
    Workbench::setMainWindow(window);
    QCOMPARE(Workbench::mainWindow(), window);
    QCOMPARE(Workbench::dialogParent(), window);
    delete window; // a window that is gone must not be handed out as a parent
    QCOMPARE(Workbench::dialogParent(), nullptr);
}

void tst_HostCore::currentDocument()
{
    EditorContext *context = EditorContext::instance();
    QCOMPARE(context->currentDocument(), nullptr);
    QVERIFY(context->currentFilePath().isEmpty());

    QSignalSpy documents(context, &EditorContext::currentDocumentChanged);
    QSignalSpy paths(context, &EditorContext::currentFilePathChanged);
    auto *first = new Document(Path::fromString(QStringLiteral("/p/Main.ui.qml")));
    Document second(Path::fromString(QStringLiteral("/p/Other.qml")));

    context->setCurrentDocument(first);
    QCOMPARE(context->currentDocument(), first);
    QCOMPARE(context->currentFilePath().toString(), QStringLiteral("/p/Main.ui.qml"));
    QCOMPARE(documents.size(), 1);
    QCOMPARE(paths.size(), 1);

    context->setCurrentDocument(first); // no change, no signal
    QCOMPARE(documents.size(), 1);

    first->setFilePath(Path::fromString(QStringLiteral("/p/Renamed.qml")));
    QCOMPARE(paths.size(), 2);
    QCOMPARE(paths.last().first().value<Path>().toString(), QStringLiteral("/p/Renamed.qml"));
    QCOMPARE(first->displayName(), QStringLiteral("Renamed.qml"));

    context->setCurrentDocument(&second);
    QCOMPARE(paths.last().first().value<Path>().toString(), QStringLiteral("/p/Other.qml"));
    delete first; // no longer current: its renames and its end go unnoticed
    QCOMPARE(context->currentDocument(), &second);

    documents.clear();
    paths.clear();
    {
        Document transient(Path::fromString(QStringLiteral("/p/T.qml")));
        context->setCurrentDocument(&transient);
    }
    QCOMPARE(context->currentDocument(), nullptr);
    QVERIFY(context->currentFilePath().isEmpty());
    QCOMPARE(documents.size(), 2);
    QCOMPARE(documents.last().first().value<Document *>(), nullptr);
    QCOMPARE(paths.last().first().value<Path>(), Path());
}

void tst_HostCore::listingKeepsLocks_data()
{
    QTest::addColumn<bool>("throughDialog");
    QTest::newRow("file dialog") << true;
    QTest::newRow("icon provider") << false;
}

// A file dialog showing a project folder must not open the project's database
// files: closing them again would drop the locks SQLite holds on them.
void tst_HostCore::listingKeepsLocks()
{
    QFETCH(bool, throughDialog);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QStringList names = { QStringLiteral("translations.db"),
                                QStringLiteral("translations.db-shm"),
                                QStringLiteral("translations.db-wal") };
    std::vector<std::unique_ptr<HeldLock>> locks;
    for (const QString &name : names) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        // No name tells the type of these files, so only their bytes could.
        file.write(QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\1'));
        file.close();
        locks.push_back(std::make_unique<HeldLock>(file.fileName()));
        QVERIFY(locks.back()->isLocked());
    }

    if (throughDialog) {
        QFileDialog dialog(nullptr, QString(), folder.path());
        FileDialogs::prepare(&dialog);
        dialog.setViewMode(QFileDialog::Detail);
        dialog.show();
        auto *model = dialog.findChild<QFileSystemModel *>();
        QVERIFY(model);
        const QModelIndex root = model->index(folder.path());
        QTRY_COMPARE(model->rowCount(root), names.size());
        for (int row = 0; row < names.size(); ++row) {
            const QModelIndex name = model->index(row, 0, root);
            QTRY_VERIFY(!model->data(name, Qt::DecorationRole).value<QIcon>().isNull());
            QVERIFY(!model->data(model->index(row, 2, root)).toString().isEmpty());
        }
        QTest::qWait(0);
    } else {
        for (const QString &name : names) {
            const QFileInfo info(folder.filePath(name));
            QVERIFY(!FileNameIconProvider::instance()->icon(info).isNull());
            QVERIFY(!FileNameIconProvider::instance()->type(info).isEmpty());
        }
    }

    for (const QString &name : names)
        QVERIFY2(isLockedForOtherProcesses(folder.filePath(name)), qPrintable(name));
}

// Each step registers "+id/group[/context]" or removes "-id" an action of one
// menu; the menu then reads as its texts with "|" for separators.
void tst_HostCore::actionRegistryMenus_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("activeContexts");
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QStringList>("enabled");

    QTest::newRow("groups stay together")
        << QStringList { "+a/1", "+b/2", "+c/1", "+d/3", "+e/2" } << QStringList()
        << "a c | b e | d" << QStringList { "a", "b", "c", "d", "e" };
    QTest::newRow("a group's last action takes its separator")
        << QStringList { "+a/1", "+b/2", "+c/3", "-b" } << QStringList() << "a | c"
        << QStringList { "a", "c" };
    QTest::newRow("a group's first action leaves its separator to the next")
        << QStringList { "+a/1", "+b/2", "+c/2", "-b", "+d/2" } << QStringList() << "a | c d"
        << QStringList { "a", "c", "d" };
    QTest::newRow("a known id is replaced") << QStringList { "+a/1", "+b/1", "+a/2" }
                                            << QStringList() << "b | a" << QStringList { "a", "b" };
    QTest::newRow("enabled only in active contexts")
        << QStringList { "+a/1/project", "+b/1/project/database", "+c/1" }
        << QStringList { "project" } << "a b c" << QStringList { "a", "c" };
    QTest::newRow("all contexts active")
        << QStringList { "+a/1/project", "+b/1/project/database" }
        << QStringList { "database", "project" } << "a b" << QStringList { "a", "b" };
}

void tst_HostCore::actionRegistryMenus()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, activeContexts);
    QFETCH(QString, layout);
    QFETCH(QStringList, enabled);

    ActionRegistry *registry = ActionRegistry::instance();
    QMenuBar bar;
    registry->buildMenuBar(&bar);
    registry->addMenu("Test.Menu", QStringLiteral("Test"));
    for (const QString &context : activeContexts)
        registry->setContextActive(context.toUtf8(), true);
    for (const QString &step : steps) {
        const QStringList parts = step.mid(1).split(QLatin1Char('/'));
        if (step.startsWith(QLatin1Char('-'))) {
            registry->removeAction(parts.first().toUtf8());
            continue;
        }
        ActionDescription description;
        description.id = parts.first().toUtf8();
        description.text = parts.first();
        description.menu = "Test.Menu";
        description.group = parts.at(1).toUtf8();
        for (const QString &context : parts.mid(2))
            description.contexts.append(context.toUtf8());
        registry->addAction(description);
    }

    QStringList shown;
    QStringList enabledShown;
    for (QAction *action : registry->menu("Test.Menu")->actions()) {
        shown.append(action->isSeparator() ? QStringLiteral("|") : action->text());
        if (!action->isSeparator() && action->isEnabled())
            enabledShown.append(action->text());
    }
    QCOMPARE(shown.join(QLatin1Char(' ')), layout);
    enabledShown.sort();
    QCOMPARE(enabledShown, enabled);

    // Whatever the menu held goes with its actions; the contexts are process-wide.
    for (const QByteArray &id : registry->actionIds("Test.Menu"))
        registry->removeAction(id);
    QCOMPARE(registry->menu("Test.Menu")->actions().size(), 0);
    registry->removeMenu("Test.Menu");
    for (const QString &context : activeContexts)
        registry->setContextActive(context.toUtf8(), false);
}

void tst_HostCore::actionRegistryMenuBar()
{
    ActionRegistry *registry = ActionRegistry::instance();
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    settings.setValue(ActionRegistry::shortcutKey("Plugin.Two"), QStringLiteral("Ctrl+Alt+2"));
    SettingsStore::setSettings(&settings);

    auto bar = std::make_unique<QMenuBar>();
    registry->addMenu("Test.Tools", QStringLiteral("Tools"));
    registry->buildMenuBar(bar.get());
    // A plugin's menu goes where it asks; it shows only with actions in it.
    registry->addMenu("Test.Plugin", QStringLiteral("Plugin"), "Test.Tools");
    const auto shownMenus = [&bar] {
        QStringList titles;
        for (QAction *action : bar->actions()) {
            if (action->isVisible())
                titles.append(action->text());
        }
        return titles;
    };
    auto *owned = new QAction(QStringLiteral("Own"));
    registry->addAction({ "Studio.Own", {}, {}, {}, {}, "Test.Tools", "g", {} }, owned);
    QCOMPARE(shownMenus(), QStringList { "Tools" });
    QAction *one = registry->addAction(
        { "Plugin.One", "One", {}, QKeySequence("Ctrl+1"), "First", "Test.Plugin", "g", {} });
    QAction *two = registry->addAction(
        { "Plugin.Two", "Two", {}, QKeySequence("Ctrl+2"), {}, "Test.Plugin", "g", {} });
    QCOMPARE(shownMenus(), (QStringList { "Plugin", "Tools" }));
    QCOMPARE(one->shortcut(), QKeySequence("Ctrl+1"));
    QCOMPARE(two->shortcut(), QKeySequence("Ctrl+Alt+2")); // the user's own
    QCOMPARE(registry->toolTipWithShortcut(QStringLiteral("Run it"), "Plugin.One"),
             QStringLiteral("Run it (%1)")
                 .arg(QKeySequence("Ctrl+1").toString(QKeySequence::NativeText)));
    QCOMPARE(one->toolTip(), QStringLiteral("First"));

    // A new menu bar (the next window) gets every registered menu and action.
    bar = std::make_unique<QMenuBar>();
    registry->buildMenuBar(bar.get());
    QCOMPARE(shownMenus(), (QStringList { "Plugin", "Tools" }));
    QCOMPARE(registry->actionIds("Test.Plugin"), (QByteArrayList { "Plugin.One", "Plugin.Two" }));

    // The caller's action leaves the registry when it is destroyed; the
    // plugin's go when it removes them, and its menu with them.
    delete owned;
    QVERIFY(!registry->action("Studio.Own"));
    QCOMPARE(shownMenus(), QStringList { "Plugin" });
    registry->removeAction("Plugin.One");
    registry->removeAction("Plugin.Two");
    QCOMPARE(shownMenus(), QStringList());
    registry->removeMenu("Test.Plugin");
    registry->removeMenu("Test.Tools");
    QCOMPARE(bar->actions().size(), 0);
    SettingsStore::setSettings(nullptr);
}

QTEST_MAIN(tst_HostCore)
#include "tst_hostcore.moc"
