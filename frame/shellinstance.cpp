// Velmora: the record of the one main window.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shellinstance.h"

namespace tarn {

namespace {
QWidget *theShell = nullptr;
}

QWidget *shellInstance()
{
    return theShell;
}

void setShellInstance(QWidget *window)
{
    theShell = window;
}

} // namespace tarn
