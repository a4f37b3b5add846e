#include "tst_generation.h"

#include "atomicfile.h"
#include "fileservices.h"
#include "generationrunner.h"
#include "generationtestsupport.h"
#include "translationfileservices.h"
#include "writetranslationfiles.h"

#include <filesizelimit.h>
#include <peerrequirement.h>

#include <sqlite/sqliteexception.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>

#include "pseudolocale.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include <unistd.h>

using namespace Lexora;

namespace {

QByteArray qmlUsing(const QList<QByteArray> &ids)
{
    QByteArray qml = "import QtQuick\n\nColumn {\n";
    for (const QByteArray &id : ids)
        qml += "    Text { text: qsTrId(\"" + id + "\") }\n";
    return qml + "}\n";
}

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

QStringList i18nEntries(const TestProject &project)
{
    return QDir(project.filePath(QStringLiteral("i18n")))
        .entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// What qtTrId gives for each ID with the .qm file installed.
QStringList translatedWith(const QString &qmFile, const QStringList &ids)
{
    QTranslator translator;
    if (!translator.load(qmFile))
        return { QStringLiteral("<cannot load %1>").arg(qmFile) };
    QCoreApplication::installTranslator(&translator);
    QStringList texts;
    for (const QString &id : ids)
        texts.append(qtTrId(id.toUtf8().constData()));
    QCoreApplication::removeTranslator(&translator);
    return texts;
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

void TestGeneration::initTestCase()
{
    m_lconvert = toolPath(QStringLiteral("lconvert"));
}

void TestGeneration::edgeCases_data()
{
    QTest::addColumn<QByteArrayList>("files");
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<QStringList>("expectedTsIds");
    QTest::addColumn<QStringList>("expectedErrors");
    QTest::addColumn<int>("expectedMaximum");

    const QByteArray noCalls = "import QtQuick\nItem { width: 10 }\n";
    const QByteArray trWithoutId = "import QtQuick\nColumn {\n"
                                   "    Text { text: qsTr(\"Hello\") }\n"
                                   "    Text { text: qsTranslate(\"Main\", \"Bye\") }\n}\n";

    QTest::newRow("no translation calls")
        << QByteArrayList { noCalls, noCalls } << QStringList { "de", "fr" } << QStringList {}
        << QStringList {} << 4;
    QTest::newRow("qsTr without ID meta")
        << QByteArrayList { trWithoutId, qmlUsing({ "greeting" }) } << QStringList { "de", "fr" }
        << QStringList { "greeting" }
        << QStringList { "Dropped 2 message(s) which had no ID.",
                         "Dropped 2 message(s) which had no ID." }
        << 4;
    QTest::newRow("ID in two files")
        << QByteArrayList { qmlUsing({ "greeting", "greeting" }), qmlUsing({ "greeting" }) }
        << QStringList { "de" } << QStringList { "greeting" } << QStringList {} << 3;
    QTest::newRow("no languages") << QByteArrayList { qmlUsing({ "greeting" }),
                                                      qmlUsing({ "other" }),
                                                      noCalls }
                                  << QStringList {} << QStringList {} << QStringList {} << 3;
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

    LanguageCodes codes;
    for (const QString &language : languages)
        codes.push_back(language.toStdString());

    Services services(project);
    writeTranslationFiles(services.generation, codes, "qm");
    writeTranslationFiles(services.generation, codes, "ts");
    QCOMPARE(services.feedback.errors(), expectedErrors);

    for (const RecordingFeedback::Progress &progress : services.feedback.progresses()) {
        QCOMPARE(progress.maximum, expectedMaximum);
        QCOMPARE(progress.values.size(), expectedMaximum);
        QVERIFY(progress.finished);
    }

    if (languages.isEmpty()) {
        QVERIFY(i18nEntries(project).isEmpty());
        return;
    }
    for (const QString &language : languages) {
        const QString ts = project.i18nFile(QStringLiteral("qml_%1.ts").arg(language));
        QCOMPARE(readTs(ts).keys(), expectedTsIds);
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
                          "import QtQuick\nColumn {\n    //= shared\n"
                          "    Text { text: qsTr(\"Shared\", \"from file "
                              + QByteArray::number(i) + "\") }\n" + "    Text { text: qsTrId(\"own."
                              + QByteArray::number(i) + "\") }\n}\n");
    }
    QVERIFY(project.open());

    Services services(project);
    const FilePaths order = services.files.projectQmlFiles();
    QCOMPARE(order.size(), std::size_t(48));
    const QString first = QFileInfo(QString::fromStdString(order.front())).baseName();
    const QString expectedComment = QStringLiteral("from file %1").arg(first.mid(6).toInt());

    QByteArray previous;
    for (int run = 0; run < 3; ++run) {
        QVERIFY(writeTranslationFiles(services.generation, { "de" }, "ts"));
        const QMap<QString, TsMessage> messages = readTs(project.i18nFile("qml_de.ts"));
        QCOMPARE(messages.size(), 49);
        QCOMPARE(messages["shared"].translatorComment, expectedComment);
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
    project.writeFile(QStringLiteral("App.qml"), qmlUsing({ "greeting" }));
    QVERIFY(project.open());
    project.addTranslation("greeting", "de", "Hallo");

    LanguageCodes languages;
    for (const QString &code : codes)
        languages.push_back(code.toStdString());
    Services services(project);
    QCOMPARE(writeTranslationFiles(services.generation, languages, "qm"), refused.isEmpty());
    QStringList expectedErrors;
    for (const QString &code : refused)
        expectedErrors << QStringLiteral(
                              "Skipped the language code \"%1\": it cannot be part of a file name.")
                              .arg(code);
    QCOMPARE(services.feedback.errors(), expectedErrors);
    QCOMPARE(i18nEntries(project), expectedFiles);
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
    QTest::newRow("invalid UTF-8 in an ID")
        << "invalid utf-8"
        << "%1/Bad.qml:3: The translation ID holds bytes that are not valid UTF-8; it was left "
           "out.";
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
        project.writeFile(QStringLiteral("App.qml"), qmlUsing({ "greeting", "other" }));
        if (setup == "broken") {
            project.writeFile(QStringLiteral("Broken.qml"), "import QtQuick\nItem {\n");
        } else if (setup == "dangling") {
            QVERIFY(QFile::link(project.filePath("nowhere.qml"), project.filePath("Dangling.qml")));
        } else if (setup == "deep") {
            project.writeFile(QStringLiteral("Deep.qml"),
                              "Item {\n    property var x: " + QByteArray(5000, '(')
                                  + "qsTrId(\"lost\")" + QByteArray(5000, ')') + "\n}\n");
        } else if (setup == "missing folder" || setup == "file as folder") {
            project.writeFile(QStringLiteral("test.qmlproject"),
                              "import QmlProject\nProject {\n    QmlFiles { directory: \".\" }\n"
                              "    QmlFiles { directory: \""
                                  + QByteArray(setup == "missing folder" ? "screens" : "App.qml")
                                  + "\" }\n}\n");
        } else if (setup == "invalid utf-8") {
            project.writeFile(QStringLiteral("Bad.qml"),
                              "import QtQuick\nColumn {\n    Text { text: qsTrId(\"Gr\xfc\xdf"
                              "e\") }\n}\n");
        } else if (setup == "unreadable folder") {
            project.writeFile(QStringLiteral("sub/Screen.qml"), qmlUsing({ "sub" }));
            QVERIFY(QFile::setPermissions(project.filePath("sub"), QFileDevice::WriteOwner));
        }
        QVERIFY(project.open());
        project.addTranslation("greeting", "de", "Hallo");

        project.writeFile(QStringLiteral("i18n/qml_de.ts"), "previous");

        Services services(project);
        GenerationOptions options;
        options.writeAfterReadErrors = writeAfterReadErrors;
        QVERIFY(!writeTranslationFiles(services.generation, { "de" }, "ts", options));
        const QStringList errors = services.feedback.errors();
        const QString expected = expectedError.arg(project.path());
        QVERIFY2(!errors.isEmpty() && errors.first().startsWith(expected),
                 qPrintable(errors.join(u'\n')));
        if (writeAfterReadErrors) {
            QCOMPARE(errors.size(), 1);
            // What could be read is written.
            QCOMPARE(readTs(project.i18nFile("qml_de.ts")).keys(),
                     QStringList({ "greeting", "other" }));
        } else {
            QCOMPARE(errors.size(), 2);
            QCOMPARE(errors.last(),
                     "No translation files were written: 1 file(s) or folder(s) of the project "
                     "could not be read; the existing files are kept.");
            QCOMPARE(readFile(project.i18nFile("qml_de.ts")), QByteArray("previous"));
        }
        QCOMPARE(i18nEntries(project), QStringList { "qml_de.ts" });
        for (const RecordingFeedback::Progress &progress : services.feedback.progresses())
            QVERIFY(progress.finished);
        QFile::setPermissions(project.filePath("sub"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                  | QFileDevice::ExeOwner);
    }
}

void TestGeneration::unwritableIdsAreLeftOut()
{
    // Escapes in the QML string literals put the characters into the IDs.
    TestProject project;
    project.writeFile(QStringLiteral("App.qml"),
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
    const QString left = QStringLiteral(
        "The translation ID \"%1\" holds characters that translation files cannot carry; it was "
        "left out.");
    const QStringList once {
        left.arg("lone\\xd800surrogate"),
        left.arg("with\\x00nul"),
        left.arg("with\\x01start"),
        "The comment of the translation ID \"commented\" holds characters that translation "
        "files cannot carry; it was left out.",
        "The de translation of \"noncharacters\" holds characters that translation files cannot "
        "carry (U+FFFE, U+FFFF or a lone surrogate); it was written as untranslated."
    };
    QCOMPARE(services.feedback.errors(), once + once);

    // Tabs and line breaks survive an XML reader as they are.
    const QStringList kept {
        "commented", "noncharacters", "plain", "with\ttab", "with\nline\rbreaks"
    };
    QCOMPARE(tsMessageIds(project.i18nFile("qml_de.ts")), kept);
    // An untranslated qsTr() call with an ID shows its source text, as Qt's tools make it.
    const QStringList translations { "Text",
                                     "noncharacters",
                                     "Ein\x01"
                                     "fach",
                                     "Tabulator",
                                     "Umbruch" };
    QCOMPARE(translatedWith(project.i18nFile("qml_de.qm"), kept), translations);

    const QString lrelease = toolPath(QStringLiteral("lrelease"));
    if (lrelease.isEmpty() || m_lconvert.isEmpty())
        LEXORA_PEER_MISSING("lrelease or lconvert is not installed");
    QVERIFY(
        runTool(lrelease,
                { "-idbased", project.i18nFile("qml_de.ts"), "-qm", project.filePath("peer.qm") }));
    QCOMPARE(translatedWith(project.filePath("peer.qm"), kept), translations);
    // lconvert's own .ts output writes IDs without escaping: taken as raw text.
    QString output;
    QVERIFY(runTool(
        m_lconvert,
        { "-i", project.i18nFile("qml_de.ts"), "-of", "ts", "-o", project.filePath("copy.ts") },
        &output));
    QCOMPARE(output, QString());
    static const QRegularExpression rawId(QStringLiteral("<message id=\"(.*?)\">\n\\s*<source>"),
                                          QRegularExpression::DotMatchesEverythingOption);
    QStringList copiedIds;
    for (const QRegularExpressionMatch &match :
         rawId.globalMatch(QString::fromUtf8(readFile(project.filePath("copy.ts")))))
        copiedIds << match.captured(1);
    QCOMPARE(copiedIds, kept);
}

void TestGeneration::staleTemporariesAreRemoved()
{
    TestProject project;
    project.writeFile(QStringLiteral("App.qml"), qmlUsing({ "greeting" }));
    QVERIFY(project.open());
    const QString i18n = project.filePath("i18n");
    QDir().mkpath(i18n);
    // Left by writers that were killed, and things that only look alike.
    const QStringList stale { ".qml_de.qm.3kq9x0a1.part", ".qml_fr.ts.z.part" };
    const QStringList others { ".notes.txt.3kq9x0a1.part", "qml_de.qm.3kq9x0a1.part",
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
    QStringList expected = others;
    expected << "qml_de.ts";
    expected.sort();
    QStringList entries = i18nEntries(project);
    // Where the file system has no unnamed temporary files, the live writer's
    // temporary file is named after its target.
    entries.removeIf([](const QString &name) { return name.startsWith(u"qml_en.ts"); });
    QCOMPARE(entries, expected);
    QVERIFY(live.commit());
    QVERIFY(QFile::exists(i18n + QStringLiteral("/qml_en.ts")));
}

void TestGeneration::refusals_data()
{
    QTest::addColumn<bool>("withDatabase");
    QTest::addColumn<bool>("withProject");
    QTest::addColumn<QString>("expectedError");

    QTest::newRow("no database")
        << false << true << "Cannot generate translation files: no translation database is open.";
    QTest::newRow("no startup project")
        << true << false
        << "Cannot generate translation files: there is no startup project to write them to.";
}

void TestGeneration::refusals()
{
    QFETCH(bool, withDatabase);
    QFETCH(bool, withProject);
    QFETCH(QString, expectedError);

    TestProject project;
    project.writeFile(QStringLiteral("App.qml"), qmlUsing({ "greeting" }));
    if (withProject)
        QVERIFY(project.open());

    Services services(project);
    if (!withDatabase)
        services.generation.database = nullptr;
    QVERIFY(!writeTranslationFiles(services.generation, { "de" }, "qm"));
    QCOMPARE(services.feedback.errors(), QStringList { expectedError });
    // Without a project the file would have gone to the file-system root.
    QVERIFY(!QFile::exists(QStringLiteral("/qml_de.qm")));
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
}

void TestGeneration::databaseExceptionIsReported_data()
{
    QTest::addColumn<bool>("throwOnKey");
    QTest::addColumn<QString>("expectedError");
    QTest::newRow("key lookup")
        << true << "Generating translation files failed: database disk image is malformed";
    QTest::newRow("translation lookup")
        << false << "Generating translation files failed: disk I/O error";
}

void TestGeneration::databaseExceptionIsReported()
{
    QFETCH(bool, throwOnKey);
    QFETCH(QString, expectedError);

    TestProject project;
    project.writeFile(QStringLiteral("App.qml"), qmlUsing({ "greeting" }));
    QVERIFY(project.open());

    Services services(project);
    ProbeDatabase database(*services.generation.database,
                           throwOnKey ? ProbeDatabase::KeyLookupFails
                                      : ProbeDatabase::TranslationLookupFails);
    services.generation.database = &database;

    // On a worker, where an escaping exception would end the process.
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
    QCOMPARE(i18nEntries(project), QStringList());
}

void TestGeneration::writeErrorsAreReported()
{
    TestProject project;
    QByteArrayList ids;
    for (int i = 0; i < 200; ++i)
        ids.append("message.number." + QByteArray::number(i));
    project.writeFile(QStringLiteral("App.qml"), qmlUsing(ids));
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
    QVERIFY2(errors.at(0).startsWith("Could not write the translation file "
                                     + project.i18nFile("qml_de.qm") + ": "),
             qPrintable(errors.at(0)));
    QVERIFY2(errors.at(1).startsWith("Could not write the translation file "
                                     + project.i18nFile("qml_de.ts") + ": "),
             qPrintable(errors.at(1)));
    // The previous files are intact and nothing half-written is left behind.
    QCOMPARE(readFile(project.i18nFile("qml_de.ts")), QByteArray("previous"));
    QCOMPARE(readFile(project.i18nFile("qml_de.qm")), QByteArray("previous"));
    QCOMPARE(i18nEntries(project), QStringList({ "qml_de.qm", "qml_de.ts" }));

    // Without the limit the same run succeeds.
    QVERIFY(writeTranslationFiles(services.generation, { "de" }, "ts"));
    QCOMPARE(readTs(project.i18nFile("qml_de.ts")).size(), 200);
}

void TestGeneration::overlappingRunsNeverExposeMixedFiles()
{
    // Two projects' databases with different translations write into one
    // i18n directory at the same time while a reader keeps reading the result.
    TestProject project;
    QByteArrayList ids;
    for (int i = 0; i < 400; ++i)
        ids.append("id." + QByteArray::number(i));
    project.writeFile(QStringLiteral("App.qml"), qmlUsing(ids));
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
    QCOMPARE(i18nEntries(project), QStringList { "qml_de.ts" });
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

    TestProject project;
    // "both" is used by two files; "missing" is not in the database.
    project.writeFile(QStringLiteral("App.qml"), qmlUsing({ "greeting", "both", "missing" }));
    project.writeFile(QStringLiteral("screens/Settings.ui.qml"),
                      qmlUsing({ "both", "emptyText", "onlyGerman" }));
    QVERIFY(project.open());
    project.addTranslation("greeting", "de", "Hallo");
    project.addTranslation("greeting", "fr", "Bonjour");
    project.addTranslation("both", "de", "Beide");
    project.addTranslation("both", "fr", "Les deux");
    project.addTranslation("emptyText", "de", "");
    project.addTranslation("emptyText", "fr", "");
    project.addTranslation("onlyGerman", "de", "Nur Deutsch");
    project.addTranslation("unused", "de", "Nicht benutzt");
    // What qtTrId gives for each ID; the .ts files hold the IDs in use, in ID
    // order, with the ID as the unfinished text of a missing translation.
    const QStringList ids { "both", "emptyText", "greeting", "missing", "onlyGerman", "unused" };
    const QMap<QString, QStringList> texts {
        { "de", { "Beide", "", "Hallo", "missing", "Nur Deutsch", "unused" } },
        { "fr", { "Les deux", "", "Bonjour", "missing", "onlyGerman", "unused" } },
        { "it", ids },
    };

    LanguageCodes codes;
    for (const QString &language : std::as_const(languages))
        codes.push_back(language.toStdString());
    TranslationFormats formatList;
    QStringList expectedFiles;
    for (const QString &format : std::as_const(formats)) {
        formatList.push_back(format.toStdString());
        for (const QString &language : std::as_const(languages))
            expectedFiles.append(QStringLiteral("qml_%1.%2").arg(language, format));
    }
    expectedFiles.sort();
    const auto steps = [](int maximum) {
        QList<int> values;
        for (int step = 1; step <= maximum; ++step)
            values.append(step);
        return values;
    };

    // What one run per format writes is the reference.
    QMap<QString, QByteArray> separately;
    {
        Services services(project);
        for (const std::string &format : formatList)
            QVERIFY(writeTranslationFiles(services.generation, codes, format));
        QCOMPARE(services.feedback.errors(), QStringList());
        QCOMPARE(i18nEntries(project), expectedFiles);
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
                QCOMPARE(translatedWith(file + QStringLiteral(".qm"), ids), expected);
            if (!formats.contains(QStringLiteral("ts")))
                continue;
            QStringList lines;
            QStringList expectedLines;
            const QMap<QString, TsMessage> messages = readTs(file + QStringLiteral(".ts"));
            for (auto message = messages.cbegin(); message != messages.cend(); ++message)
                lines << message.key() + u'=' + message->translation + u'/' + message->type;
            for (int index = 0; index < 5; ++index)
                expectedLines << ids[index] + u'=' + expected[index] + u'/'
                        + (expected[index] == ids[index] ? QStringLiteral("unfinished")
                                                         : QString());
            QCOMPARE(lines, expectedLines);
            QCOMPARE(tsMessageIds(file + QStringLiteral(".ts")), ids.first(5));

            // lconvert reads every message back, with its ID and translation.
            if (m_lconvert.isEmpty())
                LEXORA_PEER_MISSING("lconvert is not installed");
            QString output;
            QVERIFY(runTool(
                m_lconvert, { "-i", file + ".ts", "-of", "po", "-o", file + ".po" }, &output));
            QCOMPARE(output, QString());
            QStringList poIds;
            QStringList poTexts;
            for (const QByteArray &line : readFile(file + QStringLiteral(".po")).split('\n')) {
                if (line.startsWith("#. ts-id "))
                    poIds.append(QString::fromUtf8(line.mid(9)));
                else if (line.startsWith("msgstr \"") && !poIds.isEmpty())
                    poTexts.append(QString::fromUtf8(line.mid(8).chopped(1)));
            }
            QCOMPARE(poIds, ids.first(5));
            QCOMPARE(poTexts, expected.first(5));
        }
        QDir(project.filePath(QStringLiteral("i18n"))).removeRecursively();
    }

    Services services(project);
    ProbeDatabase database(*services.generation.database);
    services.generation.database = &database;
    QVERIFY(writeTranslationFiles(services.generation, codes, formatList));
    QCOMPARE(services.feedback.errors(), QStringList());
    QCOMPARE(i18nEntries(project), expectedFiles);
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
    project.writeFile(QStringLiteral("App.qml"), qmlUsing({ "greeting", "other" }));
    QVERIFY(project.open());
    LanguageCodes codes;
    for (const QString &language : std::as_const(languages)) {
        codes.push_back(language.toStdString());
        project.addTranslation("greeting", codes.back().c_str(), "before");
    }
    TranslationFormats formatList;
    for (const QString &format : std::as_const(formats))
        formatList.push_back(format.toStdString());

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
    QVERIFY(formats.size() == 2 ? runner.generateAllTranslationFiles(codes)
                                : runner.generateTranslationFiles(codes, formatList.front()));
    QVERIFY(finished.wait(60000));
    for (std::future<void> &edit : edits)
        edit.get();
    QCOMPARE(finished.first().first().toBool(), true);
    QCOMPARE(editsInTime, int(languages.size()));

    // Each file holds the edit made just before its language was looked up.
    for (const QString &language : std::as_const(languages)) {
        const QString ts = project.i18nFile(QStringLiteral("qml_%1.ts").arg(language));
        QCOMPARE(readTs(ts).value(QStringLiteral("greeting")).translation,
                 QStringLiteral("edited ") + language);
        if (formats.contains(QStringLiteral("qm"))) {
            QCOMPARE(translatedWith(project.i18nFile(QStringLiteral("qml_%1.qm").arg(language)),
                                    { QStringLiteral("greeting") }),
                     QStringList { QStringLiteral("edited ") + language });
        }
    }
}

void TestGeneration::runnerReportsCompletion()
{
    TestProject project;
    project.writeFile(QStringLiteral("App.qml"), qmlUsing({ "greeting" }));
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
    QCOMPARE(i18nEntries(project),
             QStringList({ "qml_de.qm", "qml_de.ts", "qml_fr.qm", "qml_fr.ts" }));
    // Two runs: .qm, then .qm and .ts together on the second worker.
    const QList<RecordingFeedback::Progress> progresses = services.feedback.progresses();
    QCOMPARE(progresses.size(), 2);
    // The two workers start their runs in any order.
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
    QCOMPARE(readTs(project.i18nFile("qml_de.ts")).size(), 120);
}

void TestGeneration::pseudoText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expansion");
    QTest::addColumn<bool>("mirrored");
    QTest::addColumn<QString>("pseudo");

    // Short texts grow by five times the share, long ones by the share.
    QTest::newRow("word") << QStringLiteral("Save") << 40 << false
                          << QStringLiteral("[Šåṽé~~~~~ ~~]");
    QTest::newRow("no growth") << QStringLiteral("Save") << 0 << false << QStringLiteral("[Šåṽé]");
    QTest::newRow("spaces do not count")
        << "Try it free" << 40 << false << QStringLiteral("[Ţŕý îţ ƒŕéé~~~~~ ~~~~~ ~~~~~ ]");
    QTest::newRow("long text") << QString(60, u'a') << 50 << false
                               << QLatin1Char('[') + QString(60, u'å')
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
    QCOMPARE(Lexora::PseudoLocale::transform(text, expansion, mirrored), pseudo);
}
