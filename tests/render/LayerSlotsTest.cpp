// Where layers go in their page textures, without OpenGL.
#include <gtest/gtest.h>

#include "render/LayerSlots.h"

namespace {

void expectSlot(unsigned page, unsigned x, unsigned y, const LayerSlots::Slot& slot)
{
    EXPECT_EQ(page, slot.page);
    EXPECT_EQ(x, slot.x);
    EXPECT_EQ(y, slot.y);
}

TEST(LayerSlotsTest, SlotsFillAPageInRowsAndSizesKeepToPagesOfTheirOwn)
{
    LayerSlots slots(64);
    LayerSlots::Slot slot;
    EXPECT_FALSE(slots.take(30, 20, slot));   // no page yet
    ASSERT_EQ(0u, slots.addPage(30, 20));
    const unsigned corners[6][2] = {{0, 0}, {30, 0}, {0, 20}, {30, 20}, {0, 40}, {30, 40}};
    for (const auto& corner : corners) {
        ASSERT_TRUE(slots.take(30, 20, slot));
        expectSlot(0, corner[0], corner[1], slot);
        EXPECT_FALSE(slots.take(16, 16, slot));   // another size never shares the page
    }
    EXPECT_FALSE(slots.take(30, 20, slot));   // two across, three down: full
    ASSERT_EQ(1u, slots.addPage(16, 16));
    ASSERT_TRUE(slots.take(16, 16, slot));
    expectSlot(1, 0, 0, slot);

    EXPECT_EQ(64u, slots.pageSideFor(16, 16));
    EXPECT_EQ(128u, slots.pageSideFor(100, 40));   // a slot larger than a page gets a larger page
    ASSERT_EQ(2u, slots.addPage(100, 40));
    EXPECT_EQ(128u, slots.getPageSide(2));
}

TEST(LayerSlotsTest, GivenBackSlotsAreTakenAgainAndAnEmptiedPageIsGivenUp)
{
    LayerSlots slots(64);
    LayerSlots::Slot first, second, third;
    slots.addPage(32, 32);
    ASSERT_TRUE(slots.take(32, 32, first));
    ASSERT_TRUE(slots.take(32, 32, second));
    EXPECT_FALSE(slots.give(first));   // the page still holds the second
    ASSERT_TRUE(slots.take(32, 32, third));
    expectSlot(0, 0, 0, third);

    slots.addPage(48, 48);
    EXPECT_FALSE(slots.give(third));
    EXPECT_TRUE(slots.give(second));   // the last slot of page 0
    EXPECT_FALSE(slots.take(32, 32, first));
    // The next page made takes the number given up, whatever its slot size.
    EXPECT_EQ(0u, slots.addPage(20, 20));
    ASSERT_TRUE(slots.take(20, 20, first));
    expectSlot(0, 0, 0, first);
    EXPECT_EQ(2u, slots.addPage(20, 20));
}

} // namespace
