// Runs the `lexora` executable as a build pipeline would and checks what it
// leaves behind with Qt's own readers.

#include "projectfixture.h"

#include <peerrequirement.h>

#include <sqlite/sqlitedatabase.h>
#include <sqlite/sqlitetransaction.h>

#include <sqlite3.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

class TestLexoraTool : public QObject
{
    Q_OBJECT

private slots:
    void generateAsUser();
    void importExportRoundTrip();
    void exportSelections_data();
    void exportSelections();
    void badJsonLeavesDatabaseUnchanged_data();
    void badJsonLeavesDatabaseUnchanged();
    void projectErrors_data();
    void projectErrors();
    void usageErrors_data();
    void usageErrors();
    void importSummary_data();
    void importSummary();
    void helpAll_data();
    void helpAll();
    void readErrorsKeepExistingFiles_data();
    void readErrorsKeepExistingFiles();
    void messagesWithoutIdWarn_data();
    void messagesWithoutIdWarn();
    void languageCodes_data();
    void languageCodes();
    void controlCharactersAreEscaped();
    void readersWorkBesideAWriter();
    void databaseFilesAreLeftAsFound_data();
    void databaseFilesAreLeftAsFound();
    void listsOnlyFilesWrittenByTheRun();
};

void TestLexoraTool::generateAsUser()
{
    QTemporaryDir directory;
    createProject(directory.path());

    const ToolResult imported
        = lexora({ "import", "translations.json", "--project", "." }, directory.path());
    QCOMPARE(imported.exitCode, 0);
    QVERIFY2(imported.out.contains("Imported 4 translation ID(s)"), qPrintable(imported.out));

    const ToolResult generated = lexora({ "generate", "--project", directory.path() });
    QVERIFY2(generated.exitCode == 0, qPrintable(generated.err));
    const QString i18n = directory.filePath("i18n");
    QVERIFY(generated.out.contains(QDir::toNativeSeparators(i18n)));
    QCOMPARE(QDir(i18n).entryList(QDir::Files, QDir::Name),
             QStringList({ "qml_de.qm", "qml_de.ts", "qml_fr.qm", "qml_fr.ts" }));
    QVERIFY(generated.err.contains("Generate translation files"));

    struct Expectation
    {
        const char *language;
        QStringList texts;
    };
    const QStringList ids { "greeting", "missing", "emptyText", "onlyGerman" };
    for (const Expectation &expected :
         { Expectation { "de", { "Hallo", "missing", "", "Nur Deutsch" } },
           Expectation { "fr", { "Bonjour", "missing", "", "onlyGerman" } } }) {
        QTranslator translator;
        QVERIFY(translator.load(i18n + "/qml_" + expected.language + ".qm"));
        QCoreApplication::installTranslator(&translator);
        QStringList texts;
        for (const QString &id : ids)
            texts.append(qtTrId(id.toUtf8().constData()));
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(texts, expected.texts);
    }

    // One format alone writes its files only; the .ts files stay for lconvert.
    for (const char *format : { "qm", "ts" }) {
        QVERIFY(QDir(i18n).removeRecursively());
        QCOMPARE(lexora({ "generate", "--project", directory.path(), "--format", format }).exitCode,
                 0);
        QCOMPARE(QDir(i18n).entryList(QDir::Files, QDir::Name),
                 QStringList({ QStringLiteral("qml_de.%1").arg(format),
                               QStringLiteral("qml_fr.%1").arg(format) }));
    }

    const QString lconvert = qtTool("lconvert");
    if (lconvert.isEmpty())
        LEXORA_PEER_MISSING("lconvert is not installed");
    for (const char *language : { "de", "fr" }) {
        QProcess process;
        process.start(lconvert,
                      { "-i",
                        i18n + "/qml_" + language + ".ts",
                        "-of",
                        "ts",
                        "-o",
                        directory.filePath(QStringLiteral("copy_%1.ts").arg(language)) });
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardError(), QByteArray());
    }
}

void TestLexoraTool::importExportRoundTrip()
{
    QTemporaryDir directory;
    QVERIFY(createImportedProject(directory.path()));

    const QString exported = directory.filePath("exported.json");
    const ToolResult result = lexora({ "export", exported, "--project", directory.path() });
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    // The error stream of a pipeline carries errors only, not the exported data.
    QCOMPARE(result.err, QString());
    QCOMPARE(translationsOf(readFile(exported)), translationsOf(translationsJson));

    // The exported file imports into another project with the same outcome.
    QTemporaryDir second;
    createProject(second.path());
    QCOMPARE(lexora({ "import", exported, "--project", second.path() }).exitCode, 0);
    QCOMPARE(
        lexora({ "export", second.filePath("again.json"), "--project", second.path() }).exitCode,
        0);
    QCOMPARE(translationsOf(readFile(second.filePath("again.json"))),
             translationsOf(translationsJson));
}

void TestLexoraTool::exportSelections_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("expectedIds");
    // "missing" is used but not in the database; "unused" is stored but not used.
    QTest::newRow("used") << QStringList { "--used" }
                          << QStringList { "emptyText", "greeting", "onlyGerman" };
    QTest::newRow("ids") << QStringList { "--ids", "unused", "greeting", "nonexistent" }
                         << QStringList { "greeting", "unused" };
}

void TestLexoraTool::exportSelections()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, expectedIds);
    QTemporaryDir directory;
    QVERIFY(createImportedProject(directory.path()));

    const QString exported = directory.filePath("selection.json");
    const ToolResult result
        = lexora(QStringList { "export", exported, "--project", directory.path() } + options);
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    const auto translations = translationsOf(readFile(exported));
    QCOMPARE(translations.keys(), expectedIds);
    QCOMPARE(translations["greeting"]["fr"], "Bonjour");
}

void TestLexoraTool::badJsonLeavesDatabaseUnchanged_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("expectedMessage");
    QTest::newRow("syntax error") << QByteArray("{ \"translatables\": [ { \"trId\": ")
                                  << "cannot import";
    QTest::newRow("not a translation file") << QByteArray("[1, 2, 3]") << "cannot import";
    QTest::newRow("missing file") << QByteArray() << "cannot import";
    // Read as absent, each of these would delete or blank every translation.
    QTest::newRow("translations is a string")
        << QByteArray(R"({"translatables": [{"trId": "greeting", "translations": "Hallo"}]})")
        << R"(translatables[0] (trId "greeting"): "translations" is not an array)";
    QTest::newRow("text instead of translation")
        << QByteArray(R"({"translatables": [{"trId": "greeting", "translations":
                         [{"language": "de", "text": "Hallo"}]}]})")
        << R"(translatables[0] (trId "greeting"): translations[0] has the unknown member(s) "text")";
    QTest::newRow("translation null")
        << QByteArray(R"({"translatables": [{"trId": "a", "translations": []},
                         {"trId": "greeting", "translations":
                          [{"language": "de", "translation": null}]}]})")
        << R"(translatables[1] (trId "greeting"): translations[0]: "translation" is not a string)";
    QTest::newRow("translations misspelt")
        << QByteArray(R"({"translatables": [{"trId": "greeting", "Translations": []}]})")
        << R"(translatables[0] (trId "greeting") has the unknown member(s) "Translations"; the )"
           R"(members are "trId" and "translations")"
           "\nlexora: --ignore-unknown-members imports the file without those members";
    QTest::newRow("lone surrogate")
        << QByteArray(R"({"translatables": [{"trId": "greeting", "translations":
                         [{"language": "de", "translation": "\ud800"}]}]})")
        << R"(translations[0]: "translation" holds the lone surrogate \ud800)";
    QTest::newRow("no IDs, without --force")
        << QByteArray(R"({"translatables": []})")
        << "holds no translation IDs: importing it would remove every ID of the database (4) "
           "that no local edit keeps. Give --force to do so.";
    QTest::newRow("invalid UTF-8")
        << QByteArray("{\"translatables\": [{\"trId\": \"greeting\", \"translations\": "
                      "[{\"language\": \"de\", \"translation\": \"Gr\xfc\xdf"
                      "e\"}]}]}")
        << "invalid UTF-8 at byte offset 94";
}

void TestLexoraTool::badJsonLeavesDatabaseUnchanged()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, expectedMessage);
    QTemporaryDir directory;
    QVERIFY(createImportedProject(directory.path()));
    QCOMPARE(lexora({ "export", directory.filePath("before.json"), "--project", directory.path() })
                 .exitCode,
             0);

    const QString bad = directory.filePath("bad.json");
    if (!contents.isNull())
        writeFile(bad, contents);
    const ToolResult result = lexora({ "import", bad, "--project", directory.path() });
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains(expectedMessage), qPrintable(result.err));
    QVERIFY(result.err.contains(QDir::toNativeSeparators(bad)));

    QCOMPARE(lexora({ "export", directory.filePath("after.json"), "--project", directory.path() })
                 .exitCode,
             0);
    QCOMPARE(readFile(directory.filePath("after.json")),
             readFile(directory.filePath("before.json")));
}

void TestLexoraTool::projectErrors_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("expectedMessage");
    QTest::newRow("missing directory") << "missing"
                                       << "does not exist";
    QTest::newRow("no project file") << "empty"
                                     << "holds no .qmlproject file";
    QTest::newRow("two project files") << "two"
                                       << "several .qmlproject files";
    QTest::newRow("unreadable project file") << "broken project"
                                             << "cannot read the project file";
    QTest::newRow("broken database") << "broken database"
                                     << "could not be opened";
}

void TestLexoraTool::projectErrors()
{
    QFETCH(QString, setup);
    QFETCH(QString, expectedMessage);
    QTemporaryDir directory;
    QString project = directory.filePath("project");
    if (setup == "missing") {
        project = directory.filePath("nowhere");
    } else {
        createProject(project);
        if (setup == "empty")
            QFile::remove(project + "/demo.qmlproject");
        else if (setup == "two")
            QFile::copy(project + "/demo.qmlproject", project + "/other.qmlproject");
        else if (setup == "broken project")
            writeFile(project + "/demo.qmlproject", "Project { mainFile: ");
        else if (setup == "broken database")
            writeFile(project + "/translations.db", QByteArray(4096, 'x'));
    }

    for (const QStringList &arguments :
         { QStringList { "generate", "--project", project },
           QStringList { "export", directory.filePath("out.json"), "--project", project } }) {
        const ToolResult result = lexora(arguments);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains(expectedMessage), qPrintable(result.err));
    }
    QVERIFY(!QFile::exists(directory.filePath("out.json")));
    QVERIFY(!QFile::exists(project + "/i18n"));
}

void TestLexoraTool::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expectedMessage");
    // The arguments, split at blanks, name the row.
    const std::pair<const char *, const char *> rows[] = {
        { "", "no command given" },
        { "translate", "unknown command translate" },
        { "import", "needs the JSON file" },
        { "export x.json --used --ids a", "exclude each other" },
        { "export x.json --ids", "at least one translation ID" },
        { "generate --format po", "unknown format po" },
        { "generate --fast", "fast" },
        // Options of another command would be ignored silently.
        { "import x.json --format qm", "--format does not apply to import" },
        { "import x.json -f qm", "--format does not apply to import" },
        { "export x.json --ignore-unknown-members",
          "--ignore-unknown-members does not apply to export" },
        { "export x.json --keep-going", "--keep-going does not apply to export" },
        { "export x.json --allow-empty", "--allow-empty does not apply to export" },
        { "generate --used", "--used does not apply to generate" },
        { "generate --timeout 5", "--timeout does not apply to generate" },
        { "test --dry-run", "--dry-run does not apply to test" },
        { "test --strict", "--strict does not apply to test" },
        { "check --format qm", "format" },
        { "check --force", "--force applies to the --json file only" },
        { "import x.json --unfinished", "--unfinished applies to the import of .ts files" },
        { "import de.ts --force",
          "--force and --ignore-unknown-members apply to the import of JSON files" },
        { "import de.ts x.json", "one JSON file or any number of .ts files" },
    };
    for (const auto &[arguments, message] : rows)
        QTest::newRow(*arguments ? arguments : "no command")
            << QString::fromLatin1(arguments).split(u' ', Qt::SkipEmptyParts) << message;
}

void TestLexoraTool::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expectedMessage);
    QTemporaryDir directory;
    const ToolResult result = lexora(arguments, directory.path());
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains(expectedMessage), qPrintable(result.err));
    QVERIFY(QDir(directory.path()).isEmpty());
}

void TestLexoraTool::importSummary_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("dryRun");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("expectedLines");
    QTest::addColumn<QString>("expectedWarning");

    QByteArray withoutTwo = translationsJson;
    withoutTwo.replace(R"({ "trId": "emptyText",
          "translations": [ { "language": "de", "translation": "" },
                            { "language": "fr", "translation": "" } ] },)",
                       "");
    withoutTwo.replace(R"({ "trId": "onlyGerman",
          "translations": [ { "language": "de", "translation": "Nur Deutsch" } ] },)",
                       "");
    const QStringList removesTwo { "  translation IDs: 0 added, 0 changed, 2 removed",
                                   "  translations: 0 added, 0 changed, 3 removed",
                                   "  local edits re-applied: 0" };
    QTest::newRow("two IDs missing, dry run")
        << withoutTwo << true << QStringList() << removesTwo << QString();
    QTest::newRow("two IDs missing")
        << withoutTwo << false << QStringList() << removesTwo << QString();
    // A misspelt "translations" member, taken on purpose, means no
    // translations: the summary shows what that does before it is done.
    QByteArray misspelt = translationsJson;
    misspelt.replace("\"translations\"", "\"translation\"");
    QTest::newRow("translations misspelt, ignored, dry run")
        << misspelt << true << QStringList { "--ignore-unknown-members" }
        << QStringList { "  translation IDs: 0 added, 4 changed, 0 removed",
                         "  translations: 0 added, 0 changed, 6 removed",
                         "  local edits re-applied: 0" }
        << QString();
    QTest::newRow("empty translatables, forced")
        << QByteArray(R"({"translatables": []})") << false << QStringList { "--force" }
        << QStringList { "  translation IDs: 0 added, 0 changed, 4 removed",
                         "  translations: 0 added, 0 changed, 6 removed",
                         "  local edits re-applied: 0" }
        << "holds no translation IDs; the import removed every ID";
    QByteArray changed = translationsJson;
    changed.replace("Bonjour", "Salut");
    changed.replace(R"({ "trId": "unused",)", R"({ "trId": "new", "translations": [] },
        { "trId": "unused",)");
    QTest::newRow("one added, one changed")
        << changed << false << QStringList()
        << QStringList { "  translation IDs: 1 added, 1 changed, 0 removed",
                         "  translations: 0 added, 1 changed, 0 removed",
                         "  local edits re-applied: 0" }
        << QString();
}

void TestLexoraTool::importSummary()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, dryRun);
    QFETCH(QStringList, options);
    QFETCH(QStringList, expectedLines);
    QFETCH(QString, expectedWarning);

    QTemporaryDir directory;
    QVERIFY(createImportedProject(directory.path()));
    const QString database = directory.filePath("translations.db");
    const QByteArray before = readFile(database);
    QVERIFY(!before.isEmpty());

    writeFile(directory.filePath("next.json"), json);
    QStringList arguments { "import", "next.json" };
    if (dryRun)
        arguments << "--dry-run";
    arguments << options;
    const ToolResult result = lexora(arguments, directory.path());
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QStringList lines = result.out.split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    const QString first = lines.takeFirst();
    QVERIFY2(first.startsWith(dryRun ? "Dry run, nothing was changed" : "Imported "),
             qPrintable(first));
    QCOMPARE(lines, expectedLines);
    QVERIFY2(result.err.contains(dryRun ? "Try the import" : "Import translations"),
             qPrintable(result.err));
    if (expectedWarning.isEmpty())
        QVERIFY2(!result.err.contains("warning"), qPrintable(result.err));
    else
        QVERIFY2(result.err.contains(expectedWarning), qPrintable(result.err));

    if (dryRun) {
        // Not a byte of the database changed, and nothing was left beside it.
        QVERIFY(readFile(database) == before);
        QVERIFY(!QFile::exists(database + "-wal"));
    } else {
        // Running the same file again finds nothing left to do.
        const ToolResult again
            = lexora(QStringList { "import", "next.json" } + options, directory.path());
        QCOMPARE(again.out.split(u'\n', Qt::SkipEmptyParts).mid(1),
                 QStringList({ "  translation IDs: 0 added, 0 changed, 0 removed",
                               "  translations: 0 added, 0 changed, 0 removed",
                               "  local edits re-applied: 0" }));
    }
}

void TestLexoraTool::helpAll_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("alone") << QStringList { "--help-all" };
    QTest::newRow("after generate") << QStringList { "generate", "--help-all" };
    QTest::newRow("after import") << QStringList { "import", "x.json", "--help-all" };
    QTest::newRow("help after generate") << QStringList { "generate", "--help" };
}

void TestLexoraTool::helpAll()
{
    QFETCH(QStringList, arguments);
    QTemporaryDir directory;
    createProject(directory.path());
    const ToolResult result = lexora(arguments, directory.path());
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(result.out.contains("Commands:") && result.out.contains("--help-all"),
             qPrintable(result.out));
    // Every command has its usage line.
    for (const char *command : { "import", "export", "generate", "test", "check" })
        QVERIFY2(result.out.contains(QLatin1String("  lexora ") + command), command);
    // Help, and nothing else.
    QVERIFY(!QFile::exists(directory.filePath("i18n")));
    QVERIFY(!QFile::exists(directory.filePath("translations.db")));
}

void TestLexoraTool::readErrorsKeepExistingFiles_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("expectedError");

    QTest::newRow("parse error") << "broken"
                                 << "content/Broken.qml:3";
    QTest::newRow("missing QmlFiles folder")
        << "missing folder"
        << "The folder %1/screens named in %1/demo.qmlproject does not exist";
    QTest::newRow("broken link to a QML file")
        << "dangling"
        << "Cannot read the QML file %1/content/Dangling.qml";
    QTest::newRow("nesting too deep")
        << "deep"
        << "content/Deep.qml: Maximum statement or expression depth exceeded";
}

void TestLexoraTool::readErrorsKeepExistingFiles()
{
    QFETCH(QString, setup);
    QFETCH(QString, expectedError);
    QTemporaryDir directory;
    QVERIFY(createImportedProject(directory.path()));
    QCOMPARE(lexora({ "generate" }, directory.path()).exitCode, 0);
    const QString i18n = directory.filePath("i18n");
    const QMap<QString, QByteArray> good = filesOf(i18n);
    QCOMPARE(good.size(), 4);

    if (setup == "broken") {
        writeFile(directory.filePath("content/Broken.qml"), "import QtQuick\nItem {\n");
    } else if (setup == "missing folder") {
        const QString project = directory.filePath("demo.qmlproject");
        writeFile(project,
                  readFile(project).replace("QmlFiles { directory: \"content\" }",
                                            "QmlFiles { directory: \"content\" }\n"
                                            "    QmlFiles { directory: \"screens\" }"));
    } else if (setup == "dangling") {
        QVERIFY(
            QFile::link(directory.filePath("nowhere"), directory.filePath("content/Dangling.qml")));
    } else if (setup == "deep") {
        writeFile(directory.filePath("content/Deep.qml"),
                  "Item {\n    property var x: " + QByteArray(5000, '(') + "qsTrId(\"lost\")"
                      + QByteArray(5000, ')') + "\n}\n");
    }
    const QString error = expectedError.contains("%1")
        ? expectedError.arg(directory.path())
        : QDir::toNativeSeparators(directory.filePath(expectedError));

    // The default: nothing is written, the previous files stay.
    const ToolResult result = lexora({ "generate", "--format", "all" }, directory.path());
    QCOMPARE(result.exitCode, 1);
    // Reported once, though both formats read the files.
    QCOMPARE(result.err.count(error), 1);
    QCOMPARE(result.err.count("No translation files were written"), 1);
    QVERIFY2(!result.out.contains("qml_"), qPrintable(result.out));
    for (auto it = good.cbegin(); it != good.cend(); ++it)
        QVERIFY2(readFile(i18n + u'/' + it.key()) == it.value(), qPrintable(it.key()));

    // --keep-going writes what could be read and still fails.
    const ToolResult kept = lexora({ "generate", "--keep-going" }, directory.path());
    QCOMPARE(kept.exitCode, 1);
    QVERIFY2(kept.err.contains(error), qPrintable(kept.err));
    QVERIFY2(kept.out.contains("qml_de.ts"), qPrintable(kept.out));
}

void TestLexoraTool::messagesWithoutIdWarn_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("expected");
    QTest::newRow("warning") << QStringList {} << 0 << "warning: ";
    QTest::newRow("strict") << QStringList { "--strict" } << 1 << "error: ";
}

void TestLexoraTool::messagesWithoutIdWarn()
{
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QString, expected);
    QTemporaryDir directory;
    QVERIFY(createImportedProject(directory.path()));
    // Messages lupdate merges (same context, source and comment) count once.
    writeFile(directory.filePath("content/Plain.qml"),
              "import QtQuick\nColumn {\n    Text { text: qsTr(\"Hello\") }\n"
              "    Text { text: qsTr(\"Hello\") }\n    Text { text: qsTr(\"Bye\") }\n"
              "    Text { text: qsTranslate(\"Plain\", \"Hello\") }\n"
              "    Text { text: qsTr(\"Hello\", \"greeting\") }\n}\n");
    writeFile(directory.filePath("content/Other.qml"),
              "import QtQuick\nText { text: qsTr(\"Hello\") }\n");
    // The count lrelease gives for lupdate's file of the same sources.
    if (qtTool("lupdate").isEmpty() || qtTool("lrelease").isEmpty())
        LEXORA_PEER_MISSING("Qt's lupdate and lrelease are not installed (qt6-l10n-tools)");
    QProcess lupdate;
    lupdate.start(qtTool("lupdate"),
                  { "-silent", directory.filePath("content"), "-ts", directory.filePath("p.ts") });
    QVERIFY(lupdate.waitForFinished() && lupdate.exitCode() == 0);
    QProcess lrelease;
    lrelease.start(qtTool("lrelease"),
                   { "-idbased", directory.filePath("p.ts"), "-qm", directory.filePath("p.qm") });
    QVERIFY(lrelease.waitForFinished());
    const QString peer
        = QString::fromUtf8(lrelease.readAllStandardOutput() + lrelease.readAllStandardError());
    const QRegularExpressionMatch dropped
        = QRegularExpression("Dropped \\d+ message\\(s\\) which had no ID\\.").match(peer);
    QVERIFY2(dropped.hasMatch(), qPrintable(peer));
    expected += dropped.captured();

    const ToolResult result
        = lexora(QStringList { "generate", "--format", "qm" } + options, directory.path());
    QCOMPARE(result.exitCode, exitCode);
    // One line, though each of the two files reports it.
    QVERIFY2(result.err.count(expected) == 1, qPrintable(result.err + "\nlrelease: " + peer));
    QCOMPARE(QDir(directory.filePath("i18n")).entryList(QDir::Files),
             QStringList({ "qml_de.qm", "qml_fr.qm" }));
}

void TestLexoraTool::languageCodes_data()
{
    QTest::addColumn<QByteArray>("languages");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("refused");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("repeated") << QByteArray(R"(["de", "fr", "de"])") << 0 << QStringList {}
                              << QStringList { "qml_de.qm", "qml_fr.qm" };
    QTest::newRow("not codes") << QByteArray(R"(["de", "\"", "<b>", "a&b", ".", "..", "de"])") << 1
                               << QStringList { "\"", "<b>", "a&b", ".", ".." }
                               << QStringList { "qml_de.qm" };
}

void TestLexoraTool::languageCodes()
{
    QFETCH(QByteArray, languages);
    QFETCH(int, exitCode);
    QFETCH(QStringList, refused);
    QFETCH(QStringList, listed);
    QTemporaryDir directory;
    QVERIFY(createImportedProject(directory.path()));
    const QString projectFile = directory.filePath("demo.qmlproject");
    writeFile(projectFile, readFile(projectFile).replace(R"(["de", "fr"])", languages));

    const ToolResult result = lexora({ "generate", "--format", "qm" }, directory.path());
    QCOMPARE(result.exitCode, exitCode);
    for (const QString &code : refused) {
        const QString message = QStringLiteral("the supportedLanguages of %1 hold \"%2\", which is "
                                               "not a language code")
                                    .arg(QDir::toNativeSeparators(projectFile), code);
        QCOMPARE(result.err.count(message), 1);
    }
    QStringList written;
    for (const QString &line : result.out.split(u'\n', Qt::SkipEmptyParts)) {
        if (line.startsWith("  "))
            written << QFileInfo(line.trimmed().section(QStringLiteral(" ("), 0, 0)).fileName();
    }
    QCOMPARE(written, listed);
    QCOMPARE(QDir(directory.filePath("i18n")).entryList(QDir::Files | QDir::Hidden), listed);
}

void TestLexoraTool::controlCharactersAreEscaped()
{
    QTemporaryDir directory;
    QVERIFY(createImportedProject(directory.path()));
    // A binary file that happens to end in .qml: its bytes end up in the parse
    // error's source line.
    writeFile(directory.filePath("content/Binary.qml"),
              QByteArray("Item {\n\x1b]0;owned\x07\x1b[2J\x01\x7f\xc2\x9b\n", 26));
    // A name that would otherwise print as two lines.
    writeFile(directory.filePath("content/New\nScreen.qml"), "Item {\n");
    const ToolResult result = lexora({ "generate" }, directory.path());
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains("Binary.qml"), qPrintable(result.err));
    for (const QChar c : result.err) {
        const bool control = (c.unicode() < 0x20 && c != u'\n' && c != u'\t') || c.unicode() == 0x7f
            || (c.unicode() >= 0x80 && c.unicode() < 0xa0);
        QVERIFY2(!control, qPrintable(QString::number(c.unicode(), 16)));
    }
    QVERIFY2(result.err.contains("\\x1b]0;owned\\x07\\x1b[2J\\x01\\x7f\\x9b"),
             qPrintable(result.err));
    QVERIFY2(result.err.contains("content/New\\x0aScreen.qml:2:1: error: ")
                 && !result.err.contains("New\n"),
             qPrintable(result.err));
}

void TestLexoraTool::readersWorkBesideAWriter()
{
    QTemporaryDir directory;
    QVERIFY(createImportedProject(directory.path()));

    // Another process is in the middle of writing.
    Host::Sqlite::Database writer(directory.filePath("translations.db"));
    Host::Sqlite::ImmediateTransaction transaction { writer };
    writer.execute("DELETE FROM translations");

    const ToolResult generated = lexora({ "generate" }, directory.path());
    QVERIFY2(generated.exitCode == 0, qPrintable(generated.err));
    const ToolResult exported = lexora({ "export", "out.json" }, directory.path());
    QVERIFY2(exported.exitCode == 0, qPrintable(exported.err));
    // They read what was committed.
    QCOMPARE(translationsOf(readFile(directory.filePath("out.json"))),
             translationsOf(translationsJson));

    // A second writer waits, then says why it gave up.
    const ToolResult imported = lexora({ "import", "translations.json" }, directory.path());
    QCOMPARE(imported.exitCode, 1);
    QVERIFY2(imported.err.contains("is locked by another process")
                 && imported.err.contains("gave up after waiting 5 seconds"),
             qPrintable(imported.err));
    QVERIFY2(!imported.err.contains("corrupt"), qPrintable(imported.err));
}

// Commands that only read open the database read-only, and every command
// checks a file it did not create before it writes to it: neither a database
// in another journal mode nor another program's file changes by a byte.
void TestLexoraTool::databaseFilesAreLeftAsFound_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("foreign");
    QTest::addColumn<QString>("expectedError");

    const QStringList readers[] = { { "export", "out.json" }, { "check" }, { "generate" } };
    for (const QStringList &reader : readers)
        QTest::addRow("%s, rollback journal", qPrintable(reader.first()))
            << reader << false << QString();
    const QStringList all[] = {
        { "import", "translations.json" }, { "export", "out.json" }, { "check" }, { "generate" }
    };
    for (const QStringList &command : all)
        QTest::addRow("%s, another program's database", qPrintable(command.first()))
            << command << true
            << "could not be opened: not a translation database (the table translatables is "
               "missing)";
}

void TestLexoraTool::databaseFilesAreLeftAsFound()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, foreign);
    QFETCH(QString, expectedError);

    QTemporaryDir directory;
    QVERIFY(createImportedProject(directory.path()));
    const QString database = directory.filePath("translations.db");
    if (foreign)
        QVERIFY(QFile::remove(database));
    {
        sqlite3 *handle = nullptr;
        QVERIFY(sqlite3_open(database.toUtf8().constData(), &handle) == SQLITE_OK);
        const char *sql = foreign ? "CREATE TABLE notes(text TEXT); INSERT INTO notes VALUES(1)"
                                  : "PRAGMA journal_mode=DELETE";
        QVERIFY(sqlite3_exec(handle, sql, nullptr, nullptr, nullptr) == SQLITE_OK);
        sqlite3_close(handle);
    }
    const QByteArray before = readFile(database);

    const ToolResult result = lexora(arguments, directory.path());
    if (expectedError.isEmpty()) {
        QVERIFY2(!result.err.contains("could not be opened"), qPrintable(result.err));
    } else {
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains(expectedError), qPrintable(result.err));
        QVERIFY2(!result.err.contains("corrupt"), qPrintable(result.err));
    }
    QVERIFY(readFile(database) == before);
    QVERIFY(!QFile::exists(database + "-wal"));
}

void TestLexoraTool::listsOnlyFilesWrittenByTheRun()
{
    QTemporaryDir directory;
    QVERIFY(createImportedProject(directory.path()));
    QCOMPARE(lexora({ "generate", "--project", directory.path(), "--format", "all" }).exitCode, 0);

    // qml_fr.qm cannot be replaced (a directory stands in its way); the files of
    // the earlier run are still there but must not pass for this run's output.
    const QString i18n = directory.filePath("i18n");
    QVERIFY(QFile::remove(i18n + "/qml_fr.qm"));
    QVERIFY(QDir().mkpath(i18n + "/qml_fr.qm"));
    const ToolResult result
        = lexora({ "generate", "--project", directory.path(), "--format", "qm" });
    QCOMPARE(result.exitCode, 1);
    // The directory in its way already stops the file from being opened.
    QVERIFY2(result.err.contains("Could not open the translation file "
                                 + QDir::toNativeSeparators(i18n + "/qml_fr.qm") + " for writing."),
             qPrintable(result.err));
    QVERIFY2(result.out.contains(QDir::toNativeSeparators(i18n + "/qml_de.qm")),
             qPrintable(result.out));
    QVERIFY2(!result.out.contains("qml_fr"), qPrintable(result.out));
    QVERIFY2(!result.out.contains(".ts"), qPrintable(result.out));
    // A run with a failed file is not "done".
    QVERIFY2(result.err.contains("Generate translation files: failed, 1 error(s) (4/4)"),
             qPrintable(result.err));
    QVERIFY2(!result.err.contains("done ("), qPrintable(result.err));
}

int runLexoraToolTests(int argc, char *argv[])
{
    TestLexoraTool test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lexoratool.moc"
