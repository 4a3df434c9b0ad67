// Velmora: the program's own images, grouped by where they appear.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QImage>
#include <QList>
#include <QString>

namespace tarn::icons {

struct NamedImage
{
    QString fileName; // as the program asks for it, e.g. "Back.png"
    QImage image;
    QString origin;       // "drawn", or the theme file the image was taken from
    bool indexed = false; // save as an 8-bit palette image
    bool opaque = false;  // save without an alpha channel
};

// The twelve toolbar images, 22 x 22. Where `themeDir` holds a suitable
// 22 x 22 icon it is used as is; everything else is drawn. An empty
// `themeDir` draws every image.
QList<NamedImage> toolbarImages(const QString &themeDir);

// The bookmark icon, the eleven kind icons and the six help-row icons, 16 x 16.
QList<NamedImage> listImages();

// The logo, the splash image and the four window icons.
QList<NamedImage> brandImages();

// The Velmora mark on a transparent square of the given side.
QImage drawMark(int size);

} // namespace tarn::icons
