// CalendarCloseUp: a date picker's drop-down calendar whose date counts once it has closed.
#pragma once

#include <QDate>
#include <QObject>
#include <functional>

class QDateEdit;

namespace ronvalo {

// Watches the drop-down calendar of a picker. While it is open the picker's date follows the
// calendar's selection, but a change does not count yet (isOpen() tells the picker's own change
// handler so); when it closes holding a date other than the one shown before it opened,
// `closedUp` runs. Escape closes it and puts that earlier date back, counting nothing.
class CalendarCloseUp : public QObject {
public:
    // Becomes a child of the picker; the picker must have its calendar pop-up on.
    CalendarCloseUp(QDateEdit& picker, std::function<void()> closedUp);

    bool isOpen() const { return open_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void closed();

    QDateEdit& picker_;
    std::function<void()> closedUp_;
    QDate before_;
    bool open_ = false;
    bool cancelled_ = false;
};

} // namespace ronvalo
