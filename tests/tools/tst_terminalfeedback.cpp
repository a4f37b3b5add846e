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
};

void TestTerminalFeedback::progressLine_data()
{
    QTest::addColumn<bool>("secondEntry");
    QTest::addColumn<QByteArray>("expectedEnd");

    // Whatever comes after the tool's last entry (its summary on standard
    // output, the shell prompt) starts on a line of its own.
    QTest::newRow("last entry finished")
        << false << QByteArray("\r\033[KGenerate translation files: done (2/2)\n");
    // An entry still running is drawn again below the line of the finished one.
    QTest::newRow("another entry still running")
        << true
        << QByteArray("\r\033[KGenerate translation files: done (2/2)\n"
                      "\r\033[KSecond: 1/4 (25%)");
}

void TestTerminalFeedback::progressLine()
{
    QFETCH(bool, secondEntry);
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
    feedback.setProgressValue(first, 2);
    feedback.finishProgress(first);

    const QByteArray output = terminal.output();
    QVERIFY2(output.endsWith(expectedEnd), output.right(120).toStdString().c_str());
}

QTEST_GUILESS_MAIN(TestTerminalFeedback)

#include "tst_terminalfeedback.moc"
