// Drawing of the "Raport" button's picture: a sheet of the punch report in 16 plain colours.
#include "desktop/browse/report_button_picture.h"

#include <QPainter>

namespace ronvalo {

QPixmap reportButtonPicture() {
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    // The sheet, its folded corner and a shadow.
    painter.fillRect(QRect(8, 4, 20, 26), Qt::darkGray);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawPolygon(
        QPolygon({QPoint(5, 2), QPoint(20, 2), QPoint(26, 8), QPoint(26, 28), QPoint(5, 28)}));
    painter.setBrush(Qt::lightGray);
    painter.drawPolygon(QPolygon({QPoint(20, 2), QPoint(20, 8), QPoint(26, 8)}));
    // The title and three columns of punch lines; one line stands out as a marked checkpoint.
    painter.fillRect(QRect(8, 5, 10, 2), Qt::darkBlue);
    for (int line = 0; line < 8; ++line) {
        const int y = 11 + line * 2;
        if (line == 4)
            painter.fillRect(QRect(7, y - 1, 18, 3), Qt::yellow);
        for (int column = 0; column < 3; ++column)
            painter.fillRect(QRect(8 + column * 6, y, 4, 1), Qt::black);
    }
    return picture;
}

} // namespace ronvalo
