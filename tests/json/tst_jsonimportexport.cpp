#include "databaseaccess.h"
#include "databaseio/projectdatabase.h"
#include "exception.h"
#include "jsonimportexport.h"
#include "jsontranslatablesreader.h"

#include <filesizelimit.h>
#include <testfiles.h>

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Lexora;

namespace {

using Texts = std::vector<std::pair<std::string, std::string>>;

TranslatableEntry entry(std::string id, Texts texts)
{
    TranslatableEntry result;
    result.translationTextId = std::move(id);
    for (auto &[language, translation] : texts) {
        TranslationEntry &translationEntry = result.translations.emplace_back();
        translationEntry.language = language;
        translationEntry.translation = translation;
    }
    return result;
}

Texts texts(const TranslatableEntry &entry)
{
    Texts result;
    for (const TranslationEntry &translation : entry.translations)
        result.emplace_back(translation.language, translation.translation);
    return result;
}

// The ids the streaming reader hands out, or nothing when it leaves the file
// to Qt's parser. The import gives the same either way; only the reader keeps
// a huge file from being held whole.
std::optional<QStringList> streamedIds(QIODevice *device)
{
    QStringList ids;
    if (!JsonTranslatablesReader(device).read([&ids](const QJsonValue &element) {
            ids.append(element[QLatin1String("trId")].toString());
        }))
        return std::nullopt;
    return ids;
}

} // namespace

Q_DECLARE_METATYPE(Lexora::TranslatableEntries)

class tst_JsonImportExport : public QObject
{
    Q_OBJECT

private slots:
    // The export logs the whole document; the large files here would bury
    // the test's own output.
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
        QVERIFY(m_dir.isValid());
        m_database = std::make_unique<ProjectDatabase>(m_dir.filePath("translations.db"));
        QVERIFY(writeFile(m_dir.filePath("good.json"), R"({"translatables": [
            {"trId": "a", "translations": [{"language": "de", "translation": "A"}]},
            {"trId": "b", "translations": [{"language": "de", "translation": "B"}]}]})"));
        m_access.setDatabaseIo(&m_database->databaseIo());
        m_access.importAndSync(m_dir.filePath("good.json"));
    }
    void cleanupTestCase() { m_database.reset(); }

    void roundTrip_data()
    {
        QTest::addColumn<TranslatableEntries>("written");
        TranslatableEntries varied {
            entry("zeta", { { "de", "Zett" }, { "en", "Zeta" } }),
            entry("alpha", { { "ja", "アルファ" }, { "fr", "Æ, ç, é — ü" }, { "de", "" } }),
            entry("files", { { "ru", "%n файл" } }),
            entry("no.translations", {}),
            entry("emoji \"quoted\"", { { "en", "😀 \\ / \n tab\t" } })
        };
        // Forms after the first are stored beside "translation", which stays form 0.
        varied[1].translations[0].pluralForms = { "アルファたち" };
        varied[2].translations[0].pluralForms = { "%n файла", "%n файлов" };
        QTest::newRow("ids, languages, texts, plural forms and order") << varied;
        // Far more than one piece of the reader, with multi-byte characters on
        // every boundary it may cut.
        TranslatableEntries large;
        for (int i = 0; i < 40000; ++i)
            large.push_back(entry("screen." + std::to_string(i),
                                  { { "de", "Grüße " + std::string(std::size_t(i % 7), 'x') },
                                    { "ja", "日本語😀" + std::to_string(i) } }));
        QTest::newRow("larger than many reads") << large;
        QTest::newRow("empty list") << TranslatableEntries {};
    }

    void roundTrip()
    {
        QFETCH(TranslatableEntries, written);
        const QString path = m_dir.filePath("roundtrip.json");
        JsonImportExport json;
        json.exportFile(path, written, "Project");
        if (written.size() > 1000)
            QVERIFY(QFileInfo(path).size() > 3 * 1024 * 1024);
        const TranslatableEntries read = json.importFile(path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::optional<QStringList> ids = streamedIds(&file);
        QVERIFY(ids);
        QCOMPARE(ids->size(), qsizetype(written.size()));
        QCOMPARE(read.size(), written.size());
        for (std::size_t i = 0; i < read.size(); ++i) {
            QCOMPARE(read[i].translationTextId, written[i].translationTextId);
            QCOMPARE(texts(read[i]), texts(written[i]));
            for (std::size_t t = 0; t < read[i].translations.size(); ++t)
                QCOMPARE(read[i].translations[t].pluralForms,
                         written[i].translations[t].pluralForms);
            QCOMPARE(read[i].id, 0);
            QVERIFY(read[i].metaData.empty());
        }
    }

    void unknownMembersAreAcceptedOnRequest()
    {
        const QString path = m_dir.filePath("unknown.json");
        QVERIFY(writeFile(path, R"({"translatables": [{"trId": "a", "comment": "c",
            "translations": [{"language": "de", "translation": "A", "reviewed": true}]}]})"));
        JsonImportExport json;
        QVERIFY_THROWS_EXCEPTION(UnknownJsonMember, json.importFile(path));
        json.setAcceptUnknownMembers(true);
        const TranslatableEntries entries = json.importFile(path);
        QCOMPARE(entries.size(), 1u);
        QCOMPARE(texts(entries[0]), (Texts { { "de", "A" } }));
    }

    // The reader takes a file piece by piece; every layout reads as Qt's
    // parser reads the whole document. Rows read as "ID:language=text;ID".
    void readsEveryLayout_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("streamed");
        QTest::newRow("members around the array")
            << QByteArray("{\"before\": {\"x\": [1, \"]}\", {\"y\": null}]}, \"translatables\": "
                          "[{\"trId\": \"a\", \"translations\": [{\"language\": \"de\", "
                          "\"translation\": \"[{\\\"}\"}]}], \"after\": [true, false, -1.5e3]}")
            << "a:de=[{\"}" << true;
        QTest::newRow("escaped member name")
            << QByteArray(R"({"\u0074ranslatables":[{"trId":"a\u00e9"},{"trId":"b"}]})")
            << "a\u00e9;b" << true;
        QTest::newRow("white space everywhere")
            << QByteArray(" \r\n{ \"translatables\" :\t[ { \"trId\" : \"a\" } , "
                          "{\"trId\":\"b\",\"translations\":[ ]} ] } \n")
            << "a;b" << true;
        QTest::newRow("surrogate pair")
            << QByteArray(R"({"translatables": [{"trId": "\ud83d\ude00"}]})") << "\U0001F600"
            << true;
        QTest::newRow("translatables given twice")
            << QByteArray(R"({"translatables": [{"trId": "a"}], "translatables": [{"trId": "b"}]})")
            << "b" << false;
        QTest::newRow("file order, no language, empty text, no translations")
            << QByteArray(R"({"version": 3, "translatables": [
                {"trId": "b", "translations": [{"translation": "no language"},
                                               {"language": "de", "translation": ""}]},
                {"trId": "a"}]})")
            << "b:=no language:de=;a" << true;
        QTest::newRow("empty array") << QByteArray(R"({"translatables": []})") << "" << true;
        // Two-, three- and four-byte sequences at the edges of their ranges.
        const QByteArray utf8("\xc2\x80 \xdf\xbf \xe0\xa0\x80 \xed\x9f\xbf \xee\x80\x80 "
                              "\xf0\x90\x80\x80 \xf4\x8f\xbf\xbf");
        QTest::newRow("well-formed UTF-8")
            << "{\"translatables\":[{\"trId\":\"a\",\"translations\":[{\"language\":\"de\","
               "\"translation\":\""
                + utf8 + "\"}]}]}"
            << "a:de=" + QString::fromUtf8(utf8) << true;
    }

    void readsEveryLayout()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        QFETCH(bool, streamed);
        const QString path = m_dir.filePath("layout.json");
        QVERIFY(writeFile(path, content));
        QStringList read;
        for (const TranslatableEntry &entry : JsonImportExport().importFile(path)) {
            QString item = QString::fromStdString(entry.translationTextId);
            for (const TranslationEntry &translation : entry.translations)
                item += ':' + QString::fromStdString(translation.language) + '='
                    + QString::fromStdString(translation.translation);
            read.append(item);
        }
        QCOMPARE(read.join(';'), expected);
        QBuffer buffer(&content);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const std::optional<QStringList> ids = streamedIds(&buffer);
        QCOMPARE(ids.has_value(), streamed);
        if (ids)
            QCOMPARE(ids->size(), read.size());
    }

    // The export is written entry by entry; it must be the text Qt's writer
    // gives for the whole document (indented, members sorted).
    void exportIsQtWritersText_data()
    {
        QTest::addColumn<TranslatableEntries>("entries");
        std::string controls;
        for (char c = 1; c < 0x20; ++c)
            controls += c;
        QTest::newRow("escapes and unicode") << TranslatableEntries {
            entry("quotes \" and \\ backslash / slash", { { "de", controls + "\x7f" } }),
            entry("none", {}),
            entry("unicode", { { "ar", "مرحبا \u2028 \u2029 \ufeff" }, { "en", "" } })
        };
        QTest::newRow("one entry") << TranslatableEntries { entry("hello", { { "de", "Hallo" } }) };
        QTest::newRow("empty list") << TranslatableEntries {};
    }

    void exportIsQtWritersText()
    {
        QFETCH(TranslatableEntries, entries);
        const QString path = m_dir.filePath("qt.json");
        JsonImportExport().exportFile(path, entries, {});
        QJsonArray translatables;
        for (const TranslatableEntry &e : entries) {
            QJsonArray translations;
            for (const TranslationEntry &t : e.translations)
                translations.append(
                    QJsonObject { { "language", QString::fromStdString(t.language) },
                                  { "translation", QString::fromStdString(t.translation) } });
            translatables.append(
                QJsonObject { { "trId", QString::fromStdString(e.translationTextId) },
                              { "translations", translations } });
        }
        QCOMPARE(readFile(path),
                 QJsonDocument(QJsonObject { { "translatables", translatables } })
                     .toJson(QJsonDocument::Indented));
    }

    // Every message follows "Invalid JSON translation file - ".
    void rejectsUnreadableContent_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *tag, const QByteArray &content, const QString &message) {
            QTest::newRow(tag) << content << message;
        };
        const QString missing = "translatables array missing";
        row("not json", "this is not JSON", "illegal value at offset 1");
        row("truncated", R"({"translatables": [{"trId": "a")", "unterminated string at offset 31");
        row("empty file", QByteArray(), "illegal value at offset 0");
        row("root is array", R"([{"trId":"a"}])", missing);
        row("no translatables", R"({"entries":[]})", missing);
        row("translatables is object", R"({"translatables":{"trId":"a"}})", missing);
        row("trId number", R"({"translatables":[{"trId":42}]})", "trId missing");
        row("trId empty", R"({"translatables":[{"trId":""}]})", "trId missing");
        row("trId missing in second",
            R"({"translatables":[{"trId":"a"},{"translations":[]}]})",
            "trId missing");
        row("element not object",
            R"({"translatables":["a"]})",
            "translatables[0] is not an object");
        // Typing errors in members: read as absent, each would make the sync
        // delete or blank translations.
        const QByteArray a = R"({"translatables":[{"trId":"a","translations":[)";
        const QString inA = R"(translatables[0] (trId "a"): )";
        row("translations is string",
            a + R"(]},{"trId":"b","translations":"Hallo"}]})",
            R"(translatables[1] (trId "b"): "translations" is not an array)");
        row("translation says text",
            a + R"({"language":"de","text":"Hallo"}]}]})",
            inA
                + R"(translations[0] has the unknown member(s) "text"; the members are )"
                  R"("language", "translation" and "pluralForms")");
        row("Translations misspelt",
            a + R"(]},{"Translations":[],"trId":"b","note":1}]})",
            R"(translatables[1] (trId "b") has the unknown member(s) "Translations", "note"; )"
            R"(the members are "trId" and "translations")");
        // UTF-8 cannot carry half a surrogate pair; stored, it would read "?".
        const QString lone = R"( holds the lone surrogate %1, which UTF-8 cannot carry)";
        row("lone high surrogate",
            a + R"({"language":"de","translation":"x\ud800y"}]}]})",
            inA + R"(translations[0]: "translation")" + lone.arg(R"(\ud800)"));
        row("pair in the wrong order",
            R"({"translatables":[{"trId":"\udc00\ud800"}]})",
            R"(translatables[0]: "trId")" + lone.arg(R"(\udc00)"));
        row("translation null",
            a + R"({"language":"de","translation":"x"},{"language":"fr","translation":null}]}]})",
            inA + R"(translations[1]: "translation" is not a string)");
        row("translation number",
            a + R"({"language":"de","translation":7}]}]})",
            inA + R"(translations[0]: "translation" is not a string)");
        row("language number",
            a + R"({"language":49,"translation":"x"}]}]})",
            inA + R"(translations[0]: "language" is not a string)");
        row("plural forms not an array",
            a + R"({"language":"de","translation":"x","pluralForms":"y"}]}]})",
            inA + R"(translations[0]: "pluralForms" is not an array)");
        row("plural form not a string",
            a + R"({"language":"de","translation":"x","pluralForms":["y",2]}]}]})",
            inA + R"(translations[0]: "pluralForms"[1] is not a string)");
        row("translation element not object",
            a + R"("Hallo"]}]})",
            inA + "translations[0] is not an object");
        // Replacing them with U+FFFD would store text the file does not hold.
        row("invalid UTF-8 byte",
            "{\"translatables\": [{\"trId\": \"a\", \"translations\": "
            "[{\"language\": \"de\", \"translation\": \"gr\xfc\xdf\"}]}]}",
            "invalid UTF-8 at byte offset 87");
        row("overlong UTF-8",
            "{\"translatables\": [{\"trId\": \"\xc0\xaf\"}]}",
            "invalid UTF-8 at byte offset 29");
        row("UTF-8 surrogate",
            "{\"translatables\": [{\"trId\": \"\xed\xa0\x80\"}]}",
            "invalid UTF-8 at byte offset 29");
        row("truncated UTF-8 at end",
            "{\"translatables\": []}\xe2\x82",
            "invalid UTF-8 at byte offset 21");
    }

    // Read through the project's database access: a bad file leaves the
    // database as it was.
    void rejectsUnreadableContent()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString path = m_dir.filePath("bad.json");
        QVERIFY(writeFile(path, content));
        try {
            m_access.importAndSync(path);
            QFAIL("importFile accepted a bad file");
        } catch (const CannotReadJsonFile &error) {
            QCOMPARE(QString::fromUtf8(error.what()), "Invalid JSON translation file - " + message);
        }
        QCOMPARE(m_database->databaseIo().fetchAllTranslatableEntries().size(), 2u);
    }

    void unopenablePathsRaise_data()
    {
        QTest::addColumn<bool>("import");
        QTest::addColumn<QString>("relativePath");
        QTest::newRow("import of a missing file") << true << "missing.json";
        QTest::newRow("import of a directory") << true << "adirectory";
        QTest::newRow("export into a missing directory") << false << "missing/out.json";
        QTest::newRow("export onto a directory") << false << "adirectory";
    }

    void unopenablePathsRaise()
    {
        QFETCH(bool, import);
        QFETCH(QString, relativePath);
        QVERIFY(QDir(m_dir.path()).mkpath("adirectory"));
        try {
            if (import)
                m_access.importAndSync(m_dir.filePath(relativePath));
            else
                JsonImportExport().exportFile(m_dir.filePath(relativePath), { entry("a", {}) }, {});
            QFAIL("an unopenable path was opened");
        } catch (const CannotOpenJsonFile &error) {
            QCOMPARE(error.what(),
                     import ? "Unable to open JSON import file"
                            : "Unable to open JSON export file");
        }
        QVERIFY(QFileInfo(m_dir.filePath("adirectory")).isDir());
        QCOMPARE(m_database->databaseIo().fetchAllTranslatableEntries().size(), 2u);
    }

    void failedExportKeepsPreviousFile()
    {
        const QString path = m_dir.filePath("previous.json");
        JsonImportExport json;
        json.exportFile(path, { entry("kept", { { "de", "bleibt" } }) }, {});
        const QByteArray previous = readFile(path);
        TranslatableEntries large;
        for (int i = 0; i < 2000; ++i)
            large.push_back(entry("id." + std::to_string(i), { { "de", std::string(100, 'x') } }));
        // Every write beyond 4 KiB fails, as on a full disk; this also holds
        // for root, for whom no permission bit makes a file unwritable.
        QByteArray raised;
        {
            const FileSizeLimit limit { 4096 };
            QVERIFY(limit.isActive());
            try {
                json.exportFile(path, large, {});
            } catch (const CannotOpenJsonFile &error) {
                raised = error.what();
            }
        }
        QCOMPARE(raised, QByteArray("Unable to write JSON export file"));
        QCOMPARE(readFile(path), previous);
        QCOMPARE(json.importFile(path).front().translationTextId, "kept");
    }

    void databaseExportsWhatWasImported()
    {
        const QString all = m_dir.filePath("all.json");
        m_access.exportAll(all, "Project");
        TranslatableEntries entries = m_json.importFile(all);
        QCOMPARE(entries.size(), 2u);
        QCOMPARE(entries[1].translationTextId, "b");
        QCOMPARE(entries[1].translations.at(0).translation, "B");
        const QString some = m_dir.filePath("some.json");
        m_access.exportEntries({ "b", "unknown" }, some, "Project");
        entries = m_json.importFile(some);
        QCOMPARE(entries.size(), 1u);
        QCOMPARE(entries[0].translationTextId, "b");
    }

    void doesNothingWithoutDatabase()
    {
        DatabaseAccess access { &m_json };
        QVERIFY(!access.hasDatabase());
        // Not even the file is read or written.
        access.importAndSync(m_dir.filePath("missing.json"));
        access.exportAll(m_dir.filePath("none.json"), {});
        access.exportEntries({ "a" }, m_dir.filePath("none.json"), {});
        access.storeScreenMetaData("not json");
        QVERIFY(!QFile::exists(m_dir.filePath("none.json")));
        QVERIFY(access.fetchTranslatableEntries({ "a" }).empty());
        QVERIFY(access.searchTranslations("a*").empty());
        QVERIFY(access.fetchTextElides("Main.qml").empty());
    }

private:
    QTemporaryDir m_dir;
    JsonImportExport m_json;
    std::unique_ptr<ProjectDatabase> m_database;
    DatabaseAccess m_access { &m_json };
};

QTEST_GUILESS_MAIN(tst_JsonImportExport)
#include "tst_jsonimportexport.moc"
