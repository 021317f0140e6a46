// The archive's beginning: its row's content, the downloads it pins, and recording it, as the
// module does when its tables open.
#include "core/store/archive_beginning.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSqlQuery>

#include "core/common/exception.h"
#include "core/store/archive_chain.h"
#include "core/store/archive_fields.h"
#include "core/store/data_module.h"
#include "core/store/download_punches.h"
#include "core/store/reading_query.h"

namespace ronvalo {

using archive_fields::addTaggedField;

// A beginning row's Tresc, UTF-8 text, each line ending in "\n":
//   Ronvalo poczatek 1
//   przyczyna: <why the archive begins here>
//   odczyty: <how many downloads it pins, in decimal>
//   ostatni: <the highest of their numbers; 0 for none>
//   odbicia: <SHA-256 over their punch rows, 64 lower-case hex digits>
// The punch rows' digest: SHA-256 over the rows of the pinned downloads, download by download
// in rising number, each download's rows by AutoNr; each row is its six fields as stored
// (AutoNr, Data, Czas, Nrwewpkt, Nrczyt, NrSczytania), each as addTaggedField() writes it.
QByteArray beginningContent(const ArchiveBeginning& beginning) {
    QString reason = beginning.reason;
    reason.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QStringLiteral("Ronvalo poczatek 1\nprzyczyna: %1\nodczyty: %2\nostatni: %3\n"
                          "odbicia: %4\n")
        .arg(reason)
        .arg(beginning.count)
        .arg(beginning.last)
        .arg(beginning.punchDigest)
        .toUtf8();
}

std::optional<ArchiveBeginning> beginningFromContent(const QByteArray& content) {
    const QStringList lines = QString::fromUtf8(content).split(QLatin1Char('\n'));
    if (lines.size() != 6 || lines[0] != QStringLiteral("Ronvalo poczatek 1") ||
        !lines[5].isEmpty())
        return std::nullopt;
    const auto value = [&](int line, const char* name) -> std::optional<QString> {
        const QString prefix = QString::fromLatin1(name) + QStringLiteral(": ");
        if (!lines[line].startsWith(prefix))
            return std::nullopt;
        return lines[line].mid(prefix.size());
    };
    const auto reason = value(1, "przyczyna");
    const auto count = value(2, "odczyty");
    const auto last = value(3, "ostatni");
    const auto punches = value(4, "odbicia");
    if (!reason || !count || !last || !punches)
        return std::nullopt;
    bool countOk = false;
    bool lastOk = false;
    ArchiveBeginning beginning{*reason, count->toLongLong(&countOk), last->toLongLong(&lastOk),
                               *punches};
    if (!countOk || !lastOk)
        return std::nullopt;
    return beginning;
}

ArchiveBeginning pinDownloads(TDM3& dm, const std::vector<qint32>& numbers) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    DownloadPunchRows rows(dm);
    for (const qint32 download : numbers)
        rows.read(download, [&](const QSqlQuery& row) {
            for (int i = 0; i < 6; ++i)
                addTaggedField(hash, storedField(row.value(i)));
        });
    ArchiveBeginning pinned;
    pinned.count = qint64(numbers.size());
    pinned.last = numbers.empty() ? 0 : numbers.back();
    pinned.punchDigest = QString::fromLatin1(hash.result().toHex());
    return pinned;
}

namespace {

bool hasBeginning(TDM3& dm) {
    return runRoundsQuery(dm,
                          QStringLiteral("SELECT 1 FROM ob.ArchiwumZmian WHERE Rodzaj = ? "
                                         "LIMIT 1"),
                          {beginningKind})
        .next();
}

// The downloads of the download table numbered below the first archived one, or all.
std::vector<qint32> downloadsBeforeArchive(TDM3& dm) {
    QSqlQuery first = runRoundsQuery(dm, QStringLiteral("SELECT MIN(Nrodczytu) FROM ob.Archiwum"));
    const QVariant bound = first.next() ? first.value(0) : QVariant();
    first = QSqlQuery();
    std::vector<qint32> numbers;
    for (const qint32 download : dm.downloads())
        if (bound.isNull() || download < bound.toLongLong())
            numbers.push_back(download);
    return numbers;
}

} // namespace

std::optional<ArchiveBeginning> recordArchiveBeginning(TDM3& dm, const QString& reason) {
    if (hasBeginning(dm))
        return std::nullopt;
    Transaction transaction(dm);
    lockChain(dm);
    // Again under the lock: another site may have recorded it meanwhile.
    if (hasBeginning(dm))
        return std::nullopt;
    const std::vector<qint32> numbers = downloadsBeforeArchive(dm);
    ArchiveBeginning beginning = pinDownloads(dm, numbers);
    beginning.reason = reason;
    appendChangeRow(dm, beginningKind, beginningContent(beginning), beginning.last);
    for (const QString& kind : {plansKind, namesKind})
        if (!archivedStateIsEmpty(dm, kind))
            appendChangeRow(dm, kind, archivedState(dm, kind));
    transaction.commit();
    return beginning;
}

// An installation this release meets for the first time (its Obchody.db without the table of the
// chain's changes, or made just now) gets the archive's beginning, which pins the downloads
// stored before it. So does one whose chain is empty, which the operator is told of where the
// tables hold downloads: a chain that lost its rows begins anew only in the open. A chain with
// rows but no beginning gets none: the check names that. A failure keeps no table from opening:
// the notice says why.
void TDM3::beginArchive() {
    const bool created = std::exchange(roundsCreated_, false);
    const bool tableAdded = std::exchange(changesTableAdded_, false);
    const QString shown = QDir::toNativeSeparators(roundsFilePath());
    try {
        if (!tableAdded && !chainHead(*this).digest.isEmpty())
            return;
        const bool stored = !downloads().isEmpty();
        const QString reason = !stored      ? QStringLiteral("nowa instalacja")
                               : tableAdded ? QStringLiteral("instalacja sprzed archiwum")
                               : created    ? QStringLiteral("plik %1 utworzono na nowo").arg(shown)
                                            : QStringLiteral("archiwum odczytów było puste");
        const auto begun = recordArchiveBeginning(*this, reason);
        if (!begun || !stored || tableAdded)
            return;
        archiveNotice_ =
            (created ? QStringLiteral("Plik %1 nie istniał, a tabele zawierają odczyty: utworzono "
                                      "go na nowo, pusty.")
                     : QStringLiteral("Archiwum odczytów w pliku %1 było puste, a tabele zawierają "
                                      "odczyty."))
                .arg(shown) +
            QStringLiteral(" Archiwum odczytów zaczyna się od nowa; odczyty zapisane wcześniej "
                           "(%1, do nr %2) nie mają w nim swoich wierszy.")
                .arg(begun->count)
                .arg(begun->last);
    } catch (const EDatabaseError& error) {
        archiveNotice_ =
            QStringLiteral("Nie można zapisać początku archiwum odczytów: %1").arg(error.message());
    }
}

} // namespace ronvalo
