// Velmora: the few icons of the toolkit's style that the program draws itself.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "ownicons.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QPen>
#include <QPixmap>
#include <QStyleOption>
#include <QWidget>

namespace tarn {

OwnIconsStyle::OwnIconsStyle() = default;

QIcon OwnIconsStyle::standardIcon(StandardPixmap icon, const QStyleOption *option,
                                  const QWidget *widget) const
{
    if (icon == SP_ToolBarHorizontalExtensionButton || icon == SP_ToolBarVerticalExtensionButton) {
        const QPalette palette = option ? option->palette
            : widget                    ? widget->palette()
                                        : QApplication::palette();
        return extensionArrows(icon == SP_ToolBarHorizontalExtensionButton ? Qt::Horizontal
                                                                           : Qt::Vertical,
                               palette.color(QPalette::WindowText));
    }
    return QProxyStyle::standardIcon(icon, option, widget);
}

QIcon extensionArrows(Qt::Orientation orientation, const QColor &color)
{
    constexpr int side = 16;
    QIcon icon;
    for (const int scale : {1, 2}) {
        QPixmap pixmap(side * scale, side * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(color, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        if (orientation == Qt::Vertical) {
            // Drawn pointing right, turned to point down.
            painter.translate(side, 0);
            painter.rotate(90);
        }
        for (const qreal x : {4.5, 8.5}) {
            const QPointF chevron[] = {{x, 4.5}, {x + 3.5, 8.0}, {x, 11.5}};
            painter.drawPolyline(chevron, 3);
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace tarn
