#include "views/charts/LayerList.h"

#include <gtest/gtest.h>

namespace {

// Counts the layers alive; ASan reports a second delete of the same one.
struct CountingLayer {
    static inline int alive = 0;
    CountingLayer() { ++alive; }
    ~CountingLayer() { --alive; }
};

using List = charts::LayerList<CountingLayer>;

}  // namespace

TEST(LayerList, RemovalWithoutDeletionTakesOneEntry)
{
    CountingLayer layer;
    List list;
    EXPECT_FALSE(list.Add(nullptr));
    ASSERT_TRUE(list.Add(&layer));
    ASSERT_TRUE(list.Add(&layer));
    EXPECT_TRUE(list.Remove(&layer, false));
    EXPECT_EQ(list.Size(), 1u);
    EXPECT_TRUE(list.Remove(&layer, false));
    EXPECT_FALSE(list.Remove(&layer, false));
    EXPECT_EQ(CountingLayer::alive, 1);
}

TEST(LayerList, RemovalWithDeletionTakesEveryEntryOfTheLayer)
{
    List list;
    auto* shared = new CountingLayer;
    auto* other = new CountingLayer;
    list.Add(shared);
    list.Add(other);
    list.Add(shared);
    EXPECT_TRUE(list.Remove(shared, true));
    ASSERT_EQ(list.Size(), 1u);
    EXPECT_EQ(list.At(0), other);
    EXPECT_EQ(CountingLayer::alive, 1);
    list.Clear(true);
    EXPECT_EQ(CountingLayer::alive, 0);
}

TEST(LayerList, ClearDeletesEachDistinctLayerOnce)
{
    List list;
    auto* a = new CountingLayer;
    auto* b = new CountingLayer;
    for (auto* l : {a, b, a, a, b}) list.Add(l);
    list.Clear(true);
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(CountingLayer::alive, 0);

    CountingLayer kept;
    list.Add(&kept);
    list.Clear(false);
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(CountingLayer::alive, 1);
}

TEST(LayerList, PositionsOutsideTheListGiveNull)
{
    CountingLayer layer;
    List list;
    list.Add(&layer);
    EXPECT_EQ(list.At(0), &layer);
    EXPECT_EQ(list.At(-1), nullptr);
    EXPECT_EQ(list.At(1), nullptr);
}
