// Cursor files: Windows cursors and icons, animated cursors, BMP and PNG
// pictures turned into straight-alpha ARGB with a hot spot; damaged files
// are refused with a reason.
#include "graphics/cursor_file.h"

#include <gtest/gtest.h>

#include "graphics/cursor_fixtures.h"

namespace vesk::graphics {
namespace {

using namespace fixtures;
using platform::CursorFrame;
using platform::CursorImage;
using platform::CursorStep;
using Pixels = std::vector<uint32_t>;

CursorImage MustDecode(const Blob& b) {
  std::string error;
  auto image = DecodeCursorFile(b, &error);
  EXPECT_TRUE(image) << error;
  return image ? std::move(*image) : CursorImage{};
}

std::string MustFail(const Blob& b) {
  std::string error;
  auto image = DecodeCursorFile(b, &error);
  EXPECT_FALSE(image);
  EXPECT_FALSE(error.empty());
  return error;
}

// A 4-bit cursor whose rows and mask tell top from bottom.
Picture FourBitPicture() {
  Picture p{4,
            2,
            4,
            {0x000000, 0xFF0000, 0x00FF00, 0x0000FF},
            {1, 2, 3, 0, 3, 3, 1, 2},
            {0, 0, 0, 1, 1, 0, 0, 0}};
  return p;
}

// ---------------------------------------------------------------- .cur / .ico

TEST(CursorFileCur, PaletteCursorKeepsHotSpotRowOrderAndMask) {
  const CursorImage c = MustDecode(Cursor(FourBitPicture(), 2, 1));
  EXPECT_EQ(c.width, 4);
  EXPECT_EQ(c.height, 2);
  EXPECT_EQ(c.hot_x, 2);
  EXPECT_EQ(c.hot_y, 1);
  // Masked black is see-through; masked colour (screen inversion) becomes black.
  EXPECT_EQ(c.argb, (Pixels{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x00000000,  //
                            0xFF000000, 0xFF0000FF, 0xFFFF0000, 0xFF00FF00}));
  EXPECT_FALSE(c.animated());
  EXPECT_TRUE(c.frames.empty());
}

TEST(CursorFileCur, OneBitRowsWiderThanAByte) {
  Picture p{9, 2, 1, {0x000000, 0xFFFFFF}, {}, {}};
  p.pixels = {1, 0, 1, 0, 1, 0, 1, 0, 1, /**/ 0, 0, 0, 0, 0, 0, 0, 0, 0};
  p.mask = {0, 0, 0, 0, 0, 0, 0, 0, 1, /**/ 0, 1, 1, 1, 1, 1, 1, 1, 1};
  const CursorImage c = MustDecode(Cursor(p, 0, 0));
  ASSERT_EQ(c.argb.size(), 18u);
  EXPECT_EQ(c.argb[0], 0xFFFFFFFFu);
  EXPECT_EQ(c.argb[1], 0xFF000000u);
  EXPECT_EQ(c.argb[7], 0xFF000000u);
  EXPECT_EQ(c.argb[8], 0xFF000000u);  // white under the mask: inverted, shown black
  EXPECT_EQ(c.argb[9], 0xFF000000u);
  for (int x = 10; x < 18; ++x) EXPECT_EQ(c.argb[x], 0u) << x;
}

TEST(CursorFileCur, EightSixteenAndTwentyFourBitRowsArePadded) {
  // Index 200 lies past the palette: black.
  Picture p8{
      3, 2, 8, {0x102030, 0x405060, 0x708090, 0x000000}, {0, 1, 3, 2, 200, 0}, {0, 0, 1, 0, 0, 0}};
  EXPECT_EQ(MustDecode(Cursor(p8, 0, 0)).argb,
            (Pixels{0xFF102030, 0xFF405060, 0, 0xFF708090, 0xFF000000, 0xFF102030}));

  Picture p16{3, 1, 16, {}, {0xF80000, 0x00F800, 0x0000F8}, {}};
  EXPECT_EQ(MustDecode(Cursor(p16, 0, 0)).argb, (Pixels{0xFFFF0000, 0xFF00FF00, 0xFF0000FF}));

  Picture p24{3,
              2,
              24,
              {},
              {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x000000},
              {0, 0, 0, 0, 0, 1}};
  EXPECT_EQ(MustDecode(Cursor(p24, 0, 0)).argb,
            (Pixels{0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC, 0xFFDDEEFF, 0}));
}

TEST(CursorFileCur, ThirtyTwoBitsUseAlphaWhenThereIsAnyElseTheMask) {
  Picture with_alpha{2, 2, 32, {}, {0x80FF0000, 0x00000000, 0xFF00FF00, 0x400000FF}, {1, 1, 1, 1}};
  EXPECT_EQ(MustDecode(Cursor(with_alpha, 1, 1)).argb,
            (Pixels{0x80FF0000, 0x00000000, 0xFF00FF00, 0x400000FF}));

  Picture no_alpha{2, 1, 32, {}, {0x00112233, 0x00445566}, {0, 1}};
  EXPECT_EQ(MustDecode(Cursor(no_alpha, 0, 0)).argb, (Pixels{0xFF112233, 0xFF000000}));
}

TEST(CursorFileCur, IconsPointAtTheTopLeft) {
  // In an icon these directory fields are planes and depth, not a hot spot.
  const CursorImage c = MustDecode(IconFile(1, {{IconDib(FourBitPicture()), 4, 2, 1, 4}}));
  EXPECT_EQ(c.hot_x, 0);
  EXPECT_EQ(c.hot_y, 0);
  EXPECT_EQ(c.argb[0], 0xFFFF0000u);
}

TEST(CursorFileCur, PicksTheEntryNearest32WithTheMostColours) {
  auto flat = [](int side, int bpp, uint32_t colour) {
    Picture p{side, side, bpp, {}, {}, {}};
    if (bpp <= 8) {
      p.palette = {colour & 0xFFFFFF};
      p.pixels.assign(side * side, 0);
    } else {
      p.pixels.assign(side * side, colour);
    }
    return IconEntry{IconDib(p), side, side, side / 2, side / 4};
  };
  const CursorImage c =
      MustDecode(IconFile(2, {flat(16, 32, 0xFFFF0000), flat(32, 4, 0xFF00FF00),
                              flat(48, 32, 0xFFFFFFFF), flat(32, 32, 0xFF0000FF)}));
  EXPECT_EQ(c.width, 32);
  EXPECT_EQ(c.argb[0], 0xFF0000FFu);
  EXPECT_EQ(c.hot_x, 16);
  EXPECT_EQ(c.hot_y, 8);
}

TEST(CursorFileCur, DamagedBestEntryFallsBackToTheNext) {
  Picture small{16, 16, 32, {}, Pixels(256, 0xFF123456), {}};
  Picture best{32, 32, 32, {}, Pixels(1024, 0xFF0000FF), {}};
  Blob cut = IconDib(best);
  cut.resize(100);  // header and a few pixels only
  const CursorImage c =
      MustDecode(IconFile(2, {{cut, 32, 32, 0, 0}, {IconDib(small), 16, 16, 3, 3}}));
  EXPECT_EQ(c.width, 16);
  EXPECT_EQ(c.argb[0], 0xFF123456u);
  EXPECT_EQ(c.hot_x, 3);
}

TEST(CursorFileCur, PngEntryWithHotSpot) {
  const Blob png = PngArgb(2, 2, {0xFFFF0000, 0x00000000, 0x8000FF00, 0xFF0000FF});
  const CursorImage c = MustDecode(IconFile(2, {{png, 2, 2, 1, 1}}));
  EXPECT_EQ(c.hot_x, 1);
  EXPECT_EQ(c.hot_y, 1);
  EXPECT_EQ(c.argb, (Pixels{0xFFFF0000, 0x00000000, 0x8000FF00, 0xFF0000FF}));
}

TEST(CursorFileCur, HotSpotOutsideThePictureIsClamped) {
  const CursorImage c = MustDecode(Cursor(FourBitPicture(), 100, 7));
  EXPECT_EQ(c.hot_x, 3);
  EXPECT_EQ(c.hot_y, 1);
}

// ---------------------------------------------------------------- BMP / PNG files

TEST(CursorFileImage, BmpFilesInEveryCommonDepth) {
  Picture p24{3, 2, 24, {}, {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x000000}, {}};
  const CursorImage c24 = MustDecode(BmpFile(p24));
  EXPECT_EQ(c24.hot_x, 0);
  EXPECT_EQ(c24.hot_y, 0);
  EXPECT_EQ(c24.argb,
            (Pixels{0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC, 0xFFDDEEFF, 0xFF000000}));

  Picture p32{2, 2, 32, {}, {0x80102030, 0x00405060, 0xFF708090, 0x01000000}, {}};
  EXPECT_EQ(MustDecode(BmpFile(p32, /*top_down=*/true)).argb, p32.pixels);

  // An alpha byte that is zero everywhere is padding, not transparency.
  Picture unused_alpha{2, 1, 32, {}, {0x00102030, 0x00405060}, {}};
  EXPECT_EQ(MustDecode(BmpFile(unused_alpha)).argb, (Pixels{0xFF102030, 0xFF405060}));

  Picture p8{2, 2, 8, {0xFF0000, 0x0000FF}, {1, 0, 0, 1}, {}};
  EXPECT_EQ(MustDecode(BmpFile(p8)).argb, (Pixels{0xFF0000FF, 0xFFFF0000, 0xFFFF0000, 0xFF0000FF}));
}

TEST(CursorFileImage, BmpBitfieldsAreScaledToEightBits) {
  Blob dib;
  PutInfoHeader(&dib, 3, 1, 16, 3, 0);
  for (uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) Put32(&dib, m);
  Blob b{'B', 'M'};
  Put32(&b, 0);
  Put32(&b, 0);
  Put32(&b, static_cast<uint32_t>(14 + dib.size()));
  Append(&b, dib);
  for (uint32_t v : {0xF800u, 0x07E0u, 0x0010u}) Put16(&b, v);
  Put16(&b, 0);  // row padding
  EXPECT_EQ(MustDecode(b).argb, (Pixels{0xFFFF0000, 0xFF00FF00, 0xFF000083}));
}

TEST(CursorFileImage, PngColourTypesBecomeArgb) {
  EXPECT_EQ(MustDecode(PngArgb(2, 1, {0x7F123456, 0xFFABCDEF})).argb,
            (Pixels{0x7F123456, 0xFFABCDEF}));

  const Blob palette{0xFF, 0, 0, 0, 0xFF, 0};
  const Blob transparency{0x00, 0xFF};
  const CursorImage indexed =
      MustDecode(Png(3, 1, 8, 3, {{1, 0, 1}}, {{"PLTE", palette}, {"tRNS", transparency}}));
  EXPECT_EQ(indexed.argb, (Pixels{0xFF00FF00, 0x00FF0000, 0xFF00FF00}));

  EXPECT_EQ(MustDecode(Png(2, 1, 8, 0, {{0x40, 0xFF}})).argb, (Pixels{0xFF404040, 0xFFFFFFFF}));
  EXPECT_EQ(MustDecode(Png(1, 1, 16, 2, {{0xAB, 0xCD, 0x12, 0x34, 0x56, 0x78}})).argb,
            (Pixels{0xFFAB1256}));
}

// ---------------------------------------------------------------- .ani

TEST(CursorFileAni, SequenceAndRatesGiveStepsInMilliseconds) {
  AniParts ani;
  ani.frames = {FlatCursor(2, 2, 0xFFFF0000, 0, 0), FlatCursor(2, 2, 0xFF00FF00, 1, 0),
                FlatCursor(4, 4, 0xFF0000FF, 3, 2)};
  ani.sequence = {2, 0, 1, 0};
  ani.rate = {6, 12, 3, 6};
  const CursorImage c = MustDecode(Ani(ani));
  ASSERT_TRUE(c.animated());
  ASSERT_EQ(c.frames.size(), 3u);
  ASSERT_EQ(c.steps.size(), 4u);
  const int frames[] = {2, 0, 1, 0}, delays[] = {100, 200, 50, 100};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(c.steps[i].frame, frames[i]) << i;
    EXPECT_EQ(c.steps[i].delay_ms, delays[i]) << i;
  }
  // What shows first is the first step's frame, with that frame's hot spot.
  EXPECT_EQ(c.width, 4);
  EXPECT_EQ(c.hot_x, 3);
  EXPECT_EQ(c.hot_y, 2);
  EXPECT_EQ(c.argb, Pixels(16, 0xFF0000FF));
  EXPECT_EQ(c.frames[1].hot_x, 1);
  EXPECT_EQ(c.frames[1].argb, Pixels(4, 0xFF00FF00));
}

TEST(CursorFileAni, WithoutSequenceFramesPlayInOrderAtTheHeaderRate) {
  AniParts ani;
  Blob odd = FlatCursor(1, 1, 0xFFFF0000, 0, 0);
  odd.push_back(0xEE);  // odd chunk length: the next chunk starts after a pad byte
  ani.frames = {odd, FlatCursor(1, 1, 0xFF00FF00, 0, 0), FlatCursor(1, 1, 0xFF0000FF, 0, 0)};
  ani.display_rate = 10;
  const CursorImage c = MustDecode(Ani(ani));
  ASSERT_EQ(c.steps.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(c.steps[i].frame, i);
    EXPECT_EQ(c.steps[i].delay_ms, 166);
  }
  EXPECT_EQ(c.frames[2].argb, Pixels{0xFF0000FF});

  ani.steps = 2;         // the header may play fewer steps than there are frames
  ani.display_rate = 0;  // and a zero rate still moves on
  const CursorImage shorter = MustDecode(Ani(ani));
  ASSERT_EQ(shorter.steps.size(), 2u);
  EXPECT_EQ(shorter.steps[1].delay_ms, 16);
}

TEST(CursorFileAni, OneFrameIsAStillCursor) {
  AniParts ani;
  ani.frames = {FlatCursor(2, 1, 0xFF00FF00, 1, 0)};
  const CursorImage c = MustDecode(Ani(ani));
  EXPECT_FALSE(c.animated());
  EXPECT_TRUE(c.frames.empty());
  EXPECT_TRUE(c.steps.empty());
  EXPECT_EQ(c.argb, Pixels(2, 0xFF00FF00));
  EXPECT_EQ(c.hot_x, 1);
}

// ---------------------------------------------------------------- hostile input

std::vector<Blob> ValidFiles() {
  AniParts ani;
  ani.frames = {FlatCursor(2, 2, 0xFFFF0000, 1, 1), Cursor(FourBitPicture(), 0, 1)};
  ani.sequence = {1, 0};
  ani.rate = {3, 4};
  return {Cursor(FourBitPicture(), 2, 1),
          IconFile(2, {{PngArgb(2, 2, {1, 2, 3, 4}), 2, 2, 1, 1}}),
          BmpFile({3, 2, 24, {}, {1, 2, 3, 4, 5, 6}, {}}),
          BmpFile({2, 2, 8, {0xFF0000, 0x0000FF}, {1, 0, 0, 1}, {}}),
          PngArgb(2, 2, {1, 2, 3, 4}),
          Ani(ani)};
}

void ExpectWellFormed(const CursorImage& c) {
  ASSERT_GT(c.width, 0);
  ASSERT_GT(c.height, 0);
  ASSERT_EQ(c.argb.size(), static_cast<size_t>(c.width) * c.height);
  EXPECT_TRUE(c.hot_x >= 0 && c.hot_x < c.width && c.hot_y >= 0 && c.hot_y < c.height);
  for (const CursorStep& s : c.steps) ASSERT_LT(static_cast<size_t>(s.frame), c.frames.size());
  for (const CursorFrame& f : c.frames)
    ASSERT_EQ(f.argb.size(), static_cast<size_t>(f.width) * f.height);
}

TEST(CursorFileHostile, EveryTruncationIsRefusedWithAReasonOrStillWellFormed) {
  for (const Blob& file : ValidFiles()) {
    ExpectWellFormed(MustDecode(file));
    for (size_t n = 0; n < file.size(); ++n) {
      const Blob cut(file.begin(), file.begin() + n);
      std::string error;
      auto c = DecodeCursorFile(cut, &error);
      if (c)
        ExpectWellFormed(*c);
      else
        EXPECT_FALSE(error.empty()) << n;
      DecodeCursorFile(cut, nullptr);  // no reason asked for: still no crash
    }
  }
}

TEST(CursorFileHostile, RandomDamageNeverBreaksTheContract) {
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  const uint32_t extremes[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFF, 40, 1024, 1025};
  for (const Blob& file : ValidFiles()) {
    for (int round = 0; round < 400; ++round) {
      Blob b = file;
      for (int k = 0, n = 1 + next() % 3; k < n; ++k) {
        const size_t at = next() % b.size();
        if (next() % 2 && at + 4 <= b.size())
          Set32(&b, at, extremes[next() % std::size(extremes)]);
        else
          b[at] = static_cast<uint8_t>(next());
      }
      std::string error;
      auto c = DecodeCursorFile(b, &error);
      if (c)
        ExpectWellFormed(*c);
      else
        EXPECT_FALSE(error.empty());
    }
  }
}

TEST(CursorFileHostile, NotACursorAtAll) {
  EXPECT_NE(MustFail({}).find("empty"), std::string::npos);
  EXPECT_NE(MustFail({'h', 'e', 'l', 'l', 'o', '!', '!'}).find("not a cursor"), std::string::npos);
  Blob wave{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'};
  EXPECT_NE(MustFail(wave).find("not an animated cursor"), std::string::npos);
}

TEST(CursorFileHostile, DirectoryCountsAndOffsetsOutOfRange) {
  Blob huge_count{0, 0, 2, 0, 0xFF, 0xFF};
  EXPECT_NE(MustFail(huge_count).find("truncated"), std::string::npos);
  EXPECT_NE(MustFail({0, 0, 2, 0, 0, 0}).find("no pictures"), std::string::npos);

  Blob b = Cursor(FourBitPicture(), 0, 0);
  Set32(&b, 6 + 12, 0xFFFFFFF0);  // the entry's offset
  EXPECT_NE(MustFail(b).find("no readable picture"), std::string::npos);

  b = Cursor(FourBitPicture(), 0, 0);
  Set32(&b, 6 + 8, 0xFFFFFFFF);  // an absurd size is cut to what is there
  EXPECT_EQ(MustDecode(b).width, 4);
}

TEST(CursorFileHostile, BitmapHeadersWithAbsurdFields) {
  const size_t dib = 6 + 16;
  auto with = [&](size_t field, uint32_t value) {
    Blob b = Cursor(FourBitPicture(), 0, 0);
    Set32(&b, dib + field, value);
    return MustFail(b);
  };
  EXPECT_NE(with(0, 0xFFFFFFF0).find("header size"), std::string::npos);
  EXPECT_NE(with(4, 0x7FFFFFFF).find("bad bitmap size"), std::string::npos);
  EXPECT_NE(with(8, 0xFFFFFFFC).find("bad bitmap size"), std::string::npos);  // negative height
  EXPECT_NE(with(8, 4096).find("bad bitmap size"), std::string::npos);
  EXPECT_NE(with(12, 7u << 16 | 1).find("depth"), std::string::npos);
  EXPECT_NE(with(16, 2).find("compressed"), std::string::npos);
  EXPECT_NE(with(32, 0xFFFFFFFF).find("palette"), std::string::npos);

  Blob bmp = BmpFile({3, 2, 24, {}, {1, 2, 3, 4, 5, 6}, {}});
  Set32(&bmp, 10, 0x7FFFFFFF);
  EXPECT_NE(MustFail(bmp).find("out of range"), std::string::npos);
}

TEST(CursorFileHostile, AnimatedCursorsWithBadChunks) {
  AniParts ani;
  ani.frames = {FlatCursor(1, 1, 0xFFFF0000, 0, 0)};
  Blob b = Ani(ani);
  Set32(&b, 16, 0xFFFFFFF0);  // the header chunk's length
  EXPECT_NE(MustFail(b).find("runs past the end"), std::string::npos);

  ani.sequence = {0, 9};
  EXPECT_NE(MustFail(Ani(ani)).find("shows frame 9 of 1"), std::string::npos);

  ani.sequence.assign(5000, 0);
  EXPECT_NE(MustFail(Ani(ani)).find("too many steps"), std::string::npos);

  ani.sequence.clear();
  ani.frames.assign(1025, FlatCursor(1, 1, 0xFF000000, 0, 0));
  EXPECT_NE(MustFail(Ani(ani)).find("too many frames"), std::string::npos);

  ani.frames = {{'n', 'o', 'p', 'e'}};
  EXPECT_NE(MustFail(Ani(ani)).find("frame 0"), std::string::npos);

  Blob no_header{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'C', 'O', 'N'};
  EXPECT_NE(MustFail(no_header).find("anih"), std::string::npos);
  ani.frames.clear();
  EXPECT_NE(MustFail(Ani(ani)).find("no frames"), std::string::npos);
}

TEST(CursorFileHostile, PngDamageIsReported) {
  // Absurd dimensions, with a correct checksum so that only the size is wrong.
  Blob huge = Png(100000, 1, 8, 6, {{1, 2, 3, 4}});
  EXPECT_NE(MustFail(huge).find("PNG"), std::string::npos);

  Blob bad_crc = PngArgb(1, 1, {0xFF000000});
  bad_crc[8 + 8 + 13] ^= 1;  // the header chunk's checksum
  EXPECT_NE(MustFail(bad_crc).find("PNG"), std::string::npos);

  // Fewer rows than the header promises.
  EXPECT_NE(MustFail(Png(1, 3, 8, 6, {{1, 2, 3, 4}})).find("PNG"), std::string::npos);
}

}  // namespace
}  // namespace vesk::graphics
