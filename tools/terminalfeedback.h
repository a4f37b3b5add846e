#pragma once

#include "userfeedbackinterface.h"

#include <QList>
#include <QRegularExpression>
#include <QSet>
#include <QString>

#include <cstdio>
#include <mutex>

namespace Lexora {

// Feedback for a terminal: progress entries as one line that updates in place
// (or a line when an entry starts and one when it ends, if the output is not a
// terminal), errors as lines on the error stream. Counts the errors so that the
// tool can fail when anything went wrong. Callable from any thread.
class TerminalFeedback final : public UserFeedbackInterface
{
public:
    explicit TerminalFeedback(std::FILE *stream = stderr);

    void showMissingImageWarning(std::string_view translationId,
                                 std::string_view filePath,
                                 std::string_view state) override;
    QFutureInterface<void> createProgress(const QString &title, const char *typeId) override;
    void setProgressMaximum(QFutureInterface<void> &future, int maximum) override;
    void setProgressValue(QFutureInterface<void> &future, int value) override;
    void addError(const QString &message) override;
    void addFileError(const QString &filePath, int line, const QString &message) override;
    void startProgress(QFutureInterface<void> &future) override;
    void finishProgress(QFutureInterface<void> &future) override;

    int errorCount() const;
    int warningCount() const;

    // Reports whose text matches `pattern` in full are shown as warnings and
    // not counted as errors.
    void setWarningPattern(const QRegularExpression &pattern);

    // The text as it can go to a terminal: control characters (other than
    // line feeds and tabs) written as \xNN, so that bytes from a binary input
    // file cannot move the cursor or change the terminal's state.
    static QString printable(const QString &text);
    // A file name as it can go to a terminal: native separators, and every
    // control character escaped as \xNN, line feeds and tabs too, so that
    // a name stays on the line that reports it.
    static QString printablePath(const QString &path);
    // A line of the command's results on the output stream, made printable.
    static void printLine(const QString &text);

private:
    struct Entry
    {
        QFutureInterface<void> future;
        QString title;
        int maximum = 0;
        int value = 0;
        int drawnPercent = -1;
        int errorsAtStart = 0;
    };

    // Writes the report once; an identical report (a second pass over the
    // same files) is counted but not shown again.
    void report(const QString &text, bool warning);

    Entry *findEntry(const QFutureInterface<void> &future);
    void drawProgress(Entry &entry, bool force = false);
    void clearProgressLine();
    void writeLine(const QString &text);

    std::FILE *m_stream;
    const bool m_interactive;
    mutable std::mutex m_mutex;
    QList<Entry> m_entries;
    bool m_progressLineShown = false;
    int m_errorCount = 0;
    int m_warningCount = 0;
    QRegularExpression m_warningPattern;
    QSet<QString> m_reported;
};

} // namespace Lexora
