// Copying one file to a named destination, keeping its modification time.
#pragma once

#include <QString>

namespace ronvalo {

// Copies `source` over `destination`, creating the destination's missing folders, and gives it
// the source's modification time. Raises "Cannot open file %s" (source), "Cannot create file %s"
// (destination, a read-only one included), "Stream read error" or "Stream write error".
void copyFileKeepingTime(const QString& source, const QString& destination);

} // namespace ronvalo
