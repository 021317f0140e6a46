// Comparing two transmissions: line counts, the skipped clock line, overflowed buffers.
#include "core/link/receive_buffer.h"
#include "core/link/transmission_comparison.h"

#include <gtest/gtest.h>

using namespace ronvalo;

TEST(TransmissionComparison, LinesButTheClockLineDecide) {
    struct Case {
        QByteArray first, second;
        bool agree, countsDiffer;
    };
    const Case cases[] = {
        {"", "", true, false},
        {"a\r\nb\r\nclock 1\r\nd", "a\r\nb\r\nclock 2\r\nd\r\n", true, false},
        {"a\r\nb\r\nc\r\nd", "a\r\nb\r\nc\r\nD", false, false},  // case counts
        {"a\r\nb\r\nc\r\nd", "a\r\nb\r\nc\r\nd ", false, false}, // so do blanks
        {"a\r\nb", "a\r\nB", false, false},                      // fewer than three lines
        {"a\r\nb\r\nc", "a\r\nb\r\nx", true, false},             // only the clock line differs
        {"a\r\nb\r\nc\r\n", "a\r\nb\r\nc\r\n\r\n", false, true}, // an empty line counts
        {"a\r\nb", "a\r\nb\r\nc", false, true},
        {QByteArray("x\0y\r\n", 5), QByteArray("x\0z\r\n", 5), false,
         false},                                // zero bytes are kept, not an end
        {"a\rb\r\n", "a\nb\r\n", false, false}, // CR or LF alone is no line break
    };
    for (const Case& c : cases) {
        ReceiveBuffer first, second;
        first.append(c.first);
        second.append(c.second);
        const TransmissionComparison result = compareTransmissions(first, second);
        EXPECT_EQ(result.agree, c.agree)
            << c.first.toStdString() << " | " << c.second.toStdString();
        EXPECT_EQ(result.lineCountsDiffer, c.countsDiffer) << c.first.toStdString();
    }
}

TEST(TransmissionComparison, AnOverflowedBufferNeverAgrees) {
    const QByteArray text = "*-*-*-*-*-*-*-\r\n##1##\r\n" + QByteArray(200, 'x');
    for (const bool firstSmall : {true, false}) {
        ReceiveBuffer small(64), large;
        small.append(text);
        large.append(text.left(small.text().size()));
        ASSERT_TRUE(small.overflowed());
        ASSERT_EQ(small.text(), large.text()); // the kept bytes are the same
        const auto result =
            firstSmall ? compareTransmissions(small, large) : compareTransmissions(large, small);
        EXPECT_FALSE(result.agree);
        EXPECT_FALSE(result.lineCountsDiffer);
    }
    ReceiveBuffer a(64), b(64);
    a.append(text);
    b.append(text);
    EXPECT_FALSE(compareTransmissions(a, b).agree);
    a.clear();
    b.clear();
    EXPECT_TRUE(compareTransmissions(a, b).agree); // clearing forgets the overflow
}
