#pragma once

#include "issue.h"
#include "projects_global.h"

#include <QHash>
#include <QObject>

#include <functional>

namespace Host::Projects {

// The studio's list of issues, grouped in categories that tools register.
// Lives on the interface thread; issues may be added from any thread (they are
// handed over queued), everything else is for the interface thread.
class HOST_PROJECTS_EXPORT IssueList : public QObject
{
    Q_OBJECT

public:
    static IssueList *instance();
    ~IssueList() override;

    // Registering a known id again updates its name and visibility.
    void addCategory(const QByteArray &id,
                     const QString &displayName,
                     bool visible = true,
                     int priority = 0);
    QList<IssueCategory> categories() const { return m_categories; }
    IssueCategory category(const QByteArray &id) const;
    bool hasCategory(const QByteArray &id) const;
    void setCategoryVisible(const QByteArray &id, bool visible);
    // Issues of categories that are not project-bound (the studio's own, such
    // as plugins that failed to load) stay when a project closes.
    void setCategoryProjectBound(const QByteArray &id, bool projectBound);

    // What activating an issue of `category` does, instead of opening its
    // file at its line. The handler answers whether it took care of the issue;
    // an empty handler restores the default.
    using ActivationHandler = std::function<bool(const Issue &issue)>;
    void setActivationHandler(const QByteArray &category, ActivationHandler handler);
    // Runs the handler of the issue's category; false without one, or when it
    // leaves the issue to the default.
    bool activate(const Issue &issue) const;

    void addIssue(const Issue &issue);
    // An issue without a place in a file.
    void addIssue(Issue::Type type, const QString &description, const QByteArray &category);
    void removeIssue(quint64 id);
    // All issues of one category, or all issues for an empty id.
    void clearIssues(const QByteArray &category = {});
    // All issues of project-bound categories; runs whenever a project closes,
    // so that no issue points into a project that is gone.
    void clearProjectIssues();

    Issues issues(const QByteArray &category = {}) const;
    // The issues that mark lines of `file` in an editor.
    Issues textMarks(const Utils::Path &file) const;
    int errorCount(const QByteArray &category = {}) const;

    void requestPopup();

signals:
    void categoryAdded(const Host::Projects::IssueCategory &category);
    void categoryChanged(const QByteArray &id);
    void issueAdded(const Host::Projects::Issue &issue);
    void issueRemoved(quint64 id);
    void issuesCleared(const QByteArray &category);
    // A flash-worthy issue arrived.
    void flashRequested();
    void popupRequested();

private:
    IssueList();

    QList<IssueCategory> m_categories;
    Issues m_issues;
    QHash<QByteArray, ActivationHandler> m_activationHandlers;
    quint64 m_nextId = 1;
};

} // namespace Host::Projects
