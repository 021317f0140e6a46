// The About window's two pictures, drawn in code: the patrol scene and the maker's emblem.
#pragma once

#include <QPixmap>

namespace ronvalo {

// 189 × 288: a guarded building at night, the patrol's route between its checkpoints, and a
// pale strip at the bottom that the window's labels are written on.
QPixmap drawPatrolPicture();

// 100 × 100 on a transparent background: a shield with the maker's initial.
QPixmap drawMakerEmblem();

} // namespace ronvalo
