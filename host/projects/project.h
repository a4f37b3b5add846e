#pragma once

#include "projects_global.h"

#include <utils/path.h>

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace Host::Projects {

class BuildTarget;

// A project the studio has open: a project file, the directory it sits in and
// the files that belong to it. Subclasses know how to read their project file;
// this class keeps what every project has.
class HOST_PROJECTS_EXPORT Project : public QObject
{
    Q_OBJECT

public:
    using FileFilter = std::function<bool(const Utils::Path &)>;

    explicit Project(const Utils::Path &projectFilePath, QObject *parent = nullptr);
    ~Project() override;

    Utils::Path projectFilePath() const { return m_projectFilePath; }
    Utils::Path projectDirectory() const { return m_projectFilePath.parentDir(); }

    // The project file's name without its suffix unless set otherwise.
    QString displayName() const;
    void setDisplayName(const QString &name);

    // The project's files in project order, those passing `filter` if one is given.
    Utils::Paths files(const FileFilter &filter = {}) const;
    bool isKnownFile(const Utils::Path &path) const;
    void setFiles(const Utils::Paths &files);
    // What kept files from being listed (a source folder that is missing or
    // cannot be read), one text per problem naming its path; empty when the
    // listing is complete.
    QStringList fileProblems() const { return m_fileProblems; }
    void setFileProblems(const QStringList &problems) { m_fileProblems = problems; }

    // Takes ownership. The first target added becomes the active one.
    BuildTarget *addTarget(std::unique_ptr<BuildTarget> target);
    QList<BuildTarget *> targets() const;
    BuildTarget *activeTarget() const { return m_activeTarget; }
    void setActiveTarget(BuildTarget *target);

signals:
    void displayNameChanged();
    void filesChanged();
    void activeTargetChanged(Host::Projects::BuildTarget *target);

private:
    Utils::Path m_projectFilePath;
    QString m_displayName;
    Utils::Paths m_files;
    QStringList m_fileProblems;
    std::vector<std::unique_ptr<BuildTarget>> m_targets;
    BuildTarget *m_activeTarget = nullptr;
};

} // namespace Host::Projects
