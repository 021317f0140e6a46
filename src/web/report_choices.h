// The exception report as an account may see it: the choices of a request checked against the
// account's cut, and the report made of its instruments only.
#pragma once

#include <QString>
#include <optional>

#include "core/rounds/exception_report.h"

namespace ronvalo::web {

class InstrumentCut;
struct Visit;

// The choices of the request's "od", "do", "czytnik", "plan" and "wyjatki"; this month up to
// today where the dates are absent. nullopt with `problem` set: a date that is no date (400);
// nullopt without: an instrument or plan the account does not see or that does not exist (404).
std::optional<ExceptionReportChoices> reportChoices(Visit& visit, QString* problem);

// The plans' names the account may choose: those with a period on an instrument it sees.
QStringList visiblePlans(TDM3& dm, const InstrumentCut& cut);

// Reduces what a report is made from to the instruments of `cut`: their plans, their punches and
// their downloads' clocks, so that every figure counts theirs alone.
void cutTables(ExceptionReportTables& tables, const InstrumentCut& cut);

// The report of `choices` for the visit's account, judged from its instruments only.
ExceptionReport reportFor(Visit& visit, const ExceptionReportChoices& choices);

// One "name=value" of an address's query, the value encoded.
QString queryItem(const char* name, const QString& value);
// The choices as the address's query ("od=...&do=...&czytnik=...").
QString choicesQuery(const ExceptionReportChoices& choices);

} // namespace ronvalo::web
