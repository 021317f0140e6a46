// The texts of the exception report's cells made to fit their columns: broken into lines, or
// cut short on one line.
#pragma once

#include <QString>
#include <QStringList>

#include "core/rounds/exception_report_layout.h"

namespace ronvalo::detail {

// Breaks a text into lines no wider than `room`: at blanks, and inside a word only when the word
// alone is wider.
QStringList wrapText(const QString& text, double room, ReportFontKind font, const TextWidth& width);

// `text` on one line no wider than `room`: whole when it fits, else its beginning and "…".
QString cutText(const QString& text, double room, ReportFontKind font, const TextWidth& width);

} // namespace ronvalo::detail
