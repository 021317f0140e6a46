// One download's punch rows, in keyed pages on a server.
#include "core/store/download_punches.h"

#include <QSqlError>
#include <QVariant>
#include <limits>

#include "core/common/exception.h"
#include "core/store/data_module.h"
#include "core/store/reading_query.h"

namespace ronvalo {

namespace {

[[noreturn]] void failOn(const QString& file, const QSqlQuery& query) {
    throw EDatabaseError(file + QStringLiteral(": ") + query.lastError().text());
}

} // namespace

DownloadPunchRows::DownloadPunchRows(TDM3& dm)
    : file_(dm.tbOdbicia.filePath()), pageRows_(dm.onServer() ? TDM3::serverPageRows : 0),
      query_(dm.roundsDatabase()) {
    readForward(query_, dm.roundsDatabase());
    const QString limit = pageRows_ > 0 ? QStringLiteral(" LIMIT %1").arg(pageRows_) : QString();
    if (!query_.prepare(QStringLiteral("SELECT AutoNr, Data, Czas, Nrwewpkt, Nrczyt, NrSczytania "
                                       "FROM main.Odbicia WHERE NrSczytania = ? AND AutoNr > ? "
                                       "ORDER BY AutoNr") +
                        limit))
        failOn(file_, query_);
}

void DownloadPunchRows::read(qint32 download, const std::function<void(const QSqlQuery&)>& visit) {
    // Below every AutoNr, within the type of each engine's column (the server's has 32 bits).
    qint64 from =
        pageRows_ > 0 ? std::numeric_limits<qint32>::min() : std::numeric_limits<qint64>::min();
    for (;;) {
        query_.bindValue(0, download);
        query_.bindValue(1, from);
        if (!query_.exec())
            failOn(file_, query_);
        qint64 read = 0;
        while (query_.next()) {
            ++read;
            from = query_.value(0).toLongLong();
            visit(query_);
        }
        if (query_.lastError().isValid())
            failOn(file_, query_);
        query_.finish();
        if (pageRows_ == 0 || read < pageRows_)
            return;
    }
}

void DownloadPunchRows::readPunches(qint32 download,
                                    const std::function<void(ArchivedPunch)>& visit) {
    read(download, [&](const QSqlQuery& query) {
        visit({query.value(0).toLongLong(), query.value(1).toString(), query.value(2).toString(),
               query.value(3).toInt(), query.value(4).toString()});
    });
}

} // namespace ronvalo
