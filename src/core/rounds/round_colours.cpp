// Round colours and the first choices.
#include "core/rounds/round_colours.h"

#include "core/common/clock.h"

namespace ronvalo {

std::optional<QColor> roundRowColour(RoundStatus status) {
    switch (status) {
    case RoundStatus::NotWalked:
    case RoundStatus::Incomplete:
        return QColor(255, 170, 170);
    case RoundStatus::Late:
    case RoundStatus::OutOfOrder:
        return QColor(255, 200, 120);
    case RoundStatus::NoReading: // not judged yet: apart from the verdicts
        return QColor(215, 215, 215);
    case RoundStatus::Done:
        break;
    }
    return std::nullopt;
}

ExceptionReportChoices initialExceptionReportChoices() {
    const QDate today = Clock::now().date();
    ExceptionReportChoices choices;
    choices.from = QDate(today.year(), today.month(), 1);
    choices.to = today;
    return choices;
}

} // namespace ronvalo
