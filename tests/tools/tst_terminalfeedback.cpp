// What the lexora tool's progress display leaves on a terminal: the tool is
// given a pseudo terminal as its error stream and the bytes are read back.

#include "terminalfeedback.h"

#include <QTest>

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace Lexora;

class TestTerminalFeedback : public QObject
{
    Q_OBJECT

private slots:
    void progressLine_data()
    {
        QTest::addColumn<bool>("secondEntry");
        QTest::addColumn<bool>("errorDuring");
        QTest::addColumn<QByteArray>("expectedEnd");
        // Whatever comes after the tool's last entry (its summary on standard
        // output, the shell prompt) starts on a line of its own.
        QTest::newRow("last entry finished")
            << false << false << QByteArray("\r\033[KGenerate translation files: done (2/2)\n");
        // Every step ran, but one failed: that is not "done".
        QTest::newRow("entry with an error")
            << false << true
            << QByteArray("\r\033[KGenerate translation files: failed, 1 error(s) (2/2)\n");
        // An entry still running is drawn again below the line of the finished one.
        QTest::newRow("another entry still running")
            << true << false
            << QByteArray(
                   "\r\033[KGenerate translation files: done (2/2)\n\r\033[KSecond: 1/4 (25%)");
    }

    void progressLine()
    {
        QFETCH(bool, secondEntry);
        QFETCH(bool, errorDuring);
        QFETCH(QByteArray, expectedEnd);

        // A raw pseudo terminal (no line-ending translation), read back without blocking.
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        const int slave = master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0
            ? ::open(::ptsname(master), O_RDWR | O_NOCTTY)
            : -1;
        if (slave < 0)
            QSKIP("no pseudo terminal available");
        termios settings {};
        ::tcgetattr(slave, &settings);
        ::cfmakeraw(&settings);
        ::tcsetattr(slave, TCSANOW, &settings);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        std::FILE *stream = ::fdopen(slave, "w");
        QByteArray output;
        {
            TerminalFeedback feedback(stream);
            QFutureInterface<void> second;
            if (secondEntry) {
                second = feedback.createProgress(QStringLiteral("Second"), "Second");
                feedback.startProgress(second);
                feedback.setProgressMaximum(second, 4);
                feedback.setProgressValue(second, 1);
            }
            QFutureInterface<void> first
                = feedback.createProgress(QStringLiteral("Generate translation files"), "Generate");
            feedback.startProgress(first);
            feedback.setProgressMaximum(first, 2);
            feedback.setProgressValue(first, 1);
            if (errorDuring)
                feedback.addError(QStringLiteral("Could not write the translation file x"));
            feedback.setProgressValue(first, 2);
            feedback.finishProgress(first);
            char buffer[4096];
            for (ssize_t count; (count = ::read(master, buffer, sizeof buffer)) > 0;)
                output.append(buffer, count);
        }
        std::fclose(stream);
        ::close(master);
        QVERIFY2(output.endsWith(expectedEnd), output.right(120).toStdString().c_str());
    }

    void reports_data()
    {
        QTest::addColumn<QStringList>("errors");
        QTest::addColumn<QString>("warningPattern");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("errorCount");
        QTest::addColumn<int>("warningCount");
        const QString dropped = "Dropped \\d+ message\\(s\\) which had no ID\\.";
        // Bytes of a binary input file must not reach the terminal as they are.
        QTest::newRow("control characters")
            << QStringList { QString::fromLatin1(
                   "a.qml:1:1: error: x\n\x1b]0;t\x07\x1b[2J\x7f\tz") }
            << QString() << QByteArray("a.qml:1:1: error: x\n\\x1b]0;t\\x07\\x1b[2J\\x7f\tz\n") << 1
            << 0;
        QTest::newRow("located warning") << QStringList { "a.qml:4: warning: w" } << QString()
                                         << QByteArray("a.qml:4: warning: w\n") << 0 << 1;
        QTest::newRow("C1 control") << QStringList { QString(u"a\u009bb"_qs) } << QString()
                                    << QByteArray("error: a\\x9bb\n") << 1 << 0;
        // The second pass of a run over the same files says the same; once is enough.
        QTest::newRow("repeated report")
            << QStringList { "broken.qml:3: x", "other", "broken.qml:3: x" } << QString()
            << QByteArray("error: broken.qml:3: x\nerror: other\n") << 3 << 0;
        QTest::newRow("warning")
            << QStringList { "Dropped 2 message(s) which had no ID.", "real error" } << dropped
            << QByteArray("warning: Dropped 2 message(s) which had no ID.\nerror: real error\n")
            << 1 << 1;
        QTest::newRow("pattern must match in full")
            << QStringList { "x Dropped 2 message(s) which had no ID." } << dropped
            << QByteArray("error: x Dropped 2 message(s) which had no ID.\n") << 1 << 0;
    }

    void reports()
    {
        QFETCH(QStringList, errors);
        QFETCH(QString, warningPattern);
        QFETCH(QByteArray, expected);
        QFETCH(int, errorCount);
        QFETCH(int, warningCount);
        std::FILE *stream = std::tmpfile();
        QVERIFY(stream);
        {
            TerminalFeedback feedback(stream);
            if (!warningPattern.isEmpty())
                feedback.setWarningPattern(
                    QRegularExpression(QRegularExpression::anchoredPattern(warningPattern)));
            for (const QString &error : errors)
                feedback.addError(error);
            QCOMPARE(feedback.errorCount(), errorCount);
            QCOMPARE(feedback.warningCount(), warningCount);
        }
        std::rewind(stream);
        QByteArray written(4096, '\0');
        written.resize(qsizetype(std::fread(written.data(), 1, written.size(), stream)));
        std::fclose(stream);
        QCOMPARE(written, expected);
    }
};

QTEST_GUILESS_MAIN(TestTerminalFeedback)

#include "tst_terminalfeedback.moc"
