#pragma once

#include <utils/path.h>

#include <QString>
#include <QStringList>

class QTemporaryDir;

#include <exception>
#include <memory>

namespace Host::QmlProject {
class DesignProject;
}

namespace Lexora {

class ProjectDatabase;
class TranslationTestCommand;
struct SyncSummary;
class TerminalFeedback;

// The `lexora` command line: import, export, generate and test on a project
// directory, without a window. Messages go to the error stream, results to the
// output stream.
// Whether a database failure is another process holding the database's lock,
// and what to tell the user then.
bool isLockedError(const std::exception &exception);
QString lockedText(const QString &databasePath);

class LexoraTool
{
public:
    // UsageError also stands for an output file the tool refuses to write.
    enum ExitStatus { Success = 0, Failure = 1, UsageError = 2, TestFindings = 3, TestTimeout = 4 };

    LexoraTool();
    ~LexoraTool();

    // A QML file or project folder that could not be read or parsed.
    struct FileProblem
    {
        QString file;
        int line = 0;
        QString message;
    };

    // `arguments` as QCoreApplication::arguments() gives them.
    int run(const QStringList &arguments);

private:
    // What an import changed, in the lines every import prints.
    static void printChanges(const SyncSummary &summary);

    friend class CheckCommand;
    friend class LinguistImportCommand;

    enum Access { ForReading, ForWriting };

    int importJson(const QString &jsonFile, bool dryRun, bool force, bool acceptUnknownMembers);
    int exportJson(const QString &jsonFile, bool usedOnly, const QStringList &ids);
    int generate(const QString &format, bool keepGoing, bool strict);
    struct TestOptions
    {
        int jobs = 1;
        bool pseudo = false;
        int pseudoExpansion = 0;
        // Where the visual report goes; empty: none.
        QString htmlDirectory;
    };
    int test(const QStringList &files, int timeoutSeconds, const TestOptions &options);
    // Writes the pseudo locales' files into `directory` and points `command` at them.
    int preparePseudoLocales(TranslationTestCommand &command,
                             const QTemporaryDir &directory,
                             const TestOptions &options);

    bool openProject(const QString &location);
    // Whether the user-named output `file` may be written; reports why not.
    bool mayWrite(const QString &file, bool force) const;
    // Whether generating has a database and QML files to take the texts from;
    // reports what is missing.
    bool hasTranslationsToWrite() const;
    Host::Utils::Path databasePath() const;
    bool openDatabase(Access access);
    // The IDs the project's QML files use. Files that cannot be read or parsed
    // are reported, or only recorded in `problems` when it is given.
    QStringList usedTranslationIds(QList<FileProblem> *problems = nullptr);

    void fail(const QString &message) const;

    std::unique_ptr<TerminalFeedback> m_feedback;
    Host::QmlProject::DesignProject *m_project = nullptr; // owned by the session
    std::unique_ptr<ProjectDatabase> m_database;
};

} // namespace Lexora
