#pragma once

#include <QtCore/qglobal.h>

#if defined(HOST_SQLITE_LIBRARY)
#define HOST_SQLITE_EXPORT Q_DECL_EXPORT
#else
#define HOST_SQLITE_EXPORT Q_DECL_IMPORT
#endif
