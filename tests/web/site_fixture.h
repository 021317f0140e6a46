// An installation for the web service's tests: three instruments with names, plans and twelve
// days of rounds before today (walked, late, missed), imported with their archive rows, and one
// account of each role.
#pragma once

#include <QString>
#include <QStringList>

namespace ronvalo {
class TDM3;
}

namespace ronvalo::web::test {

struct SiteLogin {
    QString login;
    QString password;
};

inline const SiteLogin siteAdministrator{QStringLiteral("admin"), QStringLiteral("haslo-admina-1")};
inline const SiteLogin siteOffice{QStringLiteral("biuro"), QStringLiteral("haslo-biura-1")};
// Sees "0101" only.
inline const SiteLogin siteClient{QStringLiteral("klient1"), QStringLiteral("haslo-klienta-1")};
// Sees "0202" only.
inline const SiteLogin siteOtherClient{QStringLiteral("klient2"),
                                       QStringLiteral("haslo-klienta-2")};

// The instruments: "0101" (Brama północna), "0202" (Magazyn; its last download's clock 12 minutes
// fast), "0303" (Biuro; last read 11 days ago).
inline const QStringList siteInstruments{QStringLiteral("0101"), QStringLiteral("0202"),
                                         QStringLiteral("0303")};

// Fills the open, empty tables of `dm`; the days count back from the program's clock. Returns
// the downloads' numbers by instrument in order of the list above, two each but one for "0303".
QList<QList<qint32>> fillSite(TDM3& dm);

} // namespace ronvalo::web::test
