// Velmora: the few icons of the toolkit's style that the program draws itself.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QIcon>
#include <QProxyStyle>

namespace tarn {

// The desktop's own style, but for the toolbar's extension arrows. The
// style reads those from image files, and the first such read loads every
// image format plugin of the toolkit (GIF, ICO, JPEG and the libraries
// behind them) while the window is built, for a button that shows only in
// a toolbar too narrow for its buttons.
class OwnIconsStyle : public QProxyStyle
{
    Q_OBJECT

public:
    OwnIconsStyle();

    QIcon standardIcon(StandardPixmap icon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};

// Two chevrons pointing right (horizontal) or down (vertical), in the
// colour of the window's text, at one and two device pixels per point.
QIcon extensionArrows(Qt::Orientation orientation, const QColor &color);

} // namespace tarn
