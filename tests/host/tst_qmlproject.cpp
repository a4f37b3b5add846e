#include <projects/buildtarget.h>
#include <projects/runprofile.h>
#include <qmlproject/designproject.h>
#include <qmlproject/multilanguagesetting.h>
#include <qmlproject/qmlbuildbackend.h>

#include <testfiles.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Host::QmlProject;
using Host::Utils::Path;

namespace {

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

enum class Edit { Languages, Primary, Both, EnableDatabase };

} // namespace

Q_DECLARE_METATYPE(Edit)

class tst_QmlProject : public QObject
{
    Q_OBJECT

private slots:
    void readSettings_data();
    void readSettings();
    void projectFiles_data();
    void projectFiles();
    void writeBack_data();
    void writeBack();
    void writtenValuesReadBack_data();
    void writtenValuesReadBack();
    void refusedEdits_data();
    void refusedEdits();
    void writeAfterEditOnDisk_data();
    void writeAfterEditOnDisk();
    void languageSettersKeepFile_data();
    void languageSettersKeepFile();
    void multiLanguageSetting();
    void badProjectFiles_data();
    void badProjectFiles();
};

void tst_QmlProject::readSettings_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<QString>("primary");
    QTest::addColumn<bool>("settingPresent");
    QTest::addColumn<bool>("settingValue");
    QTest::addColumn<QString>("mainFile");

    QTest::newRow("complete") << QByteArray("import QmlProject\n"
                                            "Project {\n"
                                            "    mainFile: \"Main.ui.qml\"\n"
                                            "    QmlFiles { directory: \".\" }\n"
                                            "    supportedLanguages: [\"en\",\"de\"]\n"
                                            "    primaryLanguage: \"en\"\n"
                                            "    translationDatabase: true\n"
                                            "}\n")
                              << QStringList { "en", "de" } << "en" << true << true
                              << "Main.ui.qml";
    QTest::newRow("nothing set") << QByteArray("import QmlProject 1.1\nProject {\n}\n")
                                 << QStringList() << "" << false << false << "";
    QTest::newRow("single language, setting off")
        << QByteArray("Project { supportedLanguages: \"fr\"; translationDatabase: false }")
        << QStringList { "fr" } << "" << true << false << "";
    QTest::newRow("unknown parts ignored")
        << QByteArray("import QmlProject 1.1\n"
                      "// the studio writes comments, too\n"
                      "Project {\n"
                      "    /* a block comment */\n"
                      "    mainFile: \"content/App.qml\"\n"
                      "    importPaths: [ \"imports\", \"vendor/imports\" ]\n"
                      "    previewWidth: 1920 * 2\n"
                      "    property int custom: 4\n"
                      "    RunSettings {\n"
                      "        scale: \"1\"\n"
                      "    }\n"
                      "    tooling.fileVersion: 1\n"
                      "    primaryLanguage: 'de'\n"
                      "    supportedLanguages: ['de', 'it', \"ja\"]\n"
                      "}\n")
        << QStringList { "de", "it", "ja" } << "de" << false << false << "content/App.qml";
    QTest::newRow("languages not literal")
        << QByteArray("Project { supportedLanguages: someList; primaryLanguage: 3 }")
        << QStringList() << "" << false << false << "";
}

void tst_QmlProject::readSettings()
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

    const Path expectedMain
        = mainFile.isEmpty() ? Path() : Path::fromString(dir.filePath(mainFile));
    QCOMPARE(project->mainFile(), expectedMain);
    QCOMPARE(project->activeTarget()->activeRunProfile()->mainFile(), expectedMain);
}

void tst_QmlProject::projectFiles_data()
{
    QTest::addColumn<QByteArray>("elements");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("seesNewFile"); // screens/New.qml, added later
    // What kept files from being listed, "%1" standing for the project folder.
    QTest::addColumn<QStringList>("problems");

    const QStringList everything { "Main.qml",         "app.qmlproject",
                                   "assets/logo.png",  "nested/i18n/Nested.qml",
                                   "screens/A.ui.qml", "screens/deeper/B.qml" };
    QTest::newRow("whole directory") << QByteArray() << everything << true << QStringList();
    QTest::newRow("current directory")
        << QByteArray("QmlFiles { directory: \".\" }") << everything << true << QStringList();
    QTest::newRow("named folders")
        << QByteArray("QmlFiles { directory: \"screens\" }\n"
                      "ImageFiles { directory: \"assets\"; filter: \"*.png\" }\n"
                      "Environment { X: \"1\" }")
        << QStringList { "screens/A.ui.qml", "screens/deeper/B.qml", "assets/logo.png" } << true
        << QStringList();
    QTest::newRow("overlapping folders")
        << QByteArray(
               "QmlFiles { directory: \"screens/deeper\" }\nFiles { directory: \"screens\" }")
        << QStringList { "screens/deeper/B.qml", "screens/A.ui.qml" } << true << QStringList();
    // A folder the project names but cannot list is not an empty folder.
    QTest::newRow("missing folder")
        << QByteArray("QmlFiles { directory: \"gone\" }") << QStringList() << false
        << QStringList { "The folder %1/gone named in %1/app.qmlproject does not exist" };
    QTest::newRow("missing folder beside a good one")
        << QByteArray("QmlFiles { directory: \"screens\" }\nQmlFiles { directory: \"gone\" }")
        << QStringList { "screens/A.ui.qml", "screens/deeper/B.qml" } << true
        << QStringList { "The folder %1/gone named in %1/app.qmlproject does not exist" };
    QTest::newRow("file named as folder")
        << QByteArray("QmlFiles { directory: \"Main.qml\" }") << QStringList() << false
        << QStringList { "%1/Main.qml named in %1/app.qmlproject is not a folder" };
    // A folder, a file pattern and a single file, all relative to the project.
    QTest::newRow("excluded paths")
        << QByteArray("QmlFiles { directory: \".\"; exclude: [\"screens/deeper\", "
                      "\"assets/*.png\", \"./nested/i18n/Nested.qml\"] }")
        << QStringList { "Main.qml", "app.qmlproject", "screens/A.ui.qml" } << true
        << QStringList();
    QTest::newRow("one excluded path, in a named folder")
        << QByteArray("QmlFiles { directory: \"screens\"; exclude: \"screens/*.ui.qml\" }")
        << QStringList { "screens/deeper/B.qml" } << true << QStringList();
    QTest::newRow("other folder only")
        << QByteArray("ImageFiles { directory: \"assets\" }") << QStringList { "assets/logo.png" }
        << false << QStringList();
}

void tst_QmlProject::projectFiles()
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
    QCOMPARE(project->files().contains(Path::fromString(dir.filePath("screens/New.qml"))),
             seesNewFile);
    QCOMPARE(changed.size(), seesNewFile ? 1 : 0);
}

void tst_QmlProject::writeBack_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QByteArray>("after");

    const QByteArray head = "import QmlProject 1.1\n\n"
                            "// keep this comment\n"
                            "Project {\n"
                            "    mainFile: \"Main.ui.qml\" // and this one\n"
                            "    Environment {\n"
                            "        QT_LOGGING_RULES: \"qt.qml.debug=true\"\n"
                            "    }\n";
    QTest::newRow("replace both") << head
            + "    supportedLanguages: [ \"en\", \"fr\" ]\n    primaryLanguage: \"fr\"\n}\n"
                                  << Edit::Both
                                  << head
            + "    supportedLanguages: [\"en\",\"de\"]\n    primaryLanguage: \"en\"\n}\n";
    QTest::newRow("insert both") << head + "}\n"
                                 << Edit::Both
                                 << head
            + "    supportedLanguages: [\"en\",\"de\"]\n    primaryLanguage: \"en\"\n}\n";
    QTest::newRow("insert one, keep the other")
        << head + "    primaryLanguage: \"en\"\n}\n"
        << Edit::Languages
        << head + "    primaryLanguage: \"en\"\n    supportedLanguages: [\"en\",\"de\"]\n}\n";
    QTest::newRow("one line")
        << QByteArray("Project { mainFile: \"a.qml\" }") << Edit::Primary
        << QByteArray("Project { mainFile: \"a.qml\"\n    primaryLanguage: \"en\"\n}");
    QTest::newRow("tabs and CRLF")
        << QByteArray("Project {\r\n\tmainFile: \"a.qml\"\r\n}\r\n") << Edit::Both
        << QByteArray("Project {\r\n\tmainFile: \"a.qml\"\r\n\tsupportedLanguages: [\"en\",\"de\"]"
                      "\r\n\tprimaryLanguage: \"en\"\r\n}\r\n");
    QTest::newRow("language is not on its own line")
        << QByteArray("Project { primaryLanguage: \"fr\"; mainFile: \"a.qml\" }") << Edit::Primary
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
        << QByteArray(
               "\xEF\xBB\xBFProject {\n    mainFile: \"a.qml\"\n    primaryLanguage: \"en\"\n}\n");
    QTest::newRow("enable setting")
        << head + "}\n"
        << Edit::EnableDatabase << head + "    translationDatabase: true\n}\n";
    QTest::newRow("turn setting on")
        << QByteArray("Project {\n    translationDatabase: false\n}\n") << Edit::EnableDatabase
        << QByteArray("Project {\n    translationDatabase: true\n}\n");
}

void tst_QmlProject::writeBack()
{
    QFETCH(QByteArray, before);
    QFETCH(Edit, edit);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    std::unique_ptr<DesignProject> project = openText(dir, before);
    QVERIFY(project);
    QmlBuildBackend *backend = project->buildBackend();
    QSignalSpy languagesChanged(backend, &QmlBuildBackend::supportedLanguagesChanged);

    const QString languages = QmlProjectFile::stringList({ "en", "de" });
    const QString primary = QmlProjectFile::quoted("en");
    switch (edit) {
    case Edit::Languages:
        QVERIFY(project->writeProperty("supportedLanguages", languages));
        break;
    case Edit::Primary:
        QVERIFY(project->writeProperty("primaryLanguage", primary));
        break;
    case Edit::Both:
        QVERIFY(project->writeProperty("supportedLanguages", languages));
        QVERIFY(project->writeProperty("primaryLanguage", primary));
        break;
    case Edit::EnableDatabase:
        QVERIFY(project->multiLanguageSetting()->setValue(true));
        break;
    }
    QCOMPARE(readFile(project->projectFilePath().toString()), after);
    QVERIFY(languagesChanged.size() >= 1);

    // A project opened afresh reads what was written.
    QString error;
    std::unique_ptr<DesignProject> reopened
        = DesignProject::open(project->projectFilePath(), &error);
    QVERIFY2(reopened, qPrintable(error));
    QCOMPARE(reopened->buildBackend()->supportedLanguages(), backend->supportedLanguages());
    QCOMPARE(reopened->buildBackend()->primaryLanguage(), backend->primaryLanguage());
    if (edit == Edit::Languages || edit == Edit::Both)
        QCOMPARE(reopened->buildBackend()->supportedLanguages(), (QStringList { "en", "de" }));
    if (edit == Edit::EnableDatabase)
        QVERIFY(reopened->multiLanguageSetting()->value());
}

void tst_QmlProject::writtenValuesReadBack_data()
{
    QTest::addColumn<QString>("value");

    QTest::newRow("double quote") << QStringLiteral("a\"b");
    QTest::newRow("backslashes") << QStringLiteral("C:\\new\\\\tab\\");
    QTest::newRow("quote after backslash") << QStringLiteral("x\\\"]; mainFile: \"evil.qml");
    QTest::newRow("line breaks and tab") << QStringLiteral("one\ntwo\r\tthree");
    QTest::newRow("non-ASCII") << QStringLiteral("fran\u00e7ais \u65e5\u672c\u8a9e \U0001F600");
    QTest::newRow("empty") << QString();
}

void tst_QmlProject::writtenValuesReadBack()
{
    QFETCH(QString, value);

    QTemporaryDir dir;
    std::unique_ptr<DesignProject> project
        = openText(dir, "Project {\n    mainFile: \"a.qml\"\n    primaryLanguage: \"en\"\n}\n");
    QVERIFY(project);
    QVERIFY(project->writeProperty("primaryLanguage", QmlProjectFile::quoted(value)));
    QVERIFY(project->writeProperty("supportedLanguages",
                                   QmlProjectFile::stringList({ value, QStringLiteral("de") })));

    QString error;
    std::unique_ptr<DesignProject> reopened
        = DesignProject::open(project->projectFilePath(), &error);
    QVERIFY2(reopened, qPrintable(error));
    QCOMPARE(reopened->buildBackend()->primaryLanguage(), value);
    QCOMPARE(reopened->buildBackend()->supportedLanguages(), (QStringList { value, "de" }));
    // A value never breaks out of its binding into the rest of the file.
    QCOMPARE(reopened->mainFile(), Path::fromString(dir.filePath("a.qml")));
}

void tst_QmlProject::refusedEdits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("valueSource");

    // An edit that parses is not enough: it must read back as the value written,
    // with everything else unchanged.
    QTest::newRow("value reaches into the next binding")
        << "Project { primaryLanguage: \"en\"; mainFile: \"a.qml\" }"
        << "\"de\"; mainFile: \"b.qml\"";
    QTest::newRow("value adds an element") << "Project {\n    mainFile: \"a.qml\"\n}\n"
                                           << "\"de\"\n    QmlFiles { directory: \"/\" }";
    QTest::newRow("value adds a function")
        << "Project {\n    mainFile: \"a.qml\"\n    primaryLanguage: \"en\"\n}\n"
        << "\"de\"\n    function f() {}";
    QTest::newRow("value ends the element") << "Project {\n    mainFile: \"a.qml\"\n}\n"
                                            << "\"de\" }";
}

void tst_QmlProject::refusedEdits()
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

void tst_QmlProject::writeAfterEditOnDisk_data()
{
    QTest::addColumn<QByteArray>("onDisk");
    QTest::addColumn<QString>("reason"); // why the write is refused; empty when it is not
    QTest::addColumn<QByteArray>("written");

    // A write starts from the file as it is now, not as it was read.
    QTest::newRow("edited by someone else")
        << QByteArray("Project {\n    mainFile: \"b.qml\" // edited\n}\n") << QString()
        << QByteArray(
               "Project {\n    mainFile: \"b.qml\" // edited\n    primaryLanguage: \"de\"\n}\n");

    QTest::newRow("half-typed edit")
        << QByteArray("Project {\n    mainFile: \"b.qml\"\n    importPaths: [\"imports\",\n}\n")
        << "Cannot parse the project file" << QByteArray();
    QTest::newRow("saved in another encoding")
        << QByteArray("Project {\n    // caf\xe9\n    mainFile: \"b.qml\"\n}\n")
        << "is not valid UTF-8" << QByteArray();
    QTest::newRow("emptied") << QByteArray("") << "has no root element" << QByteArray();
    // An unplugged drive or a deleted checkout: the write is reported as failed.
    QTest::newRow("folder gone") << QByteArray() << "Cannot write the project file" << QByteArray();
}

void tst_QmlProject::writeAfterEditOnDisk()
{
    QFETCH(QByteArray, onDisk);
    QFETCH(QString, reason);
    QFETCH(QByteArray, written);

    QTemporaryDir dir;
    std::unique_ptr<DesignProject> project
        = openText(dir, "Project {\n    mainFile: \"a.qml\"\n}\n");
    QVERIFY(project);
    // The user changes the file in a text editor, maybe so that it does not read
    // (yet), when the studio wants to store a setting: what the user wrote must
    // survive.
    const QString path = project->projectFilePath().toString();
    if (onDisk.isNull()) {
        QVERIFY(QDir(dir.path()).removeRecursively());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot read the project file"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(reason));
    } else {
        QVERIFY(writeFile(path, onDisk));
        if (!reason.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(reason + ".*left unchanged"));
    }
    QCOMPARE(project->writeProperty("primaryLanguage", QmlProjectFile::quoted("de")),
             reason.isEmpty());
    QCOMPARE(readFile(path), reason.isEmpty() ? written : onDisk);
    // The studio goes on with the value it was given.
    QCOMPARE(project->buildBackend()->primaryLanguage(), QStringLiteral("de"));
    if (reason.isEmpty())
        QCOMPARE(project->mainFile(), Path::fromString(dir.filePath("b.qml")));
}

void tst_QmlProject::languageSettersKeepFile_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<QString>("primary");

    QTest::newRow("entries present")
        << QByteArray("Project {\n    supportedLanguages: [\"en\"] // mine\n"
                      "    primaryLanguage: \"en\"\n}\n")
        << QStringList { "de", "fr" } << "fr";
    QTest::newRow("entries absent")
        << QByteArray("Project {\n    mainFile: \"a.qml\"\n}\n") << QStringList { "ja" } << "ja";
    QTest::newRow("no languages") << QByteArray("Project {\n    supportedLanguages: [\"en\"]\n}\n")
                                  << QStringList() << "";
}

// The language setters change what the studio knows, not the file: the project
// file is edited by the one writer that owns those entries, so that the file
// never depends on which of two writers came last.
void tst_QmlProject::languageSettersKeepFile()
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
    QString error;
    std::unique_ptr<DesignProject> reopened
        = DesignProject::open(project->projectFilePath(), &error);
    QVERIFY2(reopened, qPrintable(error));
    QVERIFY(reopened->multiLanguageSetting()->value());
    QCOMPARE(readFile(project->projectFilePath().toString()).count("supportedLanguages"),
             text.count("supportedLanguages"));
}

void tst_QmlProject::multiLanguageSetting()
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
    Host::Projects::Project plain(Path::fromString(dir.filePath("other.pro")));
    QCOMPARE(MultiLanguageSetting::forProject(&plain), nullptr);
    QCOMPARE(MultiLanguageSetting::forProject(nullptr), nullptr);
    QCOMPARE(QmlBuildBackend::forProject(&plain), nullptr);
}

void tst_QmlProject::badProjectFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");

    QTest::newRow("missing file") << "gone.qmlproject" << QByteArray()
                                  << "Cannot read the project file";
    QTest::newRow("a directory") << "dir.qmlproject" << QByteArray() << "it is a directory";
    QTest::newRow("syntax error") << "app.qmlproject"
                                  << QByteArray(
                                         "import QmlProject\nProject {\n    mainFile: \"a.qml\"\n")
                                  << "at line 4";
    QTest::newRow("empty file") << "app.qmlproject" << QByteArray("") << "has no root element";
    QTest::newRow("only imports") << "app.qmlproject" << QByteArray("import QmlProject\n")
                                  << "has no root element";
    QTest::newRow("other root") << "app.qmlproject" << QByteArray("Item { width: 3 }")
                                << "is \"Item\", not \"Project\"";
    QTest::newRow("binary") << "app.qmlproject" << QByteArray("\xff\xfe\x00P\x00r\x00o", 8)
                            << "is not valid UTF-8";
}

void tst_QmlProject::badProjectFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, text);
    QFETCH(QString, error);

    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (name.startsWith(QLatin1String("dir")))
        QVERIFY(QDir().mkpath(path));
    else if (!name.startsWith(QLatin1String("gone")))
        QVERIFY(writeFile(path, text));

    QString errorString;
    std::unique_ptr<DesignProject> project
        = DesignProject::open(Path::fromString(path), &errorString);
    QVERIFY(!project);
    QVERIFY2(errorString.contains(error), qPrintable(errorString));
    QVERIFY2(errorString.contains(QDir::toNativeSeparators(path)), qPrintable(errorString));
    if (!text.isNull())
        QCOMPARE(readFile(path), text); // a file we cannot use is left alone
}

QTEST_GUILESS_MAIN(tst_QmlProject)
#include "tst_qmlproject.moc"
