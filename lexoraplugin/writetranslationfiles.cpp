#include "writetranslationfiles.h"

#include "atomicfile.h"
#include "databaseio/databaseiointerface.h"
#include "fileservicesinterface.h"
#include "pseudolocale.h"
#include "translationfileservicesinterface.h"
#include "userfeedbackinterface.h"

#include <QCoreApplication>
#include <QFileDevice>
#include <QFileInfo>
#include <QIODevice>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>

namespace Lexora {

namespace {

QString tr(const char *text, int n = -1)
{
    return QCoreApplication::translate("Lexora", text, nullptr, n);
}

// Messages without an ID stay apart by what lupdate would tell them apart by,
// so that the writer counts the ones it drops.
bool lessById(const CatalogMessage &left, const CatalogMessage &right)
{
    return left.id < right.id || (left.id == right.id && left.withoutIdKey < right.withoutIdKey);
}

// Keeps the first message of each ID in a list sorted by ID. What a later use
// adds still counts: a count anywhere makes the ID plural, and a source text
// or comment fills what the first use left empty. Messages without an ID stay
// apart by their key.
void mergeSameIds(QList<CatalogMessage> &messages)
{
    auto kept = messages.begin();
    for (auto next = messages.begin(); next != messages.end(); ++next) {
        if (next == kept)
            continue;
        if (next->id != kept->id || next->withoutIdKey != kept->withoutIdKey) {
            if (++kept != next)
                *kept = std::move(*next);
            continue;
        }
        kept->plural = kept->plural || next->plural;
        if (kept->sourceText.isEmpty())
            kept->sourceText = std::move(next->sourceText);
        if (kept->extraComment.isEmpty())
            kept->extraComment = std::move(next->extraComment);
        for (auto extra = next->extras.cbegin(); extra != next->extras.cend(); ++extra) {
            if (!kept->extras.contains(extra.key()))
                kept->extras.insert(extra.key(), extra.value());
        }
    }
    if (!messages.isEmpty())
        messages.erase(kept + 1, messages.end());
}

// Whether XML 1.0 can carry the text at all; no escaping helps otherwise.
// The text of an element may hold control characters, which the .ts format
// writes as <byte> elements; an attribute (the ID) cannot.
enum class XmlPlace { Attribute, Element };
bool isXmlText(const QString &text, XmlPlace place = XmlPlace::Attribute)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        if (QChar::isHighSurrogate(unit)) {
            if (i + 1 == text.size() || !QChar::isLowSurrogate(text.at(i + 1).unicode()))
                return false;
            ++i;
            continue;
        }
        if (QChar::isLowSurrogate(unit) || unit == 0xfffe || unit == 0xffff)
            return false;
        if (place == XmlPlace::Attribute && unit < 0x20 && unit != u'\t' && unit != u'\n'
            && unit != u'\r')
            return false;
    }
    return true;
}

LanguageCodes withoutRepetitions(const LanguageCodes &languages)
{
    LanguageCodes unique;
    for (const std::string &language : languages) {
        if (std::find(unique.begin(), unique.end(), language) == unique.end())
            unique.push_back(language);
    }
    return unique;
}

// Such an ID would make a .ts file that no XML reader accepts, or that reads
// back as another ID; it is left out of every file, the others are written.
void removeUnwritableIds(QList<CatalogMessage> &messages,
                         UserFeedbackInterface &feedback,
                         bool &succeeded)
{
    const auto unwritable
        = std::remove_if(messages.begin(), messages.end(), [&](const CatalogMessage &message) {
              if (isXmlText(message.id))
                  return false;
              feedback.addError(tr("The translation ID \"%1\" holds characters that translation "
                                   "files cannot carry; it was left out.")
                                    .arg(printableId(message.id)));
              succeeded = false;
              return true;
          });
    messages.erase(unwritable, messages.end());
    for (CatalogMessage &message : messages) {
        if (isXmlText(message.translatorComment, XmlPlace::Element))
            continue;
        feedback.addError(tr("The comment of the translation ID \"%1\" holds characters that "
                             "translation files cannot carry; it was left out.")
                              .arg(printableId(message.id)));
        message.translatorComment.clear();
        succeeded = false;
    }
    for (CatalogMessage &message : messages) {
        bool writable = isXmlText(message.sourceText, XmlPlace::Element)
            && isXmlText(message.extraComment, XmlPlace::Element);
        for (auto extra = message.extras.cbegin(); writable && extra != message.extras.cend();
             ++extra)
            writable = isXmlText(extra.value(), XmlPlace::Element);
        if (writable)
            continue;
        feedback.addError(tr("The source text or comments of the translation ID \"%1\" hold "
                             "characters that translation files cannot carry; they were left "
                             "out.")
                              .arg(printableId(message.id)));
        message.sourceText.clear();
        message.extraComment.clear();
        message.extras.clear();
        succeeded = false;
    }
}

// A cloned project can hold links in place of its output files; following
// one would overwrite whatever it names. The i18n directory lies in the
// project directory, so that is the directory no output may leave.
QString linkOutOfProject(const FilePath &i18nDirectory,
                         const LanguageCodes &languages,
                         const TranslationFormats &formats)
{
    const QString directory = QString::fromStdString(i18nDirectory);
    const QString project = QFileInfo(directory).path();
    if (QString link = AtomicFile::linkLeavingDirectory(directory, project); !link.isEmpty())
        return link;
    for (const std::string &language : languages) {
        if (!isValidLanguageCode(language))
            continue;
        for (const std::string &format : formats) {
            const QString file = QStringLiteral("%1/qml_%2.%3")
                                     .arg(directory,
                                          QString::fromStdString(language),
                                          QString::fromStdString(format));
            if (QString link = AtomicFile::linkLeavingDirectory(file, project); !link.isEmpty())
                return link;
        }
    }
    return {};
}

// Below this many files a second parsing thread costs more than it saves.
constexpr std::size_t minimumFilesForParallelScan = 16;

class QmlScanner
{
public:
    QmlScanner(const GenerationServices &services,
               const FilePaths &files,
               QFutureInterface<void> &progress)
        : m_services(services), m_files(files), m_progress(progress), m_results(files.size())
    { }

    // The messages of all files, sorted by ID, each ID once: for an ID used in
    // several places the message of the first file (in project order) and, in
    // that file, of its first call wins. Files are parsed on several threads;
    // the result depends only on the project order, never on the timing.
    QList<CatalogMessage> collect()
    {
        const std::size_t threadCount = m_files.size() < minimumFilesForParallelScan
            ? 1
            : std::size_t(std::clamp(QThread::idealThreadCount(), 1, 2));

        std::vector<std::thread> helpers;
        for (std::size_t i = 1; i < threadCount; ++i)
            helpers.emplace_back([this] { scanFiles(); });
        scanFiles();
        for (std::thread &helper : helpers)
            helper.join();
        if (m_exception)
            std::rethrow_exception(m_exception);

        qsizetype total = 0;
        for (const QList<CatalogMessage> &messages : m_results)
            total += messages.size();
        QList<CatalogMessage> collected;
        collected.reserve(total);
        for (QList<CatalogMessage> &messages : m_results) {
            for (CatalogMessage &message : messages)
                collected.append(std::move(message));
            messages = {};
        }
        // A stable sort followed by unique() keeps the earliest message of each
        // ID: the same outcome as merging the files one by one, in project
        // order, as sorted set unions that keep what was collected first.
        std::stable_sort(collected.begin(), collected.end(), lessById);
        mergeSameIds(collected);
        return collected;
    }

    // Files that could not be read or parsed completely, each reported.
    int failedFiles() const { return m_failedFiles; }

private:
    void scanFiles()
    {
        try {
            for (std::size_t index = m_next++; index < m_files.size(); index = m_next++) {
                if (m_failed.load(std::memory_order_relaxed))
                    return;
                m_results[index] = scanFile(m_files[index]);
                advanceProgress();
            }
        } catch (...) {
            std::lock_guard lock(m_mutex);
            if (!m_exception)
                m_exception = std::current_exception();
            m_failed = true;
        }
    }

    QList<CatalogMessage> scanFile(const FilePath &path)
    {
        std::unique_ptr<QIODevice> device = m_services.fileServices->openFileForReading(path);
        if (!device) {
            m_services.feedback->addError(
                tr("Cannot read the QML file %1").arg(printableId(QString::fromStdString(path))));
        }
        bool complete = false;
        QList<CatalogMessage> messages = m_services.translationFileServices->loadMessages(
            device.get(), path, QStringLiteral("qml"), &complete);
        if (!complete)
            ++m_failedFiles;
        std::stable_sort(messages.begin(), messages.end(), lessById);
        mergeSameIds(messages);
        return messages;
    }

    void advanceProgress()
    {
        // Under the lock, so the values reach the progress entry in order.
        std::lock_guard lock(m_mutex);
        m_services.feedback->setProgressValue(m_progress, ++m_step);
    }

    const GenerationServices &m_services;
    const FilePaths &m_files;
    QFutureInterface<void> &m_progress;
    std::vector<QList<CatalogMessage>> m_results;
    std::atomic<std::size_t> m_next = 0;
    std::atomic<bool> m_failed = false;
    std::atomic<int> m_failedFiles = 0;
    std::mutex m_mutex;
    int m_step = 0;
    std::exception_ptr m_exception;
};

// Completes a file opened by the file services and says what went wrong, if
// anything. Writers do not check their device, so this is where a full disk or a
// failing device shows up.
QString finishWriting(QIODevice &device)
{
    if (auto *atomicFile = qobject_cast<AtomicFile *>(&device)) {
        if (!atomicFile->commit())
            return atomicFile->errorString();
        return {};
    }
    if (auto *file = qobject_cast<QFileDevice *>(&device)) {
        if (!file->flush() || file->error() != QFileDevice::NoError)
            return file->errorString();
    }
    device.close();
    return {};
}

void discardWriting(QIODevice &device)
{
    if (auto *atomicFile = qobject_cast<AtomicFile *>(&device))
        atomicFile->discard();
}

// Writes one language's files on a thread of its own while the generation
// fetches the next language's translations, one language at a time and in
// language order, so reports and progress come in the same order as when
// everything ran on one thread. The messages being written must stay untouched
// until the next waitForPrevious().
class FileWriter
{
public:
    struct File
    {
        QString format;
        FilePath path;
    };

    FileWriter(const GenerationServices &services,
               QFutureInterface<void> &progress,
               int &step,
               bool &succeeded)
        : m_services(services), m_progress(progress), m_step(step), m_succeeded(succeeded)
    { }

    ~FileWriter()
    {
        // Only reached with a thread still running when the generation is
        // unwinding; its outcome no longer matters.
        if (m_thread.joinable())
            m_thread.join();
    }

    void start(std::vector<File> files, const QList<CatalogMessage> &messages, QString language)
    {
        m_files = std::move(files);
        m_errors.clear();
        m_errors.reserve(m_files.size());
        m_thread = std::thread([this, &messages, language = std::move(language)] {
            try {
                for (const File &file : m_files)
                    m_errors.push_back(write(file, messages, language));
            } catch (...) {
                m_exception = std::current_exception();
            }
        });
    }

    // Reports the outcome of the files being written, if any.
    void waitForPrevious()
    {
        if (!m_thread.joinable())
            return;
        m_thread.join();
        for (const QString &error : std::as_const(m_errors)) {
            if (!error.isEmpty()) {
                m_services.feedback->addError(error);
                m_succeeded = false;
            }
            m_services.feedback->setProgressValue(m_progress, ++m_step);
        }
        m_errors.clear();
        if (m_exception)
            std::rethrow_exception(std::exchange(m_exception, nullptr));
    }

private:
    // What went wrong with the file, empty when it was written.
    QString write(const File &file, const QList<CatalogMessage> &messages, const QString &language)
    {
        std::unique_ptr<QIODevice> device = m_services.fileServices->openFileForWriting(file.path);
        if (!device) {
            return tr("Could not open the translation file %1 for writing.")
                .arg(printableId(QString::fromStdString(file.path)));
        }
        try {
            m_services.translationFileServices->saveMessages(
                messages, file.format, language, *device);
        } catch (...) {
            discardWriting(*device);
            throw;
        }
        const QString error = finishWriting(*device);
        if (error.isEmpty())
            return {};
        return tr("Could not write the translation file %1: %2")
            .arg(printableId(QString::fromStdString(file.path)), error);
    }

    const GenerationServices &m_services;
    QFutureInterface<void> &m_progress;
    int &m_step;
    bool &m_succeeded;
    std::thread m_thread;
    std::vector<File> m_files;
    QStringList m_errors;
    std::exception_ptr m_exception;
};

} // namespace

bool isValidLanguageCode(std::string_view code)
{
    return !code.empty() && std::all_of(code.begin(), code.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || c == '-' || c == '_';
    });
}

QString printableId(const QString &id)
{
    QString text;
    for (const QChar c : id) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || (c.unicode() >= 0x80 && c.unicode() < 0xa0)
            || c.isSurrogate() || c.unicode() >= 0xfffe)
            text += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            text += c;
    }
    return text;
}

bool writeTranslationFiles(const GenerationServices &services,
                           const LanguageCodes &languages,
                           std::string_view format,
                           const GenerationOptions &options)
{
    return writeTranslationFiles(
        services, languages, TranslationFormats { std::string(format) }, options);
}

bool writeTranslationFiles(const GenerationServices &services,
                           const LanguageCodes &requestedLanguages,
                           const TranslationFormats &formats,
                           const GenerationOptions &options)
{
    UserFeedbackInterface *feedback = services.feedback;
    if (!feedback)
        return false;
    if (!services.database || !services.fileServices || !services.translationFileServices) {
        feedback->addError(
            tr("Cannot generate translation files: no translation database is open."));
        return false;
    }

    QFutureInterface<void> progress;
    bool progressCreated = false;
    bool succeeded = true;
    try {
        const FilePaths qmlFiles = services.fileServices->projectQmlFiles();
        const QStringList fileProblems = services.fileServices->projectFileProblems();
        const LanguageCodes languages = withoutRepetitions(requestedLanguages);

        progress = feedback->createProgress(tr("Generate translation files"),
                                            "GenerateTranslationFiles");
        progressCreated = true;
        feedback->startProgress(progress);
        feedback->setProgressMaximum(progress,
                                     int(languages.size() * formats.size() + qmlFiles.size()));

        for (const QString &problem : fileProblems)
            feedback->addError(problem);
        QmlScanner scanner(services, qmlFiles, progress);
        QList<CatalogMessage> messages = scanner.collect();
        int step = int(qmlFiles.size());

        const int unreadable = scanner.failedFiles() + int(fileProblems.size());
        if (unreadable > 0) {
            succeeded = false;
            if (!options.writeAfterReadErrors) {
                feedback->addError(tr("No translation files were written: %n file(s) or "
                                      "folder(s) of the project could not be read; the existing "
                                      "files are kept.",
                                      unreadable));
                feedback->finishProgress(progress);
                return false;
            }
        }

        removeUnwritableIds(messages, *feedback, succeeded);
        if (!languages.empty()) {
            if (const FilePath directory = services.fileServices->i18nDirectory();
                !directory.empty()) {
                if (const QString link = linkOutOfProject(directory, languages, formats);
                    !link.isEmpty()) {
                    feedback->addError(tr("No translation files were written: %1 is a symbolic "
                                          "link that leads out of the project.")
                                           .arg(printableId(link)));
                    feedback->finishProgress(progress);
                    return false;
                }
                AtomicFile::removeStaleTemporaries(
                    QString::fromStdString(directory),
                    QStringLiteral("qml_[A-Za-z0-9_-]+\\.(?:qm|ts)"));
            }
        }

        TranslationIds ids;
        ids.reserve(messages.size());
        for (const CatalogMessage &message : std::as_const(messages))
            ids.push_back(message.id.toStdString());
        const std::vector<std::int64_t> keys = services.database->translatableIds(ids);
        for (qsizetype index = 0; index < messages.size(); ++index)
            messages[index].translatableKey = keys.at(std::size_t(index));
        // Only IDs used with a count need more than a translation's first form.
        std::vector<qsizetype> pluralPositions;
        std::vector<std::int64_t> pluralKeys;
        for (qsizetype index = 0; index < messages.size(); ++index) {
            if (messages[index].plural) {
                pluralPositions.push_back(index);
                pluralKeys.push_back(keys.at(std::size_t(index)));
            }
        }

        // Two message lists that share no storage: one is filled with the next
        // language's translations while the other is being written.
        QList<CatalogMessage> spare = messages;
        spare.detach();
        QList<CatalogMessage> *current = &messages;
        FileWriter writer(services, progress, step, succeeded);
        for (const std::string &language : languages) {
            if (!isValidLanguageCode(language)) {
                // The code becomes part of a file name; one taken from a
                // project file must not lead out of the i18n directory.
                writer.waitForPrevious();
                feedback->addError(tr("Skipped the language code \"%1\": it cannot be part of a "
                                      "file name.")
                                       .arg(QString::fromStdString(language)));
                succeeded = false;
                for (std::size_t skipped = 0; skipped < formats.size(); ++skipped)
                    feedback->setProgressValue(progress, ++step);
                continue;
            }

            // Filled once for all formats; what differs between them is only
            // how the writers spell it.
            const bool pseudo
                = !options.pseudoSourceLanguage.empty() && PseudoLocale::isPseudoLocale(language);
            const std::string &textLanguage = pseudo ? options.pseudoSourceLanguage : language;
            const std::vector<std::optional<std::string>> translations
                = services.database->fetchTranslations(keys, textLanguage);
            QStringList unwritable;
            for (qsizetype index = 0; index < current->size(); ++index) {
                CatalogMessage &message = (*current)[index];
                const std::optional<std::string> &translation = translations[std::size_t(index)];
                if (translation) {
                    message.translation = QString::fromStdString(*translation);
                    message.type = CatalogMessage::Finished;
                    if (isXmlText(message.translation, XmlPlace::Element))
                        continue;
                    // Written as it is, it would make the .ts file unreadable.
                    unwritable.append(printableId(message.id));
                }
                // As Qt shows an untranslated ID: its source text, if the code
                // gives one.
                message.translation
                    = message.sourceText.isEmpty() ? message.id : message.sourceText;
                message.type = CatalogMessage::Unfinished;
            }
            if (!pluralKeys.empty()) {
                const std::vector<std::vector<std::string>> forms
                    = services.database->fetchPluralForms(pluralKeys, textLanguage);
                for (std::size_t index = 0; index < pluralPositions.size(); ++index) {
                    CatalogMessage &message = (*current)[pluralPositions[index]];
                    message.pluralForms.clear();
                    if (message.type != CatalogMessage::Finished)
                        continue;
                    for (std::size_t form = 1; form < forms[index].size(); ++form) {
                        QString text = QString::fromStdString(forms[index][form]);
                        // An unwritable form is left empty: the one before
                        // it stands in.
                        if (!isXmlText(text, XmlPlace::Element)) {
                            unwritable.append(printableId(message.id));
                            text.clear();
                        }
                        message.pluralForms.append(text);
                    }
                }
            }

            if (pseudo) {
                // Every text counts as translated: what the test should find is
                // what does not fit, and untranslated texts are transformed too.
                const bool mirrored = PseudoLocale::isMirrored(language);
                for (CatalogMessage &message : *current) {
                    message.translation = PseudoLocale::transform(
                        message.translation, options.pseudoExpansion, mirrored);
                    message.type = CatalogMessage::Finished;
                    for (QString &form : message.pluralForms)
                        form = PseudoLocale::transform(form, options.pseudoExpansion, mirrored);
                }
            }

            const FilePath directory = services.fileServices->i18nDirectory();
            if (directory.empty()) {
                // Without a project the files would land in the file-system root.
                writer.waitForPrevious();
                feedback->addError(tr("Cannot generate translation files: there is no startup "
                                      "project to write them to."));
                succeeded = false;
                break;
            }
            std::vector<FileWriter::File> files;
            files.reserve(formats.size());
            for (const std::string &format : formats) {
                FilePath filePath = directory;
                filePath += "/qml_";
                filePath += language;
                filePath += '.';
                filePath += format;
                files.push_back({ QString::fromStdString(format), std::move(filePath) });
            }

            writer.waitForPrevious();
            for (const QString &id : std::as_const(unwritable)) {
                feedback->addError(tr("The %1 translation of \"%2\" holds characters that "
                                      "translation files cannot carry (U+FFFE, U+FFFF or a lone "
                                      "surrogate); it was written as untranslated.")
                                       .arg(QString::fromStdString(language), id));
                succeeded = false;
            }
            writer.start(std::move(files), *current, QString::fromStdString(language));
            current = current == &messages ? &spare : &messages;
        }
        writer.waitForPrevious();
    } catch (const std::exception &exception) {
        feedback->addError(
            tr("Generating translation files failed: %1").arg(QString::fromUtf8(exception.what())));
        succeeded = false;
    } catch (...) {
        feedback->addError(tr("Generating translation files failed."));
        succeeded = false;
    }

    if (progressCreated)
        feedback->finishProgress(progress);
    return succeeded;
}

} // namespace Lexora
