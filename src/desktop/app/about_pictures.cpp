// The About window's two pictures, drawn in code: the patrol scene and the maker's emblem.
#include "desktop/app/about_pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <array>

#include "core/common/legacy_fonts.h"

namespace ronvalo {

namespace {

constexpr int PictureWidth = 189;
constexpr int PictureHeight = 288;
constexpr int GroundTop = 200;
constexpr int StripTop = 232;

void drawSky(QPainter& painter) {
    QLinearGradient sky(0, 0, 0, GroundTop);
    sky.setColorAt(0, QColor(0x0b, 0x1a, 0x3a));
    sky.setColorAt(1, QColor(0x2c, 0x4f, 0x7c));
    painter.fillRect(0, 0, PictureWidth, GroundTop, sky);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xf2, 0xf4, 0xff));
    static constexpr std::array<QPoint, 12> stars{{{18, 22},
                                                   {44, 40},
                                                   {70, 18},
                                                   {96, 58},
                                                   {112, 26},
                                                   {168, 84},
                                                   {30, 70},
                                                   {58, 88},
                                                   {176, 30},
                                                   {84, 76},
                                                   {12, 52},
                                                   {160, 16}}};
    for (const QPoint& star : stars)
        painter.drawEllipse(QPointF(star), 1.0, 1.0);

    // A crescent: the moon's disc less a slightly shifted disc.
    QPainterPath moon;
    moon.addEllipse(QPointF(140, 52), 14, 14);
    QPainterPath shade;
    shade.addEllipse(QPointF(147, 47), 12, 12);
    painter.setBrush(QColor(0xf6, 0xea, 0xb0));
    painter.drawPath(moon.subtracted(shade));
}

void drawBuilding(QPainter& painter) {
    const QColor wall(0x1b, 0x24, 0x33);
    painter.setPen(Qt::NoPen);
    painter.setBrush(wall);
    painter.drawRect(36, 118, 110, 82); // the warehouse
    painter.drawRect(116, 90, 26, 28);  // the watchtower
    painter.setBrush(QColor(0xff, 0xe0, 0x70));
    painter.drawEllipse(QPointF(129, 96), 3, 3); // its lamp

    // Windows: a fixed pattern of lit and dark ones.
    static constexpr std::array<bool, 15> lit{true,  false, false, true,  false, false, true, false,
                                              false, true,  false, false, true,  false, true};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 5; ++column) {
            const bool on = lit[row * 5 + column];
            painter.setBrush(on ? QColor(0xff, 0xd8, 0x60) : QColor(0x33, 0x40, 0x55));
            painter.drawRect(44 + column * 20, 128 + row * 22, 10, 12);
        }
}

void drawGroundAndRoute(QPainter& painter) {
    painter.fillRect(0, GroundTop, PictureWidth, StripTop - GroundTop, QColor(0x2b, 0x3a, 0x2f));

    // The patrol's round and its four checkpoints.
    const std::array<QPointF, 4> checkpoints{{{22, 112}, {166, 112}, {166, 216}, {22, 216}}};
    QPen route(QColor(0xff, 0xd5, 0x4a), 1.5, Qt::DashLine);
    painter.setPen(route);
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(checkpoints.data(), static_cast<int>(checkpoints.size()));

    QFont digits("DejaVu Sans");
    digits.setPixelSize(8);
    digits.setBold(true);
    painter.setFont(digits);
    for (std::size_t i = 0; i < checkpoints.size(); ++i) {
        const QRectF disc(checkpoints[i] - QPointF(6, 6), QSizeF(12, 12));
        painter.setPen(QPen(Qt::white, 1.2));
        painter.setBrush(QColor(0xe0, 0x6a, 0x1b));
        painter.drawEllipse(disc);
        painter.drawText(disc, Qt::AlignCenter, QString::number(i + 1));
    }

    // The guard with a torch on the bottom leg of the round.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xff, 0xf0, 0xa0, 90));
    painter.drawPolygon(QPolygonF{{{82, 208}, {122, 198}, {122, 222}}});
    painter.setBrush(QColor(0x0e, 0x12, 0x1a));
    painter.drawEllipse(QPointF(76, 199), 3.5, 3.5);
    painter.drawRoundedRect(QRectF(72, 203, 8, 14), 2, 2);
    painter.drawRect(QRectF(73, 216, 2.5, 8));
    painter.drawRect(QRectF(76.5, 216, 2.5, 8));
}

void drawStrip(QPainter& painter) {
    QLinearGradient strip(0, StripTop, 0, PictureHeight);
    strip.setColorAt(0, QColor(0xee, 0xf2, 0xf8));
    strip.setColorAt(1, QColor(0xd3, 0xdb, 0xe7));
    painter.fillRect(0, StripTop, PictureWidth, PictureHeight - StripTop, strip);
    painter.setPen(QColor(0x8a, 0x9b, 0xb3));
    painter.drawLine(0, StripTop, PictureWidth, StripTop);
}

} // namespace

QPixmap drawPatrolPicture() {
    QPixmap picture(PictureWidth, PictureHeight);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    drawSky(painter);
    drawBuilding(painter);
    drawGroundAndRoute(painter);
    drawStrip(painter);
    return picture;
}

QPixmap drawMakerEmblem() {
    QPixmap emblem(100, 100);
    emblem.fill(Qt::transparent);
    QPainter painter(&emblem);
    painter.setRenderHint(QPainter::Antialiasing);

    QPainterPath shield;
    shield.moveTo(12, 8);
    shield.lineTo(88, 8);
    shield.lineTo(88, 52);
    shield.cubicTo(88, 74, 68, 86, 50, 95);
    shield.cubicTo(32, 86, 12, 74, 12, 52);
    shield.closeSubpath();

    QLinearGradient fill(0, 8, 0, 95);
    fill.setColorAt(0, QColor(0x1e, 0x4f, 0x9c));
    fill.setColorAt(1, QColor(0x0b, 0x25, 0x50));
    painter.setPen(QPen(QColor(0xc9, 0xa2, 0x27), 5));
    painter.setBrush(fill);
    painter.drawPath(shield);

    QFont initial = legacyFont(LegacyFace::TimesNewRoman);
    initial.setPixelSize(58);
    initial.setBold(true);
    painter.setFont(initial);
    painter.setPen(Qt::white);
    painter.drawText(QRect(12, 10, 76, 70), Qt::AlignCenter, "K");
    return emblem;
}

} // namespace ronvalo
