// Runs `lexora check` as a release pipeline would: on a project whose
// translations have faults, then after a corrected file is imported.

#include "projectfixture.h"

#include <checks/checkreport.h>
#include <databaseio/projectdatabase.h>
#include <peerrequirement.h>

#include <QTemporaryDir>
#include <QTest>

using namespace Lexora;

namespace {

// The shop project in `directory`, with one of its translation files imported.
bool importedShop(const QTemporaryDir &directory, const char *translations = "fixed")
{
    const QString source = QStringLiteral(LEXORA_TEST_SOURCE_DIR "/shop");
    for (const char *file : { "shop.qmlproject",
                              "content/Main.qml",
                              "translations-broken.json",
                              "translations-fixed.json" }) {
        QDir().mkpath(QFileInfo(directory.filePath(file)).path());
        if (!QFile::copy(source + u'/' + file, directory.filePath(file)))
            return false;
    }
    return !translations
        || lexora({ "import",
                    directory.filePath(QStringLiteral("translations-%1.json").arg(translations)),
                    "-p",
                    directory.path() })
               .exitCode
        == 0;
}

// Empty when `output` holds every one of `present` and none of `absent`.
QString missedIn(const QString &output, const QStringList &present, const QStringList &absent = {})
{
    for (const QString &text : present) {
        if (!output.contains(text))
            return "no \"" + text + "\" in:\n" + output;
    }
    for (const QString &text : absent) {
        if (output.contains(text))
            return "\"" + text + "\" in:\n" + output;
    }
    return {};
}

#define LEXORA_COMPARE_OUTPUT(...)                                                                 \
    QVERIFY2(missedIn(__VA_ARGS__).isEmpty(), qPrintable(missedIn(__VA_ARGS__)))

QJsonObject readJson(const QString &path)
{
    return QJsonDocument::fromJson(readFile(path)).object();
}

} // namespace

class TestCheckCommand : public QObject
{
    Q_OBJECT

private slots:
    void gatesReleaseUntilFixed()
    {
        QTemporaryDir directory;
        QVERIFY(importedShop(directory, "broken"));
        const QString project = directory.path();
        const QString json = project + "/report.json";
        ToolResult result = lexora({ "check", "--project", project, "--json", json });
        QCOMPARE(result.exitCode, 1);
        LEXORA_COMPARE_OUTPUT(
            result.out,
            { "Language fr:\n  placeholders (error)\n    cart.delete\n      en: \"Delete %1 "
              "items?\"\n"
              "      fr: \"Supprimer les articles ?\"\n",
              "Language ja:\n  missing (error)\n    order.total\n      en: \"Total: %L1\"\n      "
              "ja: (none)\n",
              "  ja                6           5        1          83.3\n",
              "2 error(s), 1 warning(s)\n" },
            // Reordered markers, "..." against "…" and "." against "。" are
            // fine; unused.old is not used by the QML files; a product name
            // every language keeps is no untranslated text.
            { "cart.move", "menu.open", "punctuation", "unused.old", "brand.name" });
        const QJsonObject report = readJson(json);
        QCOMPARE(report["errors"].toInt(), 2);
        QCOMPARE(report["warnings"].toInt(), 1);
        QCOMPARE(report["findings"].toArray().size(), 3);
        const QJsonObject first = report["findings"].toArray().first().toObject();
        QCOMPARE(first["check"].toString() + ' ' + first["language"].toString() + ' '
                     + first["translationId"].toString(),
                 "identical de order.saved");
        QCOMPARE(report["coverage"].toArray().size(), 3);
        const QJsonObject japanese = report["coverage"].toArray().at(2).toObject();
        QCOMPARE(japanese["language"].toString(), "ja");
        QCOMPARE(japanese["used"].toInt(), 6);
        QCOMPARE(japanese["missing"].toInt(), 1);

        // Every ID of the database brings the unused one in.
        result = lexora({ "check", "--project", project, "--all", "--languages", "fr" });
        QCOMPARE(result.exitCode, 1);
        LEXORA_COMPARE_OUTPUT(result.out, { "  missing (error)\n    unused.old\n" });

        QCOMPARE(lexora({ "import", project + "/translations-fixed.json", "-p", project }).exitCode,
                 0);
        result = lexora({ "check", "--project", project, "--json", json });
        QCOMPARE(result.exitCode, 0);
        LEXORA_COMPARE_OUTPUT(result.out, { "0 error(s), 1 warning(s)\n" });
        QCOMPARE(readJson(json)["errors"].toInt(), 0);
    }

    void silencedIdsStaySilentAcrossImports()
    {
        QTemporaryDir directory;
        QVERIFY(importedShop(directory));
        const QString project = directory.path();
        ToolResult result
            = lexora({ "check", "-p", project, "--silence", "order.saved=identical" });
        QCOMPARE(result.exitCode, 0);
        LEXORA_COMPARE_OUTPUT(result.out, { "0 error(s), 0 warning(s)\n" }, { "order.saved" });

        // A local edit: a later import keeps it.
        QCOMPARE(lexora({ "import", project + "/translations-fixed.json", "-p", project }).exitCode,
                 0);
        {
            ProjectDatabase database(project + "/translations.db");
            const MetaDataEntries metaData
                = database.databaseIo().fetchTranslatableEntries({ "order.saved" }).at(0).metaData;
            QCOMPARE(metaData.size(), std::size_t(1));
            QCOMPARE(metaData.front().key, ignoreMetaDataKey);
            QCOMPARE(metaData.front().value.toText(), "identical");
        }
        result = lexora({ "check", "-p", project });
        QCOMPARE(result.exitCode, 0);
        LEXORA_COMPARE_OUTPUT(result.out, {}, { "order.saved" });

        // An empty list reports everything again.
        result = lexora({ "check", "-p", project, "--silence", "order.saved=" });
        QCOMPARE(result.exitCode, 0);
        LEXORA_COMPARE_OUTPUT(result.out, { "0 error(s), 1 warning(s)\n" });
    }

    // A project with old findings adopts the check in CI: the first run records
    // them, later runs fail on what is new and say what was fixed.
    void baselineFailsOnlyOnNewFindings()
    {
        QTemporaryDir directory;
        QVERIFY(importedShop(directory, "broken"));
        const QString project = directory.path();
        const QString baseline = project + "/check-baseline.json";
        const auto check = [&](const QStringList &more) {
            return lexora(QStringList { "check", "-p", project, "--baseline" } + more);
        };

        // Recorded although two findings are errors.
        ToolResult result = check({ baseline });
        QCOMPARE(result.exitCode, 0);
        LEXORA_COMPARE_OUTPUT(result.out, { "Recorded 3 finding(s) as the baseline" });
        result = check({ baseline });
        QCOMPARE(result.exitCode, 0);
        LEXORA_COMPARE_OUTPUT(
            result.out, { "0 new finding(s) since the baseline" }, { "cart.delete" });

        // The fixed texts lose two findings; a new untranslated text is one.
        const QString untranslated = project + "/translations-new.json";
        writeFile(untranslated,
                  readFile(project + "/translations-fixed.json")
                      .replace("D\xc3\xa9placer %1 vers %2 ?", "Move %1 to %2?"));
        QCOMPARE(lexora({ "import", untranslated, "-p", project }).exitCode, 0);
        result = check({ baseline });
        QCOMPARE(result.exitCode, 1);
        LEXORA_COMPARE_OUTPUT(
            result.out,
            { "Language fr:\n  identical (warning)\n    cart.move\n",
              "2 finding(s) of the baseline are gone:\n    missing ja: order.total\n"
              "    placeholders fr: cart.delete\n",
              "1 new finding(s) since the baseline" });

        // A file that is no baseline is not taken for an empty one.
        result = check({ untranslated });
        QCOMPARE(result.exitCode, 1);
        LEXORA_COMPARE_OUTPUT(result.err, { "not a baseline of lexora check" });

        result = check({ baseline, "--update-baseline" });
        QCOMPARE(result.exitCode, 0);
        LEXORA_COMPARE_OUTPUT(result.out, { "Recorded 2 finding(s)" });
        QCOMPARE(check({ baseline }).exitCode, 0);
    }

    void commandLineErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("withDatabase");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("extra argument")
            << QStringList { "check", "now" } << true << 2 << "check takes no arguments, got: now";
        QTest::newRow("unknown option")
            << QStringList { "check", "--bogus" } << true << 2 << "Unknown option 'bogus'";
        QTest::newRow("primary language") << QStringList { "check", "--languages", "en" } << true
                                          << 2 << "en is the primary language";
        QTest::newRow("foreign language")
            << QStringList { "check", "--languages", "de,xx" } << true << 2
            << "xx is not a language of the project (en, de, fr, ja)";
        QTest::newRow("no language") << QStringList { "check", "--languages", " , " } << true << 2
                                     << "--languages needs at least one language code";
        QTest::newRow("silence without ID") << QStringList { "check", "--silence", "identical" }
                                            << true << 2 << "--silence needs ID=CHECKS";
        QTest::newRow("silence unknown check")
            << QStringList { "check", "--silence", "brand.name=spelling" } << true << 2
            << "unknown check spelling";
        QTest::newRow("silence unknown ID")
            << QStringList { "check", "--silence", "no.such.id=identical" } << true << 1
            << "the database has no such ID";
        QTest::newRow("update without baseline")
            << QStringList { "check", "--update-baseline" } << true << 2
            << "--update-baseline needs --baseline FILE";
        QTest::newRow("no database")
            << QStringList { "check" } << false << 1 << "the project has no translation database";
        QTest::newRow("project before the command")
            << QStringList { "--languages", "de", "check" } << true << 0 << "";
        QTest::newRow("help") << QStringList { "check", "--help" } << false << 0 << "";
    }

    void commandLineErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, withDatabase);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QTemporaryDir directory;
        QVERIFY(importedShop(directory, withDatabase ? "fixed" : nullptr));
        const ToolResult result = lexora(QStringList { "-p", directory.path() } + arguments);
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        if (exitCode != 0)
            QVERIFY(result.out.isEmpty());
        // A check never creates the database it reads.
        QCOMPARE(QFile::exists(directory.filePath("translations.db")), withDatabase);
    }

    // A screen that does not parse hides its own IDs only: it is reported with its
    // line and the rest of the project is still checked. Excluded in the project
    // file, it is no longer a project file at all.
    void unreadableFileIsAFinding()
    {
        QTemporaryDir directory;
        QVERIFY(importedShop(directory));
        const QString project = directory.path();
        const QString broken = project + "/content/tests/Broken.qml";
        writeFile(broken, "import QtQuick\nItem {\n    width: 10 +\n}\n");

        const QString json = project + "/report.json";
        ToolResult result = lexora({ "check", "--project", project, "--json", json });
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.out.startsWith("QML files that could not be read (error):\n    "
                                       + QDir::toNativeSeparators(broken) + ":4: "),
                 qPrintable(result.out));
        LEXORA_COMPARE_OUTPUT(result.out,
                              { "  ja                6           6        0         100.0\n",
                                "1 error(s), 1 warning(s)\n" });
        const QJsonObject finding = readJson(json)["findings"].toArray().first().toObject();
        QCOMPARE(finding["check"].toString(), "unreadable");
        QCOMPARE(finding["componentPath"].toString(), broken);
        QCOMPARE(finding["line"].toInt(), 4);
        QVERIFY(!finding["message"].toString().isEmpty());

        const QString projectFile = project + "/shop.qmlproject";
        writeFile(projectFile,
                  readFile(projectFile)
                      .replace("directory: \"content\"",
                               "directory: \"content\"; exclude: \"content/tests\""));
        result = lexora({ "check", "--project", project });
        QCOMPARE(result.exitCode, 0);
        LEXORA_COMPARE_OUTPUT(result.out, {}, { "Broken.qml" });
    }

    // Every file of the run says how many messages it holds, as Qt's release
    // tool counts them in the .ts file.
    void generateCountsMessages()
    {
        QTemporaryDir directory;
        QVERIFY(importedShop(directory, "broken"));
        const QString project = directory.path();
        const ToolResult result = lexora({ "generate", "-p", project });
        QCOMPARE(result.exitCode, 0);
        if (qtTool("lrelease").isEmpty())
            LEXORA_PEER_MISSING("lrelease is missing");
        for (const char *language : { "en", "de", "fr", "ja" }) {
            const int unfinished = language == QLatin1String("ja") ? 1 : 0;
            for (const char *suffix : { "qm", "ts" }) {
                const QString line
                    = QStringLiteral("  %1/i18n/qml_%2.%3 (6 message(s), %4 unfinished)\n")
                          .arg(project, language, suffix)
                          .arg(unfinished);
                QVERIFY2(result.out.contains(line), qPrintable(result.out));
            }
            QProcess process;
            process.start(qtTool("lrelease"),
                          { "-idbased",
                            QStringLiteral("%1/i18n/qml_%2.ts").arg(project, language),
                            "-qm",
                            project + "/peer.qm" });
            QVERIFY(process.waitForFinished(60000));
            const QString peer = QString::fromLocal8Bit(process.readAllStandardOutput());
            QVERIFY2(peer.contains(QStringLiteral(
                                       "Generated 6 translation(s) (%1 finished and %2 unfinished)")
                                       .arg(6 - unfinished)
                                       .arg(unfinished)),
                     qPrintable(peer));
        }
    }
};

QTEST_GUILESS_MAIN(TestCheckCommand)
#include "tst_checkcommand.moc"
