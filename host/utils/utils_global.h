#pragma once

#include <QtCore/qglobal.h>

#if defined(HOST_UTILS_LIBRARY)
#define HOST_UTILS_EXPORT Q_DECL_EXPORT
#else
#define HOST_UTILS_EXPORT Q_DECL_IMPORT
#endif
