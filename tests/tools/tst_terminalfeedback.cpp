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

namespace {

// A pseudo terminal whose output is read back byte for byte.
class Terminal
{
public:
    Terminal()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return;
        const int slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY);
        if (slave < 0)
            return;
        termios settings {};
        ::tcgetattr(slave, &settings);
        ::cfmakeraw(&settings); // no line-ending translation
        ::tcsetattr(slave, TCSANOW, &settings);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_stream = ::fdopen(slave, "w");
    }

    ~Terminal()
    {
        if (m_stream)
            std::fclose(m_stream);
        if (m_master >= 0)
            ::close(m_master);
    }

    std::FILE *stream() const { return m_stream; }

    QByteArray output()
    {
        char buffer[4096];
        for (;;) {
            const ssize_t count = ::read(m_master, buffer, sizeof buffer);
            if (count <= 0)
                break;
            m_output.append(buffer, count);
        }
        return m_output;
    }

private:
    int m_master = -1;
    std::FILE *m_stream = nullptr;
    QByteArray m_output;
};

} // namespace

class TestTerminalFeedback : public QObject
{
    Q_OBJECT

private slots:
    void progressLine_data();
    void progressLine();
    void reports_data();
    void reports();
};

void TestTerminalFeedback::progressLine_data()
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
        << QByteArray("\r\033[KGenerate translation files: done (2/2)\n"
                      "\r\033[KSecond: 1/4 (25%)");
}

void TestTerminalFeedback::progressLine()
{
    QFETCH(bool, secondEntry);
    QFETCH(bool, errorDuring);
    QFETCH(QByteArray, expectedEnd);

    Terminal terminal;
    if (!terminal.stream())
        QSKIP("no pseudo terminal available");
    TerminalFeedback feedback(terminal.stream());

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

    const QByteArray output = terminal.output();
    QVERIFY2(output.endsWith(expectedEnd), output.right(120).toStdString().c_str());
}

void TestTerminalFeedback::reports_data()
{
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QString>("warningPattern");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("errorCount");
    QTest::addColumn<int>("warningCount");

    // Bytes of a binary input file must not reach the terminal as they are.
    QTest::newRow("control characters")
        << QStringList { QString::fromLatin1("a.qml:1:1: error: x\n\x1b]0;t\x07\x1b[2J\x7f\tz") }
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
        << QStringList { "Dropped 2 message(s) which had no ID.", "real error" }
        << "Dropped \\d+ message\\(s\\) which had no ID\\."
        << QByteArray("warning: Dropped 2 message(s) which had no ID.\nerror: real error\n") << 1
        << 1;
    QTest::newRow("pattern must match in full")
        << QStringList { "x Dropped 2 message(s) which had no ID." }
        << "Dropped \\d+ message\\(s\\) which had no ID\\."
        << QByteArray("error: x Dropped 2 message(s) which had no ID.\n") << 1 << 0;
}

void TestTerminalFeedback::reports()
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
        if (!warningPattern.isEmpty()) {
            feedback.setWarningPattern(
                QRegularExpression(QRegularExpression::anchoredPattern(warningPattern)));
        }
        for (const QString &error : errors)
            feedback.addError(error);
        QCOMPARE(feedback.errorCount(), errorCount);
        QCOMPARE(feedback.warningCount(), warningCount);
    }
    std::rewind(stream);
    QByteArray written;
    char buffer[1024];
    while (const std::size_t count = std::fread(buffer, 1, sizeof buffer, stream))
        written.append(buffer, qsizetype(count));
    std::fclose(stream);
    QCOMPARE(written, expected);
}

QTEST_GUILESS_MAIN(TestTerminalFeedback)

#include "tst_terminalfeedback.moc"
