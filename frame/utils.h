// Velmora: the icon loader and the start-up settings access.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

class QFont;
class QSettings;

namespace Utils {

// The embedded image `name` + ".png", decoded once and kept in the global
// pixmap cache under the bare name. A missing image gives an empty pixmap and
// one debug line per name.
QPixmap icon(const QString &name);
// The same for a screen of that many device pixels a pixel: above 1, the
// image drawn at twice the size (name + "-2x.png") where the set has it,
// with a device pixel ratio of 2; else icon(name).
QPixmap icon(const QString &name, qreal devicePixelRatio);
// The same image decoded for one use and kept nowhere: for the splash,
// which is shown once and is larger than every icon together.
QPixmap imageOnce(const QString &name, qreal devicePixelRatio);
// The images as one icon, each with its double-size drawing where some
// screen has more than one device pixel a pixel (only then is it decoded).
QIcon iconSet(const QString &name);
QIcon iconSet(const QStringList &names);

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
