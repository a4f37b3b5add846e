#include "tst_atomicfile.h"

#include "atomicfile.h"
#include "generationtestsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>

using Lexora::AtomicFile;

namespace {

QStringList leftovers(const QString &directory)
{
    return QDir(directory).entryList({ QStringLiteral("*.part") }, QDir::Files | QDir::Hidden);
}

// Lowers the file-size limit of the process for its lifetime. Writes beyond the
// limit then come back short or fail with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    bool isActive() const { return m_active; }

private:
    rlimit m_previous {};
    void (*m_previousHandler)(int) = nullptr;
    bool m_active = false;
};

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
    if (targetExists) {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("previous contents");
    }

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
    QVERIFY(leftovers(directory.path()).isEmpty());
    // Readable by others like any file the user creates.
    QVERIFY(QFile::permissions(target) & QFile::ReadOther);
}

void TestAtomicFile::discardKeepsTarget()
{
    QTemporaryDir directory;
    const QString target = directory.filePath(QStringLiteral("qml_de.qm"));
    {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("previous");
    }
    AtomicFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("half-written");
    file.discard();
    QVERIFY(!file.commit());
    QCOMPARE(readFile(target), QByteArray("previous"));
    QVERIFY(leftovers(directory.path()).isEmpty());
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
    {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("previous");
    }

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
    QVERIFY(leftovers(directory.path()).isEmpty());
}

void TestAtomicFile::cannotOpenInMissingDirectory()
{
    QTemporaryDir directory;
    AtomicFile file(directory.filePath(QStringLiteral("missing/qml_de.ts")));
    QVERIFY(!file.open(QIODevice::WriteOnly));
    QVERIFY(!QFile::exists(directory.filePath(QStringLiteral("missing"))));
}
