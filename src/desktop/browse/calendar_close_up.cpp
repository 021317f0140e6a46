// A date picker's drop-down calendar, counted when it closes and undone by Escape.
#include "desktop/browse/calendar_close_up.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QEvent>
#include <QKeyEvent>
#include <QSignalBlocker>

namespace ronvalo {

CalendarCloseUp::CalendarCloseUp(QDateEdit& picker, std::function<void()> closedUp)
    : QObject(&picker), picker_(picker), closedUp_(std::move(closedUp)) {
    // The calendar sits in a pop-up window of its own, which the picker shows and hides.
    if (QCalendarWidget* calendar = picker.calendarWidget())
        calendar->window()->installEventFilter(this);
}

bool CalendarCloseUp::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
        before_ = picker_.date();
        open_ = true;
        cancelled_ = false;
        break;
    case QEvent::KeyPress:
        // The calendar passes Escape on to its window, which closes on it.
        if (static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel))
            cancelled_ = true;
        break;
    case QEvent::Hide:
        if (open_)
            closed();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void CalendarCloseUp::closed() {
    open_ = false;
    if (cancelled_) {
        // The earlier date was counted when it was set: putting it back changes nothing.
        const QSignalBlocker blocker(&picker_);
        picker_.setDate(before_);
        return;
    }
    if (picker_.date() != before_ && closedUp_)
        closedUp_();
}

} // namespace ronvalo
