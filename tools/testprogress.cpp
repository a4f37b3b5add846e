#include "testprogress.h"

#include "terminalfeedback.h"

#include <QCoreApplication>

#include <cmath>
#include <unistd.h>

namespace Lexora {

namespace {

QString tr(const char *text, int n = -1)
{
    return QCoreApplication::translate("Lexora", text, nullptr, n);
}

} // namespace

TestProgress::TestProgress(std::FILE *stream)
    : m_stream(stream), m_interactive(::isatty(::fileno(stream)) == 1)
{ }

TestProgress::~TestProgress()
{
    finish();
}

void TestProgress::start()
{
    m_clock.start();
}

QString TestProgress::timeLeft(qint64 elapsedMilliseconds, int done, int total)
{
    if (done <= 0 || total <= done)
        return {};
    const double seconds = double(elapsedMilliseconds) / 1000.0 / done * (total - done);
    if (seconds >= 90)
        return tr("about %n min left", int(std::lround(seconds / 60)));
    return tr("about %n s left", std::max(1, int(std::lround(seconds))));
}

void TestProgress::fileDone(int done, int total)
{
    const int percent = total > 0 ? done * 100 / total : 100;
    QString text = tr("Translation test: %1/%2 files (%3%)").arg(done).arg(total).arg(percent);
    if (const QString left = timeLeft(m_clock.elapsed(), done, total); !left.isEmpty())
        text += QLatin1String(", ") + left;
    write(text);
}

void TestProgress::finish()
{
    if (!m_lineShown)
        return;
    std::fputs("\r\033[K", m_stream);
    std::fflush(m_stream);
    m_lineShown = false;
}

void TestProgress::write(const QString &text)
{
    const QByteArray bytes = TerminalFeedback::printable(text).toLocal8Bit();
    if (m_interactive) {
        std::fputs("\r\033[K", m_stream);
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), m_stream);
        m_lineShown = true;
    } else {
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), m_stream);
        std::fputc('\n', m_stream);
    }
    std::fflush(m_stream);
}

} // namespace Lexora
