// libFuzzer target: arbitrary bytes received into a buffer and read by the import's own dump
// walker.
#include "core/import/reader_dump.h"
#include "core/link/receive_buffer.h"

#include <cstddef>
#include <cstdint>

namespace {

// What any dump that reads must give: real dates, times within the day with 0 seconds, line
// numbers that only grow, and a buffer that lost its three header lines.
class Checker final : public ronvalo::DumpVisitor {
public:
    void reading(int lineNumber) override {
        if (lineNumber <= lastLine_)
            __builtin_trap();
        lastLine_ = lineNumber;
    }
    void instrumentDateRead(QDate date) override { check(date.isValid()); }
    void headerRemoved(const ronvalo::ReceiveBuffer& rest) override {
        check(rest.count() == std::max<qsizetype>(0, linesBefore_ - 3));
    }
    void firstPunchDateRead(QDate date) override {
        check(date.isValid() && lastLine_ == ronvalo::firstDataLineNumber);
    }
    void punchRead(const ronvalo::DumpPunch& punch) override {
        check(punch.date.isValid() && punch.time.isValid() && punch.time.second() == 0 &&
              punch.checkpoint >= 0 && punch.lineNumber == lastLine_);
    }

    qsizetype linesBefore_ = 0;

private:
    static void check(bool holds) {
        if (!holds)
            __builtin_trap();
    }
    int lastLine_ = -1;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ronvalo::ReceiveBuffer buffer;
    buffer.append(reinterpret_cast<const char*>(data), qsizetype(size));
    Checker checker;
    checker.linesBefore_ = buffer.count();
    try {
        ronvalo::walkDump(buffer, checker);
    } catch (const ronvalo::Exception&) {
        // A dump that breaks the layout or does not convert is refused: the expected outcome.
    }
    return 0;
}
