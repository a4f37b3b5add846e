#pragma once

#include "projects_global.h"

#include <utils/path.h>

#include <QByteArray>
#include <QIcon>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QVariant>

namespace Host::Projects {

// A group of issues with its own name in the issues list, e.g. the errors of
// one tool.
struct HOST_PROJECTS_EXPORT IssueCategory
{
    QByteArray id;
    QString displayName;
    bool visible = true;
    int priority = 0; // higher first
    // Its issues are about the open project and go when the project closes.
    bool projectBound = true;
};

// An entry of the issues list: a problem, where it is if it has a place, and
// how loudly to tell the user.
class HOST_PROJECTS_EXPORT Issue
{
public:
    enum Type { Unknown, Error, Warning };

    enum Option : char {
        NoOptions = 0,
        // Mark the line in editors showing the file.
        AddTextMark = 1,
        // Draw the user's attention to the issues list.
        FlashWorthy = 2,
    };
    Q_DECLARE_FLAGS(Options, Option)

    Issue() = default;
    Issue(Type type,
          const QString &description,
          const Utils::Path &file,
          int line,
          const QByteArray &category,
          const QIcon &icon = {},
          Options options = Options(AddTextMark) | FlashWorthy);

    quint64 id = 0; // assigned by the issue list
    Type type = Unknown;
    QString description;
    Utils::Path file;
    int line = -1; // counted from 1; -1 without a line
    QByteArray category;
    QIcon icon;
    Options options = Options(AddTextMark) | FlashWorthy;
    // Whatever the tool that filed the issue needs to act on it when the user
    // activates it (see IssueList::setActivationHandler).
    QVariant data;
    // Named values the Issues list can filter by, as the tool that reports
    // the issue sees them (a check's name, a language); the names are shown.
    QMap<QString, QString> facets;

    bool isNull() const { return id == 0; }
    bool hasLocation() const { return !file.isEmpty(); }
};

using Issues = QList<Issue>;

} // namespace Host::Projects

Q_DECLARE_OPERATORS_FOR_FLAGS(Host::Projects::Issue::Options)
Q_DECLARE_METATYPE(Host::Projects::Issue)
Q_DECLARE_METATYPE(Host::Projects::IssueCategory)
