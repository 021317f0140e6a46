// Checking a workbook just written: the spreadsheet library does not see every failed write of
// its own temporary files (a full disk), and would then put a cut sheet into a sound zip.
#pragma once

#include <QString>

namespace ronvalo {

// Why the XLSX file at `path` is not whole, in Polish; "" when it is. Whole: a zip whose every
// part is stored or deflated, inflates to its recorded size and checksum, and, for an XML part,
// ends with the closing tag of its root element.
QString xlsxDamage(const QString& path);

} // namespace ronvalo
