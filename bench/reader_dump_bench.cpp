// Prints how fast a dump of a million data lines is read, line by line as the import does.
#include "core/import/reader_dump.h"
#include "core/link/receive_buffer.h"

#include <QElapsedTimer>
#include <cstdio>

int main() {
    constexpr int dataLines = 1'000'000;
    QList<QByteArray> lines = {"*-*-*-*-*-*-*-", "##00417##", "24-03-05 14 27", "- - - - - - - "};
    lines.reserve(4 + dataLines);
    for (int i = 0; i < dataLines; ++i) {
        if (i % 50 == 0)
            lines.append(QByteArray("--.24.") +
                         QByteArray::number(1 + i / 50 % 12).rightJustified(2, '0') + ".15");
        else
            lines.append("#" + QByteArray::number(i % 400) + " " +
                         QByteArray::number(i % 24).rightJustified(2, '0') + ":" +
                         QByteArray::number(i % 60).rightJustified(2, '0'));
    }
    const QByteArray text = lines.join("\r\n");
    ronvalo::ReceiveBuffer buffer(text.size() * 2); // room for the text and its line index
    buffer.append(text);
    struct Counter final : ronvalo::DumpVisitor {
        qsizetype punches = 0;
        void reading(int) override {}
        void punchRead(const ronvalo::DumpPunch&) override { ++punches; }
    } counter;
    QElapsedTimer timer;
    timer.start();
    ronvalo::walkDump(buffer, counter);
    const qint64 ms = timer.elapsed();
    std::printf("reader dump: %d data lines, %lld punches read in %lld ms (%.0f lines/s)\n",
                dataLines, static_cast<long long>(counter.punches), static_cast<long long>(ms),
                ms > 0 ? dataLines * 1000.0 / double(ms) : 0.0);
    return 0;
}
