// Names in the order a person expects: "Obchód 2" before "Obchód 10".
#pragma once

#include <QString>

namespace ronvalo {

// True when `a` comes before `b`: runs of digits compare by their value ("2" < "10", "007" = "7"),
// the text between them as a Polish dictionary orders it (case aside: "ą" after "a", before
// "b"). Names equal so far are ordered by their plain text, so the order is total.
bool naturalLess(const QString& a, const QString& b);

} // namespace ronvalo
