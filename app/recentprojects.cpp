#include "recentprojects.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace Studio {

namespace {

const char settingsKey[] = "RecentProjects/files";

// One spelling per file, so that "a/../b.qmlproject" and "b.qmlproject" do not
// take two places in the list.
QString normalized(const QString &file)
{
    return QDir::cleanPath(QFileInfo(file).absoluteFilePath());
}

} // namespace

RecentProjects::RecentProjects(QSettings *settings, int maximum)
    : m_settings(settings), m_maximum(qMax(1, maximum))
{ }

QStringList RecentProjects::stored() const
{
    return m_settings->value(QLatin1String(settingsKey)).toStringList();
}

void RecentProjects::store(const QStringList &files)
{
    m_settings->setValue(QLatin1String(settingsKey), files);
}

QStringList RecentProjects::files() const
{
    QStringList existing;
    for (const QString &file : stored()) {
        if (QFileInfo(file).isFile())
            existing.append(file);
    }
    return existing;
}

void RecentProjects::add(const QString &projectFile)
{
    const QString file = normalized(projectFile);
    QStringList files = stored();
    files.removeAll(file);
    files.prepend(file);
    while (files.size() > m_maximum)
        files.removeLast();
    store(files);
}

void RecentProjects::remove(const QString &projectFile)
{
    QStringList files = stored();
    if (files.removeAll(normalized(projectFile)) > 0)
        store(files);
}

void RecentProjects::clear()
{
    m_settings->remove(QLatin1String(settingsKey));
}

} // namespace Studio
