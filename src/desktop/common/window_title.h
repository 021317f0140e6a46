// Room for a window's whole title in the window manager's title bar.
#pragma once

class QWidget;

namespace ronvalo {

// Widens `window` (at least, never narrower) so that its title fits beside the title bar's icon
// and buttons: a progress dialog sizes itself to its label, often shorter than its title, which
// the title bar then cut ("Sprawdź archiwum od...").
void makeRoomForTitle(QWidget& window);

} // namespace ronvalo
