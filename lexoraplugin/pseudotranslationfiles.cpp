#include "pseudotranslationfiles.h"

#include "fileservices.h"
#include "generationrunner.h"
#include "pseudolocale.h"
#include "translationfileservices.h"
#include "userfeedbackinterface.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>

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
    // folder per locale: every pseudo locale falls back to the same name. The
    // file under its own name serves those that load it by name (the form).
    for (const QString &code : codes) {
        const QString i18n = QDir(directory).filePath(code + QLatin1String("/i18n"));
        const QString name = QStringLiteral("qml_%1.qm").arg(code);
        const QString source = QDir(generated).filePath(name);
        for (const QString &target : { QDir(i18n).filePath(PseudoLocale::previewFileName(code)),
                                       QDir(i18n).filePath(name) }) {
            // Written anew from the current texts: the last ones go first.
            QFile::remove(target);
            if (!QDir().mkpath(i18n) || !QFile::copy(source, target)) {
                feedback->addError(QStringLiteral("Cannot write %1.").arg(target));
                return false;
            }
        }
    }
    return true;
}

} // namespace Lexora
