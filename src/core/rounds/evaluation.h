// The evaluation of a period: which planned rounds were walked, judged from the plans and the
// punches alone, as a plain function that tests, the exception report and the command line share.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <array>
#include <optional>
#include <span>

#include "core/store/plan.h"
#include "core/store/punch.h"

namespace ronvalo {

// The status of one planned round; a round gets the first that applies, in this order. NoReading
// comes before them all: the round's deadline lies after its instrument's last transfer, so its
// punches may still be in the instrument; it is not judged and counts neither as planned nor in
// compliance.
enum class RoundStatus { NotWalked = 0, Incomplete, OutOfOrder, Late, Done, NoReading };
inline constexpr int roundStatusCount = 6;

// "Nie wykonany", "Niepełny", "Poza kolejnością", "Spóźniony", "Wykonany", "Brak odczytu".
QString roundStatusText(RoundStatus status);

// One step of a judged round, in the plan's step order.
struct StepResult {
    qint32 checkpoint = 0;
    bool optional = false;
    int punch = -1;          // index into EvaluationInput::punches; -1: no punch taken
    bool outOfOrder = false; // taken from before the previous step's punch (fixed order)
};

// One planned round and how it was walked.
struct RoundRow {
    // The day whose schedule made it: a night round after midnight belongs to the evening.
    QDate day;
    int plan = -1;          // index into EvaluationInput::plans
    qint64 planId = 0;      // IdPlanu of the validity period that held on `day`
    QString planName;       // Nazwa
    QString instrument;     // NrCzytnika as the plan holds it
    QDateTime plannedStart; // t0: wall-clock date and time (Qt::UTC only so that no daylight
                            // saving shifts it; punches carry no time zone either)
    int start = -1;         // index of the punch that started the round; -1: not walked
    bool late = false;      // started after t0 + tolerance
    RoundStatus status = RoundStatus::NotWalked;
    QList<StepResult> steps; // one per plan step, in Lp order
    QList<int> repeats;      // further punches at taken checkpoints within the round's time

    bool walked() const { return start >= 0; }
};

// The required checkpoints of a round that have no punch, in step order (every required one for a
// round not walked; none for a round not judged).
QList<qint32> missingCheckpoints(const RoundRow& round);
// The checkpoints of the steps taken out of order, in step order.
QList<qint32> outOfOrderCheckpoints(const RoundRow& round);

// Rounds of one plan (by name) or of all plans, counted by status.
struct RoundCounts {
    QString plan;    // the plan's name; empty for the total
    int planned = 0; // rounds judged: every round but those without a reading
    std::array<int, roundStatusCount> byStatus{}; // indexed by RoundStatus
    int complete = 0; // every required step punched (whatever the order or the start)

    int count(RoundStatus status) const { return byStatus[static_cast<int>(status)]; }
};

// Compliance: complete ÷ planned as a percentage rounded to one decimal (87.5); none when
// nothing was planned.
std::optional<double> compliancePercent(const RoundCounts& counts);
// The same as shown and printed: "87,5%", "100,0%"; "–" when nothing was planned.
QString complianceText(const RoundCounts& counts);

// The rounds counted per plan name, in the order of the rows' plan indices, and in all. A plan
// without a row in `rounds` is left out.
struct RoundTotals {
    QList<RoundCounts> perPlan;
    RoundCounts total;
};
RoundTotals countRounds(const QList<RoundRow>& rounds);
// Adds one round to `counts`.
void countRound(RoundCounts& counts, const RoundRow& row);

// The incident checkpoints among the Punkty rows: those with Zdarzenie set.
QSet<qint32> incidentCheckpoints(const QList<Checkpoint>& checkpoints);

struct EvaluationInput {
    QList<Plan> plans; // every validity period of the plans to judge
    // Punches of the plans' instruments, in any order; rows with a null or zero date are ignored.
    // Load at least the dates punchDatesToLoad() names. Rows of other instruments are never
    // claimed and appear outside the plan when they are dated within the period.
    std::span<const Punch> punches;
    QDate first; // the period's first and last day, both included
    QDate last;
    QSet<qint32> incidentCheckpoints; // Punkty rows with Zdarzenie 1
    // The last transfer of each instrument (keyed as punches store it, its first 10 characters),
    // by the instrument's own clock where known. A round whose deadline (t0 + tolerance +
    // duration) lies after it is not judged: "Brak odczytu"; so is every round of an instrument
    // not in it. None: every round is judged.
    std::optional<QHash<QString, QDateTime>> lastTransfers;
};

// The outcome. Punch references are indices into EvaluationInput::punches, which the caller keeps
// alive while it reads them.
struct Evaluation {
    QList<RoundRow> rounds; // by day, then planned start, then the plans' input order
    QList<int> outside;     // unclaimed punches dated within the period, by date, time, AutoNr
    QList<int> incidents;   // punches at incident checkpoints dated within the period, same order
    // By plan name, in the order the names first occur in the plans; names without a round in
    // the period are left out.
    QList<RoundCounts> perPlan;
    RoundCounts total;
};

// Judges every planned round of the period. The rounds of one instrument claim its punches in
// three passes: every round's on-time start first, then each round's late start and steps (both
// before the on-time start of the same plan's next round), then the repeats; so a late or long
// round never takes what belongs to the next one. A punch stored again by another download
// follows its original. Rounds whose t0 lies within the instrument's reach around the period (a
// day, or the longest tolerance plus twice the duration) are judged too, unseen, so that they
// keep what is theirs.
Evaluation evaluate(const EvaluationInput& input);

// At most how many rounds evaluate() plans for a period, the unseen ones around it included:
// what its memory and time grow with, told before any is made.
qint64 plannedRoundsAtMost(const QList<Plan>& plans, const QDate& first, const QDate& last);

// The dates of the punches evaluate() reads for a period: from the days before it whose night or
// late rounds reach into it, to the last deadline of its own last rounds.
struct PunchDates {
    QDate from; // both included
    QDate to;
};
PunchDates punchDatesToLoad(const QList<Plan>& plans, const QDate& first, const QDate& last);

// The instrument number as a punch stores it: its first 10 characters.
inline QString punchInstrument(const QString& instrument) {
    return instrument.left(10);
}

// A punch's date and time as one value, in the same wall-clock sense as RoundRow::plannedStart.
inline QDateTime punchMoment(const Punch& punch) {
    return QDateTime(punch.Data, punch.Czas, Qt::UTC);
}

} // namespace ronvalo
