// The saved state of the image kinds: whole-scene round trips at the
// current version, and older records without the fields later versions
// added (ZoomY from 104, handlers and pause from 104, the map's scrap
// countdown from 115).
#include <gtest/gtest.h>

#include "components/button.h"
#include "components/custom_image.h"
#include "components/images.h"
#include "components/map_image.h"
#include "components/tile.h"
#include "image_fixture.h"

namespace vesk::components::test {
namespace {

constexpr int32_t kCurrent = 120;

class StoredForms : public ImageScene {
 protected:
  StoredForms() {
    fake_.pictures["three.orl"] = {Solid(4, 3, 0x0000FF, 10), Solid(4, 3, 0x00FF00, 20),
                                   Solid(4, 3, 0xFF0000, 30)};
    fake_.pictures["n.orl"] = {Solid(4, 4, 1)};
    fake_.pictures["h.orl"] = {Solid(4, 4, 2)};
    fake_.pictures["c.orl"] = {Solid(4, 4, 3)};
    ByteWriter map;
    map.I32(1);
    map.Str("all");
    map.U8(0);
    for (int32_t v : {0, 0, 3, 2}) map.I32(v);
    fake_.files["m.map"] = map.bytes();
  }

  // The whole scene saved and loaded into a second root with the same
  // services.
  std::unique_ptr<scene::TVeskBaseList> RoundTrip() {
    ByteWriter out;
    root_.SaveToStream(out);
    auto copy = std::make_unique<scene::TVeskBaseList>(Env());
    ByteReader in(out.bytes().data(), out.bytes().size());
    copy->LoadFromStream(in, kCurrent);
    EXPECT_EQ(in.remaining(), 0u);
    return copy;
  }

  // The control part of a record as versions before 118 wrote it.
  static void OldControl(ByteWriter& w, const std::string& name, int32_t version) {
    w.Str(name);
    w.I32(0);                                       // priority
    if (version > 103) w.I32(0);                    // priority bias
    for (int32_t v : {5, 6, 0, 0, 0, 0}) w.I32(v);  // left, top, width, height, offsets
    w.U8(0);                                        // zoomed position
    if (version > 103) {
      for (int i = 0; i < 4; ++i) w.I32(0);  // clip
      w.U8(0);                               // animation pause
    }
    w.U8(1);                                  // visible
    w.I32(0);                                 // colour
    for (int32_t v : {0, 0, 1, 1}) w.I32(v);  // saved rectangle
    w.U8(0);                                  // mouse mode
    w.Str("");                                // cursor
    for (int i = 0; i < 9; ++i) w.Str("");    // mouse handlers (mouse-in from 102)
  }
  static void ImageFields(ByteWriter& w, int32_t version) {
    w.I32(300);  // alpha
    w.I32(512);  // zoom x
    w.I32(0);    // angle
    w.U8(1);     // flip h
    w.U8(0);
    w.U8(1);  // capture mask
    if (version >= 104) w.I32(128);
  }
  static void AnimatedFields(ByteWriter& w, int32_t remaining, int32_t index) {
    w.I32(remaining);
    w.I32(index);
    w.I32(-40);  // brightness
    w.U8(0);     // paused
    w.I32(0);    // no end-wait operations
  }
  template <class T>
  T& LoadInto(int kind, const std::vector<uint8_t>& bytes, int32_t version) {
    auto& object = *dynamic_cast<T*>(root_.CreateByKind(kind));
    object.SetParent(root_.ShownBase());
    ByteReader in(bytes.data(), bytes.size());
    object.LoadFromStream(in, version);
    EXPECT_EQ(in.remaining(), 0u);
    return object;
  }
};

TEST_F(StoredForms, AnimatedImagesComeBackWithTheirFrameAndEndWait) {
  auto& image = Make<TVeskImages>(LT_IMAGES, "anim");
  image.SetStr(PR_SOURCE, "three.orl");
  image.SetInt(PR_ZOOMX, 300);
  image.SetInt(PR_ZOOMY, 200);
  image.SetInt(PR_ANGLE, 17);
  image.SetInt(PR_ALPHA, 99);
  image.SetFlag(PR_FLIPV, true);
  image.SetFlag(PR_CAPTUREMASK, true);
  image.SetFlag(PR_REPEAT, true);
  image.SetFlag(PR_AUTOSCRAP, true);
  image.SetInt(PR_BRIGHTNESS, 50);
  image.SetStr(PR_ONPLAYEND, "p.lsb:end");
  image.SetStr(PR_ONIDLE, "p.lsb:idle");
  auto op = std::make_unique<expr::TOpeData>();
  op->Op = lang::ocTo;
  op->Dest = expr::kResultTemp;
  auto value = expr::MakeParam(lang::PT_INT);
  value->SetInt(250);
  op->Operands.push_back(std::move(value));
  image.EndWait.Ops.push_back(std::move(op));
  image.SetInt(PR_INDEX, 1);
  image.Remaining = 7;

  auto copy = RoundTrip();
  auto* loaded = dynamic_cast<TVeskImages*>(copy->FindComponent("anim"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetStr(PR_SOURCE), "three.orl");
  EXPECT_EQ(loaded->GetInt(PR_INDEX), 1);
  EXPECT_EQ(loaded->Remaining, 7);
  EXPECT_EQ(loaded->ZoomX, 300);
  EXPECT_EQ(loaded->ZoomY, 200);
  EXPECT_EQ(loaded->Angle, 17);
  EXPECT_EQ(loaded->Alpha, 99);
  EXPECT_TRUE(loaded->FlipV && loaded->CaptureMask && loaded->Repeat && loaded->AutoScrap);
  EXPECT_EQ(loaded->Brightness, 50);
  EXPECT_EQ(loaded->OnPlayEnd, "p.lsb:end");
  EXPECT_EQ(loaded->OnIdle, "p.lsb:idle");
  ASSERT_EQ(loaded->EndWait.Ops.size(), 1u);
  loaded->SetInt(PR_INDEX, 2);
  EXPECT_EQ(loaded->Remaining, 7 + 30 + 250);
}

TEST_F(StoredForms, Version103ImagesHaveOneZoomAndNoIdleHandler) {
  for (int32_t version : {103, 104}) {
    ByteWriter w;
    OldControl(w, "old" + std::to_string(version), version);
    ImageFields(w, version);
    AnimatedFields(w, 5, 2);
    w.U8(0);  // repeat
    w.U8(0);  // auto scrap
    w.Str("three.orl");
    w.Str("p.lsb:end");
    if (version > 103) w.Str("p.lsb:idle");
    w.I32(0);  // children
    auto& image = LoadInto<TVeskImages>(LT_IMAGES, w.bytes(), version);
    EXPECT_EQ(image.ZoomX, 512);
    EXPECT_EQ(image.ZoomY, version >= 104 ? 128 : 512) << version;
    EXPECT_EQ(image.OnIdle, version > 103 ? "p.lsb:idle" : "") << version;
    EXPECT_EQ(image.FrameIndex, 2);
    EXPECT_EQ(image.Remaining, 5);
    EXPECT_EQ(image.Brightness, -40);
    EXPECT_EQ(image.Alpha, 300);
  }
}

TEST_F(StoredForms, ButtonsComeBackSelectedInTheirGroup) {
  auto& a = Make<TVeskButton>(LT_BUTTON, "a");
  a.SetStr(PR_SOURCE, "n.orl");
  a.SetStr(PR_HOVERSOURCE, "h.orl");
  a.SetStr(PR_PRESSEDSOURCE, "h.orl");
  a.SetStr(PR_CLICKEDSOURCE, "c.orl");
  a.SetInt(PR_GROUPINDEX, 4);
  a.SetFlag(PR_ALLOWALLUP, true);
  a.SetFlag(PR_SELECTED, true);
  a.SetStr(PR_ONNOTIFY, "p.lsb:a");
  a.SetStr(PR_ONIDLE, "p.lsb:idle");
  a.Tracking = 1;
  auto copy = RoundTrip();
  auto* b = dynamic_cast<TVeskButton*>(copy->FindComponent("a"));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->GetStr(PR_HOVERSOURCE), "h.orl");
  EXPECT_EQ(b->GetStr(PR_CLICKEDSOURCE), "c.orl");
  EXPECT_EQ(b->GroupIndex, 4);
  EXPECT_TRUE(b->Selected);
  EXPECT_TRUE(b->AllowAllUp);
  EXPECT_EQ(b->State, TVeskButton::kPressed);
  EXPECT_EQ(b->Tracking, 0);
  EXPECT_EQ(b->OnNotify, "p.lsb:a");
  EXPECT_EQ(b->OnIdle, "p.lsb:idle");
}

TEST_F(StoredForms, Version103ButtonsHaveNoClickedSource) {
  ByteWriter w;
  OldControl(w, "old", 103);
  ImageFields(w, 103);
  AnimatedFields(w, 0, 0);
  w.U8(0);
  w.U8(1);  // auto scrap
  w.Str("n.orl");
  w.Str("");
  w.Str("h.orl");  // hover
  w.Str("");       // pressed
  w.I32(0);        // group
  w.U8(0);
  w.U8(0);
  w.Str("p.lsb:old");
  w.I32(0);
  auto& b = LoadInto<TVeskButton>(LT_BUTTON, w.bytes(), 103);
  EXPECT_EQ(b.GetStr(PR_HOVERSOURCE), "h.orl");
  EXPECT_EQ(b.GetStr(PR_CLICKEDSOURCE), "");
  EXPECT_EQ(b.OnNotify, "p.lsb:old");
  EXPECT_TRUE(b.AutoScrap);
}

TEST_F(StoredForms, MapsKeepTheirScrapCountdownFromVersion115) {
  auto& map = Make<TVeskMapImage>(LT_MAPIMG, "map");
  map.SetStr(PR_SOURCE, "n.orl");
  map.SetStr(PR_HOVERSOURCE, "h.orl");
  map.SetStr(PR_MAPSOURCE, "m.map");
  map.SetInt(PR_ALPHA, 200);
  map.SetInt(PR_BRIGHTNESS, -9);
  map.SetStr(PR_ONSELECT, "p.lsb:sel");
  map.SetFlag(PR_RCLICKSCRAP, true);
  map.ScrapCountdown = 100;
  auto copy = RoundTrip();
  auto* loaded = dynamic_cast<TVeskMapImage*>(copy->FindComponent("map"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Areas.size(), 1u);
  EXPECT_EQ(loaded->Width, 4);
  EXPECT_EQ(loaded->Alpha, 200);
  EXPECT_EQ(loaded->Brightness, -9);
  EXPECT_EQ(loaded->OnSelect, "p.lsb:sel");
  EXPECT_TRUE(loaded->RClickScrap);
  EXPECT_EQ(loaded->ScrapCountdown, 100);
  // The countdown goes on after the load: locked, then gone.
  EXPECT_EQ(copy->RightClickTakers.size(), 1u);
  copy->UpdatePass(16);
  EXPECT_TRUE(loaded->IsInputLocked());
  copy->UpdatePass(16);
  EXPECT_EQ(copy->FindComponent("map"), nullptr);

  for (int32_t version : {103, 114, 115}) {
    ByteWriter w;
    OldControl(w, "old" + std::to_string(version), version);
    w.Str("n.orl");
    w.Str("");
    w.Str("m.map");
    w.I32(255);
    w.I32(0);
    w.Str("p.lsb:in");
    w.Str("p.lsb:out");
    w.U8(1);
    w.U8(0);
    if (version > 103) {
      w.Str("p.lsb:idle");
      w.U8(1);
      w.Str("p.lsb:sel");
    }
    if (version > 114) w.I32(101);
    w.I32(0);
    auto& old = LoadInto<TVeskMapImage>(LT_MAPIMG, w.bytes(), version);
    EXPECT_EQ(old.OnMapOut, "p.lsb:out");
    EXPECT_EQ(old.OnSelect, version > 103 ? "p.lsb:sel" : "") << version;
    EXPECT_EQ(old.Paused, version > 103 ? 1 : 0) << version;
    EXPECT_EQ(old.ScrapCountdown, version > 114 ? 101 : 0) << version;
  }
}

TEST_F(StoredForms, TilesAndStillImagesKeepTheirFields) {
  auto& tile = Make<TVeskTile>(LT_TILE, "tile");
  tile.SetStr(PR_SOURCE, "three.orl");
  tile.SetBounds(1, 2, 30, 20);
  tile.SetInt(PR_SCROLLX, -7);
  tile.SetInt(PR_SCROLLY, 9);
  tile.SetInt(PR_DISTANCEX, 2);
  tile.SetInt(PR_DISTANCEY, 3);
  tile.SetStr(PR_ONIDLE, "p.lsb:idle");
  auto copy = RoundTrip();
  auto* t = dynamic_cast<TVeskTile*>(copy->FindComponent("tile"));
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Source, "three.orl");
  EXPECT_EQ(t->Width, 30);
  EXPECT_EQ(t->ScrollX, -7);
  EXPECT_EQ(t->ScrollY, 9);
  EXPECT_EQ(t->DistanceX, 2);
  EXPECT_EQ(t->DistanceY, 3);
  EXPECT_EQ(t->OnIdle, "p.lsb:idle");
  EXPECT_EQ(t->FrameIndex, 0);

  // A still image (kind 0) is never part of a scene save; its own record
  // still round-trips.
  auto& still = MakeByCode<TVeskImage>("still");
  still.SetStr(PR_SOURCE, "n.orl");
  still.SetInt(PR_BRIGHTNESS, 100);
  ByteWriter out;
  still.SaveToStream(out);
  auto& back = MakeByCode<TVeskImage>("back");
  ByteReader in(out.bytes().data(), out.bytes().size());
  back.LoadFromStream(in, kCurrent);
  EXPECT_EQ(in.remaining(), 0u);
  EXPECT_EQ(back.Source, "n.orl");
  EXPECT_EQ(back.Brightness, 100);
  EXPECT_NE(back.ShownSurface(), nullptr);
}

}  // namespace
}  // namespace vesk::components::test
