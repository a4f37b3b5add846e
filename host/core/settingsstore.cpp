#include "settingsstore.h"

#include <QPointer>
#include <QSettings>

namespace Host::Core {

namespace {
QPointer<QSettings> s_settings;
} // namespace

void SettingsStore::setSettings(QSettings *settings)
{
    s_settings = settings;
}

QSettings *SettingsStore::settings()
{
    return s_settings.data();
}

QVariant SettingsStore::value(const QString &key, const QVariant &defaultValue)
{
    return s_settings ? s_settings->value(key, defaultValue) : defaultValue;
}

void SettingsStore::setValue(const QString &key, const QVariant &value)
{
    if (s_settings)
        s_settings->setValue(key, value);
}

} // namespace Host::Core
