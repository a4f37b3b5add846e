#pragma once

#include "userfeedbackinterface.h"

#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QString>

// Collects the reports of an extraction so tests can check text and line.
// Thread-safe, as generation workers report from their own threads.
class RecordingFeedback final : public Lexora::UserFeedbackInterface
{
public:
    struct FileError
    {
        QString filePath;
        int line = 0;
        QString message;
    };

    void showMissingImageWarning(std::string_view, std::string_view, std::string_view) override { }
    QFutureInterface<void> createProgress(const QString &, const char *) override
    {
        return QFutureInterface<void>();
    }
    void setProgressMaximum(QFutureInterface<void> &, int) override { }
    void setProgressValue(QFutureInterface<void> &, int) override { }
    void startProgress(QFutureInterface<void> &) override { }
    void finishProgress(QFutureInterface<void> &) override { }

    void addError(const QString &message) override
    {
        QMutexLocker locker(&m_mutex);
        m_errors.append(message);
    }
    void addFileError(const QString &filePath, int line, const QString &message) override
    {
        QMutexLocker locker(&m_mutex);
        m_fileErrors.append({ filePath, line, message });
    }

    QStringList errors() const
    {
        QMutexLocker locker(&m_mutex);
        return m_errors;
    }
    QList<FileError> fileErrors() const
    {
        QMutexLocker locker(&m_mutex);
        return m_fileErrors;
    }
    // "line:message" per file error, the form the data-driven tests compare.
    QStringList fileErrorLines() const
    {
        QStringList lines;
        for (const FileError &error : fileErrors())
            lines.append(QString::number(error.line) + QLatin1Char(':') + error.message);
        return lines;
    }

private:
    mutable QMutex m_mutex;
    QStringList m_errors;
    QList<FileError> m_fileErrors;
};
