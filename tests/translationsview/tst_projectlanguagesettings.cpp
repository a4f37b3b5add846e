#include "translationsview/projectlanguagesettings.h"

#include <qmlproject/designproject.h>
#include <qmlproject/qmlbuildbackend.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <filesizelimit.h>
#include <testfiles.h>

using Lexora::ProjectLanguageSettings;

namespace {

using Host::QmlProject::DesignProject;
using Host::QmlProject::QmlProjectFile;

// What the host's reader finds in an element, leaving out the two language
// entries: one line per binding and child element.
QStringList settingsBesideLanguages(const QmlProjectFile::Element &element,
                                    const QString &indent = QString())
{
    QStringList lines;
    for (const QmlProjectFile::Property &property : element.properties) {
        if (indent.isEmpty()
            && (property.name == "supportedLanguages" || property.name == "primaryLanguage"))
            continue;
        lines.append(indent + property.name + ": " + property.source);
    }
    for (const QmlProjectFile::Element &child : element.children) {
        lines.append(indent + child.typeName);
        lines += settingsBesideLanguages(child, indent + "  ");
    }
    return lines;
}

QmlProjectFile parsed(const QByteArray &bytes)
{
    QmlProjectFile file;
    QString error;
    if (!file.parse(QString::fromUtf8(bytes), &error))
        qWarning().noquote() << error;
    return file;
}

const QByteArray head = "import QmlProject\n"
                        "\n"
                        "// Caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac: not only ASCII\n"
                        "Project {\n"
                        "    mainFile: \"Main.ui.qml\"\n"
                        "    QmlFiles { directory: \".\" }\n";

} // namespace

class tst_ProjectLanguageSettings : public QObject
{
    Q_OBJECT

private slots:
    // Project files as people write them. Each result is compared byte for
    // byte, and read back with the host's reader: it has the new languages,
    // and every other binding and element as before.
    void editsProjectFile_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QString>("primary");
        QTest::addColumn<QByteArray>("after");

        const QStringList enDe { "en", "de" };
        const auto row = [](const char *tag,
                            const QStringList &codes,
                            const char *primary,
                            const QByteArray &before,
                            const QByteArray &after) {
            QTest::newRow(tag) << before << codes << QString(primary) << after;
        };
        row("both entries replaced in place",
            enDe,
            "en",
            head
                + "    supportedLanguages: [ \"en\", \"fr\" ]\n    primaryLanguage: \"fr\"\n"
                  "    translationDatabase: true\n}\n",
            head
                + "    supportedLanguages: [\"en\",\"de\"]\n    primaryLanguage: \"en\"\n"
                  "    translationDatabase: true\n}\n");
        row("comments after the entries are kept",
            enDe,
            "de",
            head
                + "    supportedLanguages: [\"en\"] // the shipped ones\n"
                  "    primaryLanguage: \"en\" /* first */\n}\n",
            head
                + "    supportedLanguages: [\"en\",\"de\"] // the shipped ones\n"
                  "    primaryLanguage: \"de\" /* first */\n}\n");
        row("array over several lines",
            enDe,
            "de",
            head
                + "    supportedLanguages: [\n        \"en\",\n        \"fr\"\n    ]\n"
                  "    primaryLanguage: \"en\"\n    translationDatabase: true\n}\n",
            head
                + "    supportedLanguages: [\"en\",\"de\"]\n    primaryLanguage: \"de\"\n"
                  "    translationDatabase: true\n}\n");
        row("block comments",
            enDe,
            "de",
            head
                + "    /* supportedLanguages: [\"xx\"]\n       primaryLanguage: \"xx\" */\n"
                  "    supportedLanguages: /* shipped */ [\"en\"]\n"
                  "    primaryLanguage: \"en\" /* was: \"fr\"\n    } */\n}\n",
            head
                + "    /* supportedLanguages: [\"xx\"]\n       primaryLanguage: \"xx\" */\n"
                  "    supportedLanguages: /* shipped */ [\"en\",\"de\"]\n"
                  "    primaryLanguage: \"de\" /* was: \"fr\"\n    } */\n}\n");
        row("closing brace in a trailing comment",
            enDe,
            "en",
            head + "} // Project }\n",
            head
                + "    supportedLanguages: [\"en\",\"de\"]\n    primaryLanguage: \"en\"\n"
                  "} // Project }\n");
        row("the only entry is in a comment",
            enDe,
            "en",
            head + "    // supportedLanguages: [\"xx\"]\n    primaryLanguage: \"en\"\n}\n",
            head
                + "    // supportedLanguages: [\"xx\"]\n    primaryLanguage: \"en\"\n"
                  "    supportedLanguages: [\"en\",\"de\"]\n}\n");
        row("the keys inside strings and another element",
            enDe,
            "de",
            head
                + "    Environment {\n        NOTE: \"primaryLanguage: fr\"\n"
                  "        supportedLanguages: \"x\"\n    }\n    supportedLanguages: [\"en\"]\n}\n",
            head
                + "    Environment {\n        NOTE: \"primaryLanguage: fr\"\n"
                  "        supportedLanguages: \"x\"\n    }\n    supportedLanguages: "
                  "[\"en\",\"de\"]\n"
                  "    primaryLanguage: \"de\"\n}\n");
        row("next member on the same line",
            enDe,
            "de",
            QByteArray("Project {\n    supportedLanguages: [\"en\"]; mainFile: \"Main.qml\"\n"
                       "    primaryLanguage: \"en\"; importPaths: [\"imports\"]\n}\n"),
            QByteArray("Project {\n"
                       "    supportedLanguages: [\"en\",\"de\"]; mainFile: \"Main.qml\"\n"
                       "    primaryLanguage: \"de\"; importPaths: [\"imports\"]\n}\n"));
        row("both inserted",
            enDe,
            "en",
            head + "    translationDatabase: true\n}\n",
            head
                + "    translationDatabase: true\n    supportedLanguages: [\"en\",\"de\"]\n"
                  "    primaryLanguage: \"en\"\n}\n");
        row("one line",
            enDe,
            "en",
            QByteArray("Project { mainFile: \"a.qml\" }"),
            QByteArray("Project { mainFile: \"a.qml\"\n    supportedLanguages: [\"en\",\"de\"]\n"
                       "    primaryLanguage: \"en\"\n}"));
        row("empty selection",
            QStringList(),
            "",
            head + "    supportedLanguages: [\"en\"]\n    primaryLanguage: \"en\"\n}\n",
            head + "    supportedLanguages: []\n    primaryLanguage: \"\"\n}\n");
        row("CRLF and tabs",
            enDe,
            "de",
            QByteArray("Project {\r\n\tmainFile: \"a.qml\"\r\n\tsupportedLanguages: [\"en\"]\r\n"
                       "}\r\n"),
            QByteArray(
                "Project {\r\n\tmainFile: \"a.qml\"\r\n"
                "\tsupportedLanguages: [\"en\",\"de\"]\r\n\tprimaryLanguage: \"de\"\r\n}\r\n"));
        row("CR only",
            enDe,
            "de",
            QByteArray("import QmlProject\r\rProject {\r  mainFile: \"a.qml\"\r  "
                       "supportedLanguages: [\"en\"]\r"
                       "}\r"),
            QByteArray("import QmlProject\r\rProject {\r  mainFile: \"a.qml\"\r"
                       "  supportedLanguages: [\"en\",\"de\"]\r  primaryLanguage: \"de\"\r}\r"));
        row("byte order mark",
            enDe,
            "en",
            QByteArray("\xEF\xBB\xBFProject {\n    primaryLanguage: \"en\"\n}\n"),
            QByteArray("\xEF\xBB\xBFProject {\n    primaryLanguage: \"en\"\n"
                       "    supportedLanguages: [\"en\",\"de\"]\n}\n"));
        row("language codes taken literally",
            QStringList { "\\1", "$1", "\"]; mainFile: \"x" },
            "\\0",
            head + "    supportedLanguages: [\"en\"]\n    primaryLanguage: \"en\"\n}\n",
            head
                + "    supportedLanguages: [\"\\\\1\",\"$1\",\"\\\"]; mainFile: \\\"x\"]\n"
                  "    primaryLanguage: \"\\\\0\"\n}\n");
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
        QString error;
        QVERIFY2(ProjectLanguageSettings::writeToProjectFile(dir.path(), codes, primary, &error),
                 qPrintable(error));
        QCOMPARE(readFile(path), after);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList { "app.qmlproject" });

        std::unique_ptr<DesignProject> project
            = DesignProject::open(Host::Utils::Path::fromString(path), &error);
        QVERIFY2(project, qPrintable(error));
        QCOMPARE(project->buildBackend()->supportedLanguages(), codes);
        QCOMPARE(project->buildBackend()->primaryLanguage(), primary);
        const QByteArray withoutMark = before.startsWith("\xEF\xBB\xBF") ? before.mid(3) : before;
        QCOMPARE(settingsBesideLanguages(project->projectFile().root()),
                 settingsBesideLanguages(parsed(withoutMark).root()));
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
                 QByteArray("Project {\n    supportedLanguages: [\"fr\"]\n"
                            "    primaryLanguage: \"fr\"\n}\n"));
        QCOMPARE(readFile(dir.filePath("Beta.qmlproject")), text);
    }

    // A file that cannot be edited is left as it is, and the caller learns why.
    void failuresAreLogged_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QStringList>("warnings");

        const QString readFailure = "Could not save qmlproject file - could not read project file.";
        const QString filePath = "File path: .*/app.qmlproject";
        QTest::newRow("no project file")
            << "none" << QByteArray()
            << QStringList { "Could not save qmlproject file - file not found in project path." };
        QTest::newRow("project file is a directory")
            << "directory" << QByteArray() << QStringList { readFailure, filePath, "Reason: .+" };
        QTest::newRow("no closing brace")
            << "" << QByteArray("primaryLanguage: \"en\"\n")
            << QStringList { readFailure, filePath, "Reason: .*has no root element" };
        QTest::newRow("half-typed edit")
            << "" << QByteArray("Project {\n    supportedLanguages: [\"en\",\n}\n")
            << QStringList { readFailure, filePath, "Reason: Cannot parse .* at line 3" };
        QTest::newRow("not UTF-8")
            << "" << QByteArray("Project {\n    // caf\xe9\n}\n")
            << QStringList { readFailure, filePath, "Reason: .*not valid UTF-8" };
        QTest::newRow("disk full while writing")
            << "disk full"
            << "Project {\n    // " + QByteArray(2000, 'x') + "\n}\n"
            << QStringList { "Could not save qmlproject file - could not open file for writing",
                             filePath,
                             "Reason: .+" };
    }

    void failuresAreLogged()
    {
        QFETCH(QString, situation);
        QFETCH(QByteArray, before);
        QFETCH(QStringList, warnings);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("app.qmlproject"));
        if (situation == "directory")
            QVERIFY(QDir(dir.path()).mkdir("app.qmlproject"));
        if (!before.isEmpty())
            QVERIFY(writeFile(path, before));

        for (const QString &warning : std::as_const(warnings))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
        bool written = true;
        QString error;
        {
            std::optional<FileSizeLimit> limit;
            if (situation == "disk full") {
                limit.emplace(1000);
                if (!limit->isActive())
                    QSKIP("setrlimit(RLIMIT_FSIZE) is not permitted here");
            }
            written = ProjectLanguageSettings::writeToProjectFile(
                dir.path(), { "en", "de" }, "en", &error);
        }
        QVERIFY(!written);
        QVERIFY(error.startsWith("The project languages were not saved"));
        // The old file stays whole, with no temporary file beside it.
        if (!before.isEmpty()) {
            QCOMPARE(readFile(path), before);
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                     QStringList { "app.qmlproject" });
        }
    }

    // The studio's project model and the file agree: the build system holds the
    // choice, and a project read from the written file has the same languages.
    void hostReadsWrittenLanguages()
    {
        const QByteArray before
            = "import QmlProject\nProject {\n    mainFile: \"Main.qml\"\n"
              "    supportedLanguages: [\"en\"] // old\n    primaryLanguage: \"en\"\n}\n";
        const QStringList codes { "de", "en", "ja" };
        const QString primary = "de";
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
