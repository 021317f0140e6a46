// What the sites may do on the server. The tables belong to the administrator who made them;
// every site logs in as a role of its own, a member of one group role that may read every
// table, add punches, downloads, instruments, archive rows and transmissions, and edit the names
// and plans, and no more: no site can change or remove a punch, a download or an archive row.
// A trigger keeps the archive a chain: a row is taken only as the next link after the last.
#pragma once

#include <QString>
#include <QStringList>

namespace ronvalo {

// The group role; each site's login role is made a member of it.
inline const QString siteGroupRole = QStringLiteral("ronvalo_stanowisko");
// The web service's group role: reads every table, and writes only the accounts.
inline const QString webGroupRole = QStringLiteral("ronvalo_przegladarka");

// How long the server lets any session of the database sit idle inside a transaction (the
// database's own setting, as a group role's settings do not pass to its members).
inline constexpr int serverIdleTransactionSeconds = 60;

// The statements that make the group role when it is missing, give it its rights (taking back
// any others first), and make the archive's trigger. Each may run again on tables that have
// them already.
const QStringList& serverRightsStatements();

} // namespace ronvalo
