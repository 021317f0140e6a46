// A period's punches read straight from the punch file through SQLite's own interface: a long
// reading for judging, where the SQL driver's conversion of every value, not SQLite, would take
// most of the time. Each scan has a connection of its own, so that scans run on several threads
// at once.
#pragma once

#include <QDate>
#include <QString>
#include <memory>
#include <optional>
#include <string>

#include "core/store/punch.h"

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_value;

namespace ronvalo {

// Which rows of the punch table a scan reads.
struct PunchScanRows {
    QDate from, to; // the period, both days included
    // The rows in the file's order, a straight walk through its pages, rather than through the
    // date index: sooner when the period covers a good part of the table.
    bool walkTheFile = false;
    // Only the rows of AutoNr from `first` to `last`, both included.
    struct AutoNrs {
        qint64 first = 0;
        qint64 last = 0;
    };
    std::optional<AutoNrs> autoNrs;
};

namespace punch_scan_detail {
struct CloseConnection {
    void operator()(sqlite3* connection) const;
};
struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const;
};
} // namespace punch_scan_detail

// The rows of `rows` of the punch table in the file `file`, opened read-only, each read as the
// data module's connection reads it, odd rows too. Every failure raises EDatabaseError naming
// the file.
class PunchScan {
public:
    PunchScan(const QString& file, const PunchScanRows& rows);

    // The next row into `punch`; false after the last. Rows of one instrument that follow each
    // other share one copy of its number.
    bool next(Punch& punch);

private:
    [[noreturn]] void fail() const;
    QString instrumentOf(sqlite3_value* value);

    QString file_;
    std::unique_ptr<sqlite3, punch_scan_detail::CloseConnection> connection_;
    std::unique_ptr<sqlite3_stmt, punch_scan_detail::FinalizeStatement> statement_;
    // The instrument of the row before, its text as stored; none when it was not ASCII text.
    std::optional<std::string> lastInstrumentText_;
    QString lastInstrument_;
};

} // namespace ronvalo
