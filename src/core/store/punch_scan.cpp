// A period's punches through SQLite's own interface: values taken as SQLite holds them, UTF-8
// text without translation, no value made into a QVariant but an odd one.
#include "core/store/punch_scan.h"

#include <QByteArray>
#include <QVariant>
#include <algorithm>
#include <limits>
#include <sqlite3.h>
#include <string_view>

#include "core/common/exception.h"
#include "core/store/stored_dates.h"

namespace ronvalo {

namespace punch_scan_detail {

void CloseConnection::operator()(sqlite3* connection) const {
    sqlite3_close_v2(connection);
}

void FinalizeStatement::operator()(sqlite3_stmt* statement) const {
    sqlite3_finalize(statement);
}

} // namespace punch_scan_detail

namespace {

// As long as the data module's connection waits for a writer's lock.
constexpr int busyTimeoutMs = 10000;

// The columns in the order the statement selects them.
enum Column { AutoNr, Data, Czas, Nrwewpkt, Nrczyt, NrSczytania };

QByteArray selectionOf(const PunchScanRows& rows) {
    QByteArray sql = "SELECT AutoNr, Data, Czas, Nrwewpkt, Nrczyt, NrSczytania FROM main.Odbicia";
    if (rows.walkTheFile)
        sql += " NOT INDEXED";
    sql += " WHERE Data >= ?1 AND Data <= ?2";
    if (rows.autoNrs)
        sql += " AND AutoNr >= ?3 AND AutoNr <= ?4";
    return sql;
}

// The value as the SQL driver hands it over: a number as SQLite holds it, text translated to
// UTF-16 by SQLite itself. Only odd values take this way, so they read as they always did.
QVariant driverValue(sqlite3_value* value) {
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        return qint64(sqlite3_value_int64(value));
    case SQLITE_FLOAT:
        return sqlite3_value_double(value);
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_value_blob(value)),
                          sqlite3_value_bytes(value));
    default:
        return QString(static_cast<const QChar*>(sqlite3_value_text16(value)),
                       sqlite3_value_bytes16(value) / qsizetype(sizeof(QChar)));
    }
}

// The value's text when it is text and all ASCII, the form the program stores: its bytes then
// are its characters.
std::optional<QLatin1String> asciiText(sqlite3_value* value) {
    if (sqlite3_value_type(value) != SQLITE_TEXT)
        return std::nullopt;
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    const int size = sqlite3_value_bytes(value);
    if (std::any_of(text, text + size, [](char c) { return static_cast<unsigned char>(c) > 0x7f; }))
        return std::nullopt;
    return QLatin1String(text, size);
}

QDate dateOf(sqlite3_value* value) {
    if (const auto text = asciiText(value))
        return dateFromStored(*text);
    return dateFromStored(driverValue(value).toString());
}

QTime timeOf(sqlite3_value* value) {
    if (const auto text = asciiText(value))
        return timeFromStored(*text);
    return timeFromStored(driverValue(value).toString());
}

qint64 int64Of(sqlite3_value* value) {
    if (sqlite3_value_type(value) == SQLITE_INTEGER)
        return sqlite3_value_int64(value);
    return driverValue(value).toLongLong();
}

qint32 intOf(sqlite3_value* value) {
    if (sqlite3_value_type(value) == SQLITE_INTEGER) {
        const qint64 number = sqlite3_value_int64(value);
        if (number >= std::numeric_limits<qint32>::min() &&
            number <= std::numeric_limits<qint32>::max())
            return qint32(number);
    }
    return driverValue(value).toInt();
}

// Binds the period's days and the AutoNr range to selectionOf(rows)'s parameters.
bool bindRows(sqlite3_stmt* statement, const PunchScanRows& rows) {
    const QByteArray from = storedDate(rows.from).toUtf8(), to = storedDate(rows.to).toUtf8();
    if (sqlite3_bind_text(statement, 1, from.constData(), int(from.size()), SQLITE_TRANSIENT) !=
            SQLITE_OK ||
        sqlite3_bind_text(statement, 2, to.constData(), int(to.size()), SQLITE_TRANSIENT) !=
            SQLITE_OK)
        return false;
    return !rows.autoNrs || (sqlite3_bind_int64(statement, 3, rows.autoNrs->first) == SQLITE_OK &&
                             sqlite3_bind_int64(statement, 4, rows.autoNrs->last) == SQLITE_OK);
}

} // namespace

PunchScan::PunchScan(const QString& file, const PunchScanRows& rows) : file_(file) {
    sqlite3* connection = nullptr;
    // NOMUTEX: the connection is this scan's alone, used on one thread, so no lock per call.
    const int opened = sqlite3_open_v2(file.toUtf8().constData(), &connection,
                                       SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    connection_.reset(connection); // closed even when the opening failed
    if (opened != SQLITE_OK)
        fail();
    sqlite3_busy_timeout(connection, busyTimeoutMs);
    const QByteArray sql = selectionOf(rows);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(connection, sql.constData(), int(sql.size()), &statement, nullptr) !=
        SQLITE_OK)
        fail();
    statement_.reset(statement);
    if (!bindRows(statement, rows))
        fail();
}

bool PunchScan::next(Punch& punch) {
    sqlite3_stmt* const statement = statement_.get();
    const int stepped = sqlite3_step(statement);
    if (stepped == SQLITE_DONE)
        return false;
    if (stepped != SQLITE_ROW)
        fail();
    // Each column's value taken once and read with sqlite3_value_*, rather than several
    // sqlite3_column_* calls per column, each checking the statement again. The value is an
    // unprotected one; on a NOMUTEX connection used by this thread alone that makes no difference.
    const auto column = [statement](int index) { return sqlite3_column_value(statement, index); };
    punch.AutoNr = int64Of(column(AutoNr));
    punch.Data = dateOf(column(Data));
    punch.Czas = timeOf(column(Czas));
    punch.Nrwewpkt = intOf(column(Nrwewpkt));
    punch.Nrczyt = instrumentOf(column(Nrczyt));
    punch.NrSczytania = intOf(column(NrSczytania));
    return true;
}

void PunchScan::fail() const {
    const char* message = connection_ ? sqlite3_errmsg(connection_.get()) : "out of memory";
    throw EDatabaseError(file_ + QStringLiteral(": ") + QString::fromUtf8(message));
}

QString PunchScan::instrumentOf(sqlite3_value* value) {
    const auto text = asciiText(value);
    if (!text) {
        lastInstrumentText_.reset();
        return driverValue(value).toString();
    }
    // Rows of one instrument mostly follow each other: the bytes compared, no text made.
    const std::string_view bytes(text->data(), std::size_t(text->size()));
    if (lastInstrumentText_ != bytes) {
        lastInstrumentText_ = bytes;
        lastInstrument_ = QString(*text);
    }
    return lastInstrument_;
}

} // namespace ronvalo
