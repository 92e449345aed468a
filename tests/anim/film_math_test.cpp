#include "anim/film_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace vesk::anim {
namespace {

FrameStep At(int32_t step, int32_t count, bool follower = false) {
  return {step, count, follower};
}

TEST(FilmInterpolate, LinearIntegerAndRealOverThreeFrames) {
  EXPECT_EQ(Interpolate(kEaseLinear, 0, 10, At(0, 3)), 0);
  EXPECT_EQ(Interpolate(kEaseLinear, 0, 10, At(1, 3)), 5);
  EXPECT_EQ(Interpolate(kEaseLinear, 0, 10, At(2, 3)), 10);
  EXPECT_DOUBLE_EQ(InterpolateReal(kEaseLinear, 0, 10, At(0, 3)), 0);
  EXPECT_DOUBLE_EQ(InterpolateReal(kEaseLinear, 0, 10, At(1, 3)), 10.0 / 3);
  EXPECT_DOUBLE_EQ(InterpolateReal(kEaseLinear, 0, 10, At(2, 3)), 10);
}

TEST(FilmInterpolate, LinearTruncatesTowardsZero) {
  // -10 / 3 is -3.33: truncation gives -3 where flooring would give -4.
  EXPECT_EQ(Interpolate(kEaseLinear, 0, -10, At(1, 4)), -3);
  EXPECT_EQ(Interpolate(kEaseLinear, 0, 10, At(1, 4)), 3);
}

TEST(FilmInterpolate, AcceleratingAndDeceleratingOverFiveFrames) {
  // Worked out by hand: to - round(100 sin((5 - s - 1) pi/10)) and
  // round(100 sin(s pi/10)) for s = 1, 2, 3.
  const int32_t accelerating[] = {0, 19, 41, 69, 100};
  const int32_t decelerating[] = {0, 31, 59, 81, 100};
  for (int32_t s = 0; s < 5; ++s) {
    EXPECT_EQ(Interpolate(kEaseAccelerate, 0, 100, At(s, 5)), accelerating[s]) << s;
    EXPECT_EQ(Interpolate(kEaseDecelerate, 0, 100, At(s, 5)), decelerating[s]) << s;
    // Every easing byte other than 0 and 1 decelerates.
    EXPECT_EQ(Interpolate(7, 0, 100, At(s, 5)), decelerating[s]) << s;
  }
  EXPECT_NEAR(InterpolateReal(kEaseDecelerate, 0, 100, At(1, 5)), 30.9017, 1e-4);
  EXPECT_NEAR(InterpolateReal(kEaseAccelerate, 0, 100, At(1, 5)), 100 - 80.9017, 1e-4);
}

TEST(FilmInterpolate, FollowerAddsAStepAndShortListsShowTheirEnds) {
  // A list with a follower never reaches its own end: 0, 5 over Length 2.
  EXPECT_EQ(Interpolate(kEaseLinear, 0, 10, At(1, 2, true)), 5);
  EXPECT_EQ(Interpolate(kEaseLinear, 0, 10, At(1, 2)), 10);
  EXPECT_EQ(Interpolate(kEaseLinear, 3, 10, At(0, 1)), 3);
  // Steps that a list of one frame (or none) cannot have give the end, not
  // a division by zero.
  EXPECT_EQ(Interpolate(kEaseLinear, 3, 10, At(4, 1)), 10);
  EXPECT_EQ(Interpolate(kEaseLinear, 3, 10, At(4, 0)), 10);
  EXPECT_DOUBLE_EQ(InterpolateReal(kEaseLinear, 3, 10, At(4, 0)), 10);
  // Extreme ends wrap instead of overflowing.
  EXPECT_EQ(Interpolate(kEaseLinear, INT32_MIN, INT32_MAX, At(1, 3)), -1);
}

TEST(FilmValues, AlphaZeroIsOpaqueAndNegativeIsAdditive) {
  EXPECT_EQ(InterpolateAlpha(0, 0, At(1, 3)), 255);
  EXPECT_EQ(InterpolateAlpha(-128, 0, At(0, 3)), 384);  // additive at level 128
  EXPECT_EQ(InterpolateAlpha(-128, 0, At(1, 3)), 63);   // -128 + 383 / 2
  EXPECT_EQ(InterpolateAlpha(-128, 0, At(2, 3)), 255);
  EXPECT_EQ(InterpolateAlpha(0, 100, At(0, 2)), 255);
}

TEST(FilmValues, AngleInUnitsOfATurn) {
  EXPECT_EQ(InterpolateAngle(kEaseLinear, -90, -90, At(0, 1)), 192);
  EXPECT_EQ(InterpolateAngle(kEaseLinear, 450, 450, At(0, 1)), 64);
  EXPECT_EQ(InterpolateAngle(kEaseLinear, 0, 0, At(0, 1)), 0);
  // 0 to 360 over 5 frames: the real steps divide by 5, and the end is a
  // whole turn, 0.
  EXPECT_EQ(InterpolateAngle(kEaseLinear, 0, 360, At(1, 5)), 51);  // 72 degrees
  EXPECT_EQ(InterpolateAngle(kEaseLinear, 0, 360, At(4, 5)), 0);
}

TEST(FilmValues, ClipOfZeroSizeIsNoneAndOnePixelShows) {
  ClipBlock clip;
  clip.StartClipPos = clip.EndClipPos = {5, 6};
  EXPECT_EQ(InterpolateClip(clip, At(0, 1)), FilmClip{});
  clip.StartClipSize = clip.EndClipSize = {1, 1};
  EXPECT_EQ(InterpolateClip(clip, At(0, 1)), (FilmClip{5, 6, 1, 1}));
  clip.EndClipSize = {0, 1};  // shrinks away: no clip at the end
  EXPECT_EQ(InterpolateClip(clip, At(1, 2)), FilmClip{});
}

TEST(FilmValues, ColoursMoveByChannelAndZoomTruncates) {
  // Red 0x20, green 0x14, blue 0x0A halfway from black.
  EXPECT_EQ(InterpolateColor(0, 0x0A1420, At(1, 3)), 0x050A10);
  EXPECT_EQ(InterpolateColor(0x123456, 0x123456, At(1, 3)), 0x123456);
  EXPECT_EQ(InterpolateWidth(2, 6, At(1, 3)), 4);
  EXPECT_EQ(ZoomUnits(1.5), 384);
  EXPECT_EQ(ZoomUnits(0.999), 255);
  EXPECT_EQ(ZoomUnits(std::nan("")), 0);
  EXPECT_EQ(ZoomUnits(1e300), INT32_MAX);
  EXPECT_EQ(InterpolateZoom(kEaseLinear, 1.0, 2.0, At(1, 3)), 384);
}

TEST(FilmValues, SizeByEdgesFollowsTheRightAndBottomEdges) {
  // A box at (10, 10) 20 wide moving to (30, 10) 40 wide: halfway its
  // right edge is at 49 and it stands at x 20.
  const FilmPoint start{10, 10}, end{30, 10};
  const FrameStep mid = At(1, 3);
  const FilmPoint pos = InterpolatePoint(start, end, kEaseLinear, kEaseLinear, mid);
  EXPECT_EQ(pos, (FilmPoint{20, 10}));
  EXPECT_EQ(SizeByEdges(start, end, {20, 20}, {40, 20}, kEaseLinear, kEaseLinear, pos, mid),
            (FilmPoint{30, 20}));
}

TEST(FilmFrames, ElementAtWalksDurationsModuloTheCycle) {
  std::vector<FrameElement> elements(3);
  elements[0].Duration = 2;
  elements[1].Duration = 3;
  elements[2].Duration = 1;
  const int32_t expected[] = {0, 0, 1, 1, 1, 2, 0, 0};
  for (int32_t t = 0; t < 8; ++t)
    EXPECT_EQ(FrameAt(FrameListKind::kImage, elements, 6, t), expected[t]) << t;
  // A cycle longer than the elements keeps the last one past them.
  EXPECT_EQ(FrameAt(FrameListKind::kTile, elements, 10, 8), 2);
  EXPECT_EQ(FrameAt(FrameListKind::kImage, elements, 0, 5), 0);  // cycle taken as 1
  EXPECT_EQ(FrameAt(FrameListKind::kBox, elements, 6, 3), 0);
  EXPECT_EQ(FrameAt(FrameListKind::kImage, {}, 6, 3), -1);
  EXPECT_EQ(FrameDuration(100), 6);
  EXPECT_EQ(FrameDuration(0), 1);
  EXPECT_EQ(FrameDuration(-50), 1);
  EXPECT_EQ(FrameOfElapsed(1000), 60);
  EXPECT_EQ(FrameOfElapsed(25), 2);  // 1.5 frames: ties to even
}

FrameList ImageList(int32_t parent, int32_t start, int32_t length, FilmPoint from, FilmPoint to) {
  FrameList list;
  list.Parent = parent;
  list.OwnStart = start;
  list.Length = length;
  ImageListData image;
  image.Image.StartPos = from;
  image.Image.EndPos = to;
  image.Image.StartAlpha = 10;
  image.Image.EndAlpha = 20;
  image.Image.EndZoomY = 3.0;
  list.Data = image;
  return list;
}

TEST(FilmChains, StartFramesFollowersAndCount) {
  FilmData film;
  film.Lists.push_back(ImageList(-1, 10, 20, {0, 0}, {100, 0}));
  film.Lists.push_back(ImageList(0, 999, 5, {7, 7}, {200, 0}));
  film.Lists.push_back(ImageList(1, 999, 4, {7, 7}, {300, 0}));
  film.Lists.push_back(ImageList(-1, 0, 3, {0, 0}, {0, 0}));
  EXPECT_EQ(StartFrame(film, 0), 10);
  EXPECT_EQ(StartFrame(film, 1), 30);
  EXPECT_EQ(StartFrame(film, 2), 35);
  EXPECT_EQ(FrameCount(film), 39);
  EXPECT_EQ(FollowerOf(film, 0), 1);
  EXPECT_EQ(FollowerOf(film, 2), -1);
  EXPECT_EQ(ChainFirst(film, 2), 0);
  EXPECT_TRUE(IsActive(film, 1, 34));
  EXPECT_FALSE(IsActive(film, 1, 35));
  const FrameStep a = StepAt(film, 0, 29);
  EXPECT_EQ(a.step, 19);
  EXPECT_TRUE(a.has_follower);
  EXPECT_FALSE(HasParentLoop(film));
  // A loop built by hand ends every walk.
  film.Lists[0].Parent = 2;
  EXPECT_TRUE(HasParentLoop(film));
  (void)StartFrame(film, 1);
  (void)ChainFirst(film, 1);
}

TEST(FilmChains, StartValuesComeFromTheParentsEnds) {
  FilmData film;
  film.Lists.push_back(ImageList(-1, 0, 10, {0, 0}, {100, 50}));
  film.Lists.push_back(ImageList(0, 0, 10, {7, 7}, {200, 0}));
  const FrameList b = WithChainStarts(film, 1);
  const ImagePart& part = std::get<ImageListData>(b.Data).Image;
  EXPECT_EQ(part.StartPos, (FilmPoint{100, 50}));
  EXPECT_EQ(part.EndPos, (FilmPoint{200, 0}));
  EXPECT_EQ(part.StartAlpha, 20);
  EXPECT_EQ(part.StartZoomY, 3.0);
  // A label continuing an image takes the image part too; a box does not.
  FrameList label;
  label.Parent = 0;
  label.Data = LabelListData{};
  film.Lists.push_back(label);
  EXPECT_EQ(std::get<LabelListData>(WithChainStarts(film, 2).Data).Image.StartPos,
            (FilmPoint{100, 50}));
  FrameList box;
  box.Parent = 0;
  BoxListData box_data;
  box_data.StartPos = {1, 2};
  box.Data = box_data;
  film.Lists.push_back(box);
  EXPECT_EQ(std::get<BoxListData>(WithChainStarts(film, 3).Data).StartPos, (FilmPoint{1, 2}));

  // Sounds and particles of a chain alike.
  FilmData sounds;
  FrameList first, second;
  SoundListData loud;
  loud.EndVolume = 300;
  loud.EndBalance = -40;
  first.Data = loud;
  second.Parent = 0;
  second.Data = SoundListData{};
  sounds.Lists = {first, second};
  const FrameList played = WithChainStarts(sounds, 1);
  const auto& sound = std::get<SoundListData>(played.Data);
  EXPECT_EQ(sound.StartVolume, 300);
  EXPECT_EQ(sound.StartBalance, -40);
}

TEST(FilmChains, WipesDecideTheBaseOfTheListsAfterThem) {
  FilmData film;
  film.Lists.push_back(ImageList(-1, 5, 10, {}, {}));
  EXPECT_FALSE(NeedsStage(film));
  EXPECT_EQ(FirstList(film), -1);
  FrameList wipe;
  wipe.OwnStart = 10;
  wipe.Length = 5;  // frames 10..14
  wipe.Data = WipeListData{1};
  film.Lists.push_back(wipe);
  wipe.OwnStart = 20;  // frames 20..24
  film.Lists.push_back(wipe);
  film.Lists.push_back(ImageList(-1, 0, 3, {}, {}));
  EXPECT_TRUE(NeedsStage(film));
  EXPECT_EQ(FirstList(film), 3);
  // A list starting on a wipe's last frame is on the base it leads to.
  EXPECT_EQ(WipeParity(film, 13), 0);
  EXPECT_EQ(WipeParity(film, 14), 1);
  EXPECT_EQ(WipeParity(film, 24), 0);
  EXPECT_EQ(ActiveWipeAt(film, 9), (ActiveWipe{-1, 0}));
  EXPECT_EQ(ActiveWipeAt(film, 12), (ActiveWipe{1, 0}));
  // On its last frame the wipe is still active: it does not count yet.
  EXPECT_EQ(ActiveWipeAt(film, 14), (ActiveWipe{1, 0}));
  EXPECT_EQ(ActiveWipeAt(film, 15), (ActiveWipe{-1, 1}));
  EXPECT_EQ(ActiveWipeAt(film, 22), (ActiveWipe{2, 1}));
  EXPECT_EQ(ActiveWipeAt(film, 30), (ActiveWipe{-1, 0}));
}

TEST(FilmNames, ResolveRelativeAgainstTheFolder) {
  EXPECT_EQ(FilmFolder("data\\film.lcm"), "data\\");
  EXPECT_EQ(FilmFolder("film.lcm"), "");
  EXPECT_EQ(ResolveRelative("a.orl", "data\\"), "data\\a.orl");
  EXPECT_EQ(ResolveRelative("a.orl", ""), "a.orl");
  EXPECT_EQ(ResolveRelative("\\a.orl", "data\\"), "\\a.orl");
  EXPECT_EQ(ResolveRelative("c:a.orl", "data\\"), "c:a.orl");
  EXPECT_EQ(ResolveRelative("a", "data\\"), "a");
  EXPECT_EQ(ResolveRelative("..\\a.orl", "game\\data\\"), "GAME\\a.orl");
  EXPECT_EQ(ResolveRelative("..\\..\\a.orl", "game\\data"), "a.orl");
  // Only as many "..\" as there are components are taken away.
  EXPECT_EQ(ResolveRelative("..\\..\\..\\a", "c:\\g\\"), "..\\a");
  EXPECT_EQ(ResolveRelative("..\\x", "\\\\srv\\share\\d\\"), "\\\\SRV\\SHARE\\x");
  // 0x5C as the trail byte of a double-byte character is no delimiter.
  EXPECT_EQ(ResolveRelative("..\\x",
                            "d\\\x83\x5C"
                            "b\\"),
            "D\\x");
  EXPECT_EQ(ResolveRuleImage("rule.orl", "data\\"), "data\\rule.orl");
  EXPECT_EQ(ResolveRuleImage("..\\rule.orl", "data\\"), "data\\..\\rule.orl");
  EXPECT_EQ(ResolveRuleImage("\\rule.orl", "data\\"), "\\rule.orl");
  EXPECT_EQ(ResolveRuleImage("", "data\\"), "");
}

}  // namespace
}  // namespace vesk::anim
