#pragma once

#include <QtCore/qglobal.h>

#if defined(HOST_FORMEDITOR_LIBRARY)
#define HOST_FORMEDITOR_EXPORT Q_DECL_EXPORT
#else
#define HOST_FORMEDITOR_EXPORT Q_DECL_IMPORT
#endif
