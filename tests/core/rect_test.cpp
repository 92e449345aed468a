// The one rectangle: exclusive right and bottom edges, sizes that wrap in 32
// bits instead of overflowing, and extents that never overflow.
#include "core/rect.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace vesk {
namespace {

TEST(Rect, EdgesAreExclusiveOnTheRightAndBottom) {
  const Rect r = Rect::FromSize(2, 3, 4, 5);
  EXPECT_EQ(r, (Rect{2, 3, 6, 8}));
  EXPECT_EQ(r.Width(), 4);
  EXPECT_EQ(r.Height(), 5);
  EXPECT_TRUE(r.Contains(2, 3));
  EXPECT_TRUE(r.Contains(5, 7));
  EXPECT_FALSE(r.Contains(6, 7));
  EXPECT_FALSE(r.Contains(5, 8));
  EXPECT_TRUE(r.Contains(r));
  EXPECT_TRUE(r.Contains(Rect{3, 4, 6, 8}));
  EXPECT_FALSE(r.Contains(Rect{1, 4, 6, 8}));
  EXPECT_TRUE(Rect::FromSize(10, 10, 0, 5).IsEmpty());
  EXPECT_TRUE((Rect{5, 0, 4, 9}).IsEmpty());
}

TEST(Rect, IntersectionAndUnion) {
  const Rect a{0, 0, 10, 10}, b{5, -5, 20, 6};
  EXPECT_EQ(a.Intersect(b), (Rect{5, 0, 10, 6}));
  EXPECT_EQ(a.Union(b), (Rect{0, -5, 20, 10}));
  EXPECT_TRUE(a.Intersect(Rect{20, 20, 30, 30}).IsEmpty());
}

TEST(Rect, NearTheIntegerLimits) {
  // A size that carries past the limit wraps the edge: empty, not undefined.
  EXPECT_TRUE(Rect::FromSize(INT32_MAX - 1, 0, 5, 5).IsEmpty());
  const Rect all{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  EXPECT_EQ(all.Width(), int64_t{UINT32_MAX});
  EXPECT_EQ((Rect{INT32_MAX, 0, INT32_MIN, 1}).Width(), -int64_t{UINT32_MAX});
}

}  // namespace
}  // namespace vesk
