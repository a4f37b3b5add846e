#include "checkcommand.h"

#include "checkbaseline.h"
#include "lexoratool.h"
#include "terminalfeedback.h"

#include "atomicfile.h"
#include "checks/checkdatareader.h"
#include "checks/translationchecker.h"
#include "databaseio/projectdatabase.h"
#include "lexoraconstants.h"

#include <qmlproject/designproject.h>
#include <qmlproject/qmlbuildbackend.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cmath>
#include <cstdio>

namespace Lexora {

namespace {

QString tr(const char *text, const char *disambiguation = nullptr, int n = -1)
{
    return QCoreApplication::translate("Lexora", text, disambiguation, n);
}

void printOut(const QString &text)
{
    const QByteArray bytes = TerminalFeedback::printable(text).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// Texts are quoted with their control characters escaped, so that a lost
// trailing blank or line break is visible in the report.
QString quoted(const QString &text)
{
    QString result;
    result.reserve(text.size() + 2);
    result += QLatin1Char('"');
    for (const QChar character : text) {
        switch (character.unicode()) {
        case u'\n':
            result += QLatin1String("\\n");
            break;
        case u'\r':
            result += QLatin1String("\\r");
            break;
        case u'\t':
            result += QLatin1String("\\t");
            break;
        case u'"':
            result += QLatin1String("\\\"");
            break;
        case u'\\':
            result += QLatin1String("\\\\");
            break;
        default:
            result += character;
        }
    }
    result += QLatin1Char('"');
    return result;
}

const char helpText[]
    = "Usage: lexora check [--project DIR] [--languages LANG,...] [--all] [--json FILE]\n"
      "                    [--force] [--silence ID=CHECKS]...\n"
      "                    [--baseline FILE [--update-baseline]]\n"
      "\n"
      "Compares every translation of the IDs the project's QML files use (every ID\n"
      "of the database with --all) with the primary language's text and reports:\n"
      "  missing       no translation, or an empty one (error)\n"
      "  placeholders  %1..%99, %L1, %n differ; their order may differ, %1 may\n"
      "                become %L1, a plural needs %n in one form only (error)\n"
      "  accelerators  an & before a letter in one text only; (&F) counts, an &\n"
      "                among ideographs does not\n"
      "  whitespace    leading or trailing white space differs\n"
      "  linebreaks    a different number of line breaks\n"
      "  punctuation   the ending . : ? ! or ellipsis differs, as far as the\n"
      "                language's conventions tell\n"
      "  markup        rich-text tags lost, or tags added beyond formatting\n"
      "  escapes       a backslash the primary text does not have (a literal\n"
      "                \\n, a left-over \\\")\n"
      "  identical     the same text as the primary language's (untranslated?);\n"
      "                not for acronyms, names, numbers, units, URLs, or texts\n"
      "                most translators keep\n"
      "  elided        a live translation test found the text elided\n"
      "  unreadable    a QML file that cannot be read or parsed: file, line and\n"
      "                reason; the other files are still checked (error)\n"
      "Then a coverage table per language.\n"
      "\n"
      "A translation ID whose translatable metadata has the key lexora-ignore is not\n"
      "reported for the check names its value lists (\"*\" for all of them).\n"
      "\n"
      "Options:\n"
      "  -p, --project DIR       the project directory or .qmlproject file\n"
      "                          (default: the current directory)\n"
      "  --languages LANG,...    check only these project languages\n"
      "  --all                   check every ID of the database\n"
      "  --json FILE             also write the findings and the coverage as JSON\n"
      "                          (never over the database, the project file, its\n"
      "                          sources or generated files)\n"
      "  --force                 let --json replace an existing file that does not\n"
      "                          hold JSON\n"
      "  --silence ID=CHECKS     record in the database that ID is not reported for\n"
      "                          CHECKS (comma-separated, * for all, empty to report\n"
      "                          everything again), then check\n"
      "  --baseline FILE         fail only on findings FILE does not hold. When FILE\n"
      "                          does not exist, record today's findings in it and\n"
      "                          succeed; otherwise print the new findings and the\n"
      "                          baseline's findings that are gone, and exit 1 when\n"
      "                          there is a new one, whatever its severity\n"
      "  --update-baseline       record today's findings in the --baseline FILE\n"
      "                          (after fixing or accepting findings)\n"
      "\n"
      "Exit status: 0 when no finding is an error (with --baseline: when no finding\n"
      "is new), 1 when one is or the check failed, 2 for a wrong command line or a\n"
      "refused --json or --baseline file.\n";

} // namespace

CheckCommand::CheckCommand(LexoraTool &tool) : m_tool(tool) { }

bool CheckCommand::handles(const QStringList &arguments)
{
    // The command is the first argument that is neither an option nor the
    // value of one of the tool's options that take a separate value.
    for (qsizetype index = 1; index < arguments.size(); ++index) {
        const QString &argument = arguments.at(index);
        if (argument == QLatin1String("--")) {
            return arguments.value(index + 1) == QLatin1String("check");
        }
        if (argument.startsWith(QLatin1Char('-'))) {
            static const QStringList takeValue
                = { QStringLiteral("-p"),        QStringLiteral("--project"),
                    QStringLiteral("-f"),        QStringLiteral("--format"),
                    QStringLiteral("--json"),    QStringLiteral("--languages"),
                    QStringLiteral("--silence"), QStringLiteral("--baseline") };
            if (takeValue.contains(argument))
                ++index;
            continue;
        }
        return argument == QLatin1String("check");
    }
    return false;
}

int CheckCommand::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption helpOption(
        QStringList { QStringLiteral("h"), QStringLiteral("help") });
    const QCommandLineOption projectOption(
        QStringList { QStringLiteral("p"), QStringLiteral("project") },
        QString(),
        QStringLiteral("DIR"),
        QStringLiteral("."));
    const QCommandLineOption languagesOption(
        QStringLiteral("languages"), QString(), QStringLiteral("LANGUAGES"));
    const QCommandLineOption allOption(QStringLiteral("all"));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption forceOption(QStringLiteral("force"));
    const QCommandLineOption silenceOption(
        QStringLiteral("silence"), QString(), QStringLiteral("ID=CHECKS"));
    const QCommandLineOption baselineOption(
        QStringLiteral("baseline"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption updateBaselineOption(QStringLiteral("update-baseline"));
    parser.addOptions({ baselineOption, updateBaselineOption });
    parser.addOptions({ helpOption,
                        projectOption,
                        languagesOption,
                        allOption,
                        jsonOption,
                        forceOption,
                        silenceOption });

    if (!parser.parse(arguments)) {
        m_tool.fail(parser.errorText());
        return LexoraTool::UsageError;
    }
    if (parser.isSet(helpOption)) {
        printOut(QString::fromLatin1(helpText));
        return LexoraTool::Success;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        m_tool.fail(
            tr("check takes no arguments, got: %1").arg(positional.mid(1).join(QLatin1Char(' '))));
        return LexoraTool::UsageError;
    }
    QStringList requestedLanguages;
    if (parser.isSet(languagesOption)) {
        requestedLanguages
            = parser.value(languagesOption).split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (QString &language : requestedLanguages)
            language = language.trimmed();
        requestedLanguages.removeAll(QString());
        if (requestedLanguages.isEmpty()) {
            m_tool.fail(tr("--languages needs at least one language code"));
            return LexoraTool::UsageError;
        }
    }

    QList<QPair<QString, QString>> silences;
    for (const QString &value : parser.values(silenceOption)) {
        const qsizetype equals = value.indexOf(QLatin1Char('='));
        const QString id = value.left(equals);
        if (equals <= 0) {
            m_tool.fail(tr("--silence needs ID=CHECKS, got: %1").arg(value));
            return LexoraTool::UsageError;
        }
        const QStringList names = TranslationChecker::parseIgnoreList(value.mid(equals + 1));
        const QStringList known = TranslationChecker::checkNames();
        for (const QString &name : names) {
            if (name != QLatin1String("*") && !known.contains(name)) {
                m_tool.fail(tr("unknown check %1; the checks are %2")
                                .arg(name, known.join(QLatin1String(", "))));
                return LexoraTool::UsageError;
            }
        }
        silences.append({ id, names.join(QLatin1Char(',')) });
    }

    if (parser.isSet(forceOption) && !parser.isSet(jsonOption)) {
        m_tool.fail(tr("--force applies to the --json file only"));
        return LexoraTool::UsageError;
    }
    if (parser.isSet(updateBaselineOption) && !parser.isSet(baselineOption)) {
        m_tool.fail(tr("--update-baseline needs --baseline FILE"));
        return LexoraTool::UsageError;
    }

    if (!m_tool.openProject(parser.value(projectOption)))
        return LexoraTool::Failure;
    // Before anything is recorded, so that a refused name changes nothing.
    if (parser.isSet(jsonOption)
        && !m_tool.mayWrite(parser.value(jsonOption), parser.isSet(forceOption)))
        return LexoraTool::UsageError;
    const QString baselineFile = parser.value(baselineOption);
    const bool recordBaseline = parser.isSet(baselineOption)
        && (parser.isSet(updateBaselineOption) || !QFileInfo::exists(baselineFile));
    if (recordBaseline && !m_tool.mayWrite(baselineFile, false))
        return LexoraTool::UsageError;
    CheckBaseline baseline;
    if (parser.isSet(baselineOption) && !recordBaseline) {
        QString error;
        if (!baseline.load(baselineFile, &error)) {
            m_tool.fail(tr("cannot read the baseline %1: %2 (--update-baseline writes it anew)")
                            .arg(TerminalFeedback::printablePath(baselineFile), error));
            return LexoraTool::Failure;
        }
    }

    const Host::QmlProject::QmlBuildBackend *backend
        = Host::QmlProject::QmlBuildBackend::forProject(m_tool.m_project);
    const QStringList projectLanguages = backend ? backend->supportedLanguages() : QStringList();
    const QString primaryLanguage = backend ? backend->primaryLanguage() : QString();
    if (primaryLanguage.isEmpty()) {
        m_tool.fail(tr("the project %1 names no primaryLanguage to compare the translations with")
                        .arg(TerminalFeedback::printablePath(
                            m_tool.m_project->projectFilePath().toString())));
        return LexoraTool::Failure;
    }
    QStringList languages;
    if (requestedLanguages.isEmpty()) {
        languages = projectLanguages;
        languages.removeAll(primaryLanguage);
        if (languages.isEmpty()) {
            m_tool.fail(tr("the project %1 names no supportedLanguages besides its primary "
                           "language %2; there is nothing to check")
                            .arg(TerminalFeedback::printablePath(
                                     m_tool.m_project->projectFilePath().toString()),
                                 primaryLanguage));
            return LexoraTool::Failure;
        }
    } else {
        for (const QString &language : std::as_const(requestedLanguages)) {
            if (language == primaryLanguage) {
                m_tool.fail(tr("%1 is the primary language; the checks compare the other "
                               "languages with it")
                                .arg(language));
                return LexoraTool::UsageError;
            }
            if (!projectLanguages.contains(language)) {
                m_tool.fail(tr("%1 is not a language of the project (%2)")
                                .arg(language, projectLanguages.join(QLatin1String(", "))));
                return LexoraTool::UsageError;
            }
        }
        languages = requestedLanguages;
        languages.removeDuplicates();
    }

    // Opening a missing database would create an empty one: a check must not
    // leave files behind, and an empty database fails every ID anyway.
    if (!QFileInfo::exists(m_tool.databasePath().toString())) {
        m_tool.fail(tr("the project has no translation database %1; import the translations "
                       "first (lexora import FILE.json)")
                        .arg(TerminalFeedback::printablePath(m_tool.databasePath().toString())));
        return LexoraTool::Failure;
    }
    if (!m_tool.openDatabase(silences.isEmpty() ? LexoraTool::ForReading : LexoraTool::ForWriting))
        return LexoraTool::Failure;

    // Recorded as local edits, like the Translations panel's, so that later
    // imports keep them.
    try {
        DatabaseIo &io = m_tool.m_database->databaseIo();
        for (const auto &[id, names] : std::as_const(silences)) {
            const std::int64_t translatableId = io.translatableId(id.toStdString());
            if (translatableId < 0) {
                m_tool.fail(
                    tr("cannot silence checks for %1: the database has no such ID").arg(id));
                return LexoraTool::Failure;
            }
            if (names.isEmpty())
                io.removeTranslatableMetaData(translatableId, ignoreMetaDataKey);
            else
                io.setTranslatableMetaData(
                    translatableId, ignoreMetaDataKey, DatabaseValue(names.toStdString()));
        }
    } catch (const std::exception &exception) {
        m_tool.fail(tr("the translation database %1 could not be changed: %2")
                        .arg(TerminalFeedback::printablePath(m_tool.databasePath().toString()),
                             QString::fromUtf8(exception.what())));
        return LexoraTool::Failure;
    }

    const bool allIds = parser.isSet(allOption);
    std::optional<QStringList> translationIds;
    // A file that cannot be read hides its IDs, but not the others': it is an
    // error finding of its own and the check goes on.
    std::vector<CheckFinding> unreadable;
    if (!allIds) {
        QList<LexoraTool::FileProblem> problems;
        translationIds = m_tool.usedTranslationIds(&problems);
        for (const LexoraTool::FileProblem &problem : std::as_const(problems)) {
            CheckFinding &finding = unreadable.emplace_back();
            finding.check = QLatin1String(CheckNames::unreadable);
            finding.severity = severityOf(finding.check);
            finding.componentPath = problem.file;
            finding.line = problem.line;
            finding.message = problem.message;
        }
    }

    CheckReport report;
    try {
        CheckDataReader reader(m_tool.m_database->database());
        report = TranslationChecker(reader).check(primaryLanguage, languages, translationIds);
        report.findings.insert(report.findings.begin(), unreadable.begin(), unreadable.end());
    } catch (const std::exception &exception) {
        m_tool.fail(tr("the translation database %1 could not be read: %2")
                        .arg(TerminalFeedback::printablePath(m_tool.databasePath().toString()),
                             QString::fromUtf8(exception.what())));
        return LexoraTool::Failure;
    }

    if (parser.isSet(baselineOption) && !recordBaseline) {
        // Only what is new is the pipeline's business; the JSON report still
        // holds everything.
        CheckReport newOnes = report;
        newOnes.findings = baseline.newFindings(report);
        printOut(formatReport(newOnes, allIds));
        const QStringList gone = baseline.goneKeys(report);
        if (!gone.isEmpty()) {
            printOut(tr("%n finding(s) of the baseline are gone:\n", nullptr, int(gone.size())));
            for (const QString &finding : gone)
                printOut(QStringLiteral("    %1\n").arg(finding));
            printOut(tr("(--update-baseline records that)\n"));
        }
        printOut(
            tr("%n new finding(s) since the baseline %1", nullptr, int(newOnes.findings.size()))
                .arg(TerminalFeedback::printablePath(baselineFile))
            + tr(" (%n in it)\n", nullptr, baseline.size()));
    } else {
        printOut(formatReport(report, allIds));
    }
    if (recordBaseline) {
        QString error;
        if (!AtomicFile::writeFile(baselineFile, CheckBaseline::serialize(report), &error)) {
            m_tool.fail(tr("cannot write the baseline %1: %2")
                            .arg(TerminalFeedback::printablePath(baselineFile), error));
            return LexoraTool::Failure;
        }
        printOut(tr("Recorded %n finding(s) as the baseline %1; runs with --baseline fail only "
                    "on findings it does not hold.\n",
                    nullptr,
                    int(report.findings.size()))
                     .arg(TerminalFeedback::printablePath(baselineFile)));
    }

    if (parser.isSet(jsonOption)) {
        const QString jsonFile = parser.value(jsonOption);
        QString error;
        if (!AtomicFile::writeFile(
                jsonFile, report.toJson().toJson(QJsonDocument::Indented), &error)) {
            m_tool.fail(tr("cannot write the report %1: %2")
                            .arg(TerminalFeedback::printablePath(jsonFile), error));
            return LexoraTool::Failure;
        }
    }

    if (recordBaseline)
        return LexoraTool::Success;
    if (parser.isSet(baselineOption))
        return baseline.newFindings(report).empty() ? LexoraTool::Success : LexoraTool::Failure;
    return report.errorCount() == 0 ? LexoraTool::Success : LexoraTool::Failure;
}

QString CheckCommand::formatReport(const CheckReport &report, bool allIds)
{
    QString text;
    QString language;
    QString check;
    bool first = true;
    for (const CheckFinding &finding : report.findings) {
        if (finding.check != QLatin1String(CheckNames::unreadable))
            continue;
        if (first)
            text += tr("QML files that could not be read (error):\n");
        first = false;
        const QString where = finding.componentPath.isEmpty()
            ? QString()
            : TerminalFeedback::printablePath(finding.componentPath) + QLatin1Char(':')
                + QString::number(finding.line) + QLatin1String(": ");
        text += QStringLiteral("    %1%2\n").arg(where, finding.message);
    }
    if (!first)
        text += QLatin1Char('\n');
    first = true;
    for (const CheckFinding &finding : report.findings) {
        if (finding.check == QLatin1String(CheckNames::unreadable))
            continue;
        if (first || finding.language != language) {
            language = finding.language;
            check.clear();
            if (!first)
                text += QLatin1Char('\n');
            text += language.isEmpty() ? tr("Live translation test (all tested languages):\n")
                                       : tr("Language %1:\n").arg(language);
        }
        if (first || finding.check != check) {
            check = finding.check;
            text
                += QStringLiteral("  %1 (%2)\n")
                       .arg(check,
                            finding.severity == CheckSeverity::Error ? tr("error") : tr("warning"));
        }
        first = false;
        if (!finding.componentPath.isEmpty()) {
            text += finding.state.isEmpty()
                ? tr("    %1: elided in %2\n")
                      .arg(finding.translationId,
                           TerminalFeedback::printablePath(finding.componentPath))
                : tr("    %1: elided in %2, state %3\n")
                      .arg(finding.translationId,
                           TerminalFeedback::printablePath(finding.componentPath),
                           finding.state);
            continue;
        }
        text += QStringLiteral("    %1\n").arg(finding.translationId);
        text += QStringLiteral("      %1: %2\n")
                    .arg(report.primaryLanguage, quoted(finding.primaryText));
        text += QStringLiteral("      %1: %2\n")
                    .arg(finding.language,
                         finding.check == QLatin1String(CheckNames::missing)
                                 && finding.translation.isEmpty()
                             ? tr("(none)")
                             : quoted(finding.translation));
    }
    if (!first)
        text += QLatin1Char('\n');

    text += allIds ? tr("Coverage of every ID in the database (primary language %1):\n")
                         .arg(report.primaryLanguage)
                   : tr("Coverage of the IDs the project's QML files use (primary language %1):\n")
                         .arg(report.primaryLanguage);
    text += QStringLiteral("  %1 %2 %3 %4 %5\n")
                .arg(tr("language"), -10)
                .arg(tr("used"), 8)
                .arg(tr("translated"), 11)
                .arg(tr("missing"), 8)
                .arg(tr("translated %"), 13);
    for (const LanguageCoverage &coverage : report.coverage) {
        // Rounded down, so that 99.96 % never reads as complete.
        const double percent = std::floor(coverage.percentTranslated() * 10.0) / 10.0;
        text += QStringLiteral("  %1 %2 %3 %4 %5\n")
                    .arg(coverage.language, -10)
                    .arg(coverage.used, 8)
                    .arg(coverage.translated, 11)
                    .arg(coverage.missing, 8)
                    .arg(percent, 13, 'f', 1);
    }
    const int errors = report.errorCount();
    const int warnings = int(report.findings.size()) - errors;
    text += QLatin1Char('\n') + tr("%n error(s)", nullptr, errors) + QLatin1String(", ")
        + tr("%n warning(s)", nullptr, warnings) + QLatin1Char('\n');
    return text;
}

} // namespace Lexora
