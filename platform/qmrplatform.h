#pragma once

#include <QtGlobal>

#if defined(QMR_PLATFORM_BUILD)
#define QMR_PLATFORM_EXPORT Q_DECL_EXPORT
#else
#define QMR_PLATFORM_EXPORT Q_DECL_IMPORT
#endif
