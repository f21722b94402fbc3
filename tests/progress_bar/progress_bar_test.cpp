// The "ProgressBar" control: position message, frames and the twenty blocks.
#include <gtest/gtest.h>

#include <vector>

#include "installer/progress_bar.h"
#include "installer/settings.h"
#include "installer/startup.h"
#include "windowlayer/headless/headless.h"

namespace {

constexpr uint32_t LIT_COLOUR = 0x00112233;

class ProgressBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless_reset();
        reset_install_settings();
        headless_set_sys_value(OS_SV_COLOUR, static_cast<int32_t>(LIT_COLOUR));
        ASSERT_NE(add_window_class("ProgressBar", progress_bar_proc, 0, 0), 0);
    }
    void TearDown() override { headless_reset(); }

    OsWindow make_bar(int width, int height)
    {
        OsWindow bar = os_CreateTopWindow("ProgressBar", "", nullptr);
        os_SetWinPos(bar, 0, 0, 0, width, height, OS_POS_MOVE_SIZE);
        return bar;
    }

    static int solid_blocks(const HeadlessPainting& painting)
    {
        int solid = 0;
        for (const HeadlessFill& fill : painting.fills)
            solid += fill.brush_kind == HEADLESS_BRUSH_SOLID;
        return solid;
    }
};

TEST_F(ProgressBarTest, EachFivePercentLightsOneMoreBlock)
{
    struct Case {
        uint32_t position;
        int lit;
    };
    const Case cases[] = {{0, 0}, {4, 0}, {5, 1}, {9, 1}, {57, 11}, {99, 19}, {100, 20}, {101, 20}, {250, 20}};
    OsWindow bar = make_bar(200, 20);
    for (const Case& c : cases) {
        EXPECT_EQ(os_SendMsg(bar, OS_MSG_PROGRESS, c.position, 0), 0);
        EXPECT_EQ(os_QueryWindowWord(bar, 0), c.position);
        HeadlessPainting painting = headless_paint(bar);
        ASSERT_EQ(painting.fills.size(), 20u);
        EXPECT_EQ(solid_blocks(painting), c.lit) << "position " << c.position;
        // Lit blocks come first, from the left.
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(painting.fills[i].brush_kind == HEADLESS_BRUSH_SOLID, i < c.lit);
    }
}

TEST_F(ProgressBarTest, FramesAndBlocksFollowTheControlWidth)
{
    OsWindow bar = make_bar(200, 20);  // pitch (200 - 6) / 10 = 19, block 9
    os_SendMsg(bar, OS_MSG_PROGRESS, 10, 0);
    HeadlessPainting painting = headless_paint(bar);
    ASSERT_EQ(painting.frames.size(), 2u);
    EXPECT_EQ(painting.frames[0].style, -1);
    EXPECT_EQ(painting.frames[0].rectangle.left, 0);
    EXPECT_EQ(painting.frames[0].rectangle.right, 195);  // 10 * 19 + 5
    EXPECT_EQ(painting.frames[0].rectangle.top, 20);
    EXPECT_EQ(painting.frames[1].style, 1);
    EXPECT_EQ(painting.frames[1].rectangle.left, 1);
    EXPECT_EQ(painting.frames[1].rectangle.bottom, 1);
    EXPECT_EQ(painting.frames[1].rectangle.right, 194);
    EXPECT_EQ(painting.frames[1].rectangle.top, 19);

    ASSERT_EQ(painting.fills.size(), 20u);
    const int lefts[] = {3, 12, 22, 31, 41};  // two blocks per segment, one pixel gap
    for (int i = 0; i < 5; ++i) {
        const OsRect& cell = painting.fills[i].rectangle;
        EXPECT_EQ(cell.left, lefts[i]) << i;
        EXPECT_EQ(cell.right, lefts[i] + 9) << i;
        EXPECT_EQ(cell.bottom, 3);
        EXPECT_EQ(cell.top, 17);
    }
    EXPECT_EQ(painting.fills[19].rectangle.right, 9 * 19 + 3 + 18);
    EXPECT_EQ(painting.fills[0].colour, LIT_COLOUR);
    EXPECT_EQ(painting.fills[2].brush_kind, HEADLESS_BRUSH_PATTERN);
    EXPECT_EQ(painting.fills[2].bitmap_id, 2);
    EXPECT_EQ(headless_live_objects(), 0);  // brushes and bitmap deleted
}

TEST_F(ProgressBarTest, ANarrowControlDrawsOnlyItsFrames)
{
    OsWindow bar = make_bar(15, 10);  // pitch 0, block 0
    os_SendMsg(bar, OS_MSG_PROGRESS, 100, 0);
    HeadlessPainting painting = headless_paint(bar);
    ASSERT_EQ(painting.frames.size(), 2u);
    EXPECT_EQ(painting.frames[0].rectangle.right, 5);
    for (const HeadlessFill& fill : painting.fills)
        EXPECT_EQ(fill.rectangle.right - fill.rectangle.left, 0);
    EXPECT_EQ(headless_live_objects(), 0);
}

TEST_F(ProgressBarTest, PositionRepaintsAndMessage1025ChangesNothing)
{
    OsWindow bar = make_bar(200, 20);
    int before = headless_painting(bar).invalidations;
    os_SendMsg(bar, OS_MSG_PROGRESS, 35, 0);
    EXPECT_EQ(headless_painting(bar).invalidations, before + 1);
    EXPECT_EQ(os_SendMsg(bar, OS_MSG_1025, 80, 0), 0);
    EXPECT_EQ(headless_painting(bar).invalidations, before + 1);
    EXPECT_EQ(os_QueryWindowWord(bar, 0), 35u);
    EXPECT_EQ(solid_blocks(headless_paint(bar)), 7);
}

TEST_F(ProgressBarTest, StartsAtZero)
{
    OsWindow bar = make_bar(200, 20);
    EXPECT_EQ(os_QueryWindowWord(bar, 0), 0u);
    EXPECT_EQ(solid_blocks(headless_paint(bar)), 0);
}

}  // namespace
