// `lexora test` run as a build pipeline runs it: a separate process, judged by
// its exit status and what it prints.

#include "peerrequirement.h"
#include "previewtestproject.h"
#include "toolrunner.h"

#include <testfiles.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include <csignal>

namespace {

// Where `picture` appears in `shot` at its own size, the colours as close as
// a browser's colour handling leaves them; (-1, -1) when it is nowhere.
QPoint locate(const QImage &shot, const QImage &picture)
{
    const QImage page = shot.convertToFormat(QImage::Format_RGB32);
    const QImage wanted = picture.convertToFormat(QImage::Format_RGB32);
    QList<QPoint> samples;
    for (int y = 0; y < wanted.height(); y += 4) {
        for (int x = 0; x < wanted.width(); x += 4)
            samples.append({ x, y });
    }
    const auto close = [](QRgb a, QRgb b) {
        return qAbs(qRed(a) - qRed(b)) <= 8 && qAbs(qGreen(a) - qGreen(b)) <= 8
            && qAbs(qBlue(a) - qBlue(b)) <= 8;
    };
    for (int top = 0; top + wanted.height() <= page.height(); ++top) {
        for (int left = 0; left + wanted.width() <= page.width(); ++left) {
            const bool matches = std::all_of(samples.cbegin(), samples.cend(), [&](QPoint p) {
                return close(page.pixel(left + p.x(), top + p.y()), wanted.pixel(p));
            });
            if (matches)
                return { left, top };
        }
    }
    return { -1, -1 };
}

bool hasColour(const QImage &image, QColor colour)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == colour)
                return true;
        }
    }
    return false;
}

} // namespace

class tst_LexoraTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        LEXORA_REQUIRE_PREVIEW();
        m_project = std::make_unique<PreviewTestProject>();
        QString error;
        QVERIFY2(m_project->create(&error), qPrintable(error));

        QVERIFY(!writeSilentPreview(m_scripts.path()).isEmpty());
    }

    // Before the rows below translate what this one finds.
    void visualReport()
    {
        QTemporaryDir output;
        // A folder name that must be written as a URL.
        const QString folder = output.filePath(QStringLiteral("visual report #1"));
        const ToolResult run = test({ "--html", folder });
        QVERIFY2(
            run.exitCode == 3,
            qPrintable(QStringLiteral("exit %1\n%2\n%3").arg(run.exitCode).arg(run.out, run.err)));
        // Two screens with one state each besides the base state, in two languages.
        for (const QString &line :
             { QStringLiteral("Visual report: %1/index.html (8 picture(s))").arg(folder),
               QStringLiteral("Translation test of 2 file(s) in 2 language(s):"),
               QStringLiteral("Welcome.ui.qml [de]: 1 missing, 1 elided"),
               QStringLiteral("Welcome.ui.qml [fr]: 1 missing, 0 elided"),
               QStringLiteral("Settings.ui.qml [de]: 0 missing, 0 elided"),
               QStringLiteral("Welcome.ui.qml:21:15: welcome_hint (de, fr)"),
               QStringLiteral("Welcome.ui.qml:14:15: welcome_title (de)") })
            QVERIFY2(run.out.contains(line), qPrintable(run.out));
        QVERIFY2(!run.err.contains(QStringLiteral("could not be loaded")), qPrintable(run.err));
        QVERIFY(
            QFile::exists(m_project->filePath(QStringLiteral("translation_report_project.json"))));

        const QDir report(folder);
        const QStringList names = report.entryList({ QStringLiteral("*.png") }, QDir::Files);
        QCOMPARE(names.size(), 8);
        const auto picture = [&](const QString &pattern) {
            const QStringList found = report.entryList({ pattern });
            return found.size() == 1 ? QImage(report.filePath(found.first())) : QImage();
        };
        const QImage settingsDe = picture("*-Settings_ui_qml-base-de.png");
        const QImage settingsFr = picture("*-Settings_ui_qml-base-fr.png");
        const QImage welcomeDe = picture("*-Welcome_ui_qml-base-de.png");
        const QImage welcomeFr = picture("*-Welcome_ui_qml-base-fr.png");
        QVERIFY(!settingsDe.isNull() && !settingsFr.isNull() && !welcomeDe.isNull()
                && !welcomeFr.isNull());
        // The screen without findings differs between languages by its texts alone.
        QVERIFY(settingsDe != settingsFr);
        QVERIFY(!hasColour(settingsDe, Qt::red) && !hasColour(settingsDe, Qt::magenta));
        // The German title is elided, the hint untranslated in both languages.
        QVERIFY(hasColour(welcomeDe, Qt::magenta) && hasColour(welcomeDe, Qt::red));
        QVERIFY(!hasColour(welcomeFr, Qt::magenta) && hasColour(welcomeFr, Qt::red));

        const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        if (chromium.isEmpty())
            LEXORA_PEER_MISSING("chromium, to show the visual report as a browser does");
        QTemporaryDir profile;
        const QString shotPath = output.filePath(QStringLiteral("shot.png"));
        QProcess browser;
        browser.start(chromium,
                      { "--headless",
                        "--no-sandbox", // refused otherwise when run as root
                        "--disable-gpu",
                        "--hide-scrollbars",
                        "--force-device-scale-factor=1",
                        "--user-data-dir=" + profile.path(),
                        "--window-size=1200,1900",
                        "--screenshot=" + shotPath,
                        QUrl::fromLocalFile(report.filePath("index.html")).toString() });
        QVERIFY(browser.waitForFinished(90000));
        const QImage shot(shotPath);
        QVERIFY2(!shot.isNull(), browser.readAllStandardError().constData());
        // Every picture is on the page at its own size, nothing of it lost.
        QHash<QString, QPoint> places;
        for (const QString &name : names) {
            const QPoint at = locate(shot, QImage(report.filePath(name)));
            QVERIFY2(at.x() >= 0, qPrintable(name + QStringLiteral(" is not shown")));
            places.insert(name.section(QLatin1Char('-'), 1), at);
        }
        // Languages are columns: a screen's pictures side by side, in project order.
        const QPoint de = places.value(QStringLiteral("Settings_ui_qml-base-de.png"));
        const QPoint fr = places.value(QStringLiteral("Settings_ui_qml-base-fr.png"));
        QCOMPARE(de.y(), fr.y());
        QVERIFY(de.x() < fr.x());
    }

    void pipeline_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("preview");
        QTest::addColumn<bool>("translateFirst");
        QTest::addColumn<int>("exitStatus");
        // Lines the output holds; one starting with '!' is one it must not hold.
        QTest::addColumn<QStringList>("output");
        QTest::addColumn<QString>("error");
        // Written as Broken.ui.qml for the row only.
        QTest::addColumn<QByteArray>("brokenScreen");
        // Whether the findings were stored and the report written.
        QTest::addColumn<bool>("stored");

        const QByteArray missingModule = "import QtQuick\nimport Foo.Bar 1.0\nItem { width: 10 }\n";
        const QByteArray mistypedProperty
            = "import QtQuick\nItem {\n    width: 10\n    colour: \"red\"\n}\n";

        // Rows run in this order against one project.
        QTest::newRow("narrowed to a clean file")
            << QStringList { "Settings.ui.qml" } << "" << false << 0
            << QStringList { "Translation test of 1 file(s) in 2 language(s):",
                             "Settings.ui.qml [fr]: 0 missing, 0 elided" }
            << "" << QByteArray() << true;
        QTest::newRow("no such file")
            << QStringList { "Nowhere.ui.qml" } << "" << false << 1 << QStringList {}
            << "Nowhere.ui.qml is not a file" << QByteArray() << false;
        QTest::newRow("zero timeout")
            << QStringList { "--timeout", "0" } << "" << false << 2 << QStringList {}
            << "--timeout needs a positive number" << QByteArray() << false;
        QTest::newRow("silent preview")
            << QStringList { "--timeout", "2" } << "silent-preview" << false << 4 << QStringList {}
            << "the preview did not answer for 2 second(s)" << QByteArray() << false;
        // Said at once, not after the time limit.
        QTest::newRow("no preview program")
            << QStringList {} << "/nonexistent/preview" << false << 1 << QStringList {}
            << "No preview program found" << QByteArray() << false;
        // The other screens are tested and stored; the broken one is an error.
        QTest::newRow("screen with a missing module")
            << QStringList {} << "" << false << 1
            << QStringList { "Broken.ui.qml: not shown",
                             "Welcome.ui.qml [de]: 1 missing, 1 elided" }
            << "Broken.ui.qml:2: module \"Foo.Bar\" is not installed" << missingModule << true;
        QTest::newRow("screen with a mistyped property alone")
            << QStringList { "Broken.ui.qml" } << "" << false << 1
            << QStringList { "Broken.ui.qml: not shown" }
            << "Broken.ui.qml:4: Cannot assign to non-existent property \"colour\""
            << mistypedProperty << true;
        // A screen that does not parse is reported with its place, and the other
        // screens are still generated, tested and reported.
        QTest::newRow("screen that does not parse")
            << QStringList {} << "" << false << 1
            << QStringList { "Translation test of 2 file(s) in 2 language(s):", "!Broken.ui.qml" }
            << "Broken.ui.qml:4:1: error: "
            << QByteArray("import QtQuick\nItem {\n    width: 10 +\n}\n") << true;
        // Found with no translation at all; the project's findings stay as they were.
        // Drawn in their own texts: two screens with two states each, in two languages.
        QTest::newRow("pseudo locales")
            << QStringList { "--pseudo", "--html", m_scripts.filePath("pseudo-report") } << ""
            << false << 3
            << QStringList { "Translation test of 2 file(s) in 2 language(s):",
                             "Welcome.ui.qml [qps-plocm]: 0 missing, 1 elided",
                             "Welcome.ui.qml:14:15: welcome_title (qps-ploc, qps-plocm)",
                             "translation_report_pseudo.json",
                             "pseudo-report/index.html (8 picture(s))" }
            << "" << QByteArray() << false;
        QTest::newRow("translated and shortened")
            << QStringList {} << "" << true << 0
            << QStringList { "Welcome.ui.qml [de]: 0 missing, 0 elided",
                             "Welcome.ui.qml [fr]: 0 missing, 0 elided" }
            << "" << QByteArray() << true;
    }

    void pipeline()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, preview);
        QFETCH(bool, translateFirst);
        QFETCH(int, exitStatus);
        QFETCH(QStringList, output);
        QFETCH(QString, error);
        QFETCH(QByteArray, brokenScreen);
        QFETCH(bool, stored);

        const QString brokenFile = m_project->filePath(QStringLiteral("Broken.ui.qml"));
        const auto removeBroken = qScopeGuard([&] { QFile::remove(brokenFile); });
        QVERIFY(brokenScreen.isEmpty() || writeFile(brokenFile, brokenScreen));
        if (translateFirst) {
            QVERIFY(m_project->translate("welcome_hint", "de", "Hinweis"));
            QVERIFY(m_project->translate("welcome_hint", "fr", "Astuce"));
            QVERIFY(m_project->translate("welcome_title", "de", "Hallo"));
        }
        QFile::remove(m_project->filePath(QStringLiteral("translation_report_project.json")));
        const ToolResult run = test(
            arguments,
            preview.isEmpty() || preview.startsWith('/') ? preview : m_scripts.filePath(preview));
        QVERIFY2(
            run.exitCode == exitStatus,
            qPrintable(QStringLiteral("exit %1\n%2\n%3").arg(run.exitCode).arg(run.out, run.err)));
        for (const QString &line : std::as_const(output)) {
            if (line.startsWith(u'!'))
                QVERIFY2(!run.out.contains(line.mid(1)), qPrintable(run.out));
            else
                QVERIFY2(run.out.contains(line), qPrintable(run.out));
        }
        if (!error.isEmpty())
            QVERIFY2(run.err.contains(error), qPrintable(run.err));
        // A visual report shows every language in its own translations.
        if (arguments.contains(QStringLiteral("--html")))
            QVERIFY2(!run.err.contains(QStringLiteral("could not be loaded")), qPrintable(run.err));
        // Only a test that ran to its end stores anything.
        QCOMPARE(
            QFile::exists(m_project->filePath(QStringLiteral("translation_report_project.json"))),
            stored);
        if (exitStatus == 4) {
            // The time limit ended the preview too.
            QCOMPARE(run.out.contains(QStringLiteral("Report:")), false);
        }
    }

    // Each preview takes the next file, yet the report and the summary list the
    // files in the project's order whatever preview tested them. The pseudo
    // locales have findings in a project whose translations are complete.
    void sameResultsWhateverTheJobs()
    {
        const QString report
            = m_project->filePath(QStringLiteral("translation_report_pseudo.json"));
        QList<ToolResult> runs;
        QList<QByteArray> reports;
        for (const char *jobs : { "1", "3" }) {
            runs.append(test({ "--pseudo", "--jobs", jobs }));
            reports.append(readFile(report));
        }
        QCOMPARE(runs.at(0).exitCode, 3);
        QCOMPARE(runs.at(1).exitCode, runs.at(0).exitCode);
        QCOMPARE(runs.at(1).out, runs.at(0).out);
        QCOMPARE(reports.at(1), reports.at(0));
        QVERIFY2(runs.at(1).err.contains(QStringLiteral("Translation test: 2/2 files (100%)")),
                 qPrintable(runs.at(1).err));
    }

    void previewsEndWithTheTool_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("exitStatus"); // -1: no normal exit

        QTest::newRow("terminated") << int(SIGTERM) << 128 + SIGTERM;
        QTest::newRow("interrupted") << int(SIGINT) << 128 + SIGINT;
        // No chance to clean up: the kernel ends the previews.
        QTest::newRow("killed") << int(SIGKILL) << -1;
    }

    void previewsEndWithTheTool()
    {
        QFETCH(int, signal);
        QFETCH(int, exitStatus);

        const auto childrenOf = [](qint64 parent) {
            QList<qint64> children;
            for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
                bool isProcess = false;
                const qint64 pid = entry.toLongLong(&isProcess);
                QFile status(QStringLiteral("/proc/%1/status").arg(entry));
                if (!isProcess || !status.open(QIODevice::ReadOnly))
                    continue;
                const QByteArray text = status.readAll();
                if (text.contains("\nPPid:\t" + QByteArray::number(parent) + '\n'))
                    children.append(pid);
            }
            return children;
        };
        QProcess tool;
        tool.setProcessEnvironment(toolEnvironment());
        tool.start(QStringLiteral(LEXORA_TOOL),
                   { "test", "--jobs", "2", "--project", m_project->directory() });
        QVERIFY(tool.waitForStarted());
        QList<qint64> previews;
        QElapsedTimer clock;
        clock.start();
        while (previews.size() < 2 && clock.elapsed() < 20000) {
            QTest::qWait(50);
            previews = childrenOf(tool.processId());
        }
        QCOMPARE(previews.size(), 2);

        ::kill(pid_t(tool.processId()), signal);
        QVERIFY(tool.waitForFinished(10000));
        if (exitStatus < 0) {
            QCOMPARE(tool.exitStatus(), QProcess::CrashExit);
        } else {
            QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
            QCOMPARE(tool.exitCode(), exitStatus);
        }
        for (const qint64 preview : std::as_const(previews))
            QTRY_VERIFY2_WITH_TIMEOUT(!QFile::exists(QStringLiteral("/proc/%1").arg(preview)),
                                      qPrintable(QString::number(preview)),
                                      5000);
    }

private:
    // `lexora test` on the project, with `preview` as the preview program if given.
    ToolResult test(const QStringList &arguments, const QString &preview = {}) const
    {
        QProcessEnvironment environment = toolEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM")); // the tool must go headless itself
        if (!preview.isEmpty())
            environment.insert(QStringLiteral("LEXORA_PREVIEW_EXECUTABLE"), preview);
        return lexora(QStringList { "test", "--project", m_project->directory() } + arguments,
                      m_project->directory(),
                      environment);
    }

    std::unique_ptr<PreviewTestProject> m_project;
    QTemporaryDir m_scripts;
};

QTEST_GUILESS_MAIN(tst_LexoraTest)

#include "tst_lexoratest.moc"
