#pragma once

#include "userfeedbackinterface.h"

#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QStringList>

#include <optional>

// Keeps every report and progress entry, from any thread (generation and
// extraction workers report from their own), so that tests can compare the
// exact texts and the fuzz targets can read them back.
class RecordingFeedback final : public Lexora::UserFeedbackInterface
{
public:
    struct Report
    {
        bool aboutFile = false;
        QString filePath;
        int line = 0;
        QString message;
    };
    struct Progress
    {
        QFutureInterface<void> future;
        QString title;
        QByteArray typeId;
        int maximum = -1;
        QList<int> values;
        bool started = false;
        bool finished = false;
    };

    void showMissingImageWarning(std::string_view, std::string_view, std::string_view) override { }

    QFutureInterface<void> createProgress(const QString &title, const char *typeId) override
    {
        QMutexLocker locker(&m_mutex);
        Progress progress;
        progress.title = title;
        progress.typeId = typeId;
        m_progresses.append(progress);
        return progress.future;
    }
    void setProgressMaximum(QFutureInterface<void> &future, int maximum) override
    {
        update(future, [maximum](Progress &progress) { progress.maximum = maximum; });
    }
    void setProgressValue(QFutureInterface<void> &future, int value) override
    {
        update(future, [value](Progress &progress) { progress.values.append(value); });
    }
    void startProgress(QFutureInterface<void> &future) override
    {
        update(future, [](Progress &progress) { progress.started = true; });
    }
    void finishProgress(QFutureInterface<void> &future) override
    {
        update(future, [](Progress &progress) { progress.finished = true; });
    }

    void addError(const QString &message) override { record({ false, QString(), 0, message }); }
    void addFileError(const QString &filePath, int line, const QString &message) override
    {
        record({ true, filePath, line, message });
    }

    QList<Report> reports() const
    {
        QMutexLocker locker(&m_mutex);
        return m_reports;
    }
    // Every report's text alone, in order.
    QStringList messages() const
    {
        return collect([](const Report &report) { return std::optional(report.message); });
    }
    // Every report, a file's as "path:line: message".
    QStringList errors() const
    {
        return collect([](const Report &report) {
            return std::optional(report.aboutFile ? QStringLiteral("%1:%2: %3")
                                                        .arg(report.filePath)
                                                        .arg(report.line)
                                                        .arg(report.message)
                                                  : report.message);
        });
    }
    // The reports that are not about a file.
    QStringList generalErrors() const
    {
        return collect([](const Report &report) {
            return report.aboutFile ? std::nullopt : std::optional(report.message);
        });
    }
    QList<Report> fileErrors() const
    {
        QList<Report> result;
        for (const Report &report : reports()) {
            if (report.aboutFile)
                result.append(report);
        }
        return result;
    }
    // "line:message" per file report, the form data-driven tables compare.
    QStringList fileErrorLines() const
    {
        return collect([](const Report &report) -> std::optional<QString> {
            if (!report.aboutFile)
                return std::nullopt;
            return QString::number(report.line) + QLatin1Char(':') + report.message;
        });
    }
    QList<Progress> progresses() const
    {
        QMutexLocker locker(&m_mutex);
        return m_progresses;
    }

private:
    void record(Report report)
    {
        // A deep copy reads every character, so that a report built over freed
        // or garbage data shows up under AddressSanitizer.
        report.filePath = QString(report.filePath.constData(), report.filePath.size());
        report.message = QString(report.message.constData(), report.message.size());
        QMutexLocker locker(&m_mutex);
        m_reports.append(report);
    }
    template<typename Function> void update(const QFutureInterface<void> &future, Function change)
    {
        QMutexLocker locker(&m_mutex);
        for (Progress &progress : m_progresses) {
            if (progress.future == future) {
                change(progress);
                return;
            }
        }
    }
    template<typename Function> QStringList collect(Function text) const
    {
        QStringList result;
        for (const Report &report : reports()) {
            if (const std::optional<QString> line = text(report))
                result.append(*line);
        }
        return result;
    }

    mutable QMutex m_mutex;
    QList<Report> m_reports;
    QList<Progress> m_progresses;
};
