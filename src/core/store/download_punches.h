// The punch rows of one download, as stored, by AutoNr: read through the index on NrSczytania,
// on a server a page at a time from the last AutoNr read, so that a download of millions of
// rows is never held whole by the driver.
#pragma once

#include <QSqlQuery>
#include <QString>
#include <functional>

namespace ronvalo {

class TDM3;

class DownloadPunchRows {
public:
    explicit DownloadPunchRows(TDM3& dm);
    // Calls `visit` with the query standing on each row of `download`, by AutoNr; its columns are
    // AutoNr, Data, Czas, Nrwewpkt, Nrczyt, NrSczytania. A failed read raises EDatabaseError
    // naming the punch table's file.
    void read(qint32 download, const std::function<void(const QSqlQuery&)>& visit);

private:
    QString file_;
    qint64 pageRows_; // 0: one read of every row
    QSqlQuery query_;
};

} // namespace ronvalo
