// Velmora: the logging categories, one per area.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "logging.h"

Q_LOGGING_CATEGORY(lcStore, "velmora.store")
Q_LOGGING_CATEGORY(lcFrame, "velmora.frame")
Q_LOGGING_CATEGORY(lcBrowser, "velmora.browser")
Q_LOGGING_CATEGORY(lcDesktop, "velmora.desktop")
