#include "studiowindow.h"
#include "workspace.h"

#include "../translationsview/messageboxcatcher.h"

#include <qmlproject/designproject.h>

#include <core/actionregistry.h>
#include <core/progresscenter.h>
#include <extensionsystem/plugin.h>
#include <extensionsystem/pluginhost.h>
#include <projects/issuelist.h>
#include <projects/issuesview.h>
#include <projects/session.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHash>
#include <QImage>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QQuickWindow>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <peerrequirement.h>

using Host::Utils::Path;

namespace {

const QString exampleDir = QStringLiteral(LEXORA_SOURCE_DIR "/examples/hello");

bool copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QFileInfo &entry :
         QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir() ? !copyTree(entry.filePath(), target)
                          : !QFile::copy(entry.filePath(), target))
            return false;
    }
    return true;
}

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

} // namespace

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

class tst_StudioWorkflow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void importEditGenerate_data();
    void importEditGenerate();
    void projectChangeClearsProjectData();
};

void tst_StudioWorkflow::initTestCase()
{
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QStandardPaths::setTestModeEnabled(true);
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        LEXORA_PEER_MISSING("the sqlite3 shell is missing");
    if (qtTool(QStringLiteral("lconvert")).isEmpty())
        LEXORA_PEER_MISSING("lconvert is not installed");
}

void tst_StudioWorkflow::importEditGenerate_data()
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

void tst_StudioWorkflow::importEditGenerate()
{
    QFETCH(QString, file);
    QFETCH(QString, id);
    QFETCH(QString, typed);
    QFETCH(QString, imported);

    QTemporaryDir dir;
    const QString project = dir.filePath(QStringLiteral("hello"));
    QVERIFY(copyTree(exampleDir, project));
    const QString database = project + QLatin1String("/translations.db");

    // As the studio starts: plugins first, then the project.
    Studio::Workspace workspace(nullptr);
    Studio::StudioWindow *window = workspace.window();
    workspace.loadPlugins({ QStringLiteral(LEXORA_BINARY_DIR "/lib/lexora-studio/plugins") });
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
    answerFileDialog(project + QLatin1String("/translations.json"));
    import->trigger();
    QTRY_VERIFY(rowOf(model, QStringLiteral("app.title")) >= 0);
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
    const QStringList languages { "en", "de", "fr", "ja", "ar" };
    for (const QString &language : languages) {
        for (const char *suffix : { ".qm", ".ts" }) {
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(project + QLatin1String("/i18n/qml_") + language
                                                   + QLatin1String(suffix)),
                                     20000);
        }
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

    // A picture of the whole window for a person to check.
    const QString picture = dir.filePath(QStringLiteral("studio-workflow.png"));
    QVERIFY(window->grab().save(picture));
    const QImage image(picture);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), window->size() * window->devicePixelRatio());
    workspace.shutdown();
}

// What the user saw of one project must be gone when another opens or the
// project closes, and what needs a database must say so without one.
void tst_StudioWorkflow::projectChangeClearsProjectData()
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("hello"));
    QVERIFY(copyTree(exampleDir, first));
    const QString second = dir.filePath(QStringLiteral("bare"));
    QVERIFY(QDir().mkpath(second));
    QFile projectFile(second + QLatin1String("/bare.qmlproject"));
    QVERIFY(projectFile.open(QIODevice::WriteOnly));
    projectFile.write("import QmlProject\nProject {}\n");
    projectFile.close();

    Studio::Workspace workspace(nullptr);
    Studio::StudioWindow *window = workspace.window();
    workspace.loadPlugins({ QStringLiteral(LEXORA_BINARY_DIR "/lib/lexora-studio/plugins") });
    QString error;
    QVERIFY2(window->openProject(first, &error), qPrintable(error));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QWidget *panel = window->viewWidget(QStringLiteral("TranslationsView"));
    QVERIFY(panel);
    QTableView *table = nullptr;
    QTableView *results = nullptr;
    for (QTableView *candidate : panel->findChildren<QTableView *>())
        (qstrcmp(candidate->metaObject()->className(), "Lexora::TranslationTableView") == 0
             ? table
             : results)
            = candidate;
    QVERIFY(table && results);
    QWidget *translationsTab = nullptr;
    for (QWidget *child : panel->findChildren<QWidget *>()) {
        if (qstrcmp(child->metaObject()->className(), "Lexora::TranslationsWidget") == 0)
            translationsTab = child;
    }
    QVERIFY(translationsTab);
    QLineEdit *searchField = nullptr;
    for (QLineEdit *field : panel->findChildren<QLineEdit *>()) {
        if (field->placeholderText() == QLatin1String("sear* ter*"))
            searchField = field;
    }
    QVERIFY(searchField);

    // The first project on show: rows, search results, an issue of its own.
    const QPointer<QTimer> answering
        = answerFileDialog(first + QLatin1String("/translations.json"));
    actionNamed(panel, QStringLiteral("Import translations from JSON file"))->trigger();
    QTRY_VERIFY(table->model()->rowCount() > 0);
    QTRY_VERIFY(!answering); // or it would answer the message boxes below
    QTest::keyClicks(searchField, QStringLiteral("Hello"));
    QTRY_VERIFY(results->model()->rowCount() > 0);
    auto *issues = Host::Projects::IssueList::instance();
    const QByteArray category = "Lexora.TranslationChecks";
    issues->addCategory(category, QStringLiteral("Translation checks"));
    const Path firstFile = Path::fromString(first + QLatin1String("/content/App.qml"));
    issues->addIssue(Host::Projects::Issue(
        Host::Projects::Issue::Error, QStringLiteral("left over"), firstFile, 3, category));

    QVERIFY2(window->openProject(second, &error), qPrintable(error));
    QCOMPARE(issues->issues(category).size(), 0);
    QCOMPARE(table->model()->rowCount(), 0);
    QCOMPARE(searchField->text(), QString());
    QCOMPARE(results->model()->rowCount(), 0);
    // An issue still on show elsewhere (or activated late) opens nothing of it.
    emit window->issuesView()->openFileRequested(firstFile, 3);
    QVERIFY(window->currentFile().isEmpty());

    window->closeProject();
    QVERIFY(!actionNamed(window, QStringLiteral("&Close Project"))->isEnabled());
    QVERIFY(
        !Host::Core::ActionRegistry::instance()->action("Lexora.CheckTranslations")->isEnabled());
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

QTEST_MAIN(tst_StudioWorkflow)
#include "tst_studioworkflow.moc"
