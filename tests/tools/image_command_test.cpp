// Runs "vesk-tool image" as users do: PNG pictures into layered images and
// back out with --extract, which must give the same pixels.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "graphics/image_codecs.h"
#include "graphics/orlo.h"
#include "support/run_program.h"

namespace vesk::tool {
namespace {

namespace fs = std::filesystem;
using graphics::TDIBSurface;
using graphics::TDIBX;
using ::testing::HasSubstr;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

TDIBX Noise(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  TDIBX s(w, h, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, rng() & 0xFFFFFF);
  return s;
}

TDIBX Mask(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  TDIBX m(w, h, 8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) m.SetPixel(x, y, rng() & 0xFF);
  return m;
}

struct Png {
  TDIBSurface pixels;
  int32_t key = -1;
};

class ImageCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "vesk-tool-image-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  RunResult Tool(const std::string& args) {
    return vesk::test_support::RunProgram(VESK_TOOL_PATH, args, dir_);
  }
  std::string P(const std::string& name) const { return "'" + (dir_ / name).string() + "'"; }

  void PutPng(const std::string& name, const TDIBX& picture, const TDIBX* mask = nullptr,
              int32_t key_color = -1) {
    const std::vector<uint8_t> png = graphics::EncodePng(picture, mask, key_color);
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
  }
  Png ReadPng(const std::string& name) {
    const std::string bytes = Slurp(dir_ / name);
    Png out;
    graphics::DecodePng({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, out.pixels,
                        &out.key);
    return out;
  }

  fs::path dir_;
};

bool Same(const TDIBX& a, const TDIBX& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
  return true;
}

TEST_F(ImageCommand, PicturesComeBackWithTheSamePixels) {
  const TDIBX plain = Noise(33, 17, 1), with_alpha = Noise(33, 17, 2), keyed = Noise(33, 17, 3);
  const TDIBX alpha = Mask(33, 17, 4);
  PutPng("a.png", plain);
  PutPng("b.png", with_alpha, &alpha);
  TDIBX k;
  k.Assign(keyed);
  k.SetPixel(5, 5, 0x00FF00);
  PutPng("c.png", k, nullptr, 0x00FF00);
  for (const std::string compress : {"zlib", "none"}) {
    SCOPED_TRACE(compress);
    const RunResult w = Tool("image " + P("anim.orl") + " " + P("a.png") + " " + P("b.png") + " " +
                             P("c.png") + " --compress " + compress);
    ASSERT_EQ(w.status, 0) << w.err;
    EXPECT_THAT(w.out, HasSubstr("anim.orl: 3 frames, 3 layers"));
    const RunResult x = Tool("image --extract " + P("anim.orl") + " " + P("out"));
    ASSERT_EQ(x.status, 0) << x.err;
    EXPECT_THAT(x.out, HasSubstr("anim-000.png: 33 x 17, 100 ms\n"));
    EXPECT_THAT(x.out, HasSubstr("anim-001.png: 33 x 17, 100 ms, mask\n"));
    EXPECT_THAT(x.out, HasSubstr("anim-002.png: 33 x 17, 100 ms, colour key 00FF00\n"));
    const Png a = ReadPng("out/anim-000.png"), b = ReadPng("out/anim-001.png"),
              c = ReadPng("out/anim-002.png");
    EXPECT_TRUE(Same(a.pixels, plain));
    EXPECT_FALSE(a.pixels.HasMask());
    EXPECT_TRUE(Same(b.pixels, with_alpha)) << "colours under transparent pixels stay too";
    ASSERT_TRUE(b.pixels.HasMask());
    EXPECT_TRUE(Same(*b.pixels.Mask(), alpha));
    EXPECT_TRUE(Same(c.pixels, k));
    EXPECT_EQ(c.key, 0x00FF00);
  }
}

TEST_F(ImageCommand, LayersDelaysAndInfo) {
  const TDIBX base = Noise(8, 8, 1), top = Noise(8, 8, 2);
  PutPng("base.png", base);
  PutPng("top.png", top);
  const RunResult w = Tool("image " + P("l.orl") + " " + P("base.png") + " --layer " +
                           P("top.png") + ":128 " + P("base.png") + " --delay 50,70");
  ASSERT_EQ(w.status, 0) << w.err;
  EXPECT_THAT(w.out, HasSubstr("2 frames, 3 layers"));
  const RunResult info = Tool("image --info " + P("l.orl"));
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_THAT(info.out, HasSubstr("version 106, 2 frames"));
  EXPECT_THAT(info.out, HasSubstr("frame 0: 8 x 8, 50 ms"));
  EXPECT_THAT(info.out, HasSubstr("frame 1: 8 x 8, 70 ms"));
  ASSERT_EQ(Tool("image --extract " + P("l.orl") + " " + P("x")).status, 0);
  const Png blended = ReadPng("x/l-000.png");
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const uint32_t f = base.GetPixel(x, y), l = top.GetPixel(x, y);
      uint32_t want = 0;
      for (int sh : {0, 8, 16})
        want |= (((255 - 128) * (f >> sh & 0xFF) + 128 * (l >> sh & 0xFF)) / 255) << sh;
      ASSERT_EQ(blended.pixels.GetPixel(x, y), want);
    }
  }
  EXPECT_TRUE(Same(ReadPng("x/l-001.png").pixels, base));
}

TEST_F(ImageCommand, ScrambledFilesNeedTheSeed) {
  const TDIBX pic = Noise(20, 30, 5);
  PutPng("p.png", pic);
  ASSERT_EQ(Tool("image " + P("s.orl") + " " + P("p.png") + " --seed 0x1234 --blocks none").status,
            0);
  ASSERT_EQ(Tool("image --extract " + P("s.orl") + " " + P("right") + " --seed 4660").status, 0);
  EXPECT_TRUE(Same(ReadPng("right/s-000.png").pixels, pic));
  ASSERT_EQ(Tool("image --extract " + P("s.orl") + " " + P("wrong")).status, 0);
  EXPECT_FALSE(Same(ReadPng("wrong/s-000.png").pixels, pic));
}

TEST_F(ImageCommand, JpegAndColourKeyOptions) {
  TDIBX smooth(40, 20, 24);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x)
      smooth.SetPixel(x, y, uint32_t(x * 6) << 16 | uint32_t(y * 12) << 8 | 0x40);
  PutPng("s.png", smooth);
  ASSERT_EQ(Tool("image " + P("j.orl") + " " + P("s.png") +
                 " --compress jpeg --quality 95 --colorkey FF00FF")
                .status,
            0);
  const RunResult x = Tool("image --extract " + P("j.orl") + " " + P("j"));
  ASSERT_EQ(x.status, 0) << x.err;
  EXPECT_THAT(x.out, HasSubstr("colour key FF00FF"));
  const Png j = ReadPng("j/j-000.png");
  EXPECT_EQ(j.key, 0xFF00FF);
  for (int y = 0; y < 20; ++y)
    for (int x2 = 0; x2 < 40; ++x2)
      for (int sh : {0, 8, 16})
        ASSERT_LE(std::abs(int(j.pixels.GetPixel(x2, y) >> sh & 0xFF) -
                           int(smooth.GetPixel(x2, y) >> sh & 0xFF)),
                  12);
}

TEST_F(ImageCommand, ArchivesCompressLargeUncompressedLayeredImages) {
  // Above 5 MiB other files stay stored; a plain layered image is packed.
  TDIBX big(1400, 1300, 24);
  for (int y = 0; y < 1300; ++y)
    for (int x = 0; x < 1400; ++x) big.SetPixel(x, y, uint32_t(x & 0xFF) << 8 | uint32_t(y & 0xFF));
  PutPng("big.png", big);
  fs::create_directories(dir_ / "game");
  ASSERT_EQ(
      Tool("image " + P("game/big.orl") + " " + P("big.png") + " --compress none --blocks none")
          .status,
      0);
  ASSERT_GT(fs::file_size(dir_ / "game/big.orl"), 0x500000u);
  fs::copy_file(dir_ / "game/big.orl", dir_ / "game/big.bin");
  ASSERT_EQ(Tool("archive pack " + P("game") + " " + P("game.dat")).status, 0);
  const RunResult list = Tool("archive list " + P("game.dat"));
  EXPECT_THAT(list.out, HasSubstr("big.orl\t"));
  EXPECT_THAT(list.out, ::testing::ContainsRegex("big\\.orl\t[0-9]+\t[0-9]+\tcompressed"));
  EXPECT_THAT(list.out, ::testing::ContainsRegex("big\\.bin\t[0-9]+\t-\tstored"));
}

TEST_F(ImageCommand, BadCommandLinesAndFilesAreReported) {
  PutPng("a.png", Noise(4, 4, 1));
  PutPng("b.png", Noise(5, 4, 1));
  auto expect = [&](const std::string& args, int status, const std::string& text) {
    const RunResult r = Tool(args);
    EXPECT_EQ(r.status, status) << args << "\n" << r.err;
    EXPECT_THAT(r.err, HasSubstr(text)) << args;
  };
  expect("image", 2, "usage:");
  expect("image " + P("o.orl"), 2, "at least one FRAME.png");
  expect("image " + P("o.orl") + " --layer " + P("a.png"), 2, "--layer follows the frame");
  expect("image " + P("o.orl") + " " + P("a.png") + " --frobnicate", 2,
         "unknown option '--frobnicate'");
  expect("image " + P("o.orl") + " " + P("a.png") + " " + P("a.png") + " --delay 1,2,3", 2,
         "3 values for 2 frames");
  expect("image " + P("o.orl") + " " + P("a.png") + " --compress lzma", 2, "zlib, none or jpeg");
  expect("image " + P("o.orl") + " " + P("a.png") + " --colorkey red", 2, "RRGGBB");
  expect("image " + P("o.orl") + " " + P("a.png") + " --layer " + P("a.png") + ":300", 2,
         "between 0 and 255");
  expect("image " + P("o.orl") + " " + P("a.png") + " --blocks 3", 2, "WxH");
  expect("image " + P("o.orl") + " " + P("missing.png"), 1, "missing.png: cannot be read");
  expect("image " + P("o.orl") + " " + P("a.png") + " --layer " + P("b.png"), 1,
         "b.png: is 5 x 4, its frame 4 x 4");
  std::ofstream(dir_ / "text.png") << "hello";
  expect("image " + P("o.orl") + " " + P("text.png"), 1, "is not a PNG picture");
  expect("image --extract " + P("text.png") + " " + P("d"), 1, "no \"Orlo\" magic");
  expect("image --extract " + P("o.orl"), 2, "wants FILE.orl and DIR");

  ASSERT_EQ(Tool("image " + P("o.orl") + " " + P("a.png")).status, 0);
  const std::string whole = Slurp(dir_ / "o.orl");
  std::ofstream(dir_ / "cut.orl", std::ios::binary) << whole.substr(0, whole.size() - 10);
  expect("image --extract " + P("cut.orl") + " " + P("d"), 1, "truncated");
  EXPECT_FALSE(fs::exists(dir_ / "d" / "cut-000.png"));
}

}  // namespace
}  // namespace vesk::tool
