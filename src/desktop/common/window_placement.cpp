// Centring windows on their screen and giving them their outer size.
#include "desktop/common/window_placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace ronvalo {

namespace {

// A sizeable window's frame as commonly drawn: 4-pixel borders and a 19-pixel caption.
const QMargins usualFrame(4, 23, 4, 4);

void resizeWithin(QWidget& window, const QSize& outer, const QMargins& frame) {
    window.resize(outer.shrunkBy(frame));
}

// Sizes its window again by the real frame as soon as the window manager reports one: on X11
// that is after the window was mapped and framed (its first move or activation), not yet when it
// is shown.
class OuterSizeByFrame final : public QObject {
public:
    OuterSizeByFrame(QWidget& window, const QSize& outer)
        : QObject(&window), window_(window), outer_(outer) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::WindowActivate:
            break;
        default:
            return false;
        }
        const QWindow* handle = window_.windowHandle();
        const QMargins frame = handle ? handle->frameMargins() : QMargins();
        if (frame.isNull())
            return false;
        window_.removeEventFilter(this);
        resizeWithin(window_, outer_, frame);
        deleteLater();
        return false;
    }

private:
    QWidget& window_;
    QSize outer_;
};

} // namespace

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

void setOuterSize(QWidget& window, const QSize& outer) {
    resizeWithin(window, outer, usualFrame);
    new OuterSizeByFrame(window, outer); // owned by the window, gone once it has done its work
}

} // namespace ronvalo
