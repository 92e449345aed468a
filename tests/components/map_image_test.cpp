// Map images: the area file (and what a hostile one cannot do), hovering
// the first listed area, the hover picture inside the outline, keys,
// selection into @SelStr/@SelIndex, the right-click offer and scrapping.
#include <gtest/gtest.h>

#include "components/map_image.h"
#include "expr/params.h"
#include "image_fixture.h"

namespace vesk::components::test {
namespace {

class MapFile {
 public:
  MapFile& Rect(const std::string& name, int32_t l, int32_t t, int32_t r, int32_t b) {
    Head(name, 0);
    for (int32_t v : {l, t, r, b}) out.I32(v);
    return *this;
  }
  MapFile& Ellipse(const std::string& name, int32_t l, int32_t t, int32_t r, int32_t b) {
    Head(name, 1);
    for (int32_t v : {l, t, r, b}) out.I32(v);
    return *this;
  }
  MapFile& Polygon(const std::string& name, std::vector<std::pair<int32_t, int32_t>> pts) {
    Head(name, 2);
    out.I32(static_cast<int32_t>(pts.size()));
    for (auto [x, y] : pts) {
      out.I32(x);
      out.I32(y);
    }
    return *this;
  }
  std::vector<uint8_t> Bytes() const {
    ByteWriter file;
    file.I32(count);
    std::vector<uint8_t> bytes = file.bytes();
    auto body = const_cast<ByteWriter&>(out).bytes();
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
  }

 private:
  void Head(const std::string& name, uint8_t shape) {
    ++count;
    out.Str(name);
    out.U8(shape);
  }
  ByteWriter out;
  int32_t count = 0;
};

TEST(MapAreas, ShapesCoverTheirPixels) {
  auto areas = ParseMapFile(MapFile()
                                .Rect("r", 1, 1, 2, 2)
                                .Ellipse("e", 0, 0, 9, 9)
                                .Polygon("p", {{0, 0}, {10, 0}, {0, 10}})
                                .Bytes());
  ASSERT_EQ(areas.size(), 3u);
  EXPECT_TRUE(areas[0].Contains(2, 2));  // edges inclusive
  EXPECT_FALSE(areas[0].Contains(3, 2));
  EXPECT_TRUE(areas[1].Contains(5, 5));
  EXPECT_FALSE(areas[1].Contains(0, 0));  // a corner of the box is outside the ellipse
  EXPECT_TRUE(areas[1].Contains(0, 5));
  EXPECT_TRUE(areas[2].Contains(1, 1));
  EXPECT_FALSE(areas[2].Contains(8, 8));
  // Painting marks exactly the pixels Contains answers for.
  for (const MapArea& a : areas) {
    graphics::TDIBX mask(12, 12, 8);
    mask.Fill(0);
    a.Paint(mask, 255);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x)
        EXPECT_EQ(mask.GetPixel(x, y) == 255, a.Contains(x, y)) << a.Name << x << "," << y;
  }
}

TEST(MapAreas, ASelfCrossingPolygonFillsByWinding) {
  // A five-pointed star drawn in one stroke: its centre has winding 2.
  auto areas = ParseMapFile(
      MapFile().Polygon("star", {{50, 0}, {79, 90}, {2, 35}, {97, 35}, {20, 90}}).Bytes());
  ASSERT_EQ(areas.size(), 1u);
  EXPECT_TRUE(areas[0].Contains(50, 45));
  EXPECT_TRUE(areas[0].Contains(50, 10));
  EXPECT_FALSE(areas[0].Contains(5, 80));
}

TEST(MapAreas, HostileFilesKeepWhatCameBeforeTheFault) {
  // Cut in the middle of the second area.
  std::vector<uint8_t> cut = MapFile().Rect("a", 0, 0, 1, 1).Rect("b", 0, 0, 1, 1).Bytes();
  cut.resize(cut.size() - 3);
  EXPECT_EQ(ParseMapFile(cut).size(), 1u);
  // A count far beyond the data, a polygon claiming two billion corners,
  // a negative name length and extreme coordinates.
  ByteWriter w;
  w.I32(0x7FFFFFFF);
  w.Str("x");
  w.U8(0);
  for (int32_t v : {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}) w.I32(v);
  w.Str("poly");
  w.U8(7);
  w.I32(0x7FFFFFF0);
  auto areas = ParseMapFile(w.bytes());
  ASSERT_EQ(areas.size(), 1u);
  EXPECT_TRUE(areas[0].Contains(0, 0));
  graphics::TDIBX mask(4, 4, 8);
  areas[0].Paint(mask, 255);
  EXPECT_EQ(mask.GetPixel(3, 3), 255u);
  ByteWriter negative;
  negative.I32(-5);
  EXPECT_TRUE(ParseMapFile(negative.bytes()).empty());
  EXPECT_TRUE(ParseMapFile({}).empty());
}

class Maps : public ImageScene {
 protected:
  Maps() {
    fake_.pictures["world.orl"] = {Solid(12, 8, 0x000010, 10), Solid(12, 8, 0x000010, 10)};
    fake_.pictures["lit.orl"] = {Solid(12, 8, 0x0000F0)};
    // "west" overlaps "big", which is listed after it.
    fake_.files["world.map"] = MapFile()
                                   .Rect("west", 0, 0, 3, 7)
                                   .Rect("big", 2, 0, 11, 7)
                                   .Rect("tiny", 20, 20, 21, 21)
                                   .Bytes();
  }
  TVeskMapImage& Map() {
    auto& map = Make<TVeskMapImage>(LT_MAPIMG, "map");
    map.SetStr(PR_SOURCE, "world.orl");
    map.SetStr(PR_HOVERSOURCE, "lit.orl");
    map.SetStr(PR_MAPSOURCE, "world.map");
    map.SetStr(PR_ONMAPIN, "p.lsb:in");
    map.SetStr(PR_ONMAPOUT, "p.lsb:out");
    map.SetStr(PR_ONSELECT, "p.lsb:sel");
    return map;
  }
};

TEST_F(Maps, TheMapTakesItsPicturesSizeAndReadsItsAreas) {
  auto& map = Map();
  EXPECT_EQ(map.Width, 12);
  EXPECT_EQ(map.Height, 8);
  ASSERT_EQ(map.Areas.size(), 3u);
  EXPECT_EQ(map.Hovered, -1);
  EXPECT_TRUE(map.GetFlag(PR_REPEAT));
  map.SetStr(PR_MAPSOURCE, "missing.map");
  EXPECT_TRUE(map.Areas.empty());
}

TEST_F(Maps, OverlappingAreasHoverTheOneListedFirst) {
  auto& map = Map();
  MoveMouse(2, 3);  // in both west and big
  Frame();
  EXPECT_EQ(map.Hovered, 0);
  EXPECT_EQ(Events(PR_ONMAPIN), std::vector<std::string>{"p.lsb:in(west)"});
  MoveMouse(5, 3);
  Frame();
  EXPECT_EQ(map.Hovered, 1);
  EXPECT_EQ(Events(PR_ONMAPOUT), std::vector<std::string>{"p.lsb:out(west)"});
  MoveMouse(30, 20);  // off the map: the mouse leaves
  Frame();
  EXPECT_EQ(map.Hovered, -1);
  EXPECT_EQ(Events(PR_ONMAPOUT).size(), 2u);
}

TEST_F(Maps, TheHoverPictureShowsOnlyInsideTheHoveredArea) {
  auto& map = Map();
  MoveMouse(1, 1);
  Frame();
  ASSERT_EQ(map.Hovered, 0);
  DrawAll();
  EXPECT_EQ(Pixel(3, 7), 0xF00000u);  // inside west (edges inclusive)
  EXPECT_EQ(Pixel(4, 0), 0x100000u);  // the map picture elsewhere
  EXPECT_EQ(Pixel(11, 7), 0x100000u);
  // The cache keeps the masks as decoded: another map of the same picture
  // is unaffected.
  const TOrloItem* item = pictures_.Find("world.orl?m");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Frames[0].Mask->GetPixel(1, 1), 255u);
  map.SetInt(PR_BRIGHTNESS, 0x10);
  DrawAll();
  EXPECT_EQ(Pixel(0, 0), 0xFF1010u);
  EXPECT_EQ(Pixel(5, 0), 0x201010u);
}

TEST_F(Maps, ClickingSelectsTheHoveredArea) {
  auto& map = Map();
  Click(6, 2);
  EXPECT_EQ(variables_.SelStr, "big");
  EXPECT_EQ(variables_.SelIndex, 1);
  EXPECT_EQ(Events(PR_ONSELECT), std::vector<std::string>{"p.lsb:sel(big,1)"});
  Click(6, 3);  // the first select event is still waiting: no second one
  EXPECT_EQ(Events(PR_ONSELECT).size(), 1u);
  map.SetFlag(PR_PAUSED, true);
  variables_.SelIndex = 9;
  Click(1, 1);
  EXPECT_EQ(variables_.SelIndex, 9);
}

TEST_F(Maps, AutoScrapRemovesTheMapTwoFramesAfterASelection) {
  auto& map = Map();
  map.SetFlag(PR_AUTOSCRAP, true);
  MoveMouse(6, 2);
  root_.RecordMouseDown(true, false);
  root_.InputStep(16);
  EXPECT_EQ(map.ScrapCountdown, 100);
  root_.UpdatePass(16);
  EXPECT_EQ(map.ScrapCountdown, 101);
  EXPECT_TRUE(map.IsInputLocked());
  root_.RecordMouseUp();
  Frame();
  EXPECT_EQ(root_.FindComponent("map"), nullptr);
}

TEST_F(Maps, ARightClickCancelsWhenTheMapScrapsOnIt) {
  auto& map = Map();
  RightClick(6, 2);  // not offered without RClickScrap
  EXPECT_EQ(map.ScrapCountdown, 0);
  map.SetFlag(PR_RCLICKSCRAP, true);
  map.SetInt(PR_IGNOREMOUSE, IM_CLICK);
  RightClick(6, 2);
  EXPECT_EQ(map.ScrapCountdown, 0);
  map.SetInt(PR_IGNOREMOUSE, IM_NONE);
  variables_.SelIndex = 4;
  MoveMouse(6, 2);
  root_.RecordMouseDown(false, true);
  root_.InputStep(16);
  EXPECT_EQ(root_.ShownBase()->RClick, 0);  // the map took it
  EXPECT_TRUE(map.IsInputLocked());
  EXPECT_EQ(variables_.SelIndex, -1);
  EXPECT_EQ(variables_.SelStr, "");
  root_.UpdatePass(16);
  root_.RecordMouseUp();
  Frame();
  EXPECT_EQ(root_.FindComponent("map"), nullptr);
  EXPECT_TRUE(root_.RightClickTakers.empty());
}

TEST_F(Maps, KeysMoveTheHoverAndSelect) {
  auto& map = Map();
  MoveMouse(30, 20);  // away from the map: only keys move the hover
  map.SetInt(PR_HANDLEKEY, 1);
  Frame();
  ASSERT_EQ(root_.Focus(), &map);
  auto press = [&](int vk) {
    root_.RecordKeyDown(vk);
    Frame();
    root_.RecordKeyUp(vk);
    Frame();
  };
  press(0x27);  // right: from none to the first
  EXPECT_EQ(map.Hovered, 0);
  press(0x25);  // left from the first wraps to the last
  EXPECT_EQ(map.Hovered, 2);
  press(0x28);  // down from the last wraps to the first
  EXPECT_EQ(map.Hovered, 0);
  press(0x0D);
  EXPECT_EQ(variables_.SelStr, "west");
  press(0x1B);  // Escape without RClickScrap: nothing
  EXPECT_EQ(map.ScrapCountdown, 0);
  map.SetFlag(PR_RCLICKSCRAP, true);
  root_.RecordKeyDown(0x1B);
  Frame();
  EXPECT_EQ(variables_.SelIndex, -1);
  EXPECT_EQ(map.ScrapCountdown, 101);
  EXPECT_TRUE(map.IsInputLocked());
}

TEST_F(Maps, BothPicturesAnimate) {
  auto& map = Map();
  EXPECT_EQ(map.SourceList().Index, 0);
  Frame(16);
  EXPECT_EQ(map.SourceList().Index, 1);
  map.SetFlag(PR_ANIPAUSED, true);
  Frame(16);
  EXPECT_EQ(map.SourceList().Index, 1);
}

}  // namespace
}  // namespace vesk::components::test
