// Checking an evidence file: each record as it is read, then what needs every record (the links
// to rows further on, the header's claims).
#include "core/proof/evidence_check.h"

#include <QSet>
#include <algorithm>
#include <map>
#include <variant>
#include <vector>

#include "core/proof/archived_transmission.h"
#include "core/proof/table_findings.h"
#include "core/store/archive.h"

namespace ronvalo {

namespace {

// Cut as the punch rows carry it, which is what a transmission read again yields.
constexpr qsizetype punchInstrumentWidth = 10;

QString textOf(const StoredField& field) {
    return QString::fromUtf8(field.value_or(QByteArray()));
}

class EvidenceWalk {
public:
    explicit EvidenceWalk(EvidenceCheck& check) : check_(check) {
        if (check.header.instruments)
            instruments_ =
                QSet<QString>(check.header.instruments->begin(), check.header.instruments->end());
    }

    void check(const EvidenceRecord& record) {
        const ChainRow& row = record.row;
        checkOrder(record);
        if (!chainDigestMatches(row))
            add(EvidenceFindingKind::DigestMismatch, row.place,
                QStringLiteral("skrót wiersza archiwum nie zgadza się z jego treścią"));
        checkStart(record);
        checkTransmission(row);
        checkCover(row);
        seen_.emplace(row.place, row.digest);
        lastPlace_ = row.place;
        lastNumber_ = record.number;
        ++check_.downloads;
    }

    void finish(qint64 closingCount) {
        checkNumbers();
        checkLinks();
        if (closingCount != check_.downloads)
            add(EvidenceFindingKind::ClaimDiffers, 0,
                QStringLiteral("Ostatni wiersz pliku podaje %1, a plik zawiera %2")
                    .arg(countedText(closingCount, "odczyt", "odczyty", "odczytów"),
                         countedText(check_.downloads, "odczyt", "odczyty", "odczytów")));
        checkLastRow();
    }

private:
    // Downloads stand in the file in the chain's order, by their numbers, and the records are
    // numbered 1, 2, ... in that order: one finding for a record out of either order.
    void checkOrder(const EvidenceRecord& record) {
        const qint64 place = record.row.place;
        numbers_.emplace(record.number, place);
        if (check_.downloads == 0)
            return;
        if (place == lastPlace_)
            add(EvidenceFindingKind::OutOfOrder, place, QStringLiteral("stoi w pliku dwa razy"));
        else if (place < lastPlace_)
            add(EvidenceFindingKind::OutOfOrder, place,
                QStringLiteral("stoi w pliku po odczycie nr %1, nie w kolejności łańcucha")
                    .arg(lastPlace_));
        else if (record.number <= lastNumber_)
            add(EvidenceFindingKind::OutOfOrder, place,
                QStringLiteral("rekord nr %1 stoi w pliku po rekordzie nr %2")
                    .arg(record.number)
                    .arg(lastNumber_));
    }

    // Numbers of records that the file skips: where records were taken out. Named at the
    // record after the gap.
    void checkNumbers() {
        qint64 expected = 1;
        for (const auto& [number, place] : numbers_) {
            if (number > expected)
                add(EvidenceFindingKind::RecordMissing, place,
                    number == expected + 1
                        ? QStringLiteral("przed nim w pliku brak rekordu nr %1").arg(expected)
                        : QStringLiteral("przed nim w pliku brak rekordów nr %1–%2")
                              .arg(expected)
                              .arg(number - 1));
            expected = number + 1;
        }
    }

    // The chain's row before this one: none, and Poprzedni must be empty; a row, and Poprzedni
    // must be its digest (checked once every record is read, as a moved row may come later).
    void checkStart(const EvidenceRecord& record) {
        const ChainRow& row = record.row;
        if (!record.previousRow) {
            if (row.previous)
                add(EvidenceFindingKind::ChainBroken, row.place,
                    QStringLiteral("łańcuch archiwum przerwany (usunięto wiersze archiwum przed "
                                   "tym wierszem)"));
            return;
        }
        const bool download = record.previousRow->table == ChainTable::Downloads;
        if (download && record.previousRow->number >= row.place)
            add(EvidenceFindingKind::ChainBroken, row.place,
                QStringLiteral("poprzedni wiersz łańcucha podany jako późniejszy odczyt nr %1")
                    .arg(record.previousRow->number));
        else if (!row.previous)
            add(EvidenceFindingKind::ChainBroken, row.place,
                QStringLiteral("brak poprzedniego skrótu, choć łańcuch ma wiersz przed nim"));
        else if (download)
            links_.push_back({row.place, record.previousRow->number, row.previousDigest()});
    }

    void checkLinks() {
        for (const Link& link : links_) {
            const auto before = seen_.find(link.before);
            if (before != seen_.end() && before->second != link.previousDigest)
                add(EvidenceFindingKind::ChainBroken, link.download,
                    QStringLiteral("łańcuch archiwum przerwany (poprzedni skrót nie jest skrótem "
                                   "wiersza: odczyt nr %1)")
                        .arg(link.before));
        }
    }

    void checkTransmission(const ChainRow& row) {
        const auto read = readTransmission(row.content());
        if (const int* line = std::get_if<int>(&read)) {
            add(EvidenceFindingKind::Unreadable, row.place,
                QStringLiteral("zapisanej transmisji nie da się odczytać (linia %1)")
                    .arg(*line + 1));
            return;
        }
        const QString instrument = std::get<Transmission>(read).instrument;
        const QString archived = textOf(row.fields.value(1));
        if (instrument != archived.left(punchInstrumentWidth))
            add(EvidenceFindingKind::InstrumentDiffers, row.place,
                QStringLiteral("transmisja jest z czytnika %1, a wiersz archiwum podaje %2")
                    .arg(instrument, archived));
    }

    void checkCover(const ChainRow& row) {
        const EvidenceHeader& header = check_.header;
        const QDateTime received = receivedFromStored(textOf(row.fields.value(2)));
        if (received.isValid() && (received.date() < header.from || received.date() > header.to))
            add(EvidenceFindingKind::OutsideCover, row.place,
                QStringLiteral("odebrany %1, poza okresem dowodu").arg(storedReceived(received)));
        const QString instrument = textOf(row.fields.value(1));
        if (header.instruments && !instruments_.contains(instrument))
            add(EvidenceFindingKind::OutsideCover, row.place,
                QStringLiteral("czytnik %1 nie jest czytnikiem dowodu").arg(instrument));
    }

    // The chain's last row when the file was made: its digest, and no download after it.
    void checkLastRow() {
        const EvidenceHeader& header = check_.header;
        if (!header.lastRow) {
            if (check_.downloads > 0 || !header.lastDigest.isEmpty())
                add(EvidenceFindingKind::ClaimDiffers, 0,
                    QStringLiteral("Nagłówek podaje puste archiwum, a plik zawiera jego wiersze"));
            return;
        }
        if (header.lastRow->table != ChainTable::Downloads)
            return;
        const qint64 last = header.lastRow->number;
        const auto row = seen_.find(last);
        if (row != seen_.end() && row->second != header.lastDigest)
            add(EvidenceFindingKind::ClaimDiffers, last,
                QStringLiteral("nagłówek podaje ostatni skrót archiwum %1, a skrót tego wiersza "
                               "to %2")
                    .arg(header.lastDigest, row->second));
        for (auto later = seen_.upper_bound(last); later != seen_.end(); ++later)
            add(EvidenceFindingKind::ClaimDiffers, later->first,
                QStringLiteral("późniejszy niż ostatni wiersz archiwum w chwili utworzenia pliku "
                               "(odczyt nr %1)")
                    .arg(last));
    }

    void add(EvidenceFindingKind kind, qint64 download, const QString& what) {
        check_.findings << EvidenceFinding{
            kind, download,
            download > 0 ? QStringLiteral("Odczyt nr %1: %2").arg(download).arg(what) : what};
    }

    struct Link {
        qint64 download;
        qint64 before;
        QString previousDigest;
    };

    EvidenceCheck& check_;
    QSet<QString> instruments_;      // the header's, when it lists them
    std::map<qint64, QString> seen_; // the digest of each download read, by its number
    std::vector<Link> links_;
    std::map<qint64, qint64> numbers_; // each record's number in the file, and its download
    qint64 lastPlace_ = 0;
    qint64 lastNumber_ = 0;
};

} // namespace

EvidenceCheck checkEvidence(QIODevice& in) {
    EvidenceReader reader(in);
    EvidenceCheck check;
    check.header = reader.header();
    EvidenceWalk walk(check);
    EvidenceRecord record;
    while (reader.next(record))
        walk.check(record);
    walk.finish(reader.closingCount());
    std::stable_sort(
        check.findings.begin(), check.findings.end(),
        [](const EvidenceFinding& a, const EvidenceFinding& b) { return a.download < b.download; });
    return check;
}

QString evidenceCheckSummary(const EvidenceCheck& check) {
    if (!check.clean())
        return QStringLiteral("Niezgodności w dowodzie odczytów: %1").arg(check.findings.size());
    const EvidenceHeader& header = check.header;
    const QString period =
        QStringLiteral("z okresu od %1 do %2")
            .arg(header.from.toString(Qt::ISODate), header.to.toString(Qt::ISODate));
    const QString digest = header.lastDigest.isEmpty()
                               ? QStringLiteral("archiwum było puste")
                               : QStringLiteral("ostatni skrót archiwum: ") + header.lastDigest;
    if (check.downloads == 0)
        return QStringLiteral("Dowód odczytów nie zawiera odczytów %1, %2").arg(period, digest);
    return QStringLiteral("Dowód odczytów nienaruszony: %1 %2, %3")
        .arg(countedText(check.downloads, "odczyt", "odczyty", "odczytów"), period, digest);
}

QString evidenceCoverLine(const EvidenceHeader& header) {
    QString instruments = QStringLiteral("wszystkie");
    if (header.instruments)
        instruments = header.instruments->isEmpty()
                          ? QStringLiteral("żaden")
                          : header.instruments->join(QStringLiteral(", "));
    return QStringLiteral("Instalacja: %1, czytniki: %2, utworzono %3")
        .arg(header.installation, instruments, header.made);
}

} // namespace ronvalo
