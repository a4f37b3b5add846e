#include "exception.h"
#include "jsonimportexport.h"
#include "jsontranslatablesreader.h"

#include <testfiles.h>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>

#include <filesizelimit.h>

#include <optional>

using namespace Lexora;

namespace {

TranslatableEntry entry(std::string id, std::vector<std::pair<std::string, std::string>> texts)
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

using Texts = std::vector<std::pair<std::string, std::string>>;

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
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false")); }
    void init() { QVERIFY(m_dir.isValid()); }

    void roundTrip_data()
    {
        QTest::addColumn<TranslatableEntries>("written");
        TranslatableEntries varied {
            entry("zeta", { { "de", "Zett" }, { "en", "Zeta" } }),
            entry("alpha", { { "ja", "アルファ" }, { "fr", "Æ, ç, é — ü" }, { "de", "" } }),
            entry("files", { { "ru", "%n файл" } }),
            entry("no.translations", {}),
            entry("emoji \"quoted\"", { { "en", "😀 \\ / \n tab\t" } }),
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
            for (std::size_t t = 0; t < read[i].translations.size(); ++t) {
                QCOMPARE(read[i].translations[t].pluralForms,
                         written[i].translations[t].pluralForms);
            }
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
            << "{\"translatables\": [{\"trId\": \"a\", \"translations\": "
               "[{\"language\": \"de\", \"translation\": \""
                + utf8 + "\"}]}]}"
            << "a:de=" + QString::fromUtf8(utf8) << true;
    }

    void readsEveryLayout()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        const QString path = m_dir.filePath("layout.json");
        QVERIFY(writeFile(path, content));
        QStringList read;
        for (const TranslatableEntry &entry : JsonImportExport().importFile(path)) {
            QString item = QString::fromStdString(entry.translationTextId);
            for (const TranslationEntry &translation : entry.translations)
                item += QLatin1Char(':') + QString::fromStdString(translation.language) + '='
                    + QString::fromStdString(translation.translation);
            read.append(item);
        }
        QCOMPARE(read.join(';'), expected);

        QFETCH(bool, streamed);
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
            entry("unicode", { { "ar", "مرحبا \u2028 \u2029 \ufeff" }, { "en", "" } }),
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

    void rejectsUnreadableContent_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");

        QTest::newRow("not json") << QByteArray("this is not JSON")
                                  << "Invalid JSON translation file - illegal value at offset 1";
        QTest::newRow("truncated")
            << QByteArray(R"({"translatables": [{"trId": "a")")
            << "Invalid JSON translation file - unterminated string at offset 31";
        QTest::newRow("empty file")
            << QByteArray() << "Invalid JSON translation file - illegal value at offset 0";
        QTest::newRow("root is array")
            << QByteArray(R"([{"trId": "a"}])")
            << "Invalid JSON translation file - translatables array missing";
        QTest::newRow("no translatables")
            << QByteArray(R"({"entries": []})")
            << "Invalid JSON translation file - translatables array missing";
        QTest::newRow("translatables is object")
            << QByteArray(R"({"translatables": {"trId": "a"}})")
            << "Invalid JSON translation file - translatables array missing";
        QTest::newRow("trId number") << QByteArray(R"({"translatables": [{"trId": 42}]})")
                                     << "Invalid JSON translation file - trId missing";
        QTest::newRow("trId empty") << QByteArray(R"({"translatables": [{"trId": ""}]})")
                                    << "Invalid JSON translation file - trId missing";
        QTest::newRow("trId missing in second")
            << QByteArray(R"({"translatables": [{"trId": "a"}, {"translations": []}]})")
            << "Invalid JSON translation file - trId missing";
        QTest::newRow("element not object")
            << QByteArray(R"({"translatables": ["a"]})")
            << "Invalid JSON translation file - translatables[0] is not an object";
        // Typing errors in members: read as absent, each would make the sync
        // delete or blank translations.
        QTest::newRow("translations is string")
            << QByteArray(R"({"translatables": [{"trId": "a", "translations": []},
                                                 {"trId": "b", "translations": "Hallo"}]})")
            << "Invalid JSON translation file - translatables[1] (trId \"b\"): \"translations\" "
               "is not an array";
        QTest::newRow("translation says text")
            << QByteArray(R"({"translatables": [{"trId": "a", "translations":
                              [{"language": "de", "text": "Hallo"}]}]})")
            << "Invalid JSON translation file - translatables[0] (trId \"a\"): translations[0] "
               "has the unknown member(s) \"text\"; the members are \"language\", "
               "\"translation\" and \"pluralForms\"";
        QTest::newRow("Translations misspelt")
            << QByteArray(R"({"translatables": [{"trId": "a", "translations": []},
                              {"Translations": [], "trId": "b", "note": 1}]})")
            << "Invalid JSON translation file - translatables[1] (trId \"b\") has the unknown "
               "member(s) \"Translations\", \"note\"; the members are \"trId\" and "
               "\"translations\"";
        // UTF-8 cannot carry half a surrogate pair; stored, it would read "?".
        QTest::newRow("lone high surrogate")
            << QByteArray(R"({"translatables": [{"trId": "a", "translations":
                              [{"language": "de", "translation": "x\ud800y"}]}]})")
            << "Invalid JSON translation file - translatables[0] (trId \"a\"): translations[0]: "
               "\"translation\" holds the lone surrogate \\ud800, which UTF-8 cannot carry";
        QTest::newRow("pair in the wrong order")
            << QByteArray(R"({"translatables": [{"trId": "\udc00\ud800"}]})")
            << "Invalid JSON translation file - translatables[0]: \"trId\" holds the lone "
               "surrogate \\udc00, which UTF-8 cannot carry";
        QTest::newRow("translation null")
            << QByteArray(R"({"translatables": [{"trId": "a", "translations":
                              [{"language": "de", "translation": "x"},
                               {"language": "fr", "translation": null}]}]})")
            << "Invalid JSON translation file - translatables[0] (trId \"a\"): translations[1]: "
               "\"translation\" is not a string";
        QTest::newRow("translation number")
            << QByteArray(R"({"translatables": [{"trId": "a", "translations":
                              [{"language": "de", "translation": 7}]}]})")
            << "Invalid JSON translation file - translatables[0] (trId \"a\"): translations[0]: "
               "\"translation\" is not a string";
        QTest::newRow("language number")
            << QByteArray(R"({"translatables": [{"trId": "a", "translations":
                              [{"language": 49, "translation": "x"}]}]})")
            << "Invalid JSON translation file - translatables[0] (trId \"a\"): translations[0]: "
               "\"language\" is not a string";
        QTest::newRow("plural forms not an array")
            << QByteArray(R"({"translatables": [{"trId": "a", "translations":
                              [{"language": "de", "translation": "x", "pluralForms": "y"}]}]})")
            << "Invalid JSON translation file - translatables[0] (trId \"a\"): translations[0]: "
               "\"pluralForms\" is not an array";
        QTest::newRow("plural form not a string")
            << QByteArray(R"({"translatables": [{"trId": "a", "translations":
                              [{"language": "de", "translation": "x", "pluralForms": ["y", 2]}]}]})")
            << "Invalid JSON translation file - translatables[0] (trId \"a\"): translations[0]: "
               "\"pluralForms\"[1] is not a string";
        QTest::newRow("translation element not object")
            << QByteArray(R"({"translatables": [{"trId": "a", "translations": ["Hallo"]}]})")
            << "Invalid JSON translation file - translatables[0] (trId \"a\"): translations[0] "
               "is not an object";
        // Replacing them with U+FFFD would store text the file does not hold.
        QTest::newRow("invalid UTF-8 byte")
            << QByteArray("{\"translatables\": [{\"trId\": \"a\", \"translations\": "
                          "[{\"language\": \"de\", \"translation\": \"gr\xfc\xdf\"}]}]}")
            << "Invalid JSON translation file - invalid UTF-8 at byte offset 87";
        QTest::newRow("overlong UTF-8")
            << QByteArray("{\"translatables\": [{\"trId\": \"\xc0\xaf\"}]}")
            << "Invalid JSON translation file - invalid UTF-8 at byte offset 29";
        QTest::newRow("UTF-8 surrogate")
            << QByteArray("{\"translatables\": [{\"trId\": \"\xed\xa0\x80\"}]}")
            << "Invalid JSON translation file - invalid UTF-8 at byte offset 29";
        QTest::newRow("truncated UTF-8 at end") << QByteArray("{\"translatables\": []}\xe2\x82")
                                                << "Invalid JSON translation file - "
                                                   "invalid UTF-8 at byte offset 21";
    }

    void rejectsUnreadableContent()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);

        const QString path = m_dir.filePath("bad.json");
        QVERIFY(writeFile(path, content));

        try {
            JsonImportExport().importFile(path);
            QFAIL("importFile accepted a bad file");
        } catch (const CannotReadJsonFile &error) {
            QCOMPARE(QString::fromUtf8(error.what()), message);
        }
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
                JsonImportExport().importFile(m_dir.filePath(relativePath));
            else
                JsonImportExport().exportFile(m_dir.filePath(relativePath), { entry("a", {}) }, {});
            QFAIL("an unopenable path was opened");
        } catch (const CannotOpenJsonFile &error) {
            QCOMPARE(error.what(),
                     import ? "Unable to open JSON import file"
                            : "Unable to open JSON export file");
        }
        QVERIFY(QFileInfo(m_dir.filePath("adirectory")).isDir());
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

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_JsonImportExport)
#include "tst_jsonimportexport.moc"
