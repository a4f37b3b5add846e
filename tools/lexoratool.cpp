#include "lexoratool.h"

#include "checkcommand.h"
#include "linguistimportcommand.h"
#include "outputtarget.h"
#include "problemrecorder.h"
#include "terminalfeedback.h"
#include "translationfilesummary.h"
#include "translationtestcommand.h"

#include "atomicfile.h"
#include "databaseio/projectdatabase.h"
#include "exception.h"
#include "fileservices.h"
#include "generationrunner.h"
#include "jsonimportexport.h"
#include "lexoraconstants.h"
#include "linguistimport.h"
#include "pseudolocale.h"
#include "pseudotranslationfiles.h"
#include "translationfileservices.h"
#include "writetranslationfiles.h"

#include <projects/session.h>
#include <qmlproject/designproject.h>
#include <qmlproject/qmlbuildbackend.h>
#include <sqlite/sqlitedatabase.h>
#include <sqlite/sqliteexception.h>

#include <sqlite3.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <mutex>

#include <sys/stat.h>

namespace Lexora {

namespace {

QString tr(const char *text, const char *disambiguation = nullptr, int n = -1)
{
    return QCoreApplication::translate("Lexora", text, disambiguation, n);
}

QString shownPath(const QString &path)
{
    return TerminalFeedback::printablePath(path);
}

void printOut(const QString &text)
{
    TerminalFeedback::printLine(text);
}

const char description[]
    = "Manages the translations of a QML project: its translation database\n"
      "(translations.db in the project directory) and its translation files.\n"
      "\n"
      "  lexora import FILE.json [-p DIR] [--dry-run] [--force]\n"
      "                [--ignore-unknown-members]\n"
      "  lexora import FILE.ts... [-p DIR] [--unfinished] [--dry-run]\n"
      "  lexora export FILE.json [-p DIR] [--used | --ids ID...] [--force]\n"
      "  lexora generate [-p DIR] [--format qm|ts|all] [--keep-going] [--strict]\n"
      "                  [--allow-empty]\n"
      "  lexora test [FILE...] [-p DIR] [--timeout SECONDS] [--allow-empty]\n"
      "              [--html DIR]\n"
      "              [--jobs N] [--pseudo [--pseudo-expansion PERCENT]]\n"
      "  lexora check [-p DIR] [--languages LANG,...] [--all] [--json FILE]\n"
      "               [--force] [--silence ID=CHECKS]...\n"
      "\n"
      "Commands:\n"
      "  import FILE.json   import a JSON translation file and synchronise the\n"
      "                     database with it, keeping local edits; prints what\n"
      "                     changed (--dry-run: what would change, changing\n"
      "                     nothing). A file without IDs needs --force;\n"
      "                     unknown members of an ID or translation object\n"
      "                     refuse the file unless --ignore-unknown-members\n"
      "  import FILE.ts...  take the translations of Qt Linguist files into the\n"
      "                     database as local edits: finished ones (--unfinished:\n"
      "                     unfinished ones too), in the language each file names;\n"
      "                     IDs and translations the files lack stay as they are\n"
      "  export FILE.json   export the database to a JSON translation file\n"
      "                     (all IDs, --used or --ids ID...)\n"
      "  generate           write i18n/qml_<language>.qm and .ts for every\n"
      "                     supported language of the project; when a QML file\n"
      "                     or folder cannot be read or parsed nothing is\n"
      "                     written (--keep-going writes what could be read)\n"
      "  test [FILE...]     generate the .qm files, run the translation test of\n"
      "                     the project's UI files (or of the FILEs) in every\n"
      "                     supported language in a headless preview, store the\n"
      "                     findings and write translation_report_project.json;\n"
      "                     a QML file that cannot be read or parsed is reported\n"
      "                     as an error and the other files are still tested;\n"
      "                     --html DIR draws every screen in every state and\n"
      "                     language with its findings framed into DIR, with\n"
      "                     an index.html showing them side by side;\n"
      "                     --jobs N runs N previews side by side (default: one\n"
      "                     per core); --pseudo tests the pseudo locales\n"
      "                     qps-ploc (accented, longer texts in brackets) and\n"
      "                     qps-plocm (the same right to left), made from the\n"
      "                     primary language's texts, instead: it finds texts\n"
      "                     that will not fit before any translation exists,\n"
      "                     stores nothing and writes translation_report_pseudo.json\n"
      "  check              report missing and suspicious translations and the\n"
      "                     coverage per language (lexora check --help)\n"
      "\n"
      "An option of another command is a command-line error. export and\n"
      "check --json never replace the translation database, the project file,\n"
      "its QML and JavaScript sources or the files in i18n, nor (without\n"
      "--force) an existing file that does not hold JSON. generate and test\n"
      "refuse a project without translations.db or without QML files unless\n"
      "--allow-empty is given.\n"
      "\n"
      "Exit status: 0 on success, 1 when the command failed or reported an\n"
      "error (check: found an error; test: a screen whose QML did not load, a\n"
      "preview that could not start or stopped before the test ended), 2 for\n"
      "a wrong command line or a refused output file, 3 when the test found\n"
      "missing or elided texts, 4 when the preview stopped answering during\n"
      "the test. A test that did not end stores nothing; it prints the\n"
      "preview's errors and what it had found. Warnings (messages without an\n"
      "ID) do not change it unless --strict is given.";

// Which file a path names, if it names a regular file. Translation files are
// written under a temporary name and renamed into place, so a file this run
// wrote is never the file that was there before: comparing identities tells the
// run's output from files an earlier run left behind.
struct FileIdentity
{
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;

    bool operator==(const FileIdentity &) const = default;
};

FileIdentity identityOf(const QString &path)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    return { true, status.st_dev, status.st_ino };
}

} // namespace

void LexoraTool::printChanges(const SyncSummary &summary)
{
    printOut(tr("  translation IDs: %1 added, %2 changed, %3 removed")
                 .arg(summary.idsAdded)
                 .arg(summary.idsChanged)
                 .arg(summary.idsRemoved));
    printOut(tr("  translations: %1 added, %2 changed, %3 removed")
                 .arg(summary.translationsAdded)
                 .arg(summary.translationsChanged)
                 .arg(summary.translationsRemoved));
}

bool isLockedError(const std::exception &exception)
{
    const auto *sqliteException = dynamic_cast<const Host::Sqlite::Exception *>(&exception);
    if (!sqliteException)
        return false;
    const int primary = sqliteException->errorCode() & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

QString lockedText(const QString &databasePath)
{
    return tr("the translation database %1 is locked by another process (an import or the "
              "studio writing to it); gave up after waiting %2 seconds. Try again when it "
              "has finished.")
        .arg(shownPath(databasePath),
             QString::number(Host::Sqlite::Database::busyTimeoutMilliseconds / 1000));
}

LexoraTool::LexoraTool() : m_feedback(std::make_unique<TerminalFeedback>()) { }

LexoraTool::~LexoraTool()
{
    m_database.reset();
    if (m_project)
        Host::Projects::Session::instance()->removeProject(m_project);
}

void LexoraTool::fail(const QString &message) const
{
    const QByteArray bytes
        = TerminalFeedback::printable(QLatin1String("lexora: ") + message).toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

int LexoraTool::run(const QStringList &arguments)
{
    if (CheckCommand::handles(arguments))
        return CheckCommand(*this).run(arguments);

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(description));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"),
                                 tr("import, export, generate, test or check"));
    parser.addPositionalArgument(QStringLiteral("file"),
                                 tr("The JSON file of import and export"),
                                 QStringLiteral("[FILE.json]"));
    const QCommandLineOption projectOption(
        { QStringLiteral("p"), QStringLiteral("project") },
        tr("The project: a directory holding one .qmlproject file, or a .qmlproject file. "
           "Default: the current directory."),
        QStringLiteral("DIR"),
        QStringLiteral("."));
    const QCommandLineOption formatOption({ QStringLiteral("f"), QStringLiteral("format") },
                                          tr("generate: qm, ts or all (default)."),
                                          QStringLiteral("FORMAT"),
                                          QStringLiteral("all"));
    const QCommandLineOption usedOption(QStringLiteral("used"),
                                        tr("export: only the IDs the project's QML files use."));
    const QCommandLineOption idsOption(
        QStringLiteral("ids"),
        tr("export: only the IDs given as the remaining arguments (ID...)."));
    const QCommandLineOption forceOption(
        QStringLiteral("force"),
        tr("export: replace an existing file that does not hold JSON. The project's own files "
           "are never replaced. import: also import a file without translation IDs, which "
           "removes every ID of the database that no local edit keeps."));
    const QCommandLineOption ignoreUnknownOption(
        QStringLiteral("ignore-unknown-members"),
        tr("import: accept translatable and translation objects with members other than trId, "
           "translations, language and translation, ignoring those (by default such a file, "
           "often a misspelt member, is refused)."));
    const QCommandLineOption dryRunOption(
        QStringLiteral("dry-run"),
        tr("import: synchronise in a transaction that is rolled back and print what would "
           "change; the database stays as it is."));
    const QCommandLineOption unfinishedOption(
        QStringLiteral("unfinished"), tr("import of .ts files: take unfinished translations too."));
    const QCommandLineOption keepGoingOption(
        QStringLiteral("keep-going"),
        tr("generate: write the files even when a QML file or folder could not be read or "
           "parsed (its messages are then missing); the exit status is still 1."));
    const QCommandLineOption strictOption(
        QStringLiteral("strict"),
        tr("generate: treat warnings (messages without an ID) as errors."));
    const QCommandLineOption allowEmptyOption(
        QStringLiteral("allow-empty"),
        tr("generate, test: write the translation files also when the project has no "
           "translation database (every text untranslated) or no QML files (no texts)."));
    const QCommandLineOption timeoutOption(
        QStringLiteral("timeout"),
        tr("test: stop when the preview does not answer for this many seconds (default 120)."),
        QStringLiteral("SECONDS"),
        QStringLiteral("120"));
    const QCommandLineOption htmlOption(
        QStringLiteral("html"),
        tr("test: draw the tested screens with their findings into DIR, with an index.html."),
        QStringLiteral("DIR"));
    const QCommandLineOption jobsOption(
        QStringLiteral("jobs"),
        tr("test: how many previews test files side by side (default: the number of cores)."),
        QStringLiteral("N"),
        QString::number(std::max(1, QThread::idealThreadCount())));
    const QCommandLineOption pseudoOption(
        QStringLiteral("pseudo"),
        tr("test: test the pseudo locales qps-ploc and qps-plocm, generated from the primary "
           "language's texts, instead of the project's languages."));
    const QCommandLineOption pseudoExpansionOption(
        QStringLiteral("pseudo-expansion"),
        tr("test --pseudo: how much longer the pseudo texts are, in percent (default 40)."),
        QStringLiteral("PERCENT"),
        QString::number(PseudoLocale::defaultExpansion));
    const QList<QCommandLineOption> options {
        projectOption, formatOption,        usedOption,      idsOption,    forceOption,
        dryRunOption,  unfinishedOption,    keepGoingOption, strictOption, allowEmptyOption,
        timeoutOption, ignoreUnknownOption, jobsOption,      pseudoOption, pseudoExpansionOption,
        htmlOption
    };
    parser.addOptions(options);

    if (!parser.parse(arguments)) {
        fail(parser.errorText());
        return UsageError;
    }
    // --help-all is listed by --help; the Qt options it would add do not apply
    // to a tool without a window, so both show the same text.
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        printOut(parser.helpText());
        return Success;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        printOut(QCoreApplication::applicationName() + QLatin1Char(' ')
                 + QCoreApplication::applicationVersion());
        return Success;
    }

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        fail(tr("no command given; use import, export, generate, test or check (see --help)"));
        return UsageError;
    }
    const QString command = positional.takeFirst();

    // An option of another command would be ignored: the user would believe
    // it did something.
    static const QMap<QString, QStringList> optionsOfCommand {
        { QStringLiteral("import"),
          { QStringLiteral("project"),
            QStringLiteral("dry-run"),
            QStringLiteral("force"),
            QStringLiteral("ignore-unknown-members"),
            QStringLiteral("unfinished") } },
        { QStringLiteral("export"),
          { QStringLiteral("project"),
            QStringLiteral("used"),
            QStringLiteral("ids"),
            QStringLiteral("force") } },
        { QStringLiteral("generate"),
          { QStringLiteral("project"),
            QStringLiteral("format"),
            QStringLiteral("keep-going"),
            QStringLiteral("strict"),
            QStringLiteral("allow-empty") } },
        { QStringLiteral("test"),
          { QStringLiteral("project"),
            QStringLiteral("timeout"),
            QStringLiteral("allow-empty"),
            QStringLiteral("html"),
            QStringLiteral("jobs"),
            QStringLiteral("pseudo"),
            QStringLiteral("pseudo-expansion") } },
    };
    const auto known = optionsOfCommand.constFind(command);
    if (known == optionsOfCommand.cend()) {
        fail(tr("unknown command %1; use import, export, generate, test or check (see --help)")
                 .arg(command));
        return UsageError;
    }
    for (const QCommandLineOption &option : options) {
        const QString name = option.names().constLast();
        if (parser.isSet(option) && !known->contains(name)) {
            fail(tr("--%1 does not apply to %2 (see --help)").arg(name, command));
            return UsageError;
        }
    }

    if (command == QLatin1String("generate") || command == QLatin1String("test")) {
        int timeout = 0;
        TestOptions testOptions;
        if (command == QLatin1String("generate")) {
            if (!positional.isEmpty()) {
                fail(tr("generate takes no arguments, got: %1")
                         .arg(positional.join(QLatin1Char(' '))));
                return UsageError;
            }
            const QString format = parser.value(formatOption);
            if (format != QLatin1String("qm") && format != QLatin1String("ts")
                && format != QLatin1String("all")) {
                fail(tr("unknown format %1; use qm, ts or all").arg(format));
                return UsageError;
            }
        } else {
            bool validTimeout = false;
            timeout = parser.value(timeoutOption).toInt(&validTimeout);
            if (!validTimeout || timeout <= 0) {
                fail(tr("--timeout needs a positive number of seconds, got: %1")
                         .arg(parser.value(timeoutOption)));
                return UsageError;
            }
            bool validJobs = false;
            testOptions.jobs = parser.value(jobsOption).toInt(&validJobs);
            if (!validJobs || testOptions.jobs <= 0) {
                fail(tr("--jobs needs a positive number, got: %1").arg(parser.value(jobsOption)));
                return UsageError;
            }
            if (parser.isSet(pseudoExpansionOption) && !parser.isSet(pseudoOption)) {
                fail(tr("--pseudo-expansion applies to --pseudo only"));
                return UsageError;
            }
            bool validExpansion = false;
            testOptions.pseudo = parser.isSet(pseudoOption);
            testOptions.pseudoExpansion
                = parser.value(pseudoExpansionOption).toInt(&validExpansion);
            if (!validExpansion || testOptions.pseudoExpansion < 0
                || testOptions.pseudoExpansion > 300) {
                fail(tr("--pseudo-expansion needs a percentage from 0 to 300, got: %1")
                         .arg(parser.value(pseudoExpansionOption)));
                return UsageError;
            }
        }
        if (!openProject(parser.value(projectOption))
            || (!parser.isSet(allowEmptyOption) && !hasTranslationsToWrite())
            || !openDatabase(command == QLatin1String("test") ? ForWriting : ForReading))
            return Failure;
        if (command == QLatin1String("test")) {
            testOptions.htmlDirectory = parser.value(htmlOption);
            return test(positional, timeout, testOptions);
        }
        return generate(
            parser.value(formatOption), parser.isSet(keepGoingOption), parser.isSet(strictOption));
    }

    if (positional.isEmpty()) {
        fail(tr("%1 needs the JSON file: lexora %1 FILE.json --project DIR").arg(command));
        return UsageError;
    }
    const QString jsonFile = positional.takeFirst();
    const bool linguist = LinguistImport::isLinguistFile(jsonFile);
    if (parser.isSet(unfinishedOption) && !linguist) {
        fail(tr("--unfinished applies to the import of .ts files only"));
        return UsageError;
    }
    if (command == QLatin1String("import") && linguist) {
        if (parser.isSet(forceOption) || parser.isSet(ignoreUnknownOption)) {
            fail(tr("--force and --ignore-unknown-members apply to the import of JSON files"));
            return UsageError;
        }
        QStringList tsFiles = positional;
        tsFiles.prepend(jsonFile);
        if (!std::all_of(tsFiles.cbegin(), tsFiles.cend(), &LinguistImport::isLinguistFile)) {
            fail(tr("import takes one JSON file or any number of .ts files"));
            return UsageError;
        }
        if (!openProject(parser.value(projectOption)))
            return Failure;
        return LinguistImportCommand(*this).run(
            tsFiles, parser.isSet(dryRunOption), parser.isSet(unfinishedOption));
    }
    if (command == QLatin1String("import")) {
        if (!positional.isEmpty()) {
            fail(tr("import takes one JSON file, got also: %1")
                     .arg(positional.join(QLatin1Char(' '))));
            return UsageError;
        }
        if (!openProject(parser.value(projectOption)))
            return Failure;
        return importJson(jsonFile,
                          parser.isSet(dryRunOption),
                          parser.isSet(forceOption),
                          parser.isSet(ignoreUnknownOption));
    }

    const bool usedOnly = parser.isSet(usedOption);
    const bool byIds = parser.isSet(idsOption);
    if (usedOnly && byIds) {
        fail(tr("--used and --ids exclude each other"));
        return UsageError;
    }
    if (byIds && positional.isEmpty()) {
        fail(tr("--ids needs at least one translation ID"));
        return UsageError;
    }
    if (!byIds && !positional.isEmpty()) {
        fail(tr("unexpected arguments: %1").arg(positional.join(QLatin1Char(' '))));
        return UsageError;
    }
    if (!openProject(parser.value(projectOption)))
        return Failure;
    if (!mayWrite(jsonFile, parser.isSet(forceOption)))
        return UsageError;
    if (!openDatabase(ForReading))
        return Failure;
    return exportJson(jsonFile, usedOnly, positional);
}

bool LexoraTool::mayWrite(const QString &file, bool force) const
{
    const QString refusal
        = OutputTarget(m_project->projectDirectory().toString(), databasePath().toString())
              .refusal(file, force);
    if (refusal.isEmpty())
        return true;
    fail(tr("refusing to write %1: %2").arg(shownPath(file), refusal));
    return false;
}

bool LexoraTool::hasTranslationsToWrite() const
{
    // Either would replace good translation files with untranslated ones and
    // still count as success.
    if (!QFileInfo::exists(databasePath().toString())) {
        fail(tr("the project has no translation database %1; import the translations first "
                "(lexora import FILE.json), or give --allow-empty to write every text "
                "untranslated")
                 .arg(shownPath(databasePath().toString())));
        return false;
    }
    const Host::Utils::Paths qmlFiles
        = m_project->files([](const Host::Utils::Path &path) { return path.endsWith(u".qml"); });
    if (qmlFiles.isEmpty() && m_project->fileProblems().isEmpty()) {
        fail(tr("the project %1 has no QML files, so the translation files would hold no "
                "texts; check its QmlFiles folders, or give --allow-empty")
                 .arg(shownPath(m_project->projectFilePath().toString())));
        return false;
    }
    return true;
}

bool LexoraTool::openProject(const QString &location)
{
    const QFileInfo info(location);
    QString projectFile;
    if (!info.exists()) {
        fail(tr("the project %1 does not exist").arg(shownPath(location)));
        return false;
    }
    if (info.isDir()) {
        const QStringList candidates
            = QDir(location).entryList({ QStringLiteral("*.qmlproject") }, QDir::Files, QDir::Name);
        if (candidates.isEmpty()) {
            fail(tr("no project in %1: the directory holds no .qmlproject file")
                     .arg(shownPath(info.absoluteFilePath())));
            return false;
        }
        if (candidates.size() > 1) {
            fail(
                tr("%1 holds several .qmlproject files (%2); name one with --project")
                    .arg(shownPath(info.absoluteFilePath()), candidates.join(QLatin1String(", "))));
            return false;
        }
        projectFile = QDir(info.absoluteFilePath()).filePath(candidates.constFirst());
    } else {
        projectFile = info.absoluteFilePath();
    }

    QString error;
    std::unique_ptr<Host::QmlProject::DesignProject> project
        = Host::QmlProject::DesignProject::open(Host::Utils::Path::fromString(projectFile), &error);
    if (!project) {
        fail(tr("cannot read the project file %1: %2").arg(shownPath(projectFile), error));
        return false;
    }
    m_project = project.release();
    Host::Projects::Session *session = Host::Projects::Session::instance();
    session->addProject(m_project);
    session->setStartupProject(m_project);
    return true;
}

Host::Utils::Path LexoraTool::databasePath() const
{
    return m_project->projectDirectory().pathAppended(QLatin1String(Constants::databaseFileName));
}

bool LexoraTool::openDatabase(Access access)
{
    const QString path = databasePath().toString();
    // SQLite follows a link and writes its journal beside the target: a cloned
    // project could so have any database of the user changed.
    for (const char *suffix : { "", "-wal", "-shm", "-journal" }) {
        const QString link = AtomicFile::linkLeavingDirectory(
            path + QLatin1String(suffix), m_project->projectDirectory().toString());
        if (!link.isEmpty()) {
            fail(tr("%1 is a symbolic link that leads out of the project; the translation "
                    "database is not opened through it")
                     .arg(shownPath(link)));
            return false;
        }
    }
    // Readers open an existing file read-only: they work for a user who may
    // only read the project, and they leave a file they would refuse exactly as
    // it was. Neither way waits for an import that is writing. A missing file
    // is created (empty) as before.
    const auto mode = access == ForReading && QFileInfo::exists(path)
        ? Host::Sqlite::Database::OpenMode::ReadOnly
        : Host::Sqlite::Database::OpenMode::ReadWrite;
    try {
        m_database = std::make_unique<ProjectDatabase>(path, mode);
        return true;
    } catch (const std::exception &exception) {
        if (isLockedError(exception)) {
            fail(lockedText(path));
            return false;
        }
        fail(tr("the translation database %1 could not be opened: %2")
                 .arg(shownPath(path), QString::fromUtf8(exception.what())));
        // Only a damaged file is worth that hint; a file that cannot be
        // written or is no translation database says so itself.
        const auto *sqliteException = dynamic_cast<const Host::Sqlite::Exception *>(&exception);
        if (sqliteException && (sqliteException->errorCode() & 0xff) == SQLITE_CORRUPT)
            fail(tr("It can be that the database is corrupt."));
        return false;
    }
}

int LexoraTool::importJson(const QString &jsonFile,
                           bool dryRun,
                           bool force,
                           bool acceptUnknownMembers)
{
    JsonImportExport json;
    json.setAcceptUnknownMembers(acceptUnknownMembers);
    TranslatableEntries entries;
    // The file is read completely before the database is touched, so a broken
    // file changes nothing.
    {
        QFutureInterface<void> reading
            = m_feedback->createProgress(tr("Read %1").arg(shownPath(jsonFile)), "ReadJson");
        m_feedback->startProgress(reading);
        m_feedback->setProgressMaximum(reading, 1);
        try {
            entries = json.importFile(jsonFile);
        } catch (const std::exception &exception) {
            m_feedback->finishProgress(reading);
            fail(tr("cannot import %1: %2")
                     .arg(shownPath(jsonFile), QString::fromUtf8(exception.what())));
            if (dynamic_cast<const UnknownJsonMember *>(&exception))
                fail(tr("--ignore-unknown-members imports the file without those members"));
            return Failure;
        }
        m_feedback->setProgressValue(reading, 1);
        m_feedback->finishProgress(reading);
    }
    if (!openDatabase(ForWriting))
        return Failure;

    // A file without IDs empties the database: only on purpose.
    if (entries.empty() && !dryRun && !force) {
        try {
            const TranslatableEntries held = m_database->databaseIo().fetchAllTranslatableEntries();
            if (!held.empty()) {
                fail(tr("%1 holds no translation IDs: importing it would remove every ID of the "
                        "database (%2) that no local edit keeps. Give --force to do so.")
                         .arg(shownPath(jsonFile))
                         .arg(held.size()));
                return Failure;
            }
        } catch (const std::exception &exception) {
            fail(tr("the translation database %1 could not be read: %2")
                     .arg(shownPath(databasePath().toString()),
                          QString::fromUtf8(exception.what())));
            return Failure;
        }
    }

    SyncSummary summary;
    QFutureInterface<void> progress = m_feedback->createProgress(
        dryRun ? tr("Try the import") : tr("Import translations"), "ImportTranslations");
    m_feedback->startProgress(progress);
    m_feedback->setProgressMaximum(progress, int(entries.size()));
    try {
        summary = m_database->databaseIo().synchronize(
            entries,
            dryRun ? DatabaseIo::SyncMode::DryRun : DatabaseIo::SyncMode::Commit,
            [&](std::size_t done) { m_feedback->setProgressValue(progress, int(done)); });
    } catch (const std::exception &exception) {
        m_feedback->finishProgress(progress);
        if (isLockedError(exception)) {
            fail(lockedText(databasePath().toString()));
        } else {
            fail(tr("importing %1 into the translation database failed: %2")
                     .arg(shownPath(jsonFile), QString::fromUtf8(exception.what())));
        }
        return Failure;
    }
    m_feedback->finishProgress(progress);

    if (dryRun) {
        printOut(tr("Dry run, nothing was changed: importing %n translation ID(s) from %1 into "
                    "%2 would make these changes",
                    nullptr,
                    int(entries.size()))
                     .arg(shownPath(jsonFile), shownPath(databasePath().toString())));
    } else {
        printOut(tr("Imported %n translation ID(s) from %1 into %2", nullptr, int(entries.size()))
                     .arg(shownPath(jsonFile), shownPath(databasePath().toString())));
    }
    printChanges(summary);
    printOut(tr("  local edits re-applied: %1").arg(summary.localEditsReapplied));
    if (entries.empty() && summary.idsRemoved > 0) {
        fail(dryRun ? tr("warning: %1 holds no translation IDs; importing it would remove every "
                         "ID of the database that no local edit keeps")
                          .arg(shownPath(jsonFile))
                    : tr("warning: %1 holds no translation IDs; the import removed every ID of "
                         "the database that no local edit keeps")
                          .arg(shownPath(jsonFile)));
    }
    return Success;
}

QStringList LexoraTool::usedTranslationIds(QList<FileProblem> *problems)
{
    QList<FileProblem> recorded;
    ProblemRecorder recorder(recorded);
    UserFeedbackInterface &feedback
        = problems ? static_cast<UserFeedbackInterface &>(recorder) : *m_feedback;
    FileServices fileServices;
    TranslationFileServices translationFileServices(feedback);
    QStringList ids;
    for (const QString &problem : fileServices.projectFileProblems())
        feedback.addError(problem);
    for (const FilePath &path : fileServices.projectQmlFiles()) {
        std::unique_ptr<QIODevice> device = fileServices.openFileForReading(path);
        if (!device) {
            if (problems)
                recorder.addFileError(QString::fromStdString(path), 0, tr("cannot be read"));
            else
                feedback.addError(
                    tr("Cannot read the QML file %1").arg(QString::fromStdString(path)));
            continue;
        }
        const QList<CatalogMessage> messages
            = translationFileServices.loadMessages(device.get(), path, QStringLiteral("qml"));
        for (const CatalogMessage &message : messages) {
            if (!message.id.isEmpty())
                ids.append(message.id);
        }
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    if (problems)
        *problems = recorded;
    return ids;
}

int LexoraTool::exportJson(const QString &jsonFile, bool usedOnly, const QStringList &ids)
{
    const int errorsBefore = m_feedback->errorCount();
    try {
        DatabaseIo &database = m_database->databaseIo();
        TranslatableEntries entries;
        if (usedOnly || !ids.isEmpty()) {
            TranslationIds translationIds;
            for (const QString &id : usedOnly ? usedTranslationIds() : ids)
                translationIds.push_back(id.toStdString());
            entries = database.fetchFullTranslatableEntries(translationIds);
        } else {
            entries = database.fetchAllTranslatableEntries();
        }
        JsonImportExport().exportFile(jsonFile, entries, m_project->displayName());
        printOut(tr("Exported %n translation ID(s) to %1", nullptr, int(entries.size()))
                     .arg(shownPath(jsonFile)));
    } catch (const std::exception &exception) {
        if (isLockedError(exception)) {
            fail(lockedText(databasePath().toString()));
            return Failure;
        }
        fail(tr("cannot export to %1: %2")
                 .arg(shownPath(jsonFile), QString::fromUtf8(exception.what())));
        return Failure;
    }
    // IDs of QML files that could not be read are missing from the export.
    return m_feedback->errorCount() == errorsBefore ? Success : Failure;
}

int LexoraTool::generate(const QString &format, bool keepGoing, bool strict)
{
    Host::QmlProject::QmlBuildBackend *backend
        = Host::QmlProject::QmlBuildBackend::forProject(m_project);
    if (!backend) {
        fail(tr("the project %1 has no QML build configuration")
                 .arg(shownPath(m_project->projectFilePath().toString())));
        return Failure;
    }
    // A code becomes part of a file name and of the .ts file's markup: one
    // that could break either is refused, each once, and a repeated code is
    // written once.
    LanguageCodes languages;
    bool badLanguages = false;
    for (const QString &code : backend->supportedLanguages()) {
        const std::string utf8 = code.toStdString();
        if (!isValidLanguageCode(utf8)) {
            fail(tr("error: the supportedLanguages of %1 hold \"%2\", which is not a language "
                    "code (letters, digits, '-' and '_' only); it is skipped")
                     .arg(shownPath(m_project->projectFilePath().toString()), code));
            badLanguages = true;
            continue;
        }
        if (std::find(languages.begin(), languages.end(), utf8) == languages.end())
            languages.push_back(utf8);
    }
    if (languages.empty() && !badLanguages) {
        fail(tr("warning: the project names no supportedLanguages; no translation files are "
                "written"));
    }

    FileServices fileServices;
    TranslationFileServices translationFileServices(*m_feedback);
    const GenerationServices services {
        &translationFileServices, &m_database->databaseIo(), &fileServices, m_feedback.get()
    };

    const QString directory = m_project->i18nDirectory().toString();
    const QStringList formats = format == QLatin1String("all")
        ? QStringList { QStringLiteral("qm"), QStringLiteral("ts") }
        : QStringList { format };
    struct Output
    {
        QString file;
        FileIdentity before;
        std::string language;
    };
    QList<Output> outputs;
    for (const QString &suffix : formats) {
        for (const std::string &language : languages) {
            const QString file = QStringLiteral("%1/qml_%2.%3")
                                     .arg(directory, QString::fromStdString(language), suffix);
            outputs.append({ file, identityOf(file), language });
        }
    }

    bool succeeded = true;
    {
        GenerationRunner runner([&services] { return services; });
        GenerationOptions options;
        options.writeAfterReadErrors = keepGoing;
        runner.setOptions(options);
        if (!strict) {
            // The writer's text with any count.
            QString pattern = QRegularExpression::escape(
                tr("Dropped %n message(s) which had no ID.", nullptr, 7));
            pattern.replace(QLatin1String("7"), QLatin1String("\\d+"));
            m_feedback->setWarningPattern(
                QRegularExpression(QRegularExpression::anchoredPattern(pattern)));
        }
        QEventLoop loop;
        QObject::connect(&runner, &GenerationRunner::finished, [&succeeded](bool ok) {
            succeeded = succeeded && ok;
        });
        QObject::connect(&runner, &GenerationRunner::allFinished, &loop, &QEventLoop::quit);

        bool started = false;
        if (format == QLatin1String("all"))
            started = runner.generateAllTranslationFiles(languages);
        else
            started = runner.generateTranslationFiles(languages, format.toStdString());
        if (!started)
            return Failure;
        loop.exec();
    }

    bool printedHeading = false;
    for (const Output &output : std::as_const(outputs)) {
        const FileIdentity after = identityOf(output.file);
        if (!after.exists || after == output.before)
            continue;
        if (!printedHeading) {
            printOut(tr("Translation files in %1:").arg(shownPath(directory)));
            printedHeading = true;
        }
        // What generation found in the database, asked again for the file's IDs.
        const TranslatedLookup translated = [&](const QStringList &ids) {
            TranslationIds utf8;
            utf8.reserve(std::size_t(ids.size()));
            for (const QString &id : ids)
                utf8.push_back(id.toStdString());
            DatabaseIo &database = m_database->databaseIo();
            const std::vector<std::int64_t> keys = database.translatableIds(utf8);
            const auto texts = database.fetchTranslations(keys, output.language);
            std::vector<bool> found;
            found.reserve(texts.size());
            for (const auto &text : texts)
                found.push_back(text.has_value());
            return found;
        };
        printOut(QLatin1String("  ") + shownPath(output.file)
                 + translationFileSummary(output.file, translated));
    }

    if (!succeeded || m_feedback->errorCount() > 0 || badLanguages) {
        fail(tr("generation finished with errors"));
        return Failure;
    }
    return Success;
}

int LexoraTool::test(const QStringList &files, int timeoutSeconds, const TestOptions &options)
{
    // A QML file that cannot be read or parsed is an error finding of its own
    // (generation prints its file, line and reason); the others are still
    // generated and tested.
    QList<FileProblem> problems;
    usedTranslationIds(&problems);
    QStringList unreadable;
    for (const FileProblem &problem : std::as_const(problems)) {
        if (!problem.file.isEmpty() && !unreadable.contains(problem.file))
            unreadable.append(problem.file);
    }
    TranslationTestCommand command(m_project, &m_database->databaseIo());
    command.setSkippedFiles(unreadable);
    command.setVisualReportDirectory(options.htmlDirectory);
    command.setJobs(options.jobs);
    QTemporaryDir pseudoDirectory;
    if (options.pseudo) {
        const int prepared = preparePseudoLocales(command, pseudoDirectory, options);
        if (prepared != Success)
            return prepared;
    } else {
        // The preview shows what the .qm files hold, so they must match the database.
        const int generated = generate(QStringLiteral("qm"), !problems.isEmpty(), false);
        if (generated != Success && problems.isEmpty())
            return generated;
    }
    const TranslationTestCommand::Result result
        = command.run(files, std::chrono::seconds(timeoutSeconds));
    if (!problems.isEmpty() && result != TranslationTestCommand::TimedOut) {
        fail(tr("the project's QML files could not all be read (%n problem(s)); the other "
                "files were tested",
                nullptr,
                int(problems.size())));
        return Failure;
    }
    switch (result) {
    case TranslationTestCommand::Clean:
        return Success;
    case TranslationTestCommand::Findings:
        return TestFindings;
    case TranslationTestCommand::TimedOut:
        return TestTimeout;
    case TranslationTestCommand::Interrupted:
        // As a shell reports a program that a signal ended.
        return 128 + command.interruptingSignal();
    case TranslationTestCommand::Failed:
        break;
    }
    return Failure;
}

int LexoraTool::preparePseudoLocales(TranslationTestCommand &command,
                                     const QTemporaryDir &directory,
                                     const TestOptions &options)
{
    const Host::QmlProject::QmlBuildBackend *backend
        = Host::QmlProject::QmlBuildBackend::forProject(m_project);
    const QString primary = backend ? backend->primaryLanguage() : QString();
    if (primary.isEmpty()) {
        fail(QCoreApplication::translate("Lexora",
                                         "the project names no primaryLanguage to make the pseudo "
                                         "texts from"));
        return Failure;
    }
    if (!directory.isValid()) {
        fail(QCoreApplication::translate("Lexora", "cannot create a temporary folder: %1")
                 .arg(directory.errorString()));
        return Failure;
    }
    const QStringList codes = PseudoLocale::codes();
    if (!PseudoTranslationFiles::write(&m_database->databaseIo(),
                                       m_feedback.get(),
                                       primary,
                                       codes,
                                       options.pseudoExpansion,
                                       directory.path()))
        return Failure;
    command.setPseudoLocales(codes, directory.path());
    return Success;
}

} // namespace Lexora
