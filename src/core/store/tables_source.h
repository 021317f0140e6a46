// Which tables a data module reads, as a tool names them for whoever reads its output.
#pragma once

#include <QString>

namespace ronvalo {

class TDM3;

// "serwer HOST, baza NAME" for a server, else the folder of the table files ("/var/lib/ronvalo/db/"
// in the system's separators): a check or a report that names where it read its tables cannot
// pass a forged copy off as the genuine one.
QString tablesSource(const TDM3& dm);

// The line the tools print: "Odczytane tabele: " and the source.
QString tablesSourceLine(const TDM3& dm);

} // namespace ronvalo
