// Reading an archived transmission again, as the import reads a dump.
#include "core/proof/archived_transmission.h"

#include "core/common/cp1250.h"
#include "core/import/reader_dump.h"
#include "core/link/receive_buffer.h"
#include "core/store/stored_dates.h"

namespace ronvalo {

namespace {

// The punch rows carry the instrument cut to this many characters.
constexpr qsizetype punchInstrumentWidth = 10;

class TransmissionReader final : public DumpVisitor {
public:
    Transmission read;

    void reading(int) override {}
    void instrumentRead(const QByteArray& number) override {
        read.instrument = fromCp1250(number).left(punchInstrumentWidth);
    }
    void punchRead(const DumpPunch& punch) override {
        read.punches.append(
            {0, storedDate(punch.date), storedTime(punch.time), punch.checkpoint, read.instrument});
    }
};

} // namespace

std::variant<Transmission, int> readTransmission(const QByteArray& bytes) {
    // Room for every byte and every line break, so that nothing of it is dropped.
    ReceiveBuffer buffer(16 + bytes.size() * (1 + ReceiveBuffer::bytesPerLineBreak));
    buffer.append(bytes);
    TransmissionReader reader;
    try {
        walkDump(buffer, reader);
    } catch (const DumpFormatError& failure) {
        return failure.lineNumber();
    } catch (const DumpConversionError& failure) {
        return failure.lineNumber();
    }
    return std::move(reader.read);
}

} // namespace ronvalo
