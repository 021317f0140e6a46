// The chain over both archive tables: digests of the stored fields, reading in order a page at a
// time, appending after the last row, and the states of plans and names.
#include "core/store/archive_chain.h"

#include <QCryptographicHash>
#include <QSqlError>
#include <QSqlQuery>
#include <set>

#include "core/common/clock.h"
#include "core/common/exception.h"
#include "core/store/archive.h"
#include "core/store/archive_fields.h"
#include "core/store/data_module.h"
#include "core/store/reading_query.h"
#include "core/store/schema.h"
#include "core/store/stored_dates.h"

namespace ronvalo {

using archive_fields::addField;
using archive_fields::addTaggedField;

namespace {

// Rows of a page: few, as one row may hold a transmission of megabytes or the whole of the plans.
constexpr qint64 chainPageRows = 64;

// The layouts' names, first in every digest, so that no layout yields another's digest.
constexpr QByteArrayView downloadLayout = "Ronvalo archiwum 2";
constexpr QByteArrayView changeLayout = "Ronvalo archiwum 2 zmiana";

} // namespace

StoredField storedField(const QVariant& value) {
    if (value.isNull())
        return std::nullopt;
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray();
    return value.toString().toUtf8();
}

QString ChainRow::kind() const {
    return isDownload() ? QString() : QString::fromUtf8(fields.value(1).value_or(QByteArray()));
}

// The current layout: SHA-256 over
//   1. the layout's name as addField() writes it (a four-byte big-endian length, then the bytes):
//      "Ronvalo archiwum 2" for a row of Archiwum, "Ronvalo archiwum 2 zmiana" for one of
//      ArchiwumZmian (ASCII);
//   2. Poprzedni as addTaggedField() writes it: one byte 0 for NULL, or one byte 1, the length,
//      the bytes;
//   3. the row's five other fields as stored, each as addTaggedField() writes it, a text in
//      UTF-8, a number in decimal digits, a blob as it is:
//      Archiwum: Nrodczytu, NrCzytnika, Odebrano, ZegarCzytnika, Tresc;
//      ArchiwumZmian: Lp, Rodzaj, PoOdczycie, Zapisano, Tresc.
// Skrot is the digest as 64 lower-case hex digits. A NULL clock and any text, the empty one too,
// give different digests.
QString chainDigest(const ChainRow& row) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    addField(hash, row.isDownload() ? downloadLayout : changeLayout);
    addTaggedField(hash, row.previous);
    for (const StoredField& field : row.fields)
        addTaggedField(hash, field);
    return QString::fromLatin1(hash.result().toHex());
}

namespace {

// Whether a download row's stored fields are what the first layout wrote: every text reads
// back to itself, the clock NULL or a time. Only then does the first layout's digest, taken over
// values read from the texts, cover the stored bytes.
bool canonicalForFirstLayout(const ChainRow& row, const ArchiveRow& read) {
    if (row.fields.size() != 5 || !row.fields[0] || !row.fields[1] || !row.fields[2] ||
        !row.fields[4])
        return false;
    if (*row.fields[0] != QByteArray::number(read.download))
        return false;
    if (!read.received.isValid() || storedReceived(read.received).toUtf8() != *row.fields[2])
        return false;
    if (row.fields[3] && (!read.instrumentClock || !read.instrumentClock->isValid() ||
                          storedInstrumentClock(*read.instrumentClock).toUtf8() != *row.fields[3]))
        return false;
    // The first layout stored NULL before the first row, never an empty text.
    return !row.previous || !row.previous->isEmpty();
}

} // namespace

bool chainDigestMatches(const ChainRow& row) {
    if (chainDigest(row) == row.digest)
        return true;
    if (!row.isDownload())
        return false;
    ArchiveRow read = archiveRowOf(row);
    return canonicalForFirstLayout(row, read) && firstLayoutDigest(read) == row.digest;
}

ChainRow downloadChainRow(const ArchiveRow& row) {
    ChainRow chained;
    chained.place = row.download;
    chained.fields = {QByteArray::number(row.download), row.instrument.toUtf8(),
                      storedReceived(row.received).toUtf8(),
                      row.instrumentClock
                          ? StoredField(storedInstrumentClock(*row.instrumentClock).toUtf8())
                          : StoredField(),
                      row.transmission};
    if (!row.previous.isEmpty())
        chained.previous = row.previous.toLatin1();
    chained.digest = row.digest;
    return chained;
}

ArchiveRow archiveRowOf(const ChainRow& row) {
    const auto text = [&](int field) {
        return QString::fromUtf8(row.fields.value(field).value_or(QByteArray()));
    };
    ArchiveRow read;
    read.download = static_cast<qint32>(row.place);
    read.instrument = text(1);
    read.received = receivedFromStored(text(2));
    if (row.fields.value(3))
        read.instrumentClock = instrumentClockFromStored(text(3));
    read.transmission = row.content();
    read.previous = row.previousDigest();
    read.digest = row.digest;
    return read;
}

ChainHead chainHead(TDM3& dm) {
    ChainHead head;
    QSqlQuery last = runRoundsQuery(
        dm, QStringLiteral("SELECT Nrodczytu, Skrot FROM ob.Archiwum ORDER BY Nrodczytu DESC "
                           "LIMIT 1"));
    if (last.next())
        head = {last.value(0).toLongLong(), last.value(1).toString()};
    last = QSqlQuery();
    if (dm.roundsChangesMissing())
        return head;
    QSqlQuery change =
        runRoundsQuery(dm, QStringLiteral("SELECT PoOdczycie, Skrot FROM ob.ArchiwumZmian "
                                          "ORDER BY PoOdczycie DESC, Lp DESC LIMIT 1"));
    // At one place the download's row comes first, the changes after it.
    if (change.next() && (head.digest.isEmpty() || change.value(0).toLongLong() >= head.place))
        head = {change.value(0).toLongLong(), change.value(1).toString()};
    return head;
}

ChainReader::ChainReader(TDM3& dm, bool withChanges) : dm_(dm) {
    changes_.last = !withChanges || dm.roundsChangesMissing();
}

void ChainReader::readPage(Source& source) {
    const bool downloads = source.table == ChainTable::Downloads;
    QString sql = downloads ? QStringLiteral("SELECT Nrodczytu, NrCzytnika, Odebrano, "
                                             "ZegarCzytnika, Tresc, Poprzedni, Skrot "
                                             "FROM ob.Archiwum")
                            : QStringLiteral("SELECT Lp, Rodzaj, PoOdczycie, Zapisano, Tresc, "
                                             "Poprzedni, Skrot FROM ob.ArchiwumZmian");
    QVariantList values;
    if (source.from) {
        sql += downloads ? QStringLiteral(" WHERE Nrodczytu > ?")
                         : QStringLiteral(" WHERE PoOdczycie > ? OR (PoOdczycie = ? AND Lp > ?)");
        values << source.from->first;
        if (!downloads)
            values << source.from->first << source.from->second;
    }
    sql += (downloads ? QStringLiteral(" ORDER BY Nrodczytu")
                      : QStringLiteral(" ORDER BY "
                                       "PoOdczycie, Lp")) +
           QStringLiteral(" LIMIT %1").arg(chainPageRows);
    QSqlQuery query = runRoundsQuery(dm_, sql, values);
    source.page.clear();
    source.next = 0;
    while (query.next()) {
        ChainRow row;
        row.table = source.table;
        for (int i = 0; i < 5; ++i)
            row.fields << storedField(query.value(i));
        row.place = query.value(downloads ? 0 : 2).toLongLong();
        row.lp = downloads ? 0 : query.value(0).toLongLong();
        row.previous = storedField(query.value(5));
        row.digest = query.value(6).toString();
        source.from = {row.place, row.lp};
        source.page.push_back(std::move(row));
    }
    if (query.lastError().isValid())
        throw EDatabaseError(dm_.roundsFilePath() + QStringLiteral(": ") +
                             query.lastError().text());
    source.last = qint64(source.page.size()) < chainPageRows;
}

bool ChainReader::peek(Source& source) {
    if (source.next < source.page.size())
        return true;
    if (source.last)
        return false;
    readPage(source);
    return source.next < source.page.size();
}

bool ChainReader::next(ChainRow& row) {
    const bool download = peek(downloads_);
    const bool change = peek(changes_);
    if (!download && !change)
        return false;
    Source* from = &downloads_;
    if (!download ||
        (change && changes_.page[changes_.next].place < downloads_.page[downloads_.next].place))
        from = &changes_;
    row = std::move(from->page[from->next++]);
    return true;
}

QString appendChangeRow(TDM3& dm, const QString& kind, const QByteArray& content,
                        qint64 placeAtLeast) {
    const ChainHead head = chainHead(dm);
    QSqlQuery highest = runRoundsQuery(dm, QStringLiteral("SELECT MAX(Lp) FROM ob.ArchiwumZmian"));
    const qint64 lp = (highest.next() ? highest.value(0).toLongLong() : 0) + 1;
    highest = QSqlQuery();
    ChainRow row;
    row.table = ChainTable::Changes;
    row.place = std::max(head.place, placeAtLeast);
    row.lp = lp;
    const QString saved = storedDateTime(Clock::now());
    row.fields = {QByteArray::number(lp), kind.toUtf8(), QByteArray::number(row.place),
                  saved.toUtf8(), content};
    if (!head.digest.isEmpty())
        row.previous = head.digest.toLatin1();
    row.digest = chainDigest(row);
    runRoundsQuery(
        dm,
        QStringLiteral("INSERT INTO ob.ArchiwumZmian (Lp, Rodzaj, PoOdczycie, "
                       "Zapisano, Tresc, Poprzedni, Skrot) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?)"),
        {lp, kind, row.place, saved, content,
         head.digest.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(head.digest),
         row.digest});
    return row.digest;
}

namespace {

// The tables of a state row, each with the columns that order its rows.
struct StateTable {
    const char* name;
    const char* order;
};

QList<StateTable> stateTables(const QString& kind) {
    if (kind == plansKind)
        return {{"Plany", "IdPlanu"}, {"KrokiPlanu", "IdPlanu, Lp"}};
    return {{"Punkty", "Nrwewpkt"}, {"CzytnikiOpis", "NrCzytnika"}};
}

QStringList columnsOf(const QString& table) {
    for (const TableSchema& schema : roundsSchema().tables)
        if (schema.tableName == table) {
            QStringList columns;
            for (const QString& field : schema.fields)
                columns << (field == QStringLiteral("Do") ? QStringLiteral("\"Do\"") : field);
            return columns;
        }
    return {};
}

} // namespace

// The state of plans or names, as a change row's Tresc holds it:
//   1. "Ronvalo stan 1" (ASCII) and the kind ("plany" or "nazwy"), each as addField() writes it
//      (a four-byte big-endian length, then the bytes);
//   2. for each table ("plany": Plany by IdPlanu, then KrokiPlanu by IdPlanu and Lp; "nazwy":
//      Punkty by Nrwewpkt, then CzytnikiOpis by NrCzytnika, texts compared byte by byte): its
//      name as addField() writes it; for each row the byte 'R' and then its fields in the
//      table's order, each as addTaggedField() writes it (one byte 0 for NULL, or one byte 1,
//      the length, the bytes: a text in UTF-8, a number in decimal digits); then the byte 'E'.
QByteArray archivedState(TDM3& dm, const QString& kind) {
    QByteArray state;
    addField(state, QByteArrayView("Ronvalo stan 1"));
    addField(state, kind.toUtf8());
    for (const StateTable& table : stateTables(kind)) {
        const QString name = QString::fromLatin1(table.name);
        const QStringList columns = columnsOf(name);
        addField(state, QByteArray(table.name));
        QSqlQuery rows = runRoundsQuery(dm, QStringLiteral("SELECT %1 FROM ob.%2 ORDER BY %3")
                                                .arg(columns.join(QStringLiteral(", ")), name,
                                                     QString::fromLatin1(table.order)));
        while (rows.next()) {
            state.append('R');
            for (int i = 0; i < columns.size(); ++i)
                addTaggedField(state, storedField(rows.value(i)));
        }
        if (rows.lastError().isValid())
            throw EDatabaseError(dm.roundsFilePath() + QStringLiteral(": ") +
                                 rows.lastError().text());
        state.append('E');
    }
    return state;
}

void lockChain(TDM3& dm) {
    if (dm.onServer())
        dm.lockImports();
}

void appendStateRow(TDM3& dm, const QString& kind) {
    appendChangeRow(dm, kind, archivedState(dm, kind));
}

bool archivedStateIsEmpty(TDM3& dm, const QString& kind) {
    for (const StateTable& table : stateTables(kind))
        if (runRoundsQuery(
                dm,
                QStringLiteral("SELECT 1 FROM ob.%1 LIMIT 1").arg(QString::fromLatin1(table.name)))
                .next())
            return false;
    return true;
}

} // namespace ronvalo
