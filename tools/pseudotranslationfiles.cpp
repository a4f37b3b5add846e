#include "pseudotranslationfiles.h"

#include "databaseio/projectdatabase.h"
#include "fileservices.h"
#include "generationrunner.h"
#include "lexoratool.h"
#include "pseudolocale.h"
#include "terminalfeedback.h"
#include "translationfileservices.h"
#include "translationtestcommand.h"
#include "userfeedbackinterface.h"

#include <qmlproject/designproject.h>
#include <qmlproject/qmlbuildbackend.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

namespace Lexora {

namespace {

// The project's files with the output going elsewhere.
class RedirectedFileServices final : public FileServicesInterface
{
public:
    explicit RedirectedFileServices(FilePath i18nDirectory)
        : m_i18nDirectory(std::move(i18nDirectory))
    { }

    void writeFile(std::string_view path, const QByteArray &bytes) override
    {
        m_project.writeFile(path, bytes);
    }
    void reserved() override { }
    FilePaths projectQmlFiles() override { return m_project.projectQmlFiles(); }
    std::unique_ptr<QIODevice> openFileForWriting(std::string_view path) override
    {
        return m_project.openFileForWriting(path);
    }
    std::unique_ptr<QIODevice> openFileForReading(std::string_view path) override
    {
        return m_project.openFileForReading(path);
    }
    FilePath i18nDirectory() override { return m_i18nDirectory; }
    QStringList projectFileProblems() override { return m_project.projectFileProblems(); }

private:
    FileServices m_project;
    FilePath m_i18nDirectory;
};

} // namespace

bool PseudoTranslationFiles::write(DatabaseIoInterface *database,
                                   UserFeedbackInterface *feedback,
                                   const QString &primaryLanguage,
                                   const QStringList &codes,
                                   int expansionPercent,
                                   const QString &directory)
{
    const QString generated = QDir(directory).filePath(QStringLiteral("i18n"));
    if (!QDir().mkpath(generated)) {
        feedback->addError(QStringLiteral("Cannot create the folder %1.").arg(generated));
        return false;
    }
    RedirectedFileServices fileServices(generated.toStdString());
    TranslationFileServices translationFileServices(*feedback);
    const GenerationServices services {
        &translationFileServices, database, &fileServices, feedback
    };
    GenerationOptions options;
    options.pseudoSourceLanguage = primaryLanguage.toStdString();
    options.pseudoExpansion = expansionPercent;
    LanguageCodes languages;
    for (const QString &code : codes)
        languages.push_back(code.toStdString());

    bool succeeded = true;
    {
        GenerationRunner runner([&services] { return services; });
        runner.setOptions(options);
        QEventLoop loop;
        QObject::connect(&runner, &GenerationRunner::finished, [&succeeded](bool ok) {
            succeeded = succeeded && ok;
        });
        QObject::connect(&runner, &GenerationRunner::allFinished, &loop, &QEventLoop::quit);
        if (!runner.generateQmFiles(languages))
            return false;
        loop.exec();
    }
    if (!succeeded)
        return false;
    // The same file under the name the preview's QLocale lookup finds, in a
    // folder per locale: every pseudo locale falls back to the same name.
    for (const QString &code : codes) {
        const QString i18n = QDir(directory).filePath(code + QLatin1String("/i18n"));
        const QString source = QDir(generated).filePath(QStringLiteral("qml_%1.qm").arg(code));
        const QString target = QDir(i18n).filePath(PseudoLocale::previewFileName(code));
        if (!QDir().mkpath(i18n) || !QFile::copy(source, target)) {
            feedback->addError(QStringLiteral("Cannot write %1.").arg(target));
            return false;
        }
    }
    return true;
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
