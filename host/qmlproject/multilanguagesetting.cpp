#include "multilanguagesetting.h"

#include "designproject.h"
#include "qmlbuildbackend.h"

namespace Host::QmlProject {

namespace {
const char key[] = "translationDatabase";
} // namespace

MultiLanguageSetting::MultiLanguageSetting(DesignProject *project) : m_project(project) { }

MultiLanguageSetting::~MultiLanguageSetting() = default;

MultiLanguageSetting *MultiLanguageSetting::forProject(Projects::Project *project)
{
    auto *qmlProject = qobject_cast<DesignProject *>(project);
    if (!qmlProject || !qmlProject->multiLanguageSetting()->isPresent())
        return nullptr;
    return qmlProject->multiLanguageSetting();
}

bool MultiLanguageSetting::isPresent() const
{
    return m_project->projectFile().hasProperty(QLatin1String(key));
}

bool MultiLanguageSetting::value() const
{
    const QVariant value = m_project->projectFile().value(QLatin1String(key));
    return value.typeId() == QMetaType::Bool && value.toBool();
}

bool MultiLanguageSetting::setValue(bool enabled)
{
    const bool before = value();
    const bool written
        = m_project->writeProperty(QLatin1String(key), QmlProjectFile::boolean(enabled));
    if (value() != before)
        emit valueChanged(value());
    return written;
}

QString MultiLanguageSetting::currentLocale() const
{
    if (!m_currentLocale.isEmpty())
        return m_currentLocale;
    const QmlBuildBackend *backend = m_project->buildBackend();
    return backend ? backend->primaryLanguage() : QString();
}

void MultiLanguageSetting::setCurrentLocale(const QString &locale)
{
    if (locale == m_currentLocale)
        return;
    m_currentLocale = locale;
    emit currentLocaleChanged(currentLocale());
}

} // namespace Host::QmlProject
