// The 32 x 32 picture of the punch browser's "Raport" button.
#pragma once

#include <QPixmap>

namespace ronvalo {

// A printed page with three columns of lines, one of them marked in yellow.
QPixmap reportButtonPicture();

} // namespace ronvalo
