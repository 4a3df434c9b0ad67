// Velmora: waiting for a window to reach the screen.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

class QWidget;

// Runs the events until the window system has exposed `window`, which has
// been shown, or `timeoutMs` has passed; true when it is exposed. Returns as
// soon as the expose event has been handled, so the window has painted by
// then. The splash screen's own wait sleeps 10 ms between its looks at the
// window, which keeps the splash over the finished window that much longer.
bool waitUntilExposed(QWidget *window, int timeoutMs);
