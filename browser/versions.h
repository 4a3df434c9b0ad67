// Velmora: the program's and the embedded documentation's versions.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QString>

namespace tarn {

// "2.0"
const QString &programVersion();
// "2.0 Qt " and the version of the embedded toolkit reference.
const QString &documentationVersion();

} // namespace tarn
