#include "lexoratool.h"

#include "checkcommand.h"
#include "terminalfeedback.h"
#include "translationfilesummary.h"

#include "databaseio/projectdatabase.h"
#include "exception.h"
#include "fileservices.h"
#include "generationrunner.h"
#include "jsonimportexport.h"
#include "lexoraconstants.h"
#include "translationfileservices.h"

#include <projects/session.h>
#include <qmlproject/designproject.h>
#include <qmlproject/qmlbuildbackend.h>
#include <sqlite/sqliteexception.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

#include <sys/stat.h>

namespace Lexora {

namespace {

QString tr(const char *text, const char *disambiguation = nullptr, int n = -1)
{
    return QCoreApplication::translate("Lexora", text, disambiguation, n);
}

void printOut(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

const char description[]
    = "Manages the translations of a QML project: its translation database\n"
      "(translations.db in the project directory) and its translation files.\n"
      "\n"
      "Commands:\n"
      "  import FILE.json   import a JSON translation file and synchronise the\n"
      "                     database with it, keeping local edits\n"
      "  export FILE.json   export the database to a JSON translation file\n"
      "                     (all IDs, --used or --ids ID...)\n"
      "  generate           write i18n/qml_<language>.qm and .ts for every\n"
      "                     supported language of the project\n"
      "  check              report missing and suspicious translations and the\n"
      "                     coverage per language (lexora check --help)\n"
      "\n"
      "Exit status: 0 on success, 1 when the command failed or reported an\n"
      "error, 2 for a wrong command line.";

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

LexoraTool::LexoraTool() : m_feedback(std::make_unique<TerminalFeedback>()) { }

LexoraTool::~LexoraTool()
{
    m_database.reset();
    if (m_project)
        Host::Projects::Session::instance()->removeProject(m_project);
}

void LexoraTool::fail(const QString &message) const
{
    const QByteArray bytes = (QLatin1String("lexora: ") + message).toLocal8Bit() + '\n';
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
    parser.addPositionalArgument(QStringLiteral("command"), tr("import, export or generate"));
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
    parser.addOptions({ projectOption, formatOption, usedOption, idsOption });

    if (!parser.parse(arguments)) {
        fail(parser.errorText());
        return UsageError;
    }
    if (parser.isSet(QStringLiteral("help"))) {
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
        fail(tr("no command given; use import, export or generate (see --help)"));
        return UsageError;
    }
    const QString command = positional.takeFirst();

    if (command == QLatin1String("generate")) {
        if (!positional.isEmpty()) {
            fail(tr("generate takes no arguments, got: %1").arg(positional.join(QLatin1Char(' '))));
            return UsageError;
        }
        const QString format = parser.value(formatOption);
        if (format != QLatin1String("qm") && format != QLatin1String("ts")
            && format != QLatin1String("all")) {
            fail(tr("unknown format %1; use qm, ts or all").arg(format));
            return UsageError;
        }
        if (!openProject(parser.value(projectOption)) || !openDatabase())
            return Failure;
        return generate(format);
    }

    if (command == QLatin1String("import") || command == QLatin1String("export")) {
        if (positional.isEmpty()) {
            fail(tr("%1 needs the JSON file: lexora %1 FILE.json --project DIR").arg(command));
            return UsageError;
        }
        const QString jsonFile = positional.takeFirst();
        const bool usedOnly = parser.isSet(usedOption);
        const bool byIds = parser.isSet(idsOption);
        if (command == QLatin1String("import")) {
            if (!positional.isEmpty() || usedOnly || byIds) {
                fail(tr("import takes one JSON file and no --used or --ids"));
                return UsageError;
            }
            if (!openProject(parser.value(projectOption)))
                return Failure;
            return importJson(jsonFile);
        }
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
        if (!openProject(parser.value(projectOption)) || !openDatabase())
            return Failure;
        return exportJson(jsonFile, usedOnly, positional);
    }

    fail(tr("unknown command %1; use import, export or generate (see --help)").arg(command));
    return UsageError;
}

bool LexoraTool::openProject(const QString &location)
{
    const QFileInfo info(location);
    QString projectFile;
    if (!info.exists()) {
        fail(tr("the project %1 does not exist").arg(QDir::toNativeSeparators(location)));
        return false;
    }
    if (info.isDir()) {
        const QStringList candidates
            = QDir(location).entryList({ QStringLiteral("*.qmlproject") }, QDir::Files, QDir::Name);
        if (candidates.isEmpty()) {
            fail(tr("no project in %1: the directory holds no .qmlproject file")
                     .arg(QDir::toNativeSeparators(info.absoluteFilePath())));
            return false;
        }
        if (candidates.size() > 1) {
            fail(tr("%1 holds several .qmlproject files (%2); name one with --project")
                     .arg(QDir::toNativeSeparators(info.absoluteFilePath()),
                          candidates.join(QLatin1String(", "))));
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
        fail(tr("cannot read the project file %1: %2")
                 .arg(QDir::toNativeSeparators(projectFile), error));
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

bool LexoraTool::openDatabase()
{
    const QString path = databasePath().toString();
    try {
        m_database = std::make_unique<ProjectDatabase>(path);
        return true;
    } catch (const std::exception &exception) {
        fail(tr("the translation database %1 could not be opened: %2\n"
                "It can be that the database is corrupt or the database scheme changed.")
                 .arg(QDir::toNativeSeparators(path), QString::fromUtf8(exception.what())));
        return false;
    }
}

int LexoraTool::importJson(const QString &jsonFile)
{
    JsonImportExport json;
    TranslatableEntries entries;
    // The file is read completely before the database is touched, so a broken
    // file changes nothing.
    try {
        entries = json.importFile(jsonFile);
    } catch (const std::exception &exception) {
        fail(tr("cannot import %1: %2")
                 .arg(QDir::toNativeSeparators(jsonFile), QString::fromUtf8(exception.what())));
        return Failure;
    }
    if (!openDatabase())
        return Failure;
    try {
        m_database->databaseIo().syncTranslatables(entries);
    } catch (const std::exception &exception) {
        fail(tr("importing %1 into the translation database failed: %2")
                 .arg(QDir::toNativeSeparators(jsonFile), QString::fromUtf8(exception.what())));
        return Failure;
    }
    printOut(tr("Imported %n translation ID(s) from %1 into %2", nullptr, int(entries.size()))
                 .arg(QDir::toNativeSeparators(jsonFile), databasePath().toUserOutput()));
    return Success;
}

QStringList LexoraTool::usedTranslationIds()
{
    FileServices fileServices;
    TranslationFileServices translationFileServices(*m_feedback);
    QStringList ids;
    for (const FilePath &path : fileServices.projectQmlFiles()) {
        std::unique_ptr<QIODevice> device = fileServices.openFileForReading(path);
        if (!device) {
            m_feedback->addError(tr("Cannot read %1").arg(QString::fromStdString(path)));
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
                     .arg(QDir::toNativeSeparators(jsonFile)));
    } catch (const std::exception &exception) {
        fail(tr("cannot export to %1: %2")
                 .arg(QDir::toNativeSeparators(jsonFile), QString::fromUtf8(exception.what())));
        return Failure;
    }
    // IDs of QML files that could not be read are missing from the export.
    return m_feedback->errorCount() == errorsBefore ? Success : Failure;
}

int LexoraTool::generate(const QString &format)
{
    Host::QmlProject::QmlBuildBackend *backend
        = Host::QmlProject::QmlBuildBackend::forProject(m_project);
    if (!backend) {
        fail(tr("the project %1 has no QML build configuration")
                 .arg(m_project->projectFilePath().toUserOutput()));
        return Failure;
    }
    LanguageCodes languages;
    for (const QString &code : backend->supportedLanguages())
        languages.push_back(code.toStdString());
    if (languages.empty()) {
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
    QList<QPair<QString, FileIdentity>> outputs;
    for (const QString &suffix : formats) {
        for (const std::string &language : languages) {
            const QString file = QStringLiteral("%1/qml_%2.%3")
                                     .arg(directory, QString::fromStdString(language), suffix);
            outputs.append({ file, identityOf(file) });
        }
    }

    bool succeeded = true;
    {
        GenerationRunner runner([&services] { return services; });
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

    QStringList written;
    for (const auto &[file, before] : std::as_const(outputs)) {
        const FileIdentity after = identityOf(file);
        if (after.exists && after != before)
            written.append(QDir::toNativeSeparators(file));
    }
    if (!written.isEmpty()) {
        printOut(tr("Translation files in %1:").arg(QDir::toNativeSeparators(directory)));
        for (const QString &file : std::as_const(written))
            printOut(QLatin1String("  ") + file + translationFileSummary(file));
    }

    if (!succeeded || m_feedback->errorCount() > 0) {
        fail(tr("generation finished with errors"));
        return Failure;
    }
    return Success;
}

} // namespace Lexora
