#pragma once

#include "designer_global.h"
#include "typedescription.h"

#include <QHash>
#include <QPointer>
#include <QUrl>

QT_BEGIN_NAMESPACE
class QMetaProperty;
class QQmlEngine;
QT_END_NAMESPACE

namespace Host::Designer {

// Learns what QML types offer from Qt Quick itself: it instantiates the type
// in a QML engine and reads the instance's meta-object. Creating the engine
// and the instances is costly, so the engine is made on first use and every
// answer is cached per (imports, base URL, type). Interface thread only; needs
// a QGuiApplication.
class HOST_DESIGNER_EXPORT TypeRegistry
{
public:
    TypeRegistry();
    ~TypeRegistry();

    // The process-wide registry.
    static TypeRegistry *instance();

    // `imports` are the document's import statements; `baseUrl` the
    // document's URL, so types defined in files beside it resolve too.
    TypeDescription describe(const QString &typeName, const QString &imports, const QUrl &baseUrl);

    // The QML spelling of a property's type.
    static QByteArray qmlTypeName(const QMetaProperty &property);

    int instantiationCount() const { return m_instantiations; }

private:
    // Owned by the application object: the registry outlives it, the engine
    // must not.
    QPointer<QQmlEngine> m_engine;
    QHash<QString, TypeDescription> m_cache;
    int m_instantiations = 0;
};

} // namespace Host::Designer
