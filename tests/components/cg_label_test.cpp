// The picture label: cells picked by the characters' places in MapText,
// blank cells for the characters it lacks, the size and alignment of the
// lines, an animated cell picture, and the stored form of both versions.
#include "components/cg_label.h"

#include <gtest/gtest.h>

#include "image_fixture.h"
#include "support/record_builder.h"
#include "text_records.h"

namespace vesk::components::test {
namespace {

// Ten cells of 2 x 2 in one row; cell i has the colour 0x000010 * (i + 1).
constexpr int32_t CellColor(int i) {
  return 0x10 * (i + 1);
}
FakeFrame Digits(int32_t offset = 0) {
  FakeFrame f{20, 2, {}, {}, -1, 50};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 20; ++x) f.pixels.push_back(CellColor(x / 2) + offset);
  return f;
}

class CGLabel : public ImageScene {
 protected:
  CGLabel() {
    fake_.pictures["digits.orl"] = {Digits()};
    fake_.pictures["blink.orl"] = {Digits(), Digits(0x0100)};
    fake_.pictures["narrow.orl"] = {Solid(1, 2, 0x0000FF)};
  }
  TVeskCGLabel& Digit(const std::string& text) {
    auto& label = Make<TVeskCGLabel>(LT_CGLABEL, "digits");
    label.SetStr(PR_SOURCE, "digits.orl");
    label.SetStr(PR_MAPTEXT, "0123456789");
    label.SetInt(PR_GLYPHWIDTH, 2);
    label.SetInt(PR_GLYPHHEIGHT, 2);
    label.SetStr(PR_TEXT, text);
    return label;
  }
  // The colour drawn at a scene pixel, as 0x00BBGGRR.
  int32_t At(int x, int y) const {
    return graphics::NativeToColor(Pixel(x, y), screen_.BitCount(), nullptr);
  }
};

TEST_F(CGLabel, CharactersMissingFromTheMapLeaveABlankCell) {
  auto& label = Digit("1a2");
  ASSERT_EQ(label.Cells().size(), 1u);
  EXPECT_EQ(label.Cells()[0], (std::vector<int32_t>{1, -1, 2}));
  EXPECT_EQ(label.Width, 6);
  EXPECT_EQ(label.Height, 2);
  DrawAll(0x123456);
  EXPECT_EQ(At(0, 0), CellColor(1));
  EXPECT_EQ(At(1, 1), CellColor(1));
  EXPECT_EQ(Pixel(2, 0), 0x123456u);  // the blank cell shows what lies below
  EXPECT_EQ(Pixel(3, 1), 0x123456u);
  EXPECT_EQ(At(4, 0), CellColor(2));
  EXPECT_EQ(Pixel(6, 0), 0x123456u);
}

TEST_F(CGLabel, DoubleByteCharactersMapWholeByTheirPlaceInTheMap) {
  auto& label = Make<TVeskCGLabel>(LT_CGLABEL, "kana");
  // "アイ" then "ウ": the trail byte of "イ" (0x43, 'C') must not match 'C'.
  label.SetStr(PR_MAPTEXT,
               "\x83\x41\x83\x43"
               "C\x83\x45");
  label.SetStr(PR_TEXT,
               "\x83\x45"
               "C\x83\x43?");
  ASSERT_EQ(label.Cells().size(), 1u);
  EXPECT_EQ(label.Cells()[0], (std::vector<int32_t>{3, 2, 1, -1}));
}

TEST_F(CGLabel, LinesAreSizedAndAlignedAgainstTheWidest) {
  auto& label = Digit("0123\r\n45\r\n");
  ASSERT_EQ(label.Cells().size(), 2u);  // the final break starts no line
  label.SetInt(PR_LINESPACE, 3);
  EXPECT_EQ(label.Width, 8);
  EXPECT_EQ(label.Height, 2 + 3 + 2);
  label.SetInt(PR_HALIGN, 1);
  DrawAll();
  EXPECT_EQ(Pixel(1, 5), 0u);
  EXPECT_EQ(At(2, 5), CellColor(4));  // (8 - 4) / 2 from the left
  EXPECT_EQ(At(4, 6), CellColor(5));
  EXPECT_EQ(Pixel(6, 5), 0u);
  label.SetInt(PR_HALIGN, 2);
  DrawAll();
  EXPECT_EQ(At(4, 5), CellColor(4));
  EXPECT_EQ(At(7, 6), CellColor(5));
  // A cell height or width below one is one.
  label.SetInt(PR_GLYPHHEIGHT, 0);
  EXPECT_EQ(label.GetInt(PR_GLYPHHEIGHT), 1);
  EXPECT_EQ(label.Height, 1 + 3 + 1);
  label.SetStr(PR_TEXT, "");
  EXPECT_EQ(label.Width, 0);
  EXPECT_EQ(label.Height, 0);
}

TEST_F(CGLabel, AMissingOrTooNarrowPictureDrawsNothing) {
  auto& label = Digit("11");
  label.SetStr(PR_SOURCE, "narrow.orl");
  DrawAll(0x010203);
  EXPECT_EQ(Pixel(0, 0), 0x010203u);
  label.SetStr(PR_SOURCE, "nothing.orl");  // not the cache's blank stand-in either
  DrawAll(0x010203);
  EXPECT_EQ(Pixel(0, 0), 0x010203u);
  EXPECT_EQ(label.GetInt(PR_ORIGWIDTH), 0);
  label.SetStr(PR_SOURCE, "digits.orl");
  EXPECT_EQ(label.GetInt(PR_ORIGWIDTH), 20);
  label.SetStr(PR_SOURCE, "");
  DrawAll(0x010203);
  EXPECT_EQ(Pixel(0, 0), 0x010203u);
  EXPECT_EQ(label.GetInt(PR_ORIGWIDTH), 0);
}

TEST_F(CGLabel, TheBlendValueAndAnAnimatedPicture) {
  auto& label = Digit("9");
  label.SetStr(PR_SOURCE, "blink.orl");
  EXPECT_TRUE(label.GetFlag(PR_PLAYING));
  DrawAll();
  EXPECT_EQ(At(0, 0), CellColor(9));
  Frame(60);
  DrawChanged();
  EXPECT_EQ(At(0, 0), CellColor(9) + 0x0100);
  label.SetFlag(PR_PAUSED, true);
  EXPECT_FALSE(label.GetFlag(PR_PLAYING));
  Frame(60);  // a paused label is not stepped
  DrawChanged();
  EXPECT_EQ(At(0, 0), CellColor(9) + 0x0100);
  label.SetInt(PR_ALPHA, 0);
  DrawAll(0x0000FF);
  EXPECT_EQ(Pixel(0, 0), 0x0000FFu);
  label.SetInt(PR_ALPHA, 256 + 128);  // additive at half strength
  DrawAll(0x000001);
  EXPECT_EQ(Pixel(0, 0), 0x500001u);  // red 0xA0 halved, green 1 halved to 0, the blue below
}

class CGLabelRecords : public CGLabel {
 protected:
  // The kind's fields as the stored form lays them out.
  static test_support::RecordBytes Fields(int32_t version) {
    test_support::RecordBytes r;
    r.Str("digits.orl").Str("12\r\n3").Str("0123456789").I32(2).I32(2).I32(4).U8(1).U8(2).I32(300);
    if (version > 124) r.Str("p.lsb:idle");
    return r;
  }
};

TEST_F(CGLabelRecords, TheStoredFormOfEachVersionLoads) {
  for (int32_t version : {kSaveVersion, 124}) {
    SCOPED_TRACE(version);
    test_support::RecordBytes r;
    ControlPart(r, "loaded", version);
    const test_support::RecordBytes fields = Fields(version);
    r.b.insert(r.b.end(), fields.b.begin(), fields.b.end());
    r.I32(0);  // no children
    auto& label = Make<TVeskCGLabel>(LT_CGLABEL, "target");
    ByteReader in(r.b.data(), r.b.size());
    label.LoadFromStream(in, version);
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_EQ(label.Name, "loaded");
    EXPECT_EQ(label.GetStr(PR_SOURCE), "digits.orl");
    EXPECT_EQ(label.GetInt(PR_ORIGWIDTH), 20);
    EXPECT_EQ(label.GetStr(PR_TEXT), "12\r\n3");
    EXPECT_EQ(label.GetInt(PR_LINESPACE), 4);
    EXPECT_TRUE(label.GetFlag(PR_PAUSED));
    EXPECT_EQ(label.GetInt(PR_HALIGN), 2);
    EXPECT_EQ(label.GetInt(PR_ALPHA), 300);
    EXPECT_EQ(label.GetStr(PR_ONIDLE), version > 124 ? "p.lsb:idle" : "");
    // The cells and the size are rebuilt after loading.
    ASSERT_EQ(label.Cells().size(), 2u);
    EXPECT_EQ(label.Cells()[1], std::vector<int32_t>{3});
    EXPECT_EQ(label.Width, 4);
    EXPECT_EQ(label.Height, 2 + 4 + 2);
    root_.DeleteObject(&label);
  }
}

TEST_F(CGLabelRecords, ARoundTripKeepsEverything) {
  auto& label = Digit("7\r\n88");
  label.SetInt(PR_HALIGN, 1);
  label.SetInt(PR_ALPHA, 99);
  label.SetStr(PR_ONIDLE, "p.lsb:idle");
  for (int32_t version : {kSaveVersion, 124}) {
    SCOPED_TRACE(version);
    ByteWriter out;
    RecordIO save(out, version);
    label.Transfer(save);
    auto& copy = Make<TVeskCGLabel>(LT_CGLABEL, "copy");
    ByteReader in(out.bytes().data(), out.bytes().size());
    copy.LoadFromStream(in, version);
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_EQ(copy.GetStr(PR_TEXT), "7\r\n88");
    EXPECT_EQ(copy.GetStr(PR_MAPTEXT), "0123456789");
    EXPECT_EQ(copy.GetInt(PR_GLYPHWIDTH), 2);
    EXPECT_EQ(copy.GetInt(PR_HALIGN), 1);
    EXPECT_EQ(copy.GetInt(PR_ALPHA), 99);
    EXPECT_EQ(copy.GetStr(PR_ONIDLE), version > 124 ? "p.lsb:idle" : "");
    EXPECT_EQ(copy.Cells(), label.Cells());
    root_.DeleteObject(&copy);
  }
}

}  // namespace
}  // namespace vesk::components::test
