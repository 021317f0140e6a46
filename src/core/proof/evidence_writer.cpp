// Writing the evidence file: its header, one record per download, the closing count.
#include "core/proof/evidence_writer.h"

#include <QIODevice>

#include "core/common/clock.h"
#include "core/common/exception.h"
#include "core/proof/evidence_format.h"
#include "core/store/archive_period.h"
#include "core/store/data_module.h"
#include "core/store/stored_dates.h"
#include "core/store/tables_source.h"

namespace ronvalo {

using namespace evidence;

namespace {

void addText(QByteArray& text, QByteArrayView key, const QString& value) {
    addLine(text, key, encodeValue(value.toUtf8()));
}

void put(QIODevice& out, const QByteArray& text) {
    if (out.write(text) != text.size())
        throw EWriteError(
            QStringLiteral("Nie można zapisać pliku dowodu odczytów: %1").arg(out.errorString()));
}

QByteArray header(TDM3& dm, QDate from, QDate to, const std::optional<QStringList>& instruments,
                  const std::optional<ChainLink>& last) {
    QByteArray text = fileName.toByteArray() + ' ' + QByteArray::number(layoutVersion) + '\n';
    addText(text, installationKey, tablesSource(dm));
    addText(text, fromKey, storedDate(from));
    addText(text, toKey, storedDate(to));
    addLine(text, instrumentsKey, instruments ? chosenInstruments : everyInstrument);
    if (instruments)
        for (const QString& instrument : *instruments)
            addText(text, instrumentKey, instrument);
    addText(text, madeKey, storedDateTime(Clock::now()));
    addLine(text, lastRowKey, rowIdText(last ? std::optional(last->id) : std::nullopt));
    addLine(text, lastDigestKey,
            encodeValue(last ? StoredField(last->digest.toUtf8()) : StoredField()));
    text.append('\n');
    return text;
}

} // namespace

qint64 writeEvidence(TDM3& dm, QDate from, QDate to, const std::optional<QStringList>& instruments,
                     QIODevice& out) {
    if (!from.isValid() || !to.isValid() || from > to)
        throw EConvertError(QStringLiteral("Nieprawidłowy okres dowodu odczytów: od %1 do %2")
                                .arg(storedDate(from), storedDate(to)));
    if (dm.roundsFileMissing())
        throw EDatabaseError(QStringLiteral("Brak pliku %1: archiwum odczytów nie istnieje")
                                 .arg(dm.roundsFilePath()));
    // Rows appended from here on stay out: the header names the chain's last row as it is now.
    const std::optional<ChainLink> last = chainRowBefore(dm, std::nullopt);
    put(out, header(dm, from, to, instruments, last));
    PeriodDownloads rows(dm, {from, to, instruments, last ? last->place : 0});
    qint64 written = 0;
    ChainRow row;
    while (rows.next(row)) {
        const std::optional<ChainLink> before = chainRowBefore(dm, row.place);
        put(out, recordText(++written, row, before ? std::optional(before->id) : std::nullopt));
    }
    put(out, endKey.toByteArray() + ": " + QByteArray::number(written) + '\n');
    return written;
}

} // namespace ronvalo
