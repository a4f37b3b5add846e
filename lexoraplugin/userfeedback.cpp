#include "userfeedback.h"

#include "lexoraconstants.h"

#include <core/progresscenter.h>
#include <core/workbench.h>
#include <projects/issue.h>
#include <projects/issuelist.h>
#include <utils/path.h>

#include <QCoreApplication>
#include <QMessageBox>

namespace Lexora {

UserFeedback::UserFeedback()
    : m_progressCenter(Host::Core::ProgressCenter::instance()),
      m_issueList(Host::Projects::IssueList::instance())
{ }

void UserFeedback::showMissingImageWarning(std::string_view translationId,
                                           std::string_view filePath,
                                           std::string_view state)
{
    QMessageBox::warning(
        Host::Core::Workbench::dialogParent(),
        QCoreApplication::translate("NoImageForTranslationId", "No image for translation id found"),
        QCoreApplication::translate("NoImageForTranslationId",
                                    "Translation id is: %1\nFile path is: "
                                    "%2\nState is: %3")
            .arg(QString::fromUtf8(translationId),
                 QString::fromUtf8(filePath),
                 QString::fromUtf8(state)),
        QMessageBox::Ok);
}

QFutureInterface<void> UserFeedback::createProgress(const QString &title, const char *typeId)
{
    QFutureInterface<void> future;
    if (Host::Core::ProgressCenter *center = m_progressCenter.data()) {
        QMetaObject::invokeMethod(
            center,
            [center, future, title, id = QByteArray(typeId)] {
                center->addTask(future, title, id);
            },
            Qt::QueuedConnection);
    }
    return future;
}

void UserFeedback::setProgressMaximum(QFutureInterface<void> &future, int maximum)
{
    future.setProgressRange(0, maximum);
}

void UserFeedback::setProgressValue(QFutureInterface<void> &future, int value)
{
    future.setProgressValue(value);
}

void UserFeedback::addError(const QString &message)
{
    if (message.isEmpty())
        return;

    if (Host::Projects::IssueList *issues = m_issueList.data()) {
        QMetaObject::invokeMethod(
            issues,
            [issues, message] {
                issues->addIssue(Host::Projects::Issue::Error, message, Constants::taskCategory);
            },
            Qt::QueuedConnection);
    }
}

void UserFeedback::addFileError(const QString &filePath, int line, const QString &message)
{
    if (Host::Projects::IssueList *issues = m_issueList.data()) {
        const Host::Projects::Issue issue(
            Host::Projects::Issue::Error,
            message,
            Host::Utils::Path::fromString(filePath),
            line,
            Constants::taskCategory,
            QIcon(),
            Host::Projects::Issue::Options(Host::Projects::Issue::AddTextMark)
                | Host::Projects::Issue::FlashWorthy);
        QMetaObject::invokeMethod(
            issues, [issues, issue] { issues->addIssue(issue); }, Qt::QueuedConnection);
    }
}

void UserFeedback::startProgress(QFutureInterface<void> &future)
{
    future.reportStarted();
}

void UserFeedback::finishProgress(QFutureInterface<void> &future)
{
    future.reportFinished();
}

} // namespace Lexora
