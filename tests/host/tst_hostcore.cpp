#include <core/actionregistry.h>
#include <core/document.h>
#include <core/editorcontext.h>
#include <core/filedialogs.h>
#include <core/iconfontbuilder.h>
#include <core/progresscenter.h>
#include <core/progressdisplay.h>
#include <core/progressmodel.h>
#include <core/settingsstore.h>
#include <core/theme.h>
#include <core/workbench.h>
#include <utils/path.h>
#include <utils/softassert.h>

#include <processlocks.h>

#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QFontMetrics>
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

using namespace Host::Core;
using Host::Utils::Path;

Q_DECLARE_METATYPE(Theme::Glyph)

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

// "title min..max=value 'text' started finished canceled", the parts that hold.
QString describe(const ProgressEntry &entry)
{
    return QStringLiteral("%1 %2..%3=%4 '%5'%6%7%8")
        .arg(entry.title)
        .arg(entry.minimum)
        .arg(entry.maximum)
        .arg(entry.value)
        .arg(entry.progressText,
             entry.started ? " started" : "",
             entry.finished ? " finished" : "",
             entry.canceled ? " canceled" : "");
}

int guardedValue(const int *pointer)
{
    HOST_SOFT_ASSERT(pointer, return -1);
    return *pointer;
}

const QList<std::pair<const char *, Theme::Glyph>> allGlyphs {
    { "translate", Theme::Glyph::Translate },        { "file upload", Theme::Glyph::FileUpload },
    { "file download", Theme::Glyph::FileDownload }, { "build", Theme::Glyph::Build },
    { "fact check", Theme::Glyph::FactCheck },       { "spellcheck", Theme::Glyph::Spellcheck },
    { "expand more", Theme::Glyph::ExpandMore },     { "save", Theme::Glyph::Save }
};

QImage glyphImage(Theme::Glyph glyph)
{
    return IconFontBuilder::pixmap(
               Theme::iconFontFamily(), Theme::glyph(glyph), 28, Theme::iconColor())
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

int drawnPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    }
    return count;
}

} // namespace

Q_DECLARE_METATYPE(HandOver)

class tst_HostCore : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ProgressCenter::instance()->setFinishedLinger(-1);
        ProgressCenter::instance()->removeFinished();
        QCOMPARE(ProgressCenter::instance()->model()->rowCount(), 0);
    }

    void progressFedFromWorker_data()
    {
        QTest::addColumn<HandOver>("handOver");
        QTest::newRow("before start") << HandOver::BeforeStart;
        QTest::newRow("after progress") << HandOver::AfterProgress;
        QTest::newRow("after finish") << HandOver::AfterFinish;
    }

    void progressFedFromWorker()
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
            QCOMPARE(describe(entryOfType(typeId)), "Generating 0..5=3 '' started");
            QCOMPARE(entryOfType(typeId).percent(), 60);
            checked.release();
        }
        QVERIFY(worker->wait(5000));

        QTRY_VERIFY(rowOfType(typeId) >= 0 && entryOfType(typeId).finished);
        QCOMPARE(describe(entryOfType(typeId)), "Generating 0..5=5 'all files' started finished");
        QCOMPARE(ProgressCenter::instance()->model()->rowCount(), 1);
        QVERIFY(!ProgressCenter::instance()->hasRunningTasks());
    }

    void finishedEntriesLinger()
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
    }

    void displayFollowsEntries()
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

    void mainWindowAndCurrentDocument()
    {
        QCOMPARE(Workbench::mainWindow(), nullptr);
        QCOMPARE(Workbench::dialogParent(), nullptr);
        auto *window = new QMainWindow;
        Workbench::setMainWindow(window);
        QCOMPARE(Workbench::mainWindow(), window);
        QCOMPARE(Workbench::dialogParent(), window);
        delete window; // a window that is gone must not be handed out as a parent
        QCOMPARE(Workbench::dialogParent(), nullptr);

        EditorContext *context = EditorContext::instance();
        QCOMPARE(context->currentDocument(), nullptr);
        QVERIFY(context->currentFilePath().isEmpty());
        QSignalSpy documents(context, &EditorContext::currentDocumentChanged);
        QSignalSpy paths(context, &EditorContext::currentFilePathChanged);
        auto *first = new Document(Path::fromString(QStringLiteral("/p/Main.ui.qml")));
        Document second(Path::fromString(QStringLiteral("/p/Other.qml")));
        const auto lastPath = [&] {
            return paths.last().first().value<Path>().toString();
        };

        context->setCurrentDocument(first);
        QCOMPARE(context->currentDocument(), first);
        QCOMPARE(context->currentFilePath().toString(), QStringLiteral("/p/Main.ui.qml"));
        QCOMPARE(documents.size(), 1);
        QCOMPARE(paths.size(), 1);
        context->setCurrentDocument(first); // no change, no signal
        QCOMPARE(documents.size(), 1);

        first->setFilePath(Path::fromString(QStringLiteral("/p/Renamed.qml")));
        QCOMPARE(paths.size(), 2);
        QCOMPARE(lastPath(), QStringLiteral("/p/Renamed.qml"));
        QCOMPARE(first->displayName(), QStringLiteral("Renamed.qml"));

        context->setCurrentDocument(&second);
        QCOMPARE(lastPath(), QStringLiteral("/p/Other.qml"));
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

    void listingKeepsLocks_data()
    {
        QTest::addColumn<bool>("throughDialog");
        QTest::newRow("file dialog") << true;
        QTest::newRow("icon provider") << false;
    }

    // A file dialog showing a project folder must not open the project's database
    // files: closing them again would drop the locks SQLite holds on them.
    void listingKeepsLocks()
    {
        QFETCH(bool, throughDialog);
        QTemporaryDir folder;
        const QStringList names
            = { "translations.db", "translations.db-shm", "translations.db-wal" };
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
    void actionRegistryMenus_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("activeContexts");
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QStringList>("enabled");
        const auto row = [](const char *tag,
                            QStringList steps,
                            QStringList contexts,
                            const char *layout,
                            QStringList enabled) {
            QTest::newRow(tag) << steps << contexts << QString(layout) << enabled;
        };

        row("groups stay together",
            { "+a/1", "+b/2", "+c/1", "+d/3", "+e/2" },
            {},
            "a c | b e | d",
            { "a", "b", "c", "d", "e" });
        row("a group's last action takes its separator",
            { "+a/1", "+b/2", "+c/3", "-b" },
            {},
            "a | c",
            { "a", "c" });
        row("a group's first action leaves its separator to the next",
            { "+a/1", "+b/2", "+c/2", "-b", "+d/2" },
            {},
            "a | c d",
            { "a", "c", "d" });
        row("a known id is replaced", { "+a/1", "+b/1", "+a/2" }, {}, "b | a", { "a", "b" });
        row("enabled only in active contexts",
            { "+a/1/project", "+b/1/project/database", "+c/1" },
            { "project" },
            "a b c",
            { "a", "c" });
        row("all contexts active",
            { "+a/1/project", "+b/1/project/database" },
            { "database", "project" },
            "a b",
            { "a", "b" });
    }

    void actionRegistryMenus()
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

    void actionRegistryMenuBar()
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
        QCOMPARE(registry->actionIds("Test.Plugin"),
                 (QByteArrayList { "Plugin.One", "Plugin.Two" }));

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

    void glyphs_data()
    {
        QTest::addColumn<int>("index");
        for (int index = 0; index < allGlyphs.size(); ++index)
            QTest::newRow(allGlyphs[index].first) << index;
    }

    void glyphs()
    {
        QFETCH(int, index);
        const Theme::Glyph glyph = allGlyphs[index].second;
        QCOMPARE(Theme::iconFontFileName(), QStringLiteral("frmw_propertyIconFont.ttf"));
        QVERIFY(QFile::exists(QStringLiteral(":/host/fonts/frmw_propertyIconFont.ttf")));
        QVERIFY(QFontDatabase::families().contains(Theme::iconFontFamily()));
        QFont font(Theme::iconFontFamily());
        font.setPixelSize(28);
        // The glyph comes from the icon font itself, not from a fallback font.
        QVERIFY(QFontMetrics(font).inFont(Theme::glyph(glyph).at(0)));

        const QImage image = glyphImage(glyph);
        QCOMPARE(image.size(), QSize(28, 28));
        const int drawn = drawnPixels(image);
        // Visible, and not a filled square either.
        QVERIFY2(drawn > 28 * 28 / 20 && drawn < 28 * 28, qPrintable(QString::number(drawn)));
        const QColor theme = Theme::iconColor();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) >= 128) // edges blend with the background
                    QVERIFY(qAbs(qRed(pixel) - theme.red()) <= 2
                            && qAbs(qGreen(pixel) - theme.green()) <= 2
                            && qAbs(qBlue(pixel) - theme.blue()) <= 2);
            }
        }
        for (int other = index + 1; other < allGlyphs.size(); ++other)
            QVERIFY2(glyphImage(allGlyphs[other].second) != image, allGlyphs[other].first);
    }

    void iconSizes_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("valid");

        const QString glyph = Theme::glyph(Theme::Glyph::Build);
        QTest::newRow("toolbar") << Theme::iconFontFamily() << glyph << 28 << true;
        QTest::newRow("small") << Theme::iconFontFamily() << glyph << 16 << true;
        QTest::newRow("no family") << QString() << glyph << 28 << false;
        QTest::newRow("no glyph") << Theme::iconFontFamily() << QString() << 28 << false;
        QTest::newRow("no size") << Theme::iconFontFamily() << glyph << 0 << false;
    }

    void iconSizes()
    {
        QFETCH(QString, family);
        QFETCH(QString, text);
        QFETCH(int, size);
        QFETCH(bool, valid);
        const QIcon icon = IconFontBuilder::icon(family, text, size, Theme::iconColor());
        QCOMPARE(icon.isNull(), !valid);
        if (!valid)
            return;
        QCOMPARE(icon.availableSizes().value(0), QSize(size, size));
        const QPixmap dense = icon.pixmap(QSize(size, size), 2.0);
        QCOMPARE(dense.size(), QSize(2 * size, 2 * size));
        QVERIFY(drawnPixels(dense.toImage()) > 0);
        // The toolbar's icons come from the same font.
        const QImage expand = Theme::expandIcon().pixmap(16).toImage();
        const QImage save = Theme::saveFileIcon().pixmap(16).toImage();
        QVERIFY(!expand.isNull() && !save.isNull() && expand != save);
    }

    void softAssertLogsAndRunsAction()
    {
        // The message names the condition and this very file with the line number.
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("Soft assertion failed: \"pointer\" in "
                                                ".*tst_hostcore\\.cpp:[0-9]+$"));
        QCOMPARE(guardedValue(nullptr), -1);
        // A condition that holds says nothing and runs nothing.
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        const int value = 7;
        QCOMPARE(guardedValue(&value), 7);
        int reached = 0;
        for (int i = 0; i < 3; ++i) {
            HOST_SOFT_ASSERT(i < 10, break);
            ++reached;
        }
        QCOMPARE(reached, 3);
    }

    // The parent is that of the first path; "" as directory checks no child.
    void paths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<bool>("isChild");
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QString>("parent");
        const auto row = [](const char *tag,
                            const char *path,
                            const char *directory,
                            bool isChild,
                            const char *relative,
                            const char *parent) {
            QTest::newRow(tag) << QString(path) << QString(directory) << isChild
                               << QString(relative) << QString(parent);
        };

        row("direct child", "/a/b/c.qml", "/a/b", true, "c.qml", "/a/b");
        row("deep child", "/a/b/c/d.qml", "/a", true, "b/c/d.qml", "/a/b/c");
        row("trailing slash", "/a/b/c.qml", "/a/b/", true, "c.qml", "/a/b");
        row("sibling prefix", "/a/bc/d.qml", "/a/b", false, "", "/a/bc");
        row("same path", "/a/b", "/a/b", false, "", "/a");
        row("below root", "/etc/x", "/", true, "etc/x", "/etc");
        row("unclean input", "/a/./b/../b/c.qml", "/a//b", true, "c.qml", "/a/b");
        row("file", "/home/user/project/Main.qml", "", false, "", "/home/user/project");
        row("top level", "/etc", "", false, "", "/");
        row("root", "/", "", false, "", "");
        row("relative", "dir/file", "", false, "", "dir");
        row("bare name", "file", "", false, "", "");
        row("empty", "", "", false, "", "");
    }

    void paths()
    {
        QFETCH(QString, path);
        QFETCH(QString, directory);
        QFETCH(bool, isChild);
        QFETCH(QString, relative);
        QFETCH(QString, parent);
        const Path file = Path::fromString(path);
        QCOMPARE(file.isChildOf(Path::fromString(directory)), isChild);
        QCOMPARE(file.relativeChildPath(Path::fromString(directory)), relative);
        QCOMPARE(file.parentDir().toString(), parent);
    }

    void fileNamesAndUserInput()
    {
        const Path path = Path::fromString(QStringLiteral("/p/app.translations.qmlproject"));
        QCOMPARE(path.completeBaseName(), QStringLiteral("app.translations"));
        QVERIFY(path.endsWith(u".qmlproject"));
        QVERIFY(!path.endsWith(u".qml"));
        QCOMPARE(path.parentDir().pathAppended(QStringLiteral("i18n")).toString(),
                 QStringLiteral("/p/i18n"));
        QCOMPARE(path.parentDir().resolvePath(QStringLiteral("/abs/x")).toString(),
                 QStringLiteral("/abs/x"));
        if (Path::caseSensitivity() == Qt::CaseSensitive) {
            QVERIFY(!Path::fromString(QStringLiteral("/p/Main.QML")).endsWith(u".qml"));
            QVERIFY(Path::fromString(QStringLiteral("/a"))
                    != Path::fromString(QStringLiteral("/A")));
        }

        const Path home = Path::fromUserInput(QStringLiteral("  ~/projects/x  "));
        QCOMPARE(home.toString(), QDir::homePath() + QStringLiteral("/projects/x"));
        QCOMPARE(home.toUserOutput(), QDir::toNativeSeparators(home.toString()));
        QVERIFY(Path::fromUserInput(QStringLiteral("   ")).isEmpty());

        // Equal paths hash alike, however they were spelt.
        QHash<Path, int> hash;
        hash.insert(Path::fromString("/tmp/x").pathAppended(QStringLiteral("a.txt")), 1);
        QCOMPARE(hash.value(Path::fromString(QStringLiteral("/tmp/./x//a.txt"))), 1);
        QVERIFY(!Path().exists());
    }
};

QTEST_MAIN(tst_HostCore)
#include "tst_hostcore.moc"
