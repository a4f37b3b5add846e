#pragma once

#include "userfeedbackinterface.h"

#include <QList>
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

private:
    struct Entry
    {
        QFutureInterface<void> future;
        QString title;
        int maximum = 0;
        int value = 0;
        int drawnPercent = -1;
    };

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
};

} // namespace Lexora
