// Placing and sizing windows: centred on the screen at every showing, sized by their frame.
#pragma once

class QSize;
class QWidget;

namespace ronvalo {

// Moves the window (its frame included) to the centre of its screen's available area, and
// forgets any position the user gave it, so the next showing centres again.
void centreOnScreen(QWidget& window);

// Sizes a window whose stated size is its outer one, frame and caption included. Until the
// window manager has framed the window, a sizeable window's usual frame is assumed; once the
// real frame is known, the window is sized by it, once, and left to the user after that.
void setOuterSize(QWidget& window, const QSize& outer);

} // namespace ronvalo
