#pragma once

#include "translationfiles/catalogmessage.h"
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

inline Lexora::CatalogMessage message(const QString &id,
                                      const QString &translation,
                                      Lexora::CatalogMessage::Type type
                                      = Lexora::CatalogMessage::Finished,
                                      const QString &comment = QString())
{
    Lexora::CatalogMessage result;
    result.id = id;
    result.translation = translation;
    result.translatorComment = comment;
    result.type = type;
    return result;
}
