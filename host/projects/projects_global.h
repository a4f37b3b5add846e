#pragma once

#include <QtCore/qglobal.h>

#if defined(HOST_PROJECTS_LIBRARY)
#define HOST_PROJECTS_EXPORT Q_DECL_EXPORT
#else
#define HOST_PROJECTS_EXPORT Q_DECL_IMPORT
#endif
