// The plane section keeps its active plane and layer choice within the room.

#include <gtest/gtest.h>

#include "desktop/PlaneSection.h"

TEST(PlaneSection, TheActivePlaneStaysWithinTheRoom)
{
    EXPECT_EQ(PlaneSection::ClampActivePlane(5, 3), 2);  // a room with fewer planes replaced it
    EXPECT_EQ(PlaneSection::ClampActivePlane(-1, 3), 0);
    EXPECT_EQ(PlaneSection::ClampActivePlane(4, 0), 0);
    EXPECT_EQ(PlaneSection::PlaneOfSpin(3, 6), 2);
    EXPECT_EQ(PlaneSection::PlaneOfSpin(9, 6), 5);
    EXPECT_EQ(PlaneSection::LayerItem(1, 2), 1);
    EXPECT_EQ(PlaneSection::LayerItem(2, 2), -1);
    EXPECT_EQ(PlaneSection::LayerItem(-1, 2), -1);
}
