// A download's instruments, from its archive row or its punches.
#include "core/store/download_instruments.h"

#include <QVariant>

#include "core/store/reading_query.h"

namespace ronvalo {

std::optional<DownloadInstruments> downloadInstruments(TDM3& dm, qint32 download) {
    if (!runRoundsQuery(dm, QStringLiteral("SELECT 1 FROM nr.NrOdc WHERE Nrodczytu = ?"),
                        {download})
             .next())
        return std::nullopt;
    QSqlQuery archived = runRoundsQuery(
        dm, QStringLiteral("SELECT NrCzytnika FROM ob.Archiwum WHERE Nrodczytu = ?"), {download});
    if (archived.next())
        return DownloadInstruments{{archived.value(0).toString()}, true};
    QSqlQuery punches = runRoundsQuery(
        dm,
        QStringLiteral("SELECT DISTINCT Nrczyt FROM main.Odbicia WHERE NrSczytania = ? "
                       "ORDER BY Nrczyt"),
        {download});
    QStringList instruments;
    while (punches.next())
        instruments << punches.value(0).toString();
    return DownloadInstruments{instruments, false};
}

} // namespace ronvalo
