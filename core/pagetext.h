// Velmora: page bytes turned into text.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QByteArray>
#include <QString>

namespace tarn {

// Page bytes in the character set the page declares, Latin-1 where none is.
QString decodePageText(const QByteArray &bytes);

} // namespace tarn
