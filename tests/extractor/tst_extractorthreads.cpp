#include "recordingfeedback.h"

#include "translationfiles/qmltranslationextractor.h"
#include "translationfiles/translationcatalog.h"

#include <QBuffer>
#include <QDirIterator>
#include <QHash>
#include <QtTest>

#include <latch>
#include <thread>

using namespace Lexora;

// Generation workers extract different files at the same time and share the
// process-wide name map of translation functions. This test is kept in its own
// executable so that the workers are the very first to look a name up.
class tst_ExtractorThreads : public QObject
{
    Q_OBJECT

private slots:
    void twoWorkers()
    {
        QList<std::pair<QString, QByteArray>> files;
        QDirIterator it(QStringLiteral(LEXORA_TEST_SOURCE_DIR "/corpus"),
                        { QStringLiteral("*.qml") },
                        QDir::Files);
        while (it.hasNext()) {
            QFile file(it.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            files.append({ file.fileName(), file.readAll() });
        }
        QVERIFY(files.size() >= 30);
        const auto extract = [&](qsizetype index, RecordingFeedback *feedback) {
            QBuffer buffer;
            buffer.setData(files.at(index).second);
            buffer.open(QIODevice::ReadOnly);
            TranslationCatalog catalog(feedback);
            return loadQml(catalog, buffer, files.at(index).first, feedback)
                ? catalog.takeMessages()
                : QList<CatalogMessage>();
        };

        QHash<QString, QList<CatalogMessage>> results[2];
        RecordingFeedback feedback[2];
        std::latch start(2);
        auto worker = [&](int which) {
            start.arrive_and_wait();
            for (int round = 0; round < 5; ++round) {
                for (qsizetype i = which; i < files.size(); i += 2) {
                    const QList<CatalogMessage> messages = extract(i, &feedback[which]);
                    if (round == 0)
                        results[which].insert(files.at(i).first, messages);
                    else if (results[which].value(files.at(i).first) != messages)
                        results[which].insert(files.at(i).first, {}); // unstable result
                }
            }
        };
        std::thread first(worker, 0);
        std::thread second(worker, 1);
        first.join();
        second.join();

        // The reference is taken afterwards on this thread, when the workers can
        // no longer interfere.
        int idCount = 0;
        for (qsizetype i = 0; i < files.size(); ++i) {
            RecordingFeedback reference;
            const QList<CatalogMessage> expected = extract(i, &reference);
            QVERIFY(reference.generalErrors().isEmpty());
            QCOMPARE(results[i % 2].value(files.at(i).first), expected);
            idCount += expected.size();
        }
        QVERIFY(idCount > 100);
        QVERIFY(feedback[0].generalErrors().isEmpty() && feedback[1].generalErrors().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_ExtractorThreads)

#include "tst_extractorthreads.moc"
