// Velmora: the icon loader and the start-up settings access.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QPixmap>
#include <QString>

class QFont;
class QSettings;

namespace Utils {

// The embedded image `name` + ".png", decoded once and kept in the global
// pixmap cache under the bare name. A missing image gives an empty pixmap and
// one debug line per name.
QPixmap icon(const QString &name);

// The shared settings object of start-up, created on the first call.
QSettings *settings();
void setKeyPrefix(const QString &prefix);
// Read-only: setKeyPrefix is the one way to change it.
const QString &keyPrefix();
// Reads keyPrefix() + key from settings(); `def` when absent. `ok`, when
// given, says whether the key was present.
QString readEntry(const QString &key, const QString &def = QString(), bool *ok = nullptr);

// Largest point size a stored font may have: a damaged store must not give
// the window a font that no screen can show (or lay out in reasonable time).
constexpr int maxStoredPointSize = 512;
// Parses a stored QFont::toString description into *font. False, leaving
// *font as it was, when it does not parse or its point size is not 1 to
// maxStoredPointSize (a pixel-sized font has none).
bool fontFromDescription(const QString &description, QFont *font);
// The application font stored under keyPrefix() + "/fonts/Application", or
// the default font when the entry is absent or damaged.
QFont storedApplicationFont();

} // namespace Utils
