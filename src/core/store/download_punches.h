// The punch rows of one download, as stored, by AutoNr: read through the index on NrSczytania,
// on a server a page at a time from the last AutoNr read, so that a download of millions of
// rows is never held whole by the driver.
#pragma once

#include <QSqlQuery>
#include <QString>
#include <functional>

namespace ronvalo {

class TDM3;

// One punch as the punch table stores it: date and time as stored text, the instrument cut to
// the table's 10 characters. A punch read from a transmission has no AutoNr (0).
struct ArchivedPunch {
    qint64 autoNr = 0;
    QString date;
    QString time;
    qint32 checkpoint = 0;
    QString instrument;
};

class DownloadPunchRows {
public:
    explicit DownloadPunchRows(TDM3& dm);
    // Calls `visit` with the query standing on each row of `download`, by AutoNr; its columns are
    // AutoNr, Data, Czas, Nrwewpkt, Nrczyt, NrSczytania. A failed read raises EDatabaseError
    // naming the punch table's file.
    void read(qint32 download, const std::function<void(const QSqlQuery&)>& visit);
    // The same rows as punches.
    void readPunches(qint32 download, const std::function<void(ArchivedPunch)>& visit);

private:
    QString file_;
    qint64 pageRows_; // 0: one read of every row
    QSqlQuery query_;
};

} // namespace ronvalo
