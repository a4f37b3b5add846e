#pragma once

#include "designer_global.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

namespace Host::Designer {

// What a QML type offers: its property names in the type's order (base types
// first) and each property's type as QML spells it ("string", "int", "real",
// "bool", "color", "url", "enumeration", "Item", "list<Item>", ...).
class HOST_DESIGNER_EXPORT TypeDescription
{
public:
    TypeDescription() = default;
    explicit TypeDescription(QString typeName) : m_typeName(std::move(typeName)) { }

    QString typeName() const { return m_typeName; }
    bool isValid() const { return !m_properties.isEmpty(); }

    QList<QByteArray> propertyNames() const;
    bool hasProperty(const QByteArray &name) const;
    // Empty for a property the type does not have.
    QByteArray propertyTypeName(const QByteArray &name) const;

    void addProperty(const QByteArray &name, const QByteArray &typeName);

private:
    QString m_typeName;
    QList<std::pair<QByteArray, QByteArray>> m_properties;
};

} // namespace Host::Designer
