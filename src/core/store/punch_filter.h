// The punch filter: the browser's criteria, the test of one row, and the same selection as SQL.
#pragma once

#include <QDate>
#include <QString>
#include <optional>

#include "core/store/punch.h"

class QSqlQuery;

namespace ronvalo {

// What the punch browser has chosen. "Nothing selected" is an empty optional, apart from every
// real key, so that an instrument numbered "0" is a selection like any other.
struct PunchCriteria {
    bool downloadMode = false;
    QDate fromDate;
    QDate toDate;
    std::optional<QString> instrument; // NrCzytnika of the reader table
    std::optional<qint32> download;    // Nrodczytu of the download table
};

// The test of one punch row: in download mode its download; otherwise its date within both
// bounds (inclusive) and its instrument equal to the chosen one, byte for byte.
bool tbOdbiciaFilterRecord(const PunchCriteria& criteria, const Punch& row);

// The key of the table's order "ixDiT", as stored: date text, time text, AutoNr.
struct PunchKey {
    QString data;
    QString czas;
    qint64 autoNr = 0;
};

// The rows a reading of the punch table selects, as conditions over one of its indexes.
class PunchSelection {
public:
    enum class Kind { All, Nothing, Instrument, Download, Period };

    static PunchSelection all() { return PunchSelection(Kind::All); }
    // Every instrument's rows dated from `from` to `to` (both included): a long report's reading.
    static PunchSelection period(const QDate& from, const QDate& to);
    // The rows tbOdbiciaFilterRecord accepts under these criteria.
    static PunchSelection of(const PunchCriteria& criteria);

    Kind kind() const { return kind_; }

    // A reading in "ixDiT" order (descending when `backwards`), starting at `from` (inclusive)
    // when given, skipping `offset` rows and giving at most `limit` (all when negative). The
    // columns are AutoNr, Data, Czas, Nrwewpkt, Nrczyt, NrSczytania. Bind with bind().
    QString selectSql(bool backwards, bool fromKey, qint64 limit, qint64 offset) const;
    QString countSql() const;
    void bind(QSqlQuery& query, const std::optional<PunchKey>& from = std::nullopt) const;

private:
    explicit PunchSelection(Kind kind) : kind_(kind) {}
    QString conditions(bool backwards, bool fromKey) const;

    Kind kind_;
    QString instrument_;
    QString fromText_;
    QString toText_;
    qint32 download_ = 0;
};

} // namespace ronvalo
