#include "translationsview/translationsearchmodel.h"

#include "databaseaccess.h"
#include "databaseio/projectdatabase.h"
#include "jsonimportexport.h"

#include "brokenindex.h"

#include "peerrequirement.h"

#include <sqlite/sqlitereadstatement.h>

#include <QAbstractItemModelTester>
#include <QLibraryInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace Lexora;

namespace {
constexpr auto reportToQtTest = QAbstractItemModelTester::FailureReportingMode::QtTest;

struct Translation
{
    const char *id;
    const char *language;
    std::string text;
};

const std::string longText = std::string(300, 'a');
// 3-byte characters: byte 256 falls inside the 86th one.
const std::string euros = [] {
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += "\xe2\x82\xac";
    return text;
}();

const std::vector<Translation> translations {
    { "kindergarten", "de", "Kindergarten" },
    { "kindergarten", "nl", "kinderopvang" },
    { "kindergarten", "en", "nursery school" },
    { "kinderwagen", "de", "Kinderwagen" },
    { "greeting", "en", "hello world" },
    { "greeting", "he", "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d \xd7\xa2\xd7\x95\xd7\x9c\xd7\x9d" },
    { "greeting", "ar", "\xd9\x85\xd8\xb1\xd8\xad\xd8\xa8\xd8\xa7 hello" },
    { "long", "en", "longword " + longText },
    { "currency", "fr", "euro " + euros },
    { "vebus", "en", "VE.Bus port" },
    { "wifi", "de", "WLAN (Wi-Fi) verbinden" },
    // No word of its own: the katakana run on after it.
    { "wifi", "ja", "Wi-Fiネットワークに接続" },
    { "soc", "en", "Battery state-of-charge: 100%" },
};

// The translations of one of Qt's own catalogues that Debian ships, read
// through lconvert; empty when the tool or the file is missing.
QStringList qtTranslations(const QString &catalogue)
{
    const QString lconvert = QLibraryInfo::path(QLibraryInfo::BinariesPath) + "/lconvert";
    const QString file = "/usr/share/qt6/translations/" + catalogue + ".qm";
    QProcess process;
    process.start(lconvert, { "-i", file, "-of", "ts", "-o", "-" });
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    QStringList texts;
    QXmlStreamReader reader(process.readAllStandardOutput());
    while (reader.readNextStartElement() || !reader.atEnd()) {
        if (reader.isStartElement() && reader.name() == u"translation") {
            const QString text = reader.readElementText(QXmlStreamReader::IncludeChildElements);
            if (!text.trimmed().isEmpty())
                texts.append(text);
        } else if (!reader.isStartElement()) {
            reader.readNext();
        }
    }
    return texts;
}

QStringList rowsOf(const QAbstractItemModel &model)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        rows.append(model.index(row, 0).data().toString() + QLatin1Char('/')
                    + model.index(row, 1).data().toString());
    }
    rows.sort();
    return rows;
}

} // namespace

class tst_TranslationSearchModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_database = std::make_unique<ProjectDatabase>(m_dir.filePath("translations.db"));
        DatabaseIo &io = m_database->databaseIo();
        for (const Translation &translation : translations) {
            std::int64_t id = io.translatableId(translation.id);
            if (id < 0)
                id = io.addTranslatable(translation.id);
            io.updateTranslation(id, translation.language, translation.text);
        }
        m_access.setDatabaseIo(&io);
    }

    void search_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QStringList>("rows");

        QTest::newRow("empty") << "" << true << QStringList();
        // A single term also finds the IDs that hold it, with all their translations.
        QTest::newRow("whole word and its ID")
            << "kindergarten" << true
            << QStringList { "kindergarten/de", "kindergarten/en", "kindergarten/nl" };
        QTest::newRow("prefix across languages and IDs")
            << "kinder*" << true
            << QStringList {
                   "kindergarten/de", "kindergarten/en", "kindergarten/nl", "kinderwagen/de"
               };
        QTest::newRow("inside an ID, any case")
            << "ERWAG" << true << QStringList { "kinderwagen/de" };
        QTest::newRow("two prefixes") << "sear* hel*" << true << QStringList();
        QTest::newRow("column filter")
            << "language: de" << true
            << QStringList { "kindergarten/de", "kinderwagen/de", "wifi/de" };
        QTest::newRow("column filter and word")
            << "language: de kinderw*" << true << QStringList { "kinderwagen/de" };
        QTest::newRow("phrase") << "\"hello world\"" << true << QStringList { "greeting/en" };
        QTest::newRow("or") << "nursery OR kinderopvang" << true
                            << QStringList { "kindergarten/en", "kindergarten/nl" };
        QTest::newRow("unbalanced quote") << "\"hello" << false << QStringList();
        QTest::newRow("nothing to search") << "- %" << false << QStringList();
        // Text FTS5 cannot parse is searched as the words typed.
        QTest::newRow("dotted name") << "VE.Bus" << true << QStringList { "vebus/en" };
        QTest::newRow("hyphenated") << "Wi-Fi" << true << QStringList { "wifi/de", "wifi/ja" };
        QTest::newRow("hyphenated prefix")
            << "wi-f*" << true << QStringList { "wifi/de", "wifi/ja" };
        QTest::newRow("several hyphens") << "state-of-charge" << true << QStringList { "soc/en" };
        QTest::newRow("percent") << "100%" << true << QStringList { "soc/en" };
        // FTS5's first-word mark stays one: "hello" begins the English text, ends the Arabic.
        QTest::newRow("first word kept")
            << "^hello OR Wi-Fi" << true << QStringList { "greeting/en", "wifi/de" };
        QTest::newRow("column filter kept")
            << "language: de Wi-Fi" << true << QStringList { "wifi/de" };
        QTest::newRow("column filter kept, other language")
            << "language: en Wi-Fi" << true << QStringList();
        QTest::newRow("unknown column") << "colour: red" << true << QStringList();
        QTest::newRow("dangling operator") << "hello AND" << true << QStringList();
    }

    void search()
    {
        QFETCH(QString, query);
        QFETCH(bool, valid);
        QFETCH(QStringList, rows);

        TranslationSearchModel model(m_access);
        QAbstractItemModelTester tester(&model, reportToQtTest);
        // A previous result must not survive an invalid or empty query.
        QVERIFY(model.setSearchText(QStringLiteral("hello")));
        QVERIFY(model.rowCount() > 0);
        QCOMPARE(model.setSearchText(query), valid);
        QCOMPARE(rowsOf(model), rows);
        // The next valid text searches again.
        QVERIFY(model.setSearchText(QStringLiteral("kinderw*")));
        QCOMPARE(rowsOf(model), QStringList { "kinderwagen/de" });
    }

    // Scripts without spaces between words: a substring is found in exactly
    // the rows where instr() finds it, however the text around it runs on.
    void unspacedScripts_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("substrings");

        QTest::newRow("Chinese, two characters") << "文件" << QStringList { "文件" };
        QTest::newRow("Chinese, one character") << "件" << QStringList { "件" };
        QTest::newRow("Chinese, four characters") << "无法打开" << QStringList { "无法打开" };
        QTest::newRow("Chinese, prefix star ignored") << "文件*" << QStringList { "文件" };
        QTest::newRow("Chinese, two terms") << "文件 无法" << QStringList { "文件", "无法" };
        QTest::newRow("Japanese, katakana") << "ファイル" << QStringList { "ファイル" };
        QTest::newRow("Japanese, two kana") << "ませ" << QStringList { "ませ" };
        QTest::newRow("Korean, inside a word") << "파일" << QStringList { "파일" };
        QTest::newRow("Thai, one word in a run") << "ภาษา" << QStringList { "ภาษา" };
        QTest::newRow("Thai, two characters") << "ไท" << QStringList { "ไท" };
        QTest::newRow("Thai, with a tone mark") << "ค่า" << QStringList { "ค่า" };
    }

    void unspacedScripts()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, substrings);
        if (!m_unspaced && !loadUnspacedDatabase())
            LEXORA_PEER_MISSING("lconvert (qt6-l10n-tools) or Qt's translations "
                                "(qt6-translations-l10n) are missing");
        ProjectDatabase &database = *m_unspaced;

        QStringList expected;
        Host::Sqlite::ReadStatement<2> instr(
            "SELECT translationTextId, language FROM translations JOIN translatables ON "
            "translatables.id = translations.translatableId WHERE instr(translation, ?1) AND "
            "instr(translation, ?2)",
            database.database());
        instr.readCallback(
            [&](const Host::Sqlite::BaseStatement &row) {
                expected.append(QString::fromStdString(row.fetchText(0) + "/" + row.fetchText(1)));
            },
            substrings.constFirst().toStdString(),
            substrings.constLast().toStdString());
        expected.sort();
        QVERIFY(!expected.isEmpty());

        DatabaseAccess access(&m_json, &database.databaseIo());
        TranslationSearchModel model(access);
        QAbstractItemModelTester tester(&model, reportToQtTest);
        QVERIFY(model.setSearchText(query));
        QCOMPARE(rowsOf(model), expected);
    }

    // A search lists the first rows it finds, one more tells that there are
    // others, whichever way it found them.
    void capped_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("more");

        QTest::newRow("IDs, most of them") << "item" << 500 << true;
        QTest::newRow("IDs, some of them") << "em.1" << 500 << true;
        QTest::newRow("IDs, a few of them") << "em.2" << 422 << false;
        QTest::newRow("words") << "volt" << 500 << true;
        QTest::newRow("words, exactly as many as shown") << "amp" << 500 << false;
        QTest::newRow("one character") << "安" << 500 << true;
        QTest::newRow("two characters") << "电压" << 500 << true;
        QTest::newRow("three characters") << "电压表" << 500 << true;
    }

    void capped()
    {
        QFETCH(QString, query);
        QFETCH(int, rows);
        QFETCH(bool, more);
        if (!m_many) {
            // 2,100 IDs: more than the ID index is asked for, in the ID order.
            TranslatableEntries entries;
            for (int index = 0; index < 2100; ++index) {
                TranslatableEntry &entry = entries.emplace_back();
                entry.translationTextId = "item." + std::to_string(index);
                const std::string number = " " + std::to_string(index);
                entry.translations.emplace_back().language = "en";
                entry.translations.back().translation
                    = (index < 500 ? "volt amp" : "volt") + number;
                entry.translations.emplace_back().language = "zh_CN";
                entry.translations.back().translation
                    = (index <= 500 ? "安电压表" : "电压表") + number;
            }
            m_many = std::make_unique<ProjectDatabase>(m_dir.filePath("many.db"));
            m_many->databaseIo().storeAsLocalEdits(entries);
        }
        DatabaseAccess access(&m_json, &m_many->databaseIo());
        TranslationSearchModel model(access);
        QAbstractItemModelTester tester(&model, reportToQtTest);
        QVERIFY(model.setSearchText(query));
        QCOMPARE(model.rowCount(), rows);
        QCOMPARE(model.hasMoreResults(), more);
        for (int row = 0; row < model.rowCount(); ++row) {
            const QString id = model.index(row, 0).data().toString();
            const QString text = model.index(row, 0).data(Qt::ToolTipRole).toString();
            QVERIFY2(id.contains(query) || text.contains(query), qPrintable(id + ": " + text));
        }
        QVERIFY(model.setSearchText(QString()));
        QVERIFY(!model.hasMoreResults());
    }

    void cells_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<int>("alignment");

        const int left = int(Qt::AlignLeft | Qt::AlignVCenter);
        const int right = int(Qt::AlignRight | Qt::AlignVCenter);
        QTest::newRow("latin") << "nursery"
                               << "nursery school"
                               << "nursery school" << left;
        QTest::newRow("arabic first, latin later")
            << "language: ar" << QString::fromStdString(translations[6].text)
            << QString::fromStdString(translations[6].text) << right;
        QTest::newRow("300 bytes cut to 256")
            << "longword" << QString::fromStdString(("longword " + longText).substr(0, 256))
            << QString::fromStdString("longword " + longText) << left;
        QTest::newRow("no character split")
            << "euro" << QString::fromStdString(("euro " + euros).substr(0, 5 + 3 * 83))
            << QString::fromStdString("euro " + euros) << left;
    }

    void cells()
    {
        QFETCH(QString, query);
        QFETCH(QString, display);
        QFETCH(QString, toolTip);
        QFETCH(int, alignment);

        TranslationSearchModel model(m_access);
        QVERIFY(model.setSearchText(query));
        QCOMPARE(model.rowCount(), 1);
        const QModelIndex text = model.index(0, 2);
        QCOMPARE(text.data(Qt::DisplayRole).toString(), display);
        QVERIFY(text.data(Qt::DisplayRole).toString().toUtf8().size() <= 256);
        for (int column = 0; column < 3; ++column)
            QCOMPARE(model.index(0, column).data(Qt::ToolTipRole).toString(), toolTip);
        QCOMPARE(text.data(Qt::TextAlignmentRole).toInt(), alignment);
        QCOMPARE(model.index(0, 0).data(Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignLeft | Qt::AlignVCenter));
        QCOMPARE(model.index(0, 1).data(Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignLeft | Qt::AlignVCenter));
        QVERIFY(!text.data(Qt::EditRole).isValid());
        QVERIFY(!text.data(Qt::DecorationRole).isValid());
        QCOMPARE(model.columnCount(), 3);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), "Translation ID");
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), "Language");
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), "Translation");
        QVERIFY(!model.headerData(0, Qt::Horizontal, Qt::ToolTipRole).isValid());
    }

    void resultsAreNotLive()
    {
        QTemporaryDir dir;
        ProjectDatabase database(dir.filePath("translations.db"));
        DatabaseAccess access(&m_json, &database.databaseIo());
        TranslationSearchModel model(access);
        QVERIFY(model.setSearchText(QStringLiteral("apple")));
        QCOMPARE(model.rowCount(), 0);
        const std::int64_t id = database.databaseIo().addTranslatable("fruit");
        database.databaseIo().updateTranslation(id, "en", "apple");
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(model.refresh());
        QCOMPARE(model.rowCount(), 1);

        // Without a database nothing is found, and that is no error.
        DatabaseAccess none(&m_json);
        TranslationSearchModel unopened(none);
        QVERIFY(unopened.setSearchText(QStringLiteral("apple")));
        QCOMPARE(unopened.rowCount(), 0);
    }

    void otherFailuresRaise()
    {
        QTemporaryDir dir;
        ProjectDatabase database(dir.filePath("translations.db"));
        database.databaseIo().updateTranslation(
            database.databaseIo().addTranslatable("t"), "en", "hello");
        QVERIFY(breakFullTextIndex(dir.filePath("translations.db")));
        DatabaseAccess access(&m_json, &database.databaseIo());
        TranslationSearchModel model(access);
        QAbstractItemModelTester tester(&model, reportToQtTest);
        QSignalSpy aboutToReset(&model, &QAbstractItemModel::modelAboutToBeReset);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QVERIFY_THROWS_EXCEPTION(Host::Sqlite::Exception,
                                 model.setSearchText(QStringLiteral("hello")));
        // The reset was completed, so views are not left waiting for it.
        QCOMPARE(aboutToReset.size(), 1);
        QCOMPARE(reset.size(), 1);
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(model.setSearchText(QString()));
    }

private:
    // Real Chinese, Japanese and Korean rows from Qt's own translations, and
    // Thai rows (Debian ships no Qt catalogue in Thai).
    bool loadUnspacedDatabase()
    {
        TranslatableEntries entries;
        const std::pair<const char *, const char *> catalogues[]
            = { { "qtbase_zh_CN", "zh_CN" }, { "qtbase_ja", "ja" }, { "qtbase_ko", "ko" } };
        for (const auto &[catalogue, language] : catalogues) {
            const QStringList texts = qtTranslations(catalogue);
            if (texts.isEmpty())
                return false;
            for (qsizetype index = 0; index < texts.size(); ++index) {
                TranslatableEntry entry;
                entry.translationTextId = std::string(catalogue) + "." + std::to_string(index);
                entry.translations.emplace_back().language = language;
                entry.translations.back().translation = texts[index].toStdString();
                entries.push_back(std::move(entry));
            }
        }
        const char *thai[] = { "เลือกภาษาไทย", "ภาษาอังกฤษ", "ตั้งค่าภาษา",  "ค่าเริ่มต้น",
                               "บันทึกไฟล์",     "ไทยแลนด์",   "ค้นหาข้อความ" };
        for (std::size_t index = 0; index < std::size(thai); ++index) {
            TranslatableEntry entry;
            entry.translationTextId = "thai." + std::to_string(index);
            entry.translations.emplace_back().language = "th";
            entry.translations.back().translation = thai[index];
            entries.push_back(std::move(entry));
        }
        m_unspaced = std::make_unique<ProjectDatabase>(m_dir.filePath("unspaced.db"));
        m_unspaced->databaseIo().storeAsLocalEdits(entries);
        return true;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<ProjectDatabase> m_unspaced;
    std::unique_ptr<ProjectDatabase> m_many;
    std::unique_ptr<ProjectDatabase> m_database;
    JsonImportExport m_json;
    DatabaseAccess m_access { &m_json };
};

QTEST_GUILESS_MAIN(tst_TranslationSearchModel)
#include "tst_translationsearchmodel.moc"
