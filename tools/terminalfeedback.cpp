#include "terminalfeedback.h"

#include <QDir>

#include <cstdio>

#include <unistd.h>

namespace Lexora {

TerminalFeedback::TerminalFeedback(std::FILE *stream)
    : m_stream(stream), m_interactive(::isatty(::fileno(stream)) == 1)
{ }

int TerminalFeedback::errorCount() const
{
    std::lock_guard lock(m_mutex);
    return m_errorCount;
}

int TerminalFeedback::warningCount() const
{
    std::lock_guard lock(m_mutex);
    return m_warningCount;
}

void TerminalFeedback::setWarningPattern(const QRegularExpression &pattern)
{
    std::lock_guard lock(m_mutex);
    m_warningPattern = pattern;
}

void TerminalFeedback::printLine(const QString &text)
{
    const QByteArray bytes = printable(text).toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QString TerminalFeedback::printable(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        const bool control = (unit < 0x20 && unit != u'\n' && unit != u'\t') || unit == 0x7f
            || (unit >= 0x80 && unit < 0xa0);
        if (control)
            result += QStringLiteral("\\x%1").arg(unsigned(unit), 2, 16, QLatin1Char('0'));
        else
            result += c;
    }
    return result;
}

QString TerminalFeedback::printablePath(const QString &path)
{
    QString text = QDir::toNativeSeparators(path);
    text.replace(QLatin1Char('\n'), QLatin1String("\\x0a"));
    text.replace(QLatin1Char('\t'), QLatin1String("\\x09"));
    return printable(text);
}

void TerminalFeedback::showMissingImageWarning(std::string_view translationId,
                                               std::string_view filePath,
                                               std::string_view state)
{
    std::lock_guard lock(m_mutex);
    writeLine(QStringLiteral("warning: no image for translation id %1 (file %2, state %3)")
                  .arg(QString::fromUtf8(translationId),
                       QString::fromUtf8(filePath),
                       QString::fromUtf8(state)));
}

QFutureInterface<void> TerminalFeedback::createProgress(const QString &title, const char *)
{
    std::lock_guard lock(m_mutex);
    Entry entry;
    entry.title = title;
    entry.errorsAtStart = m_errorCount;
    m_entries.append(entry);
    return entry.future;
}

TerminalFeedback::Entry *TerminalFeedback::findEntry(const QFutureInterface<void> &future)
{
    for (Entry &entry : m_entries) {
        if (entry.future == future)
            return &entry;
    }
    return nullptr;
}

void TerminalFeedback::setProgressMaximum(QFutureInterface<void> &future, int maximum)
{
    future.setProgressRange(0, maximum);
    std::lock_guard lock(m_mutex);
    if (Entry *entry = findEntry(future)) {
        entry->maximum = maximum;
        drawProgress(*entry);
    }
}

void TerminalFeedback::setProgressValue(QFutureInterface<void> &future, int value)
{
    future.setProgressValue(value);
    std::lock_guard lock(m_mutex);
    if (Entry *entry = findEntry(future)) {
        entry->value = value;
        drawProgress(*entry);
    }
}

void TerminalFeedback::startProgress(QFutureInterface<void> &future)
{
    future.reportStarted();
    std::lock_guard lock(m_mutex);
    if (const Entry *entry = findEntry(future); entry && !m_interactive)
        writeLine(entry->title + QLatin1String(" ..."));
}

void TerminalFeedback::finishProgress(QFutureInterface<void> &future)
{
    future.reportFinished();
    std::lock_guard lock(m_mutex);
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).future != future)
            continue;
        // Out of the list before its last line is written, so that writeLine()
        // does not draw the finished entry again below it.
        const Entry entry = m_entries.takeAt(i);
        // "done" after failures would read as success.
        const int errors = m_errorCount - entry.errorsAtStart;
        if (errors > 0) {
            writeLine(QStringLiteral("%1: failed, %2 error(s) (%3/%4)")
                          .arg(entry.title)
                          .arg(errors)
                          .arg(entry.value)
                          .arg(entry.maximum));
        } else if (entry.value < entry.maximum) {
            writeLine(QStringLiteral("%1: stopped (%2/%3)")
                          .arg(entry.title)
                          .arg(entry.value)
                          .arg(entry.maximum));
        } else {
            writeLine(QStringLiteral("%1: done (%2/%3)")
                          .arg(entry.title)
                          .arg(entry.value)
                          .arg(entry.maximum));
        }
        break;
    }
}

void TerminalFeedback::addError(const QString &message)
{
    if (message.isEmpty())
        return;
    std::lock_guard lock(m_mutex);
    const QString text = message.trimmed();
    // A report that names its file and line says itself what it is, compilers'
    // way ("a.qml:3:7: error: ..."); another prefix would only repeat it.
    static const QRegularExpression located(
        QStringLiteral("^[^\\n]*?:\\d+(?::\\d+)?: (error|warning): "));
    if (const QRegularExpressionMatch match = located.match(text); match.hasMatch()) {
        report(text, match.capturedView(1) == QLatin1String("warning"));
        return;
    }
    const bool warning = m_warningPattern.isValid() && !m_warningPattern.pattern().isEmpty()
        && m_warningPattern.match(text).hasMatch();
    report((warning ? QLatin1String("warning: ") : QLatin1String("error: ")) + text, warning);
}

void TerminalFeedback::addFileError(const QString &filePath, int line, const QString &message)
{
    std::lock_guard lock(m_mutex);
    report(QStringLiteral("%1:%2: error: %3")
               .arg(printablePath(filePath), QString::number(line), message.trimmed()),
           false);
}

void TerminalFeedback::report(const QString &text, bool warning)
{
    if (warning)
        ++m_warningCount;
    else
        ++m_errorCount;
    if (m_reported.contains(text))
        return;
    m_reported.insert(text);
    writeLine(text);
}

void TerminalFeedback::drawProgress(Entry &entry, bool force)
{
    if (!m_interactive)
        return;
    const int percent = entry.maximum > 0 ? entry.value * 100 / entry.maximum : 0;
    // Thousands of steps need no thousands of redraws.
    if (!force && percent == entry.drawnPercent)
        return;
    entry.drawnPercent = percent;
    const QByteArray text = QStringLiteral("\r\033[K%1: %2/%3 (%4%)")
                                .arg(printable(entry.title))
                                .arg(entry.value)
                                .arg(entry.maximum)
                                .arg(percent)
                                .toLocal8Bit();
    std::fwrite(text.constData(), 1, std::size_t(text.size()), m_stream);
    std::fflush(m_stream);
    m_progressLineShown = true;
}

void TerminalFeedback::clearProgressLine()
{
    if (!m_progressLineShown)
        return;
    std::fputs("\r\033[K", m_stream);
    m_progressLineShown = false;
}

void TerminalFeedback::writeLine(const QString &text)
{
    clearProgressLine();
    const QByteArray bytes = printable(text).toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), m_stream);
    std::fflush(m_stream);
    // Keep showing what is still running below the message.
    if (m_interactive && !m_entries.isEmpty())
        drawProgress(m_entries.last(), true);
}

} // namespace Lexora
