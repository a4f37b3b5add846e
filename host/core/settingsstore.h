#pragma once

#include "core_global.h"

#include <QVariant>

QT_BEGIN_NAMESPACE
class QSettings;
QT_END_NAMESPACE

namespace Host::Core {

// The user's settings as the studio keeps them. The application installs its
// store; without one (command-line tools, tests, screenshots) every value is
// its default and nothing is written, so such runs neither read nor change
// what a user's sessions set.
class HOST_CORE_EXPORT SettingsStore
{
public:
    SettingsStore() = delete;

    // Not owned; null removes the store.
    static void setSettings(QSettings *settings);
    static QSettings *settings();

    static QVariant value(const QString &key, const QVariant &defaultValue = {});
    static void setValue(const QString &key, const QVariant &value);
};

} // namespace Host::Core
