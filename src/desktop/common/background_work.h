// Work too long for the windows' thread: done on a thread of its own under a progress dialog with
// "Anuluj", while the event loop turns on the windows' thread and every window repaints.
#pragma once

#include <QString>
#include <functional>

#include "core/common/work_progress.h"

class QWidget;

namespace ronvalo {

struct ProgressTexts {
    QString title; // the dialog's title
    QString label; // what is being done, "Czytanie odbić..."
};

// Runs `work` on a thread of its own and returns once it ended. A progress dialog, modal to the
// whole program, shows once the work takes longer than a moment; nothing takes input before
// that, so that a click cannot start a second command in the middle of this one. True when the
// work ran to its end; false when the operator stopped it ("Anuluj"): whatever it made must then
// be dropped. An exception the work raised is raised here. The work must not touch any widget
// nor the windows' data module: it reads through a connection of its own.
bool runWithProgress(QWidget* parent, const ProgressTexts& texts,
                     const std::function<void(const WorkProgress&)>& work);

} // namespace ronvalo
