#include "atomicfile.h"
#include "databaseio/projectdatabase.h"
#include "fileservices.h"
#include "generationrunner.h"
#include "generationservices.h"
#include "pseudolocale.h"
#include "recordingfeedback.h"
#include "translationfileservices.h"
#include "writetranslationfiles.h"

#include <filesizelimit.h>
#include <qttools.h>
#include <testfiles.h>
#include <tsfiles.h>

#include <projects/session.h>
#include <qmlproject/designproject.h>
#include <sqlite/sqliteexception.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <thread>

#include <unistd.h>

using namespace Lexora;

namespace {

// A QML project in a temporary directory, opened as the session's startup
// project, with its translation database. Files must be written before open().
class TestProject
{
public:
    ~TestProject()
    {
        m_database.reset();
        if (m_project)
            Host::Projects::Session::instance()->removeProject(m_project);
    }

    QString path() const { return m_directory.path(); }
    QString filePath(const QString &relative) const { return m_directory.filePath(relative); }
    QString i18nFile(const QString &name) const { return filePath(QStringLiteral("i18n/") + name); }
    void writeFile(const QString &relative, const QByteArray &contents) const
    {
        ::writeFile(filePath(relative), contents);
    }

    bool open()
    {
        if (!QFileInfo::exists(filePath("test.qmlproject"))) {
            writeFile("test.qmlproject",
                      "import QmlProject\nProject {\n    mainFile: \"App.qml\"\n"
                      "    supportedLanguages: [\"de\", \"fr\"]\n    primaryLanguage: \"de\"\n}\n");
        }
        QString error;
        auto project = Host::QmlProject::DesignProject::open(
            Host::Utils::Path::fromString(filePath("test.qmlproject")), &error);
        if (!project) {
            qWarning("cannot open the test project: %s", qPrintable(error));
            return false;
        }
        m_project = project.release();
        Host::Projects::Session::instance()->addProject(m_project);
        Host::Projects::Session::instance()->setStartupProject(m_project);
        return true;
    }

    ProjectDatabase &database()
    {
        if (!m_database)
            m_database = std::make_unique<ProjectDatabase>(filePath("translations.db"));
        return *m_database;
    }
    void closeDatabase() { m_database.reset(); }
    // Adds the ID when missing.
    void addTranslation(const char *id, const char *language, const char *translation)
    {
        DatabaseIo &io = database().databaseIo();
        const std::int64_t key = io.translatableId(id);
        io.updateTranslation(key < 0 ? io.addTranslatable(id) : key, language, translation);
    }

    QStringList i18nEntries() const
    {
        return QDir(filePath("i18n")).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

private:
    QTemporaryDir m_directory;
    Host::QmlProject::DesignProject *m_project = nullptr;
    std::unique_ptr<ProjectDatabase> m_database;
};

// The services of a run, wired to the project's database.
struct Services
{
    explicit Services(TestProject &project) : translationFiles(feedback)
    {
        generation = { &translationFiles, &project.database().databaseIo(), &files, &feedback };
    }

    RecordingFeedback feedback;
    FileServices files;
    TranslationFileServices translationFiles;
    GenerationServices generation;
};

QByteArray qmlUsing(const QList<QByteArray> &ids)
{
    QByteArray qml = "import QtQuick\n\nColumn {\n";
    for (const QByteArray &id : ids)
        qml += "    Text { text: qsTrId(\"" + id + "\") }\n";
    return qml + "}\n";
}

LanguageCodes toStd(const QStringList &list)
{
    LanguageCodes result;
    for (const QString &item : list)
        result.push_back(item.toStdString());
    return result;
}

QList<ReadMessage> tsOf(const QString &path)
{
    return readTs(readFile(path));
}

// What qtTrId answers for each ID with the .qm file installed; with
// `withCounts` also for every count from 0 to 30, one line per ID.
QStringList translatedWith(const QString &qmFile, const QStringList &ids, bool withCounts = false)
{
    QTranslator translator;
    if (!translator.load(qmFile))
        return { QStringLiteral("<cannot load %1>").arg(qmFile) };
    QCoreApplication::installTranslator(&translator);
    QStringList lines;
    for (const QString &id : ids) {
        QStringList texts { qtTrId(id.toUtf8().constData()) };
        for (int n = 0; withCounts && n <= 30; ++n)
            texts.append(qtTrId(id.toUtf8().constData(), n));
        lines.append(withCounts ? id + QLatin1String(": ") + texts.join(QLatin1String(" | "))
                                : texts.first());
    }
    QCoreApplication::removeTranslator(&translator);
    return lines;
}

// Every file in `directory` apart from `target`: temporary files that a
// writer left behind.
QStringList leftovers(const QString &directory, const QString &target)
{
    QStringList files = QDir(directory).entryList(QDir::Files | QDir::Hidden);
    files.removeAll(QFileInfo(target).fileName());
    return files;
}

// Runs `function` on a worker thread while the interface thread keeps
// answering, as it does in the studio.
template<typename Function> auto onWorkerThread(Function function)
{
    decltype(function()) result;
    std::atomic<bool> done = false;
    std::thread worker([&] {
        result = function();
        done = true;
    });
    QDeadlineTimer deadline(20000);
    while (!done && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    return result;
}

QList<int> steps(int maximum)
{
    QList<int> values;
    for (int step = 1; step <= maximum; ++step)
        values.append(step);
    return values;
}

#define LEXORA_FORWARD(Result, name, Parameters, Arguments)                                        \
    Result name Parameters override                                                                \
    {                                                                                              \
        return m_database.name Arguments;                                                          \
    }

// Hands every call on to a real database, counting the generation's lookups;
// `beforeLookup` runs before each language's lookup, and a `failure` makes the
// chosen lookup throw instead.
class ProbeDatabase final : public DatabaseIoInterface
{
public:
    enum Failure { NoFailure, KeyLookupFails, TranslationLookupFails };

    explicit ProbeDatabase(DatabaseIoInterface &database, Failure failure = NoFailure)
        : m_database(database), m_failure(failure)
    { }

    LEXORA_FORWARD(void, syncTranslatables, (const TranslatableEntries &e), (e))
    LEXORA_FORWARD(void, storeAsLocalEdits, (const TranslatableEntries &e), (e))
    LEXORA_FORWARD(TranslatableEntries, fetchAllTranslatableEntries, (), ())
    LEXORA_FORWARD(TranslatableEntries,
                   fetchFullTranslatableEntries,
                   (const TranslationIds &i),
                   (i))
    LEXORA_FORWARD(TranslatableEntries, fetchTranslatableEntries, (const TranslationIds &i), (i))
    LEXORA_FORWARD(TranslationRows,
                   fetchTranslationRows,
                   (const TranslationIds &i, std::string_view p, std::string_view c),
                   (i, p, c))
    LEXORA_FORWARD(std::int64_t, addTranslatable, (std::string_view i), (i))
    LEXORA_FORWARD(void,
                   setTranslatableMetaData,
                   (std::int64_t i, std::string_view k, const DatabaseValue &v),
                   (i, k, v))
    LEXORA_FORWARD(void, removeTranslatableMetaData, (std::int64_t i, std::string_view k), (i, k))
    LEXORA_FORWARD(std::int64_t,
                   updateTranslation,
                   (std::int64_t i, std::string_view l, std::string_view t),
                   (i, l, t))
    LEXORA_FORWARD(void, removeTranslation, (std::int64_t i, std::string_view l), (i, l))
    LEXORA_FORWARD(void, removeTranslatable, (std::int64_t i), (i))
    LEXORA_FORWARD(SearchRows, searchTranslations, (std::string_view q), (q))
    LEXORA_FORWARD(void, storeScreenMetaData, (std::string_view json), (json))
    LEXORA_FORWARD(TextElides, fetchTextElides, (std::string_view path), (path))
    LEXORA_FORWARD(std::int64_t,
                   updatePluralForms,
                   (std::int64_t i, std::string_view l, const std::vector<std::string> &f),
                   (i, l, f))
    LEXORA_FORWARD(std::vector<std::vector<std::string>>,
                   fetchPluralForms,
                   (std::span<const std::int64_t> i, std::string_view l),
                   (i, l))

    std::int64_t translatableId(std::string_view id) override
    {
        ++singleLookups;
        return m_database.translatableId(id);
    }
    std::optional<std::string> fetchTranslation(std::int64_t id, std::string_view language) override
    {
        ++singleLookups;
        return m_database.fetchTranslation(id, language);
    }
    std::vector<std::int64_t> translatableIds(const TranslationIds &ids) override
    {
        ++keyListLookups;
        if (m_failure == KeyLookupFails)
            throw Host::Sqlite::Exception("database disk image is malformed", 11);
        return m_database.translatableIds(ids);
    }
    std::vector<std::optional<std::string>> fetchTranslations(std::span<const std::int64_t> ids,
                                                              std::string_view language) override
    {
        translationListLookups.append(QString::fromUtf8(language.data(), language.size()));
        if (m_failure == TranslationLookupFails)
            throw Host::Sqlite::Exception("disk I/O error", 10);
        if (beforeLookup)
            beforeLookup(language);
        return m_database.fetchTranslations(ids, language);
    }

    std::atomic<int> singleLookups = 0;
    std::atomic<int> keyListLookups = 0;
    QStringList translationListLookups;
    std::function<void(std::string_view language)> beforeLookup;

private:
    DatabaseIoInterface &m_database;
    Failure m_failure;
};
#undef LEXORA_FORWARD

} // namespace

class TestGeneration : public QObject
{
    Q_OBJECT

private slots:
    void atomicFile_data();
    void atomicFile();
    void projectQueries_data();
    void projectQueries();
    void openFiles();
    void translationFileServices_data();
    void translationFileServices();

    void edgeCases_data();
    void edgeCases();
    void firstFileWinsForSharedIds();
    void languageCodes_data();
    void languageCodes();
    void readFailures_data();
    void readFailures();
    void unwritableIdsAreLeftOut();
    void staleTemporariesAreRemoved();
    void refusals_data();
    void refusals();
    void writeErrorsAreReported();
    void overlappingRunsNeverExposeMixedFiles();
    void severalFormatsInOneRun_data();
    void severalFormatsInOneRun();
    void editsInterleaveWithARun_data();
    void editsInterleaveWithARun();
    void runnerReportsCompletion();
    void shutdownWaitsForWorkers();
    void pseudoText_data();
    void pseudoText();

    void pluralsAnswerAsLrelease_data();
    void pluralsAnswerAsLrelease();
    void sourceTextsAndCommentsAsLupdate();
};

void TestGeneration::atomicFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("previous"); // null: no file there before
    // close, destroy, discard or commit the file; or AtomicFile::writeFile
    QTest::addColumn<QString>("ending");
    QTest::addColumn<int>("sizeLimit"); // 0: none
    QTest::addColumn<int>("chunkSize");
    QTest::addColumn<int>("chunks");
    QTest::addColumn<bool>("succeeds");

    const QByteArray none;
    QTest::newRow("new file, close") << "qml_de.ts" << none << "close" << 0 << 4 << 3 << true;
    QTest::newRow("new file, destroy") << "qml_de.ts" << none << "destroy" << 0 << 4 << 3 << true;
    QTest::newRow("existing file, close")
        << "qml_de.ts" << QByteArray("previous") << "close" << 0 << 4 << 3 << true;
    QTest::newRow("existing file, destroy")
        << "qml_de.ts" << QByteArray("previous") << "destroy" << 0 << 4 << 3 << true;
    QTest::newRow("discard keeps target")
        << "qml_de.qm" << QByteArray("previous") << "discard" << 0 << 4 << 3 << false;
    QTest::newRow("cannot open in missing directory")
        << "missing/qml_de.ts" << none << "close" << 0 << 4 << 3 << false;
    // A single write crossing the limit comes back short without an error;
    // later writes fail outright.
    QTest::newRow("limit: one short write")
        << "qml_fr.qm" << QByteArray("previous") << "commit" << 1000 << 4000 << 1 << false;
    QTest::newRow("limit: many small writes")
        << "qml_fr.qm" << QByteArray("previous") << "commit" << 1000 << 100 << 40 << false;
    QTest::newRow("limit at a chunk boundary")
        << "qml_fr.qm" << QByteArray("previous") << "commit" << 1000 << 500 << 4 << false;
    QTest::newRow("writeFile: new file")
        << "out.json" << none << "writeFile" << 0 << 3000 << 1 << true;
    QTest::newRow("writeFile: replaces file")
        << "out.json" << QByteArray("previous") << "writeFile" << 0 << 3000 << 1 << true;
    QTest::newRow("writeFile: empty previous file")
        << "out.json" << QByteArray("") << "writeFile" << 0 << 3000 << 1 << true;
    QTest::newRow("writeFile: missing directory")
        << "missing/out.json" << none << "writeFile" << 0 << 3000 << 1 << false;
    QTest::newRow("writeFile: target is a directory")
        << "adirectory" << none << "writeFile" << 0 << 3000 << 1 << false;
    QTest::newRow("writeFile: file-size limit keeps previous")
        << "out.json" << QByteArray("previous") << "writeFile" << 1000 << 3000 << 1 << false;
}

void TestGeneration::atomicFile()
{
    QFETCH(QString, target);
    QFETCH(QByteArray, previous);
    QFETCH(QString, ending);
    QFETCH(int, sizeLimit);
    QFETCH(int, chunkSize);
    QFETCH(int, chunks);
    QFETCH(bool, succeeds);

    QTemporaryDir directory;
    QVERIFY(QDir(directory.path()).mkdir(QStringLiteral("adirectory")));
    target = directory.filePath(target);
    if (!previous.isNull())
        QVERIFY(writeFile(target, previous));
    const QByteArray chunk(chunkSize, 'n');

    bool written = false;
    QString error;
    std::unique_ptr<AtomicFile> file;
    if (ending != u"writeFile")
        file = std::make_unique<AtomicFile>(target);
    if (!file || file->open(QIODevice::WriteOnly)) {
        std::optional<FileSizeLimit> limit;
        if (sizeLimit > 0) {
            limit.emplace(rlim_t(sizeLimit));
            if (!limit->isActive())
                QSKIP("setrlimit(RLIMIT_FSIZE) is not permitted here");
        }
        if (ending == u"writeFile") {
            written = AtomicFile::writeFile(target, chunk, &error);
        } else {
            for (int i = 0; i < chunks; ++i) {
                const qint64 count = file->write(chunk);
                if (!limit)
                    QCOMPARE(count, chunkSize);
            }
        }
        limit.reset();
        if (file)
            QCOMPARE(readFile(target), previous);
        if (ending == u"close") {
            file->close();
            written = file->isCommitted();
            QCOMPARE(file->fileName(), target);
        } else if (ending == u"destroy") {
            file.reset();
            written = true;
        } else if (ending == u"discard") {
            file->discard();
            written = file->commit();
        } else if (ending == u"commit") {
            limit.emplace(rlim_t(sizeLimit));
            written = file->commit();
            limit.reset();
            QVERIFY(!file->errorString().isEmpty());
        }
    }
    QCOMPARE(written, succeeds);
    if (ending == u"writeFile")
        QCOMPARE(error.isEmpty(), succeeds);
    if (succeeds) {
        QCOMPARE(readFile(target), ending == u"writeFile" ? chunk : chunk.repeated(chunks));
        // Readable by others like any file the user creates.
        QVERIFY(QFile::permissions(target) & QFile::ReadOther);
    } else if (!previous.isNull()) {
        QCOMPARE(readFile(target), previous);
    } else {
        QVERIFY(!QFileInfo(target).isFile());
    }
    QVERIFY(leftovers(directory.path(), target).isEmpty());
    QVERIFY(!QFileInfo::exists(directory.filePath("missing")));
}

void TestGeneration::projectQueries_data()
{
    QTest::addColumn<bool>("withProject");
    QTest::addColumn<bool>("fromWorker");
    QTest::newRow("worker thread") << true << true;
    // The interface thread must not wait for itself.
    QTest::newRow("interface thread") << true << false;
    QTest::newRow("no project, worker thread") << false << true;
    QTest::newRow("no project, interface thread") << false << false;
}

void TestGeneration::projectQueries()
{
    QFETCH(bool, withProject);
    QFETCH(bool, fromWorker);

    TestProject project;
    project.writeFile("App.qml", "import QtQuick\nItem {}\n");
    project.writeFile("screens/Main.ui.qml", "import QtQuick\nItem {}\n");
    project.writeFile("screens/Old.qml.bak", "import QtQuick\nItem {}\n");
    project.writeFile("notes.txt", "not QML");
    if (withProject)
        QVERIFY(project.open());

    FileServices services;
    const FilePaths files = fromWorker ? onWorkerThread([&] { return services.projectQmlFiles(); })
                                       : services.projectQmlFiles();
    const FilePath i18n = fromWorker ? onWorkerThread([&] { return services.i18nDirectory(); })
                                     : services.i18nDirectory();
    if (!withProject) {
        QVERIFY(files.empty());
        QVERIFY(i18n.empty());
        return;
    }
    QStringList names;
    for (const FilePath &file : files) {
        QVERIFY(QFileInfo(QString::fromStdString(file)).isAbsolute());
        names.append(QFileInfo(QString::fromStdString(file)).fileName());
    }
    names.sort();
    QCOMPARE(names, QStringList({ "App.qml", "Main.ui.qml" }));
    QCOMPARE(QString::fromStdString(i18n), project.filePath("i18n"));
    QVERIFY(QFileInfo(project.filePath("i18n")).isDir());
}

void TestGeneration::openFiles()
{
    QTemporaryDir directory;
    FileServices services;

    QVERIFY(!services.openFileForReading(directory.filePath("missing.qml").toStdString()));
    QVERIFY(!services.openFileForWriting(directory.filePath("missing/qml_de.qm").toStdString()));

    const std::string path = directory.filePath("qml_de.ts").toStdString();
    std::unique_ptr<QIODevice> writer = services.openFileForWriting(path);
    QVERIFY(writer);
    writer->write("content");
    QVERIFY(!services.openFileForReading(path));
    writer.reset();
    std::unique_ptr<QIODevice> reader = services.openFileForReading(path);
    QVERIFY(reader);
    QCOMPARE(reader->readAll(), QByteArray("content"));

    services.writeFile(path, "written");
    QCOMPARE(readFile(QString::fromStdString(path)), QByteArray("written"));
    // A failed write is logged, and leaves nothing behind.
    const QString missing = directory.filePath("missing/qml_fr.ts");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Could not write .*missing/qml_fr.ts"));
    services.writeFile(missing.toStdString(), "lost");
    QVERIFY(!QFileInfo::exists(QFileInfo(missing).path()));
}

void TestGeneration::translationFileServices_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("expectedErrors");

    QTest::newRow("load unknown format")
        << "load"
        << "xml" << QStringList { "Unknown format xml for file /p/App.qml" };
    QTest::newRow("save qml") << "save"
                              << "qml" << QStringList { "Cannot save qml files" };
    QTest::newRow("save unknown format") << "save"
                                         << "xml" << QStringList { "Unknown format xml" };
    QTest::newRow("load qml") << "load"
                              << "qml" << QStringList {};
    QTest::newRow("load without device") << "none"
                                         << "qml" << QStringList {};
}

void TestGeneration::translationFileServices()
{
    QFETCH(QString, operation);
    QFETCH(QString, format);
    QFETCH(QStringList, expectedErrors);

    RecordingFeedback feedback;
    TranslationFileServices services(feedback);
    QBuffer buffer;
    if (operation == u"save") {
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        CatalogMessage message;
        message.id = QStringLiteral("greeting");
        services.saveMessages({ message }, format, QStringLiteral("de"), buffer);
        QVERIFY(buffer.data().isEmpty());
    } else if (operation == u"none") {
        QVERIFY(services.loadMessages(nullptr, "/p/Missing.qml", format).isEmpty());
    } else {
        buffer.setData("import QtQuick\nText { text: qsTrId(\"greeting\") }\n");
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const QList<CatalogMessage> messages = services.loadMessages(&buffer, "/p/App.qml", format);
        QCOMPARE(messages.size(), expectedErrors.isEmpty() ? 1 : 0);
        for (const CatalogMessage &message : messages) {
            QCOMPARE(message.id, QStringLiteral("greeting"));
            QCOMPARE(message.translatableKey, -1);
            QCOMPARE(message.type, CatalogMessage::Unfinished);
        }
    }
    QCOMPARE(feedback.errors(), expectedErrors);
}

void TestGeneration::edgeCases_data()
{
    QTest::addColumn<QByteArrayList>("files");
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<QStringList>("expectedTsIds");
    QTest::addColumn<QStringList>("expectedErrors");
    QTest::addColumn<int>("expectedMaximum");

    const QByteArray noCalls = "import QtQuick\nItem { width: 10 }\n";
    const QByteArray trWithoutId = "import QtQuick\nColumn {\n    Text { text: qsTr(\"Hello\") }\n"
                                   "    Text { text: qsTranslate(\"Main\", \"Bye\") }\n}\n";
    const QString dropped = QStringLiteral("Dropped 2 message(s) which had no ID.");
    QTest::newRow("no translation calls")
        << QByteArrayList { noCalls, noCalls } << QStringList { "de", "fr" } << QStringList {}
        << QStringList {} << 4;
    QTest::newRow("qsTr without ID meta")
        << QByteArrayList { trWithoutId, qmlUsing({ "greeting" }) } << QStringList { "de", "fr" }
        << QStringList { "greeting" } << QStringList { dropped, dropped } << 4;
    QTest::newRow("ID in two files")
        << QByteArrayList { qmlUsing({ "greeting", "greeting" }), qmlUsing({ "greeting" }) }
        << QStringList { "de" } << QStringList { "greeting" } << QStringList {} << 3;
}

void TestGeneration::edgeCases()
{
    QFETCH(QByteArrayList, files);
    QFETCH(QStringList, languages);
    QFETCH(QStringList, expectedTsIds);
    QFETCH(QStringList, expectedErrors);
    QFETCH(int, expectedMaximum);

    TestProject project;
    for (int i = 0; i < files.size(); ++i)
        project.writeFile(QStringLiteral("Screen%1.qml").arg(i), files.at(i));
    QVERIFY(project.open());
    project.addTranslation("greeting", "de", "Hallo");

    Services services(project);
    writeTranslationFiles(services.generation, toStd(languages), "qm");
    writeTranslationFiles(services.generation, toStd(languages), "ts");
    QCOMPARE(services.feedback.errors(), expectedErrors);
    for (const RecordingFeedback::Progress &progress : services.feedback.progresses()) {
        QCOMPARE(progress.maximum, expectedMaximum);
        QCOMPARE(progress.values.size(), expectedMaximum);
        QVERIFY(progress.finished);
    }
    for (const QString &language : languages) {
        const QString ts = project.i18nFile(QStringLiteral("qml_%1.ts").arg(language));
        QCOMPARE(messageIds(tsOf(ts)), expectedTsIds);
        QVERIFY(readFile(ts).contains("<context>\n    <name></name>\n"));
        QTranslator translator;
        QVERIFY(translator.load(project.i18nFile(QStringLiteral("qml_%1.qm").arg(language))));
        QCOMPARE(translator.isEmpty(), expectedTsIds.isEmpty());
    }
}

void TestGeneration::firstFileWinsForSharedIds()
{
    // Enough files to be parsed on several threads; the outcome must still be
    // that of reading them one after the other in project order.
    TestProject project;
    for (int i = 0; i < 48; ++i) {
        project.writeFile(QStringLiteral("Screen%1.qml").arg(i, 2, 10, QLatin1Char('0')),
                          "import QtQuick\nColumn {\n    //= shared\n    Text { text: "
                          "qsTr(\"Shared\", \"from file "
                              + QByteArray::number(i) + "\") }\n    Text { text: qsTrId(\"own."
                              + QByteArray::number(i) + "\") }\n}\n");
    }
    QVERIFY(project.open());

    Services services(project);
    const FilePaths order = services.files.projectQmlFiles();
    QCOMPARE(order.size(), std::size_t(48));
    const QString first = QFileInfo(QString::fromStdString(order.front())).baseName();
    QByteArray previous;
    for (int run = 0; run < 3; ++run) {
        QVERIFY(writeTranslationFiles(services.generation, { "de" }, "ts"));
        const QList<ReadMessage> messages = tsOf(project.i18nFile("qml_de.ts"));
        QCOMPARE(messages.size(), 49);
        QCOMPARE(messages.last().id, "shared");
        QCOMPARE(messages.last().comment, QStringLiteral("from file %1").arg(first.mid(6).toInt()));
        const QByteArray current = readFile(project.i18nFile("qml_de.ts"));
        if (run > 0)
            QCOMPARE(current, previous);
        previous = current;
    }
}

void TestGeneration::languageCodes_data()
{
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QStringList>("refused");
    QTest::addColumn<QStringList>("expectedFiles");

    QTest::newRow("path and empty code")
        << QStringList { "../outside", "de", "" } << QStringList { "../outside", "" }
        << QStringList { "qml_de.qm" };
    // Each of these breaks the .ts markup or the file name.
    QTest::newRow("markup and dots")
        << QStringList { "\"", "<", "&", ".", "..", "d e", "de/", QStringLiteral("d\u00e9"), "de" }
        << QStringList { "\"", "<", "&", ".", "..", "d e", "de/", QStringLiteral("d\u00e9") }
        << QStringList { "qml_de.qm" };
    QTest::newRow("repeated code written once")
        << QStringList { "de", "en-GB", "de", "zh_Hans", "en-GB" } << QStringList {}
        << QStringList { "qml_de.qm", "qml_en-GB.qm", "qml_zh_Hans.qm" };
}

void TestGeneration::languageCodes()
{
    QFETCH(QStringList, codes);
    QFETCH(QStringList, refused);
    QFETCH(QStringList, expectedFiles);

    TestProject project;
    project.writeFile("App.qml", qmlUsing({ "greeting" }));
    QVERIFY(project.open());
    project.addTranslation("greeting", "de", "Hallo");

    Services services(project);
    QCOMPARE(writeTranslationFiles(services.generation, toStd(codes), "qm"), refused.isEmpty());
    QStringList expectedErrors;
    for (const QString &code : refused)
        expectedErrors << QStringLiteral(
                              "Skipped the language code \"%1\": it cannot be part of a file name.")
                              .arg(code);
    QCOMPARE(services.feedback.errors(), expectedErrors);
    QCOMPARE(project.i18nEntries(), expectedFiles);
    QVERIFY(!QFile::exists(project.filePath("outside.qm")));
    QVERIFY(!QFile::exists(project.filePath("qml_..qm")));
    const RecordingFeedback::Progress progress = services.feedback.progresses().value(0);
    const int distinct = int(QSet<QString>(codes.begin(), codes.end()).size());
    QCOMPARE(progress.maximum, distinct + 1);
    QCOMPARE(progress.values.size(), distinct + 1);
    QCOMPARE(progress.values.last(), distinct + 1);
}

void TestGeneration::readFailures_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("expectedError");

    QTest::newRow("parse error") << "broken"
                                 << "%1/Broken.qml:3:1: error: ";
    QTest::newRow("unreadable file") << "dangling"
                                     << "Cannot read the QML file %1/Dangling.qml";
    QTest::newRow("nesting too deep")
        << "deep"
        << "%1/Deep.qml: Maximum statement or expression depth exceeded";
    QTest::newRow("missing folder")
        << "missing folder"
        << "The folder %1/screens named in %1/test.qmlproject does not exist";
    QTest::newRow("folder is a file") << "file as folder"
                                      << "%1/App.qml named in %1/test.qmlproject is not a folder";
    // Decoded, the ID would be another one, with U+FFFD in place of the bytes.
    QTest::newRow("invalid UTF-8 in an ID") << "invalid utf-8"
                                            << "%1/Bad.qml:3: The translation ID holds bytes that "
                                               "are not valid UTF-8; it was left out.";
    // Permission bits do not keep root out.
    if (::geteuid() != 0)
        QTest::newRow("unreadable folder") << "unreadable folder"
                                           << "Cannot read the folder %1/sub";
}

void TestGeneration::readFailures()
{
    QFETCH(QString, setup);
    QFETCH(QString, expectedError);

    for (const bool writeAfterReadErrors : { false, true }) {
        TestProject project;
        project.writeFile("App.qml", qmlUsing({ "greeting", "other" }));
        if (setup == "broken") {
            project.writeFile("Broken.qml", "import QtQuick\nItem {\n");
        } else if (setup == "dangling") {
            QVERIFY(QFile::link(project.filePath("nowhere.qml"), project.filePath("Dangling.qml")));
        } else if (setup == "deep") {
            project.writeFile("Deep.qml",
                              "Item {\n    property var x: " + QByteArray(5000, '(')
                                  + "qsTrId(\"lost\")" + QByteArray(5000, ')') + "\n}\n");
        } else if (setup == "missing folder" || setup == "file as folder") {
            project.writeFile("test.qmlproject",
                              "import QmlProject\nProject {\n    QmlFiles { directory: \".\" }\n"
                              "    QmlFiles { directory: \""
                                  + QByteArray(setup == "missing folder" ? "screens" : "App.qml")
                                  + "\" }\n}\n");
        } else if (setup == "invalid utf-8") {
            project.writeFile("Bad.qml",
                              "import QtQuick\nColumn {\n    Text { text: qsTrId(\"Gr\xfc\xdf"
                              "e\") }\n}\n");
        } else if (setup == "unreadable folder") {
            project.writeFile("sub/Screen.qml", qmlUsing({ "sub" }));
            QVERIFY(QFile::setPermissions(project.filePath("sub"), QFileDevice::WriteOwner));
        }
        QVERIFY(project.open());
        project.addTranslation("greeting", "de", "Hallo");
        project.writeFile("i18n/qml_de.ts", "previous");

        Services services(project);
        GenerationOptions options;
        options.writeAfterReadErrors = writeAfterReadErrors;
        QVERIFY(!writeTranslationFiles(services.generation, { "de" }, "ts", options));
        const QStringList errors = services.feedback.errors();
        QVERIFY2(!errors.isEmpty() && errors.first().startsWith(expectedError.arg(project.path())),
                 qPrintable(errors.join(u'\n')));
        if (writeAfterReadErrors) {
            QCOMPARE(errors.size(), 1);
            // What could be read is written.
            QCOMPARE(messageIds(tsOf(project.i18nFile("qml_de.ts"))),
                     QStringList({ "greeting", "other" }));
        } else {
            QCOMPARE(errors.size(), 2);
            QCOMPARE(errors.last(),
                     "No translation files were written: 1 file(s) or folder(s) of the project "
                     "could not be read; the existing files are kept.");
            QCOMPARE(readFile(project.i18nFile("qml_de.ts")), QByteArray("previous"));
        }
        QCOMPARE(project.i18nEntries(), QStringList { "qml_de.ts" });
        for (const RecordingFeedback::Progress &progress : services.feedback.progresses())
            QVERIFY(progress.finished);
        QFile::setPermissions(project.filePath("sub"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                  | QFileDevice::ExeOwner);
    }
}

void TestGeneration::unwritableIdsAreLeftOut()
{
    LEXORA_REQUIRE_TOOL("lrelease");
    LEXORA_REQUIRE_TOOL("lconvert");
    // Escapes in the QML string literals put the characters into the IDs.
    TestProject project;
    project.writeFile("App.qml",
                      "import QtQuick\nColumn {\n"
                      "    Text { text: qsTrId(\"with\\ttab\") }\n"
                      "    Text { text: qsTrId(\"with\\nline\\rbreaks\") }\n"
                      "    Text { text: qsTrId(\"with\\u0000nul\") }\n"
                      "    Text { text: qsTrId(\"with\\u0001start\") }\n"
                      "    Text { text: qsTrId(\"lone\\ud800surrogate\") }\n"
                      "    Text { text: qsTrId(\"plain\") }\n"
                      "    Text { text: qsTrId(\"noncharacters\") }\n"
                      "    //= commented\n"
                      "    Text { text: qsTr(\"Text\", \"note\\ufffe\") }\n}\n");
    QVERIFY(project.open());
    project.addTranslation("with\ttab", "de", "Tabulator");
    // U+FFFE and U+FFFF: valid UTF-8 in the database, never valid in XML.
    project.addTranslation("noncharacters", "de", "a\xef\xbf\xbe b\xef\xbf\xbf");
    project.addTranslation("with\nline\rbreaks", "de", "Umbruch");
    // A control character is written as a <byte> element.
    project.addTranslation("plain",
                           "de",
                           "Ein\x01"
                           "fach");

    Services services(project);
    QVERIFY(!writeTranslationFiles(services.generation, { "de" }, "ts"));
    QVERIFY(!writeTranslationFiles(services.generation, { "de" }, "qm"));
    const QString left = QStringLiteral("The translation ID \"%1\" holds characters that "
                                        "translation files cannot carry; it was left out.");
    const QStringList once { left.arg("lone\\xd800surrogate"),
                             left.arg("with\\x00nul"),
                             left.arg("with\\x01start"),
                             "The comment of the translation ID \"commented\" holds characters "
                             "that translation files cannot carry; it "
                             "was left out.",
                             "The de translation of \"noncharacters\" holds characters that "
                             "translation files cannot carry (U+FFFE, "
                             "U+FFFF or a lone surrogate); it was written as untranslated." };
    QCOMPARE(services.feedback.errors(), once + once);

    // Tabs and line breaks survive an XML reader as they are.
    const QStringList kept {
        "commented", "noncharacters", "plain", "with\ttab", "with\nline\rbreaks"
    };
    QCOMPARE(messageIds(tsOf(project.i18nFile("qml_de.ts"))), kept);
    // An untranslated qsTr() call with an ID shows its source text, as Qt's tools make it.
    const QStringList translations { "Text",
                                     "noncharacters",
                                     "Ein\x01"
                                     "fach",
                                     "Tabulator",
                                     "Umbruch" };
    QCOMPARE(translatedWith(project.i18nFile("qml_de.qm"), kept), translations);
    QVERIFY(
        runQtTool("lrelease",
                  { "-idbased", project.i18nFile("qml_de.ts"), "-qm", project.filePath("peer.qm") })
            .ok);
    QCOMPARE(translatedWith(project.filePath("peer.qm"), kept), translations);
    QCOMPARE(lconvertIds(project.i18nFile("qml_de.ts"), project.filePath("copy.ts")), kept);
}

void TestGeneration::staleTemporariesAreRemoved()
{
    TestProject project;
    project.writeFile("App.qml", qmlUsing({ "greeting" }));
    QVERIFY(project.open());
    const QString i18n = project.filePath("i18n");
    // Left by writers that were killed, and things that only look alike.
    const QStringList stale { ".qml_de.qm.3kq9x0a1.part", ".qml_fr.ts.z.part" };
    QStringList others { ".notes.txt.3kq9x0a1.part", "qml_de.qm.3kq9x0a1.part",
                         ".qml_de.qm.3KQ9.part",     ".qml_de.qm.3kq9x0a1.part.bak",
                         ".qml_de.po.3kq9x0a1.part", "keep.part" };
    for (const QString &name : stale + others)
        QVERIFY(writeFile(i18n + u'/' + name, {}));
    // A writer still at work must not be disturbed.
    AtomicFile live(i18n + QStringLiteral("/qml_en.ts"));
    QVERIFY(live.open(QIODevice::WriteOnly));
    QVERIFY(live.write("partial") == 7);

    Services services(project);
    QVERIFY(writeTranslationFiles(services.generation, { "de" }, "ts"));
    others << "qml_de.ts";
    others.sort();
    QStringList entries = project.i18nEntries();
    // Where the file system has no unnamed temporary files, the live writer's
    // temporary file is named after its target.
    entries.removeIf([](const QString &name) { return name.startsWith(u"qml_en.ts"); });
    QCOMPARE(entries, others);
    QVERIFY(live.commit());
    QVERIFY(QFile::exists(i18n + QStringLiteral("/qml_en.ts")));
}

void TestGeneration::refusals_data()
{
    QTest::addColumn<bool>("withDatabase");
    QTest::addColumn<bool>("withProject");
    QTest::addColumn<int>("failure"); // ProbeDatabase::Failure
    QTest::addColumn<QString>("expectedError");

    QTest::newRow("no database")
        << false << true << 0
        << "Cannot generate translation files: no translation database is open.";
    QTest::newRow("no startup project")
        << true << false << 0
        << "Cannot generate translation files: there is no startup project to write them to.";
    // On a worker, where an escaping exception would end the process.
    QTest::newRow("key lookup throws")
        << true << true << int(ProbeDatabase::KeyLookupFails)
        << "Generating translation files failed: database disk image is malformed";
    QTest::newRow("translation lookup throws")
        << true << true << int(ProbeDatabase::TranslationLookupFails)
        << "Generating translation files failed: disk I/O error";
}

void TestGeneration::refusals()
{
    QFETCH(bool, withDatabase);
    QFETCH(bool, withProject);
    QFETCH(int, failure);
    QFETCH(QString, expectedError);

    TestProject project;
    project.writeFile("App.qml", qmlUsing({ "greeting" }));
    if (withProject)
        QVERIFY(project.open());
    Services services(project);
    ProbeDatabase database(*services.generation.database, ProbeDatabase::Failure(failure));
    services.generation.database = withDatabase ? &database : nullptr;

    if (failure == ProbeDatabase::NoFailure) {
        // Without a project the file would go to the file-system root; one left
        // there by something else must not be taken for it.
        const auto rootFile = [] {
            const QFileInfo file(QStringLiteral("/qml_de.qm"));
            return file.exists() ? file.lastModified() : QDateTime();
        };
        const QDateTime rootFileBefore = rootFile();
        QVERIFY(!writeTranslationFiles(services.generation, { "de" }, "qm"));
        QCOMPARE(services.feedback.errors(), QStringList { expectedError });
        QCOMPARE(rootFile(), rootFileBefore);
        QVERIFY(!QFile::exists(project.i18nFile("qml_de.qm")));
        for (const RecordingFeedback::Progress &progress : services.feedback.progresses())
            QVERIFY(progress.finished);
        if (withDatabase)
            return;
        // The runner refuses before it starts a worker.
        GenerationRunner runner([&] {
            GenerationServices onlyFeedback;
            onlyFeedback.feedback = &services.feedback;
            return onlyFeedback;
        });
        QVERIFY(!runner.generateAllTranslationFiles({ "de" }));
        QVERIFY(!runner.isRunning());
        QCOMPARE(services.feedback.errors(), QStringList({ expectedError, expectedError }));
        return;
    }
    GenerationRunner runner([&] { return services.generation; });
    QSignalSpy finished(&runner, &GenerationRunner::finished);
    QVERIFY(runner.generateAllTranslationFiles({ "de" }));
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().first().toBool(), false);
    // Both formats come from one run, which stops at the first failure.
    QCOMPARE(services.feedback.errors(), QStringList { expectedError });
    const QList<RecordingFeedback::Progress> progresses = services.feedback.progresses();
    QCOMPARE(progresses.size(), 1);
    QVERIFY(progresses.first().finished);
    QCOMPARE(project.i18nEntries(), QStringList());
}

void TestGeneration::writeErrorsAreReported()
{
    TestProject project;
    QByteArrayList ids;
    for (int i = 0; i < 200; ++i)
        ids.append("message.number." + QByteArray::number(i));
    project.writeFile("App.qml", qmlUsing(ids));
    QVERIFY(project.open());
    project.addTranslation("message.number.0", "de", "Nachricht");
    Services services(project);
    // Opens the database (and its write-ahead log) before the limit applies.
    project.database().databaseIo().translatableId("message.number.0");
    for (const char *name : { "qml_de.ts", "qml_de.qm" })
        project.writeFile(QStringLiteral("i18n/") + QLatin1String(name), "previous");

    bool written[2] = { true, true };
    {
        // Nothing is checked under the limit, where the test log might be cut.
        const FileSizeLimit limit { 2048 }; // both files are larger
        if (!limit.isActive())
            QSKIP("setrlimit(RLIMIT_FSIZE) is not permitted here");
        written[0] = writeTranslationFiles(services.generation, { "de" }, "qm");
        written[1] = writeTranslationFiles(services.generation, { "de" }, "ts");
    }
    QVERIFY(!written[0]);
    QVERIFY(!written[1]);
    const QStringList errors = services.feedback.errors();
    QCOMPARE(errors.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const QString file = project.i18nFile(i == 0 ? "qml_de.qm" : "qml_de.ts");
        QVERIFY2(errors.at(i).startsWith("Could not write the translation file " + file + ": "),
                 qPrintable(errors.at(i)));
        // The previous files are intact and nothing half-written is left behind.
        QCOMPARE(readFile(file), QByteArray("previous"));
    }
    QCOMPARE(project.i18nEntries(), QStringList({ "qml_de.qm", "qml_de.ts" }));
    // Without the limit the same run succeeds.
    QVERIFY(writeTranslationFiles(services.generation, { "de" }, "ts"));
    QCOMPARE(tsOf(project.i18nFile("qml_de.ts")).size(), 200);
}

void TestGeneration::overlappingRunsNeverExposeMixedFiles()
{
    // Two projects' databases with different translations write into one
    // i18n directory at the same time while a reader keeps reading the result.
    TestProject project;
    QByteArrayList ids;
    for (int i = 0; i < 400; ++i)
        ids.append("id." + QByteArray::number(i));
    project.writeFile("App.qml", qmlUsing(ids));
    QVERIFY(project.open());
    TestProject other;
    for (const QByteArray &id : std::as_const(ids)) {
        project.addTranslation(id.constData(), "de", "erste Fassung eines recht langen Textes");
        other.addTranslation(id.constData(), "de", "zweite");
    }
    Services first(project);
    Services second(project);
    second.generation.database = &other.database().databaseIo();

    QVERIFY(writeTranslationFiles(first.generation, { "de" }, "ts"));
    const QByteArray firstContents = readFile(project.i18nFile("qml_de.ts"));
    QVERIFY(writeTranslationFiles(second.generation, { "de" }, "ts"));
    const QByteArray secondContents = readFile(project.i18nFile("qml_de.ts"));
    QVERIFY(firstContents != secondContents);

    GenerationRunner firstRunner([&] { return first.generation; });
    GenerationRunner secondRunner([&] { return second.generation; });
    std::atomic<bool> stop = false;
    std::atomic<int> reads = 0;
    std::atomic<int> mixed = 0;
    std::thread reader([&] {
        while (!stop) {
            const QByteArray contents = readFile(project.i18nFile("qml_de.ts"));
            if (contents != firstContents && contents != secondContents)
                ++mixed;
            ++reads;
        }
    });
    for (int round = 0; round < 5; ++round) {
        firstRunner.generateTsFiles({ "de" });
        secondRunner.generateTsFiles({ "de" });
    }
    firstRunner.waitForFinished();
    secondRunner.waitForFinished();
    stop = true;
    reader.join();

    QVERIFY(reads > 0);
    QCOMPARE(mixed.load(), 0);
    QCOMPARE(first.feedback.errors(), QStringList());
    QCOMPARE(second.feedback.errors(), QStringList());
    QCOMPARE(project.i18nEntries(), QStringList { "qml_de.ts" });
}

void TestGeneration::severalFormatsInOneRun_data()
{
    QTest::addColumn<QStringList>("formats");
    QTest::addColumn<QStringList>("languages");

    QTest::newRow("qm and ts") << QStringList { "qm", "ts" } << QStringList { "de", "fr" };
    QTest::newRow("ts before qm") << QStringList { "ts", "qm" } << QStringList { "fr" };
    QTest::newRow("one format") << QStringList { "ts" } << QStringList { "de", "fr", "it" };
    QTest::newRow("no languages") << QStringList { "qm", "ts" } << QStringList {};
}

void TestGeneration::severalFormatsInOneRun()
{
    QFETCH(QStringList, formats);
    QFETCH(QStringList, languages);
    LEXORA_REQUIRE_TOOL("lconvert");

    TestProject project;
    // "both" is used by two files; "missing" is not in the database.
    project.writeFile("App.qml", qmlUsing({ "greeting", "both", "missing" }));
    project.writeFile("screens/Settings.ui.qml", qmlUsing({ "both", "emptyText", "onlyGerman" }));
    QVERIFY(project.open());
    const char *const stored[][3] = { { "greeting", "de", "Hallo" },
                                      { "greeting", "fr", "Bonjour" },
                                      { "both", "de", "Beide" },
                                      { "both", "fr", "Les deux" },
                                      { "emptyText", "de", "" },
                                      { "emptyText", "fr", "" },
                                      { "onlyGerman", "de", "Nur Deutsch" },
                                      { "unused", "de", "Nicht benutzt" } };
    for (const auto &row : stored)
        project.addTranslation(row[0], row[1], row[2]);
    // What qtTrId gives for each ID; the .ts files hold the IDs in use, in ID
    // order, with the ID as the unfinished text of a missing translation.
    const QStringList ids { "both", "emptyText", "greeting", "missing", "onlyGerman", "unused" };
    const QMap<QString, QStringList> texts {
        { "de", { "Beide", "", "Hallo", "missing", "Nur Deutsch", "unused" } },
        { "fr", { "Les deux", "", "Bonjour", "missing", "onlyGerman", "unused" } },
        { "it", ids },
    };
    const LanguageCodes codes = toStd(languages);
    const TranslationFormats formatList = toStd(formats);
    QStringList expectedFiles;
    for (const QString &format : std::as_const(formats)) {
        for (const QString &language : std::as_const(languages))
            expectedFiles.append(QStringLiteral("qml_%1.%2").arg(language, format));
    }
    expectedFiles.sort();

    // What one run per format writes is the reference.
    QMap<QString, QByteArray> separately;
    {
        Services services(project);
        for (const std::string &format : formatList)
            QVERIFY(writeTranslationFiles(services.generation, codes, format));
        QCOMPARE(services.feedback.errors(), QStringList());
        QCOMPARE(project.i18nEntries(), expectedFiles);
        for (const QString &file : std::as_const(expectedFiles))
            separately.insert(file, readFile(project.i18nFile(file)));
        // One progress entry per run, advancing once per file and language.
        const QList<RecordingFeedback::Progress> progresses = services.feedback.progresses();
        QCOMPARE(progresses.size(), formats.size());
        for (const RecordingFeedback::Progress &progress : progresses) {
            QCOMPARE(progress.title, "Generate translation files");
            QCOMPARE(progress.typeId, "GenerateTranslationFiles");
            QCOMPARE(progress.maximum, 2 + languages.size());
            QCOMPARE(progress.values, steps(2 + languages.size()));
            QVERIFY(progress.started);
            QVERIFY(progress.finished);
        }

        for (const QString &language : std::as_const(languages)) {
            const QStringList expected = texts.value(language);
            const QString file = project.i18nFile(QStringLiteral("qml_") + language);
            if (formats.contains(QStringLiteral("qm")))
                QCOMPARE(translatedWith(file + ".qm", ids), expected);
            if (!formats.contains(QStringLiteral("ts")))
                continue;
            QStringList lines;
            QStringList expectedLines;
            for (const ReadMessage &message : tsOf(file + ".ts"))
                lines << message.id + u'=' + message.translation + u'/' + message.type;
            for (int index = 0; index < 5; ++index)
                expectedLines << ids[index] + u'=' + expected[index] + u'/'
                        + (expected[index] == ids[index] ? QStringLiteral("unfinished")
                                                         : QString());
            QCOMPARE(lines, expectedLines);

            // lconvert reads every message back, with its ID and translation.
            const ToolResult result
                = runQtTool("lconvert", { "-i", file + ".ts", "-of", "po", "-o", file + ".po" });
            QVERIFY(result.ok);
            QCOMPARE(result.output + result.errors, QByteArray());
            QStringList poLines;
            for (const ReadMessage &message : readPo(readFile(file + ".po")))
                poLines << message.id + u'=' + message.translation + u'/';
            for (QString &line : expectedLines)
                line = line.section(u'/', 0, 0) + u'/';
            QCOMPARE(poLines, expectedLines);
        }
        QDir(project.filePath("i18n")).removeRecursively();
    }

    Services services(project);
    ProbeDatabase database(*services.generation.database);
    services.generation.database = &database;
    QVERIFY(writeTranslationFiles(services.generation, codes, formatList));
    QCOMPARE(services.feedback.errors(), QStringList());
    QCOMPARE(project.i18nEntries(), expectedFiles);
    for (const QString &file : std::as_const(expectedFiles))
        QCOMPARE(readFile(project.i18nFile(file)), separately.value(file));
    // Each language is looked up once, whatever the number of formats, and
    // never item by item.
    QCOMPARE(database.keyListLookups.load(), 1);
    QCOMPARE(database.translationListLookups, languages);
    QCOMPARE(database.singleLookups.load(), 0);
    const QList<RecordingFeedback::Progress> progresses = services.feedback.progresses();
    QCOMPARE(progresses.size(), 1);
    QCOMPARE(progresses.first().maximum, 2 + languages.size() * formats.size());
    QCOMPARE(progresses.first().values, steps(2 + int(languages.size() * formats.size())));
    QVERIFY(progresses.first().finished);
}

void TestGeneration::editsInterleaveWithARun_data()
{
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<QStringList>("formats");

    QTest::newRow("one language") << QStringList { "de" } << QStringList { "ts" };
    QTest::newRow("three languages, two formats")
        << QStringList { "de", "fr", "it" } << QStringList { "ts", "qm" };
}

void TestGeneration::editsInterleaveWithARun()
{
    QFETCH(QStringList, languages);
    QFETCH(QStringList, formats);

    TestProject project;
    project.writeFile("App.qml", qmlUsing({ "greeting", "other" }));
    QVERIFY(project.open());
    const LanguageCodes codes = toStd(languages);
    for (const std::string &code : codes)
        project.addTranslation("greeting", code.c_str(), "before");

    Services services(project);
    DatabaseIoInterface &real = *services.generation.database;
    const std::int64_t greeting = real.translatableId("greeting");
    ProbeDatabase database(real);
    services.generation.database = &database;

    // Before each language's lookup another thread edits that language, as
    // the interface thread may at any time; a run that held a transaction (and
    // so the connection's lock) across its lookups would keep the edit
    // waiting until the run ends.
    std::vector<std::future<void>> edits;
    int editsInTime = 0;
    database.beforeLookup = [&](std::string_view language) {
        const std::string code(language);
        edits.push_back(std::async(std::launch::async, [&real, greeting, code] {
            real.updateTranslation(greeting, code, "edited " + code);
        }));
        if (edits.back().wait_for(std::chrono::seconds(10)) == std::future_status::ready)
            ++editsInTime;
    };

    GenerationRunner runner([&] { return services.generation; });
    QSignalSpy finished(&runner, &GenerationRunner::finished);
    QVERIFY(formats.size() == 2
                ? runner.generateAllTranslationFiles(codes)
                : runner.generateTranslationFiles(codes, formats.first().toStdString()));
    QVERIFY(finished.wait(60000));
    for (std::future<void> &edit : edits)
        edit.get();
    QCOMPARE(finished.first().first().toBool(), true);
    QCOMPARE(editsInTime, int(languages.size()));

    // Each file holds the edit made just before its language was looked up.
    for (const QString &language : std::as_const(languages)) {
        const QString file = project.i18nFile(QStringLiteral("qml_") + language);
        const ReadMessage greeting = tsOf(file + ".ts").value(0);
        QCOMPARE(greeting.id + u'=' + greeting.translation, "greeting=edited " + language);
        if (formats.contains(QStringLiteral("qm")))
            QCOMPARE(translatedWith(file + ".qm", { "greeting" }),
                     QStringList { "edited " + language });
    }
}

void TestGeneration::runnerReportsCompletion()
{
    TestProject project;
    project.writeFile("App.qml", qmlUsing({ "greeting" }));
    QVERIFY(project.open());
    project.addTranslation("greeting", "de", "Hallo");
    Services services(project);

    GenerationRunner runner([&] { return services.generation; });
    QSignalSpy finished(&runner, &GenerationRunner::finished);
    QSignalSpy allFinished(&runner, &GenerationRunner::allFinished);
    QVERIFY(runner.generateQmFiles({ "de" }));
    QVERIFY(runner.generateAllTranslationFiles({ "de", "fr" }));
    QTRY_COMPARE_WITH_TIMEOUT(allFinished.size(), 1, 20000);
    QCOMPARE(finished.size(), 2);
    QVERIFY(finished.at(0).first().toBool());
    QVERIFY(finished.at(1).first().toBool());
    QVERIFY(!runner.isRunning());
    QCOMPARE(project.i18nEntries(),
             QStringList({ "qml_de.qm", "qml_de.ts", "qml_fr.qm", "qml_fr.ts" }));
    // Two runs: .qm, then .qm and .ts together on the second worker; the two
    // workers start their runs in any order.
    const QList<RecordingFeedback::Progress> progresses = services.feedback.progresses();
    QCOMPARE(progresses.size(), 2);
    QList<int> maxima { progresses.at(0).maximum, progresses.at(1).maximum };
    std::sort(maxima.begin(), maxima.end());
    QCOMPARE(maxima, QList<int>({ 1 + 1, 1 + 2 * 2 }));
}

void TestGeneration::shutdownWaitsForWorkers()
{
    // Like the plugin shutting down right after a generate command: the
    // services and the database go away while workers are still busy.
    TestProject project;
    for (int i = 0; i < 60; ++i)
        project.writeFile(QStringLiteral("Screen%1.qml").arg(i),
                          qmlUsing({ "a." + QByteArray::number(i), "b." + QByteArray::number(i) }));
    QVERIFY(project.open());
    project.addTranslation("a.1", "de", "eins");

    for (int attempt = 0; attempt < 5; ++attempt) {
        auto services = std::make_unique<Services>(project);
        auto runner = std::make_unique<GenerationRunner>([&] { return services->generation; });
        QVERIFY(runner->generateAllTranslationFiles({ "de", "fr" }));
        QVERIFY(runner->generateQmFiles({ "de" }));
        runner.reset();
        project.closeDatabase();
        const QList<RecordingFeedback::Progress> progresses = services->feedback.progresses();
        services.reset();
        QCOMPARE(progresses.size(), 2);
        for (const RecordingFeedback::Progress &progress : progresses)
            QVERIFY(progress.finished);
    }
    QCOMPARE(tsOf(project.i18nFile("qml_de.ts")).size(), 120);
}

void TestGeneration::pseudoText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expansion");
    QTest::addColumn<bool>("mirrored");
    QTest::addColumn<QString>("pseudo");

    // Short texts grow by five times the share, long ones by the share.
    QTest::newRow("word") << "Save" << 40 << false << QStringLiteral("[Šåṽé~~~~~ ~~]");
    QTest::newRow("no growth") << "Save" << 0 << false << QStringLiteral("[Šåṽé]");
    QTest::newRow("spaces do not count")
        << "Try it free" << 40 << false << QStringLiteral("[Ţŕý îţ ƒŕéé~~~~~ ~~~~~ ~~~~~ ]");
    QTest::newRow("long text") << QString(60, u'a') << 50 << false
                               << QStringLiteral("[") + QString(60, u'å')
            + QStringLiteral("~~~~~ ~~~~~ ~~~~~ ~~~~~ ~~~~~ ]");
    QTest::newRow("empty") << "" << 40 << false << QStringLiteral("[]");
    QTest::newRow("placeholders") << "%1 of %L2, %n left" << 0 << false
                                  << QStringLiteral("[%1 öƒ %L2, %n ļéƒţ]");
    QTest::newRow("markup and entities")
        << "<b>A</b> &amp; B" << 0 << false << QStringLiteral("[<b>Å</b> &amp; Ɓ]");
    QTest::newRow("accelerator") << "&File" << 0 << false << QStringLiteral("[&Fîļé]");
    QTest::newRow("not latin") << "Größe 12" << 0 << false << QStringLiteral("[Ĝŕößé 12]");
    QTest::newRow("mirrored") << "Ok" << 0 << true << QStringLiteral("\u200F\u202E[Öķ]\u202C");
}

void TestGeneration::pseudoText()
{
    QFETCH(QString, text);
    QFETCH(int, expansion);
    QFETCH(bool, mirrored);
    QFETCH(QString, pseudo);
    QCOMPARE(PseudoLocale::transform(text, expansion, mirrored), pseudo);
}

// The example project under tests/qtproject, as Qt's own tools see it: plural
// forms, source texts and comments, and a JavaScript file.
const QStringList exampleIds {
    "files.count", "files.empty", "files.title", "folders.left", "items.selected"
};

bool openExample(TestProject &project, const QByteArray &languages)
{
    const QDir example(QStringLiteral(LEXORA_SOURCE_DIR "/tests/qtproject"));
    for (const QString &name : example.entryList({ "*.qml", "*.js" }, QDir::Files))
        project.writeFile(name, readFile(example.filePath(name)));
    project.writeFile("test.qmlproject",
                      "import QmlProject\nProject {\n    mainFile: \"Main.qml\"\n"
                      "    supportedLanguages: ["
                          + languages + "]\n    primaryLanguage: \"en\"\n}\n");
    return project.open();
}

bool generateBoth(TestProject &project, const LanguageCodes &languages, RecordingFeedback &feedback)
{
    FileServices files;
    TranslationFileServices translationFiles(feedback);
    const GenerationServices services {
        &translationFiles, &project.database().databaseIo(), &files, &feedback
    };
    return writeTranslationFiles(services, languages, TranslationFormats { "qm", "ts" });
}

void TestGeneration::pluralsAnswerAsLrelease_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("forms");

    // As many forms as the language's plural rules have, from one to six.
    QTest::newRow("ja") << "ja" << QStringList { "%n 個のファイル" };
    QTest::newRow("en") << "en" << QStringList { "%n file", "%n files" };
    QTest::newRow("fr") << "fr" << QStringList { "%n fichier", "%n fichiers" };
    QTest::newRow("ru") << "ru" << QStringList { "%n файл", "%n файла", "%n файлов" };
    QTest::newRow("pl") << "pl" << QStringList { "%n plik", "%n pliki", "%n plików" };
    QTest::newRow("ar") << "ar" << QStringList { "لا ملفات", "ملف واحد", "ملفان",
                                                 "%n ملفات", "%n ملفًا",  "%n ملف" };
}

void TestGeneration::pluralsAnswerAsLrelease()
{
    QFETCH(QString, language);
    QFETCH(QStringList, forms);
    LEXORA_REQUIRE_TOOL("lrelease");

    TestProject project;
    QVERIFY(openExample(project, '"' + language.toUtf8() + '"'));
    DatabaseIo &database = project.database().databaseIo();
    database.updatePluralForms(
        database.addTranslatable("files.count"), language.toStdString(), toStd(forms));
    // One form for every count.
    const QString single = QStringLiteral("selected (") + language + u')';
    database.updateTranslation(
        database.addTranslatable("items.selected"), language.toStdString(), single.toStdString());

    RecordingFeedback feedback;
    QVERIFY2(generateBoth(project, { language.toStdString() }, feedback),
             qPrintable(feedback.generalErrors().join(u'\n')));
    const QString ours = project.i18nFile("qml_" + language);
    const QStringList answers = translatedWith(ours + ".qm", exampleIds, true);

    // The same translations as Qt's tools write them, compiled by lrelease.
    QByteArray ts = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n<TS "
                    "version=\"2.1\" language=\""
        + language.toUtf8()
        + "\">\n<context>\n    <name></name>\n    <message id=\"files.count\" numerus=\"yes\">\n"
          "        <source>%n file(s)</source>\n        <translation>\n";
    for (const QString &form : forms)
        ts += "            <numerusform>" + form.toUtf8() + "</numerusform>\n";
    writeFile(project.filePath("peer.ts"),
              ts + "        </translation>\n    </message>\n</context>\n</TS>\n");
    QVERIFY(
        runQtTool("lrelease",
                  { "-idbased", project.filePath("peer.ts"), "-qm", project.filePath("peer.qm") })
            .ok);
    QCOMPARE(answers.first(),
             translatedWith(project.filePath("peer.qm"), { "files.count" }, true).first());

    // Our .ts compiled by lrelease answers as our .qm for every ID.
    QVERIFY(
        runQtTool("lrelease", { "-idbased", ours + ".ts", "-qm", project.filePath("released.qm") })
            .ok);
    QCOMPARE(answers, translatedWith(project.filePath("released.qm"), exampleIds, true));

    // A single form answers every count, and an untranslated plural its
    // source text; never the raw ID.
    QCOMPARE(answers.at(exampleIds.indexOf("items.selected")).count(single), 32);
    QCOMPARE(answers.at(exampleIds.indexOf("folders.left")).count(QLatin1String(" folder(s) left")),
             32);
}

// What a .ts file says of each ID besides its translations: source text,
// extra comment, key-value pairs and whether it is plural.
QMap<QString, QString> messageDetails(const QString &tsFile)
{
    QMap<QString, QString> details;
    QXmlStreamReader reader(readFile(tsFile));
    QString id;
    QStringList fields;
    QStringList extras;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == u"message") {
            id = reader.attributes().value(QLatin1String("id")).toString();
            fields = { QString(), QString(), reader.attributes().value("numerus").toString() };
            extras.clear();
        } else if (reader.isStartElement() && reader.name() == u"source") {
            fields[0] = reader.readElementText();
        } else if (reader.isStartElement() && reader.name() == u"extracomment") {
            fields[1] = reader.readElementText();
        } else if (reader.isStartElement() && reader.name().startsWith(u"extra-")) {
            extras.append(reader.name().mid(6).toString() + u'=' + reader.readElementText());
        } else if (reader.isEndElement() && reader.name() == u"message") {
            details.insert(id, (fields + extras).join(u'|'));
        }
    }
    if (reader.hasError())
        details.insert(QStringLiteral("<error>"), reader.errorString());
    return details;
}

void TestGeneration::sourceTextsAndCommentsAsLupdate()
{
    LEXORA_REQUIRE_TOOL("lupdate");
    LEXORA_REQUIRE_TOOL("lrelease");
    LEXORA_REQUIRE_TOOL("lconvert");

    TestProject project;
    QVERIFY(openExample(project, "\"en\", \"ru\""));
    // A stored text is never replaced by the source text.
    project.addTranslation("files.title", "en", "Stored files");
    RecordingFeedback feedback;
    QVERIFY2(generateBoth(project, { "en", "ru" }, feedback),
             qPrintable(feedback.generalErrors().join(u'\n')));

    const QString theirTs = project.filePath("lupdate.ts");
    QVERIFY(
        runQtTool("lupdate",
                  { project.filePath("Main.qml"), project.filePath("logic.js"), "-ts", theirTs })
            .ok);
    // lconvert reads our file and writes it as Qt's tools write theirs.
    const QString ourTs = project.filePath("ours.ts");
    const ToolResult converted
        = runQtTool("lconvert", { "-i", project.i18nFile("qml_ru.ts"), "-o", ourTs });
    QVERIFY(converted.ok);
    QCOMPARE(converted.output + converted.errors, QByteArray());
    const QMap<QString, QString> theirs = messageDetails(theirTs);
    QCOMPARE(theirs.keys(), exampleIds);
    QCOMPARE(messageDetails(ourTs), theirs);

    // Untranslated IDs answer as lrelease makes Qt answer: with the source
    // text where there is one, in every language.
    QString ruTs = QString::fromUtf8(readFile(theirTs));
    ruTs.replace(QLatin1String("<TS version=\"2.1\">"),
                 QLatin1String("<TS version=\"2.1\" language=\"ru\">"));
    writeFile(theirTs, ruTs.toUtf8());
    const QString theirQm = project.filePath("lupdate.qm");
    QVERIFY(runQtTool("lrelease", { "-idbased", theirTs, "-qm", theirQm }).ok);
    QCOMPARE(translatedWith(project.i18nFile("qml_ru.qm"), exampleIds, true),
             translatedWith(theirQm, exampleIds, true));
    const QStringList english
        = translatedWith(project.i18nFile("qml_en.qm"), { "files.title" }, true);
    QVERIFY2(english.first().startsWith(QLatin1String("files.title: Stored files |")),
             qPrintable(english.first()));
}

QTEST_GUILESS_MAIN(TestGeneration)

#include "tst_generation.moc"
