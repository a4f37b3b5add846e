#include "issuelist.h"

#include "project.h"
#include "session.h"

#include <utils/lazyinstance.h>
#include <utils/softassert.h>

#include <QLoggingCategory>
#include <QThread>

namespace Host::Projects {

namespace {
Q_LOGGING_CATEGORY(issueLog, "host.issues", QtWarningMsg)
} // namespace

IssueList *IssueList::instance()
{
    return Utils::lazyInstance<IssueList>([] { return new IssueList; });
}

IssueList::IssueList()
{
    qRegisterMetaType<Issue>();
    qRegisterMetaType<IssueCategory>();
    connect(
        Session::instance(), &Session::aboutToRemoveProject, this, &IssueList::clearProjectIssues);
}

IssueList::~IssueList() = default;

void IssueList::addCategory(const QByteArray &id,
                            const QString &displayName,
                            bool visible,
                            int priority)
{
    HOST_SOFT_ASSERT(!id.isEmpty(), return );
    for (IssueCategory &known : m_categories) {
        if (known.id == id) {
            known.displayName = displayName;
            known.visible = visible;
            known.priority = priority;
            emit categoryChanged(id);
            return;
        }
    }
    IssueCategory category { id, displayName, visible, priority };
    m_categories.append(category);
    std::stable_sort(m_categories.begin(), m_categories.end(), [](const auto &a, const auto &b) {
        return a.priority > b.priority;
    });
    emit categoryAdded(category);
}

IssueCategory IssueList::category(const QByteArray &id) const
{
    for (const IssueCategory &category : m_categories) {
        if (category.id == id)
            return category;
    }
    return {};
}

bool IssueList::hasCategory(const QByteArray &id) const
{
    return !category(id).id.isEmpty();
}

void IssueList::setCategoryVisible(const QByteArray &id, bool visible)
{
    for (IssueCategory &category : m_categories) {
        if (category.id == id && category.visible != visible) {
            category.visible = visible;
            emit categoryChanged(id);
        }
    }
}

void IssueList::setCategoryProjectBound(const QByteArray &id, bool projectBound)
{
    for (IssueCategory &category : m_categories) {
        if (category.id == id)
            category.projectBound = projectBound;
    }
}

void IssueList::setActivationHandler(const QByteArray &category, ActivationHandler handler)
{
    if (handler)
        m_activationHandlers.insert(category, std::move(handler));
    else
        m_activationHandlers.remove(category);
}

bool IssueList::activate(const Issue &issue) const
{
    const ActivationHandler handler = m_activationHandlers.value(issue.category);
    return handler && handler(issue);
}

void IssueList::addIssue(const Issue &issue)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, issue] { addIssue(issue); }, Qt::QueuedConnection);
        return;
    }
    if (!hasCategory(issue.category)) {
        // Still shown: losing an error report is worse than an unnamed group.
        qCWarning(issueLog) << "Issue added to unregistered category" << issue.category;
        addCategory(issue.category.isEmpty() ? QByteArray("unknown") : issue.category,
                    QString::fromUtf8(issue.category));
    }
    Issue added = issue;
    if (added.category.isEmpty())
        added.category = "unknown";
    added.id = m_nextId++;
    m_issues.append(added);
    emit issueAdded(added);
    if (added.options.testFlag(Issue::FlashWorthy))
        emit flashRequested();
}

void IssueList::addIssue(Issue::Type type, const QString &description, const QByteArray &category)
{
    addIssue(Issue(type, description, {}, -1, category));
}

void IssueList::removeIssue(quint64 id)
{
    for (qsizetype i = 0; i < m_issues.size(); ++i) {
        if (m_issues.at(i).id == id) {
            m_issues.removeAt(i);
            emit issueRemoved(id);
            return;
        }
    }
}

void IssueList::clearIssues(const QByteArray &category)
{
    const qsizetype removed = m_issues.removeIf(
        [&](const Issue &issue) { return category.isEmpty() || issue.category == category; });
    if (removed > 0)
        emit issuesCleared(category);
}

void IssueList::clearProjectIssues()
{
    for (const IssueCategory &category : std::as_const(m_categories)) {
        if (category.projectBound)
            clearIssues(category.id);
    }
}

Issues IssueList::issues(const QByteArray &category) const
{
    if (category.isEmpty())
        return m_issues;
    Issues result;
    for (const Issue &issue : m_issues) {
        if (issue.category == category)
            result.append(issue);
    }
    return result;
}

Issues IssueList::textMarks(const Utils::Path &file) const
{
    Issues result;
    for (const Issue &issue : m_issues) {
        if (issue.options.testFlag(Issue::AddTextMark) && issue.line > 0 && issue.file == file)
            result.append(issue);
    }
    return result;
}

int IssueList::errorCount(const QByteArray &category) const
{
    int count = 0;
    for (const Issue &issue : m_issues) {
        if (issue.type == Issue::Error && (category.isEmpty() || issue.category == category))
            ++count;
    }
    return count;
}

void IssueList::requestPopup()
{
    emit popupRequested();
}

} // namespace Host::Projects
