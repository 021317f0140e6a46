// Checkpoint and instrument names and round plans in Obchody.db: reading them, and saving what a
// window changed, each save one transaction.
#pragma once

#include <QDate>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

#include "core/store/punch.h"

#include "core/rounds/clock_drift.h"
#include "core/rounds/last_transfer.h"
#include "core/rounds/names.h"
#include "core/rounds/plan.h"

namespace ronvalo {

class TDM3;

// Every function here raises EDatabaseError naming Obchody.db when the file is damaged, of
// another layout, or cannot be read or written (nothing is then saved).

// Every checkpoint by number: each one that occurs in the punch table and each one of Punkty,
// with its name (empty when unnamed) and incident tick (incidentByDefault when not in Punkty).
QList<Checkpoint> loadCheckpoints(TDM3& dm);
// The checkpoint numbers that occur in the punch table.
QSet<qint32> punchedCheckpoints(TDM3& dm);
// The rows of Punkty alone, by number: what names and marks a checkpoint beyond the defaults,
// read without going through the punch table.
QList<Checkpoint> loadNamedCheckpoints(TDM3& dm);
// Punkty becomes the rows of `checkpoints` that say more than the defaults: a name, or an
// incident tick other than incidentByDefault. A row without either is left out, which is how a
// number added by mistake goes again.
void saveCheckpoints(TDM3& dm, const QList<Checkpoint>& checkpoints);

// Every instrument of the reader table and each one of CzytnikiOpis, by number, with its
// description (empty when none).
QList<InstrumentName> loadInstruments(TDM3& dm);
// CzytnikiOpis becomes the rows of `instruments` with a description.
void saveInstruments(TDM3& dm, const QList<InstrumentName>& instruments);

// Every validity period of every plan (the rows of Plany with their KrokiPlanu), by name, then
// by Od. Each is checked by the plan rules: a row the program would never have written (a plan
// of 200 000 steps, a round of a million minutes) raises EDatabaseError naming the plan and its
// fault, so that nothing is judged by it.
// AsStored skips that check, for the plan window alone: there the operator corrects or removes
// such a plan, and saving it again passes the rules.
enum class PlanReading { Checked, AsStored };
QList<Plan> loadPlans(TDM3& dm, PlanReading reading = PlanReading::Checked);
// Replaces the stored periods `removed` (by IdPlanu, with their steps) by `written`: a period
// with an id keeps it, one with id 0 gets the next free one. One transaction.
void replacePlanPeriods(TDM3& dm, const QList<Plan>& removed, const QList<Plan>& written);

// The clocks of the archived downloads with a punch dated from `from` to `to` (both included),
// by Nrodczytu. A download without an archive row is not among them.
QList<DownloadClock> loadDownloadClocks(TDM3& dm, const QDate& from, const QDate& to);

// Every download whose instrument is known: the archived ones with the instrument's clock (the
// computer's time where the clock is unknown), and those without an archive row (made before the
// archive existed) with NrOdc's time of the download and the instrument of its punches.
QList<Transfer> loadTransfers(TDM3& dm);
// The date and time of each instrument's latest punch (instruments as punches store them); an
// instrument without a punch is left out.
QHash<QString, QDateTime> loadLatestPunches(TDM3& dm, const QStringList& instruments);

} // namespace ronvalo
