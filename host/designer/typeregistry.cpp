#include "typeregistry.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMetaProperty>
#include <QQmlComponent>
#include <QQmlEngine>

#include <memory>

namespace Host::Designer {

namespace {

// Strips the C++ prefixes Qt's QML types carry: QQuickItem → Item, QQmlComponent → Component.
QByteArray qmlObjectName(QByteArray className)
{
    for (const char *prefix : { "QQuick", "QQml", "Q" }) {
        if (className.startsWith(prefix) && className.size() > qstrlen(prefix)) {
            className.remove(0, qstrlen(prefix));
            break;
        }
    }
    return className;
}

} // namespace

TypeRegistry::TypeRegistry() = default;

TypeRegistry::~TypeRegistry() = default;

TypeRegistry *TypeRegistry::instance()
{
    static TypeRegistry registry;
    return &registry;
}

QByteArray TypeRegistry::qmlTypeName(const QMetaProperty &property)
{
    if (property.isEnumType())
        return "enumeration";

    switch (property.metaType().id()) {
    case QMetaType::QString:
        return "string";
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
        return "int";
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return "real";
    case QMetaType::Bool:
        return "bool";
    case QMetaType::QColor:
        return "color";
    case QMetaType::QUrl:
        return "url";
    case QMetaType::QFont:
        return "font";
    case QMetaType::QDate:
    case QMetaType::QDateTime:
    case QMetaType::QTime:
        return "date";
    case QMetaType::QPoint:
    case QMetaType::QPointF:
        return "point";
    case QMetaType::QSize:
    case QMetaType::QSizeF:
        return "size";
    case QMetaType::QRect:
    case QMetaType::QRectF:
        return "rect";
    case QMetaType::QVector2D:
        return "vector2d";
    case QMetaType::QVector3D:
        return "vector3d";
    case QMetaType::QVector4D:
        return "vector4d";
    case QMetaType::QQuaternion:
        return "quaternion";
    case QMetaType::QMatrix4x4:
        return "matrix4x4";
    case QMetaType::QVariant:
        return "var";
    case QMetaType::QStringList:
        return "list<string>";
    default:
        break;
    }

    QByteArray name = property.typeName();
    if (name == "QJSValue")
        return "var";
    if (name.startsWith("QQmlListProperty<") && name.endsWith('>'))
        return "list<" + qmlObjectName(name.mid(17, name.size() - 18).chopped(0)) + '>';
    if (name.endsWith('*'))
        return qmlObjectName(name.chopped(1));
    return name;
}

TypeDescription
TypeRegistry::describe(const QString &typeName, const QString &imports, const QUrl &baseUrl)
{
    const QString key
        = baseUrl.toString() + QLatin1Char('\n') + imports + QLatin1Char('\n') + typeName;
    if (auto cached = m_cache.constFind(key); cached != m_cache.constEnd())
        return *cached;

    if (!m_engine)
        m_engine = new QQmlEngine(QCoreApplication::instance());

    TypeDescription description(typeName);
    QQmlComponent component(m_engine);
    component.setData((imports + QLatin1Char('\n') + typeName + QLatin1String(" {}\n")).toUtf8(),
                      baseUrl);
    ++m_instantiations;
    std::unique_ptr<QObject> instance(component.isError() ? nullptr : component.create());
    if (!instance) {
        qWarning().noquote() << "No type information for" << typeName << ':'
                             << component.errorString().trimmed();
    } else {
        const QMetaObject *metaObject = instance->metaObject();
        for (int index = 0; index < metaObject->propertyCount(); ++index) {
            const QMetaProperty property = metaObject->property(index);
            description.addProperty(property.name(), qmlTypeName(property));
        }
    }
    m_cache.insert(key, description);
    return description;
}

} // namespace Host::Designer
