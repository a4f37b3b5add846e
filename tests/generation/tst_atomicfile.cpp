#include "tst_atomicfile.h"

#include "atomicfile.h"
#include "generationtestsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <filesizelimit.h>

#include <optional>

using Lexora::AtomicFile;

namespace {

// Every file in `directory` apart from `target`: temporary files that a
// writer left behind.
QStringList leftovers(const QString &directory, const QString &target)
{
    QStringList files = QDir(directory).entryList(QDir::Files | QDir::Hidden);
    files.removeAll(QFileInfo(target).fileName());
    return files;
}

} // namespace

void TestAtomicFile::replacesTargetOnlyWhenClosed_data()
{
    QTest::addColumn<bool>("targetExists");
    QTest::addColumn<bool>("closeByDestruction");

    QTest::newRow("new file, close") << false << false;
    QTest::newRow("new file, destroy") << false << true;
    QTest::newRow("existing file, close") << true << false;
    QTest::newRow("existing file, destroy") << true << true;
}

void TestAtomicFile::replacesTargetOnlyWhenClosed()
{
    QFETCH(bool, targetExists);
    QFETCH(bool, closeByDestruction);

    QTemporaryDir directory;
    const QString target = directory.filePath(QStringLiteral("qml_de.ts"));
    if (targetExists)
        QVERIFY(writeFile(target, "previous contents"));

    auto file = std::make_unique<AtomicFile>(target);
    QVERIFY(file->open(QIODevice::WriteOnly));
    QCOMPARE(file->write("new "), 4);
    QCOMPARE(file->write("contents"), 8);
    QCOMPARE(readFile(target), targetExists ? QByteArray("previous contents") : QByteArray());
    QCOMPARE(QFile::exists(target), targetExists);

    if (closeByDestruction) {
        file.reset();
    } else {
        file->close();
        QVERIFY(file->isCommitted());
        QCOMPARE(file->fileName(), target);
    }
    QCOMPARE(readFile(target), QByteArray("new contents"));
    QVERIFY(leftovers(directory.path(), target).isEmpty());
    // Readable by others like any file the user creates.
    QVERIFY(QFile::permissions(target) & QFile::ReadOther);
}

void TestAtomicFile::discardKeepsTarget()
{
    QTemporaryDir directory;
    const QString target = directory.filePath(QStringLiteral("qml_de.qm"));
    QVERIFY(writeFile(target, "previous"));
    AtomicFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("half-written");
    file.discard();
    QVERIFY(!file.commit());
    QCOMPARE(readFile(target), QByteArray("previous"));
    QVERIFY(leftovers(directory.path(), target).isEmpty());
}

void TestAtomicFile::fileSizeLimitIsDetected_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("chunkSize");
    QTest::addColumn<int>("chunks");

    // A single write crossing the limit comes back short without an error.
    QTest::newRow("one short write") << 1000 << 4000 << 1;
    // Later writes fail outright.
    QTest::newRow("many small writes") << 1000 << 100 << 40;
    QTest::newRow("limit at a chunk boundary") << 1000 << 500 << 4;
}

void TestAtomicFile::fileSizeLimitIsDetected()
{
    QFETCH(int, limit);
    QFETCH(int, chunkSize);
    QFETCH(int, chunks);

    QTemporaryDir directory;
    const QString target = directory.filePath(QStringLiteral("qml_fr.qm"));
    QVERIFY(writeFile(target, "previous"));

    AtomicFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly));
    bool committed = true;
    {
        FileSizeLimit sizeLimit { rlim_t(limit) };
        if (!sizeLimit.isActive())
            QSKIP("setrlimit(RLIMIT_FSIZE) is not permitted here");
        const QByteArray chunk(chunkSize, 'x');
        for (int i = 0; i < chunks; ++i)
            file.write(chunk);
        committed = file.commit();
    }
    QVERIFY(!committed);
    QVERIFY(!file.errorString().isEmpty());
    QCOMPARE(readFile(target), QByteArray("previous"));
    QVERIFY(leftovers(directory.path(), target).isEmpty());
}

void TestAtomicFile::cannotOpenInMissingDirectory()
{
    QTemporaryDir directory;
    AtomicFile file(directory.filePath(QStringLiteral("missing/qml_de.ts")));
    QVERIFY(!file.open(QIODevice::WriteOnly));
    QVERIFY(!QFile::exists(directory.filePath(QStringLiteral("missing"))));
}

void TestAtomicFile::writeFileReplacesWholeOrNothing_data()
{
    QTest::addColumn<QString>("relativeTarget");
    QTest::addColumn<QByteArray>("previous"); // null: no file there before
    QTest::addColumn<int>("sizeLimit"); // 0: none
    QTest::addColumn<bool>("succeeds");

    const QByteArray contents(3000, 'n');
    QTest::newRow("new file") << "out.json" << QByteArray() << 0 << true;
    QTest::newRow("replaces file") << "out.json" << QByteArray("previous") << 0 << true;
    QTest::newRow("empty previous file") << "out.json" << QByteArray("") << 0 << true;
    QTest::newRow("missing directory") << "missing/out.json" << QByteArray() << 0 << false;
    QTest::newRow("target is a directory") << "adirectory" << QByteArray() << 0 << false;
    QTest::newRow("file-size limit keeps previous")
        << "out.json" << QByteArray("previous") << 1000 << false;
}

void TestAtomicFile::writeFileReplacesWholeOrNothing()
{
    QFETCH(QString, relativeTarget);
    QFETCH(QByteArray, previous);
    QFETCH(int, sizeLimit);
    QFETCH(bool, succeeds);

    QTemporaryDir directory;
    QVERIFY(QDir(directory.path()).mkdir(QStringLiteral("adirectory")));
    const QString target = directory.filePath(relativeTarget);
    if (!previous.isNull())
        QVERIFY(writeFile(target, previous));

    const QByteArray contents(3000, 'n');
    QString error;
    bool written = false;
    {
        std::optional<FileSizeLimit> limit;
        if (sizeLimit > 0) {
            limit.emplace(rlim_t(sizeLimit));
            if (!limit->isActive())
                QSKIP("setrlimit(RLIMIT_FSIZE) is not permitted here");
        }
        written = AtomicFile::writeFile(target, contents, &error);
    }
    QCOMPARE(written, succeeds);
    QCOMPARE(error.isEmpty(), succeeds);
    if (succeeds)
        QCOMPARE(readFile(target), contents);
    else if (!previous.isNull())
        QCOMPARE(readFile(target), previous);
    else
        QVERIFY(!QFileInfo(target).isFile());
    QVERIFY(leftovers(directory.path(), target).isEmpty());
}
