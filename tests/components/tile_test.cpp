// Tiles: the repeated pattern with its scroll origin, the zoomed and
// blended fills, gaps between copies, and frames that always loop.
#include <gtest/gtest.h>

#include "components/tile.h"
#include "image_fixture.h"

namespace vesk::components::test {
namespace {

constexpr uint32_t kA = 0x111111, kB = 0x444444, kC = 0x777777, kD = 0xAAAAAA;

class Tiles : public ImageScene {
 protected:
  Tiles() {
    fake_.pictures["quad.orl"] = {
        FakeFrame{2, 2, {int32_t(kA), int32_t(kB), int32_t(kC), int32_t(kD)}, {}, -1, 10},
        Solid(2, 2, 0x0000FF, 10)};
  }
  TVeskTile& Tile(int w, int h) {
    auto& tile = Make<TVeskTile>(LT_TILE, "tile");
    tile.SetStr(PR_SOURCE, "quad.orl");
    tile.SetBounds(0, 0, w, h);
    return tile;
  }
  std::vector<uint32_t> Row(int y, int n) const {
    std::vector<uint32_t> row;
    for (int x = 0; x < n; ++x) row.push_back(Pixel(x, y));
    return row;
  }
};

TEST_F(Tiles, ThePatternCoversTheRectangleFromTheScrollOrigin) {
  auto& tile = Tile(5, 3);
  EXPECT_EQ(tile.Width, 5);  // a tile keeps its own size
  DrawAll(0x010101);
  EXPECT_EQ(Row(0, 6), (std::vector<uint32_t>{kA, kB, kA, kB, kA, 0x010101}));
  EXPECT_EQ(Row(1, 5), (std::vector<uint32_t>{kC, kD, kC, kD, kC}));
  EXPECT_EQ(Row(2, 2), (std::vector<uint32_t>{kA, kB}));
  tile.SetInt(PR_SCROLLX, 1);
  tile.SetInt(PR_SCROLLY, 1);
  DrawAll();
  EXPECT_EQ(Row(0, 5), (std::vector<uint32_t>{kD, kC, kD, kC, kD}));
  tile.SetInt(PR_SCROLLX, -1);  // negative offsets wrap into the picture
  tile.SetInt(PR_SCROLLY, -3);
  DrawAll();
  EXPECT_EQ(Row(0, 5), (std::vector<uint32_t>{kD, kC, kD, kC, kD}));
}

TEST_F(Tiles, ZoomAndBlendGoThroughTheZoomedFill) {
  auto& tile = Tile(6, 2);
  tile.SetInt(PR_ZOOMX, 512);
  DrawAll();
  EXPECT_EQ(Row(0, 6), (std::vector<uint32_t>{kA, kA, kB, kB, kA, kA}));
  EXPECT_EQ(tile.Width, 6);
  tile.SetInt(PR_ZOOMX, 256);
  tile.SetInt(PR_ALPHA, 128);
  DrawAll(0x000000);
  EXPECT_EQ(Pixel(1, 0), 0x222222u);
}

TEST_F(Tiles, GapsLeaveTheBackgroundBetweenCopies) {
  auto& tile = Tile(8, 1);
  tile.SetInt(PR_DISTANCEX, 1);
  DrawAll(0x010101);
  EXPECT_EQ(Row(0, 8), (std::vector<uint32_t>{kA, kB, 0x010101, kA, kB, 0x010101, kA, kB}));
  // The scroll wraps at picture plus gap, so one more step moves by one.
  tile.SetInt(PR_SCROLLX, 1);
  DrawAll(0x010101);
  EXPECT_EQ(Row(0, 6), (std::vector<uint32_t>{kB, 0x010101, kA, kB, 0x010101, kA}));
}

TEST_F(Tiles, FramesAlwaysLoop) {
  auto& tile = Tile(2, 2);
  EXPECT_TRUE(tile.GetFlag(PR_REPEAT));
  tile.SetFlag(PR_REPEAT, false);
  EXPECT_TRUE(tile.GetFlag(PR_REPEAT));
  Frame(16);
  EXPECT_EQ(tile.FrameIndex, 1);
  Frame(16);
  EXPECT_EQ(tile.FrameIndex, 0);
  EXPECT_TRUE(tile.GetFlag(PR_PLAYING));
}

}  // namespace
}  // namespace vesk::components::test
