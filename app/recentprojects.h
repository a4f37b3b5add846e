#pragma once

#include <QStringList>

QT_BEGIN_NAMESPACE
class QSettings;
QT_END_NAMESPACE

namespace Studio {

// The projects the user opened last, most recent first, kept in the settings
// so that the list survives a restart. Entries whose file went away are not
// offered, but stay stored: a project on an unmounted disk comes back.
class RecentProjects
{
public:
    static constexpr int defaultMaximum = 8;

    // Not owned; the settings outlive this list.
    explicit RecentProjects(QSettings *settings, int maximum = defaultMaximum);

    // Existing project files, most recent first.
    QStringList files() const;
    // Moves the file to the front; the oldest entries beyond the maximum go.
    void add(const QString &projectFile);
    void remove(const QString &projectFile);
    void clear();

private:
    QStringList stored() const;
    void store(const QStringList &files);

    QSettings *m_settings;
    int m_maximum;
};

} // namespace Studio
