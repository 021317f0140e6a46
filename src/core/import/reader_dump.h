// Reading the reader dump: the header checks, the instrument number and date, and the data lines.
#pragma once

#include "core/common/exception.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QTime>
#include <optional>

namespace ronvalo {

class ReceiveBuffer;

// The dump's line numbers, 0-based as received: the header, then the first data line.
inline constexpr int startLineNumber = 0;
inline constexpr int instrumentLineNumber = 1;
inline constexpr int clockLineNumber = 2;
inline constexpr int separatorLineNumber = 3;
inline constexpr int firstDataLineNumber = 4;

// The dump breaks the line layout at the given line (0, 1 or 3). It is an EZlyFormat, so the
// import's handler catches it as such; the line number is there for callers that read a whole dump.
class DumpFormatError : public EZlyFormat {
public:
    explicit DumpFormatError(int lineNumber) : lineNumber_(lineNumber) {}
    int lineNumber() const noexcept { return lineNumber_; }

private:
    int lineNumber_;
};

// A field of the given line did not read as a number, or its date or time does not exist.
class DumpConversionError : public EConvertError {
public:
    DumpConversionError(int lineNumber, const QString& reason);
    int lineNumber() const noexcept { return lineNumber_; }

private:
    int lineNumber_;
};

// Line 0 must be exactly "*-*-*-*-*-*-*-"; throws DumpFormatError(0) otherwise.
void checkStartLine(QByteArrayView line);

// Line 1 must begin with "##" (else DumpFormatError(1)). The instrument number is the text between
// that "##" and the next one, byte for byte; it is empty when no second "##" follows.
QByteArray readInstrumentNumber(QByteArrayView line);

// Line 2, the instrument's clock: YY at 1-2, MM at 4-5, DD at 7-8, hours at 10-11 and minutes at
// 13-14. Every field must read as a number and the date must exist, else DumpConversionError(2);
// the hours and minutes need not make a time.
struct InstrumentClock {
    QDate date;
    // The date at HH:MM in local time, as the computer's own clock is kept; none when the two
    // fields make no time of day (hours past 23, minutes past 59) or the moment does not exist
    // locally (skipped when the clocks were put forward).
    std::optional<QDateTime> moment;
};
InstrumentClock readInstrumentClock(QByteArrayView line);
// The same line's date alone.
QDate readClockLine(QByteArrayView line);

// Line 3 must be exactly "- - - - - - - " (14 characters, the last a blank); throws
// DumpFormatError(3) otherwise.
void checkSeparatorLine(QByteArrayView line);

// What one data line gives: a date line a date, a punch line a checkpoint and a time of day.
struct DataLine {
    enum class Kind { Other, Date, Punch };
    Kind kind = Kind::Other;
    QDate date;            // Date: the new running date
    qint32 checkpoint = 0; // Punch
    QTime time;            // Punch: hours and minutes, seconds 0
};

// Reads one data line; lineNumber is its 0-based number in the dump, carried by a
// DumpConversionError when a field of a date or punch line does not read.
DataLine readDataLine(QByteArrayView line, int lineNumber);

// One punch of a dump with the running date current at its line.
struct DumpPunch {
    QDate date;
    QTime time;
    qint32 checkpoint = 0;
    int lineNumber = 0;
};

// What the dump walker hands over as it reads, in the order of the dump. The import stores the
// punches; other readers collect them. A failure raised here ends the walk.
class DumpVisitor {
public:
    virtual ~DumpVisitor() = default;
    // Before the line with this number (0-based, as received) is read: a failure from here to
    // the next call belongs to that line.
    virtual void reading(int lineNumber) = 0;
    virtual void instrumentRead(const QByteArray& /*number*/) {}
    virtual void instrumentDateRead(QDate /*date*/) {}
    // Right after instrumentDateRead: the clock line's date and time, none when unknown.
    virtual void instrumentClockRead(const std::optional<QDateTime>& /*clock*/) {}
    // The three header lines are gone from the buffer, which now begins with the separator line
    // (dump line k is buffer line k - 3); the separator has not been checked yet.
    virtual void headerRemoved(const ReceiveBuffer& /*rest*/) {}
    // Line 4 is a date line: the dump's first punch date.
    virtual void firstPunchDateRead(QDate /*date*/) {}
    // A punch line, with the running date current at it (the zero date above the first date
    // line).
    virtual void punchRead(const DumpPunch& punch) = 0;
};

// The one reading of a reader dump, the import's own: checks the start line, reads the
// instrument number and the clock line, removes those three lines from the buffer, checks the
// separator line, then reads the data lines top to bottom, handing each result to the visitor
// before reading the next line. A missing header line reads as an empty line. Raises
// DumpFormatError or DumpConversionError at the first line that fails.
void walkDump(ReceiveBuffer& buffer, DumpVisitor& visitor);

// Everything a dump gives, collected by walkDump.
struct ReaderDump {
    QByteArray instrumentNumber;
    QDate instrumentDate;
    std::optional<QDateTime> instrumentClock;
    std::optional<QDate> firstPunchDate; // only when line 4 is a date line
    QList<DumpPunch> punches;
};

// The dump held as lines without their line breaks, read through walkDump.
ReaderDump readWholeDump(const QList<QByteArray>& lines);

} // namespace ronvalo
