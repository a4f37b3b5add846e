#pragma once

#include "userfeedbackinterface.h"

#include <QStringList>

// Keeps every reported error so a test can compare the exact texts.
class RecordingFeedback final : public Lexora::UserFeedbackInterface
{
public:
    QStringList errors;

    void showMissingImageWarning(std::string_view, std::string_view, std::string_view) override { }
    QFutureInterface<void> createProgress(const QString &, const char *) override
    {
        return QFutureInterface<void>();
    }
    void setProgressMaximum(QFutureInterface<void> &, int) override { }
    void setProgressValue(QFutureInterface<void> &, int) override { }
    void addError(const QString &message) override { errors.append(message); }
    void addFileError(const QString &, int, const QString &message) override
    {
        errors.append(message);
    }
    void startProgress(QFutureInterface<void> &) override { }
    void finishProgress(QFutureInterface<void> &) override { }
};
