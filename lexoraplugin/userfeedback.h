#pragma once

#include "userfeedbackinterface.h"

#include <QPointer>

namespace Host::Core {
class ProgressCenter;
}
namespace Host::Projects {
class IssueList;
}

namespace Lexora {

// Reports through the host: progress entries, error tasks under the plugin's
// category and message boxes. Construct it on the interface thread; all but
// showMissingImageWarning may then be called from any thread, because what
// reaches host objects is handed over to the interface thread queued.
class UserFeedback final : public UserFeedbackInterface
{
public:
    UserFeedback();

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

private:
    // Taken on the interface thread, so worker threads never create the host's
    // singletons on the wrong thread.
    QPointer<Host::Core::ProgressCenter> m_progressCenter;
    QPointer<Host::Projects::IssueList> m_issueList;
};

} // namespace Lexora
