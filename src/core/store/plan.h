// Round plans, checkpoint and instrument names as plain values: what the windows edit, the tables
// keep and the evaluation reads.
#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QTime>

#include "core/store/punch.h"

namespace ronvalo {

// One step of a round: the checkpoint to punch. An optional step is never missing.
struct PlanStep {
    qint32 checkpoint = 0; // Nrwewpkt
    bool optional = false; // Opcjonalny
    friend bool operator==(const PlanStep&, const PlanStep&) = default;
};

// Kolejnosc: the steps in their order, or all of them in any order.
enum class StepOrder { Fixed = 0, Any = 1 };

// One validity period of a round plan (one row of Plany with its KrokiPlanu). A plan changed in
// the window becomes a new period, so that past days keep the plan that held then.
struct Plan {
    qint64 id = 0;      // IdPlanu
    QString name;       // Nazwa, shared by the periods of one plan
    QString instrument; // NrCzytnika
    StepOrder order = StepOrder::Fixed;
    int weekdays = 0x7f; // Dni: bit 0 Monday ... bit 6 Sunday
    QTime firstStart;    // PierwszyStart
    QTime lastStart;     // OstatniStart; before firstStart: on the next day (a night shift)
    // Minutes are 64-bit: the tables may hold any integer, and sums of them must not wrap.
    qint64 interval = 0;   // Co, minutes between planned starts; 0: one round a day
    qint64 tolerance = 0;  // Tolerancja, minutes either side of a planned start
    qint64 duration = 0;   // CzasObchodu, minutes from the start
    QDate validFrom;       // Od
    QDate validTo;         // Do; null: still valid
    QList<PlanStep> steps; // Lp 1, 2, ... in list order

    bool validOn(const QDate& day) const {
        return day >= validFrom && (validTo.isNull() || day <= validTo);
    }
    // Rounds start on `day`: the plan holds then and the weekday is one of its days.
    bool startsOn(const QDate& day) const {
        return validOn(day) && (weekdays >> (day.dayOfWeek() - 1) & 1);
    }
};

// A row of Punkty.
struct Checkpoint {
    qint32 number = 0;     // Nrwewpkt
    QString name;          // Nazwa, up to 60 characters, may be empty
    bool incident = false; // Zdarzenie
    friend bool operator==(const Checkpoint&, const Checkpoint&) = default;
};

// Checkpoints 171 to 174 are incidents unless Punkty says otherwise.
inline bool incidentByDefault(qint32 checkpoint) {
    return isMarkedCheckpoint(checkpoint);
}

// A row of CzytnikiOpis.
struct InstrumentName {
    QString instrument;  // NrCzytnika
    QString description; // Opis: the post or the guard that carries it
    friend bool operator==(const InstrumentName&, const InstrumentName&) = default;
};

} // namespace ronvalo
