// Velmora: the system web browser for links outside the documentation.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QString>
#include <QStringList>

namespace tarn {

// $BROWSER when the user set one (its first entry), else the desktop's opener.
QString browserProgram();

// The environment of the browser: ours, with the program's private library
// folder taken out of every LD_LIBRARY_PATH entry.
QStringList browserEnvironment(const QStringList &environment);

} // namespace tarn
