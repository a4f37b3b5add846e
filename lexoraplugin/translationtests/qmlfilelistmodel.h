#pragma once

#include <utils/path.h>

#include <QAbstractListModel>
#include <QSet>

namespace Host::Projects {
class Project;
}

namespace Lexora {

// The project's UI files that a translation test can show, each with a check
// box; every file starts checked.
class QmlFileListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit QmlFileListModel(Host::Projects::Project *project, QObject *parent = nullptr);
    ~QmlFileListModel() override;

    // A file is testable when its name begins with an upper-case letter, it
    // ends with ".ui.qml" and its path below the project directory does not
    // begin with "imports".
    static bool isTestable(const Host::Utils::Path &projectDirectory,
                           const Host::Utils::Path &file);
    static QList<Host::Utils::Path> testableFiles(Host::Projects::Project *project);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    QList<Host::Utils::Path> checkedFiles() const;

private:
    Host::Projects::Project *m_project;
    QList<Host::Utils::Path> m_files;
    QSet<Host::Utils::Path> m_uncheckedFiles;
};

} // namespace Lexora
