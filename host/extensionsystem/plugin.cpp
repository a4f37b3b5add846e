#include "plugin.h"

namespace Host::Plugins {

Plugin::Plugin(QObject *parent) : QObject(parent) { }

Plugin::~Plugin() = default;

PluginInfo *Plugin::pluginInfo() const
{
    return m_info;
}

} // namespace Host::Plugins
