// The Windows-1250 code page, both ways, for every byte.
#pragma once

#include <QByteArray>
#include <QString>

namespace ronvalo {

// Each byte to its character; the five bytes the code page leaves unassigned map to U+0081 etc.
QString fromCp1250(const QByteArray& bytes);
// Each character to its byte; characters the code page lacks become '?'.
QByteArray toCp1250(const QString& text);

} // namespace ronvalo
