// The archive's download rows of a period, for a file that carries them away from the tables:
// the rows themselves, a few at a time, and which row of the chain stands before each.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "core/store/archive_chain.h"

namespace ronvalo {

class TDM3;

// Which row of the chain: a download by its Nrodczytu, or a change by its Lp.
struct ChainRowId {
    ChainTable table = ChainTable::Downloads;
    qint64 number = 0;
    bool operator==(const ChainRowId&) const = default;
};

// A row of the chain, its place (as ChainRow::place) and its Skrot.
struct ChainLink {
    ChainRowId id;
    qint64 place = 0;
    QString digest;
};

// The chain's row right before download `download`, or (nullopt) the chain's last row; nullopt
// when there is none (the download is the chain's first row, or the chain is empty). Raises
// EDatabaseError naming Obchody.db (or the server) when the archive cannot be read.
std::optional<ChainLink> chainRowBefore(TDM3& dm, std::optional<qint64> download);

// Which downloads: transferred (Odebrano) on `from` to `to`, both days included; of the
// instruments listed (NrCzytnika whole, as archived), or of every one when none is given; and
// numbered up to `lastDownload`, so that rows appended while they are read stay out.
struct PeriodSelection {
    QDate from;
    QDate to;
    std::optional<QStringList> instruments;
    qint64 lastDownload = 0;
};

// The chosen download rows by Nrodczytu, their fields as stored, read a page at a time (a server
// sends a result whole, and a row may hold megabytes). A failed read raises EDatabaseError.
class PeriodDownloads {
public:
    PeriodDownloads(TDM3& dm, PeriodSelection selection);
    bool next(ChainRow& row);

private:
    void readPage();

    TDM3& dm_;
    PeriodSelection selection_;
    std::vector<ChainRow> page_;
    std::size_t next_ = 0;
    qint64 after_ = 0; // the last Nrodczytu read
    bool last_ = false;
};

} // namespace ronvalo
