// Velmora: the icon loader and the start-up settings access.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QPixmap>
#include <QString>

class QSettings;

namespace Utils {

// The embedded image `name` + ".png", decoded once and kept in the global
// pixmap cache under the bare name. A missing image gives an empty pixmap and
// one debug line per name.
QPixmap icon(const QString &name);

// The shared settings object of start-up, created on the first call.
QSettings *settings();
void setKeyPrefix(const QString &prefix);
QString &keyPrefix();
// Reads keyPrefix() + key from settings(); `def` when absent. `ok`, when
// given, says whether the key was present.
QString readEntry(const QString &key, const QString &def = QString(), bool *ok = nullptr);

} // namespace Utils
