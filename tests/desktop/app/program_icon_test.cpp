// The program's icon at every size the desktop asks for: the tile fills it, corners stay clear.
#include "desktop/app/program_icon.h"

#include <gtest/gtest.h>

using namespace ronvalo;

TEST(ProgramIconTest, EverySizeIsTheWholeTileWithClearCorners) {
    for (const int size : programIconSizes) {
        const QImage icon = drawProgramIcon(size);
        ASSERT_EQ(icon.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << size;
        EXPECT_EQ(qAlpha(icon.pixel(size - 1, size - 1)), 0) << size;
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255) << size;
        // Not one flat colour: the round and the instrument are drawn over the tile.
        EXPECT_NE(icon.pixel(size / 2, size / 2), icon.pixel(size / 2, size * 9 / 10)) << size;
    }
    EXPECT_EQ(programIcon().availableSizes().size(), qsizetype(programIconSizes.size()));
}
