// Reading the reader dump field by field, one line at a time, without regular expressions.
#include "core/import/reader_dump.h"

#include "core/common/ole_date.h"
#include "core/link/receive_buffer.h"

#include <limits>

namespace ronvalo {

namespace {

constexpr QByteArrayView startLine = "*-*-*-*-*-*-*-";
constexpr QByteArrayView separatorLine = "- - - - - - - ";
constexpr QByteArrayView instrumentMark = "##";

// The characters from 1-based position `from` to `to`, shorter or empty where the line ends.
QByteArrayView field(QByteArrayView line, qsizetype from, qsizetype to) {
    if (to > line.size())
        to = line.size();
    if (from < 1 || to < from)
        return {};
    return line.sliced(from - 1, to - from + 1);
}

// A decimal number of digits only, at most `limit`; nothing for an empty field, a sign, a blank,
// any other character, or a value past the limit.
std::optional<qint64> readNumber(QByteArrayView text, qint64 limit) {
    if (text.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > limit) // stops before the value could grow past 64 bits
            return std::nullopt;
    }
    return value;
}

int readTwoDigits(QByteArrayView text, int lineNumber, const char* what) {
    const auto value = readNumber(text, 99);
    if (!value)
        throw DumpConversionError(
            lineNumber, QStringLiteral("%1 nie jest liczbą").arg(QString::fromUtf8(what)));
    return int(*value);
}

// Two-digit years 80-99 are 1980-1999, 00-79 are 2000-2079.
int fullYear(int twoDigitYear) {
    return twoDigitYear >= 80 ? 1900 + twoDigitYear : 2000 + twoDigitYear;
}

QDate readDate(QByteArrayView yy, QByteArrayView mm, QByteArrayView dd, int lineNumber) {
    const int year = fullYear(readTwoDigits(yy, lineNumber, "rok"));
    const int month = readTwoDigits(mm, lineNumber, "miesiąc");
    const int day = readTwoDigits(dd, lineNumber, "dzień");
    const auto date = makeDate(year, month, day);
    if (!date)
        throw DumpConversionError(lineNumber, QStringLiteral("taka data nie istnieje"));
    return *date;
}

// "--" at 1-2; YY at 4-5, MM at 7-8, DD at 10-11.
DataLine readDateLine(QByteArrayView line, int lineNumber) {
    DataLine result;
    result.kind = DataLine::Kind::Date;
    result.date = readDate(field(line, 4, 5), field(line, 7, 8), field(line, 10, 11), lineNumber);
    return result;
}

// "#" at 1; with b the first blank: checkpoint at 2..b-1, hours at b+1..b+2, minutes at b+4..b+5.
// Without a blank the checkpoint is empty and does not read.
DataLine readPunchLine(QByteArrayView line, int lineNumber) {
    const qsizetype blank = line.indexOf(' ') + 1; // 1-based; 0 when there is none
    const auto checkpoint =
        readNumber(field(line, 2, blank - 1), std::numeric_limits<qint32>::max());
    if (!checkpoint)
        throw DumpConversionError(lineNumber, QStringLiteral("numer punktu nie jest liczbą"));
    const int hours = readTwoDigits(field(line, blank + 1, blank + 2), lineNumber, "godzina");
    const int minutes = readTwoDigits(field(line, blank + 4, blank + 5), lineNumber, "minuty");
    const auto time = makeTime(hours, minutes, 0);
    if (!time)
        throw DumpConversionError(lineNumber, QStringLiteral("taka godzina nie istnieje"));
    DataLine result;
    result.kind = DataLine::Kind::Punch;
    result.checkpoint = qint32(*checkpoint);
    result.time = *time;
    return result;
}

} // namespace

DumpConversionError::DumpConversionError(int lineNumber, const QString& reason)
    : EConvertError(QStringLiteral("Wiersz zrzutu %1: %2").arg(lineNumber).arg(reason)),
      lineNumber_(lineNumber) {}

void checkStartLine(QByteArrayView line) {
    if (line != startLine)
        throw DumpFormatError(startLineNumber);
}

QByteArray readInstrumentNumber(QByteArrayView line) {
    if (!line.startsWith(instrumentMark))
        throw DumpFormatError(instrumentLineNumber);
    const QByteArrayView rest = line.sliced(instrumentMark.size());
    const qsizetype end = rest.indexOf(instrumentMark);
    return end < 0 ? QByteArray() : rest.first(end).toByteArray();
}

InstrumentClock readInstrumentClock(QByteArrayView line) {
    InstrumentClock clock;
    clock.date = readDate(field(line, 1, 2), field(line, 4, 5), field(line, 7, 8), clockLineNumber);
    // An instrument whose time is out of range still dumps its punches: the time is then unknown,
    // never a reason to refuse the dump.
    const int hours = readTwoDigits(field(line, 10, 11), clockLineNumber, "clock field at 10-11");
    const int minutes = readTwoDigits(field(line, 13, 14), clockLineNumber, "clock field at 13-14");
    if (const auto time = makeTime(hours, minutes, 0)) {
        const QDateTime moment(clock.date, *time);
        if (moment.isValid())
            clock.moment = moment;
    }
    return clock;
}

QDate readClockLine(QByteArrayView line) {
    return readInstrumentClock(line).date;
}

void checkSeparatorLine(QByteArrayView line) {
    if (line != separatorLine)
        throw DumpFormatError(separatorLineNumber);
}

DataLine readDataLine(QByteArrayView line, int lineNumber) {
    if (line.startsWith("--"))
        return readDateLine(line, lineNumber);
    if (line.startsWith('#'))
        return readPunchLine(line, lineNumber);
    return {};
}

void walkDump(ReceiveBuffer& buffer, DumpVisitor& visitor) {
    visitor.reading(startLineNumber);
    checkStartLine(buffer.line(startLineNumber));
    visitor.reading(instrumentLineNumber);
    visitor.instrumentRead(readInstrumentNumber(buffer.line(instrumentLineNumber)));
    visitor.reading(clockLineNumber);
    const InstrumentClock clock = readInstrumentClock(buffer.line(clockLineNumber));
    visitor.instrumentDateRead(clock.date);
    visitor.instrumentClockRead(clock.moment);
    for (int i = 0; i < separatorLineNumber; ++i)
        buffer.removeFirstLine();
    visitor.headerRemoved(buffer);

    visitor.reading(separatorLineNumber);
    checkSeparatorLine(buffer.line(0));

    QDate runningDate = zeroDate();
    const qsizetype n = buffer.count();
    for (qsizetype i = 1; i < n; ++i) {
        const int lineNumber = int(i + separatorLineNumber);
        visitor.reading(lineNumber);
        const DataLine data = readDataLine(buffer.line(i), lineNumber);
        if (data.kind == DataLine::Kind::Date) {
            runningDate = data.date;
            if (lineNumber == firstDataLineNumber)
                visitor.firstPunchDateRead(data.date);
        } else if (data.kind == DataLine::Kind::Punch) {
            visitor.punchRead({runningDate, data.time, data.checkpoint, lineNumber});
        }
    }
}

ReaderDump readWholeDump(const QList<QByteArray>& lines) {
    struct Collector final : DumpVisitor {
        ReaderDump dump;
        void reading(int) override {}
        void instrumentRead(const QByteArray& number) override { dump.instrumentNumber = number; }
        void instrumentDateRead(QDate date) override { dump.instrumentDate = date; }
        void instrumentClockRead(const std::optional<QDateTime>& clock) override {
            dump.instrumentClock = clock;
        }
        void firstPunchDateRead(QDate date) override { dump.firstPunchDate = date; }
        void punchRead(const DumpPunch& punch) override { dump.punches.append(punch); }
    } collector;
    QByteArray text;
    for (const QByteArray& line : lines)
        text += line + "\r\n";
    ReceiveBuffer buffer(text.size() * (1 + ReceiveBuffer::bytesPerLineBreak));
    buffer.append(text);
    walkDump(buffer, collector);
    return collector.dump;
}

} // namespace ronvalo
