// The title's width as a title bar draws it: the program's font in bold, with room for the bar's
// icon and three buttons.
#include "desktop/common/window_title.h"

#include <QApplication>
#include <QFontMetrics>
#include <QWidget>
#include <algorithm>

namespace ronvalo {

namespace {

// The icon, the buttons (minimize, maximize, close) and the margins of a usual title bar.
constexpr int titleBarExtras = 170;

} // namespace

void makeRoomForTitle(QWidget& window) {
    QFont font = QApplication::font();
    font.setBold(true);
    const int needed = QFontMetrics(font).horizontalAdvance(window.windowTitle()) + titleBarExtras;
    window.setMinimumWidth(std::max(window.minimumWidth(), needed));
}

} // namespace ronvalo
