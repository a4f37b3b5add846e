#include "translationsview/projectlanguagesettings.h"

#include "atomicfile.h"

#include <qmlproject/qmlprojectfile.h>

#include <QCoreApplication>
#include <QDebug>
#include <QDir>

namespace Lexora {

using Host::QmlProject::QmlProjectFile;

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Lexora::ProjectLanguageSettings", text);
}

const QString supportedKey = QStringLiteral("supportedLanguages");
const QString primaryKey = QStringLiteral("primaryLanguage");

bool holdsLanguages(const QmlProjectFile &file,
                    const QStringList &codes,
                    const QString &primaryCode)
{
    const QVariant supported = file.value(supportedKey);
    const QVariant primary = file.value(primaryKey);
    return supported.typeId() == QMetaType::QStringList && supported.toStringList() == codes
        && primary.typeId() == QMetaType::QString && primary.toString() == primaryCode;
}

bool fail(const QString &message,
          const QString &path,
          const QString &reason,
          const QString &userMessage,
          QString *errorString)
{
    qWarning().noquote() << message;
    if (!path.isEmpty())
        qWarning().noquote() << "File path:" << path;
    if (!reason.isEmpty())
        qWarning().noquote() << "Reason:" << reason;
    if (errorString)
        *errorString = userMessage;
    return false;
}

} // namespace

bool ProjectLanguageSettings::setLanguages(QmlProjectFile &file,
                                           const QStringList &codes,
                                           const QString &primaryCode,
                                           QString *errorString)
{
    QmlProjectFile edited = file;
    if (!edited.setPropertySource(supportedKey, QmlProjectFile::stringList(codes), errorString)
        || !edited.setPropertySource(primaryKey, QmlProjectFile::quoted(primaryCode), errorString))
        return false;
    if (!holdsLanguages(edited, codes, primaryCode)) {
        *errorString = tr("The edited project file does not read back with the chosen languages.");
        return false;
    }
    file = std::move(edited);
    return true;
}

std::optional<QString> ProjectLanguageSettings::editedProjectText(const QString &content,
                                                                  const QStringList &codes,
                                                                  const QString &primaryCode,
                                                                  QString *errorString)
{
    QmlProjectFile file;
    if (!file.parse(content, errorString) || !setLanguages(file, codes, primaryCode, errorString))
        return std::nullopt;
    return file.text();
}

bool ProjectLanguageSettings::writeToProjectFile(const QString &projectDirectory,
                                                 const QStringList &codes,
                                                 const QString &primaryCode,
                                                 QString *errorString)
{
    const QStringList projectFiles
        = QDir(projectDirectory, QStringLiteral("*.qmlproject")).entryList();
    if (projectFiles.isEmpty()) {
        return fail(
            QStringLiteral("Could not save qmlproject file - file not found in project path."),
            {},
            {},
            tr("The project languages were not saved: there is no .qmlproject file in "
               "\"%1\".")
                .arg(QDir::toNativeSeparators(projectDirectory)),
            errorString);
    }
    const QString path = projectDirectory + QLatin1Char('/') + projectFiles.constFirst();
    const QString shown = QDir::toNativeSeparators(path);

    QmlProjectFile file;
    QString reason;
    if (!file.load(Host::Utils::Path::fromString(path), &reason)) {
        return fail(QStringLiteral("Could not save qmlproject file - could not read project file."),
                    path,
                    reason,
                    tr("The project languages were not saved: %1").arg(reason),
                    errorString);
    }
    if (!setLanguages(file, codes, primaryCode, &reason)) {
        return fail(QStringLiteral("Could not save qmlproject file - the languages cannot be "
                                   "written into it; the file was left unchanged."),
                    path,
                    reason,
                    tr("The project languages were not saved, and \"%1\" was left unchanged: %2")
                        .arg(shown, reason),
                    errorString);
    }
    if (!AtomicFile::writeFile(path, file.contents(), &reason)) {
        return fail(
            QStringLiteral("Could not save qmlproject file - could not open file for writing"),
            path,
            reason,
            tr("The project languages were not saved: cannot write \"%1\": %2").arg(shown, reason),
            errorString);
    }
    return true;
}

QStringList ProjectLanguageSettings::keptOrder(const QStringList &current,
                                               const QStringList &chosen)
{
    QStringList ordered;
    for (const QString &code : current) {
        if (chosen.contains(code) && !ordered.contains(code))
            ordered.append(code);
    }
    for (const QString &code : chosen) {
        if (!ordered.contains(code))
            ordered.append(code);
    }
    return ordered;
}

} // namespace Lexora
