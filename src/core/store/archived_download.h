// One archived download's transmission, read alone: for whoever hands it out as a file.
#pragma once

#include <QByteArray>
#include <optional>

namespace ronvalo {

class TDM3;

// Every byte of download `download`'s first transmission as archived; nullopt when the archive
// holds no row of it. Raises EDatabaseError naming Obchody.db (or the server) on failure.
std::optional<QByteArray> archivedTransmission(TDM3& dm, qint32 download);

} // namespace ronvalo
