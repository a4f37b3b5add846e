#pragma once

#include "lexoratool.h"
#include "userfeedbackinterface.h"

#include <QList>
#include <QRegularExpression>

#include <mutex>

namespace Lexora {

// Keeps what the extractor reports about a file as (file, line, message)
// instead of printing it.
class ProblemRecorder final : public UserFeedbackInterface
{
public:
    explicit ProblemRecorder(QList<LexoraTool::FileProblem> &problems) : m_problems(problems) { }

    void addError(const QString &message) override
    {
        // The parser's "file:line:column: error: text", then the source line
        // and a caret, which a finding does not need.
        static const QRegularExpression located(
            QStringLiteral("^(.*?):(\\d+):(?:\\d+:)? error: (.*)$"));
        const QString first = message.section(QLatin1Char('\n'), 0, 0);
        const QRegularExpressionMatch match = located.match(first);
        std::lock_guard lock(m_mutex);
        if (match.hasMatch())
            m_problems.append({ match.captured(1), match.captured(2).toInt(), match.captured(3) });
        else
            m_problems.append({ QString(), 0, message.trimmed() });
    }
    void addFileError(const QString &filePath, int line, const QString &message) override
    {
        std::lock_guard lock(m_mutex);
        m_problems.append({ filePath, line, message.trimmed() });
    }
    void showMissingImageWarning(std::string_view, std::string_view, std::string_view) override { }
    QFutureInterface<void> createProgress(const QString &, const char *) override { return {}; }
    void setProgressMaximum(QFutureInterface<void> &, int) override { }
    void setProgressValue(QFutureInterface<void> &, int) override { }
    void startProgress(QFutureInterface<void> &) override { }
    void finishProgress(QFutureInterface<void> &) override { }

private:
    QList<LexoraTool::FileProblem> &m_problems;
    std::mutex m_mutex;
};

} // namespace Lexora
