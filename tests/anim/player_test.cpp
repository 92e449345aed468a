// The film player against fake ports: what every kind hands its object at
// given frames, chains, the three placements, wipes driving the stage's
// transitions and sound lists driving their sound.
#include "anim/film_player.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "anim/film_file.h"

namespace vesk::anim {
namespace {

class FakeStage : public FilmStage {
 public:
  std::set<int32_t> objects;
  std::map<int32_t, FilmObjectKind> kinds;
  std::map<int32_t, int32_t> parents;
  std::map<int32_t, std::map<FilmProp, int32_t>> ints;
  std::map<int32_t, std::map<FilmProp, std::string>> strs;
  std::map<int32_t, std::map<FilmProp, double>> reals;
  std::map<int32_t, const graphics::TCustomDIBX*> shown;
  std::map<int32_t, std::vector<int32_t>> bounds;
  std::map<int32_t, ParticlePreset> presets;
  std::vector<FilmTransition> transitions;
  std::vector<std::string> log;
  std::vector<int32_t> stage_size;

  void Ensure(int32_t slot, FilmObjectKind kind, int32_t base) override {
    if (objects.count(slot)) return;
    objects.insert(slot);
    kinds[slot] = kind;
    parents[slot] = base;
    log.push_back("make " + std::to_string(slot));
  }
  bool Has(int32_t slot) const override { return slot == kControlSlot || objects.count(slot); }
  void Drop(int32_t slot) override {
    objects.erase(slot);
    log.push_back("drop " + std::to_string(slot));
  }
  void SetParent(int32_t slot, int32_t base) override { parents[slot] = base; }
  void SetInt(int32_t slot, FilmProp prop, int32_t value) override { ints[slot][prop] = value; }
  void SetStr(int32_t slot, FilmProp prop, const std::string& value) override {
    strs[slot][prop] = value;
  }
  void SetReal(int32_t slot, FilmProp prop, double value) override { reals[slot][prop] = value; }
  void ShowPicture(int32_t slot, const FilmPictureFrame& frame, bool) override {
    shown[slot] = frame.surface;
  }
  void SetBounds(int32_t slot, int32_t l, int32_t t, int32_t w, int32_t h) override {
    bounds[slot] = {l, t, w, h};
  }
  void SetPresetArea(int32_t slot, const ParticlePreset& preset) override {
    presets[slot] = preset;
  }
  void StartTransition(const FilmTransition& t) override { transitions.push_back(t); }
  void SortShownBase() override {}
  void SizeStage(int32_t w, int32_t h, int32_t color) override { stage_size = {w, h, color}; }

  int32_t Int(int32_t slot, FilmProp prop) { return ints[slot].at(prop); }
};

// Pictures of `frames` frames, each with its own (fake) surface address.
class FakePictures : public FilmPictures {
 public:
  std::map<std::string, std::vector<FilmPictureFrame>> files;
  std::multiset<const void*> held;

  std::vector<FilmPictureFrame> Acquire(const void* owner, const std::string& file) override {
    held.insert(owner);
    return files[file];
  }
  void Release(const void* owner) override { held.erase(owner); }
};

class FakeSounds : public FilmSounds {
 public:
  struct Sound {
    std::string source;
    std::map<FilmProp, int32_t> ints;
    bool stopped = true;
  };
  std::map<int32_t, Sound> sounds;
  std::vector<std::string> log;
  int32_t length_ms = 100000;

  bool Create(int32_t slot, const std::string& source) override {
    sounds[slot].source = source;
    sounds[slot].ints[FilmProp::kCount] = length_ms;
    log.push_back("create " + source);
    return true;
  }
  bool Has(int32_t slot) const override { return sounds.count(slot) != 0; }
  void Delete(int32_t slot) override { sounds.erase(slot); }
  int32_t GetInt(int32_t slot, FilmProp prop) const override {
    auto& ints = sounds.at(slot).ints;
    auto it = ints.find(prop);
    return it == ints.end() ? 0 : it->second;
  }
  void SetInt(int32_t slot, FilmProp prop, int32_t value) override {
    if (prop == FilmProp::kPaused && value && !sounds[slot].ints[FilmProp::kPaused])
      log.push_back("pause");
    sounds[slot].ints[prop] = value;
  }
  void Play(int32_t slot) override { sounds[slot].stopped = false; }
  bool Stopped(int32_t slot) const override { return sounds.at(slot).stopped; }
  void Replay(int32_t slot) override {
    sounds[slot].ints[FilmProp::kPaused] = 0;
    sounds[slot].ints[FilmProp::kIndex] = 0;
    log.push_back("replay");
  }
  int32_t Int(FilmProp prop) { return sounds.begin()->second.ints[prop]; }
};

FrameList List(FrameListData data, int32_t start, int32_t length, int32_t parent = -1) {
  FrameList list;
  list.OwnStart = start;
  list.Length = length;
  list.Parent = parent;
  list.Data = std::move(data);
  return list;
}

ImageListData Image(FilmPoint from, FilmPoint to, const std::string& source = "a.orl") {
  ImageListData image;
  image.Image.StartPos = from;
  image.Image.EndPos = to;
  image.Source = source;
  return image;
}

const auto* Surface(uintptr_t n) {
  return reinterpret_cast<const graphics::TCustomDIBX*>(n * 64);
}

class Player : public ::testing::Test {
 protected:
  Player() {
    FilmPictureFrame frame;
    frame.width = 40;
    frame.height = 30;
    frame.delay_ms = 50;  // three film frames
    frame.surface = Surface(1);
    frame.offset = {4, 6};
    pictures.files["FILMS\\a.orl"] = {frame};
    frame.surface = Surface(2);
    frame.delay_ms = 17;  // one film frame
    pictures.files["FILMS\\two.orl"] = {frame, frame};
    pictures.files["FILMS\\two.orl"][1].surface = Surface(3);
  }

  void Play(FilmData film, FilmPlacement placement = FilmPlacement::kStage) {
    // Through the file, as the owners load films.
    player.LoadFromBytes(WriteFilm(film), "FILMS\\test.lcm", &pictures);
    player.Place(placement, &stage, &sounds);
  }

  FakeStage stage;
  FakePictures pictures;
  FakeSounds sounds;
  TFilmManager player;
};

TEST_F(Player, ImageListPositionZoomAngleAlphaAndClipAtEachFrame) {
  FilmData film;
  ImageListData image = Image({0, 0}, {10, 20});
  image.Image.Anchor = {10, 10};
  image.Image.StartZoomX = image.Image.StartZoomY = 1.0;
  image.Image.EndZoomX = image.Image.EndZoomY = 2.0;
  image.Image.StartAngle_deg = -90;
  image.Image.EndAngle_deg = 450;
  image.Image.StartAlpha = -128;
  image.Image.EndAlpha = 0;
  image.Image.Clip = {{1, 2}, {0, 5}, {3, 4}, {8, 10}, 0, 0};
  FrameList list = List(image, 0, 3);
  list.Priority = 7;
  list.FlipH = 1;
  film.Lists.push_back(list);
  Play(film);

  player.SetFrame(0);
  ASSERT_TRUE(stage.objects.count(0));
  EXPECT_EQ(stage.kinds[0], FilmObjectKind::kImage);
  EXPECT_EQ(stage.parents[0], 0);
  EXPECT_EQ(stage.shown[0], Surface(1));
  EXPECT_EQ(stage.Int(0, FilmProp::kLeft), 0);
  EXPECT_EQ(stage.Int(0, FilmProp::kZoomX), 256);
  EXPECT_EQ(stage.Int(0, FilmProp::kAngle), 192);    // -90 degrees
  EXPECT_EQ(stage.Int(0, FilmProp::kAlpha), 384);    // additive at level 128
  EXPECT_EQ(stage.Int(0, FilmProp::kClipWidth), 0);  // width 0: no clipping
  EXPECT_EQ(stage.Int(0, FilmProp::kOffsetX), 10 - 4);
  EXPECT_EQ(stage.Int(0, FilmProp::kOffsetY), 10 - 6);
  EXPECT_EQ(stage.Int(0, FilmProp::kPriority), 7);
  EXPECT_EQ(stage.Int(0, FilmProp::kFlipH), 1);

  player.SetFrame(1);
  EXPECT_EQ(stage.Int(0, FilmProp::kLeft), 5);
  EXPECT_EQ(stage.Int(0, FilmProp::kTop), 10);
  EXPECT_EQ(stage.Int(0, FilmProp::kZoomY), 384);
  EXPECT_EQ(stage.Int(0, FilmProp::kAlpha), 63);  // -128 + 383 / 2
  EXPECT_EQ(stage.Int(0, FilmProp::kClipLeft), 2);
  EXPECT_EQ(stage.Int(0, FilmProp::kClipWidth), 4);

  player.SetFrame(2);
  EXPECT_EQ(stage.Int(0, FilmProp::kLeft), 10);
  EXPECT_EQ(stage.Int(0, FilmProp::kTop), 20);
  EXPECT_EQ(stage.Int(0, FilmProp::kZoomX), 512);
  EXPECT_EQ(stage.Int(0, FilmProp::kAngle), 64);  // 450 degrees
  EXPECT_EQ(stage.Int(0, FilmProp::kAlpha), 255);
  EXPECT_EQ(stage.Int(0, FilmProp::kClipTop), 4);
  EXPECT_EQ(stage.Int(0, FilmProp::kClipHeight), 10);

  player.SetFrame(3);  // past the list: the object goes, and comes back when shown again
  EXPECT_FALSE(stage.objects.count(0));
  player.SetFrame(1);
  EXPECT_EQ(stage.log, (std::vector<std::string>{"make 0", "drop 0", "make 0"}));
}

TEST_F(Player, ListLengthAndCycleFollowThePictureWhenTheFileGivesNone) {
  FilmData film;
  film.Lists.push_back(List(Image({0, 0}, {0, 0}, "two.orl"), 0, 0));
  Play(film);
  EXPECT_EQ(player.FrameCount(), 2);
  player.SetFrame(0);
  EXPECT_EQ(stage.shown[0], Surface(2));
  player.SetFrame(1);
  EXPECT_EQ(stage.shown[0], Surface(3));
  // A longer list walks the picture's frames again.
  film.Lists[0].Length = 5;
  Play(film);
  player.SetFrame(2);
  EXPECT_EQ(stage.shown[0], Surface(2));
  player.SetFrame(3);
  EXPECT_EQ(stage.shown[0], Surface(3));
}

TEST_F(Player, AChainContinuesFromItsParentsEndValues) {
  FilmData film;
  film.Lists.push_back(List(Image({0, 0}, {10, 0}), 4, 2));
  // B stores a start of its own, which its parent's end replaces.
  film.Lists.push_back(List(Image({99, 99}, {30, 0}), 0, 2, 0));
  Play(film);
  EXPECT_EQ(player.StartFrameOf(1), 6);
  EXPECT_EQ(player.FrameCount(), 8);
  player.SetFrame(5);  // A has a follower: three steps, never its own end
  EXPECT_EQ(stage.Int(0, FilmProp::kLeft), 5);
  player.SetFrame(6);
  EXPECT_FALSE(stage.objects.count(0));
  EXPECT_EQ(stage.Int(1, FilmProp::kLeft), 10);
  EXPECT_EQ(stage.Int(1, FilmProp::kTop), 0);
  player.SetFrame(7);
  EXPECT_EQ(stage.Int(1, FilmProp::kLeft), 30);
}

TEST_F(Player, TileListUsesItsOwnClipAndSizesFromThePicture) {
  FilmData film;
  TileListData tile;
  tile.Source = "a.orl";
  tile.Image.StartPos = {2, 2};
  tile.Image.EndPos = {2, 2};
  tile.Image.Clip = {{9, 9}, {9, 9}, {9, 9}, {9, 9}, 0, 0};  // stored, not used
  tile.Clip = {{1, 1}, {5, 5}, {1, 1}, {5, 5}, 0, 0};
  tile.StartScrollX = 0;
  tile.EndScrollX = 8;
  tile.EndWidth = 60;  // the start size comes from the picture (40 x 30)
  tile.DistanceX = 3;
  film.Lists.push_back(List(tile, 0, 3));
  Play(film);
  player.SetFrame(1);
  EXPECT_EQ(stage.kinds[0], FilmObjectKind::kTile);
  EXPECT_EQ(stage.Int(0, FilmProp::kWidth), 50);
  EXPECT_EQ(stage.Int(0, FilmProp::kHeight), 30);
  EXPECT_EQ(stage.Int(0, FilmProp::kScrollX), 4);
  EXPECT_EQ(stage.Int(0, FilmProp::kDistanceX), 3);
  EXPECT_EQ(stage.Int(0, FilmProp::kClipLeft), 1);
  EXPECT_EQ(stage.Int(0, FilmProp::kClipWidth), 5);
}

TEST_F(Player, MotionPlacementWritesIntoTheControlRelativeToTheDesignOrigin) {
  FilmData film;
  film.FileKind = FilmFileKind::kMotion;
  film.Relative = 1;
  film.DesignOrigin = {100, 50};
  ImageListData image = Image({100, 50}, {120, 90});
  image.Image.StartZoomX = image.Image.EndZoomX = 0.5;
  FrameList list = List(image, 0, 2);
  list.Priority = 3;
  film.Lists.push_back(list);
  LabelListData label;
  label.Text = "hi";
  label.Image.StartPos = image.Image.StartPos;  // both lists place the one control
  label.Image.EndPos = image.Image.EndPos;
  label.FontHeight = 12;
  FrameList label_list = List(label, 0, 2);
  label_list.Priority = 2;
  film.Lists.push_back(label_list);
  Play(film, FilmPlacement::kMotion);
  player.BasePriority = 10;
  player.SetFrame(1);
  EXPECT_TRUE(stage.objects.empty());  // nothing is created
  EXPECT_EQ(stage.Int(kControlSlot, FilmProp::kMotionOffsetX), 20);
  EXPECT_EQ(stage.Int(kControlSlot, FilmProp::kMotionOffsetY), 40);
  EXPECT_EQ(stage.Int(kControlSlot, FilmProp::kWidth), 20);   // 40 x 128 / 256
  EXPECT_EQ(stage.Int(kControlSlot, FilmProp::kHeight), 30);  // zoom Y stays 100 %
  EXPECT_EQ(stage.Int(kControlSlot, FilmProp::kPriorityBias), 3);
  EXPECT_EQ(stage.Int(kControlSlot, FilmProp::kPriority), 12);  // the label: base + own
  EXPECT_EQ(stage.strs[kControlSlot][FilmProp::kText], "hi");
  player.SetFrame(5);  // out of range: a motion's control stays
  EXPECT_TRUE(stage.log.empty());
}

TEST_F(Player, BoxSizeByEdgesAndColoursPerChannel) {
  FilmData film;
  BoxListData box;
  box.StartPos = {0, 0};
  box.EndPos = {10, 10};
  box.StartWidth = 10;
  box.StartHeight = 10;
  box.EndWidth = 30;
  box.EndHeight = 10;
  box.StartColor = 0x000000;
  box.EndColor = 0x0A1410;  // blue 10, green 20, red 16
  box.StartBorderWidth = box.EndBorderWidth = 2;
  film.Lists.push_back(List(box, 0, 3));
  Play(film, FilmPlacement::kDirect);
  player.SetFrame(1);
  EXPECT_EQ(stage.parents[0], kCinemaParent);
  // right edge 9 -> 39 gives 24 at the middle; the left is at 5.
  EXPECT_EQ(stage.bounds[0], (std::vector<int32_t>{5, 5, 20, 10}));
  EXPECT_EQ(stage.Int(0, FilmProp::kColor), 0x050A08);
  EXPECT_EQ(stage.Int(0, FilmProp::kBorderWidth), 2);
  EXPECT_EQ(stage.Int(0, FilmProp::kAlpha), 255);
}

TEST_F(Player, ParticleChainKeepsOneEmitterWhileTheChainRuns) {
  FilmData film;
  ParticleListData first;
  first.Source = "snow.orl";
  first.PartMotion = 1;
  first.StartIntervalBase = first.EndIntervalBase = 100;
  first.StartIntervalRange = first.EndIntervalRange = 41;
  first.StartXRange = 0;
  first.EndXRange = 100;
  first.StartParam1 = 0;
  first.EndParam1 = 1;
  film.Lists.push_back(List(first, 2, 2));
  film.Lists.push_back(List(ParticleListData{}, 0, 2, 0));
  Play(film);
  player.SetFrame(0);
  EXPECT_TRUE(stage.objects.empty());
  player.SetFrame(2);
  EXPECT_EQ(stage.kinds[0], FilmObjectKind::kParticle);
  EXPECT_EQ(stage.strs[0][FilmProp::kSource], "FILMS\\snow.orl");
  EXPECT_EQ(stage.presets[0].interval_base, 100 - 20);
  EXPECT_EQ(stage.presets[0].interval_range, 41);
  player.SetFrame(3);
  EXPECT_EQ(stage.presets[0].x_range, 50);  // three steps with the follower
  EXPECT_DOUBLE_EQ(stage.reals[0][FilmProp::kParam1], 1.0 / 3);
  player.SetFrame(4);  // the follower drives the first list's emitter
  EXPECT_EQ(stage.objects, std::set<int32_t>{0});
  EXPECT_EQ(stage.presets[0].x_range, 100);
  player.SetFrame(6);
  EXPECT_TRUE(stage.objects.empty());
  EXPECT_EQ(stage.log, (std::vector<std::string>{"make 0", "drop 0"}));
}

TEST_F(Player, WipeDrivesTheStagesTransitionAndPicksTheBases) {
  FilmData film;
  film.BackColor = 0x102030;
  film.Size = {64, 48};
  film.Lists.push_back(List(Image({0, 0}, {0, 0}), 0, 12));
  WipeListData wipe;
  wipe.WipeType = 5;
  wipe.Reverse = 1;
  wipe.Param0 = 3;
  wipe.Param1 = 4;
  wipe.RuleImage = "rule.bmp";
  film.Lists.push_back(List(wipe, 2, 4));
  // Starts on the wipe's last frame: it belongs to the base the wipe leads to.
  film.Lists.push_back(List(Image({0, 0}, {0, 0}), 5, 7));
  Play(film);
  EXPECT_TRUE(player.NeedsStage());
  player.Start();
  EXPECT_EQ(stage.stage_size, (std::vector<int32_t>{64, 48, 0x102030}));

  player.SetFrame(0);
  ASSERT_EQ(stage.transitions.size(), 1u);
  EXPECT_EQ(stage.transitions[0].type, 0);
  EXPECT_FALSE(stage.transitions[0].reset);
  EXPECT_EQ(stage.transitions[0].shown_base, 0);

  player.SetFrame(2);
  const FilmTransition& started = stage.transitions.back();
  EXPECT_EQ(started.type, 5);
  EXPECT_TRUE(started.reset);
  EXPECT_TRUE(started.reverse);
  EXPECT_EQ(started.shown_base, 0);
  EXPECT_EQ(started.elapsed_frames, 0);
  EXPECT_EQ(started.duration_frames, 4);
  EXPECT_EQ(started.param0, 3);
  EXPECT_EQ(started.param1, 4);
  EXPECT_EQ(started.rule_image, "FILMS\\rule.bmp");
  EXPECT_EQ(player.LastWipe(), 1);

  player.SetFrame(4);  // the same wipe: its time moves, no new transition
  EXPECT_FALSE(stage.transitions.back().reset);
  EXPECT_EQ(stage.transitions.back().elapsed_frames, 2);

  player.SetFrame(5);
  EXPECT_EQ(stage.parents[2], 1);
  EXPECT_EQ(stage.parents[0], 0);

  player.SetFrame(6);  // the wipe is over: the other base shows, once
  EXPECT_TRUE(stage.transitions.back().reset);
  EXPECT_EQ(stage.transitions.back().type, 0);
  EXPECT_EQ(stage.transitions.back().shown_base, 1);
  player.SetFrame(7);
  EXPECT_FALSE(stage.transitions.back().reset);
  EXPECT_EQ(stage.transitions.back().shown_base, 1);
  EXPECT_EQ(player.LastWipe(), -1);
}

TEST_F(Player, DirectPlacementIgnoresWipes) {
  FilmData film;
  film.Lists.push_back(List(WipeListData{5}, 0, 4));
  Play(film, FilmPlacement::kDirect);
  player.SetFrame(1);
  EXPECT_TRUE(stage.transitions.empty());
}

TEST_F(Player, SoundStartsPausedPlaysKeepsInStepAndPauses) {
  FilmData film;
  SoundListData sound;
  sound.Source = "bgm.ogg";
  sound.StartVolume = 1000;
  sound.EndVolume = 0;
  sound.StartBalance = -100;
  sound.EndBalance = 100;
  film.Lists.push_back(List(sound, 0, 600));
  film.Lists.push_back(List(BoxListData{}, 0, 700));  // the film runs on after the sound
  Play(film);
  player.Volume = 500;
  player.Start();
  EXPECT_EQ(sounds.log, (std::vector<std::string>{"create FILMS\\bgm.ogg", "pause"}));
  EXPECT_EQ(sounds.Int(FilmProp::kPaused), 1);
  EXPECT_EQ(sounds.Int(FilmProp::kVolume), 500);
  EXPECT_EQ(sounds.Int(FilmProp::kBalance), -100);
  EXPECT_EQ(sounds.Int(FilmProp::kRepeat), 0);  // 10 s of film, 100 s of sound

  player.SetFrame(0);
  EXPECT_EQ(sounds.log.back(), "replay");
  player.SetFrame(300);
  EXPECT_EQ(sounds.Int(FilmProp::kVolume), 250);  // half way, at half the film's volume
  EXPECT_EQ(sounds.Int(FilmProp::kIndex), 5000);  // 5 s behind: moved to the film's time
  sounds.sounds.begin()->second.ints[FilmProp::kIndex] = 7000;
  player.SetFrame(301);
  EXPECT_EQ(sounds.Int(FilmProp::kIndex), 7000);  // within 3 s: left alone

  player.SetRunning(false);
  EXPECT_EQ(sounds.log.back(), "pause");
  player.SetRunning(true);
  player.SetFrame(302);
  EXPECT_EQ(sounds.log.back(), "replay");
  player.SetFrame(100);  // a jump back pauses, then the active list plays again
  EXPECT_EQ(sounds.log.back(), "replay");
  EXPECT_EQ(sounds.log[sounds.log.size() - 2], "pause");

  player.SetPaused(true);
  EXPECT_EQ(sounds.log.back(), "pause");
  player.SetPaused(false);
  EXPECT_EQ(sounds.Int(FilmProp::kPaused), 0);
  player.SetFrame(650);  // past the list
  EXPECT_EQ(sounds.log.back(), "pause");
}

TEST_F(Player, SoundRepeatsWhenTheListOutlastsItOrHoldsTheLoopStart) {
  FilmData film;
  film.Lists.push_back(List(SoundListData{"a.wav"}, 0, 120));
  sounds.length_ms = 1000;
  Play(film);
  player.Start();
  EXPECT_EQ(sounds.Int(FilmProp::kRepeat), 1);
  // The last frame of the film pauses a sound that runs to its end.
  player.SetFrame(0);
  player.SetFrame(119);
  EXPECT_EQ(sounds.log.back(), "pause");
}

TEST_F(Player, FreeingThePlayerDropsItsObjectsAndGivesThePicturesBack) {
  FilmData film;
  film.Lists.push_back(List(Image({0, 0}, {0, 0}), 0, 5));
  Play(film);
  player.SetFrame(0);
  EXPECT_EQ(pictures.held.size(), 1u);
  player.Load(FilmData{}, "x.lcm", &pictures);
  EXPECT_TRUE(pictures.held.empty());
  EXPECT_TRUE(stage.objects.empty());
  EXPECT_EQ(player.FrameCount(), 0);
}

TEST_F(Player, AnotherMagicLeavesThePlayerEmptyAndDamageThrows) {
  std::vector<uint8_t> bytes(40, 'x');
  player.LoadFromBytes(bytes, "a.lcm", &pictures);
  EXPECT_EQ(player.FrameCount(), 0);
  EXPECT_EQ(player.FirstList(), -1);
  FilmData film;
  film.Lists.push_back(List(BoxListData{}, 0, 5));
  std::vector<uint8_t> cut = WriteFilm(film);
  cut.resize(cut.size() - 3);
  EXPECT_THROW(player.LoadFromBytes(cut, "a.lcm", &pictures), EFilmFile);
}

}  // namespace
}  // namespace vesk::anim
