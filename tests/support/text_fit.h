// Whether a window's texts show whole: each caption inside its control and the window, no two
// texts over one another.
#pragma once

#include <QStringList>

class QWidget;

namespace ronvalo::test {

// One line per text that is cut, leaves the window, or overlaps another text; empty when all fit.
QStringList textProblems(QWidget& window);

} // namespace ronvalo::test
