// Receive buffers: how received bytes become lines.
#include "core/link/receive_buffer.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

using namespace ronvalo;

TEST(ReceiveBuffer, LinesBetweenCrLfPairs) {
    struct Case {
        QList<QByteArray> chunks;
        QList<QByteArray> lines;
    } cases[] = {
        {{}, {}},
        {{"a\r\nb"}, {"a", "b"}},
        {{"a\r\nb\r\n"}, {"a", "b"}},
        {{"\r\n"}, {""}},
        {{"a\r\n\r\nb"}, {"a", "", "b"}},
        {{"a\rb\nc"}, {"a\rb\nc"}},           // a lone CR or LF ends nothing
        {{"a\r", "\nb\r", "\n"}, {"a", "b"}}, // a pair split across chunks still ends a line
        {{"\r", "\r\n"}, {"\r"}},
        {{QByteArray("x\0y\r\n", 5)}, {QByteArray("x\0y", 3)}},
    };
    for (const auto& c : cases) {
        ReceiveBuffer buffer;
        for (const auto& chunk : c.chunks)
            buffer.append(chunk);
        EXPECT_EQ(buffer.lines(), c.lines) << c.chunks.join("|").toStdString();
        EXPECT_EQ(buffer.count(), c.lines.size());
    }
}

TEST(ReceiveBuffer, LongLineReadsBackCutAndOverflowIsBounded) {
    ReceiveBuffer buffer(10000);
    buffer.append(QByteArray(5000, 'x') + "\r\nshort");
    EXPECT_EQ(buffer.line(0).size(), ReceiveBuffer::maxLineLength);
    EXPECT_EQ(buffer.line(1), "short");
    EXPECT_FALSE(buffer.overflowed());
    buffer.append(QByteArray(6000, 'y'));
    EXPECT_TRUE(buffer.overflowed());
    EXPECT_EQ(buffer.heldBytes(), 10000);
    buffer.append("z"); // nothing more once bytes were lost
    EXPECT_FALSE(buffer.text().endsWith('z'));
    buffer.clear();
    EXPECT_FALSE(buffer.overflowed());
    EXPECT_EQ(buffer.count(), 0);
}

TEST(ReceiveBuffer, EndlessLineBreaksStayWithinTheBoundAndClearingFreesThem) {
    ReceiveBuffer buffer;
    const QByteArray chunk = QByteArray("\r\n").repeated(24);
    for (int i = 0; i < 100000 && !buffer.overflowed(); ++i)
        buffer.append(chunk);
    ASSERT_TRUE(buffer.overflowed());
    // The index is counted too: far fewer bytes of text than the bound.
    EXPECT_LE(buffer.heldBytes(), ReceiveBuffer::defaultCapacity);
    EXPECT_LT(buffer.text().size(), ReceiveBuffer::defaultCapacity / 4);
    EXPECT_GT(buffer.heldBytes(), ReceiveBuffer::defaultCapacity - 10);
    buffer.clear();
    EXPECT_EQ(buffer.text().capacity(), 0);
    EXPECT_EQ(buffer.heldBytes(), 0);
}

TEST(ReceiveBuffer, RemoveFirstLineSaveAndLoad) {
    ronvalo::test::TempFolder folder;
    ReceiveBuffer buffer;
    buffer.append("*\r\n##1##\r\nclock\r\n- - \r\n#1 08:00");
    buffer.removeFirstLine();
    buffer.removeFirstLine();
    buffer.removeFirstLine();
    EXPECT_EQ(buffer.lines(), QList<QByteArray>({"- - ", "#1 08:00"}));
    EXPECT_EQ(buffer.fileText(), "- - \r\n#1 08:00\r\n");
    ASSERT_TRUE(ronvalo::test::writeFileBytes(folder.file("dump"), buffer.fileText()));
    ReceiveBuffer loaded;
    ASSERT_TRUE(loaded.loadFromFile(folder.file("dump")));
    EXPECT_TRUE(sameLines(buffer, loaded));
    loaded.append("\r\n#2 09:00");
    EXPECT_FALSE(sameLines(buffer, loaded));
    EXPECT_FALSE(loaded.loadFromFile(folder.file("missing")));
}
