#include <databaseio/projectdatabase.h>

#include <sqlite/sqliteexception.h>

#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <string>
#include <thread>

using namespace Lexora;

class tst_DatabaseConcurrency : public QObject
{
    Q_OBJECT

private slots:
    void editsAndLookupsOnTwoThreads_data();
    void editsAndLookupsOnTwoThreads();
};

void tst_DatabaseConcurrency::editsAndLookupsOnTwoThreads_data()
{
    QTest::addColumn<bool>("listLookups");
    QTest::newRow("one item at a time") << false;
    QTest::newRow("whole lists") << true;
}

// The interface thread edits while a generation worker looks translations up;
// the connection's lock must serialise them without a busy or misuse error.
void tst_DatabaseConcurrency::editsAndLookupsOnTwoThreads()
{
    QFETCH(bool, listLookups);

    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    ProjectDatabase projectDatabase { directory.filePath("translations.db") };
    DatabaseIoInterface &database = projectDatabase.databaseIo();

    constexpr int editCount = 300;
    std::atomic<bool> editing { true };
    std::string editorError;
    std::string readerError;
    int lookups = 0;
    int found = 0;

    std::thread reader([&] {
        try {
            TranslationIds translationIds;
            for (int index = 1; index <= 5; ++index)
                translationIds.push_back("id" + std::to_string(index));
            while (editing.load()) {
                if (listLookups) {
                    const std::vector<std::int64_t> ids = database.translatableIds(translationIds);
                    for (const auto &text : database.fetchTranslations(ids, "de"))
                        found += text.has_value();
                    lookups += int(ids.size());
                    continue;
                }
                for (const std::string &translationId : translationIds) {
                    const std::int64_t id = database.translatableId(translationId);
                    ++lookups;
                    found += id >= 0 && database.fetchTranslation(id, "de");
                }
            }
        } catch (const std::exception &exception) {
            readerError = exception.what();
        }
    });

    try {
        for (int index = 0; index < editCount; ++index) {
            std::string translationId = "id" + std::to_string(index);
            std::int64_t id = database.addTranslatable(translationId);
            database.updateTranslation(id, "de", "Text " + std::to_string(index));
            database.setTranslatableMetaData(id, "note", DatabaseValue { index });
            if (index % 10 == 9)
                database.removeTranslation(id, "de");
        }
    } catch (const std::exception &exception) {
        editorError = exception.what();
    }
    editing = false;
    reader.join();

    QVERIFY2(editorError.empty(), editorError.c_str());
    QVERIFY2(readerError.empty(), readerError.c_str());
    QVERIFY(lookups > 0);
    QCOMPARE(database.fetchAllTranslatableEntries().size(), std::size_t(editCount));
    QCOMPARE(database.fetchTranslation(database.translatableId("id5"), "de").value_or(""),
             "Text 5");
    QVERIFY(!database.fetchTranslation(database.translatableId("id9"), "de"));
}

QTEST_GUILESS_MAIN(tst_DatabaseConcurrency)

#include "tst_databaseconcurrency.moc"
