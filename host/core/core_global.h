#pragma once

#include <QtCore/qglobal.h>

#if defined(HOST_CORE_LIBRARY)
#define HOST_CORE_EXPORT Q_DECL_EXPORT
#else
#define HOST_CORE_EXPORT Q_DECL_IMPORT
#endif
