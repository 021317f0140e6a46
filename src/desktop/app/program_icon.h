// The program's own icon, drawn in code: the window icon and the desktop menu's icons.
#pragma once

#include <QIcon>
#include <QImage>
#include <array>

namespace ronvalo {

// The square sizes a desktop's icon theme looks for (the hicolor theme's application sizes).
inline constexpr std::array<int, 8> programIconSizes{16, 22, 24, 32, 48, 64, 128, 256};

// `size` × `size` pixels on a transparent background: the patrol's round with its four
// checkpoints around the handheld instrument, on a night-blue tile.
QImage drawProgramIcon(int size);

// Every size of `programIconSizes` in one icon.
QIcon programIcon();

} // namespace ronvalo
