#include "pseudopreviewlanguages.h"

#include "pseudolocale.h"
#include "pseudotranslationfiles.h"
#include "userfeedbackinterface.h"

#include <preview/previewplugin.h>
#include <qmlproject/qmlbuildbackend.h>

#include <QDir>
#include <QTemporaryDir>

namespace Lexora {

PseudoPreviewLanguages::PseudoPreviewLanguages() = default;

PseudoPreviewLanguages::~PseudoPreviewLanguages()
{
    withdraw();
}

void PseudoPreviewLanguages::setProject(Host::Projects::Project *project,
                                        DatabaseIoInterface *database,
                                        UserFeedbackInterface *feedback)
{
    withdraw();
    Host::QmlProject::QmlBuildBackend *backend
        = Host::QmlProject::QmlBuildBackend::forProject(project);
    // Pseudo texts are made from the primary language's.
    if (!backend || !database || !feedback || backend->primaryLanguage().isEmpty())
        return;
    if (!m_directory || !m_directory->isValid()) {
        m_directory = std::make_unique<QTemporaryDir>(QDir::tempPath()
                                                      + QLatin1String("/lexora-pseudo-XXXXXX"));
        if (!m_directory->isValid()) {
            feedback->addError(QStringLiteral("Cannot create a folder for the pseudo languages: %1")
                                   .arg(m_directory->errorString()));
            return;
        }
    }
    m_backend = backend;
    m_database = database;
    m_feedback = feedback;
    if (!refresh()) {
        withdraw();
        return;
    }
    QList<Host::QmlProject::QmlBuildBackend::PreviewOnlyLanguage> languages;
    Host::Preview::PreviewPlugin *preview = Host::Preview::PreviewPlugin::find();
    for (const QString &code : PseudoLocale::codes()) {
        const auto directory
            = Host::Utils::Path::fromString(QDir(m_directory->path()).filePath(code));
        languages.append({ code, directory });
        if (preview)
            preview->setTranslationDirectory(code, directory);
    }
    m_backend->setPreviewOnlyLanguages(languages);
}

bool PseudoPreviewLanguages::refresh()
{
    if (!m_backend || !m_database || !m_feedback || !m_directory)
        return false;
    return PseudoTranslationFiles::write(m_database,
                                         m_feedback,
                                         m_backend->primaryLanguage(),
                                         PseudoLocale::codes(),
                                         PseudoLocale::defaultExpansion,
                                         m_directory->path());
}

QStringList PseudoPreviewLanguages::codes() const
{
    return m_backend ? m_backend->previewOnlyLanguages() : QStringList();
}

void PseudoPreviewLanguages::withdraw()
{
    if (m_backend)
        m_backend->setPreviewOnlyLanguages({});
    if (Host::Preview::PreviewPlugin *preview = Host::Preview::PreviewPlugin::find()) {
        for (const QString &code : PseudoLocale::codes())
            preview->setTranslationDirectory(code, {});
    }
    m_backend = nullptr;
    m_database = nullptr;
    m_feedback = nullptr;
}

} // namespace Lexora
