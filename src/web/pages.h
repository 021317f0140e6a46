// The pages of the service, each given a logged-in visit; all that an account sees passes through
// its cut (Visit::cut).
#pragma once

#include <QDate>
#include <optional>
#include <utility>

namespace ronvalo::web {

struct Visit;

void overviewPage(Visit& visit);          // "/": Przegląd
void reportPage(Visit& visit);            // "/raport": Raport wyjątków
void reportPdf(Visit& visit);             // "/raport.pdf"
void reportCsv(Visit& visit);             // "/raport.csv"
void punchesPage(Visit& visit);           // "/odbicia"
void archivePage(Visit& visit);           // "/archiwum"
void archivedTransmission(Visit& visit);  // "/archiwum/odczyt?nr=N"
void evidenceFile(Visit& visit);          // "/archiwum/dowod?od=&do="
void accountsPage(Visit& visit);          // "/konta"
void addAccount(Visit& visit);            // POST "/konta/dodaj"
void changeAccountPassword(Visit& visit); // POST "/konta/haslo"
void removeAccount(Visit& visit);         // POST "/konta/usun"

// The period of "Archiwum" and its evidence: "od" and "do", the last 30 days where absent;
// nullopt once a wrong date is answered.
std::optional<std::pair<QDate, QDate>> archivePeriod(Visit& visit);

} // namespace ronvalo::web
