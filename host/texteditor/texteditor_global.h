#pragma once

#include <QtCore/qglobal.h>

#if defined(HOST_TEXTEDITOR_LIBRARY)
#define HOST_TEXTEDITOR_EXPORT Q_DECL_EXPORT
#else
#define HOST_TEXTEDITOR_EXPORT Q_DECL_IMPORT
#endif
