#include "plugininfo.h"

#include "plugin.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonValue>
#include <QPluginLoader>
#include <QRegularExpression>

namespace Host::Plugins {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Host::Plugins::PluginInfo", text);
}

} // namespace

PluginInfo::~PluginInfo() = default;

Plugin *PluginInfo::plugin() const
{
    return m_plugin.data();
}

QVersionNumber PluginInfo::parseVersion(const QString &version)
{
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]+)(?:\\.([0-9]+))?(?:\\.([0-9]+))?(?:_([0-9]+))?$"));
    const QRegularExpressionMatch match = pattern.match(version);
    if (!match.hasMatch())
        return {};
    QList<int> segments;
    for (int group = 1; group <= 4; ++group)
        segments.append(match.captured(group).toInt()); // missing parts count as 0
    return QVersionNumber(segments);
}

bool PluginInfo::isValidVersion(const QString &version)
{
    return !parseVersion(version).isNull();
}

bool PluginInfo::provides(const QString &name, const QString &version) const
{
    if (name.compare(m_name, Qt::CaseInsensitive) != 0)
        return false;
    const QVersionNumber required = parseVersion(version);
    if (required.isNull())
        return false;
    return parseVersion(m_version) >= required && parseVersion(m_compatVersion) <= required;
}

void PluginInfo::setError(const QString &message)
{
    if (m_errorString.isEmpty())
        m_errorString = message;
    else
        m_errorString += QLatin1Char('\n') + message;
}

std::unique_ptr<PluginInfo> PluginInfo::readModule(const QString &filePath)
{
    QPluginLoader probe(filePath);
    const QJsonObject metaData = probe.metaData();
    if (metaData.isEmpty()
        || metaData.value(QLatin1String("IID")).toString() != QLatin1String(HOST_PLUGIN_IID))
        return {};
    std::unique_ptr<PluginInfo> info = fromMetaData(metaData, Origin::Module);
    info->m_filePath = QFileInfo(filePath).absoluteFilePath();
    return info;
}

std::unique_ptr<PluginInfo> PluginInfo::fromMetaData(const QJsonObject &metaData, Origin origin)
{
    std::unique_ptr<PluginInfo> info(new PluginInfo);
    info->m_origin = origin;
    const QJsonValue inner = metaData.value(QLatin1String("MetaData"));
    const QJsonObject data = inner.isObject() ? inner.toObject() : metaData;
    info->m_metaData = data;

    const auto stringValue = [&](const char *key, bool required) -> QString {
        const QJsonValue value = data.value(QLatin1String(key));
        if (value.isUndefined()) {
            if (required)
                info->setError(
                    tr("Plugin metadata lacks the required value \"%1\".").arg(QLatin1String(key)));
            return {};
        }
        if (!value.isString()) {
            info->setError(
                tr("Plugin metadata value \"%1\" is not a string.").arg(QLatin1String(key)));
            return {};
        }
        return value.toString();
    };

    info->m_name = stringValue("Name", true);
    info->m_version = stringValue("Version", true);
    info->m_compatVersion = stringValue("CompatVersion", false);
    info->m_category = stringValue("Category", false);

    // Descriptions are often split into lines in the JSON file to stay readable.
    const QJsonValue description = data.value(QLatin1String("Description"));
    if (description.isArray()) {
        QStringList lines;
        for (const QJsonValue &line : description.toArray())
            lines.append(line.toString());
        info->m_description = lines.join(QLatin1Char('\n'));
    } else if (!description.isUndefined()) {
        info->m_description = description.toString();
    }

    const QJsonValue experimental = data.value(QLatin1String("Experimental"));
    if (!experimental.isUndefined() && !experimental.isBool())
        info->setError(tr("Plugin metadata value \"Experimental\" is not a boolean."));
    info->m_experimental = experimental.toBool(false);

    if (!info->m_version.isEmpty() && !isValidVersion(info->m_version))
        info->setError(tr("Invalid plugin version \"%1\".").arg(info->m_version));
    if (info->m_compatVersion.isEmpty())
        info->m_compatVersion = info->m_version;
    else if (!isValidVersion(info->m_compatVersion))
        info->setError(
            tr("Invalid plugin compatibility version \"%1\".").arg(info->m_compatVersion));

    const QJsonValue dependencies = data.value(QLatin1String("Dependencies"));
    if (!dependencies.isUndefined() && !dependencies.isArray())
        info->setError(tr("Plugin metadata value \"Dependencies\" is not an array."));
    for (const QJsonValue &entry : dependencies.toArray()) {
        const QJsonObject object = entry.toObject();
        PluginRequirement dependency { object.value(QLatin1String("Name")).toString(),
                                       object.value(QLatin1String("Version")).toString() };
        if (dependency.name.isEmpty()) {
            info->setError(tr("A plugin dependency has no name."));
            continue;
        }
        if (!isValidVersion(dependency.version)) {
            info->setError(tr("Dependency \"%1\" has an invalid version \"%2\".")
                               .arg(dependency.name, dependency.version));
            continue;
        }
        info->m_dependencies.append(dependency);
    }

    info->m_state = info->hasError() ? State::Invalid : State::Read;
    return info;
}

std::unique_ptr<PluginInfo> PluginInfo::hostLibrary(const QString &name, const QString &version)
{
    std::unique_ptr<PluginInfo> info(new PluginInfo);
    info->m_origin = Origin::HostLibrary;
    info->m_name = name;
    info->m_version = version;
    info->m_compatVersion = version;
    info->m_category = QStringLiteral("Host");
    info->m_state = State::Running;
    return info;
}

} // namespace Host::Plugins
