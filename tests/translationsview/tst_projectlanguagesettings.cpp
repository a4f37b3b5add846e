#include "translationsview/projectlanguagesettings.h"

#include <qmlproject/designproject.h>
#include <qmlproject/qmlbuildbackend.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <filesizelimit.h>

using Lexora::ProjectLanguageSettings;

namespace {

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray head = "import QmlProject\n"
                        "\n"
                        "// Caf\xe9 \xfc\xff: bytes that are not UTF-8\n"
                        "Project {\n"
                        "    mainFile: \"Main.ui.qml\"\n"
                        "    QmlFiles { directory: \".\" }\n";

} // namespace

class tst_ProjectLanguageSettings : public QObject
{
    Q_OBJECT

private slots:
    void editsProjectFile_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QString>("primary");
        QTest::addColumn<QByteArray>("after");

        const QStringList enDe { "en", "de" };
        QTest::newRow("both entries replaced in place") << head
                + "    supportedLanguages: [ \"en\", \"fr\" ]\n"
                  "    primaryLanguage: \"fr\"\n    translationDatabase: true\n}\n"
                                                        << enDe << "en"
                                                        << head
                + "    supportedLanguages: [\"en\",\"de\"]\n"
                  "    primaryLanguage: \"en\"\n    translationDatabase: true\n}\n";
        QTest::newRow("comment after the entry is lost")
            << head
                + "    supportedLanguages: [\"en\"] // the shipped ones\n"
                  "    primaryLanguage: \"en\" /* first */\n}\n"
            << enDe << "de"
            << head + "    supportedLanguages: [\"en\",\"de\"]\n    primaryLanguage: \"de\"\n}\n";
        QTest::newRow("every occurrence, also in a comment") << head
                + "    // supportedLanguages: [\"xx\"]\n    supportedLanguages: [\"en\"]\n"
                  "    primaryLanguage: \"en\"\n}\n" << enDe << "en"
                                                             << head
                + "    // supportedLanguages: [\"en\",\"de\"]\n"
                  "    supportedLanguages: [\"en\",\"de\"]\n    primaryLanguage: \"en\"\n}\n";
        QTest::newRow("primary inserted before the last brace")
            << head + "    Environment { LANG: \"C\" }\n    supportedLanguages: [\"en\"]\n}\n"
            << enDe << "en"
            << head
                + "    Environment { LANG: \"C\" }\n    supportedLanguages: [\"en\",\"de\"]\n"
                  "\n    primaryLanguage: \"en\"\n}\n";
        QTest::newRow("both inserted") << head + "    translationDatabase: true\n}\n"
                                       << enDe << "en"
                                       << head
                + "    translationDatabase: true\n\n    supportedLanguages: [\"en\",\"de\"]\n"
                  "    primaryLanguage: \"en\"\n}\n";
        QTest::newRow("empty selection")
            << head + "    supportedLanguages: [\"en\"]\n    primaryLanguage: \"en\"\n}\n"
            << QStringList() << ""
            << head + "    supportedLanguages: []\n    primaryLanguage: \"\"\n}\n";
        QTest::newRow("line endings kept")
            << QByteArray("Project {\r\n    supportedLanguages: [\"en\"]\r\n"
                          "    primaryLanguage: \"en\"\r\n}\r\n")
            << enDe << "de"
            << QByteArray("Project {\r\n    supportedLanguages: [\"en\",\"de\"]\r\n"
                          "    primaryLanguage: \"de\"\r\n}\r\n");
        QTest::newRow("nothing to insert, no brace")
            << QByteArray("supportedLanguages: [\"en\"]\nprimaryLanguage: \"en\"\n") << enDe << "de"
            << QByteArray("supportedLanguages: [\"en\",\"de\"]\nprimaryLanguage: \"de\"\n");
        QTest::newRow("language codes taken literally")
            << head + "    supportedLanguages: [\"en\"]\n    primaryLanguage: \"en\"\n}\n"
            << QStringList { "\\1", "$1" } << "\\0"
            << head
                + "    supportedLanguages: [\"\\\\1\",\"$1\"]\n    primaryLanguage: \"\\0\"\n}\n";
    }

    void editsProjectFile()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, codes);
        QFETCH(QString, primary);
        QFETCH(QByteArray, after);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("app.qmlproject"));
        QVERIFY(writeFile(path, before));
        QVERIFY(ProjectLanguageSettings::writeToProjectFile(dir.path(), codes, primary));
        // Byte for byte: nothing outside the edited entries changes.
        QCOMPARE(readFile(path), after);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList { "app.qmlproject" });
    }

    void firstProjectFileByName()
    {
        QTemporaryDir dir;
        const QByteArray text = "Project {\n}\n";
        // Sorted ignoring case: "alpha" before "Beta", although 'B' < 'a'.
        QVERIFY(writeFile(dir.filePath("Beta.qmlproject"), text));
        QVERIFY(writeFile(dir.filePath("alpha.qmlproject"), text));
        QVERIFY(ProjectLanguageSettings::writeToProjectFile(dir.path(), { "fr" }, "fr"));
        QCOMPARE(readFile(dir.filePath("alpha.qmlproject")),
                 QByteArray("Project {\n\n    supportedLanguages: [\"fr\"]\n"
                            "    primaryLanguage: \"fr\"\n}\n"));
        QCOMPARE(readFile(dir.filePath("Beta.qmlproject")), text);
    }

    void failuresAreLogged_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QStringList>("warnings");

        QTest::newRow("no project file")
            << "none"
            << QStringList { "Could not save qmlproject file - file not found in project path." };
        QTest::newRow("project file is a directory")
            << "directory"
            << QStringList { "Could not save qmlproject file - could not read project file.",
                             "File path: .*/app.qmlproject" };
        QTest::newRow("no closing brace")
            << "no brace"
            << QStringList { "Could not save qmlproject file - no closing brace.*unchanged",
                             "File path: .*/app.qmlproject" };
        QTest::newRow("disk full while writing")
            << "disk full"
            << QStringList { "Could not save qmlproject file - could not open file for writing",
                             "File path: .*/app.qmlproject",
                             "Reason: .+" };
    }

    void failuresAreLogged()
    {
        QFETCH(QString, situation);
        QFETCH(QStringList, warnings);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("app.qmlproject"));
        QByteArray before;
        if (situation == "directory") {
            QVERIFY(QDir(dir.path()).mkdir("app.qmlproject"));
        } else if (situation == "no brace") {
            before = "primaryLanguage: \"en\"\n";
        } else if (situation == "disk full") {
            before = "Project {\n    // " + QByteArray(2000, 'x') + "\n}\n";
        }
        if (!before.isEmpty())
            QVERIFY(writeFile(path, before));

        for (const QString &warning : std::as_const(warnings))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
        bool written = true;
        {
            std::optional<FileSizeLimit> limit;
            if (situation == "disk full") {
                limit.emplace(1000);
                if (!limit->isActive())
                    QSKIP("setrlimit(RLIMIT_FSIZE) is not permitted here");
            }
            written = ProjectLanguageSettings::writeToProjectFile(dir.path(), { "en", "de" }, "en");
        }
        QVERIFY(!written);
        // The old file stays whole, with no temporary file beside it.
        if (!before.isEmpty()) {
            QCOMPARE(readFile(path), before);
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                     QStringList { "app.qmlproject" });
        }
    }

    // The studio's project model and the file agree: the build system holds the
    // choice, and a project read from the written file has the same languages.
    void hostReadsWrittenLanguages_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QString>("primary");

        QTest::newRow("entries present") << QByteArray(
            "import QmlProject\nProject {\n    mainFile: \"Main.qml\"\n"
            "    supportedLanguages: [\"en\"] // old\n    primaryLanguage: \"en\"\n}\n")
                                         << QStringList { "de", "en", "ja" } << "de";
        QTest::newRow("entries absent")
            << QByteArray("import QmlProject\nProject {\n    mainFile: \"Main.qml\"\n"
                          "    QmlFiles { directory: \".\" }\n}\n")
            << QStringList { "fr" } << "fr";
        QTest::newRow("no languages")
            << QByteArray("Project {\n    supportedLanguages: [\"en\",\"de\"]\n}\n")
            << QStringList() << "";
    }

    void hostReadsWrittenLanguages()
    {
        using Host::QmlProject::DesignProject;
        QFETCH(QByteArray, before);
        QFETCH(QStringList, codes);
        QFETCH(QString, primary);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("app.qmlproject"));
        QVERIFY(writeFile(path, before));
        QString error;
        std::unique_ptr<DesignProject> project
            = DesignProject::open(Host::Utils::Path::fromString(path), &error);
        QVERIFY2(project, qPrintable(error));

        // The order of the command: the build system first, then the file.
        QVERIFY(project->buildBackend()->setSupportedLanguages(codes));
        QVERIFY(project->buildBackend()->setPrimaryLanguage(primary));
        QCOMPARE(readFile(path), before); // the build system leaves the file to us
        QVERIFY(ProjectLanguageSettings::writeToProjectFile(dir.path(), codes, primary));

        std::unique_ptr<DesignProject> reopened
            = DesignProject::open(Host::Utils::Path::fromString(path), &error);
        QVERIFY2(reopened, qPrintable(error));
        QCOMPARE(reopened->buildBackend()->supportedLanguages(), codes);
        QCOMPARE(reopened->buildBackend()->primaryLanguage(), primary);
        QCOMPARE(project->buildBackend()->supportedLanguages(), codes);
        QCOMPARE(project->buildBackend()->primaryLanguage(), primary);
        QVERIFY(project->reload(&error));
        QCOMPARE(project->buildBackend()->supportedLanguages(), codes);
        QCOMPARE(project->buildBackend()->primaryLanguage(), primary);
        QCOMPARE(reopened->mainFile(), project->mainFile());
    }
};

QTEST_GUILESS_MAIN(tst_ProjectLanguageSettings)
#include "tst_projectlanguagesettings.moc"
