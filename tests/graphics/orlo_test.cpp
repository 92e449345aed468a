// Layered images written by our writer and read back: every bit count,
// coding and compression, scrambling, de-duplicated blocks, the composition
// rules checked against their formulas, and the post-processing the image
// cache asks for.
#include <gtest/gtest.h>

#include <random>

#include "graphics/tprandom.h"
#include "orlo_util.h"

namespace vesk::graphics {
namespace {

using namespace testing;

// --- the permutation generator ------------------------------------------------

TEST(TpRandom, StepsByFiveTimesPlusSeed) {
  TTpRandom r(3);
  EXPECT_EQ(r.Step(), 3u);
  EXPECT_EQ(r.Step(), 18u);
  EXPECT_EQ(r.Step(), 93u);
  TTpRandom wrap(0xFFFFFFFFu);
  wrap.Step();
  EXPECT_EQ(wrap.Step(), 0xFFFFFFFFu * 5u + 0xFFFFFFFFu);
}

TEST(TpRandom, SeedZeroKeepsTheOrder) {
  const std::vector<int> p = TTpRandom::Permutation(0, 50);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(p[size_t(i)], i);
}

TEST(TpRandom, DrawsWhatRemovingFromAListDraws) {
  for (uint32_t seed : {1u, 7u, 1164975123u, 0x80000001u, 0xFFFFFFFFu}) {
    for (int n : {1, 2, 3, 17, 100, 1000, 4099}) {
      EXPECT_EQ(TTpRandom::Permutation(seed, n), NaivePermutation(seed, n)) << seed << " " << n;
    }
  }
}

TEST(TpRandom, ResetStartsAnotherRoundAndEmptyThrows) {
  TTpRandom r(11);
  r.Reset(2);
  r.Next();
  r.Next();
  EXPECT_EQ(r.Remaining(), 0);
  EXPECT_THROW(r.Next(), EGraphicsError);
  r.Reset(3);
  EXPECT_EQ(r.Remaining(), 3);
  EXPECT_NO_THROW(r.Next());
}

// --- round trips -----------------------------------------------------------------

Palette RandomPalette(uint32_t seed) {
  std::mt19937 rng(seed);
  Palette p{};
  for (auto& e : p) e = PaletteEntry{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0};
  return p;
}

struct CodingCase {
  int bits;
  OrloCompression compression;
  int block_w, block_h;
};

class OrloRoundTrip : public ::testing::TestWithParam<CodingCase> {};

TEST_P(OrloRoundTrip, PixelsAndMasksComeBackUnchanged) {
  const CodingCase c = GetParam();
  // Sizes that cut edge blocks and, for 1 and 4 bits, split bytes.
  const int w = 37, h = 23;
  TDIBX base = Random(c.bits, w, h, 1);
  TOrloFrameInput f = FrameOf(c.bits, {});
  f.Width = w, f.Height = h;
  if (c.bits <= 8) {
    f.Colors = RandomPalette(2);
    base.SetPalette(f.Colors);
  }
  TDIBX copy;
  copy.Assign(base);
  f.Layers.push_back(Layer(std::move(copy)));
  // A masked second layer with alpha off composes like a plain layer, so the
  // frame shows it exactly while its mask is still coded and read.
  TDIBX top = Random(c.bits, w, h, 3);
  if (c.bits <= 8) top.SetPalette(f.Colors);
  TDIBX top_copy;
  top_copy.Assign(top);
  f.Layers.push_back(Layer(std::move(top_copy), 255, -1, RandomMask(w, h, 4)));
  f.Layers.back().AlphaEnabled = false;
  OrloWriteOptions o;
  o.Compression = c.compression;
  o.BlockWidth = c.block_w;
  o.BlockHeight = c.block_h;
  std::vector<TOrloFrameInput> frames;
  frames.push_back(std::move(f));
  const std::vector<uint8_t> file = EncodeOrlo(frames, o);

  const TOrloFrameList list = ReadOrlo(file);
  ASSERT_EQ(list.Count(), 1);
  const TOrloFrame& frame = list.Frame(0);
  EXPECT_EQ(frame.Bitmap.BitCount(), c.bits <= 8 ? 24 : c.bits);
  EXPECT_EQ(Colors(frame.Bitmap), Colors(top));
  EXPECT_FALSE(frame.HasMask());
}

INSTANTIATE_TEST_SUITE_P(
    Codings, OrloRoundTrip,
    ::testing::Values(
        CodingCase{1, OrloCompression::kZlib, 16, 16}, CodingCase{1, OrloCompression::kNone, 8, 3},
        CodingCase{4, OrloCompression::kZlib, 6, 5}, CodingCase{4, OrloCompression::kNone, 0, 0},
        CodingCase{8, OrloCompression::kZlib, 16, 16}, CodingCase{8, OrloCompression::kNone, 0, 0},
        CodingCase{16, OrloCompression::kZlib, 7, 5},
        CodingCase{16, OrloCompression::kNone, 16, 16},
        CodingCase{24, OrloCompression::kZlib, 16, 16},
        CodingCase{24, OrloCompression::kZlib, 0, 0}, CodingCase{24, OrloCompression::kNone, 3, 40},
        CodingCase{32, OrloCompression::kZlib, 64, 64},
        CodingCase{32, OrloCompression::kNone, 7, 5}, CodingCase{32, OrloCompression::kZlib, 0, 0}),
    [](const auto& info) {
      return std::to_string(info.param.bits) + "bit_" +
             (info.param.compression == OrloCompression::kZlib ? "zlib" : "plain") + "_" +
             std::to_string(info.param.block_w) + "x" + std::to_string(info.param.block_h);
    });

std::vector<TOrloFrameInput> OneFrame(TDIBX pixels, std::unique_ptr<TDIBX> mask = nullptr) {
  std::vector<TOrloFrameInput> frames;
  const int bits = pixels.BitCount();
  std::vector<TOrloLayerInput> layers;
  layers.push_back(Layer(std::move(pixels), 255, -1, std::move(mask)));
  frames.push_back(FrameOf(bits, std::move(layers)));
  return frames;
}

TEST(OrloScramble, BlocksAndRowsNeedTheProjectSeed) {
  // Scrambling moves rows, or the entries of the block table (block data
  // follows in block order): repeats make the table entries differ.
  TDIBX picture = Random(24, 40, 30, 9);
  for (int y = 0; y < 16; ++y)
    for (int x = 8; x < 40; ++x) picture.SetPixel(x, y, picture.GetPixel(x % 8, y % 8));
  for (int block : {0, 8}) {
    SCOPED_TRACE("block size " + std::to_string(block));
    OrloWriteOptions o;
    o.BlockWidth = o.BlockHeight = block;
    o.Compression = OrloCompression::kNone;
    TDIBX a;
    a.Assign(picture);
    const std::vector<uint8_t> plain = EncodeOrlo(OneFrame(std::move(a), RandomMask(40, 30, 5)), o);
    o.Scramble = true;
    o.ScrambleSeed = 0x5EED1234;
    TDIBX b;
    b.Assign(picture);
    const std::vector<uint8_t> scrambled =
        EncodeOrlo(OneFrame(std::move(b), RandomMask(40, 30, 5)), o);
    EXPECT_NE(plain, scrambled);

    const TOrloFrameList right = ReadOrlo(scrambled, 0x5EED1234);
    EXPECT_TRUE(SamePixels(right.Frame(0).Bitmap, picture));
    EXPECT_TRUE(SamePixels(*right.Frame(0).Bitmap.Mask(), *RandomMask(40, 30, 5)));
    // Another seed puts rows or blocks elsewhere (or refers to blocks that
    // come later, which the reader refuses).
    try {
      const TOrloFrameList wrong = ReadOrlo(scrambled, 77);
      EXPECT_FALSE(SamePixels(wrong.Frame(0).Bitmap, picture));
    } catch (const EGraphicsError&) {
    }
  }
}

TEST(OrloScramble, SeedZeroWithTheFlagSetIsTheIdentity) {
  const TDIBX picture = Random(32, 20, 20, 4);
  OrloWriteOptions o;
  o.Scramble = true;
  o.ScrambleSeed = 0;
  TDIBX a;
  a.Assign(picture);
  EXPECT_TRUE(SamePixels(ReadOrlo(EncodeOrlo(OneFrame(std::move(a)), o)).Frame(0).Bitmap, picture));
}

TEST(OrloFrames, TimesKeysAndAreaListsSurvive) {
  std::vector<TOrloFrameInput> frames;
  for (int i = 0; i < 3; ++i) {
    std::vector<TOrloLayerInput> layers;
    layers.push_back(Layer(Random(16, 9, 7, uint32_t(i))));
    frames.push_back(FrameOf(16, std::move(layers), i == 1 ? 0xF81F : -1, 10 * (i + 1)));
  }
  frames[2].FirstAreas = {Rect{1, 2, 3, 4}, Rect{-5, 0, 100, 7}};
  frames[2].SecondAreas = {Rect{0, 0, 9, 7}};
  const std::vector<uint8_t> file = EncodeOrlo(frames, {});
  const TOrloFrameList list = ReadOrlo(file);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Version, 106);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(list.Frame(i).FrameTime, 10 * (i + 1));
  EXPECT_EQ(list.Frame(0).ColorKey, -1);
  EXPECT_EQ(list.Frame(0).ColorKeyColor, -1);
  EXPECT_EQ(list.Frame(1).ColorKey, 0xF81F);
  // 5-6-5 red 31, green 0, blue 31 widened.
  EXPECT_EQ(list.Frame(1).ColorKeyColor, 0xFF00FF);
  EXPECT_EQ(list.Frame(2).FirstAreas, frames[2].FirstAreas);
  EXPECT_EQ(list.Frame(2).SecondAreas, frames[2].SecondAreas);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(list.Frame(i).Layers.empty()) << "layers freed";

  TOrloFrameList first(0);
  first.LoadFromStream(file, /*first_frame_only=*/true);
  EXPECT_EQ(first.Count(), 1);

  OrloWriteOptions v103;
  v103.Version = 103;
  EXPECT_TRUE(ReadOrlo(EncodeOrlo(frames, v103)).Frame(2).FirstAreas.empty());
}

// Noise does not compress: only references can make the file smaller.
TEST(OrloBlocks, RepeatedBlocksAreStoredOnce) {
  OrloWriteOptions o;
  o.Compression = OrloCompression::kNone;
  const TDIBX noise = Random(24, 64, 64, 17);
  TDIBX one;
  one.Assign(noise);
  const size_t single = EncodeOrlo(OneFrame(std::move(one)), o).size();

  std::vector<TOrloFrameInput> frames;
  for (int i = 0; i < 4; ++i) {
    TDIBX c;
    c.Assign(noise);
    // The last frame changes one block: only it is stored again.
    if (i == 3) c.SetPixel(40, 40, 0x123456);
    std::vector<TOrloLayerInput> layers;
    layers.push_back(Layer(std::move(c)));
    frames.push_back(FrameOf(24, std::move(layers)));
  }
  const std::vector<uint8_t> file = EncodeOrlo(frames, o);
  EXPECT_LT(file.size(), single + 3 * (16 * 8 + 100) + 16 * 16 * 3 + 64);
  const TOrloFrameList list = ReadOrlo(file);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(SamePixels(list.Frame(i).Bitmap, noise));
  EXPECT_EQ(list.Frame(3).Bitmap.GetPixel(40, 40), 0x123456u);
  EXPECT_EQ(list.Frame(3).Bitmap.GetPixel(39, 40), noise.GetPixel(39, 40));

  // One tile repeated across a picture: the copies refer to the first.
  TDIBX tiled(64, 64, 24);
  const TDIBX tile = Random(24, 16, 16, 5);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) tiled.SetPixel(x, y, tile.GetPixel(x % 16, y % 16));
  TDIBX t;
  t.Assign(tiled);
  const std::vector<uint8_t> tiled_file = EncodeOrlo(OneFrame(std::move(t)), o);
  EXPECT_LT(tiled_file.size(), single / 8);
  EXPECT_TRUE(SamePixels(ReadOrlo(tiled_file).Frame(0).Bitmap, tiled));
}

TEST(OrloBlocks, MasksReferToEarlierMasksAndFramesOfOtherSizesStayApart) {
  std::vector<TOrloFrameInput> frames;
  const auto mask = RandomMask(32, 32, 8);
  for (int size : {32, 48, 32}) {
    std::vector<TOrloLayerInput> layers;
    auto m = std::make_unique<TDIBX>(Random(8, size, size, 8));
    if (size == 32) m->Assign(*mask);
    layers.push_back(Layer(Random(32, size, size, 1), 255, -1, std::move(m)));
    frames.push_back(FrameOf(32, std::move(layers)));
  }
  OrloWriteOptions o;
  o.Compression = OrloCompression::kNone;
  const TOrloFrameList list = ReadOrlo(EncodeOrlo(frames, o));
  ASSERT_EQ(list.Count(), 3);
  EXPECT_TRUE(SamePixels(*list.Frame(2).Bitmap.Mask(), *mask));
  EXPECT_TRUE(SamePixels(list.Frame(1).Bitmap, Random(32, 48, 48, 1)));
}

TEST(OrloJpeg, LayersComeBackCloseAndMasksExact) {
  for (int bits : {24, 32}) {
    OrloWriteOptions o;
    o.Compression = OrloCompression::kJpeg;
    o.JpegQuality = 95;
    const TDIBX picture = Smooth(bits, 64, 48);
    TDIBX c;
    c.Assign(picture);
    const auto mask = RandomMask(64, 48, 3);
    auto m = std::make_unique<TDIBX>();
    m->Assign(*mask);
    const TOrloFrameList list = ReadOrlo(EncodeOrlo(OneFrame(std::move(c), std::move(m)), o));
    const TOrloFrame& f = list.Frame(0);
    ASSERT_EQ(f.Bitmap.BitCount(), bits);
    EXPECT_TRUE(SamePixels(*f.Bitmap.Mask(), *mask));
    int worst = 0;
    const std::vector<int32_t> got = Colors(f.Bitmap), want = Colors(picture);
    for (size_t i = 0; i < got.size(); ++i)
      for (int sh : {0, 8, 16})
        worst = std::max(worst, std::abs((got[i] >> sh & 0xFF) - (want[i] >> sh & 0xFF)));
    EXPECT_LE(worst, 12);
  }
}

TEST(OrloJpeg, IsNeverPlainAndPlainFilesAre) {
  OrloWriteOptions o;
  o.Compression = OrloCompression::kNone;
  EXPECT_TRUE(IsPlainOrlo(EncodeOrlo(OneFrame(Random(24, 4, 4, 1)), o)));
  o.Compression = OrloCompression::kZlib;
  EXPECT_FALSE(IsPlainOrlo(EncodeOrlo(OneFrame(Random(24, 4, 4, 1)), o)));
  o.Compression = OrloCompression::kJpeg;
  EXPECT_FALSE(IsPlainOrlo(EncodeOrlo(OneFrame(Random(24, 4, 4, 1)), o)));
}

// --- composition against the formulas ----------------------------------------------

std::vector<uint32_t> Masks(int bits) {
  return ChannelMasks(bits);
}

uint32_t OpacityRule(uint32_t f, uint32_t l, uint32_t o, int bits) {
  uint32_t out = 0;
  if (bits == 15 || bits == 16) {
    for (uint32_t m : Masks(bits)) out |= ((255 - o) * (f & m) + o * (l & m)) / 255 & m;
  } else if (bits == 24) {
    for (int sh : {0, 8, 16})
      out |= (((255 - o) * (f >> sh & 0xFF) + o * (l >> sh & 0xFF)) / 255) << sh;
  } else {
    for (int sh : {0, 8, 16})
      out |= (((f >> sh & 0xFF) * (255 - o) + (l >> sh & 0xFF) * o) >> 8) << sh;
  }
  return out;
}

uint32_t MaskRule(uint32_t f, uint32_t l, uint32_t m, int bits) {
  if (m == 0) return f;
  if (m == 255) return l;
  uint32_t out = 0;
  if (bits == 15 || bits == 16) {
    for (uint32_t c : Masks(bits)) out |= (((f & c) * (255 - m) + (l & c) * m) >> 8) & c;
  } else {
    for (int sh : {0, 8, 16})
      out |= (((f >> sh & 0xFF) * (255 - m) + (l >> sh & 0xFF) * m) >> 8) << sh;
  }
  return out;
}

TDIBX TwoLayerFrame(const TDIBX& bottom, TOrloLayerInput top, int32_t background = 0,
                    bool opaque_bottom = false, int32_t bottom_key = -1) {
  std::vector<TOrloLayerInput> layers;
  TDIBX b;
  b.Assign(bottom);
  layers.push_back(Layer(std::move(b), 255, bottom_key));
  layers.push_back(std::move(top));
  std::vector<TOrloFrameInput> frames;
  frames.push_back(FrameOf(bottom.BitCount(), std::move(layers)));
  OrloWriteOptions o;
  o.BackgroundColor = background;
  o.OpaqueBottom = opaque_bottom;
  TOrloFrameList list = ReadOrlo(EncodeOrlo(frames, o));
  TDIBX out;
  out.Assign(list.Frame(0).Bitmap);
  return out;
}

TEST(OrloCompose, OpacityBlendsByTheRuleOfEachFormat) {
  for (int bits : {16, 24, 32}) {
    const TDIBX bottom = Random(bits, 17, 9, 1), top = Random(bits, 17, 9, 2);
    const auto key = int32_t(top.GetPixel(3, 3));
    for (int opacity : {0, 1, 77, 128, 254, 255}) {
      SCOPED_TRACE(std::to_string(bits) + " bits, opacity " + std::to_string(opacity));
      TDIBX t;
      t.Assign(top);
      const TDIBX got = TwoLayerFrame(bottom, Layer(std::move(t), opacity, key));
      for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 17; ++x) {
          const uint32_t f = bottom.GetPixel(x, y), l = top.GetPixel(x, y);
          uint32_t want = f;
          if (opacity > 0 && l != uint32_t(key))
            want = opacity == 255 ? l : OpacityRule(f, l, uint32_t(opacity), bits);
          ASSERT_EQ(got.GetPixel(x, y), want) << x << "," << y;
        }
      }
    }
  }
}

TEST(OrloCompose, PalettedFramesDrawTheOrderedPattern) {
  Palette pal{};
  for (int i = 0; i < 256; ++i)
    pal[size_t(i)] = PaletteEntry{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  auto filled = [&](uint32_t index) {
    TDIBX s(8, 8, 8);
    s.SetPalette(pal);
    s.Fill(index);
    return s;
  };
  auto frame = [&](int opacity, int32_t key, TDIBX top) {
    std::vector<TOrloLayerInput> layers;
    layers.push_back(Layer(filled(10)));
    layers.push_back(Layer(std::move(top), opacity, key));
    std::vector<TOrloFrameInput> frames;
    frames.push_back(FrameOf(8, std::move(layers)));
    frames[0].Colors = pal;
    return ReadOrlo(EncodeOrlo(frames, {}));
  };
  // Level 1 (opacity 16..31): cells (0,0) and (2,2) of every 4 x 4 square.
  for (int opacity : {16, 31}) {
    const TOrloFrameList list = frame(opacity, -1, filled(200));
    const TDIBSurface& b = list.Frame(0).Bitmap;
    int drawn = 0;
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        const bool set = (x % 4 == 0 && y % 4 == 0) || (x % 4 == 2 && y % 4 == 2);
        EXPECT_EQ(b.GetPixel(x, y), set ? 0xC8C8C8u : 0x0A0A0Au) << x << "," << y;
        drawn += set;
      }
    }
    EXPECT_EQ(drawn, 8);
  }
  // Level 0 draws one cell of 16; level 15 copies; opacity 0 nothing.
  EXPECT_EQ(frame(15, -1, filled(200)).Frame(0).Bitmap.GetPixel(0, 0), 0xC8C8C8u);
  EXPECT_EQ(frame(15, -1, filled(200)).Frame(0).Bitmap.GetPixel(2, 2), 0x0A0A0Au);
  EXPECT_EQ(frame(240, -1, filled(200)).Frame(0).Bitmap.GetPixel(3, 1), 0xC8C8C8u);
  EXPECT_EQ(frame(0, -1, filled(200)).Frame(0).Bitmap.GetPixel(0, 0), 0x0A0A0Au);
  // The key index stays out, patterned or not.
  TDIBX keyed = filled(200);
  keyed.SetPixel(0, 0, 7);
  keyed.SetPixel(1, 1, 7);
  const TOrloFrameList k = frame(255, 7, std::move(keyed));
  EXPECT_EQ(k.Frame(0).Bitmap.GetPixel(0, 0), 0x0A0A0Au);
  EXPECT_EQ(k.Frame(0).Bitmap.GetPixel(1, 1), 0x0A0A0Au);
  EXPECT_EQ(k.Frame(0).Bitmap.GetPixel(2, 1), 0xC8C8C8u);
}

TEST(OrloCompose, BottomLayerMaskBecomesTheFrameMask) {
  for (int bits : {16, 24, 32}) {
    const TDIBX pixels = Random(bits, 12, 10, 3);
    const auto mask = RandomMask(12, 10, 4);
    TDIBX p;
    p.Assign(pixels);
    auto m = std::make_unique<TDIBX>();
    m->Assign(*mask);
    const TOrloFrameList list = ReadOrlo(EncodeOrlo(OneFrame(std::move(p), std::move(m)), {}));
    const TOrloFrame& f = list.Frame(0);
    ASSERT_TRUE(f.HasMask());
    EXPECT_TRUE(SamePixels(*f.Bitmap.Mask(), *mask));
    EXPECT_TRUE(SamePixels(f.Bitmap, pixels));
  }
}

TEST(OrloCompose, LaterMasksBlendAndDisabledAlphaCopies) {
  for (int bits : {16, 24, 32}) {
    SCOPED_TRACE(bits);
    const TDIBX bottom = Random(bits, 15, 6, 1), top = Random(bits, 15, 6, 2);
    const auto mask = RandomMask(15, 6, 3);
    TDIBX t;
    t.Assign(top);
    auto m = std::make_unique<TDIBX>();
    m->Assign(*mask);
    const TDIBX got = TwoLayerFrame(bottom, Layer(std::move(t), 255, -1, std::move(m)));
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 15; ++x)
        ASSERT_EQ(got.GetPixel(x, y),
                  MaskRule(bottom.GetPixel(x, y), top.GetPixel(x, y), mask->GetPixel(x, y), bits));

    TDIBX t2;
    t2.Assign(top);
    auto m2 = std::make_unique<TDIBX>();
    m2->Assign(*mask);
    TOrloLayerInput off = Layer(std::move(t2), 255, -1, std::move(m2));
    off.AlphaEnabled = false;
    EXPECT_TRUE(SamePixels(TwoLayerFrame(bottom, std::move(off)), top));
  }
}

TEST(OrloCompose, InvisibleLayersLeaveTheBackground) {
  for (int bits : {8, 16, 24, 32}) {
    TDIBX px = Random(bits, 5, 4, 1);
    std::vector<TOrloLayerInput> layers;
    layers.push_back(Layer(std::move(px)));
    layers[0].Visible = false;
    std::vector<TOrloFrameInput> frames;
    frames.push_back(FrameOf(bits, std::move(layers)));
    Palette pal{};
    pal[3] = PaletteEntry{0x30, 0x20, 0x10, 0};  // nearest to the background
    pal[9] = PaletteEntry{0xFF, 0xFF, 0xFF, 0};
    frames[0].Colors = pal;
    OrloWriteOptions o;
    o.BackgroundColor = 0x302010;  // blue 0x30, green 0x20, red 0x10
    const TOrloFrameList list = ReadOrlo(EncodeOrlo(frames, o));
    const TDIBSurface& b = list.Frame(0).Bitmap;
    const uint32_t want = bits == 8 ? 0x102030 : ColorToNative(0x302010, bits);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) ASSERT_EQ(b.GetPixel(x, y), want) << bits;
    EXPECT_EQ(list.BackgroundColor, 0x302010);
  }
}

TEST(OrloCompose, OpaqueBottomIgnoresTheBottomLayersKey) {
  const TDIBX bottom = Random(24, 8, 8, 1);
  const auto key = int32_t(bottom.GetPixel(2, 2));
  const TDIBX top = Random(24, 8, 8, 2);
  auto run = [&](bool opaque) {
    TDIBX t;
    t.Assign(top);
    TOrloLayerInput hidden = Layer(std::move(t));
    hidden.Visible = false;
    return TwoLayerFrame(bottom, std::move(hidden), 0x0000FF, opaque, key);
  };
  EXPECT_TRUE(SamePixels(run(true), bottom));
  const TDIBX keyed = run(false);
  EXPECT_EQ(keyed.GetPixel(2, 2), 0xFF0000u);  // red background shows
  EXPECT_EQ(keyed.GetPixel(3, 2), bottom.GetPixel(3, 2));
}

// --- post-processing -----------------------------------------------------------------

TEST(OrloPost, TargetBitCountReducesFramesWithoutKeyOrWithMask) {
  std::vector<TOrloFrameInput> frames;
  for (int i = 0; i < 3; ++i) {
    std::vector<TOrloLayerInput> layers;
    layers.push_back(
        Layer(Random(24, 6, 5, uint32_t(i)), 255, -1, i == 2 ? RandomMask(6, 5, 1) : nullptr));
    frames.push_back(FrameOf(24, std::move(layers), i == 1 ? 0x00FF00 : -1));
  }
  frames[2].ColorKey = 0x0000FF;
  for (int target : {15, 16, 32}) {
    const TOrloFrameList list = ReadOrlo(EncodeOrlo(frames, {}), 0, target);
    EXPECT_EQ(list.Frame(0).Bitmap.BitCount(), target);
    EXPECT_EQ(list.Frame(1).Bitmap.BitCount(), 24) << "a keyed frame keeps its format";
    EXPECT_EQ(list.Frame(2).Bitmap.BitCount(), target);
    EXPECT_TRUE(list.Frame(2).HasMask());
    TDIBX want(6, 5, target);
    const TDIBX src = Random(24, 6, 5, 0);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 6; ++x)
        want.SetPixel(x, y, ColorToNative(NativeToColor(src.GetPixel(x, y), 24, nullptr), target));
    EXPECT_TRUE(SamePixels(list.Frame(0).Bitmap, want));
  }
}

TEST(OrloPost, PalettedFramesWidenAndTheKeyFollowsItsColour) {
  Palette pal{};
  pal[3] = PaletteEntry{0x11, 0x22, 0x33, 0};
  pal[4] = PaletteEntry{0x44, 0x55, 0x66, 0};
  TDIBX px(4, 2, 8);
  px.SetPalette(pal);
  px.Fill(4);
  px.SetPixel(1, 1, 3);
  std::vector<TOrloLayerInput> layers;
  layers.push_back(Layer(std::move(px)));
  std::vector<TOrloFrameInput> frames;
  frames.push_back(FrameOf(8, std::move(layers), 3));
  frames[0].Colors = pal;
  for (int target : {0, 16}) {
    const TOrloFrameList list = ReadOrlo(EncodeOrlo(frames, {}), 0, target);
    const TOrloFrame& f = list.Frame(0);
    EXPECT_EQ(f.Bitmap.BitCount(), 24);
    EXPECT_EQ(f.ColorKey, 0x332211);
    EXPECT_EQ(f.ColorKeyColor, 0x112233);
    EXPECT_EQ(f.Bitmap.GetPixel(1, 1), 0x332211u);
    EXPECT_EQ(f.Bitmap.GetPixel(0, 0), 0x665544u);
  }
}

TEST(OrloPost, KeyMasksHideTheKeyColour) {
  std::vector<TOrloFrameInput> frames;
  TDIBX a = Random(32, 5, 5, 1);
  a.SetPixel(2, 3, 0x00FF00);
  std::vector<TOrloLayerInput> la;
  la.push_back(Layer(std::move(a)));
  frames.push_back(FrameOf(32, std::move(la), 0x00FF00));
  std::vector<TOrloLayerInput> lb;
  lb.push_back(Layer(Random(32, 5, 5, 2), 255, -1, RandomMask(5, 5, 3)));
  frames.push_back(FrameOf(32, std::move(lb)));
  std::vector<TOrloLayerInput> lc;
  lc.push_back(Layer(Random(32, 5, 5, 4)));
  frames.push_back(FrameOf(32, std::move(lc)));
  TOrloFrameList list = ReadOrlo(EncodeOrlo(frames, {}));
  list.MakeKeyMasks();
  const TDIBX& m0 = *list.Frame(0).Bitmap.Mask();
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(m0.GetPixel(x, y), list.Frame(0).Bitmap.GetPixel(x, y) == 0x00FF00u ? 0u : 255u);
  EXPECT_EQ(m0.GetPixel(2, 3), 0u);
  EXPECT_TRUE(SamePixels(*list.Frame(1).Bitmap.Mask(), *RandomMask(5, 5, 3))) << "own masks stay";
  for (uint32_t v : Pixels(*list.Frame(2).Bitmap.Mask())) EXPECT_EQ(v, 255u);
}

TOrloFrameList FrameWithBox(bool use_mask) {
  TDIBX px(10, 8, 24);
  px.Fill(0xFF00FF);
  for (int y = 2; y < 5; ++y)
    for (int x = 3; x < 7; ++x) px.SetPixel(x, y, uint32_t(x * 16 + y));
  std::unique_ptr<TDIBX> mask;
  if (use_mask) {
    mask = std::make_unique<TDIBX>(10, 8, 8);
    for (int y = 2; y < 5; ++y)
      for (int x = 3; x < 7; ++x) mask->SetPixel(x, y, 128);
  }
  std::vector<TOrloLayerInput> layers;
  layers.push_back(Layer(std::move(px), 255, -1, std::move(mask)));
  std::vector<TOrloFrameInput> frames;
  frames.push_back(FrameOf(24, std::move(layers), use_mask ? -1 : 0xFF00FF));
  frames[0].FirstAreas = {Rect{0, 0, 4, 3}, Rect{8, 6, 10, 8}};
  frames[0].SecondAreas = {Rect{3, 2, 7, 5}};
  return ReadOrlo(EncodeOrlo(frames, {}));
}

TEST(OrloPost, TrimCutsToTheVisiblePixelsAndMovesTheAreas) {
  for (bool use_mask : {false, true}) {
    TOrloFrameList list = FrameWithBox(use_mask);
    TOrloFrame& f = list.Frame(0);
    EXPECT_EQ(f.Trim(), (Rect{3, 2, 7, 5}));
    EXPECT_EQ(f.Width(), 4);
    EXPECT_EQ(f.Height(), 3);
    EXPECT_EQ(f.Bitmap.GetPixel(0, 0), uint32_t(3 * 16 + 2));
    EXPECT_EQ(f.Bitmap.GetPixel(3, 2), uint32_t(6 * 16 + 4));
    if (use_mask) {
      EXPECT_EQ(f.Bitmap.Mask()->Width(), 4);
      EXPECT_EQ(f.Bitmap.Mask()->GetPixel(3, 2), 128u);
    }
    EXPECT_EQ(f.FirstAreas, (std::vector<Rect>{Rect{0, 0, 1, 1}}));
    EXPECT_EQ(f.SecondAreas, (std::vector<Rect>{Rect{0, 0, 4, 3}}));
  }
}

TEST(OrloPost, TrimLeavesWholeEmptyAndUnkeyedFrames) {
  TOrloFrameList list = FrameWithBox(false);
  TOrloFrame& f = list.Frame(0);
  f.Bitmap.Fill(0xFF00FF);
  EXPECT_EQ(f.Trim(), (Rect{0, 0, 10, 8})) << "nothing visible";
  EXPECT_EQ(f.Width(), 10);
  f.Bitmap.Fill(0);
  EXPECT_EQ(f.Trim(), (Rect{0, 0, 10, 8})) << "everything visible";
  f.ColorKey = -1;
  f.Bitmap.Fill(0xFF00FF);
  EXPECT_EQ(f.Trim(), (Rect{0, 0, 10, 8})) << "no key, no mask";
  EXPECT_EQ(f.FirstAreas.size(), 2u);
}

TEST(OrloPost, AssignToEveryWorkingBitCount) {
  for (int frame_bits : {16, 24, 32}) {
    TDIBX src = Random(frame_bits, 9, 4, 6);
    if (frame_bits == 32) src.SetPixel(0, 0, 0xAB123456);  // a stray top byte
    TDIBX copy;
    copy.Assign(src);
    std::vector<TOrloFrameInput> frames = OneFrame(std::move(copy), RandomMask(9, 4, 1));
    frames[0].FirstAreas = {Rect{1, 1, 2, 2}};
    const TOrloFrameList list = ReadOrlo(EncodeOrlo(frames, {}));
    for (int surface_bits : {15, 16, 32}) {
      TDIBX surface(1, 1, surface_bits);
      AssignTo(list.Frame(0), surface);
      ASSERT_EQ(surface.Width(), 9);
      ASSERT_EQ(surface.BitCount(), surface_bits);
      EXPECT_EQ(surface.FirstAreas, frames[0].FirstAreas);
      for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 9; ++x) {
          const int32_t c = NativeToColor(src.GetPixel(x, y), frame_bits, nullptr);
          ASSERT_EQ(surface.GetPixel(x, y), ColorToNative(c, surface_bits))
              << frame_bits << "->" << surface_bits;
        }
      }
    }
    TDIBX mask;
    ASSERT_TRUE(MaskTo(list.Frame(0), mask));
    EXPECT_EQ(mask.BitCount(), 8);
    EXPECT_TRUE(SamePixels(mask, *RandomMask(9, 4, 1)));
  }
  TDIBX none;
  const TOrloFrameList plain = ReadOrlo(EncodeOrlo(OneFrame(Random(24, 2, 2, 1)), {}));
  EXPECT_FALSE(MaskTo(plain.Frame(0), none));
}

TEST(OrloWriter, RefusesLayersThatDoNotFit) {
  std::vector<TOrloFrameInput> frames = OneFrame(Random(24, 4, 4, 1));
  frames[0].Width = 5;
  EXPECT_THROW(EncodeOrlo(frames, {}), EGraphicsError);
  frames = OneFrame(Random(24, 4, 4, 1), std::make_unique<TDIBX>(3, 4, 8));
  EXPECT_THROW(EncodeOrlo(frames, {}), EGraphicsError);
  frames = OneFrame(Random(24, 4, 4, 1));
  frames[0].BitCount = 12;
  EXPECT_THROW(EncodeOrlo(frames, {}), EGraphicsError);
  // 4-bit blocks of 3 pixels would start inside bytes.
  OrloWriteOptions odd;
  odd.BlockWidth = 3;
  TDIBX nibbles(6, 2, 4);
  EXPECT_THROW(EncodeOrlo(OneFrame(std::move(nibbles)), odd), EGraphicsError);
  OrloWriteOptions old;
  old.Version = 102;
  EXPECT_THROW(EncodeOrlo(OneFrame(Random(24, 4, 4, 1)), old), EGraphicsError);
}

}  // namespace
}  // namespace vesk::graphics
