#pragma once

#include <QtCore/qglobal.h>

#if defined(HOST_PREVIEW_LIBRARY)
#define HOST_PREVIEW_EXPORT Q_DECL_EXPORT
#else
#define HOST_PREVIEW_EXPORT Q_DECL_IMPORT
#endif
