// Runs the `lexora` executable as a build pipeline would and checks what it
// leaves behind with Qt's own readers; and what it must never write: the
// project's own files, files behind links that lead out of the project, files
// that would pass for written when they were not.

#include "projectfixture.h"

#include <peerrequirement.h>

#include <sqlite/sqlitedatabase.h>
#include <sqlite/sqlitetransaction.h>

#include <sqlite3.h>

#include <QCoreApplication>
#include <QDirIterator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

namespace {

// Every entry below `directory` with its contents; links by where they point.
QMap<QString, QByteArray> snapshot(const QString &directory)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(directory,
                    QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        entries.insert(QDir(directory).relativeFilePath(entry.filePath()),
                       entry.isSymLink()   ? "-> " + entry.symLinkTarget().toUtf8()
                           : entry.isDir() ? "folder"
                                           : readFile(entry.filePath()));
    }
    return entries;
}

QStringList lines(const QString &text)
{
    return text.split(u'\n', Qt::SkipEmptyParts);
}

QStringList words(const char *text)
{
    return QString::fromUtf8(text).split(u' ', Qt::SkipEmptyParts);
}

const QStringList nothingLeft { "  translation IDs: 0 added, 0 changed, 0 removed",
                                "  translations: 0 added, 0 changed, 0 removed",
                                "  local edits re-applied: 0" };

} // namespace

class TestLexoraTool : public QObject
{
    Q_OBJECT

private slots:
    void generateAsUser()
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
        for (const auto &[language, expected] :
             { std::pair { "de", "Hallo|missing||Nur Deutsch" },
               std::pair { "fr", "Bonjour|missing||onlyGerman" } }) {
            QTranslator translator;
            QVERIFY(translator.load(i18n + "/qml_" + language + ".qm"));
            QCoreApplication::installTranslator(&translator);
            QStringList texts;
            for (const char *id : { "greeting", "missing", "emptyText", "onlyGerman" })
                texts.append(qtTrId(id));
            QCoreApplication::removeTranslator(&translator);
            QCOMPARE(texts.join(u'|'), expected);
        }

        // One format alone writes its files only; the .ts files stay for lconvert.
        for (const QString format : { "qm", "ts" }) {
            QVERIFY(QDir(i18n).removeRecursively());
            QCOMPARE(
                lexora({ "generate", "--project", directory.path(), "--format", format }).exitCode,
                0);
            QCOMPARE(QDir(i18n).entryList(QDir::Files, QDir::Name),
                     QStringList({ "qml_de." + format, "qml_fr." + format }));
        }
        if (qtTool("lconvert").isEmpty())
            LEXORA_PEER_MISSING("lconvert is not installed");
        for (const char *language : { "de", "fr" }) {
            QString output;
            QVERIFY(runQtTool("lconvert",
                              { "-i",
                                i18n + "/qml_" + language + ".ts",
                                "-of",
                                "ts",
                                "-o",
                                directory.filePath("copy.ts") },
                              &output));
            QCOMPARE(output, QString());
        }
    }

    // "missing" is used but not in the database; "unused" is stored but not used.
    void exportSelections_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("expectedIds");
        QTest::newRow("all") << QStringList {}
                             << QStringList { "emptyText", "greeting", "onlyGerman", "unused" };
        QTest::newRow("used") << QStringList { "--used" }
                              << QStringList { "emptyText", "greeting", "onlyGerman" };
        QTest::newRow("ids") << QStringList { "--ids", "unused", "greeting", "nonexistent" }
                             << QStringList { "greeting", "unused" };
    }

    void exportSelections()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, expectedIds);
        QTemporaryDir directory;
        QVERIFY(createImportedProject(directory.path()));
        const QString exported = directory.filePath("selection.json");
        const ToolResult result
            = lexora(QStringList { "export", exported, "--project", directory.path() } + options);
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        // The error stream of a pipeline carries errors only, not the exported data.
        QCOMPARE(result.err, QString());
        auto expected = translationsOf(translationsJson);
        for (const QString &id : expected.keys()) {
            if (!expectedIds.contains(id))
                expected.remove(id);
        }
        QCOMPARE(translationsOf(readFile(exported)), expected);

        // The exported file imports into another project with the same outcome.
        QTemporaryDir second;
        createProject(second.path());
        QCOMPARE(lexora({ "import", exported, "--project", second.path() }).exitCode, 0);
        QCOMPARE(lexora({ "export", second.filePath("again.json"), "--project", second.path() })
                     .exitCode,
                 0);
        QCOMPARE(translationsOf(readFile(second.filePath("again.json"))), expected);
    }

    void projectErrors_data()
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

    void projectErrors()
    {
        QFETCH(QString, setup);
        QFETCH(QString, expectedMessage);
        QTemporaryDir directory;
        const QString project = directory.filePath(setup == "missing" ? "nowhere" : "project");
        if (setup != "missing")
            createProject(project);
        if (setup == "empty")
            QFile::remove(project + "/demo.qmlproject");
        else if (setup == "two")
            QFile::copy(project + "/demo.qmlproject", project + "/other.qmlproject");
        else if (setup == "broken project")
            writeFile(project + "/demo.qmlproject", "Project { mainFile: ");
        else if (setup == "broken database")
            writeFile(project + "/translations.db", QByteArray(4096, 'x'));
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

    // The arguments, split at blanks, name the row; help runs in a project and writes nothing.
    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expectedMessage");
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
                << words(arguments) << 2 << message;
        for (const char *help :
             { "--help-all", "generate --help-all", "import x.json --help-all", "generate --help" })
            QTest::newRow(help) << words(help) << 0 << "";
    }

    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, expectedMessage);
        QTemporaryDir directory;
        if (exitCode == 0)
            createProject(directory.path());
        const QMap<QString, QByteArray> before = snapshot(directory.path());
        const ToolResult result = lexora(arguments, directory.path());
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY2(result.err.contains(expectedMessage), qPrintable(result.err));
        QCOMPARE(snapshot(directory.path()), before);
        if (exitCode == 0) {
            QVERIFY2(result.out.contains("Commands:") && result.out.contains("--help-all"),
                     qPrintable(result.out));
            for (const char *command : { "import", "export", "generate", "test", "check" })
                QVERIFY2(result.out.contains(QLatin1String("  lexora ") + command), command);
        }
    }

    // An import into the project's database: the summary of what it changes, or
    // why the file is refused, and then a database as it was. "expected" holds the
    // six numbers of the summary, or the message of the refusal.
    void importJson_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("expectedWarning");
        QTest::newRow("syntax error") << QByteArray("{ \"translatables\": [ { \"trId\": ")
                                      << QStringList() << "cannot import" << QString();
        QTest::newRow("not a translation file")
            << QByteArray("[1, 2, 3]") << QStringList() << "cannot import" << QString();
        QTest::newRow("missing file")
            << QByteArray() << QStringList() << "cannot import" << QString();
        // Read as absent, a member of the wrong type would blank every translation; the
        // reader's other faults are the JSON tests' matter, the database left as it was ours.
        QTest::newRow("translations is a string")
            << QByteArray(R"({"translatables": [{"trId": "greeting", "translations": "Hallo"}]})")
            << QStringList()
            << R"(translatables[0] (trId "greeting"): "translations" is not an array)" << QString();
        QTest::newRow("translations misspelt")
            << QByteArray(R"({"translatables": [{"trId": "greeting", "Translations": []}]})")
            << QStringList()
            << R"(translatables[0] (trId "greeting") has the unknown member(s) "Translations"; the members are "trId" and "translations")"
               "\nlexora: --ignore-unknown-members imports the file without those members"
            << QString();
        QTest::newRow("no IDs, without --force")
            << QByteArray(R"({"translatables": []})") << QStringList()
            << "holds no translation IDs: importing it would remove every ID of the database (4) "
               "that no local edit keeps. Give --force to do so."
            << QString();
        QByteArray withoutTwo = translationsJson;
        withoutTwo.replace(
            translationsJson.mid(translationsJson.indexOf("{ \"trId\": \"emptyText\""),
                                 translationsJson.indexOf("{ \"trId\": \"unused\"")
                                     - translationsJson.indexOf("{ \"trId\": \"emptyText\"")),
            "");
        QTest::newRow("two IDs missing, dry run")
            << withoutTwo << QStringList { "--dry-run" } << "0 0 2 0 0 3" << QString();
        QTest::newRow("two IDs missing")
            << withoutTwo << QStringList() << "0 0 2 0 0 3" << QString();
        // A misspelt "translations" member, taken on purpose, means no
        // translations: the summary shows what that does before it is done.
        QTest::newRow("translations misspelt, ignored, dry run")
            << QByteArray(translationsJson).replace("\"translations\"", "\"translation\"")
            << QStringList { "--dry-run", "--ignore-unknown-members" } << "0 4 0 0 0 6"
            << QString();
        QTest::newRow("empty translatables, forced")
            << QByteArray(R"({"translatables": []})") << QStringList { "--force" } << "0 0 4 0 0 6"
            << "holds no translation IDs; the import removed every ID";
        QTest::newRow("one added, one changed")
            << QByteArray(translationsJson)
                   .replace("Bonjour", "Salut")
                   .replace(R"({ "trId": "unused",)",
                            R"({ "trId": "new", "translations": [] }, { "trId": "unused",)")
            << QStringList() << "1 1 0 0 1 0" << QString();
    }

    void importJson()
    {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, options);
        QFETCH(QString, expected);
        QFETCH(QString, expectedWarning);
        const bool refused = !QRegularExpression("^\\d( \\d){5}$").match(expected).hasMatch();
        const bool dryRun = options.contains("--dry-run");
        QTemporaryDir directory;
        QVERIFY(createImportedProject(directory.path()));
        const QString database = directory.filePath("translations.db");
        QCOMPARE(
            lexora({ "export", directory.filePath("before.json"), "--project", directory.path() })
                .exitCode,
            0);
        const QByteArray before = readFile(database);
        QVERIFY(!before.isEmpty());
        const QString file = directory.filePath("next.json");
        if (!json.isNull())
            writeFile(file, json);

        const ToolResult result
            = lexora(QStringList { "import", file, "--project", directory.path() } + options);
        if (refused) {
            QCOMPARE(result.exitCode, 1);
            QVERIFY2(result.err.contains(expected)
                         && result.err.contains(QDir::toNativeSeparators(file)),
                     qPrintable(result.err));
            QCOMPARE(
                lexora(
                    { "export", directory.filePath("after.json"), "--project", directory.path() })
                    .exitCode,
                0);
            QCOMPARE(readFile(directory.filePath("after.json")),
                     readFile(directory.filePath("before.json")));
            return;
        }
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        const QStringList summary = lines(result.out);
        QVERIFY2(summary.value(0).startsWith(dryRun ? "Dry run, nothing was changed" : "Imported "),
                 qPrintable(result.out));
        const QStringList n = expected.split(u' ');
        QCOMPARE(summary.mid(1),
                 QStringList({ QStringLiteral("  translation IDs: %1 added, %2 changed, %3 removed")
                                   .arg(n[0], n[1], n[2]),
                               QStringLiteral("  translations: %1 added, %2 changed, %3 removed")
                                   .arg(n[3], n[4], n[5]),
                               "  local edits re-applied: 0" }));
        QVERIFY2(result.err.contains(dryRun ? "Try the import" : "Import translations"),
                 qPrintable(result.err));
        QVERIFY2(result.err.contains(expectedWarning.isEmpty() ? "warning" : expectedWarning)
                     != expectedWarning.isEmpty(),
                 qPrintable(result.err));
        if (dryRun) {
            // Not a byte of the database changed, and nothing was left beside it.
            QVERIFY(readFile(database) == before);
            QVERIFY(!QFile::exists(database + "-wal"));
        } else {
            // Running the same file again finds nothing left to do.
            QCOMPARE(lines(lexora(QStringList { "import", file, "--project", directory.path() }
                                  + options)
                               .out)
                         .mid(1),
                     nothingLeft);
        }
    }

    // Each kind of read error is the generation tests' matter; the tool reports
    // it once, though both formats read the files, and keeps or writes the files
    // as --keep-going says.
    void readErrorsKeepExistingFiles()
    {
        QTemporaryDir directory;
        QVERIFY(createImportedProject(directory.path()));
        QCOMPARE(lexora({ "generate" }, directory.path()).exitCode, 0);
        const QString i18n = directory.filePath("i18n");
        const QMap<QString, QByteArray> good = filesOf(i18n);
        QCOMPARE(good.size(), 4);
        writeFile(directory.filePath("content/Broken.qml"), "import QtQuick\nItem {\n");
        const QString error = QDir::toNativeSeparators(directory.filePath("content/Broken.qml:3"));

        // The default: nothing is written, the previous files stay.
        const ToolResult result = lexora({ "generate", "--format", "all" }, directory.path());
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.err.count(error), 1);
        QCOMPARE(result.err.count("No translation files were written"), 1);
        QVERIFY2(!result.out.contains("qml_"), qPrintable(result.out));
        QCOMPARE(filesOf(i18n), good);

        // --keep-going writes what could be read and still fails.
        const ToolResult kept = lexora({ "generate", "--keep-going" }, directory.path());
        QCOMPARE(kept.exitCode, 1);
        QVERIFY2(kept.err.contains(error), qPrintable(kept.err));
        QVERIFY2(kept.out.contains("qml_de.ts"), qPrintable(kept.out));
    }

    void messagesWithoutIdWarn_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expected");
        QTest::newRow("warning") << QStringList {} << 0 << "warning: ";
        QTest::newRow("strict") << QStringList { "--strict" } << 1 << "error: ";
    }

    void messagesWithoutIdWarn()
    {
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, expected);
        QTemporaryDir directory;
        QVERIFY(createImportedProject(directory.path()));
        // Messages lupdate merges (same context, source and comment) count once.
        writeFile(directory.filePath("content/Plain.qml"),
                  "import QtQuick\nColumn {\n    Text { text: qsTr(\"Hello\") }\n    Text { text: "
                  "qsTr(\"Hello\") }\n    Text { text: qsTr(\"Bye\") }\n"
                  "    Text { text: qsTranslate(\"Plain\", \"Hello\") }\n    Text { text: "
                  "qsTr(\"Hello\", \"greeting\") }\n}\n");
        writeFile(directory.filePath("content/Other.qml"),
                  "import QtQuick\nText { text: qsTr(\"Hello\") }\n");
        // The count lrelease gives for lupdate's file of the same sources.
        if (qtTool("lupdate").isEmpty() || qtTool("lrelease").isEmpty())
            LEXORA_PEER_MISSING("Qt's lupdate and lrelease are not installed (qt6-l10n-tools)");
        QVERIFY(runQtTool(
            "lupdate",
            { "-silent", directory.filePath("content"), "-ts", directory.filePath("p.ts") }));
        QString peer;
        runQtTool("lrelease",
                  { "-idbased", directory.filePath("p.ts"), "-qm", directory.filePath("p.qm") },
                  &peer);
        const QRegularExpressionMatch dropped
            = QRegularExpression("Dropped \\d+ message\\(s\\) which had no ID\\.").match(peer);
        QVERIFY2(dropped.hasMatch(), qPrintable(peer));

        const ToolResult result
            = lexora(QStringList { "generate", "--format", "qm" } + options, directory.path());
        QCOMPARE(result.exitCode, exitCode);
        // One line, though each of the two files reports it.
        QVERIFY2(result.err.count(expected + dropped.captured()) == 1,
                 qPrintable(result.err + "\nlrelease: " + peer));
        QCOMPARE(QDir(directory.filePath("i18n")).entryList(QDir::Files),
                 QStringList({ "qml_de.qm", "qml_fr.qm" }));
    }

    void languageCodes_data()
    {
        QTest::addColumn<QByteArray>("languages");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("refused");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("repeated") << QByteArray(R"(["de", "fr", "de"])") << 0 << QStringList {}
                                  << QStringList { "qml_de.qm", "qml_fr.qm" };
        QTest::newRow("not codes")
            << QByteArray("[\"de\", \"\\\"\", \"<b>\", \"a&b\", \".\", \"..\", \"de\"]") << 1
            << QStringList { "\"", "<b>", "a&b", ".", ".." } << QStringList { "qml_de.qm" };
    }

    void languageCodes()
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
            QCOMPARE(
                result.err.count(
                    QStringLiteral(
                        "the supportedLanguages of %1 hold \"%2\", which is not a language code")
                        .arg(QDir::toNativeSeparators(projectFile), code)),
                1);
        }
        QStringList written;
        for (const QString &line : lines(result.out)) {
            if (line.startsWith("  "))
                written << QFileInfo(line.trimmed().section(QStringLiteral(" ("), 0, 0)).fileName();
        }
        QCOMPARE(written, listed);
        QCOMPARE(QDir(directory.filePath("i18n")).entryList(QDir::Files | QDir::Hidden), listed);
    }

    // Bytes of a binary file and names that would print as two lines, or pass
    // for another, reach the terminal escaped.
    void controlCharactersAreEscaped()
    {
        QTemporaryDir directory;
        QVERIFY(createImportedProject(directory.path()));
        // A binary file that happens to end in .qml: its bytes end up in the parse error's source
        // line.
        writeFile(directory.filePath("content/Binary.qml"),
                  QByteArray("Item {\n\x1b]0;owned\x07\x1b[2J\x01\x7f\xc2\x9b\n", 26));
        writeFile(directory.filePath("content/New\nScreen.qml"), "Item {\n");
        const ToolResult result = lexora({ "generate" }, directory.path());
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains("Binary.qml"), qPrintable(result.err));
        for (const QChar c : result.err) {
            const bool control = (c.unicode() < 0x20 && c != u'\n' && c != u'\t')
                || c.unicode() == 0x7f || (c.unicode() >= 0x80 && c.unicode() < 0xa0);
            QVERIFY2(!control, qPrintable(QString::number(c.unicode(), 16)));
        }
        QVERIFY2(result.err.contains("\\x1b]0;owned\\x07\\x1b[2J\\x01\\x7f\\x9b"),
                 qPrintable(result.err));
        QVERIFY2(result.err.contains("content/New\\x0aScreen.qml:2:1: error: ")
                     && !result.err.contains("New\n"),
                 qPrintable(result.err));

        const ToolResult exported = lexora({ "export", "two\nlines.json" }, directory.path());
        QVERIFY2(exported.exitCode == 0, qPrintable(exported.err));
        QVERIFY2(exported.out.contains("two\\x0alines.json") && !exported.out.contains("two\n"),
                 qPrintable(exported.out));
        const ToolResult refused = lexora({ "export", "content/tab\there.qml" }, directory.path());
        QCOMPARE(refused.exitCode, 2);
        QVERIFY2(refused.err.contains("refusing to write content/tab\\x09here.qml"),
                 qPrintable(refused.err));
    }

    void readersWorkBesideAWriter()
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
    void databaseFilesAreLeftAsFound_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("foreign");
        for (const char *command :
             { "import translations.json", "export out.json", "check", "generate" }) {
            if (!QByteArray(command).startsWith("import"))
                QTest::addRow("%s, rollback journal", command) << words(command) << false;
            QTest::addRow("%s, another program's database", command) << words(command) << true;
        }
    }

    void databaseFilesAreLeftAsFound()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, foreign);
        QTemporaryDir directory;
        QVERIFY(createImportedProject(directory.path()));
        const QString database = directory.filePath("translations.db");
        if (foreign)
            QVERIFY(QFile::remove(database));
        sqlite3 *handle = nullptr;
        QVERIFY(sqlite3_open(database.toUtf8().constData(), &handle) == SQLITE_OK);
        const char *sql = foreign ? "CREATE TABLE notes(text TEXT); INSERT INTO notes VALUES(1)"
                                  : "PRAGMA journal_mode=DELETE";
        const int status = sqlite3_exec(handle, sql, nullptr, nullptr, nullptr);
        sqlite3_close(handle);
        QCOMPARE(status, SQLITE_OK);
        const QByteArray before = readFile(database);

        const ToolResult result = lexora(arguments, directory.path());
        if (foreign) {
            QCOMPARE(result.exitCode, 1);
            QVERIFY2(result.err.contains("could not be opened: not a translation database (the "
                                         "table translatables is missing)"),
                     qPrintable(result.err));
            QVERIFY2(!result.err.contains("corrupt"), qPrintable(result.err));
        } else {
            QVERIFY2(!result.err.contains("could not be opened"), qPrintable(result.err));
        }
        QVERIFY(readFile(database) == before);
        QVERIFY(!QFile::exists(database + "-wal"));
    }

    void listsOnlyFilesWrittenByTheRun()
    {
        QTemporaryDir directory;
        QVERIFY(createImportedProject(directory.path()));
        QCOMPARE(lexora({ "generate", "--project", directory.path(), "--format", "all" }).exitCode,
                 0);
        // qml_fr.qm cannot be replaced (a directory stands in its way); the files of
        // the earlier run are still there but must not pass for this run's output.
        const QString i18n = directory.filePath("i18n");
        QVERIFY(QFile::remove(i18n + "/qml_fr.qm"));
        QVERIFY(QDir().mkpath(i18n + "/qml_fr.qm"));
        const ToolResult result
            = lexora({ "generate", "--project", directory.path(), "--format", "qm" });
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains("Could not open the translation file "
                                     + QDir::toNativeSeparators(i18n + "/qml_fr.qm")
                                     + " for writing."),
                 qPrintable(result.err));
        QVERIFY2(result.out.contains(QDir::toNativeSeparators(i18n + "/qml_de.qm")),
                 qPrintable(result.out));
        QVERIFY2(!result.out.contains("qml_fr") && !result.out.contains(".ts"),
                 qPrintable(result.out));
        // A run with a failed file is not "done".
        QVERIFY2(result.err.contains("Generate translation files: failed, 1 error(s) (4/4)")
                     && !result.err.contains("done ("),
                 qPrintable(result.err));
    }

    void projectFilesAreRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        struct Row
        {
            const char *name, *target;
            bool force;
            int exportExit, checkExit;
        }; // the check finds missing translations: 1
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
            // A device takes the bytes or fails them, and nothing can be replaced in
            // one step; the tool must neither claim success nor replace the node.
            { "device", "/dev/full", false, 2, 2 },
            { "device, forced", "/dev/full", true, 2, 2 },
        };
        for (const Row &row : rows) {
            const QStringList force = row.force ? QStringList { "--force" } : QStringList();
            QTest::addRow("export, %s", row.name)
                << QStringList { "export", row.target } + force << row.exportExit;
            QTest::addRow("check, %s", row.name)
                << QStringList { "check", "--json", row.target } + force << row.checkExit;
        }
    }

    void projectFilesAreRefused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        const QString target = arguments.at(arguments.first() == "export" ? 1 : 2);
        QTemporaryDir directory;
        QVERIFY(createImportedProject(directory.path()));
        QCOMPARE(lexora({ "generate" }, directory.path()).exitCode, 0);
        QVERIFY(QFile::link(directory.filePath("translations.db"), directory.filePath("link.db")));
        writeFile(directory.filePath("content/logic.js"), "function f() { return 1 }\n");
        writeFile(directory.filePath("notes.txt"), "Release notes\n");
        writeFile(directory.filePath("earlier.json"), "\n  {\"translatables\": []}\n");
        const QMap<QString, QByteArray> before = snapshot(directory.path());

        const ToolResult result = lexora(arguments, directory.path());
        QCOMPARE(result.exitCode, exitCode);
        if (exitCode == 2) {
            QVERIFY2(result.err.contains(
                         "refusing to write " + target
                         + (target == "/dev/full" ? ": it is not a regular file" : ": ")),
                     qPrintable(result.err));
            QVERIFY2(!result.out.contains("Exported"), qPrintable(result.out));
            QCOMPARE(snapshot(directory.path()), before);
            QVERIFY(QFileInfo::exists("/dev/full") && !QFileInfo("/dev/full").isFile());
        } else {
            QJsonParseError error;
            QJsonDocument::fromJson(readFile(directory.filePath(target)), &error);
            QCOMPARE(error.error, QJsonParseError::NoError);
        }
    }

    void linksOutOfTheProjectAreRefused_data()
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

    void linksOutOfTheProjectAreRefused()
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
                                     + " is a symbolic link that leads out of the project"),
                 qPrintable(result.err));
        QVERIFY2(!result.out.contains("qml_"), qPrintable(result.out));
    }

    void emptyGenerationIsRefused_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("noDatabase");
        QTest::addColumn<QString>("expectedError");
        for (const char *command : { "generate", "test" }) {
            QTest::addRow("%s, no database", command)
                << command << true << "the project has no translation database %1/translations.db";
            QTest::addRow("%s, empty QmlFiles folder", command)
                << command << false << "the project %1/demo.qmlproject has no QML files";
        }
    }

    void emptyGenerationIsRefused()
    {
        QFETCH(QString, command);
        QFETCH(bool, noDatabase);
        QFETCH(QString, expectedError);
        QTemporaryDir directory;
        QVERIFY(createImportedProject(directory.path()));
        QCOMPARE(lexora({ "generate" }, directory.path()).exitCode, 0);
        for (const char *file :
             { "translations.db", "content/App.qml", "content/Settings.ui.qml" }) {
            if (noDatabase == (QByteArray(file) == "translations.db"))
                QVERIFY(QFile::remove(directory.filePath(file)));
        }
        const QMap<QString, QByteArray> before = snapshot(directory.path());

        const ToolResult result = lexora({ command }, directory.path());
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains(expectedError.arg(directory.path()))
                     && result.err.contains("--allow-empty"),
                 qPrintable(result.err));
        QCOMPARE(snapshot(directory.path()), before);
        if (command == "generate") {
            const ToolResult allowed = lexora({ command, "--allow-empty" }, directory.path());
            QVERIFY2(allowed.exitCode == 0, qPrintable(allowed.err));
            QVERIFY2(allowed.out.contains("qml_de.qm"), qPrintable(allowed.out));
        }
    }
};

QTEST_GUILESS_MAIN(TestLexoraTool)
#include "tst_lexoratool.moc"
