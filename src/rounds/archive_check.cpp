// Checking the download archive against the tables: the chain row by row, each archived
// transmission read again and compared with its download's rows, then the downloads without a row.
#include "rounds/archive_check.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <optional>
#include <set>
#include <variant>

#include "common/cp1250.h"
#include "import/reader_dump.h"
#include "link/receive_buffer.h"
#include "rounds/archive_punches.h"
#include "store/archive.h"
#include "store/data_module.h"
#include "store/reading_query.h"
#include "store/stored_dates.h"

namespace ronvalo {

namespace {

// The punch rows carry the instrument cut to this many characters.
constexpr qsizetype punchInstrumentWidth = 10;

[[noreturn]] void failOn(const QString& file, const QSqlQuery& query) {
    throw EDatabaseError(file + QStringLiteral(": ") + query.lastError().text());
}

QSqlQuery prepared(TDM3& dm, const QString& file, const QString& sql) {
    QSqlQuery query(dm.roundsDatabase());
    readForward(query, dm.roundsDatabase());
    if (!query.prepare(sql))
        failOn(file, query);
    return query;
}

// The punch rows of one download by AutoNr (the order they arrived in), found through the index
// on NrSczytania: one statement, prepared once and run for every download.
class DownloadRows {
public:
    explicit DownloadRows(TDM3& dm)
        : file_(dm.tbOdbicia.filePath()),
          query_(prepared(dm, file_,
                          QStringLiteral("SELECT AutoNr, Data, Czas, Nrwewpkt, Nrczyt "
                                         "FROM main.Odbicia WHERE NrSczytania = ? "
                                         "ORDER BY AutoNr"))) {}

    QList<ArchivedPunch> of(qint32 download) {
        query_.bindValue(0, download);
        if (!query_.exec())
            failOn(file_, query_);
        QList<ArchivedPunch> rows;
        while (query_.next())
            rows.append({query_.value(0).toLongLong(), query_.value(1).toString(),
                         query_.value(2).toString(), query_.value(3).toInt(),
                         query_.value(4).toString()});
        if (query_.lastError().isValid())
            failOn(file_, query_);
        query_.finish();
        return rows;
    }

private:
    QString file_;
    QSqlQuery query_;
};

// What an archived transmission yields, read by the import's own reader: the instrument and the
// punches as the import stores them.
struct Transmission {
    QString instrument; // cut as the punch rows carry it
    QList<ArchivedPunch> punches;
};

class TransmissionReader final : public DumpVisitor {
public:
    Transmission read;

    void reading(int) override {}
    void instrumentRead(const QByteArray& number) override {
        read.instrument = fromCp1250(number).left(punchInstrumentWidth);
    }
    void punchRead(const DumpPunch& punch) override {
        read.punches.append(
            {0, storedDate(punch.date), storedTime(punch.time), punch.checkpoint, read.instrument});
    }
};

// The transmission, or the 0-based line at which it no longer reads.
std::variant<Transmission, int> readTransmission(const QByteArray& bytes) {
    // Room for every byte and every line break, so that nothing of it is dropped.
    ReceiveBuffer buffer(16 + bytes.size() * (1 + ReceiveBuffer::bytesPerLineBreak));
    buffer.append(bytes);
    TransmissionReader reader;
    try {
        walkDump(buffer, reader);
    } catch (const DumpFormatError& failure) {
        return failure.lineNumber();
    } catch (const DumpConversionError& failure) {
        return failure.lineNumber();
    }
    return std::move(reader.read);
}

// Every download number of the punch table and of the download table.
std::set<qint32> downloadNumbers(TDM3& dm) {
    const QList<qint32> listed = dm.downloads();
    std::set<qint32> numbers(listed.begin(), listed.end());
    if (dm.roundsFileMissing()) {
        // Without Obchody.db there is no connection for own queries; the rows are read whole.
        auto next = dm.readPunches(PunchSelection::all());
        Punch punch;
        while (next(punch))
            numbers.insert(punch.NrSczytania);
        return numbers;
    }
    QSqlQuery punched = prepared(dm, dm.tbOdbicia.filePath(),
                                 QStringLiteral("SELECT DISTINCT NrSczytania FROM main.Odbicia"));
    if (!punched.exec())
        failOn(dm.tbOdbicia.filePath(), punched);
    while (punched.next())
        numbers.insert(punched.value(0).toInt());
    return numbers;
}

qint64 archiveRowCount(TDM3& dm) {
    QSqlQuery count =
        prepared(dm, dm.roundsFilePath(), QStringLiteral("SELECT COUNT(*) FROM ob.Archiwum"));
    if (!count.exec() || !count.next())
        failOn(dm.roundsFilePath(), count);
    return count.value(0).toLongLong();
}

// The walk along the archive, one row after the other.
class ArchiveWalk {
public:
    ArchiveWalk(TDM3& dm, ArchiveCheck& check) : rows_(dm), check_(check) {}

    void check(const ArchiveRow& row) {
        if (archiveDigest(row) != row.digest)
            add(row, ArchiveFindingKind::DigestMismatch,
                QStringLiteral("skrót wiersza archiwum nie zgadza się z jego treścią"));
        checkChain(row);
        const auto transmission = readTransmission(row.transmission);
        if (const int* line = std::get_if<int>(&transmission))
            add(row, ArchiveFindingKind::Unreadable,
                QStringLiteral("zapisanej transmisji nie da się odczytać (linia %1)")
                    .arg(*line + 1));
        else
            compare(row, std::get<Transmission>(transmission));
        previousDownload_ = row.download;
        check_.lastDigest = row.digest;
        ++check_.downloads;
    }

    DownloadRows& rows() { return rows_; }

private:
    // Poprzedni holds the digest of the row before; the first row has none, so one that has
    // one stood behind rows since removed.
    void checkChain(const ArchiveRow& row) {
        if (row.previous == check_.lastDigest)
            return;
        add(row, ArchiveFindingKind::ChainBroken,
            previousDownload_
                ? QStringLiteral("łańcuch archiwum przerwany (poprzedni skrót nie jest skrótem "
                                 "odczytu nr %1)")
                      .arg(*previousDownload_)
                : QStringLiteral("łańcuch archiwum przerwany (usunięto wiersze archiwum przed "
                                 "tym odczytem)"));
    }

    void compare(const ArchiveRow& row, const Transmission& transmission) {
        check_.findings << comparePunches(row.download, transmission.instrument,
                                          transmission.punches, rows_.of(row.download));
    }

    void add(const ArchiveRow& row, ArchiveFindingKind kind, const QString& what) {
        check_.findings << archiveFinding(kind, row.download, row.instrument, what);
    }

    DownloadRows rows_;
    ArchiveCheck& check_;
    std::optional<qint32> previousDownload_;
};

// Downloads without an archive row: before the first archived one they were imported before the
// archive existed; after it, their row is gone. `rows` may be null while nothing is archived.
void checkUnarchived(const std::set<qint32>& numbers, const std::set<qint32>& archived,
                     DownloadRows* rows, ArchiveCheck& check) {
    for (const qint32 download : numbers) {
        if (archived.contains(download))
            continue;
        if (archived.empty() || download < *archived.begin()) {
            ++check.earlierDownloads;
            check.lastEarlierDownload = download;
            continue;
        }
        const QList<ArchivedPunch> punches = rows->of(download);
        check.findings << archiveFinding(ArchiveFindingKind::ArchiveRowMissing, download,
                                         punches.isEmpty() ? QString() : punches.first().instrument,
                                         QStringLiteral("brak wiersza archiwum"));
    }
}

// "57 odczytów", "1 odczyt", "22 odczyty".
QString downloadsText(qint64 count) {
    const qint64 lastTwo = count % 100;
    const qint64 last = count % 10;
    const char* word = count == 1                                                 ? "odczyt"
                       : last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14) ? "odczyty"
                                                                                  : "odczytów";
    return QString::number(count) + QLatin1Char(' ') + QString::fromUtf8(word);
}

} // namespace

std::optional<ArchiveCheck> checkArchive(TDM3& dm,
                                         const std::function<bool(qint64, qint64)>& progress) {
    // One reading: an import that commits meanwhile is seen whole or not at all.
    Transaction reading(dm);
    const std::set<qint32> numbers = downloadNumbers(dm);
    ArchiveCheck check;
    std::set<qint32> archived;
    // Read-only without Obchody.db: an installation from before the archive.
    std::optional<ArchiveWalk> walk;
    if (!dm.roundsFileMissing()) {
        const qint64 total = archiveRowCount(dm);
        if (progress && !progress(0, total))
            return std::nullopt;
        walk.emplace(dm, check);
        auto next = readArchive(dm);
        ArchiveRow row;
        while (next(row)) {
            walk->check(row);
            archived.insert(row.download);
            if (progress && !progress(check.downloads, total))
                return std::nullopt;
        }
    }
    checkUnarchived(numbers, archived, walk ? &walk->rows() : nullptr, check);
    std::stable_sort(
        check.findings.begin(), check.findings.end(),
        [](const ArchiveFinding& a, const ArchiveFinding& b) { return a.download < b.download; });
    return check;
}

QString archiveCheckSummary(const ArchiveCheck& check) {
    QString summary;
    if (!check.clean())
        summary = QStringLiteral("Niezgodności w archiwum odczytów: %1").arg(check.findings.size());
    else if (check.downloads == 0)
        summary = QStringLiteral("Archiwum odczytów jest puste");
    else
        summary = QStringLiteral("Archiwum odczytów nienaruszone: %1, ostatni skrót: %2")
                      .arg(downloadsText(check.downloads), check.lastDigest);
    if (check.earlierDownloads > 0)
        summary += QStringLiteral("\nOdczyty sprzed archiwum: %1 (do nr %2)")
                       .arg(check.earlierDownloads)
                       .arg(check.lastEarlierDownload);
    return summary;
}

} // namespace ronvalo
