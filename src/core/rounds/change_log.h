// The service log's lines for what the plan and name windows save: which plan, checkpoint or
// instrument changed, and each changed field with its old and new value.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "core/rounds/plan_rules.h"
#include "core/store/plan.h"

namespace ronvalo {

// A short account of the rounds of one validity period, as the plan window lists its periods:
// "A1, Pn–Pt, 08:00–20:00 co 60 min, tolerancja 15 min, czas 60 min, punkty 12, 14 (opc.)".
QString periodSummary(const Plan& plan);

// One line per plan the window adds, changes or deletes; none for a plan left as it was, or
// added and deleted again before saving. `after`: each plan's periods as saved (PlanSave::after),
// so that a change held from a new period says from when.
QStringList planLogLines(const QList<EditedPlan>& plans, const QList<QList<Plan>>& after);
// One line per checkpoint whose name or incident tick differs; a checkpoint missing from a list
// has no name and its default tick.
QStringList checkpointLogLines(const QList<Checkpoint>& before, const QList<Checkpoint>& after);
// One line per instrument whose description differs; a missing one has none.
QStringList instrumentLogLines(const QList<InstrumentName>& before,
                               const QList<InstrumentName>& after);

} // namespace ronvalo
