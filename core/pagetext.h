// Velmora: page bytes turned into text.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QByteArray>
#include <QString>

namespace tarn {

// Page bytes in the character set the page declares, Latin-1 where none is.
// With `problem`, bytes that are not valid in the declared set give a null
// text and the reason; without, they are decoded as well as they go.
QString decodePageText(const QByteArray &bytes, QString *problem = nullptr);

// The text of a page's title element, its character references resolved and
// its white space simplified; empty when the head has none. Read without
// parsing the page, for a tab whose page is not laid out yet.
QString pageTitle(QStringView html);

} // namespace tarn
