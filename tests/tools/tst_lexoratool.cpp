// Runs the `lexora` executable as a build pipeline would and checks what it
// leaves behind with Qt's own readers.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

namespace {

struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
};

Result lexora(const QStringList &arguments, const QString &workingDirectory = {})
{
    QProcess process;
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    // As a user's shell or a pipeline runs it, without the test runner's logging rules.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_LOGGING_RULES"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(LEXORA_TOOL), arguments);
    Result result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

void writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(contents);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray translationsJson = R"({
    "translatables": [
        { "trId": "greeting",
          "translations": [ { "language": "de", "translation": "Hallo" },
                            { "language": "fr", "translation": "Bonjour" } ] },
        { "trId": "emptyText",
          "translations": [ { "language": "de", "translation": "" },
                            { "language": "fr", "translation": "" } ] },
        { "trId": "onlyGerman",
          "translations": [ { "language": "de", "translation": "Nur Deutsch" } ] },
        { "trId": "unused",
          "translations": [ { "language": "de", "translation": "Nicht benutzt" } ] }
    ]
})";

// A project as a user has it: a .qmlproject, QML screens and a JSON file.
void createProject(const QString &directory)
{
    writeFile(directory + "/demo.qmlproject",
              "import QmlProject\nProject {\n    mainFile: \"content/App.qml\"\n"
              "    QmlFiles { directory: \"content\" }\n"
              "    supportedLanguages: [\"de\", \"fr\"]\n    primaryLanguage: \"de\"\n}\n");
    writeFile(directory + "/content/App.qml",
              "import QtQuick\nColumn {\n    Text { text: qsTrId(\"greeting\") }\n"
              "    Text { text: qsTrId(\"missing\") }\n}\n");
    writeFile(directory + "/content/Settings.ui.qml",
              "import QtQuick\nColumn {\n    Text { text: qsTrId(\"emptyText\") }\n"
              "    Text { text: qsTrId(\"onlyGerman\") }\n}\n");
    writeFile(directory + "/translations.json", translationsJson);
}

// ID -> language -> translation, independent of order and layout.
QMap<QString, QMap<QString, QString>> translationsOf(const QByteArray &json)
{
    QMap<QString, QMap<QString, QString>> result;
    const QJsonArray translatables = QJsonDocument::fromJson(json)["translatables"].toArray();
    for (const QJsonValue &translatable : translatables) {
        QMap<QString, QString> &languages = result[translatable["trId"].toString()];
        for (const QJsonValue &translation : translatable["translations"].toArray())
            languages.insert(translation["language"].toString(),
                             translation["translation"].toString());
    }
    return result;
}

QString qtTool(const QString &name)
{
    const QString path = QLibraryInfo::path(QLibraryInfo::BinariesPath) + u'/' + name;
    return QFileInfo(path).isExecutable() ? path : QString();
}

} // namespace

class TestLexoraTool : public QObject
{
    Q_OBJECT

private slots:
    void generateAsUser();
    void formats_data();
    void formats();
    void importExportRoundTrip();
    void exportSelections_data();
    void exportSelections();
    void badJsonLeavesDatabaseUnchanged_data();
    void badJsonLeavesDatabaseUnchanged();
    void projectErrors_data();
    void projectErrors();
    void usageErrors_data();
    void usageErrors();
    void generationErrorsFail();
    void listsOnlyFilesWrittenByTheRun();
};

void TestLexoraTool::generateAsUser()
{
    QTemporaryDir directory;
    createProject(directory.path());

    const Result imported
        = lexora({ "import", "translations.json", "--project", "." }, directory.path());
    QCOMPARE(imported.exitCode, 0);
    QVERIFY2(imported.out.contains("Imported 4 translation ID(s)"), qPrintable(imported.out));

    const Result generated = lexora({ "generate", "--project", directory.path() });
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

    const QString lconvert = qtTool("lconvert");
    if (lconvert.isEmpty())
        QSKIP("lconvert is not installed");
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

void TestLexoraTool::formats_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("expectedFiles");
    QTest::newRow("qm") << "qm" << QStringList { "qml_de.qm", "qml_fr.qm" };
    QTest::newRow("ts") << "ts" << QStringList { "qml_de.ts", "qml_fr.ts" };
    QTest::newRow("all") << "all"
                         << QStringList { "qml_de.qm", "qml_de.ts", "qml_fr.qm", "qml_fr.ts" };
}

void TestLexoraTool::formats()
{
    QFETCH(QString, format);
    QFETCH(QStringList, expectedFiles);
    QTemporaryDir directory;
    createProject(directory.path());
    const Result result = lexora({ "generate", "--project", directory.path(), "--format", format });
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QCOMPARE(QDir(directory.filePath("i18n")).entryList(QDir::Files, QDir::Name), expectedFiles);
}

void TestLexoraTool::importExportRoundTrip()
{
    QTemporaryDir directory;
    createProject(directory.path());
    QCOMPARE(
        lexora({ "import", directory.filePath("translations.json"), "--project", directory.path() })
            .exitCode,
        0);

    const QString exported = directory.filePath("exported.json");
    const Result result = lexora({ "export", exported, "--project", directory.path() });
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
    createProject(directory.path());
    QCOMPARE(
        lexora({ "import", directory.filePath("translations.json"), "--project", directory.path() })
            .exitCode,
        0);

    const QString exported = directory.filePath("selection.json");
    const Result result
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
}

void TestLexoraTool::badJsonLeavesDatabaseUnchanged()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, expectedMessage);
    QTemporaryDir directory;
    createProject(directory.path());
    QCOMPARE(
        lexora({ "import", directory.filePath("translations.json"), "--project", directory.path() })
            .exitCode,
        0);
    QCOMPARE(lexora({ "export", directory.filePath("before.json"), "--project", directory.path() })
                 .exitCode,
             0);

    const QString bad = directory.filePath("bad.json");
    if (!contents.isNull())
        writeFile(bad, contents);
    const Result result = lexora({ "import", bad, "--project", directory.path() });
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
        const Result result = lexora(arguments);
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
    QTest::newRow("no command") << QStringList {} << "no command given";
    QTest::newRow("unknown command") << QStringList { "translate" } << "unknown command translate";
    QTest::newRow("import without file") << QStringList { "import" } << "needs the JSON file";
    QTest::newRow("used and ids") << QStringList { "export", "x.json", "--used", "--ids", "a" }
                                  << "exclude each other";
    QTest::newRow("ids without IDs")
        << QStringList { "export", "x.json", "--ids" } << "at least one translation ID";
    QTest::newRow("unknown format")
        << QStringList { "generate", "--format", "po" } << "unknown format po";
    QTest::newRow("unknown option") << QStringList { "generate", "--fast" } << "fast";
}

void TestLexoraTool::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expectedMessage);
    QTemporaryDir directory;
    const Result result = lexora(arguments, directory.path());
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains(expectedMessage), qPrintable(result.err));
    QVERIFY(QDir(directory.path()).isEmpty());
}

void TestLexoraTool::generationErrorsFail()
{
    // The files are written, but a pipeline must learn about the QML error.
    QTemporaryDir directory;
    createProject(directory.path());
    writeFile(directory.filePath("content/Broken.qml"), "import QtQuick\nItem {\n");
    const Result result = lexora({ "generate", "--project", directory.path(), "--format", "ts" });
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains("Broken.qml:3"), qPrintable(result.err));
    QVERIFY(result.err.contains("generation finished with errors"));
    QVERIFY(QFile::exists(directory.filePath("i18n/qml_de.ts")));
}

void TestLexoraTool::listsOnlyFilesWrittenByTheRun()
{
    QTemporaryDir directory;
    createProject(directory.path());
    QCOMPARE(lexora({ "generate", "--project", directory.path(), "--format", "all" }).exitCode, 0);

    // qml_fr.qm cannot be replaced (a directory stands in its way); the files of
    // the earlier run are still there but must not pass for this run's output.
    const QString i18n = directory.filePath("i18n");
    QVERIFY(QFile::remove(i18n + "/qml_fr.qm"));
    QVERIFY(QDir().mkpath(i18n + "/qml_fr.qm"));
    const Result result = lexora({ "generate", "--project", directory.path(), "--format", "qm" });
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains("Could not write the translation file "
                                 + QDir::toNativeSeparators(i18n + "/qml_fr.qm")),
             qPrintable(result.err));
    QVERIFY2(result.out.contains(QDir::toNativeSeparators(i18n + "/qml_de.qm")),
             qPrintable(result.out));
    QVERIFY2(!result.out.contains("qml_fr"), qPrintable(result.out));
    QVERIFY2(!result.out.contains(".ts"), qPrintable(result.out));
}

QTEST_GUILESS_MAIN(TestLexoraTool)

#include "tst_lexoratool.moc"
