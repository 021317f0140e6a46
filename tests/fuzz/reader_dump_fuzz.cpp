// libFuzzer target: arbitrary bytes split at CR LF into lines and read as a whole reader dump.
#include "import/reader_dump.h"

#include <cstddef>
#include <cstdint>

namespace {

// Lines end with CR LF; the empty remainder after the final CR LF is not a line.
QList<QByteArray> splitLines(QByteArrayView bytes) {
    QList<QByteArray> lines;
    qsizetype from = 0;
    while (from < bytes.size()) {
        const qsizetype end = bytes.indexOf("\r\n", from);
        if (end < 0) {
            lines.append(bytes.sliced(from).toByteArray());
            break;
        }
        lines.append(bytes.sliced(from, end - from).toByteArray());
        from = end + 2;
    }
    return lines;
}

// What any dump that reads must give: real dates and times within the day with 0 seconds.
void checkInvariants(const ronvalo::ReaderDump& dump) {
    if (!dump.instrumentDate.isValid())
        __builtin_trap();
    if (dump.firstPunchDate && !dump.firstPunchDate->isValid())
        __builtin_trap();
    for (const auto& punch : dump.punches) {
        if (!punch.date.isValid() || !punch.time.isValid() || punch.time.second() != 0 ||
            punch.checkpoint < 0)
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        checkInvariants(ronvalo::readWholeDump(splitLines(bytes)));
    } catch (const ronvalo::Exception&) {
        // A dump that breaks the layout or does not convert is refused: the expected outcome.
    }
    return 0;
}
