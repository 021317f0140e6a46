// Placing windows: the program's windows open centred on the screen at every showing.
#pragma once

class QWidget;

namespace ronvalo {

// Moves the window (its frame included) to the centre of its screen's available area, and
// forgets any position the user gave it, so the next showing centres again.
void centreOnScreen(QWidget& window);

} // namespace ronvalo
