#include "checkrunner/translationcheckrunner.h"

#include <checks/checkdatareader.h>
#include <checks/translationchecker.h>
#include <core/editorcontext.h>
#include <core/progresscenter.h>
#include <core/workbench.h>
#include <designer/callsites.h>
#include <projects/issuelist.h>
#include <qmlproject/designproject.h>
#include <qmlproject/qmlbuildbackend.h>
#include <sqlite/sqlitedatabase.h>
#include <texteditor/textdocument.h>

#include <QDir>
#include <QFile>
#include <QPromise>
#include <QThreadPool>

#include <optional>

namespace Lexora {

struct TranslationCheckRunner::Result
{
    CheckReport report;
    QHash<QString, Use> uses;
    QStringList fileProblems;
    QString error;
};

namespace {

// The functions whose first argument is a translation ID.
const QStringList idFunctions { QStringLiteral("qsTrId"), QStringLiteral("QT_TRID_NOOP") };

// A text short enough for one line of the Issues list.
QString brief(const QString &text)
{
    constexpr int maximum = 40;
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('\t'), QLatin1String("\\t"));
    if (line.size() > maximum)
        line = line.left(maximum - 1) + QChar(0x2026);
    return QLatin1Char('"') + line + QLatin1Char('"');
}

QString describe(const CheckFinding &finding)
{
    const QString language = finding.language.isEmpty()
        ? TranslationCheckRunner::tr("all tested languages")
        : finding.language;
    QString text = TranslationCheckRunner::tr("%1: %2 in %3")
                       .arg(finding.check, finding.translationId, language);
    if (finding.check == QLatin1String(CheckNames::elided)) {
        if (!finding.state.isEmpty())
            text += TranslationCheckRunner::tr(" (state %1)").arg(finding.state);
    } else if (finding.check == QLatin1String(CheckNames::missing)) {
        // There is no translation to show, and an ID unknown to the database
        // has no primary text either.
        if (!finding.primaryText.isEmpty())
            text += QStringLiteral(" \u2014 ") + brief(finding.primaryText);
    } else {
        text += QStringLiteral(" \u2014 ") + brief(finding.primaryText) + QStringLiteral(" \u2192 ")
            + brief(finding.translation);
    }
    return text;
}

void check(QPromise<std::shared_ptr<TranslationCheckRunner::Result>> &promise,
           const QString &databasePath,
           const Host::Utils::Paths &files,
           const QString &primaryLanguage,
           const QStringList &languages);

} // namespace

TranslationCheckRunner::TranslationCheckRunner(QObject *parent) : QObject(parent)
{
    newWatcher();
}

void TranslationCheckRunner::newWatcher()
{
    m_watcher = std::make_unique<QFutureWatcher<std::shared_ptr<Result>>>();
    connect(m_watcher.get(),
            &QFutureWatcher<std::shared_ptr<Result>>::finished,
            this,
            &TranslationCheckRunner::publish);
}

void TranslationCheckRunner::discard()
{
    m_watcher->cancel();
    m_watcher->waitForFinished();
    // The old watcher takes its pending notice of the run with it.
    newWatcher();
    m_uses.clear();
    m_files.clear();
}

TranslationCheckRunner::~TranslationCheckRunner()
{
    waitForFinished();
}

bool TranslationCheckRunner::isRunning() const
{
    return m_watcher->isRunning();
}

void TranslationCheckRunner::waitForFinished()
{
    m_watcher->waitForFinished();
}

bool TranslationCheckRunner::start(Host::QmlProject::DesignProject *project, QString *errorString)
{
    const auto fail = [errorString](const QString &message) {
        if (errorString)
            *errorString = message;
        return false;
    };
    if (isRunning())
        return fail(tr("The translations are being checked already."));
    if (!project)
        return fail(tr("Open a project to check its translations."));
    const Host::QmlProject::QmlBuildBackend *backend
        = Host::QmlProject::QmlBuildBackend::forProject(project);
    const QString primaryLanguage = backend ? backend->primaryLanguage() : QString();
    if (primaryLanguage.isEmpty())
        return fail(tr("%1 names no primary language to compare the translations with.")
                        .arg(project->projectFilePath().toUserOutput()));
    QStringList languages = backend->supportedLanguages();
    languages.removeAll(primaryLanguage);
    if (languages.isEmpty())
        return fail(tr("%1 names no languages besides its primary language %2.")
                        .arg(project->projectFilePath().toUserOutput(), primaryLanguage));
    // Opening a missing database would create an empty one.
    const Host::Utils::Path database
        = project->projectDirectory().pathAppended(QStringLiteral("translations.db"));
    if (!database.isFile())
        return fail(tr("The project has no translation database %1 yet: import its "
                       "translations first.")
                        .arg(database.toUserOutput()));
    const Host::Utils::Paths files = project->files(
        [](const Host::Utils::Path &file) { return file.suffix() == QLatin1String("qml"); });

    auto promise = std::make_shared<QPromise<std::shared_ptr<Result>>>();
    const QFuture<std::shared_ptr<Result>> future = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start(
        [promise, path = database.toString(), files, primaryLanguage, languages] {
            check(*promise, path, files, primaryLanguage, languages);
            promise->finish();
        });
    m_watcher->setFuture(future);
    m_files = files;
    Host::Core::ProgressCenter::instance()->addTask(
        future, tr("Checking translations"), progressType);
    return true;
}

namespace {

// The text of `file` as the user sees it: the editor's, unsaved edits and all,
// when it is the open document.
QString currentText(const Host::Utils::Path &file)
{
    if (auto *document = qobject_cast<Host::TextEditor::TextDocument *>(
            Host::Core::EditorContext::instance()->currentDocument());
        document && document->filePath() == file)
        return document->plainText();
    QFile source(file.toString());
    return source.open(QIODevice::ReadOnly) ? QString::fromUtf8(source.readAll()) : QString();
}

std::optional<TranslationCheckRunner::Use> useIn(const Host::Utils::Path &file,
                                                 const QString &translationId)
{
    QString error;
    for (const Host::Designer::CallSites::Site &site :
         Host::Designer::CallSites::find(currentText(file), idFunctions, &error)) {
        if (site.argument == translationId)
            return TranslationCheckRunner::Use { file, site.line, site.column };
    }
    return std::nullopt;
}

} // namespace

TranslationCheckRunner::Use
TranslationCheckRunner::currentFirstUse(const QString &translationId) const
{
    const Use recorded = m_uses.value(translationId);
    if (!recorded.file.isEmpty()) {
        if (const std::optional<Use> use = useIn(recorded.file, translationId))
            return *use;
    }
    for (const Host::Utils::Path &file : m_files) {
        if (file == recorded.file)
            continue;
        if (const std::optional<Use> use = useIn(file, translationId))
            return *use;
    }
    return {};
}

bool TranslationCheckRunner::activate(const Host::Projects::Issue &issue) const
{
    const QString translationId = issue.data.toString();
    if (translationId.isEmpty())
        return false;
    const Use use = currentFirstUse(translationId);
    if (use.file.isEmpty()) {
        Host::Core::Workbench::showStatusMessage(
            tr("%1 is not used in the project's QML files any more.").arg(translationId));
        return true;
    }
    Host::Core::EditorContext::instance()->requestOpenFile(use.file, use.line);
    return true;
}

void TranslationCheckRunner::publish()
{
    const QFuture<std::shared_ptr<Result>> future = m_watcher->future();
    Outcome outcome;
    std::shared_ptr<Result> result = future.resultCount() > 0 ? future.result() : nullptr;
    if (!result) {
        outcome.error = tr("The translation check was canceled.");
        emit finished(outcome);
        return;
    }
    outcome.error = result->error;
    outcome.fileProblems = result->fileProblems;
    m_uses = result->uses;

    auto *issues = Host::Projects::IssueList::instance();
    issues->addCategory(issueCategory, tr("Translation checks"));
    issues->clearIssues(issueCategory);
    if (!outcome.error.isEmpty()) {
        issues->addIssue(Host::Projects::Issue::Error, outcome.error, issueCategory);
        emit finished(outcome);
        return;
    }
    for (const QString &problem : std::as_const(outcome.fileProblems))
        issues->addIssue(Host::Projects::Issue::Error, problem, issueCategory);
    for (const CheckFinding &finding : result->report.findings) {
        const bool error = finding.severity == CheckSeverity::Error;
        ++(error ? outcome.errors : outcome.warnings);
        const Use use = m_uses.value(finding.translationId);
        Host::Projects::Issue issue(error ? Host::Projects::Issue::Error
                                          : Host::Projects::Issue::Warning,
                                    describe(finding),
                                    use.file,
                                    use.line,
                                    issueCategory,
                                    {},
                                    Host::Projects::Issue::AddTextMark);
        issue.data = finding.translationId;
        // The Issues list filters its entries by these.
        issue.facets.insert(QStringLiteral("Check"), finding.check);
        if (!finding.language.isEmpty())
            issue.facets.insert(QStringLiteral("Language"), finding.language);
        issues->addIssue(issue);
    }
    emit finished(outcome);
}

namespace {

void check(QPromise<std::shared_ptr<TranslationCheckRunner::Result>> &promise,
           const QString &databasePath,
           const Host::Utils::Paths &files,
           const QString &primaryLanguage,
           const QStringList &languages)
{
    auto result = std::make_shared<TranslationCheckRunner::Result>();
    promise.setProgressRange(0, int(files.size()) + 1);
    QStringList ids;
    int done = 0;
    for (const Host::Utils::Path &file : files) {
        if (promise.isCanceled())
            return;
        QFile source(file.toString());
        if (!source.open(QIODevice::ReadOnly)) {
            result->fileProblems.append(TranslationCheckRunner::tr("Cannot read %1: %2")
                                            .arg(file.toUserOutput(), source.errorString()));
            continue;
        }
        QString error;
        const QList<Host::Designer::CallSites::Site> sites = Host::Designer::CallSites::find(
            QString::fromUtf8(source.readAll()), idFunctions, &error);
        // A file that does not parse would hide its IDs' problems.
        if (!error.isEmpty())
            result->fileProblems.append(
                TranslationCheckRunner::tr("%1:%2").arg(file.toUserOutput(), error));
        for (const Host::Designer::CallSites::Site &site : sites) {
            if (site.argument.isEmpty() || result->uses.contains(site.argument))
                continue;
            result->uses.insert(site.argument, { file, site.line, site.column });
            ids.append(site.argument);
        }
        promise.setProgressValue(++done);
    }

    try {
        Host::Sqlite::Database database(databasePath, Host::Sqlite::Database::OpenMode::ReadOnly);
        CheckDataReader reader(database);
        result->report = TranslationChecker(reader).check(primaryLanguage, languages, ids);
    } catch (const std::exception &exception) {
        result->error
            = TranslationCheckRunner::tr("The translation database %1 could not be read: %2")
                  .arg(QDir::toNativeSeparators(databasePath), QString::fromUtf8(exception.what()));
    }
    promise.setProgressValue(int(files.size()) + 1);
    promise.addResult(result);
}

} // namespace

} // namespace Lexora
