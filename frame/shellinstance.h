// Velmora: the record of the one main window, kept apart from its class.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

class QWidget;

namespace tarn {

// The main window from the start of its constructor on; null before.
QWidget *shellInstance();
void setShellInstance(QWidget *window);

} // namespace tarn
