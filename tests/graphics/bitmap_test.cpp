// Bitmap files: every depth and coding read into surfaces of every working
// format, writing as 24 bits, and hostile files rejected with a clear error.
// The files are built here byte by byte, independently of the writer.
#include <gtest/gtest.h>

#include <map>

#include "graphics/dibsfc.h"
#include "graphics/dibsfc_bitmap.h"
#include "graphics/orlo.h"
#include "surface_util.h"

namespace vesk::graphics {
namespace {

struct BmpLayout {
  int bits = 24;
  int width = 0, height = 0;  // height < 0: top-down
  uint32_t compression = 0;
  int info_size = 40;
  std::vector<uint32_t> masks;    // written after a 40-byte header
  std::vector<uint32_t> palette;  // 0x00RRGGBB entries
  std::vector<uint8_t> pixels;    // exactly as stored
};

void Put16(std::vector<uint8_t>& o, uint32_t v) {
  o.push_back(uint8_t(v));
  o.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& o, uint32_t v) {
  Put16(o, v & 0xFFFF);
  Put16(o, v >> 16);
}

std::vector<uint8_t> BuildBmp(const BmpLayout& b) {
  std::vector<uint8_t> head;
  Put32(head, uint32_t(b.info_size));
  if (b.info_size == 12) {
    Put16(head, uint32_t(b.width));
    Put16(head, uint32_t(b.height));
    Put16(head, 1);
    Put16(head, uint32_t(b.bits));
  } else {
    Put32(head, uint32_t(b.width));
    Put32(head, uint32_t(b.height));
    Put16(head, 1);
    Put16(head, uint32_t(b.bits));
    Put32(head, b.compression);
    Put32(head, uint32_t(b.pixels.size()));
    Put32(head, 2835);
    Put32(head, 2835);
    Put32(head, uint32_t(b.palette.size()));
    Put32(head, 0);
    for (uint32_t m : b.masks) Put32(head, m);
  }
  for (uint32_t c : b.palette) {
    head.push_back(uint8_t(c));
    head.push_back(uint8_t(c >> 8));
    head.push_back(uint8_t(c >> 16));
    if (b.info_size != 12) head.push_back(0);
  }
  std::vector<uint8_t> out{'B', 'M'};
  Put32(out, uint32_t(14 + head.size() + b.pixels.size()));
  Put32(out, 0);
  Put32(out, uint32_t(14 + head.size()));
  out.insert(out.end(), head.begin(), head.end());
  out.insert(out.end(), b.pixels.begin(), b.pixels.end());
  return out;
}

// Colours (0x00RRGGBB) of a 3 x 2 picture, top row first.
const uint32_t kPicture[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0x808080, 0x102030}};

// The picture as a 24-bit file, bottom-up, rows padded to 4 bytes.
BmpLayout Picture24() {
  BmpLayout b;
  b.width = 3;
  b.height = 2;
  for (int y = 1; y >= 0; --y) {
    for (int x = 0; x < 3; ++x) {
      b.pixels.push_back(uint8_t(kPicture[y][x]));
      b.pixels.push_back(uint8_t(kPicture[y][x] >> 8));
      b.pixels.push_back(uint8_t(kPicture[y][x] >> 16));
    }
    b.pixels.resize(b.pixels.size() + 3, 0);
  }
  return b;
}

// Colour as a surface of `bits` stores it after loading.
uint32_t Stored(uint32_t rgb, int bits) {
  const int32_t colour = int32_t((rgb & 0xFF) << 16 | (rgb & 0xFF00) | rgb >> 16);
  return ColorToNative(colour, bits);
}

TEST(BitmapLoad, TwentyFourBitsIntoEveryWorkingFormat) {
  const auto file = BuildBmp(Picture24());
  for (int bits : {15, 16, 24, 32}) {
    TDIBX s(1, 1, bits);
    ASSERT_TRUE(s.LoadFromStream(file, 0));
    ASSERT_EQ(s.Width(), 3);
    ASSERT_EQ(s.Height(), 2);
    EXPECT_EQ(s.BitCount(), bits) << "keeps its own bit count";
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 3; ++x) EXPECT_EQ(s.GetPixel(x, y), Stored(kPicture[y][x], bits));
    }
  }
}

TEST(BitmapLoad, PalettedDepthsAndTopDownRows) {
  // Indices 0..5 into a table of the six colours, at 1 (two colours), 4 and 8 bits.
  for (int bits : {1, 4, 8}) {
    BmpLayout b;
    b.bits = bits;
    b.width = 3;
    b.height = -2;  // top-down
    const int colours = bits == 1 ? 2 : 6;
    for (int i = 0; i < colours; ++i) b.palette.push_back(kPicture[i / 3][i % 3]);
    for (int y = 0; y < 2; ++y) {
      std::vector<uint8_t> row(4, 0);
      for (int x = 0; x < 3; ++x) {
        const int idx = (y * 3 + x) % colours;
        const int bit = x * bits;
        row[size_t(bit / 8)] |= uint8_t(idx << (8 - bits - bit % 8));
      }
      b.pixels.insert(b.pixels.end(), row.begin(), row.end());
    }
    TDIBX s(1, 1, 32);
    ASSERT_TRUE(s.LoadFromStream(BuildBmp(b), 0)) << bits;
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 3; ++x) {
        const int idx = (y * 3 + x) % colours;
        EXPECT_EQ(s.GetPixel(x, y), kPicture[idx / 3][idx % 3]) << bits << " bits at " << x;
      }
    }
  }
}

TEST(BitmapLoad, SixteenBitLayoutsAndCoreHeaders) {
  struct Layout {
    std::vector<uint32_t> masks;
    uint32_t compression;
    uint16_t red;  // the stored value of pure red
  };
  for (const Layout& l : {Layout{{}, 0, 0x7C00}, Layout{{0xF800, 0x07E0, 0x001F}, 3, 0xF800}}) {
    BmpLayout b;
    b.bits = 16;
    b.width = 2;
    b.height = 1;
    b.compression = l.compression;
    b.masks = l.masks;
    b.pixels = {uint8_t(l.red), uint8_t(l.red >> 8), 0xFF, 0xFF};
    TDIBX s(1, 1, 32);
    ASSERT_TRUE(s.LoadFromStream(BuildBmp(b), 0));
    EXPECT_EQ(s.GetPixel(0, 0), 0xFF0000u);
    EXPECT_EQ(s.GetPixel(1, 0), 0xFFFFFFu);
  }
  BmpLayout core = Picture24();
  core.info_size = 12;
  TDIBX s(1, 1, 32);
  ASSERT_TRUE(s.LoadFromStream(BuildBmp(core), 0));
  EXPECT_EQ(s.GetPixel(2, 1), 0x102030u);
}

TEST(BitmapLoad, ThirtyTwoBitsKeepTheFourthByteForMasks) {
  BmpLayout b;
  b.bits = 32;
  b.width = 2;
  b.height = 1;
  b.pixels = {0x30, 0x20, 0x10, 0x80, 0x01, 0x02, 0x03, 0xFF};
  TDIBX s;
  std::vector<uint8_t> alpha;
  DecodeBitmap(BuildBmp(b), s, &alpha);
  EXPECT_EQ(s.BitCount(), 32);
  EXPECT_EQ(s.GetPixel(0, 0), 0x102030u) << "the top byte of a pixel is always 0";
  EXPECT_EQ(alpha, (std::vector<uint8_t>{0x80, 0xFF}));
}

TEST(BitmapLoad, RunLengthCodedRows) {
  BmpLayout b8;
  b8.bits = 8;
  b8.width = 5;
  b8.height = 2;
  b8.compression = 1;
  b8.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  // Bottom row: 3 x index 1, then absolute 2, 3; top row: delta would skip, so end of line then 5
  // x 2.
  b8.pixels = {3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 5, 2, 0, 1};
  TDIBX s(1, 1, 32);
  ASSERT_TRUE(s.LoadFromStream(BuildBmp(b8), 0));
  EXPECT_EQ(testing::Pixels(s),
            (std::vector<uint32_t>{0xFF00, 0xFF00, 0xFF00, 0xFF00, 0xFF00, 0xFF0000, 0xFF0000,
                                   0xFF0000, 0xFF00, 0xFF}));
  BmpLayout b4 = b8;
  b4.bits = 4;
  b4.compression = 2;
  // Bottom row: 5 pixels alternating 1,2; top row: absolute 4 nibbles 3,2,1,0 then one 3.
  b4.pixels = {5, 0x12, 0, 0, 0, 4, 0x32, 0x10, 1, 0x30, 0, 1};
  ASSERT_TRUE(s.LoadFromStream(BuildBmp(b4), 0));
  EXPECT_EQ(testing::Pixels(s), (std::vector<uint32_t>{0xFF, 0xFF00, 0xFF0000, 0, 0xFF, 0xFF0000,
                                                       0xFF00, 0xFF0000, 0xFF00, 0xFF0000}));
}

TEST(BitmapLoad, EightBitSurfacesTakeTheNearestEntryOfTheirOwnTable) {
  // A fresh 8-bit surface has a grey ramp: colours land on grey levels.
  TDIBX s(1, 1, 8);
  ASSERT_TRUE(s.LoadFromStream(BuildBmp(Picture24()), 0));
  EXPECT_EQ(s.GetPixel(0, 1), 255u);  // white
  EXPECT_EQ(s.GetPixel(1, 1), 128u);  // grey 0x80
  Palette p{};
  p[7] = PaletteEntry{0xFF, 0, 0, 0};  // pure blue
  s.SetPalette(p);
  ASSERT_TRUE(s.LoadFromStream(BuildBmp(Picture24()), 0));
  EXPECT_EQ(s.GetPixel(2, 0), 7u);
}

TEST(BitmapSave, TwentyFourBitRoundTripsThroughEveryFormat) {
  for (int bits : {8, 15, 16, 24, 32}) {
    const TDIBX s = testing::Random(bits, 7, 3, 5);
    const std::vector<uint8_t> file = s.SaveToBitmap();
    ASSERT_EQ(file.size(), 54u + 3 * 24);
    EXPECT_EQ(file[28], 24) << "written as 24 bits";
    TDIBX back(1, 1, bits);
    ASSERT_TRUE(back.LoadFromStream(file, 0));
    EXPECT_TRUE(testing::SamePixels(back, s)) << bits;
  }
}

TEST(BitmapFiles, OnlyBmpNamesAreReadOrWritten) {
  const auto file = BuildBmp(Picture24());
  int reads = 0;
  std::map<std::string, std::vector<uint8_t>> written;
  const FileReader read = [&](const std::string& name) -> std::optional<std::vector<uint8_t>> {
    ++reads;
    if (name == "missing.bmp") return std::nullopt;
    return file;
  };
  const FileWriter write = [&](const std::string& name, std::span<const uint8_t> bytes) {
    written[name].assign(bytes.begin(), bytes.end());
  };
  TDIBX s(4, 4, 32);
  EXPECT_FALSE(s.LoadFromFile("cg\\picture.png", read));
  EXPECT_EQ(reads, 0);
  EXPECT_FALSE(s.LoadFromFile("missing.bmp", read));
  EXPECT_EQ(s.Width(), 4) << "a missing file changes nothing";
  EXPECT_TRUE(s.LoadFromFile("cg\\PICTURE.BMP", read));
  EXPECT_EQ(s.Width(), 3);
  EXPECT_FALSE(s.SaveToFile("shot.png", write));
  EXPECT_TRUE(s.SaveToFile("shot.Bmp", write));
  EXPECT_EQ(written.count("shot.Bmp"), 1u);
}

TEST(BitmapStreams, OtherFormatsGoToTheirReaderOrChangeNothing) {
  struct FakeReader : ForeignImageReader {
    mutable uint32_t seed = 0;
    bool Read(std::span<const uint8_t>, uint32_t scramble_seed, TDIBX& image) const override {
      seed = scramble_seed;
      image.SetSize(2, 2, 24);
      image.Fill(0x0000FF);
      return true;
    }
  } reader;
  TDIBX s(5, 5, 16);
  const std::vector<uint8_t> png{0x89, 'P', 'N', 'G', 0x0D, 0x0A}, orlo{'O', 'r', 'l', 'o', '1'};
  const std::vector<uint8_t> junk{'G', 'I', 'F', '8', '9'};
  EXPECT_FALSE(s.LoadFromStream(png, 0));
  EXPECT_FALSE(s.LoadFromStream(junk, 0, &reader));
  EXPECT_EQ(s.Width(), 5);
  EXPECT_TRUE(s.LoadFromStream(orlo, 77, &reader));
  EXPECT_EQ(reader.seed, 77u);
  EXPECT_TRUE(s.LoadFromStream(png, 1, &reader));
  EXPECT_EQ(s.Width(), 2);
  EXPECT_EQ(s.GetPixel(1, 1), 0x001Fu) << "converted to the surface's 16 bits";
}

// --- hostile files ------------------------------------------------------------------------

TEST(BitmapHostile, EveryTruncationIsAClearError) {
  BmpLayout b = Picture24();
  b.width = 4;  // 12 bytes a row: no padding, so every cut loses pixels
  b.pixels.assign(24, 0x55);
  const auto file = BuildBmp(b);
  for (size_t n = 2; n < file.size(); ++n) {
    TDIBX s(1, 1, 32);
    const std::vector<uint8_t> cut(file.begin(), file.begin() + long(n));
    EXPECT_THROW(s.LoadFromStream(cut, 0), EGraphicsError) << n;
    EXPECT_EQ(s.Width(), 1);
  }
}

TEST(BitmapHostile, AbsurdHeadersAreRejected) {
  auto with = [](auto change) {
    BmpLayout b = Picture24();
    change(b);
    return BuildBmp(b);
  };
  const std::vector<std::vector<uint8_t>> files = {
      with([](BmpLayout& b) { b.width = 100000; }),
      with([](BmpLayout& b) { b.width = 0; }),
      with([](BmpLayout& b) { b.height = INT32_MIN; }),
      with([](BmpLayout& b) { b.width = -3; }),
      with([](BmpLayout& b) { b.bits = 7; }),
      with([](BmpLayout& b) { b.compression = 4; }),  // embedded JPEG
      with([](BmpLayout& b) { b.compression = 1; }),  // RLE8 at 24 bits
      with([](BmpLayout& b) { b.info_size = 20; }),
      with([](BmpLayout& b) { b.width = 30000, b.height = 30000; }),  // more pixels than present
  };
  for (size_t i = 0; i < files.size(); ++i) {
    TDIBX s(1, 1, 32);
    EXPECT_THROW(s.LoadFromStream(files[i], 0), EGraphicsError) << i;
  }
  // A run-length stream that ends without its end mark.
  BmpLayout rle;
  rle.bits = 8;
  rle.width = 4;
  rle.height = 1;
  rle.compression = 1;
  rle.palette = {0, 0xFFFFFF};
  rle.pixels = {4, 1, 0, 0};
  TDIBX s(1, 1, 32);
  EXPECT_THROW(s.LoadFromStream(BuildBmp(rle), 0), EGraphicsError);
  // Runs and deltas beyond the picture are dropped, not written.
  rle.pixels = {200, 1, 0, 2, 250, 250, 9, 1, 0, 1};
  EXPECT_TRUE(s.LoadFromStream(BuildBmp(rle), 0));
  EXPECT_EQ(testing::Pixels(s), std::vector<uint32_t>(4, 0xFFFFFF));
}

// A 72-byte file of 2303 x 14080 pixels that ends its runs at once: legal
// (every pixel index 0), but 32 MB to hold.
BmpLayout HugeEmptyRle() {
  BmpLayout b;
  b.bits = 8;
  b.width = 2303;
  b.height = 14080;
  b.compression = 1;
  b.palette = {0, 0x505050, 0xA0A0A0, 0xF0F0F0};
  b.pixels = {0, 1};
  return b;
}

TEST(BitmapBudget, PicturesBeyondTheCallersBudgetAreRefused) {
  const auto file = BuildBmp(HugeEmptyRle());
  TDIBX out(2, 2, 8);
  EXPECT_THROW(DecodeBitmap(file, out, nullptr, size_t{16} << 20), EGraphicsError);
  EXPECT_EQ(out.Width(), 2);
  // Layered-image lists hand their own budget on to the bitmaps they read.
  TOrloFrameList list(0);
  list.MaxDecodedBytes = size_t{16} << 20;
  EXPECT_THROW(list.LoadFromBytes("huge.bmp", file), EGraphicsError);
  // The budget counts the decoded rows (padded) and, when asked for, the
  // fourth bytes of a 32-bit picture.
  BmpLayout b = Picture24();
  b.bits = 32;
  b.pixels.assign(3 * 2 * 4, 0x7F);
  const auto small = BuildBmp(b);
  std::vector<uint8_t> alpha;
  EXPECT_NO_THROW(DecodeBitmap(small, out, &alpha, 3 * 2 * 4 + 6));
  EXPECT_THROW(DecodeBitmap(small, out, &alpha, 3 * 2 * 4 + 5), EGraphicsError);
  EXPECT_NO_THROW(DecodeBitmap(small, out, nullptr, 3 * 2 * 4));
  // Within the default budget the same file decodes: every pixel is index 0.
  DecodeBitmap(file, out);
  EXPECT_EQ(out.Width(), 2303);
  EXPECT_EQ(out.GetPixel(2302, 0), 0u);
}

TEST(BitmapBudget, RunsCutShortAreRefusedBeforeThePictureIsMade) {
  BmpLayout b = HugeEmptyRle();
  b.pixels = {255, 1, 255, 2, 0, 0, 7};  // runs, an end of line, then nothing
  TDIBX out(2, 2, 8);
  EXPECT_THROW(DecodeBitmap(BuildBmp(b), out), EGraphicsError);
  EXPECT_EQ(out.Width(), 2);
  b.bits = 4;
  b.compression = 2;
  b.pixels = {0, 5, 0x12, 0x34};  // an absolute run of five nibbles, three given
  EXPECT_THROW(DecodeBitmap(BuildBmp(b), out), EGraphicsError);
  EXPECT_EQ(out.Width(), 2);
}

}  // namespace
}  // namespace vesk::graphics
