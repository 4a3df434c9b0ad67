// Velmora: the logging categories, one per area.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QLoggingCategory>

// QT_LOGGING_RULES="velmora.*.debug=false" and the like select them.
Q_DECLARE_LOGGING_CATEGORY(lcStore)   // "velmora.store"
Q_DECLARE_LOGGING_CATEGORY(lcFrame)   // "velmora.frame"
Q_DECLARE_LOGGING_CATEGORY(lcBrowser) // "velmora.browser"
Q_DECLARE_LOGGING_CATEGORY(lcDesktop) // "velmora.desktop"
