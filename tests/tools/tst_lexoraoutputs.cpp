// What the `lexora` tool writes, and what it must never write: the project's
// own files, files behind links that lead out of the project, files that
// would pass for written when they were not, untranslated files in place of
// good ones.

#include "projectfixture.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every entry below `directory` with its contents; links by where they point.
QMap<QString, QByteArray> snapshot(const QString &directory)
{
    QMap<QString, QByteArray> entries;
    const QDir base(directory);
    QDirIterator it(directory,
                    QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        const QString name = base.relativeFilePath(entry.filePath());
        if (entry.isSymLink())
            entries.insert(name, "-> " + entry.symLinkTarget().toUtf8());
        else if (entry.isDir())
            entries.insert(name, "folder");
        else
            entries.insert(name, readFile(entry.filePath()));
    }
    return entries;
}

} // namespace

class TestLexoraOutputs : public QObject
{
    Q_OBJECT

private slots:
    void projectFilesAreRefused_data();
    void projectFilesAreRefused();
    void specialFilesAreRefused_data();
    void specialFilesAreRefused();
    void linksOutOfTheProjectAreRefused_data();
    void linksOutOfTheProjectAreRefused();
    void emptyGenerationIsRefused_data();
    void emptyGenerationIsRefused();
    void fileNamesAreEscaped();
};

void TestLexoraOutputs::projectFilesAreRefused_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("force");
    QTest::addColumn<int>("exitCode");

    struct Row
    {
        const char *name;
        const char *target;
        bool force;
        int exportExit;
        int checkExit; // the check finds missing translations: 1
    };
    const Row rows[] = {
        { "database", "translations.db", false, 2, 2 },
        { "write-ahead log", "translations.db-wal", false, 2, 2 },
        { "shared memory", "translations.db-shm", false, 2, 2 },
        { "rollback journal", "translations.db-journal", true, 2, 2 },
        { "roundabout path", "content/../translations.db", false, 2, 2 },
        { "link to the database", "link.db", true, 2, 2 },
        { "project file", "demo.qmlproject", true, 2, 2 },
        { "QML source", "content/App.qml", true, 2, 2 },
        { "JavaScript source", "content/logic.js", true, 2, 2 },
        { "generated file", "i18n/qml_de.qm", true, 2, 2 },
        { "not JSON", "notes.txt", false, 2, 2 },
        { "not JSON, forced", "notes.txt", true, 0, 1 },
        { "earlier JSON", "earlier.json", false, 0, 1 },
        { "new file", "new.json", false, 0, 1 },
    };
    for (const char *command : { "export", "check" }) {
        for (const Row &row : rows) {
            QTest::addRow("%s, %s", command, row.name)
                << command << row.target << row.force
                << (command == QLatin1String("export") ? row.exportExit : row.checkExit);
        }
    }
}

void TestLexoraOutputs::projectFilesAreRefused()
{
    QFETCH(QString, command);
    QFETCH(QString, target);
    QFETCH(bool, force);
    QFETCH(int, exitCode);
    QTemporaryDir directory;
    QVERIFY(createImportedProject(directory.path()));
    QCOMPARE(lexora({ "generate" }, directory.path()).exitCode, 0);
    QVERIFY(QFile::link(directory.filePath("translations.db"), directory.filePath("link.db")));
    writeFile(directory.filePath("content/logic.js"), "function f() { return 1 }\n");
    writeFile(directory.filePath("notes.txt"), "Release notes\n");
    writeFile(directory.filePath("earlier.json"), "\n  {\"translatables\": []}\n");
    const QMap<QString, QByteArray> before = snapshot(directory.path());

    QStringList arguments = command == "export" ? QStringList { "export", target }
                                                : QStringList { "check", "--json", target };
    if (force)
        arguments << "--force";
    const ToolResult result = lexora(arguments, directory.path());
    QCOMPARE(result.exitCode, exitCode);
    if (exitCode == 2) {
        QVERIFY2(result.err.contains("refusing to write " + target + ": "), qPrintable(result.err));
        QCOMPARE(snapshot(directory.path()), before);
    } else {
        QJsonParseError error;
        QJsonDocument::fromJson(readFile(directory.filePath(target)), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
    }
}

void TestLexoraOutputs::specialFilesAreRefused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("export") << QStringList { "export", "/dev/full" };
    QTest::newRow("export, forced") << QStringList { "export", "/dev/full", "--force" };
    QTest::newRow("check") << QStringList { "check", "--json", "/dev/full" };
    QTest::newRow("check, forced") << QStringList { "check", "--json", "/dev/full", "--force" };
}

void TestLexoraOutputs::specialFilesAreRefused()
{
    QFETCH(QStringList, arguments);
    QTemporaryDir directory;
    QVERIFY(createImportedProject(directory.path()));
    // A device takes the bytes or fails them, and nothing can be replaced
    // in one step; the tool must neither claim success nor replace the node.
    const ToolResult result = lexora(arguments, directory.path());
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains("refusing to write /dev/full: it is not a regular file"),
             qPrintable(result.err));
    QVERIFY2(!result.out.contains("Exported"), qPrintable(result.out));
    QVERIFY(QFileInfo::exists("/dev/full") && !QFileInfo("/dev/full").isFile());
}

void TestLexoraOutputs::linksOutOfTheProjectAreRefused_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("exitCode");
    QTest::newRow(".ts file") << "i18n/qml_de.ts"
                              << "outside/victim.txt" << 1;
    QTest::newRow("dangling .qm file") << "i18n/qml_fr.qm"
                                       << "outside/new.qm" << 1;
    QTest::newRow("i18n folder") << "i18n"
                                 << "outside" << 1;
    QTest::newRow("link to a link") << "i18n/qml_de.qm"
                                    << "project/relay" << 1;
    QTest::newRow("database") << "translations.db"
                              << "outside/translations.db" << 1;
    // Links within the project are the user's own arrangement.
    QTest::newRow("i18n folder inside") << "i18n"
                                        << "project/generated" << 0;
}

void TestLexoraOutputs::linksOutOfTheProjectAreRefused()
{
    QFETCH(QString, link);
    QFETCH(QString, target);
    QFETCH(int, exitCode);
    QTemporaryDir directory;
    const QString project = directory.filePath("project");
    QVERIFY(createImportedProject(project));
    writeFile(directory.filePath("outside/victim.txt"), "not yours\n");
    // Named as a temporary an earlier generation left behind.
    writeFile(directory.filePath("outside/.qml_de.qm.abc123.part"), "not yours either\n");
    QVERIFY(QFile::link(directory.filePath("outside/victim.txt"), project + "/relay"));
    QVERIFY(QDir().mkpath(project + "/generated") && QDir().mkpath(project + "/i18n"));
    if (link == "translations.db")
        QVERIFY(QFile::rename(project + "/translations.db", directory.filePath(target)));
    else
        QDir(project + '/' + link).removeRecursively();
    QVERIFY(QFile::link(directory.filePath(target), project + '/' + link));
    const QMap<QString, QByteArray> outside = snapshot(directory.filePath("outside"));

    const ToolResult result = lexora({ "generate" }, project);
    QCOMPARE(result.exitCode, exitCode);
    QCOMPARE(snapshot(directory.filePath("outside")), outside);
    if (exitCode == 0) {
        QCOMPARE(QDir(project + "/generated").entryList(QDir::Files).size(), 4);
        return;
    }
    QVERIFY2(result.err.contains(project + '/' + link
                                 + " is a symbolic link that leads out of the "
                                   "project"),
             qPrintable(result.err));
    QVERIFY2(!result.out.contains("qml_"), qPrintable(result.out));
}

void TestLexoraOutputs::emptyGenerationIsRefused_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("expectedError");
    for (const char *command : { "generate", "test" }) {
        QTest::addRow("%s, no database", command)
            << command << "no database"
            << "the project has no translation database %1/translations.db";
        QTest::addRow("%s, empty QmlFiles folder", command)
            << command << "no QML files"
            << "the project %1/demo.qmlproject has no QML files";
    }
}

void TestLexoraOutputs::emptyGenerationIsRefused()
{
    QFETCH(QString, command);
    QFETCH(QString, setup);
    QFETCH(QString, expectedError);
    QTemporaryDir directory;
    QVERIFY(createImportedProject(directory.path()));
    QCOMPARE(lexora({ "generate" }, directory.path()).exitCode, 0);
    if (setup == "no database") {
        QVERIFY(QFile::remove(directory.filePath("translations.db")));
    } else {
        for (const char *file : { "content/App.qml", "content/Settings.ui.qml" })
            QVERIFY(QFile::remove(directory.filePath(file)));
    }
    const QMap<QString, QByteArray> before = snapshot(directory.path());

    const ToolResult result = lexora({ command }, directory.path());
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains(expectedError.arg(directory.path())), qPrintable(result.err));
    QVERIFY2(result.err.contains("--allow-empty"), qPrintable(result.err));
    QCOMPARE(snapshot(directory.path()), before);

    if (command == "generate") {
        const ToolResult allowed = lexora({ command, "--allow-empty" }, directory.path());
        QVERIFY2(allowed.exitCode == 0, qPrintable(allowed.err));
        QVERIFY2(allowed.out.contains("qml_de.qm"), qPrintable(allowed.out));
    }
}

void TestLexoraOutputs::fileNamesAreEscaped()
{
    QTemporaryDir directory;
    QVERIFY(createImportedProject(directory.path()));
    // A name that would otherwise print as two lines, or pass for another.
    const ToolResult exported = lexora({ "export", "two\nlines.json" }, directory.path());
    QVERIFY2(exported.exitCode == 0, qPrintable(exported.err));
    QVERIFY2(exported.out.contains("two\\x0alines.json") && !exported.out.contains("two\n"),
             qPrintable(exported.out));

    const ToolResult refused = lexora({ "export", "content/tab\there.qml" }, directory.path());
    QCOMPARE(refused.exitCode, 2);
    QVERIFY2(refused.err.contains("refusing to write content/tab\\x09here.qml"),
             qPrintable(refused.err));
}

int runLexoraOutputTests(int argc, char *argv[])
{
    TestLexoraOutputs test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lexoraoutputs.moc"
