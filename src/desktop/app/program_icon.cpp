// The program's icon: the About picture's patrol round and the toolbar's instrument on one tile.
#include "desktop/app/program_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace ronvalo {

namespace {

// Drawn on a 64 × 64 grid and scaled, so that every size is the same picture.
constexpr double Grid = 64;

void drawTile(QPainter& painter) {
    QLinearGradient night(0, 0, 0, Grid);
    night.setColorAt(0, QColor(0x0b, 0x1a, 0x3a));
    night.setColorAt(1, QColor(0x2c, 0x4f, 0x7c));
    painter.setPen(Qt::NoPen);
    painter.setBrush(night);
    painter.drawRoundedRect(QRectF(1, 1, Grid - 2, Grid - 2), 12, 12);
}

void drawRound(QPainter& painter) {
    const std::array<QPointF, 4> checkpoints{{{17, 18}, {47, 15}, {48, 47}, {16, 46}}};
    painter.setPen(QPen(QColor(0xff, 0xd5, 0x4a), 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(checkpoints.data(), static_cast<int>(checkpoints.size()));
    painter.setPen(QPen(Qt::white, 2.5));
    painter.setBrush(QColor(0xe0, 0x6a, 0x1b));
    for (const QPointF& checkpoint : checkpoints)
        painter.drawEllipse(checkpoint, 6.5, 6.5);
}

void drawInstrument(QPainter& painter) {
    painter.setPen(QPen(QColor(0x0e, 0x12, 0x1a), 2));
    painter.setBrush(QColor(0x46, 0x50, 0x5f));
    painter.drawRoundedRect(QRectF(24, 19, 16, 28), 4, 4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x96, 0xdc, 0x96));
    painter.drawRect(QRectF(27, 23, 10, 8));
    painter.setBrush(QColor(0xdc, 0x3c, 0x28));
    painter.drawEllipse(QPointF(32, 39), 3.5, 3.5);
}

} // namespace

QImage drawProgramIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / Grid, size / Grid);
    drawTile(painter);
    drawRound(painter);
    drawInstrument(painter);
    return image;
}

QIcon programIcon() {
    QIcon icon;
    for (const int size : programIconSizes)
        icon.addPixmap(QPixmap::fromImage(drawProgramIcon(size)));
    return icon;
}

} // namespace ronvalo
