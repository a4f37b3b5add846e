#include "projectlocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace Studio {

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("Studio::ProjectLocation", text);
}
} // namespace

QString projectFileAt(const QString &location, QString *errorString)
{
    const QFileInfo info(location);
    const QString shown = QDir::toNativeSeparators(info.absoluteFilePath());
    if (location.isEmpty() || !info.exists()) {
        *errorString = tr("The project %1 does not exist.").arg(shown);
        return {};
    }
    if (info.isFile()) {
        if (info.suffix() != QLatin1String("qmlproject")) {
            *errorString = tr("%1 is not a .qmlproject file.").arg(shown);
            return {};
        }
        return QDir::cleanPath(info.absoluteFilePath());
    }
    const QDir directory(info.absoluteFilePath());
    const QStringList candidates
        = directory.entryList({ QStringLiteral("*.qmlproject") }, QDir::Files, QDir::Name);
    if (candidates.isEmpty()) {
        *errorString = tr("The directory %1 holds no .qmlproject file.").arg(shown);
        return {};
    }
    if (candidates.size() > 1) {
        *errorString
            = tr("The directory %1 holds several .qmlproject files (%2); open one of them.")
                  .arg(shown, candidates.join(QLatin1String(", ")));
        return {};
    }
    return QDir::cleanPath(directory.filePath(candidates.constFirst()));
}

} // namespace Studio
