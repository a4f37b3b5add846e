#pragma once

#include <QtCore/qglobal.h>

#if defined(HOST_DESIGNER_LIBRARY)
#define HOST_DESIGNER_EXPORT Q_DECL_EXPORT
#else
#define HOST_DESIGNER_EXPORT Q_DECL_IMPORT
#endif
