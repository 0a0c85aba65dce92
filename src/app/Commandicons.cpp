#include "app/Commandicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace {

const char* theme_name(CommandImage image) {
    switch (image) {
    case CommandImage::open:
        return "document-open";
    case CommandImage::save:
        return "document-save";
    case CommandImage::connect:
        return "go-down";
    case CommandImage::unit_options:
        return "preferences-system";
    case CommandImage::link_options:
        return "network-wired";
    case CommandImage::print:
        return "document-print";
    }
    return "";
}

// Drawn on a 20 by 20 design grid.
void draw(QPainter& p, CommandImage image) {
    const QPen outline(QColor(60, 60, 60), 1.0);
    p.setPen(outline);
    switch (image) {
    case CommandImage::open: {
        p.setBrush(QColor(230, 180, 60));
        QPainterPath folder;
        folder.moveTo(2, 5);
        folder.lineTo(7, 5);
        folder.lineTo(9, 7);
        folder.lineTo(17, 7);
        folder.lineTo(17, 16);
        folder.lineTo(2, 16);
        folder.closeSubpath();
        p.drawPath(folder);
        p.setBrush(QColor(250, 215, 110));
        p.drawPolygon(QPolygonF({{4, 10}, {19, 10}, {17, 16}, {2, 16}}));
        break;
    }
    case CommandImage::save:
        p.setBrush(QColor(60, 100, 190));
        p.drawRect(QRectF(3, 3, 14, 14));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6, 3, 8, 5));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(5, 11, 10, 6));
        break;
    case CommandImage::connect:
        p.setBrush(QColor(60, 160, 70));
        p.drawPolygon(QPolygonF({{8, 2}, {12, 2}, {12, 8}, {16, 8}, {10, 14}, {4, 8}, {8, 8}}));
        p.setBrush(QColor(150, 150, 150));
        p.drawRect(QRectF(3, 15, 14, 3));
        break;
    case CommandImage::unit_options: {
        p.setBrush(QColor(150, 150, 160));
        QPolygonF gear;
        for (int i = 0; i < 16; ++i) {
            const double angle = i * M_PI / 8;
            const double r = i % 2 ? 5.5 : 8.0;
            gear << QPointF(10 + r * std::cos(angle), 10 + r * std::sin(angle));
        }
        p.drawPolygon(gear);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(10, 10), 2.5, 2.5);
        break;
    }
    case CommandImage::link_options:
        p.setBrush(QColor(90, 90, 200));
        p.drawRect(QRectF(2, 6, 6, 8));
        p.drawRect(QRectF(12, 6, 6, 8));
        p.setPen(QPen(QColor(60, 60, 60), 1.5));
        p.drawLine(QPointF(8, 10), QPointF(12, 10));
        p.drawLine(QPointF(0, 8), QPointF(2, 8));
        p.drawLine(QPointF(18, 12), QPointF(20, 12));
        break;
    case CommandImage::print:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5, 2, 10, 6));
        p.setBrush(QColor(170, 170, 170));
        p.drawRect(QRectF(2, 8, 16, 7));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5, 13, 10, 5));
        break;
    }
}

QPixmap drawn(CommandImage image, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 20.0, size / 20.0);
    draw(p, image);
    return pixmap;
}

} // namespace

QIcon command_icon(CommandImage image) {
    const QString name = QString::fromLatin1(theme_name(image));
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    QIcon icon;
    for (int size : {16, 20, 24, 32, 40, 48})
        icon.addPixmap(drawn(image, size));
    return icon;
}
