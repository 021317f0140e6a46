// The download archive's rows and their SHA-256 chain.
#include "core/store/archive.h"

#include <QCryptographicHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <memory>

#include "core/common/exception.h"
#include "core/store/archive_chain.h"
#include "core/store/archive_fields.h"
#include "core/store/data_module.h"
#include "core/store/reading_query.h"
#include "core/store/stored_dates.h"

namespace ronvalo {

using archive_fields::addField;

namespace {

const QString clockFormat = QStringLiteral("yyyy-MM-dd HH:mm");

// Names the layout in the digest itself, so that a later layout can never yield the digest of
// this one for other fields.
constexpr QByteArrayView layoutName = "Ronvalo archiwum 1";

// The stored texts are wall-clock times ("2004-04-26 08:15:00"), read as UTC, which has no hour
// that a change to summer time skips: read as local time, such a text would not read back, and
// its row's digest would not match.
QDateTime wallClockFromStored(const QString& text, const QString& timeFormat) {
    if (text.size() < 11 || text[10] != QLatin1Char(' '))
        return {};
    const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
    const QTime time = QTime::fromString(text.mid(11), timeFormat);
    return date.isValid() && time.isValid() ? QDateTime(date, time, Qt::UTC) : QDateTime();
}

} // namespace

QDateTime receivedFromStored(const QString& text) {
    return wallClockFromStored(text, QStringLiteral("HH:mm:ss"));
}

QDateTime instrumentClockFromStored(const QString& text) {
    return wallClockFromStored(text, QStringLiteral("HH:mm"));
}

QString storedReceived(const QDateTime& moment) {
    return storedDateTime(moment);
}

QString storedInstrumentClock(const QDateTime& moment) {
    return moment.toString(clockFormat);
}

QString archiveDigest(const ArchiveRow& row) {
    return chainDigest(downloadChainRow(row));
}

// The first layout: SHA-256 over seven fields, each written as addField() does (a four-byte
// big-endian length, then the bytes):
//   1. the layout's name, "Ronvalo archiwum 1" (ASCII)
//   2. Poprzedni: the previous row's digest as 64 lower-case hex digits; empty for the first row
//   3. Nrodczytu in decimal digits (ASCII), no sign, no leading zeros
//   4. NrCzytnika in UTF-8
//   5. Odebrano as "yyyy-MM-dd HH:mm:ss"
//   6. ZegarCzytnika as "yyyy-MM-dd HH:mm"; empty when the clock is unknown
//   7. Tresc, every byte as received
// Skrot is the digest as 64 lower-case hex digits. Values read from texts that do not read back
// to themselves (an unreadable clock writes as the empty text, as NULL does) are no longer
// covered: chainDigestMatches() accepts this layout only for texts that do.
QString firstLayoutDigest(const ArchiveRow& row) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    addField(hash, layoutName);
    addField(hash, row.previous.toLatin1());
    addField(hash, QByteArray::number(row.download));
    addField(hash, row.instrument.toUtf8());
    addField(hash, storedReceived(row.received).toLatin1());
    addField(hash, row.instrumentClock ? storedInstrumentClock(*row.instrumentClock).toLatin1()
                                       : QByteArray());
    addField(hash, row.transmission);
    return QString::fromLatin1(hash.result().toHex());
}

QString lastArchiveDigest(TDM3& dm) {
    return chainHead(dm).digest;
}

void appendArchiveRow(TDM3& dm, ArchiveRow row) {
    row.previous = lastArchiveDigest(dm);
    row.digest = archiveDigest(row);
    const QVariant clock = row.instrumentClock
                               ? QVariant(storedInstrumentClock(*row.instrumentClock))
                               : QVariant(QMetaType::fromType<QString>());
    runRoundsQuery(
        dm,
        QStringLiteral("INSERT INTO ob.Archiwum (Nrodczytu, NrCzytnika, Odebrano, ZegarCzytnika, "
                       "Tresc, Poprzedni, Skrot) VALUES (?, ?, ?, ?, ?, ?, ?)"),
        {row.download, row.instrument, storedReceived(row.received), clock, row.transmission,
         row.previous.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(row.previous),
         row.digest});
}

std::function<bool(ArchiveRow&)> readArchive(TDM3& dm) {
    auto reader = std::make_shared<ChainReader>(dm, false);
    return [reader](ArchiveRow& row) {
        ChainRow read;
        if (!reader->next(read))
            return false;
        row = archiveRowOf(read);
        return true;
    };
}

std::optional<qint64> clockDriftMinutes(const ArchiveRow& row) {
    if (!row.instrumentClock || !row.instrumentClock->isValid() || !row.received.isValid())
        return std::nullopt;
    return row.received.secsTo(*row.instrumentClock) / 60;
}

} // namespace ronvalo
