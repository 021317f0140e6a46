// Checkpoint and instrument names and round plans in Obchody.db: reading them, and saving what a
// window changed, each save one transaction.
#pragma once

#include <QList>
#include <QSet>

#include "core/store/plan.h"

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
// by Od, as stored: the plan rules are not asked here (loadPlans() does that).
QList<Plan> loadStoredPlans(TDM3& dm);
// Replaces the stored periods `removed` (by IdPlanu, with their steps) by `written`: a period
// with an id keeps it, one with id 0 gets the next free one. One transaction.
void replacePlanPeriods(TDM3& dm, const QList<Plan>& removed, const QList<Plan>& written);

} // namespace ronvalo
