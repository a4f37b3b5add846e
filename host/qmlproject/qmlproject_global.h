#pragma once

#include <QtCore/qglobal.h>

#if defined(HOST_QMLPROJECT_LIBRARY)
#define HOST_QMLPROJECT_EXPORT Q_DECL_EXPORT
#else
#define HOST_QMLPROJECT_EXPORT Q_DECL_IMPORT
#endif
