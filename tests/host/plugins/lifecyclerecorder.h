#pragma once

#include <extensionsystem/plugin.h>

#include <QCoreApplication>
#include <QVariant>

// Test plugins append "<name>:<step>" to a list kept as a property of the
// application object, the one place every module and the test share.
inline void recordLifecycleStep(const QString &step)
{
    QStringList log = QCoreApplication::instance()->property("lifecycleLog").toStringList();
    log.append(step);
    QCoreApplication::instance()->setProperty("lifecycleLog", log);
}

class RecordingPlugin : public Host::Plugins::Plugin
{
public:
    explicit RecordingPlugin(const QString &name) : m_name(name) { }
    ~RecordingPlugin() override { recordLifecycleStep(m_name + QLatin1String(":deleted")); }

    bool initialize(const QStringList &arguments, QString *errorString) override
    {
        recordLifecycleStep(m_name + QLatin1String(":initialize:")
                            + arguments.join(QLatin1Char(',')));
        return true;
    }
    bool delayedInitialize() override
    {
        recordLifecycleStep(m_name + QLatin1String(":delayedInitialize"));
        return true;
    }
    ShutdownMode aboutToShutdown() override
    {
        recordLifecycleStep(m_name + QLatin1String(":aboutToShutdown"));
        return ShutdownMode::Synchronous;
    }

protected:
    const QString m_name;
};
