// Videos on a fake video manager: size from the source and the zoom, the
// overlay rectangle, pictures copied into the scene, the play modes, the
// end of playback and the stored form.
#include <gtest/gtest.h>

#include "components/box.h"
#include "components/video.h"
#include "core/byte_reader.h"
#include "core/byte_writer.h"
#include "core/version.h"
#include "image_fixture.h"
#include "media_fakes.h"
#include "scene/scene_port.h"

namespace vesk::components::test {
namespace {

class Videos : public ImageScene {
 protected:
  Videos() {
    services_.media = &media_.managers;
    services_.file_available = [this](const std::string& name) { return media_.Holds(name); };
    services_.game_clock_ms = [this] { return clock_ms_; };
    services_.system_clock_ms = [this] { return static_cast<uint32_t>(clock_ms_); };
    services_.display_scale_percent = [this] { return scale_percent_; };
    services_.screen_bit_count = [] { return 32; };
    media_.video.files = {"clip.wmv"};
  }
  ~Videos() override { root_.Reset(); }
  TVeskVideo& Video(const std::string& name, bool play = true) {
    TVeskVideo& v = Make<TVeskVideo>(LT_VIDEO, name);
    v.SetStr(PR_SOURCE, "clip.wmv");
    v.SetInt(PR_VOLUME, 1000);
    if (play) v.SetPlayMode(LP_PLAY);
    return v;
  }
  FakeVideoItem& ItemOf(TVeskVideo& v) { return *dynamic_cast<FakeVideoItem*>(v.Item); }
  void Tick(int32_t ms) {
    clock_ms_ += ms;
    root_.UpdatePass(ms);
  }
  bool Exists(const std::string& name) const { return root_.IndexOfName(name) >= 0; }

  FakeMedia media_;
  int32_t clock_ms_ = 1000;
  int32_t scale_percent_ = 100;
};

TEST_F(Videos, SizeFollowsTheSourceAndTheZoom) {
  TVeskVideo& v = Video("v");
  ASSERT_NE(v.Item, nullptr);
  ASSERT_NE(v.FrameSurface, nullptr);
  EXPECT_EQ(v.FrameSurface->Width(), 16);
  EXPECT_EQ(v.FrameSurface->BitCount(), 32);
  EXPECT_EQ(v.Width, 16);
  EXPECT_EQ(v.Height, 8);
  EXPECT_TRUE(ItemOf(v).playing);
  EXPECT_EQ(ItemOf(v).volume, 0);
  EXPECT_TRUE(media_.video.last_overlay);
  v.SetInt(PR_ZOOMX, 512);
  EXPECT_EQ(v.Width, 32);
  v.SetInt(PR_ZOOMY, 128);
  EXPECT_EQ(v.Height, 4);
  v.SetInt(PR_ZOOMX, 0);
  EXPECT_EQ(v.ZoomX, 1);
  EXPECT_EQ(v.Width, 0);
  // Without an item there is nothing to size by.
  TVeskVideo& idle = Video("idle", false);
  idle.SetInt(PR_ZOOMX, 300);
  EXPECT_EQ(idle.Width, 0);
}

TEST_F(Videos, OverlayShowsTheVisiblePartInWindowPixels) {
  scale_percent_ = 200;
  TVeskVideo& v = Video("v");
  v.SetInt(PR_ZOOMX, 512);
  v.SetInt(PR_ZOOMY, 512);
  v.SetInt(PR_LEFT, 4);  // 32 x 16 at (4, 2): the scene's right edge cuts 4 pixels off
  v.SetInt(PR_TOP, 2);
  FakeVideoItem& item = ItemOf(v);
  EXPECT_TRUE(item.visible);
  EXPECT_EQ(item.source.left, 0);
  EXPECT_EQ(item.source.right, 14);  // 4 scene pixels are 2 video pixels at 200 %
  EXPECT_EQ(item.source.bottom, 8);
  EXPECT_EQ(item.screen.left, 8);
  EXPECT_EQ(item.screen.top, 4);
  EXPECT_EQ(item.screen.right, 64);
  EXPECT_EQ(item.screen.bottom, 36);
  // A clip rectangle of its own (from its corner) narrows it further:
  // scene x 12..22 of 4..36.
  v.SetInt(PR_CLIPLEFT, 8);
  v.SetInt(PR_CLIPTOP, 0);
  v.SetInt(PR_CLIPWIDTH, 10);
  v.SetInt(PR_CLIPHEIGHT, 40);
  EXPECT_EQ(item.source.left, 4);
  EXPECT_EQ(item.source.right, 9);
  v.SetFlag(PR_VISIBLE, false);
  EXPECT_FALSE(item.visible);
  v.SetFlag(PR_VISIBLE, true);
  EXPECT_TRUE(item.visible);
  // Moved off the scene, nothing is shown; it follows its parent too.
  v.SetInt(PR_LEFT, 100);
  EXPECT_FALSE(item.visible);
  auto& holder = Make<TVeskBox>(LT_BOX, "holder");
  holder.SetInt(PR_WIDTH, 32);
  holder.SetInt(PR_HEIGHT, 24);
  v.SetParent(&holder);
  v.SetInt(PR_LEFT, 0);
  v.SetInt(PR_CLIPWIDTH, 0);
  ASSERT_TRUE(item.visible);
  holder.SetInt(PR_LEFT, 3);
  EXPECT_EQ(item.screen.left, 6);
}

TEST_F(Videos, PicturesAreCopiedIntoTheSceneAndStayUpBetweenNewOnes) {
  TVeskVideo& v = Video("v");
  v.SetFlag(PR_OVERLAY, false);
  FakeVideoItem& item = ItemOf(v);
  for (size_t i = 0; i < item.pixels.size(); i += 4) {
    item.pixels[i] = 0x10;
    item.pixels[i + 1] = 0x20;
    item.pixels[i + 2] = 0x30;
    item.pixels[i + 3] = 0xFF;
  }
  DrawAll();
  EXPECT_EQ(Pixel(3, 3), 0u);  // no picture yet
  item.need_paint = true;
  Tick(40);
  DrawAll();
  EXPECT_EQ(Pixel(3, 3), 0x302010u);
  EXPECT_EQ(Pixel(20, 3), 0u);
  EXPECT_FALSE(item.need_paint);
  DrawAll();
  EXPECT_EQ(Pixel(3, 3), 0x302010u);
}

TEST(VideoPictures, ConversionToSixteenAndFifteenBits) {
  const uint8_t red[] = {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF};  // red, blue
  graphics::TDIBX s16(2, 1, 16), s15(2, 1, 15), s32(3, 2, 32);
  CopyBgrxPicture(red, 8, 2, 1, s16);
  CopyBgrxPicture(red, 8, 2, 1, s15);
  EXPECT_EQ(s16.GetPixel(0, 0), 0xF800u);
  EXPECT_EQ(s16.GetPixel(1, 0), 0x001Fu);
  EXPECT_EQ(s15.GetPixel(0, 0), 0x7C00u);
  // A picture smaller than the surface leaves the rest alone.
  s32.SetPixel(2, 1, 0x123456);
  CopyBgrxPicture(red, 8, 2, 1, s32);
  EXPECT_EQ(s32.GetPixel(0, 0), 0xFF0000u);
  EXPECT_EQ(s32.GetPixel(2, 1), 0x123456u);
}

TEST_F(Videos, StopClosesTheItemAndAFadeOutDeletesTheVideo) {
  TVeskVideo& stopped = Video("s");
  stopped.SetPlayMode(LP_STOP);
  EXPECT_EQ(stopped.Item, nullptr);
  EXPECT_EQ(stopped.FrameSurface, nullptr);
  Tick(16);
  EXPECT_TRUE(Exists("s"));
  TVeskVideo& faded = Video("f");
  faded.SetInt(PR_DELAY, 1000);
  faded.SetPlayMode(LP_STOPFADE);
  EXPECT_EQ(faded.Item, nullptr);
  EXPECT_EQ(faded.Name, "f");
  ASSERT_EQ(media_.video.items.size(), 1u);  // the fade holds it
  auto& held = *dynamic_cast<FakeVideoItem*>(media_.video.items[0].get());
  Tick(0);
  Tick(500);
  EXPECT_EQ(held.volume, -2500);
  Tick(500);
  EXPECT_FALSE(Exists("f"));
  EXPECT_TRUE(media_.video.items.empty());
}

TEST_F(Videos, OverlayChangeReopensAtTheSamePlace) {
  TVeskVideo& v = Video("v");
  ItemOf(v).position_ms = 2500;
  v.SetFlag(PR_OVERLAY, false);
  EXPECT_EQ(media_.video.adds, 2);
  EXPECT_FALSE(media_.video.last_overlay);
  EXPECT_EQ(ItemOf(v).position_ms, 2500);
  EXPECT_EQ(v.PlayMode, LP_PLAY);
}

TEST_F(Videos, PlayingPauseAndCabinets) {
  TVeskVideo& v = Video("v");
  FakeVideoItem& item = ItemOf(v);
  item.length_ms = 1000;
  EXPECT_TRUE(v.GetFlag(PR_PLAYING));
  item.position_ms = 999;
  EXPECT_FALSE(v.GetFlag(PR_PLAYING));
  v.SetFlag(PR_REPEAT, true);
  EXPECT_EQ(item.position_ms, 0);  // repeating from the end starts over
  EXPECT_TRUE(v.GetFlag(PR_PLAYING));
  v.SetFlag(PR_ANIPAUSED, true);
  EXPECT_TRUE(item.paused);
  EXPECT_FALSE(v.GetFlag(PR_PLAYING));
  v.SetFlag(PR_PAUSED, true);
  v.SetFlag(PR_ANIPAUSED, false);
  EXPECT_TRUE(item.paused);  // still paused
  v.SetFlag(PR_PAUSED, false);
  EXPECT_TRUE(item.playing);
  v.CabinetAttached();
  EXPECT_TRUE(item.paused);
  v.CabinetDetached();
  EXPECT_TRUE(item.playing);
}

TEST_F(Videos, EndOfPlaybackQueuesTheHandlerOrScraps) {
  TVeskVideo& plain = Video("plain");
  plain.SetStr(PR_ONPLAYEND, "p:end");
  TVeskVideo& scrap = Video("scrap");
  scrap.SetFlag(PR_AUTOSCRAP, true);
  ItemOf(plain).ended = true;
  ItemOf(scrap).ended = true;
  Tick(16);
  Tick(16);
  EXPECT_EQ(Events(PR_ONPLAYEND), std::vector<std::string>{"p:end()"});
  EXPECT_FALSE(Exists("scrap"));
}

TEST_F(Videos, ReplayFadesInAgainAndTheVolumeMovesTheTarget) {
  TVeskVideo& v = Make<TVeskVideo>(LT_VIDEO, "v");
  v.SetStr(PR_SOURCE, "clip.wmv");
  v.SetInt(PR_VOLUME, 1000);
  v.SetInt(PR_DELAY, 1000);
  scene::SceneCommandPort(root_).CreationComplete(v);
  EXPECT_EQ(v.PlayMode, LP_PLAYFADE);
  ASSERT_NE(v.Fade, nullptr);
  FakeVideoItem& item = ItemOf(v);
  Tick(0);
  Tick(600);
  item.position_ms = 600;
  v.Replay();
  EXPECT_EQ(item.position_ms, 0);
  EXPECT_TRUE(item.paused);
  EXPECT_EQ(item.volume, -10000);
  v.SetInt(PR_VOLUME, 500);
  EXPECT_EQ(v.Fade->TargetVolume, -2500);
  Tick(0);  // the new fade starts playing
  EXPECT_TRUE(item.playing);
  Tick(1000);
  EXPECT_EQ(item.volume, -2500);
  EXPECT_EQ(v.Fade, nullptr);
  // A new source closes the item.
  v.SetStr(PR_SOURCE, "other.wmv");
  EXPECT_EQ(v.Item, nullptr);
  EXPECT_EQ(v.FrameSurface, nullptr);
  EXPECT_TRUE(media_.video.items.empty());
}

TEST_F(Videos, MadeByItsCommandTheOverlayIsPlacedAtOnce) {
  auto* v = dynamic_cast<TVeskVideo*>(root_.CreateByKind(LT_VIDEO));
  ASSERT_NE(v, nullptr);
  v->SetStr(PR_SOURCE, "clip.wmv");
  scene::SceneCommandPort(root_).CreationComplete(*v);
  EXPECT_EQ(v->Parent, root_.ShownBase());
  ASSERT_NE(v->Item, nullptr);
  EXPECT_TRUE(ItemOf(*v).visible);
  EXPECT_EQ(ItemOf(*v).screen.right, 16);
}

TEST_F(Videos, APictureSizeNoSurfaceTakesShowsNothing) {
  media_.video.video_w = 1 << 20;
  media_.video.video_h = 1 << 20;
  media_.video.files.insert("huge.wmv");
  TVeskVideo& v = Make<TVeskVideo>(LT_VIDEO, "v");
  v.SetStr(PR_SOURCE, "huge.wmv");
  v.SetPlayMode(LP_PLAY);
  ASSERT_NE(v.Item, nullptr);
  EXPECT_EQ(v.FrameSurface, nullptr);
  DrawAll();
  EXPECT_EQ(Pixel(0, 0), 0u);
}

TEST_F(Videos, StoredFormRoundTripAndVersionRules) {
  TVeskVideo& v = Video("v");
  v.SetFlag(PR_OVERLAY, false);
  v.SetInt(PR_VOLUME, 600);
  v.SetStr(PR_ONIDLE, "p:idle");
  ItemOf(v).position_ms = 777;
  auto load_at = [&](int32_t version) -> TVeskVideo& {
    ByteWriter out;
    RecordIO w(out, version);
    v.Transfer(w);
    TVeskVideo& copy = Make<TVeskVideo>(LT_VIDEO, "c");
    ByteReader in(out.bytes().data(), out.bytes().size());
    copy.LoadFromStream(in, version);
    EXPECT_EQ(in.remaining(), 0u) << version;
    ByteReader cut(out.bytes().data(), out.bytes().size() - 1);
    EXPECT_THROW(Make<TVeskVideo>(LT_VIDEO, "cut").LoadFromStream(cut, version), ETruncated);
    return copy;
  };
  TVeskVideo& now = load_at(kSaveVersion);
  EXPECT_EQ(now.Overlay, 0);
  EXPECT_EQ(now.Volume, 600);
  EXPECT_EQ(now.OnIdle, "p:idle");
  ASSERT_NE(now.Item, nullptr);
  EXPECT_EQ(ItemOf(now).position_ms, 777);
  EXPECT_EQ(ItemOf(now).volume, -2000);
  TVeskVideo& old = load_at(111);  // before the overlay flag was kept
  EXPECT_EQ(old.Overlay, 1);
}

}  // namespace
}  // namespace vesk::components::test
