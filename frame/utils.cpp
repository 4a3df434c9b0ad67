// Velmora: the icon loader and the start-up settings access.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "utils.h"

#include "docnames.h"
#include "embeddedimages.h"
#include "logging.h"
#include "mimesourcefactory.h"
#include "savedstate.h"

#include <QFont>
#include <QGuiApplication>
#include <QPixmapCache>
#include <QSettings>

#include <utility>

namespace {

QString settingsPrefix = QStringLiteral("/");
QSettings *settingsStore = nullptr;

} // namespace

namespace Utils {

QPixmap icon(const QString &name)
{
    QPixmap pixmap;
    if (QPixmapCache::find(name, &pixmap))
        return pixmap;

    const QString fileName = name + QLatin1String(".png");
    const MimeSource *source = MimeSourceFactory::defaultFactory()->data(fileName);
    if (source && source->kind() == MimeSource::Image)
        pixmap = QPixmap::fromImage(source->image());
    else
        qCDebug(lcFrame).noquote()
            << QLatin1String("Utils::icon: ") + fileName + QLatin1String(" not found");

    // Misses are cached too, so each missing name is reported once.
    QPixmapCache::insert(name, pixmap);
    return pixmap;
}

QPixmap icon(const QString &name, qreal devicePixelRatio)
{
    if (devicePixelRatio <= 1.0)
        return icon(name);
    const QString doubled = tarn::docnames::doubleSizeName(name);
    QPixmap pixmap;
    if (QPixmapCache::find(doubled, &pixmap))
        return pixmap.isNull() ? icon(name) : pixmap;
    // No debug line for a miss: not every image has a double-size drawing.
    const MimeSource *source =
        MimeSourceFactory::defaultFactory()->data(doubled + QLatin1String(".png"));
    if (source && source->kind() == MimeSource::Image) {
        pixmap = QPixmap::fromImage(source->image());
        pixmap.setDevicePixelRatio(2.0);
    }
    QPixmapCache::insert(doubled, pixmap);
    return pixmap.isNull() ? icon(name) : pixmap;
}

QPixmap imageOnce(const QString &name, qreal devicePixelRatio)
{
    if (devicePixelRatio > 1.0) {
        QImage doubled =
            findEmbeddedImage(tarn::docnames::doubleSizeName(name) + QLatin1String(".png"));
        if (!doubled.isNull()) {
            QPixmap pixmap = QPixmap::fromImage(std::move(doubled));
            pixmap.setDevicePixelRatio(2.0);
            return pixmap;
        }
    }
    QImage image = findEmbeddedImage(name + QLatin1String(".png"));
    if (image.isNull())
        qCDebug(lcFrame).noquote()
            << QLatin1String("Utils::imageOnce: ") + name + QLatin1String(".png not found");
    return QPixmap::fromImage(std::move(image));
}

QIcon iconSet(const QString &name)
{
    return iconSet(QStringList{name});
}

QIcon iconSet(const QStringList &names)
{
    const auto *gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    const qreal ratio = gui ? gui->devicePixelRatio() : 1.0;
    QIcon set;
    for (const QString &name : names) {
        const QPixmap normal = icon(name);
        if (normal.isNull())
            continue;
        set.addPixmap(normal);
        if (ratio > 1.0) {
            const QPixmap sharp = icon(name, ratio);
            if (sharp.devicePixelRatio() > 1.0)
                set.addPixmap(sharp);
        }
    }
    return set;
}

QSettings *settings()
{
    if (!settingsStore)
        settingsStore = new QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora"));
    return settingsStore;
}

void setKeyPrefix(const QString &prefix)
{
    settingsPrefix = prefix;
}

const QString &keyPrefix()
{
    return settingsPrefix;
}

QString readEntry(const QString &key, const QString &def, bool *ok)
{
    const QString fullKey = settingsPrefix + key;
    QSettings *store = settings();
    const bool present = store->contains(fullKey);
    if (ok)
        *ok = present;
    if (!present)
        return def;
    const QVariant value = store->value(fullKey);
    // A damaged entry (a list or a group where a string belongs) reads as absent.
    if (!value.canConvert<QString>() || value.typeId() == QMetaType::QStringList) {
        if (ok)
            *ok = false;
        return def;
    }
    return value.toString();
}

bool fontFromDescription(const QString &description, QFont *font)
{
    if (description.isEmpty())
        return false;
    QFont parsed;
    if (!parsed.fromString(description))
        return false;
    if (parsed.pointSize() < 1 || parsed.pointSize() > maxStoredPointSize)
        return false;
    *font = parsed;
    return true;
}

QFont storedApplicationFont()
{
    QFont font;
    fontFromDescription(readEntry(QString::fromLatin1(tarn::settingskeys::applicationFont)), &font);
    return font;
}

} // namespace Utils
