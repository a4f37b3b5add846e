#include "databaseaccess.h"
#include "databaseio/projectdatabase.h"
#include "exception.h"
#include "jsonimportexport.h"

#include <testfiles.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Lexora;

class tst_DatabaseAccess : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_database = std::make_unique<ProjectDatabase>(m_dir.filePath("translations.db"));
        QVERIFY(writeFile(m_dir.filePath("good.json"),
                          R"({"translatables": [
                                {"trId": "a", "translations": [{"language": "de", "translation": "A"}]},
                                {"trId": "b", "translations": [{"language": "de", "translation": "B"}]}]})"));
    }
    void cleanup() { m_database.reset(); }

    void badFileLeavesTheDatabaseUntouched_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("truncated") << QByteArray(R"({"translatables": [{"trId": "a")");
        QTest::newRow("other shape") << QByteArray(R"({"entries": []})");
        QTest::newRow("number as trId") << QByteArray(R"({"translatables": [{"trId": 1}]})");
    }

    void badFileLeavesTheDatabaseUntouched()
    {
        QFETCH(QByteArray, content);
        DatabaseAccess access { &m_json, &m_database->databaseIo() };
        access.importAndSync(m_dir.filePath("good.json"));

        const QString bad = m_dir.filePath("bad.json");
        QVERIFY(writeFile(bad, content));
        QVERIFY_THROWS_EXCEPTION(CannotReadJsonFile, access.importAndSync(bad));
        QVERIFY_THROWS_EXCEPTION(CannotOpenJsonFile,
                                 access.importAndSync(m_dir.filePath("missing.json")));
        QCOMPARE(m_database->databaseIo().fetchAllTranslatableEntries().size(), 2u);
    }

    void exportsWhatWasImported()
    {
        DatabaseAccess access { &m_json, &m_database->databaseIo() };
        access.importAndSync(m_dir.filePath("good.json"));

        const QString all = m_dir.filePath("all.json");
        access.exportAll(all, "Project");
        TranslatableEntries entries = m_json.importFile(all);
        QCOMPARE(entries.size(), 2u);
        QCOMPARE(entries[1].translationTextId, "b");
        QCOMPARE(entries[1].translations.at(0).translation, "B");

        const QString some = m_dir.filePath("some.json");
        access.exportEntries({ "b", "unknown" }, some, "Project");
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
};

QTEST_GUILESS_MAIN(tst_DatabaseAccess)
#include "tst_databaseaccess.moc"
