// libFuzzer target: chunks of random bytes and sizes received into two buffers, then the
// comparison of the two transmissions, each checked against a plain reading of the same bytes.
#include "core/link/receive_buffer.h"
#include "core/link/transmission_comparison.h"

#include <cstddef>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

void check(bool holds) {
    if (!holds)
        __builtin_trap();
}

// The lines of a text as the buffer must read them: pieces between CR LF pairs.
QList<QByteArray> plainLines(const QByteArray& text) {
    QList<QByteArray> lines;
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype end = text.indexOf("\r\n", from);
        lines.append(text.mid(from, (end < 0 ? text.size() : end) - from)
                         .left(ronvalo::ReceiveBuffer::maxLineLength));
        if (end < 0)
            break;
        from = end + 2;
    }
    return lines;
}

// Fills a buffer chunk by chunk as the serial poll does; its lines must match the bytes kept.
void receive(FuzzedDataProvider& input, ronvalo::ReceiveBuffer& buffer, QByteArray& sent) {
    const int chunks = input.ConsumeIntegralInRange(0, 64);
    for (int i = 0; i < chunks && input.remaining_bytes() > 0; ++i) {
        const std::string chunk = input.ConsumeBytesAsString(input.ConsumeIntegralInRange(1, 300));
        buffer.append(chunk.data(), qsizetype(chunk.size()));
        sent.append(chunk.data(), qsizetype(chunk.size()));
    }
    check(buffer.heldBytes() <= 4096);
    check(buffer.overflowed() ? sent.startsWith(buffer.text()) : buffer.text() == sent);
    check(buffer.lines() == plainLines(buffer.text()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    // A small bound, so that overflows happen as often as whole transmissions.
    ronvalo::ReceiveBuffer first(4096), second(4096);
    QByteArray sentFirst, sentSecond;
    receive(input, first, sentFirst);
    receive(input, second, sentSecond);

    const auto linesA = plainLines(first.text()), linesB = plainLines(second.text());
    bool agree = linesA.size() == linesB.size() && !first.overflowed() && !second.overflowed();
    for (qsizetype i = 0; agree && i < linesA.size(); ++i)
        agree = i == 2 || linesA[i] == linesB[i];
    const ronvalo::TransmissionComparison result = ronvalo::compareTransmissions(first, second);
    check(result.agree == agree);
    check(result.lineCountsDiffer == (linesA.size() != linesB.size()));
    return 0;
}
