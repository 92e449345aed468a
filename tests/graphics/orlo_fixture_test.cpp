// Layered images built here byte by byte: the older header versions our
// writer does not produce, block tables written by hand, and hostile files
// (cut short, absurd sizes and counts, references out of range) that must
// end in a clear error, or read as far as the file goes, never in a bad read.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "graphics/orlo_data.h"
#include "orlo_util.h"

namespace vesk::graphics {
namespace {

using namespace testing;

std::vector<uint8_t> Zlib(const std::vector<uint8_t>& in) {
  uLongf size = compressBound(uLong(in.size()));
  std::vector<uint8_t> out(size);
  compress(out.data(), &size, in.data(), uLong(in.size()));
  out.resize(size);
  return out;
}

// Rows of a 2 x 3 24-bit picture (stride 8): row r holds pixels r*16+x.
std::vector<uint8_t> Rows24(int base) {
  std::vector<uint8_t> rows;
  for (int r = 0; r < 3; ++r) {
    for (int x = 0; x < 2; ++x) rows.insert(rows.end(), {uint8_t(base + r * 16 + x), 0, 0});
    rows.insert(rows.end(), {0, 0});
  }
  return rows;
}

std::string Message(const std::vector<uint8_t>& file, uint32_t seed = 0) {
  try {
    ReadOrlo(file, seed);
  } catch (const EGraphicsError& e) {
    return e.what();
  }
  return "(no error)";
}

// --- old versions --------------------------------------------------------------------

TEST(OrloOldVersions, NoMagicReadsAsVersionZero) {
  Bytes b;
  b.i32(1).u8(0);  // frame count, one byte
  FrameHead(b, 2, 3, 24, 1, -1, 40);
  LayerHead(b, 0);
  b.data(Rows24(0));  // no mask section before version 100
  const TOrloFrameList list = ReadOrlo(b.b);
  EXPECT_EQ(list.Version, 0);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Frame(0).FrameTime, 40);
  for (int r = 0; r < 3; ++r)
    for (int x = 0; x < 2; ++x)
      EXPECT_EQ(list.Frame(0).Bitmap.GetPixel(x, r), uint32_t(r * 16 + x));
}

TEST(OrloOldVersions, OldRowsArePlacedByTheSeedsPermutation) {
  const uint32_t seed = 0x1234567;
  Bytes b;
  b.str("Orlo101").i32(1).u8(0);
  FrameHead(b, 2, 3, 24, 1);
  LayerHead(b, 101);
  b.data(Rows24(0)).i32(0);
  const std::vector<int> p = NaivePermutation(seed, 3);
  const TOrloFrameList list = ReadOrlo(b.b, seed);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(list.Frame(0).Bitmap.GetPixel(0, p[size_t(i)]), uint32_t(i * 16));
  EXPECT_EQ(list.BackgroundColor, 0) << "version 101 has no background colour";
}

TEST(OrloOldVersions, Version102CarriesTheBackgroundColour) {
  Bytes b;
  b.str("Orlo102").i32(1).u8(0).i32(0x00C08040);
  FrameHead(b, 2, 3, 24, 1);
  LayerHead(b, 102, /*visible=*/false);
  b.data(Rows24(0)).i32(0);
  const TOrloFrameList list = ReadOrlo(b.b);
  EXPECT_EQ(list.BackgroundColor, 0x00C08040);
  EXPECT_EQ(list.Frame(0).Bitmap.GetPixel(1, 2), 0x4080C0u);
}

TEST(OrloOldVersions, Version100UsesItsMasksAndKeepsThemPlain) {
  Bytes b;
  b.str("Orlo100").i32(1).u8(0);
  FrameHead(b, 2, 3, 24, 1);
  LayerHead(b, 100);
  std::vector<uint8_t> mask = {0, 255, 0, 0, 7, 8, 0, 0, 9, 10, 0, 0};  // stride 4
  b.data(Rows24(0)).data(mask);
  const TOrloFrameList list = ReadOrlo(b.b);
  ASSERT_TRUE(list.Frame(0).HasMask());
  EXPECT_EQ(list.Frame(0).Bitmap.Mask()->GetPixel(1, 0), 255u);
  EXPECT_EQ(list.Frame(0).Bitmap.Mask()->GetPixel(1, 2), 10u);
}

TEST(OrloOldVersions, PalettedOldFrameWithKey) {
  Bytes b;
  b.str("Orlo101").i32(1).u8(0);
  FrameHead(b, 4, 1, 4, 1, /*key=*/2);
  for (int i = 0; i < 16; ++i) b.u8(uint8_t(i * 16)).u8(uint8_t(i)).u8(0).u8(0);
  LayerHead(b, 101);
  b.data({0x12, 0x23, 0, 0}).i32(0);  // indices 1, 2, 2, 3
  const TOrloFrameList list = ReadOrlo(b.b);
  const TOrloFrame& f = list.Frame(0);
  EXPECT_EQ(f.Bitmap.BitCount(), 24);
  EXPECT_EQ(f.ColorKey, 0x0220);
  EXPECT_EQ(f.ColorKeyColor, 0x200200);
  EXPECT_EQ(f.Bitmap.GetPixel(0, 0), 0x0110u);
  EXPECT_EQ(f.Bitmap.GetPixel(3, 0), 0x0330u);
}

TEST(OrloOldVersions, EmptyPalettedFramesWithAKey) {
  Bytes b;
  b.str("Orlo101").i32(1).u8(0);
  FrameHead(b, 4, 0, 4, 0, /*key=*/1);
  for (int i = 0; i < 16; ++i) b.u8(uint8_t(i)).u8(0).u8(0).u8(0);
  const TOrloFrameList list = ReadOrlo(b.b);
  EXPECT_EQ(list.Frame(0).Height(), 0);
  EXPECT_EQ(list.Frame(0).ColorKeyColor, 0x010000);
  EXPECT_EQ(list.Frame(0).ColorKey, 0x000001);
}

// --- newer headers -----------------------------------------------------------------------

TEST(OrloHeader, ShortRecordsKeepTheDefaultsAndLongOnesAreSkipped) {
  for (int length : {0, 20, 23, 40, 64}) {
    RecordSpec r;
    r.version = 103;
    r.compression = 0;  // zlib, when the record is long enough to say so
    r.length = length;
    Bytes b = NewHeader(r);
    if (length < 20) {
      // The frame count is not in the record: no frames.
      EXPECT_EQ(ReadOrlo(b.b).Count(), 0) << length;
      continue;
    }
    FrameHead(b, 2, 3, 24, 1);
    LayerHead(b, 103);
    b.data(length >= 23 ? Zlib(Rows24(0)) : Rows24(0)).i32(0);
    const TOrloFrameList list = ReadOrlo(b.b);
    EXPECT_EQ(list.Frame(0).Bitmap.GetPixel(1, 2), 33u) << length;
    EXPECT_EQ(IsPlainOrlo(b.b), length < 23) << length;
  }
}

TEST(OrloHeader, OpaqueBottomCountsFromVersion105) {
  for (int version : {104, 105}) {
    RecordSpec r;
    r.version = version;
    r.opaque_bottom = true;
    Bytes b = NewHeader(r);
    FrameHead(b, 2, 3, 24, 1);
    LayerHead(b, version, true, /*key=*/0);  // pixel (0, 0) is 0
    b.data(Rows24(0)).i32(0).i32(0).i32(0);
    const TOrloFrameList list = ReadOrlo(b.b);
    EXPECT_EQ(list.OpaqueBottom, version >= 105);
  }
}

TEST(OrloHeader, RowsOfNewerVersionsScrambleOnlyWhenFlagged) {
  for (bool flagged : {false, true}) {
    RecordSpec r;
    r.scrambled = flagged;
    Bytes b = NewHeader(r);
    FrameHead(b, 2, 3, 24, 1);
    LayerHead(b, 106);
    b.data(Rows24(0)).i32(0).i32(0).i32(0);
    const std::vector<int> p = NaivePermutation(99, 3);
    const TOrloFrameList list = ReadOrlo(b.b, 99);
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(list.Frame(0).Bitmap.GetPixel(0, flagged ? p[size_t(i)] : i), uint32_t(i * 16));
  }
}

// A 4 x 4 8-bit frame in 2 x 2 blocks (4 blocks of 2 rows of 2 bytes).
Bytes BlockFile(const std::vector<std::pair<int32_t, int32_t>>& table,
                const std::vector<uint8_t>& block_bytes, int frames = 1, bool scrambled = false) {
  RecordSpec r;
  r.frames = frames;
  r.block_w = r.block_h = 2;
  r.scrambled = scrambled;
  Bytes b = NewHeader(r);
  for (int f = 0; f < frames; ++f) {
    FrameHead(b, 4, 4, 8, 1);
    for (int i = 0; i < 256; ++i) b.u8(uint8_t(i)).u8(uint8_t(i)).u8(uint8_t(i)).u8(0);
    LayerHead(b, 106);
    Bytes data;
    for (auto [kind, index] : table) data.i32(kind).i32(index);
    data.raw(block_bytes);
    b.data(data.b).i32(0).i32(0).i32(0);
  }
  return b;
}

TEST(OrloBlocksByHand, KindsCopyFromTheStreamThisBitmapAndEarlierLayers) {
  // Block 0 from the stream, 1 copies 0, 2 from the stream, 3 copies 2.
  const Bytes b = BlockFile({{-1, 0}, {-2, 0}, {-1, 0}, {-2, 2}}, {1, 2, 3, 4, 5, 6, 7, 8});
  const TOrloFrameList list = ReadOrlo(b.b);
  const TDIBSurface& s = list.Frame(0).Bitmap;
  const uint32_t want[4][4] = {{1, 2, 1, 2}, {3, 4, 3, 4}, {5, 6, 5, 6}, {7, 8, 7, 8}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(s.GetPixel(x, y) & 0xFF, want[y][x]);

  // Frame 1: three blocks copy the same place of frame 0, layer 0.
  RecordSpec r;
  r.frames = 2;
  r.block_w = r.block_h = 2;
  Bytes c = NewHeader(r);
  for (int f = 0; f < 2; ++f) {
    FrameHead(c, 4, 4, 8, 1);
    for (int i = 0; i < 256; ++i) c.u8(uint8_t(i)).u8(uint8_t(i)).u8(uint8_t(i)).u8(0);
    LayerHead(c, 106);
    Bytes data;
    if (f == 0) {
      data.i32(-1).i32(0).i32(-2).i32(0).i32(-1).i32(0).i32(-2).i32(2).raw(
          {1, 2, 3, 4, 5, 6, 7, 8});
    } else {
      data.i32(0).i32(0).i32(0).i32(0).i32(0).i32(0).i32(-1).i32(0).raw({9, 9, 9, 9});
    }
    c.data(data.b).i32(0).i32(0).i32(0);
  }
  const TOrloFrameList both = ReadOrlo(c.b);
  const TDIBSurface& s1 = both.Frame(1).Bitmap;
  EXPECT_EQ(s1.GetPixel(0, 0) & 0xFF, 1u);
  EXPECT_EQ(s1.GetPixel(3, 1) & 0xFF, 4u);
  EXPECT_EQ(s1.GetPixel(1, 3) & 0xFF, 8u);
  EXPECT_EQ(s1.GetPixel(2, 2) & 0xFF, 9u);
  EXPECT_EQ(s1.GetPixel(3, 3) & 0xFF, 9u);
}

TEST(OrloBlocksByHand, ScrambledTablesArePermutedWithTheSeed) {
  const uint32_t seed = 4242;
  // Wanted in block order: stream, stream, copy of 0, copy of 1.
  const std::vector<std::pair<int32_t, int32_t>> wanted = {{-1, 0}, {-1, 0}, {-2, 0}, {-2, 1}};
  const std::vector<int> p = NaivePermutation(seed, 4);
  std::vector<std::pair<int32_t, int32_t>> stored(4);
  for (size_t i = 0; i < 4; ++i) stored[i] = wanted[size_t(p[i])];
  const Bytes b = BlockFile(stored, {1, 2, 3, 4, 5, 6, 7, 8}, 1, true);
  const TOrloFrameList list = ReadOrlo(b.b, seed);
  const TDIBSurface& s = list.Frame(0).Bitmap;
  EXPECT_EQ(s.GetPixel(0, 0) & 0xFF, 1u);
  EXPECT_EQ(s.GetPixel(2, 0) & 0xFF, 5u);
  EXPECT_EQ(s.GetPixel(1, 3) & 0xFF, 4u);
  EXPECT_EQ(s.GetPixel(3, 3) & 0xFF, 8u);
}

// --- hostile files -------------------------------------------------------------------------

TEST(OrloHostile, ReferencesOutOfRangeAreRefused) {
  EXPECT_NE(Message(BlockFile({{-1, 0}, {-2, 1}, {-1, 0}, {-1, 0}}, std::vector<uint8_t>(12, 1)).b)
                .find("not decoded before"),
            std::string::npos);
  EXPECT_NE(Message(BlockFile({{-2, -5}, {-1, 0}, {-1, 0}, {-1, 0}}, std::vector<uint8_t>(12, 1)).b)
                .find("not decoded before"),
            std::string::npos);
  EXPECT_NE(Message(BlockFile({{3, 0}, {-1, 0}, {-1, 0}, {-1, 0}}, std::vector<uint8_t>(12, 1)).b)
                .find("not read before"),
            std::string::npos);
  EXPECT_NE(Message(BlockFile({{0, 0}, {-1, 0}, {-1, 0}, {-1, 0}}, std::vector<uint8_t>(12, 1)).b)
                .find("not read before"),
            std::string::npos)
      << "a layer cannot copy from itself";
  EXPECT_NE(Message(BlockFile({{-7, 0}, {-1, 0}, {-1, 0}, {-1, 0}}, std::vector<uint8_t>(12, 1)).b)
                .find("unknown kind -7"),
            std::string::npos);
  EXPECT_NE(Message(BlockFile({{-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}}, std::vector<uint8_t>(15, 1)).b)
                .find("truncated pixel data in block 3"),
            std::string::npos);
}

TEST(OrloHostile, MaskReferenceToALayerWithoutMask) {
  RecordSpec r;
  r.frames = 2;
  r.block_w = r.block_h = 4;
  Bytes b = NewHeader(r);
  for (int f = 0; f < 2; ++f) {
    FrameHead(b, 4, 4, 8, 1);
    b.zeros(1024);
    LayerHead(b, 106);
    Bytes px;
    px.i32(-1).i32(0).zeros(16);
    b.data(px.b);
    if (f == 0) {
      b.i32(0);
    } else {
      Bytes m;
      m.i32(0).i32(0);
      b.data(m.b);
    }
    b.i32(0).i32(0);
  }
  EXPECT_NE(Message(b.b).find("has none"), std::string::npos) << Message(b.b);
}

TEST(OrloHostile, AbsurdSizesAndCountsAreRefusedBeforeAllocating) {
  auto file = [](int w, int h, int bits, int layers, int frames = 1) {
    RecordSpec r;
    r.frames = frames;
    Bytes b = NewHeader(r);
    FrameHead(b, w, h, bits, layers);
    return b.b;
  };
  EXPECT_NE(Message(file(100000, 4, 24, 1)).find("frame size 100000 x 4"), std::string::npos);
  EXPECT_NE(Message(file(4, -1, 24, 1)).find("out of range"), std::string::npos);
  EXPECT_NE(Message(file(4, 4, 7, 1)).find("unsupported bit count 7"), std::string::npos);
  EXPECT_NE(Message(file(4, 4, 24, -3)).find("negative layer count"), std::string::npos);
  // Counts beyond the file read as far as the file goes, allocating nothing
  // for what is not there.
  for (const auto& [layers, frames] : {std::pair{0x7FFFFFFF, 1}, std::pair{0, 0x7FFFFFFF}}) {
    const TOrloFrameList list = ReadOrlo(file(4, 4, 24, layers, frames));
    EXPECT_EQ(list.Count(), 1);
    EXPECT_TRUE(list.Truncated);
    EXPECT_TRUE(list.Frame(0).Layers.empty());
  }
  // 30000 x 30000 x 32 bits is 3.6 GB: over any budget.
  EXPECT_NE(Message(file(30000, 30000, 32, 1)).find("exceed"), std::string::npos);
  // 128 MB of 1-bit pixels would become 3 GB when widened to 24 bits.
  {
    RecordSpec r;
    Bytes b = NewHeader(r);
    FrameHead(b, 32000, 32000, 1, 0);
    b.zeros(8).i32(0).i32(0);
    EXPECT_NE(Message(b.b).find("exceed"), std::string::npos) << Message(b.b);
  }

  RecordSpec neg;
  neg.frames = -1;
  EXPECT_NE(Message(NewHeader(neg).b).find("negative frame count"), std::string::npos);
  RecordSpec comp;
  comp.compression = 9;
  EXPECT_NE(Message(NewHeader(comp).b).find("unknown compression 9"), std::string::npos);
  Bytes neg_len;
  neg_len.str("Orlo106").i32(-4);
  EXPECT_NE(Message(neg_len.b).find("negative header length"), std::string::npos);
}

TEST(OrloHostile, HugeBlockTablesNeedTheirBytes) {
  RecordSpec r;
  r.block_w = r.block_h = 1;
  Bytes b = NewHeader(r);
  FrameHead(b, 8000, 8000, 8, 1);
  b.zeros(1024);
  LayerHead(b, 106);
  b.data(std::vector<uint8_t>(64, 0)).i32(0).i32(0).i32(0);
  TOrloFrameList list;
  list.MaxDecodedBytes = 400u << 20;
  try {
    list.LoadFromStream(b.b);
    FAIL() << "no error";
  } catch (const EGraphicsError& e) {
    EXPECT_NE(std::string(e.what()).find("block table needs 512000000 bytes"), std::string::npos)
        << e.what();
  }
}

TEST(OrloHostile, ZlibBombsStopAtTheBudget) {
  // A tiny zlib stream of 100 MB of zeros as a block-coded layer whose table
  // would take it all.
  RecordSpec r;
  r.compression = 0;
  r.block_w = r.block_h = 1;
  Bytes b = NewHeader(r);
  FrameHead(b, 2000, 2000, 24, 1);
  LayerHead(b, 106);
  b.data(Zlib(std::vector<uint8_t>(100u << 20, 0))).i32(0).i32(0).i32(0);
  TOrloFrameList list;
  list.MaxDecodedBytes = 40u << 20;  // the frame and the layer take 24 MB
  try {
    list.LoadFromStream(b.b);
    FAIL() << "no error";
  } catch (const EGraphicsError& e) {
    EXPECT_NE(std::string(e.what()).find("exceed"), std::string::npos) << e.what();
  }
}

TEST(OrloHostile, BrokenZlibAndVersionsSayWhatIsWrong) {
  RecordSpec r;
  r.compression = 0;
  Bytes b = NewHeader(r);
  FrameHead(b, 2, 3, 24, 1);
  LayerHead(b, 106);
  b.data({0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0xFF}).i32(0).i32(0).i32(0);
  EXPECT_NE(Message(b.b).find("pixel data does not inflate"), std::string::npos) << Message(b.b);
  EXPECT_NE(Message(b.b).find("(frame 0, layer 0)"), std::string::npos);

  Bytes v;
  v.str("Orlo1x5").zeros(20);
  EXPECT_NE(Message(v.b).find("'1x5' is not a number"), std::string::npos);
  Bytes shortv;
  shortv.str("Orlo1");
  EXPECT_NE(Message(shortv.b).find("truncated"), std::string::npos);
}

TEST(OrloZlib, ChecksumMatchesZlibForEveryLengthAndExtreme) {
  std::mt19937 rng(3);
  std::vector<uint8_t> bytes(70000);
  for (uint8_t& b : bytes) b = uint8_t(rng());
  for (size_t n : {size_t(0), size_t(1), size_t(15), size_t(16), size_t(17), size_t(5551),
                   size_t(5552), size_t(5553), size_t(11104), size_t(70000)}) {
    EXPECT_EQ(orlo_detail::Adler32(1, bytes.data(), n), uint32_t(adler32(1, bytes.data(), uInt(n))))
        << n;
  }
  const std::vector<uint8_t> ones(100000, 0xFF);
  EXPECT_EQ(orlo_detail::Adler32(1, ones.data(), ones.size()),
            uint32_t(adler32(1, ones.data(), uInt(ones.size()))));
  // Continuing from a running value, as the reader does piece by piece.
  const uint32_t half = orlo_detail::Adler32(1, bytes.data(), 33333);
  EXPECT_EQ(orlo_detail::Adler32(half, bytes.data() + 33333, 36667),
            uint32_t(adler32(1, bytes.data(), 70000)));
}

TEST(OrloZlib, DamagedHeadersAndChecksumsAreErrors) {
  auto file = [](std::vector<uint8_t> z, bool scrambled) {
    RecordSpec r;
    r.compression = 0;
    r.scrambled = scrambled;
    r.block_w = scrambled ? 1 : 0;  // block coding pulls data piece by piece
    r.block_h = scrambled ? 1 : 0;
    Bytes b = NewHeader(r);
    FrameHead(b, 2, 3, 24, 1);
    LayerHead(b, 106);
    b.data(z).i32(0).i32(0).i32(0);
    return b.b;
  };
  std::vector<uint8_t> blocks;
  for (int i = 0; i < 6; ++i) blocks.insert(blocks.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0});
  for (int i = 0; i < 6; ++i) blocks.insert(blocks.end(), {uint8_t(i), 2, 3});
  for (bool use_blocks : {false, true}) {
    const std::vector<uint8_t> good = Zlib(use_blocks ? blocks : Rows24(0));
    EXPECT_NO_THROW(ReadOrlo(file(good, use_blocks)));
    std::vector<uint8_t> sum = good;
    sum.back() ^= 1;
    EXPECT_NE(Message(file(sum, use_blocks)).find("incorrect data check"), std::string::npos)
        << Message(file(sum, use_blocks));
    std::vector<uint8_t> head = good;
    head[1] ^= 1;
    EXPECT_NE(Message(file(head, use_blocks)).find("incorrect header check"), std::string::npos);
    // A stream without its checksum still gives its pixels.
    std::vector<uint8_t> cut(good.begin(), good.end() - 4);
    EXPECT_NO_THROW(ReadOrlo(file(cut, use_blocks)));
  }
}

TEST(OrloHostile, JpegLayersOfAnotherSizeOrBrokenAreRefused) {
  RecordSpec r;
  r.compression = 2;
  Bytes b = NewHeader(r);
  FrameHead(b, 2, 3, 24, 1);
  LayerHead(b, 106);
  b.data({0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3}).i32(0).i32(0).i32(0);
  EXPECT_NE(Message(b.b).find("JPEG"), std::string::npos) << Message(b.b);
}

// A file cut anywhere reads as far as it goes: the frames completed before
// the cut stay and the one being read keeps what was decoded. Only a cut
// before the first frame has a size is an error.
TEST(OrloHostile, EveryTruncationReadsAsFarAsTheFileGoes) {
  std::vector<TOrloFrameInput> frames;
  for (int i = 0; i < 2; ++i) {
    std::vector<TOrloLayerInput> layers;
    layers.push_back(Layer(Random(24, 9, 6, uint32_t(i)), 255, -1, RandomMask(9, 6, 1)));
    layers.push_back(Layer(Random(24, 9, 6, 7), 100, 0x10));
    frames.push_back(FrameOf(24, std::move(layers), -1, 5));
    frames.back().FirstAreas = {Rect{0, 0, 1, 1}};
  }
  for (OrloCompression c : {OrloCompression::kZlib, OrloCompression::kNone}) {
    OrloWriteOptions o;
    o.Compression = c;
    o.BlockWidth = o.BlockHeight = 4;
    o.Scramble = true;
    o.ScrambleSeed = 3;
    const std::vector<uint8_t> file = EncodeOrlo(frames, o);
    size_t first_frame_at = 0, second_frame_at = 0;
    for (size_t n = 0; n < file.size(); ++n) {
      const std::vector<uint8_t> cut(file.begin(), file.begin() + ptrdiff_t(n));
      TOrloFrameList list(3);
      try {
        list.LoadFromStream(cut);
      } catch (const EGraphicsError&) {
        EXPECT_EQ(first_frame_at, 0u) << "a cut after the first frame's size is no error: " << n;
        EXPECT_EQ(list.Count(), 0);
        continue;
      }
      EXPECT_TRUE(list.Truncated) << n;
      ASSERT_GE(list.Count(), 1) << n;
      EXPECT_LE(list.Count(), 2);
      if (first_frame_at == 0) first_frame_at = n;
      if (list.Count() == 2 && second_frame_at == 0) second_frame_at = n;
      for (const auto& f : list.Frames) {
        EXPECT_EQ(f->Width(), 9);
        EXPECT_EQ(f->Height(), 6);
        EXPECT_TRUE(f->Layers.empty());
      }
    }
    EXPECT_GT(first_frame_at, 0u);
    EXPECT_GT(second_frame_at, first_frame_at);
    const TOrloFrameList whole = ReadOrlo(file, 3);
    EXPECT_EQ(whole.Count(), 2);
    EXPECT_FALSE(whole.Truncated);
  }
}

// A 4 x 4 picture cut after two of its rows shows those two rows.
TEST(OrloHostile, ACutPictureKeepsTheRowsBeforeTheCut) {
  for (OrloCompression c : {OrloCompression::kNone, OrloCompression::kZlib}) {
    TDIBX picture(4, 4, 32);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) picture.SetPixel(x, y, 0x102030u + uint32_t(y * 4 + x));
    std::vector<TOrloLayerInput> layers;
    layers.push_back(Layer(std::move(picture), 255, -1));
    std::vector<TOrloFrameInput> one;
    one.push_back(FrameOf(32, std::move(layers)));
    OrloWriteOptions o;
    o.Compression = c;
    o.BlockWidth = o.BlockHeight = 0;  // row by row (blocks come whole or not at all)
    const std::vector<uint8_t> file = EncodeOrlo(one, o);
    // Plain rows are 16 bytes each, followed by the mask length and the two
    // area lists; zlib data loses its checksum and the end of its stream.
    const size_t tail = c == OrloCompression::kNone ? 12 + 2 * 16 : 12 + 6;
    const std::vector<uint8_t> cut(file.begin(), file.end() - ptrdiff_t(tail));
    const TOrloFrameList list = ReadOrlo(cut);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_TRUE(list.Truncated);
    const TOrloFrame& f = list.Frame(0);
    ASSERT_EQ(f.Width(), 4);
    ASSERT_EQ(f.Height(), 4);
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(f.Bitmap.GetPixel(x, 0), 0x102030u + uint32_t(x)) << int(c);
      EXPECT_EQ(f.Bitmap.GetPixel(x, 1), 0x102030u + uint32_t(4 + x)) << int(c);
    }
    if (c == OrloCompression::kNone) {
      EXPECT_EQ(f.Bitmap.GetPixel(0, 3), 0u) << "not decoded";
    }
  }
}

TEST(OrloHostile, ManySmallRandomMutationsNeverCrash) {
  std::vector<TOrloFrameInput> frames;
  for (int i = 0; i < 2; ++i) {
    std::vector<TOrloLayerInput> layers;
    layers.push_back(Layer(Random(8, 12, 7, uint32_t(i)), 200, 3, RandomMask(12, 7, 1)));
    layers.push_back(Layer(Random(8, 12, 7, 2), 100, 4));
    frames.push_back(FrameOf(8, std::move(layers)));
  }
  OrloWriteOptions o;
  o.BlockWidth = 5;
  o.BlockHeight = 3;
  o.Compression = OrloCompression::kNone;
  const std::vector<uint8_t> file = EncodeOrlo(frames, o);
  std::mt19937 rng(12345);
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> m = file;
    const int edits = 1 + int(rng() % 4);
    for (int e = 0; e < edits; ++e) m[rng() % m.size()] = uint8_t(rng());
    TOrloFrameList list(uint32_t(rng() % 3));
    list.MaxDecodedBytes = 16u << 20;
    try {
      list.LoadFromStream(m);
    } catch (const EGraphicsError&) {
    }
  }
}

}  // namespace
}  // namespace vesk::graphics
