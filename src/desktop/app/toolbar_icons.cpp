// Drawing of the command button images.
#include "desktop/app/toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace ronvalo {

namespace {

QIcon drawn(const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    return QIcon(pixmap);
}

} // namespace

QIcon downloadIcon() {
    return drawn([](QPainter& p) {
        // The handheld instrument: a dark body with a small display.
        p.setPen(QPen(QColor(30, 30, 30), 1));
        p.setBrush(QColor(70, 80, 95));
        p.drawRoundedRect(QRectF(2.5, 3.5, 11, 24), 3, 3);
        p.setBrush(QColor(150, 220, 150));
        p.drawRect(QRectF(4.5, 6.5, 7, 6));
        p.setBrush(QColor(220, 60, 40));
        p.drawEllipse(QPointF(8, 20), 2.5, 2.5);
        // The arrow into the computer.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 128, 0));
        QPainterPath arrow;
        arrow.moveTo(15, 13);
        arrow.lineTo(22, 13);
        arrow.lineTo(22, 9);
        arrow.lineTo(30, 16);
        arrow.lineTo(22, 23);
        arrow.lineTo(22, 19);
        arrow.lineTo(15, 19);
        arrow.closeSubpath();
        p.drawPath(arrow);
    });
}

QIcon punchesIcon() {
    return drawn([](QPainter& p) {
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 2.5, 23, 27));
        for (int row = 0; row < 6; ++row) {
            const double y = 6.5 + row * 4;
            p.setBrush(row == 2 ? QColor(255, 255, 0) : QColor(255, 255, 255));
            p.setPen(Qt::NoPen);
            p.drawRect(QRectF(6, y - 1.5, 20, 3.5));
            p.setPen(QPen(QColor(0, 0, 128), 1.5));
            p.drawLine(QPointF(7.5, y), QPointF(14, y));
            p.drawLine(QPointF(17, y), QPointF(24.5, y));
        }
    });
}

QIcon infoIcon() {
    return drawn([](QPainter& p) {
        p.setPen(QPen(QColor(0, 40, 120), 1));
        p.setBrush(QColor(40, 100, 210));
        p.drawEllipse(QRectF(2.5, 2.5, 27, 27));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(16, 9.5), 2.5, 2.5);
        p.drawRoundedRect(QRectF(13.5, 13.5, 5, 12), 1.5, 1.5);
    });
}

} // namespace ronvalo
