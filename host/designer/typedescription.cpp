#include "typedescription.h"

namespace Host::Designer {

QList<QByteArray> TypeDescription::propertyNames() const
{
    QList<QByteArray> names;
    names.reserve(m_properties.size());
    for (const auto &property : m_properties)
        names.append(property.first);
    return names;
}

bool TypeDescription::hasProperty(const QByteArray &name) const
{
    return !propertyTypeName(name).isEmpty();
}

QByteArray TypeDescription::propertyTypeName(const QByteArray &name) const
{
    for (const auto &property : m_properties) {
        if (property.first == name)
            return property.second;
    }
    return {};
}

void TypeDescription::addProperty(const QByteArray &name, const QByteArray &typeName)
{
    m_properties.append({ name, typeName });
}

} // namespace Host::Designer
