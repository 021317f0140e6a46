// Reading reader dumps: header checks, field rules, data lines and where a bad dump fails.
#include "core/import/reader_dump.h"

#include "core/common/ole_date.h"

#include <gtest/gtest.h>

using namespace ronvalo;

namespace {

const QByteArray start = "*-*-*-*-*-*-*-";
const QByteArray instrument = "##00417##  ";
const QByteArray clockLine = "24-03-05 14 27";
const QByteArray separator = "- - - - - - - ";

QList<QByteArray> dumpWith(QList<QByteArray> data) {
    return QList<QByteArray>{start, instrument, clockLine, separator} + data;
}

enum class Failure { None, Format, Conversion };
struct Outcome {
    Failure failure = Failure::None;
    int line = -1;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    static const char* names[] = {"none", "format", "conversion"};
    return os << names[int(o.failure)] << " at line " << o.line;
}

Outcome outcomeOf(const QList<QByteArray>& lines) {
    try {
        readWholeDump(lines);
        return {};
    } catch (const DumpFormatError& e) {
        return {Failure::Format, e.lineNumber()};
    } catch (const DumpConversionError& e) {
        return {Failure::Conversion, e.lineNumber()};
    }
}

} // namespace

TEST(ReaderDump, ReadsAWholeDump) {
    const ReaderDump dump = readWholeDump(dumpWith({
        "--.24.03.04",    // 4: first punch date
        "#171 07:05",     // 5
        "- - - - - - - ", // 6: a second separator is passed over
        "#000000000042 23:59 trailing text",
        "--.24.03.05", // 8
        "#2147483647 00:00",
    }));
    EXPECT_EQ(dump.instrumentNumber, QByteArray("00417"));
    EXPECT_EQ(dump.instrumentDate, QDate(2024, 3, 5));
    EXPECT_EQ(dump.firstPunchDate, QDate(2024, 3, 4));
    const QList<DumpPunch> expected = {
        {QDate(2024, 3, 4), QTime(7, 5), 171, 5},
        {QDate(2024, 3, 4), QTime(23, 59), 42, 7},
        {QDate(2024, 3, 5), QTime(0, 0), 2147483647, 9},
    };
    ASSERT_EQ(dump.punches.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(dump.punches[i].date, expected[i].date) << i;
        EXPECT_EQ(dump.punches[i].time, expected[i].time) << i;
        EXPECT_EQ(dump.punches[i].checkpoint, expected[i].checkpoint) << i;
        EXPECT_EQ(dump.punches[i].lineNumber, expected[i].lineNumber) << i;
    }
}

// The clock line's last two fields are the instrument's hours and minutes. When they make no time,
// or one the local clock skipped when put forward, the dump still reads in full, the clock unknown.
TEST(ReaderDump, InstrumentClockOnlyWhenHoursAndMinutesMakeATime) {
    const QDate day(2024, 3, 31); // Warsaw's clocks went from 02:00 to 03:00
    const struct {
        QByteArray line;
        std::optional<QDateTime> clock;
    } cases[] = {
        {"24-03-31 14 27", QDateTime(day, QTime(14, 27))},
        {"24-03-31 00 00", QDateTime(day, QTime(0, 0))},
        {"24-03-31 23 59 and more", QDateTime(day, QTime(23, 59))},
        {"24-03-31 24 00", std::nullopt},
        {"24-03-31 25 61", std::nullopt},
        {"24-03-31 12 60", std::nullopt},
        {"24-03-31 02 30", std::nullopt},
    };
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Warsaw");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        const ReaderDump dump = readWholeDump({start, instrument, c.line, separator, "#1 10:00"});
        EXPECT_EQ(dump.instrumentDate, day);
        EXPECT_EQ(dump.instrumentClock, c.clock);
        EXPECT_EQ(dump.punches.size(), 1);
    }
    zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
}

TEST(ReaderDump, RunningDateAndFirstPunchDate) {
    // A punch above the first date line carries the zero date; line 4 not a date: no first date.
    const ReaderDump early = readWholeDump(dumpWith({"#5 10:00", "--.99.12.31", "#6 11:00"}));
    ASSERT_EQ(early.punches.size(), 2);
    EXPECT_EQ(early.punches[0].date, zeroDate());
    EXPECT_EQ(early.punches[1].date, QDate(1999, 12, 31));
    EXPECT_FALSE(early.firstPunchDate);

    // Only line 4 gives the first punch date, not a later date line.
    EXPECT_FALSE(readWholeDump(dumpWith({"", "--.24.01.01"})).firstPunchDate);

    const ReaderDump none = readWholeDump(dumpWith({"--.24.01.01", "hello", "-", ""}));
    EXPECT_TRUE(none.punches.isEmpty());
    EXPECT_TRUE(readWholeDump(dumpWith({})).punches.isEmpty());
}

TEST(ReaderDump, FailsAtTheRightLineWithTheRightKind) {
    const struct Case {
        const char* name;
        QList<QByteArray> lines;
        Outcome expected;
    } cases[] = {
        {"empty dump", {}, {Failure::Format, 0}},
        {"start line only", {start}, {Failure::Format, 1}},
        {"no clock line", {start, instrument}, {Failure::Conversion, 2}},
        {"no separator", {start, instrument, clockLine}, {Failure::Format, 3}},
        {"start line with a blank",
         {start + " ", instrument, clockLine, separator},
         {Failure::Format, 0}},
        {"start line short",
         {start.chopped(1), instrument, clockLine, separator},
         {Failure::Format, 0}},
        {"blank before start",
         {" " + start, instrument, clockLine, separator},
         {Failure::Format, 0}},
        {"instrument one #", {start, "#1##", clockLine, separator}, {Failure::Format, 1}},
        {"instrument blank first", {start, " ##1##", clockLine, separator}, {Failure::Format, 1}},
        {"separator 13",
         {start, instrument, clockLine, separator.chopped(1)},
         {Failure::Format, 3}},
        {"separator 15", {start, instrument, clockLine, separator + "-"}, {Failure::Format, 3}},
        {"clockLine month 13",
         {start, instrument, "24-13-05 14 27", separator},
         {Failure::Conversion, 2}},
        {"clockLine 30 Feb",
         {start, instrument, "24-02-30 14 27", separator},
         {Failure::Conversion, 2}},
        {"clockLine field letter",
         {start, instrument, "24-03-05 1x 27", separator},
         {Failure::Conversion, 2}},
        {"clockLine field cut",
         {start, instrument, "24-03-05 14", separator},
         {Failure::Conversion, 2}},
        {"clockLine blank field",
         {start, instrument, "24-03-05 14  7", separator},
         {Failure::Conversion, 2}},
        {"date month 13", dumpWith({"--.24.13.01"}), {Failure::Conversion, 4}},
        {"date 29 Feb 2023", dumpWith({"#1 00:00", "--.23.02.29"}), {Failure::Conversion, 5}},
        {"date cut", dumpWith({"--.24.03"}), {Failure::Conversion, 4}},
        {"date sign", dumpWith({"--.24.+3.01"}), {Failure::Conversion, 4}},
        {"hours 24", dumpWith({"-", "#7 24:00"}), {Failure::Conversion, 5}},
        {"minutes 60", dumpWith({"x", "y", "#7 23:60"}), {Failure::Conversion, 6}},
        {"blank at 2", dumpWith({"# 12 08:00"}), {Failure::Conversion, 4}},
        {"no blank", dumpWith({"#12"}), {Failure::Conversion, 4}},
        {"checkpoint 2^31", dumpWith({"#2147483648 08:00"}), {Failure::Conversion, 4}},
        {"checkpoint huge", dumpWith({"#99999999999999999999999 08:00"}), {Failure::Conversion, 4}},
        {"checkpoint sign", dumpWith({"#-5 08:00"}), {Failure::Conversion, 4}},
        {"checkpoint letter", dumpWith({"#1a 08:00"}), {Failure::Conversion, 4}},
        {"hours with colon", dumpWith({"#1 8:00"}), {Failure::Conversion, 4}},
        {"minutes trailing blank", dumpWith({"#1 08:0 "}), {Failure::Conversion, 4}},
        {"minutes missing", dumpWith({"#1 08"}), {Failure::Conversion, 4}},
        {"two blanks", dumpWith({"#12  08:30"}), {Failure::Conversion, 4}}, // hours at b+1
    };
    for (const auto& c : cases)
        EXPECT_EQ(outcomeOf(c.lines), c.expected) << c.name;
}

// The import's handler tells the two kinds apart by their base classes.
TEST(ReaderDump, FailureKindsForTheImport) {
    EXPECT_THROW(checkStartLine(""), EZlyFormat);
    EXPECT_THROW(readInstrumentNumber("1##"), EZlyFormat);
    EXPECT_THROW(checkSeparatorLine("--------------"), EZlyFormat);
    try {
        readDataLine("--.24.13.01", 123456);
        FAIL() << "no failure";
    } catch (const EConvertError& e) {
        EXPECT_EQ(dynamic_cast<const DumpConversionError&>(e).lineNumber(), 123456);
    }
}

TEST(ReaderDump, InstrumentNumberKeptAsReceived) {
    const struct {
        QByteArray line;
        QByteArray number;
    } cases[] = {
        {"##0012##rest", "0012"},
        {"##abc", ""},
        {"##", ""},
        {"###", ""},
        {"####", ""},
        {"##a##b##", "a"},
        {"## 12345678901 ##", " 12345678901 "},
        {QByteArray("##\xa5\x9c\x00z##", 8), QByteArray("\xa5\x9c\x00z", 4)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readInstrumentNumber(c.line), c.number) << c.line.toStdString();
}

TEST(ReaderDump, TwoDigitYearsAndCalendar) {
    const struct {
        QByteArray clockLine;
        QByteArray dateLine;
        QDate date;
    } cases[] = {
        {"79-01-02 00 00", "--.79.01.02", QDate(2079, 1, 2)},
        {"80-01-02 99 99", "--.80.01.02", QDate(1980, 1, 2)},
        {"99-12-31 00 00", "--.99.12.31", QDate(1999, 12, 31)},
        {"00-02-29 00 00", "--x00x02x29", QDate(2000, 2, 29)},
        {"24-02-29 00 00+", "--.24.02.29 anything", QDate(2024, 2, 29)},
        {"96/02/29/00/00", "--/96/02/29", QDate(1996, 2, 29)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readClockLine(c.clockLine), c.date) << c.clockLine.toStdString();
        const DataLine data = readDataLine(c.dateLine, 4);
        EXPECT_EQ(data.kind, DataLine::Kind::Date) << c.dateLine.toStdString();
        EXPECT_EQ(data.date, c.date) << c.dateLine.toStdString();
    }
    for (const char* line :
         {"23-02-29 00 00", "81-02-29 00 00", "24-04-31 00 00", "24-00-01 00 00", "24-01-00 00 00"})
        EXPECT_THROW(readClockLine(line), DumpConversionError) << line;
}

TEST(ReaderDump, DataLineKinds) {
    const struct {
        QByteArray line;
        DataLine::Kind kind;
        qint32 checkpoint;
        QTime time;
    } cases[] = {
        {"- - - - - - - ", DataLine::Kind::Other, 0, {}},
        {"-", DataLine::Kind::Other, 0, {}},
        {"-24.01.01", DataLine::Kind::Other, 0, {}},
        {"", DataLine::Kind::Other, 0, {}},
        {" #1 08:00", DataLine::Kind::Other, 0, {}},
        {"*-*-*-*-*-*-*-", DataLine::Kind::Other, 0, {}},
        {"#0 00:00", DataLine::Kind::Punch, 0, QTime(0, 0)},
        {"#00000171 08:05", DataLine::Kind::Punch, 171, QTime(8, 5)},
        {"#174 23x59 and more", DataLine::Kind::Punch, 174, QTime(23, 59)},
    };
    for (const auto& c : cases) {
        const DataLine data = readDataLine(c.line, 4);
        EXPECT_EQ(data.kind, c.kind) << c.line.toStdString();
        if (c.kind == DataLine::Kind::Punch) {
            EXPECT_EQ(data.checkpoint, c.checkpoint) << c.line.toStdString();
            EXPECT_EQ(data.time, c.time) << c.line.toStdString();
            EXPECT_EQ(data.time.second(), 0);
        }
    }
}
