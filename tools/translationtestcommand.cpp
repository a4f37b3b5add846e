#include "translationtestcommand.h"

#include "atomicfile.h"
#include "databaseio/databaseiointerface.h"
#include "interruptionwatcher.h"
#include "terminalfeedback.h"
#include "testprogress.h"
#include "translationtests/headlesstranslationtest.h"
#include "translationtests/qmldebugtranslationrunner.h"
#include "translationtests/qmlfilelistmodel.h"
#include "translationtests/translationtestresults.h"
#include "translationtests/visualreport.h"

#include <extensionsystem/pluginhost.h>
#include <preview/previewplugin.h>
#include <qmlproject/designproject.h>
#include <qmlproject/qmlbuildbackend.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QUrl>

#include <cstdio>
#include <tuple>

namespace Lexora {

namespace {

QString tr(const char *text, const char *disambiguation = nullptr, int n = -1)
{
    return QCoreApplication::translate("Lexora", text, disambiguation, n);
}

void printOut(const QString &text)
{
    TerminalFeedback::printLine(text);
}

void printError(const QString &text)
{
    const QByteArray bytes
        = TerminalFeedback::printable(QLatin1String("lexora: ") + text).toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

struct Location
{
    QString path;
    int line = 0;
    int column = 0;

    friend bool operator<(const Location &a, const Location &b)
    {
        return std::tie(a.path, a.line, a.column) < std::tie(b.path, b.line, b.column);
    }
};

} // namespace

TranslationTestCommand::TranslationTestCommand(Host::QmlProject::DesignProject *project,
                                               DatabaseIoInterface *database)
    : m_project(project), m_database(database)
{ }

void TranslationTestCommand::setPseudoLocales(const QStringList &codes, const QString &directory)
{
    m_pseudoLocales = codes;
    m_pseudoDirectory = directory;
}

TranslationTestCommand::Result TranslationTestCommand::run(const QStringList &arguments,
                                                           std::chrono::seconds silenceLimit)
{
    const Host::QmlProject::QmlBuildBackend *backend
        = Host::QmlProject::QmlBuildBackend::forProject(m_project);
    const bool pseudo = !m_pseudoLocales.isEmpty();
    const QStringList languages = pseudo ? m_pseudoLocales
        : backend                        ? backend->supportedLanguages()
                                         : QStringList();
    if (languages.isEmpty()) {
        printError(tr("the project names no supportedLanguages; there is nothing to test"));
        return Failed;
    }

    QList<Host::Utils::Path> files;
    if (arguments.isEmpty()) {
        files = QmlFileListModel::testableFiles(m_project);
    } else {
        for (const QString &argument : arguments) {
            const QFileInfo info(argument);
            if (!info.isFile()) {
                printError(tr("%1 is not a file").arg(TerminalFeedback::printablePath(argument)));
                return Failed;
            }
            files.append(Host::Utils::Path::fromString(info.absoluteFilePath()));
        }
    }
    files.removeIf(
        [this](const Host::Utils::Path &file) { return m_skippedFiles.contains(file.toString()); });
    if (files.isEmpty()) {
        printError(tr("the project has no UI files to test"));
        return Failed;
    }
    const QString projectDirectory = m_project->projectDirectory().toString();
    // Findings in made-up languages are no findings of the project's: they
    // neither replace what the database holds nor the project's report.
    const QString reportPath = projectDirectory
        + (pseudo ? QLatin1String("/translation_report_pseudo.json")
                  : QLatin1String("/translation_report_project.json"));
    // Found out before a test of many minutes, not after it.
    if (const QString link = AtomicFile::linkLeavingDirectory(reportPath, projectDirectory);
        !link.isEmpty()) {
        printError(tr("%1 is a symbolic link that leads out of the project; the report is not "
                      "written through it")
                       .arg(TerminalFeedback::printablePath(link)));
        return Failed;
    }

    // The tool has no studio around it: it hosts the live preview itself.
    Host::Plugins::PluginHost pluginHost;
    pluginHost.setPluginPaths({});
    Host::Preview::PreviewPlugin preview;
    pluginHost.addPlugin(&preview, Host::Preview::PreviewPlugin::metaData());
    pluginHost.loadPlugins();
    preview.setHeadless(true);
    for (const QString &code : std::as_const(m_pseudoLocales)) {
        preview.setTranslationDirectory(
            code, Host::Utils::Path::fromString(QDir(m_pseudoDirectory).filePath(code)));
    }

    HeadlessTranslationTest test;
    test.setJobs(m_jobs);
    TestProgress progress;
    test.setFileDoneCallback([&progress](int done, int total) { progress.fileDone(done, total); });
    HeadlessTranslationTest::Outcome outcome;
    {
        // Stopping the previews ends the run; they must not outlive the tool.
        InterruptionWatcher interruption([&test](int) { test.stop(); });
        progress.start();
        outcome = test.run(m_project, files, languages, std::chrono::milliseconds(silenceLimit));
        m_signal = interruption.signal();
    }
    progress.finish();
    pluginHost.shutdown();
    if (m_signal != 0) {
        printError(tr("interrupted; the translation test was stopped and nothing was stored"));
        return Interrupted;
    }

    const QDir base(projectDirectory);
    const auto shown = [&base](const QString &path) {
        return TerminalFeedback::printablePath(base.relativeFilePath(path));
    };
    const auto readable = [&projectDirectory](const QString &line) {
        return QmlDebugTranslationRunner::readableError(line, projectDirectory);
    };
    const auto printFailure = [&](const QString &failure) {
        const QStringList lines = failure.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString &line : lines.mid(1))
            printError(QLatin1String("  ") + readable(line));
    };
    // What a run that did not end had found: printed for the user, stored nowhere.
    const auto printPartial = [&] {
        const QList<TranslationTestResults::Finding> found
            = TranslationTestResults::findings(test.partialResultJson());
        if (found.isEmpty())
            return;
        printOut(tr("Found before the test stopped (not stored):"));
        for (const TranslationTestResults::Finding &finding : found) {
            printOut(
                QStringLiteral("  %1:%2:%3: %4 (%5)")
                    .arg(shown(finding.componentPath))
                    .arg(finding.line)
                    .arg(finding.column)
                    .arg(finding.translationId, finding.missing ? tr("missing") : tr("elided")));
        }
    };
    switch (outcome) {
    case HeadlessTranslationTest::Outcome::Completed:
        break;
    case HeadlessTranslationTest::Outcome::TimedOut:
        printError(tr("the preview did not answer for %n second(s); the translation test was "
                      "stopped and nothing was stored",
                      nullptr,
                      int(silenceLimit.count())));
        printFailure(test.failure());
        printPartial();
        return TimedOut;
    case HeadlessTranslationTest::Outcome::Stopped:
        printError(tr("the preview stopped before the translation test ended (%1); nothing was "
                      "stored")
                       .arg(preview.previewExecutable().isEmpty() ? tr("no preview program")
                                                                  : preview.previewExecutable()));
        printFailure(test.failure());
        printPartial();
        return Failed;
    case HeadlessTranslationTest::Outcome::None:
    case HeadlessTranslationTest::Outcome::Running:
    case HeadlessTranslationTest::Outcome::NotStarted:
        printError(tr("no preview could be started for %1: %2")
                       .arg(m_project->projectFilePath().toUserOutput(),
                            test.failure().section(QLatin1Char('\n'), 0, 0)));
        return Failed;
    }

    // A screen the preview could not show was not tested: an error, never a pass.
    QSet<QString> notShown;
    for (const HeadlessTranslationTest::LoadFailure &failure : test.loadFailures()) {
        notShown.insert(failure.file.toString());
        printError(tr("%1 could not be shown in the preview:").arg(shown(failure.file.toString())));
        for (const QString &message : failure.messages)
            printError(QLatin1String("  ") + readable(message));
    }

    const QByteArray result = test.resultJson();
    try {
        if (!pseudo)
            TranslationTestResults::storeScreenMetaData(m_database, result);
    } catch (const std::exception &exception) {
        printError(tr("cannot add screen metadata to the database: %1")
                       .arg(QString::fromUtf8(exception.what())));
        return Failed;
    }
    if (QString error; !TranslationTestResults::writeReport(reportPath, result, &error)) {
        printError(tr("cannot write the report %1: %2")
                       .arg(TerminalFeedback::printablePath(reportPath), error));
        return Failed;
    }

    // Counts per file and language come from the issues, which know the
    // language; the names of the texts from the result's records.
    QMap<Location, QString> idAt;
    for (const TranslationTestResults::Finding &finding : TranslationTestResults::findings(result))
        idAt.insert({ finding.componentPath, finding.line, finding.column }, finding.translationId);
    QMap<Location, QStringList> missingAt;
    QMap<Location, QStringList> elidedAt;
    for (const TranslationIssue &issue : test.languageIssues()) {
        const Location location { issue.url.toLocalFile(), issue.line, issue.column };
        QStringList &languagesOfIssue = (issue.type == 0 ? missingAt : elidedAt)[location];
        if (!languagesOfIssue.contains(issue.language))
            languagesOfIssue.append(issue.language);
    }

    printOut(tr("Translation test of %n file(s)", nullptr, int(files.size()))
             + tr(" in %n language(s):", nullptr, int(languages.size())));
    for (const Host::Utils::Path &file : std::as_const(files)) {
        if (notShown.contains(file.toString())) {
            printOut(QStringLiteral("  %1: %2").arg(shown(file.toString()), tr("not shown")));
            continue;
        }
        for (const QString &language : languages) {
            int missing = 0;
            int elided = 0;
            for (auto it = missingAt.cbegin(); it != missingAt.cend(); ++it)
                missing += it.key().path == file.toString() && it->contains(language) ? 1 : 0;
            for (auto it = elidedAt.cbegin(); it != elidedAt.cend(); ++it)
                elided += it.key().path == file.toString() && it->contains(language) ? 1 : 0;
            printOut(QStringLiteral("  %1 [%2]: %3, %4")
                         .arg(shown(file.toString()),
                              language,
                              tr("%n missing", nullptr, missing),
                              tr("%n elided", nullptr, elided)));
        }
    }
    const auto list = [&](const QMap<Location, QStringList> &found, const QString &title) {
        if (found.isEmpty())
            return;
        printOut(title);
        for (auto it = found.cbegin(); it != found.cend(); ++it) {
            printOut(QStringLiteral("  %1:%2:%3: %4 (%5)")
                         .arg(shown(it.key().path))
                         .arg(it.key().line)
                         .arg(it.key().column)
                         .arg(idAt.value(it.key(), tr("<unknown text>")),
                              it->join(QLatin1String(", "))));
        }
    };
    list(missingAt, tr("Missing translations:"));
    list(elidedAt, tr("Elided texts:"));
    printOut(tr("Report: %1").arg(TerminalFeedback::printablePath(reportPath)));
    if (!m_visualReportDirectory.isEmpty()) {
        const QString directory = QFileInfo(m_visualReportDirectory).absoluteFilePath();
        VisualReport visualReport(projectDirectory, languages);
        visualReport.setResult(result, test.languageIssues());
        for (const QString &code : std::as_const(m_pseudoLocales))
            visualReport.setTranslationDirectory(code, QDir(m_pseudoDirectory).filePath(code));
        QList<Host::Utils::Path> drawn = files;
        drawn.removeIf([&notShown](const Host::Utils::Path &file) {
            return notShown.contains(file.toString());
        });
        if (!visualReport.write(drawn, directory)) {
            printError(tr("cannot write the visual report: %1").arg(visualReport.errorString()));
            return Failed;
        }
        for (const QString &language : visualReport.unloadedLanguages())
            printError(tr("i18n/qml_%1.qm could not be loaded; the pictures in %1 show the texts "
                          "as written")
                           .arg(language));
        printOut(tr("Visual report: %1 (%n picture(s))", nullptr, visualReport.pictureCount())
                     .arg(TerminalFeedback::printablePath(
                         QDir(directory).filePath(QStringLiteral("index.html")))));
    }
    if (!notShown.isEmpty())
        return Failed;
    return missingAt.isEmpty() && elidedAt.isEmpty() ? Clean : Findings;
}

} // namespace Lexora
