// Checking the download archive against the tables: the chain row by row, each archived
// transmission read again and compared with its download's rows, then what the chain pins
// besides (the downloads before it, the plans and names) and the rows it cannot account for.
#include "core/proof/archive_check.h"

#include <algorithm>
#include <optional>
#include <set>
#include <variant>

#include "core/common/exception.h"
#include "core/proof/archive_punches.h"
#include "core/proof/archived_transmission.h"
#include "core/proof/table_findings.h"
#include "core/store/archive.h"
#include "core/store/archive_beginning.h"
#include "core/store/archive_chain.h"
#include "core/store/archive_tables.h"
#include "core/store/data_module.h"
#include "core/store/download_punches.h"

namespace ronvalo {

namespace {

// Within a large download the progress is told every this many rows, so that the window answers.
constexpr qint64 rowsBetweenProgress = 4096;

// Raised by a progress that said stop, and caught by checkArchive().
struct Stopped {};

// The punch rows of one download by AutoNr (the order they arrived in).
class DownloadRows {
public:
    DownloadRows(TDM3& dm, std::function<void()> tick) : rows_(dm), tick_(std::move(tick)) {}

    QList<ArchivedPunch> of(qint32 download) {
        QList<ArchivedPunch> rows;
        rows_.readPunches(download, [&](ArchivedPunch punch) {
            rows.append(std::move(punch));
            if (rows.size() % rowsBetweenProgress == 0)
                tick_();
        });
        return rows;
    }

private:
    DownloadPunchRows rows_;
    std::function<void()> tick_;
};

// How a row of the chain is named in a finding.
QString chainRowName(const ChainRow& row) {
    if (row.isDownload())
        return QStringLiteral("odczyt nr %1").arg(row.place);
    return QStringLiteral("zmiana nr %1 (%2)").arg(row.lp).arg(row.kind());
}

// The walk along the chain, one row after the other.
class ChainWalk {
public:
    ChainWalk(TDM3& dm, ArchiveCheck& check, const QString& pinned, std::function<void()> tick)
        : rows_(dm, std::move(tick)), check_(check), pinned_(pinned) {}

    void check(const ChainRow& row) {
        const qsizetype before = check_.findings.size();
        const bool matches = chainDigestMatches(row);
        if (!matches)
            add(row, ArchiveFindingKind::DigestMismatch,
                QStringLiteral("skrót wiersza archiwum nie zgadza się z jego treścią"));
        checkLink(row);
        if (!pinned_.isEmpty())
            trackPin(row, matches, before);
        if (row.isDownload()) {
            checkDownload(row);
            archived_.insert(static_cast<qint32>(row.place));
            ++check_.downloads;
        } else {
            noteChange(row);
        }
        previousName_ = chainRowName(row);
        check_.lastDigest = row.digest;
    }

    // Why the chain does not hold the pinned digest or does not check from it on.
    QString pinProblem() const {
        if (pinned_.isEmpty() || !pinProblem_.isEmpty())
            return pinProblem_;
        if (pinnedSeen_)
            return {};
        if (pinnedNext_)
            return QStringLiteral("Skrót %1: jego wiersz usunięto z łańcucha archiwum (wiersz "
                                  "po nim: %2)")
                .arg(pinned_, *pinnedNext_);
        return QStringLiteral("Skrót %1 nie występuje w łańcuchu archiwum: usunięto wiersze od "
                              "niego do końca albo łańcuch przepisano")
            .arg(pinned_);
    }

    const std::set<qint32>& archived() const { return archived_; }
    const std::optional<ChainRow>& beginning() const { return beginning_; }
    const std::optional<QByteArray>& lastState(const QString& kind) const {
        return kind == plansKind ? plans_ : names_;
    }
    DownloadRows& rows() { return rows_; }

private:
    // Poprzedni holds the digest of the row before; the first row has none, so one that has
    // one stood behind rows since removed.
    void checkLink(const ChainRow& row) {
        if (row.previousDigest() == check_.lastDigest)
            return;
        add(row, ArchiveFindingKind::ChainBroken,
            previousName_ ? QStringLiteral("łańcuch archiwum przerwany (poprzedni skrót nie jest "
                                           "skrótem wiersza: %1)")
                                .arg(*previousName_)
                          : QStringLiteral("łańcuch archiwum przerwany (usunięto wiersze archiwum "
                                           "przed tym wierszem)"));
    }

    // The pinned digest's row, and whether the chain checks from it on: the first digest or link
    // finding (from `before` on) after it names why not.
    void trackPin(const ChainRow& row, bool matches, qsizetype before) {
        if (pinnedSeen_ && pinProblem_.isEmpty() && check_.findings.size() > before)
            pinProblem_ = afterPinProblem(row, check_.findings[before].kind);
        if (row.digest == pinned_ && !matches && pinProblem_.isEmpty())
            pinProblem_ = QStringLiteral("Skrót %1: jego wiersz (%2) zmieniono")
                              .arg(pinned_, chainRowName(row));
        if (row.previousDigest() == pinned_ && !pinnedSeen_)
            pinnedNext_ = chainRowName(row);
        if (row.digest == pinned_)
            pinnedSeen_ = true;
    }

    QString afterPinProblem(const ChainRow& row, ArchiveFindingKind kind) const {
        return kind == ArchiveFindingKind::ChainBroken
                   ? QStringLiteral("Skrót %1: po nim usunięto lub przestawiono wiersze łańcucha "
                                    "archiwum (przed wierszem: %2)")
                         .arg(pinned_, chainRowName(row))
                   : QStringLiteral("Skrót %1: łańcuch archiwum po nim przepisano (zmieniony "
                                    "wiersz: %2)")
                         .arg(pinned_, chainRowName(row));
    }

    void checkDownload(const ChainRow& row) {
        const qint32 download = static_cast<qint32>(row.place);
        const auto transmission = readTransmission(row.content());
        if (const int* line = std::get_if<int>(&transmission)) {
            add(row, ArchiveFindingKind::Unreadable,
                QStringLiteral("zapisanej transmisji nie da się odczytać (linia %1)")
                    .arg(*line + 1));
            return;
        }
        const Transmission& read = std::get<Transmission>(transmission);
        check_.findings << comparePunches(download, read.instrument, read.punches,
                                          rows_.of(download));
    }

    void noteChange(const ChainRow& row) {
        const QString kind = row.kind();
        if (kind == beginningKind) {
            if (beginning_)
                add(row, ArchiveFindingKind::BeginningChanged,
                    QStringLiteral("drugi początek archiwum (pierwszy: zmiana nr %1)")
                        .arg(beginning_->lp));
            else
                beginning_ = row;
        } else if (kind == plansKind) {
            plans_ = row.content();
        } else if (kind == namesKind) {
            names_ = row.content();
        } else {
            add(row, ArchiveFindingKind::DigestMismatch,
                QStringLiteral("nieznany rodzaj wiersza archiwum"));
        }
    }

    void add(const ChainRow& row, ArchiveFindingKind kind, const QString& what) {
        if (row.isDownload())
            check_.findings << archiveFinding(
                kind, static_cast<qint32>(row.place),
                QString::fromUtf8(row.fields.value(1).value_or(QByteArray())), what);
        else
            check_.findings << ArchiveFinding{
                kind, 0, QString(),
                QStringLiteral("Zmiana nr %1 (%2): %3").arg(row.lp).arg(row.kind(), what)};
    }

    DownloadRows rows_;
    ArchiveCheck& check_;
    QString pinned_;
    bool pinnedSeen_ = false;
    std::optional<QString> pinnedNext_;
    QString pinProblem_;
    std::optional<QString> previousName_;
    std::set<qint32> archived_;
    std::optional<ChainRow> beginning_;
    std::optional<QByteArray> plans_;
    std::optional<QByteArray> names_;
};

ArchiveFinding plainFinding(ArchiveFindingKind kind, const QString& text, qint32 download = 0) {
    return {kind, download, QString(), text, 0};
}

// The downloads the beginning pins: their count, last number and punch rows as pinned. Returns
// the last number pinned.
qint32 checkBeginning(TDM3& dm, const ChainRow& row, const std::set<qint32>& archived,
                      const QList<qint32>& downloads, ArchiveCheck& check) {
    const auto pinned = beginningFromContent(row.content());
    if (!pinned) {
        check.findings << plainFinding(ArchiveFindingKind::BeginningChanged,
                                       QStringLiteral("Początek archiwum jest nieczytelny"));
        return 0;
    }
    std::vector<qint32> numbers;
    for (const qint32 download : downloads)
        if (download <= pinned->last && !archived.contains(download))
            numbers.push_back(download);
    const ArchiveBeginning now = pinDownloads(dm, numbers);
    if (now.count != pinned->count || now.last != pinned->last ||
        now.punchDigest != pinned->punchDigest)
        check.findings << plainFinding(
            ArchiveFindingKind::BeginningChanged,
            QStringLiteral("Odczyty sprzed archiwum zmieniono: początek archiwum przypiął %1 "
                           "(do nr %2), tabele mają %3 (do nr %4)%5")
                .arg(pinned->count)
                .arg(pinned->last)
                .arg(now.count)
                .arg(now.last)
                .arg(now.punchDigest != pinned->punchDigest ? QStringLiteral(", odbicia inne")
                                                            : QString()));
    check.hasBeginning = true;
    check.earlierDownloads = pinned->count;
    check.lastEarlierDownload = static_cast<qint32>(pinned->last);
    return static_cast<qint32>(pinned->last);
}

// Downloads of the download table without an archive row: pinned by the beginning, or (without
// one) numbered before the first archived one, they are from before the archive; any other has
// lost its row. And archived downloads the download table no longer holds.
void checkUnarchived(const QList<qint32>& downloads, const std::set<qint32>& archived,
                     std::optional<qint32> lastPinned, ArchiveCheck& check) {
    for (const qint32 download : downloads) {
        if (archived.contains(download))
            continue;
        if (lastPinned ? download <= *lastPinned
                       : archived.empty() || download < *archived.begin()) {
            if (!lastPinned) {
                ++check.earlierDownloads;
                check.lastEarlierDownload = download;
            }
            continue;
        }
        check.findings << archiveFinding(ArchiveFindingKind::ArchiveRowMissing, download, QString(),
                                         QStringLiteral("brak wiersza archiwum"));
    }
    const std::set<qint32> listed(downloads.begin(), downloads.end());
    for (const qint32 download : archived)
        if (!listed.contains(download))
            check.findings << archiveFinding(ArchiveFindingKind::DownloadRowMissing, download,
                                             QString(),
                                             QStringLiteral("brak wiersza w tabeli odczytów"));
}

void checkStates(TDM3& dm, const ChainWalk& walk, ArchiveCheck& check) {
    for (const QString& kind : {plansKind, namesKind}) {
        const auto& archived = walk.lastState(kind);
        const bool same =
            archived ? *archived == archivedState(dm, kind) : archivedStateIsEmpty(dm, kind);
        if (!same)
            check.findings << plainFinding(
                ArchiveFindingKind::StateChanged,
                kind == plansKind
                    ? QStringLiteral("Plany obchodów zmieniono poza programem: nie są tymi, "
                                     "które zapisano ostatnio w archiwum")
                    : QStringLiteral("Nazwy punktów lub opisy czytników zmieniono poza "
                                     "programem: nie są tymi, które zapisano ostatnio w "
                                     "archiwum"));
    }
}

// Without Obchody.db (read-only) there is no archive at all: a finding where downloads exist.
ArchiveCheck checkWithoutRoundsFile(TDM3& dm) {
    ArchiveCheck check;
    const QList<qint32> downloads = dm.downloads();
    if (downloads.isEmpty())
        return check;
    check.earlierDownloads = downloads.size();
    check.lastEarlierDownload = downloads.last();
    check.findings << plainFinding(ArchiveFindingKind::NoArchive,
                                   QStringLiteral("Brak pliku %1, a tabele zawierają odczyty: "
                                                  "archiwum odczytów nie istnieje")
                                       .arg(dm.roundsFilePath()));
    return check;
}

ArchiveCheck walkAndCheck(TDM3& dm, const ArchiveProgress& progress, const QString& pinned) {
    ArchiveCheck check;
    const qint64 total = chainRowCount(dm);
    qint64 done = 0;
    const auto tell = [&] {
        if (progress && !progress(done, total))
            throw Stopped{};
    };
    tell();
    ChainWalk walk(dm, check, pinned.toLower(), tell);
    ChainReader reader(dm, true);
    ChainRow row;
    while (reader.next(row)) {
        walk.check(row);
        ++done;
        tell();
    }
    check.pinProblem = walk.pinProblem();
    const QList<qint32> downloads = dm.downloads();
    std::optional<qint32> lastPinned;
    if (walk.beginning())
        lastPinned = checkBeginning(dm, *walk.beginning(), walk.archived(), downloads, check);
    else if (!downloads.isEmpty())
        check.findings << plainFinding(
            ArchiveFindingKind::NoArchive,
            walk.archived().empty()
                ? QStringLiteral("Archiwum odczytów jest puste, a tabele zawierają odczyty")
                : QStringLiteral("Archiwum odczytów nie ma początku, który przypina odczyty "
                                 "sprzed niego"));
    checkUnarchived(downloads, walk.archived(), lastPinned, check);
    checkStates(dm, walk, check);
    check.findings << punchesWithoutDownload(dm) << removedDownloads(dm, downloads);
    return check;
}

} // namespace

std::optional<ArchiveCheck> checkArchive(TDM3& dm, const ArchiveProgress& progress,
                                         const QString& pinnedDigest) {
    // One reading: an import that commits meanwhile is seen whole or not at all.
    Transaction reading(dm);
    ArchiveCheck check;
    try {
        check = dm.roundsFileMissing() ? checkWithoutRoundsFile(dm)
                                       : walkAndCheck(dm, progress, pinnedDigest);
    } catch (const Stopped&) {
        return std::nullopt;
    }
    if (dm.roundsFileMissing() && !pinnedDigest.isEmpty())
        check.pinProblem = QStringLiteral("Skrót %1 nie występuje w łańcuchu archiwum: brak "
                                          "archiwum")
                               .arg(pinnedDigest);
    std::stable_sort(
        check.findings.begin(), check.findings.end(),
        [](const ArchiveFinding& a, const ArchiveFinding& b) { return a.download < b.download; });
    return check;
}

QString archiveCheckSummary(const ArchiveCheck& check) {
    QString summary;
    if (!check.findings.isEmpty())
        summary = QStringLiteral("Niezgodności w archiwum odczytów: %1").arg(check.findings.size());
    else if (!check.pinProblem.isEmpty())
        summary = QStringLiteral("Łańcuch archiwum odczytów nie potwierdza podanego skrótu");
    else if (check.downloads == 0)
        summary = QStringLiteral("Archiwum odczytów jest puste");
    else
        summary = QStringLiteral("Archiwum odczytów nienaruszone: %1, ostatni skrót: %2")
                      .arg(countedText(check.downloads, "odczyt", "odczyty", "odczytów"),
                           check.lastDigest);
    if (!check.pinProblem.isEmpty())
        summary += QLatin1Char('\n') + check.pinProblem;
    if (check.earlierDownloads > 0)
        summary += QStringLiteral("\nOdczyty sprzed archiwum: %1 (do nr %2)")
                       .arg(check.earlierDownloads)
                       .arg(check.lastEarlierDownload);
    return summary;
}

ArchiveSeal archiveSeal(const ArchiveCheck& check) {
    return {true, check.findings.size() + (check.pinProblem.isEmpty() ? 0 : 1), check.lastDigest,
            check.lastEarlierDownload};
}

QString archiveFooterNote(const ArchiveSeal& seal) {
    if (!seal.checked)
        return {};
    if (seal.findings > 0)
        return QStringLiteral("Archiwum NIE jest nienaruszone (niezgodności: %1): wydruk nie "
                              "jest dowodem")
            .arg(seal.findings);
    if (seal.lastDigest.isEmpty())
        return {};
    return QStringLiteral("Archiwum od odczytu nr %1: %2")
        .arg(seal.lastEarlierDownload + 1)
        .arg(seal.lastDigest);
}

} // namespace ronvalo
