#include <utils/path.h>
#include <utils/softassert.h>

#include <QDir>
#include <QTest>

using Host::Utils::Path;

class tst_HostUtils : public QObject
{
    Q_OBJECT

private slots:
    void softAssertLogsAndRunsAction();
    void childPaths_data();
    void childPaths();
    void parentDir_data();
    void parentDir();
    void fileNamesAndUserInput();
};

static int guardedValue(const int *pointer)
{
    HOST_SOFT_ASSERT(pointer, return -1);
    return *pointer;
}

void tst_HostUtils::softAssertLogsAndRunsAction()
{
    // The message names the condition and this very file with the line number.
    QTest::ignoreMessage(
        QtWarningMsg,
        QRegularExpression(
            QStringLiteral("Soft assertion failed: \"pointer\" in .*tst_hostutils\\.cpp:[0-9]+$")));
    QCOMPARE(guardedValue(nullptr), -1);

    // A condition that holds says nothing and runs nothing.
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    const int value = 7;
    QCOMPARE(guardedValue(&value), 7);
    int reached = 0;
    for (int i = 0; i < 3; ++i) {
        HOST_SOFT_ASSERT(i < 10, break);
        ++reached;
    }
    QCOMPARE(reached, 3);
}

void tst_HostUtils::childPaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("directory");
    QTest::addColumn<bool>("isChild");
    QTest::addColumn<QString>("relative");

    QTest::newRow("direct child") << QString("/a/b/c.qml") << QString("/a/b") << true
                                  << QString("c.qml");
    QTest::newRow("deep child") << QString("/a/b/c/d.qml") << QString("/a") << true
                                << QString("b/c/d.qml");
    QTest::newRow("trailing slash")
        << QString("/a/b/c.qml") << QString("/a/b/") << true << QString("c.qml");
    QTest::newRow("sibling prefix")
        << QString("/a/bc/d.qml") << QString("/a/b") << false << QString("");
    QTest::newRow("same path") << QString("/a/b") << QString("/a/b") << false << QString("");
    QTest::newRow("below root") << QString("/etc/x") << QString("/") << true << QString("etc/x");
    QTest::newRow("unclean input")
        << QString("/a/./b/../b/c.qml") << QString("/a//b") << true << QString("c.qml");
    QTest::newRow("empty directory") << QString("/a/b") << QString("") << false << QString("");
}

void tst_HostUtils::childPaths()
{
    QFETCH(QString, path);
    QFETCH(QString, directory);
    QFETCH(bool, isChild);
    QFETCH(QString, relative);

    const Path file = Path::fromString(path);
    const Path dir = Path::fromString(directory);
    QCOMPARE(file.isChildOf(dir), isChild);
    QCOMPARE(file.relativeChildPath(dir), relative);
}

void tst_HostUtils::parentDir_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("parent");

    QTest::newRow("file") << QString("/home/user/project/Main.qml")
                          << QString("/home/user/project");
    QTest::newRow("top level") << QString("/etc") << QString("/");
    QTest::newRow("root") << QString("/") << QString("");
    QTest::newRow("relative") << QString("dir/file") << QString("dir");
    QTest::newRow("bare name") << QString("file") << QString("");
    QTest::newRow("empty") << QString("") << QString("");
}

void tst_HostUtils::parentDir()
{
    QFETCH(QString, path);
    QFETCH(QString, parent);
    QCOMPARE(Path::fromString(path).parentDir().toString(), parent);
}

void tst_HostUtils::fileNamesAndUserInput()
{
    const Path path = Path::fromString(QStringLiteral("/p/app.translations.qmlproject"));
    QCOMPARE(path.completeBaseName(), QStringLiteral("app.translations"));
    QVERIFY(path.endsWith(u".qmlproject"));
    QVERIFY(!path.endsWith(u".qml"));
    QCOMPARE(path.parentDir().pathAppended(QStringLiteral("i18n")).toString(),
             QStringLiteral("/p/i18n"));
    QCOMPARE(path.parentDir().resolvePath(QStringLiteral("/abs/x")).toString(),
             QStringLiteral("/abs/x"));
    if (Path::caseSensitivity() == Qt::CaseSensitive) {
        QVERIFY(!Path::fromString(QStringLiteral("/p/Main.QML")).endsWith(u".qml"));
        QVERIFY(Path::fromString(QStringLiteral("/a")) != Path::fromString(QStringLiteral("/A")));
    }

    const Path home = Path::fromUserInput(QStringLiteral("  ~/projects/x  "));
    QCOMPARE(home.toString(), QDir::homePath() + QStringLiteral("/projects/x"));
    QCOMPARE(home.toUserOutput(), QDir::toNativeSeparators(home.toString()));
    QVERIFY(Path::fromUserInput(QStringLiteral("   ")).isEmpty());

    // Equal paths hash alike, however they were spelt.
    QHash<Path, int> hash;
    hash.insert(Path::fromString(QStringLiteral("/tmp/x")).pathAppended(QStringLiteral("a.txt")),
                1);
    QCOMPARE(hash.value(Path::fromString(QStringLiteral("/tmp/./x//a.txt"))), 1);
    QVERIFY(!Path().exists());
}

QTEST_GUILESS_MAIN(tst_HostUtils)
#include "tst_hostutils.moc"
