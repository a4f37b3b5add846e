#include "qmlbuildbackend.h"

#include "designproject.h"

#include <projects/buildtarget.h>
#include <projects/project.h>
#include <utils/softassert.h>

namespace Host::QmlProject {

QmlBuildBackend::QmlBuildBackend(Projects::BuildTarget *target) : Projects::BuildBackend(target)
{
    if (auto *project = qmlProject()) {
        connect(project, &DesignProject::projectFileChanged, this, [this] {
            emit supportedLanguagesChanged();
            emit primaryLanguageChanged();
        });
    }
}

QmlBuildBackend::~QmlBuildBackend() = default;

QmlBuildBackend *QmlBuildBackend::forProject(Projects::Project *project)
{
    if (!project || !project->activeTarget())
        return nullptr;
    return qobject_cast<QmlBuildBackend *>(project->activeTarget()->buildBackend());
}

QString QmlBuildBackend::name() const
{
    return QStringLiteral("qml");
}

DesignProject *QmlBuildBackend::qmlProject() const
{
    return qobject_cast<DesignProject *>(project());
}

QStringList QmlBuildBackend::supportedLanguages() const
{
    const DesignProject *project = qmlProject();
    HOST_SOFT_ASSERT(project, return {});
    const QVariant value = project->projectFile().value(QStringLiteral("supportedLanguages"));
    if (value.typeId() == QMetaType::QString) // a single language written without brackets
        return { value.toString() };
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    return {};
}

QString QmlBuildBackend::primaryLanguage() const
{
    const DesignProject *project = qmlProject();
    HOST_SOFT_ASSERT(project, return {});
    const QVariant value = project->projectFile().value(QStringLiteral("primaryLanguage"));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

bool QmlBuildBackend::setSupportedLanguages(const QStringList &languages)
{
    DesignProject *project = qmlProject();
    HOST_SOFT_ASSERT(project, return false);
    return project->setModelProperty(QStringLiteral("supportedLanguages"),
                                     QmlProjectFile::stringList(languages));
}

bool QmlBuildBackend::setPrimaryLanguage(const QString &language)
{
    DesignProject *project = qmlProject();
    HOST_SOFT_ASSERT(project, return false);
    return project->setModelProperty(QStringLiteral("primaryLanguage"),
                                     QmlProjectFile::quoted(language));
}

void QmlBuildBackend::setPreviewOnlyLanguages(const QList<PreviewOnlyLanguage> &languages)
{
    QList<PreviewOnlyLanguage> kept;
    for (const PreviewOnlyLanguage &language : languages) {
        // Without a code or a directory an entry names no file.
        if (!language.code.isEmpty() && !language.directory.isEmpty())
            kept.append(language);
    }
    m_previewOnlyLanguages = kept;
    emit previewOnlyLanguagesChanged();
}

QStringList QmlBuildBackend::previewOnlyLanguages() const
{
    QStringList codes;
    for (const PreviewOnlyLanguage &language : m_previewOnlyLanguages)
        codes.append(language.code);
    return codes;
}

Utils::Path QmlBuildBackend::translationDirectory(const QString &language) const
{
    for (const PreviewOnlyLanguage &previewOnly : m_previewOnlyLanguages) {
        if (previewOnly.code == language)
            return previewOnly.directory;
    }
    const Projects::Project *project = this->project();
    return project ? project->projectDirectory() : Utils::Path();
}

void QmlBuildBackend::notifyParsing(bool started, bool success)
{
    if (started)
        beginParsing();
    else
        endParsing(success);
}

} // namespace Host::QmlProject
