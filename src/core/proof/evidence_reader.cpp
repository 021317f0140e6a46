// Reading an evidence file: the first line, the header, the records, the closing count.
#include "core/proof/evidence_reader.h"

#include <QIODevice>
#include <algorithm>
#include <limits>

#include "core/proof/evidence_format.h"
#include "core/store/archive.h"
#include "core/store/stored_dates.h"

namespace ronvalo {

using namespace evidence;

namespace {

// The first line is short: a file that has no line break this early is not an evidence file,
// and is refused before a long line of it is read.
constexpr qint64 firstLineBytes = 64;

// What a line of the field `key` begins with.
QByteArray linePrefix(QByteArrayView key) {
    return key.toByteArray() + ": ";
}

QString keyText(QByteArrayView key) {
    return QString::fromLatin1(key.data(), key.size());
}

} // namespace

EvidenceReader::EvidenceReader(QIODevice& in) : in_(in) {
    readFirstLine();
    readHeader();
}

void EvidenceReader::fail(const QString& why) const {
    throw EEvidenceFormat(QStringLiteral("wiersz %1: %2").arg(line_).arg(why));
}

// A line without its line break (LF, or CR LF as a copy made on Windows may have it). A line
// longer than any the layout has, or one the file ends within, is refused here.
QByteArray EvidenceReader::readLine() {
    ++line_;
    qsizetype used = 0;
    for (;;) {
        // The buffer grows with the longest line read so far, up to the longest there may be.
        if (buffer_.size() - used < 2) {
            if (buffer_.size() >= maxLineBytes + 2)
                fail(QStringLiteral("wiersz jest za długi"));
            buffer_.resize(
                std::min(std::max<qsizetype>(2 * buffer_.size(), 4096), maxLineBytes + 2));
        }
        const qint64 read = in_.readLine(buffer_.data() + used, buffer_.size() - used);
        if (read <= 0)
            fail(QStringLiteral("plik dowodu odczytów się urywa"));
        used += read;
        if (buffer_[used - 1] == '\n')
            break;
    }
    QByteArray line(buffer_.constData(), used - 1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

QByteArray EvidenceReader::valueOf(const QByteArray& line, QByteArrayView key) const {
    if (line.size() <= key.size() + 2 || !line.startsWith(linePrefix(key)))
        fail(QStringLiteral("oczekiwano pola %1").arg(keyText(key)));
    return line.sliced(key.size() + 2);
}

StoredField EvidenceReader::storedValue(const QByteArray& text) const {
    auto value = decodeValue(text);
    if (!value)
        fail(QStringLiteral("zły zapis base64"));
    return std::move(*value);
}

QDate EvidenceReader::readDate(QByteArrayView key) {
    const QByteArray text = readValue(key);
    const QDate date = QDate::fromString(QString::fromLatin1(text), Qt::ISODate);
    if (!date.isValid() || storedDate(date).toLatin1() != text)
        fail(QStringLiteral("pole %1 nie jest datą").arg(keyText(key)));
    return date;
}

void EvidenceReader::readFirstLine() {
    const QByteArray first = in_.readLine(firstLineBytes);
    line_ = 1;
    const QByteArray name = fileName.toByteArray() + ' ';
    if (!first.startsWith(name) || !first.endsWith('\n'))
        throw EEvidenceFormat(QStringLiteral("to nie jest plik dowodu odczytów"));
    const QByteArray version = first.sliced(name.size()).trimmed();
    if (version != QByteArray::number(layoutVersion))
        throw EEvidenceFormat(QStringLiteral("nieznana wersja pliku dowodu odczytów (%1); ten "
                                             "program czyta wersję %2")
                                  .arg(QString::fromLatin1(version).left(16))
                                  .arg(layoutVersion));
}

void EvidenceReader::readHeader() {
    const StoredField installation = storedValue(readValue(installationKey));
    if (!installation)
        fail(QStringLiteral("brak instalacji"));
    header_.installation = QString::fromUtf8(*installation);
    header_.from = readDate(fromKey);
    header_.to = readDate(toKey);
    if (header_.from > header_.to)
        fail(QStringLiteral("okres dowodu kończy się przed swoim początkiem"));
    const QByteArray which = readValue(instrumentsKey);
    if (which != everyInstrument && which != chosenInstruments)
        fail(QStringLiteral("pole %1 nie jest ani „%2”, ani „%3”")
                 .arg(keyText(instrumentsKey), keyText(everyInstrument),
                      keyText(chosenInstruments)));
    QByteArray line = readLine();
    if (which == chosenInstruments) {
        header_.instruments.emplace();
        for (; line.startsWith(linePrefix(instrumentKey)); line = readLine()) {
            const StoredField instrument = storedValue(valueOf(line, instrumentKey));
            if (!instrument)
                fail(QStringLiteral("brak numeru czytnika"));
            header_.instruments->append(QString::fromUtf8(*instrument));
        }
    }
    header_.made = QString::fromLatin1(valueOf(line, madeKey));
    if (!receivedFromStored(header_.made).isValid())
        fail(QStringLiteral("pole %1 nie jest datą i godziną").arg(keyText(madeKey)));
    if (!readRowId(readValue(lastRowKey), header_.lastRow))
        fail(QStringLiteral("pole %1 nie jest wierszem łańcucha").arg(keyText(lastRowKey)));
    const StoredField digest = storedValue(readValue(lastDigestKey));
    header_.lastDigest = QString::fromUtf8(digest.value_or(QByteArray()));
    expectEmptyLine();
}

void EvidenceReader::expectEmptyLine() {
    if (!readLine().isEmpty())
        fail(QStringLiteral("oczekiwano pustego wiersza"));
}

bool EvidenceReader::next(EvidenceRecord& record) {
    if (ended_)
        return false;
    const QByteArray line = readLine();
    if (line.startsWith(linePrefix(endKey))) {
        const auto count = readNumber(valueOf(line, endKey));
        if (!count)
            fail(QStringLiteral("pole %1 nie jest liczbą").arg(keyText(endKey)));
        closingCount_ = *count;
        ended_ = true;
        ++line_;
        if (!in_.atEnd())
            fail(QStringLiteral("dane po ostatnim wierszu pliku dowodu odczytów"));
        return false;
    }
    record.line = line_;
    const auto number = readNumber(valueOf(line, recordKey));
    if (!number)
        fail(QStringLiteral("pole %1 nie jest liczbą").arg(keyText(recordKey)));
    record.number = *number;
    readRow(record.row);
    if (!readRowId(readValue(previousRowKey), record.previousRow))
        fail(QStringLiteral("pole %1 nie jest wierszem łańcucha").arg(keyText(previousRowKey)));
    expectEmptyLine();
    return true;
}

// The seven fields of an archive row, Nrodczytu a download's number, Tresc no longer than a
// transmission may be.
void EvidenceReader::readRow(ChainRow& row) {
    row = ChainRow();
    for (const QByteArrayView key : fieldKeys)
        row.fields << storedValue(readValue(key));
    const auto download = row.fields[0] ? readNumber(*row.fields[0]) : std::nullopt;
    if (!download || *download > std::numeric_limits<qint32>::max())
        fail(QStringLiteral("pole %1 nie jest numerem odczytu").arg(keyText(fieldKeys[0])));
    row.place = *download;
    if (row.content().size() > maxTransmissionBytes)
        fail(QStringLiteral("transmisja dłuższa niż %1 bajtów").arg(maxTransmissionBytes));
    row.previous = storedValue(readValue(previousKey));
    const StoredField digest = storedValue(readValue(digestKey));
    if (!digest)
        fail(QStringLiteral("brak skrótu"));
    row.digest = QString::fromUtf8(*digest);
}

} // namespace ronvalo
