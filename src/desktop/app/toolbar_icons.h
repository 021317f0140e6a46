// The 32 x 32 images of the main window's three command buttons, drawn by the program.
#pragma once

#include <QIcon>

namespace ronvalo {

QIcon downloadIcon(); // "Odbior": the instrument sending to the computer
QIcon punchesIcon();  // "Odbicia": a list of punches
QIcon infoIcon();     // "Info"

} // namespace ronvalo
