// Centring windows on their screen.
#include "common/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace ronvalo {

void centreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect place = window.frameGeometry();
    place.moveCenter(screen->availableGeometry().center());
    window.move(place.topLeft());
    window.setAttribute(Qt::WA_Moved, false);
}

} // namespace ronvalo
