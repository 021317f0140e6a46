// The faces the windows and the report were designed with, and the installed faces that draw
// them: the program chooses, so that a text has the same width on every machine.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace ronvalo {

// The faces the program's windows and report ask for by their designer's names (in the order of
// familyFor's table).
enum class LegacyFace {
    MsSansSerif,   // the windows
    Arial,         // the report
    TimesNewRoman, // the maker's name in the About window
};

// The families that may draw `face` on this system, best first: faces of the same widths that
// the installation is sure to have (the Liberation faces on Linux; the system's own on Windows,
// with the Liberation faces behind them where the system lacks its own).
QStringList familyCandidates(LegacyFace face);

// The first candidate this system has; the first candidate when it has none of them.
QString familyFor(LegacyFace face);

// `face` at no particular size, for callers that size it themselves (the report, in points).
QFont legacyFont(LegacyFace face);

// The windows' font at a size in pixels (8 point on the designer's screen is 11 pixels).
QFont windowFont(int pixelSize = 11, bool bold = false);

} // namespace ronvalo
