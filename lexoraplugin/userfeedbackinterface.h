#pragma once

#include <QFutureInterface>
#include <QString>

#include <string_view>

namespace Lexora {

// How plugin code reports to the user: progress entries, error tasks in the
// issues list and one warning box. Every operation but showMissingImageWarning
// may be called from any thread.
class UserFeedbackInterface
{
public:
    virtual ~UserFeedbackInterface() = default;

    virtual void showMissingImageWarning(std::string_view translationId,
                                         std::string_view filePath,
                                         std::string_view state)
        = 0;
    virtual QFutureInterface<void> createProgress(const QString &title, const char *typeId) = 0;
    virtual void setProgressMaximum(QFutureInterface<void> &future, int maximum) = 0;
    virtual void setProgressValue(QFutureInterface<void> &future, int value) = 0;
    virtual void addError(const QString &message) = 0;
    virtual void addFileError(const QString &filePath, int line, const QString &message) = 0;
    virtual void startProgress(QFutureInterface<void> &future) = 0;
    virtual void finishProgress(QFutureInterface<void> &future) = 0;

protected:
    UserFeedbackInterface() = default;
    UserFeedbackInterface(const UserFeedbackInterface &) = default;
    UserFeedbackInterface &operator=(const UserFeedbackInterface &) = default;
};

} // namespace Lexora
