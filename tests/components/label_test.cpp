// The text label on the installed fonts: its lines, proportional advances,
// size by zoom, alignment against the widest line, the image drawing rule
// (blend value, flips), anti-aliasing and the stored form of both versions.
#include "components/label.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "graphics/golden.h"
#include "support/record_builder.h"
#include "text_fixture.h"
#include "text_records.h"

namespace vesk::components::test {
namespace {

class Label : public TextScene {
 protected:
  TVeskLabel& Text(const std::string& text) {
    auto& label = Make<TVeskLabel>(LT_LABEL, "label");
    label.SetInt(PR_FONTCOLOR, 0x0000FF);  // red
    label.SetStr(PR_TEXT, text);
    return label;
  }
  static std::pair<int, int> LineInk(const TVeskLabel& label, size_t line) {
    const Rect r = label.InkRects.at(line);
    return {r.left, r.right};
  }
};

TEST_F(Label, AFinalLineBreakMakesNoEmptyLine) {
  auto& label = Text("ab\r\ncd\r\n");
  EXPECT_EQ(label.Lines.size(), 2u);
  EXPECT_EQ(label.GetStr(PR_TEXT), "ab\r\ncd");
  EXPECT_EQ(label.TextHeight, 2 * 12);
  label.SetInt(PR_LINESPACE, 3);
  EXPECT_EQ(label.TextHeight, 2 * 15);
  label.SetStr(PR_TEXT, "\r\n");
  EXPECT_EQ(label.Lines.size(), 1u);
  EXPECT_EQ(label.GetStr(PR_TEXT), "");
  EXPECT_EQ(label.TextWidth, 0);
  EXPECT_EQ(label.Width, 0);  // nothing to show
  EXPECT_EQ(label.BaseSurface(), nullptr);
  label.SetStr(PR_TEXT, "a\nb\rc");
  EXPECT_EQ(label.GetStr(PR_TEXT), "a\r\nb\r\nc");
}

TEST_F(Label, CharactersAdvanceByTheirOwnWidths) {
  auto& label = Text("iW\x82\xa0");  // "iWあ"
  ASSERT_EQ(label.Advances.size(), 1u);
  ASSERT_EQ(label.Advances[0].size(), 3u);
  const std::vector<int32_t> a = label.Advances[0];
  EXPECT_LT(a[0], a[1]);  // proportional: i is narrower than W
  EXPECT_GT(a[0], 0);
  EXPECT_EQ(label.LineWidths[0], a[0] + a[1] + a[2]);
  EXPECT_EQ(label.TextWidth, label.LineWidths[0]);
  EXPECT_EQ(label.Width, label.TextWidth);
  EXPECT_EQ(label.Height, 12);
  // The zoom sizes the component at once.
  label.SetInt(PR_ZOOMX, 512);
  label.SetInt(PR_ZOOMY, 128);
  EXPECT_EQ(label.Width, label.TextWidth * 2);
  EXPECT_EQ(label.Height, 6);
  // A larger font renders anew.
  label.SetInt(PR_FONTHEIGHT, 24);
  EXPECT_EQ(label.TextHeight, 24);
  EXPECT_GT(label.LineWidths[0], a[0] + a[1] + a[2]);
}

TEST_F(Label, CentredAndRightLinesAlignAgainstTheWidest) {
  auto& label = Text("W\r\nWWWW");
  const auto left = LineInk(label, 0);
  const int32_t spare = label.TextWidth - label.LineWidths[0];
  ASSERT_GT(spare, 0);
  EXPECT_EQ(label.TextWidth, label.LineWidths[1]);
  label.SetInt(PR_HALIGN, 1);
  EXPECT_EQ(LineInk(label, 0), std::pair(left.first + spare / 2, left.second + spare / 2));
  label.SetInt(PR_HALIGN, 2);
  EXPECT_EQ(LineInk(label, 0), std::pair(left.first + spare, left.second + spare));
  // The widest line itself never moves.
  const auto wide = LineInk(label, 1);
  label.SetInt(PR_HALIGN, 0);
  EXPECT_EQ(LineInk(label, 1), wide);
}

TEST_F(Label, TheTextDrawsInItsColourThroughTheMask) {
  auto& label = Text("W");
  DrawAll(0x000000);
  const graphics::TCustomDIBX* mask = label.ShownMask();
  ASSERT_NE(mask, nullptr);
  int solid = 0;
  for (int y = 0; y < mask->Height(); ++y)
    for (int x = 0; x < mask->Width(); ++x) {
      if (mask->GetPixel(x, y) == 255) {
        ++solid;
        EXPECT_EQ(Pixel(x, y), 0xFF0000u);  // red, as 0x00RRGGBB
      }
      if (mask->GetPixel(x, y) == 0) {
        EXPECT_EQ(Pixel(x, y), 0u);
      }
    }
  EXPECT_GT(solid, 4);
  // Without anti-aliasing the mask is all or nothing; with it, edges are partial.
  auto partial = [&] {
    int n = 0;
    const graphics::TCustomDIBX* m = label.ShownMask();
    for (int y = 0; y < m->Height(); ++y)
      for (int x = 0; x < m->Width(); ++x) n += m->GetPixel(x, y) != 0 && m->GetPixel(x, y) != 255;
    return n;
  };
  EXPECT_EQ(partial(), 0);
  label.SetFlag(PR_ANTIALIAS, true);
  EXPECT_GT(partial(), 0);
  // Blend value 0 shows nothing.
  label.SetInt(PR_ALPHA, 0);
  DrawAll(0x000000);
  for (int x = 0; x < label.Width; ++x) EXPECT_EQ(Pixel(x, 6), 0u);
}

TEST_F(Label, AFlipMirrorsTheDrawnText) {
  auto& label = Text("Fj");
  label.SetInt(PR_LEFT, 16);
  DrawAll();
  graphics::TDIBX plain;
  plain.Assign(screen_);
  const int32_t plain_left = label.GetSceneLeft();
  label.SetFlag(PR_FLIPH, true);
  DrawAll();
  // The anchor mirrors with the picture: the flipped one stands further left.
  const int32_t flipped_left = label.GetSceneLeft();
  EXPECT_EQ(flipped_left, 16 - (label.Width - 1));
  for (int y = 0; y < label.Height; ++y)
    for (int x = 0; x < label.Width; ++x)
      ASSERT_EQ(Pixel(flipped_left + x, y), plain.GetPixel(plain_left + label.Width - 1 - x, y))
          << x << "," << y;
}

TEST_F(Label, AnEmptyFaceDrawsWithTheDefaultFace) {
  auto& label = Text("A");
  const int32_t width = label.TextWidth;
  label.SetStr(PR_FONTNAME, "");
  EXPECT_GT(label.TextWidth, 0);
  EXPECT_NE(InkedColumns(*label.ShownMask()), std::pair(0, 0));
  (void)width;
}

TEST_F(Label, ATextTooLargeForAPictureShowsNothing) {
  auto& label = Text("W");
  label.SetInt(PR_LINESPACE, 40000);  // one line taller than any picture
  EXPECT_EQ(label.BaseSurface(), nullptr);
  DrawAll();                        // and drawing it is harmless
  label.SetInt(PR_LINESPACE, -12);  // no height at all
  EXPECT_EQ(label.BaseSurface(), nullptr);
  label.SetInt(PR_LINESPACE, 0);
  EXPECT_NE(label.BaseSurface(), nullptr);
}

// Three lines of the installed Japanese gothic, smoothed and centred, over
// white: what a title label of a game looks like.
TEST_F(Label, CentredLinesOfTheInstalledGothicMatchTheirPicture) {
  auto& label = Make<TVeskLabel>(LT_LABEL, "title");
  label.SetInt(PR_FONTHEIGHT, 16);
  label.SetInt(PR_FONTCOLOR, 0x802000);  // a dark blue
  label.SetFlag(PR_ANTIALIAS, true);
  label.SetInt(PR_HALIGN, 1);
  label.SetInt(PR_LINESPACE, 2);
  // "ラベルの文字" / "Label text" / "中央揃え"
  label.SetStr(PR_TEXT,
               "\x83\x89\x83\x78\x83\x8b\x82\xcc\x95\xb6\x8e\x9a\r\nLabel text\r\n"
               "\x92\x86\x89\x9b\x91\xb5\x82\xa6");
  ASSERT_NE(label.BaseSurface(), nullptr);
  graphics::TDIBX picture(label.TextWidth, label.TextHeight, 32);
  picture.Fill(0xFFFFFF);
  picture.DrawMask(0, 0, *label.BaseSurface(), label.BaseSurface()->BoundsRect(),
                   graphics::Flip::kNone, *label.ShownMask());
  EXPECT_TRUE(graphics::testing::MatchesGoldenIn(
      std::filesystem::path(VESK_FIXTURES_DIR).parent_path() / "components" / "golden", picture,
      "label_centred_gothic"));
}

class LabelRecords : public Label {
 protected:
  static void Fields(test_support::RecordBytes& r, int32_t version) {
    r.Str("").I32(16).I32(2).U8(1);        // face (empty: the default), height, line space, bold
    r.I32(200).I32(0x00FF00).U8(1).U8(1);  // alpha, colour, centred, anti-aliased
    r.U8(1).U8(0).I32(0).I32(512);         // flips, angle, zoom
    r.Str("ab\r\nc");
    if (version > 103) {
      r.Str("p.lsb:idle").Str("").U8(1).U8(0).Str("p.lsb:end").U8(1).I32(128);
    }
  }
};

TEST_F(LabelRecords, TheStoredFormOfEachVersionLoads) {
  for (int32_t version : {kSaveVersion, 103}) {
    SCOPED_TRACE(version);
    test_support::RecordBytes r;
    ControlPart(r, "loaded", version);
    Fields(r, version);
    r.I32(0);  // no children
    auto& label = Make<TVeskLabel>(LT_LABEL, "target");
    ByteReader in(r.b.data(), r.b.size());
    label.LoadFromStream(in, version);
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_EQ(label.GetStr(PR_FONTNAME), "");
    EXPECT_EQ(label.GetInt(PR_FONTHEIGHT), 16);
    EXPECT_EQ(label.GetInt(PR_LINESPACE), 2);
    EXPECT_EQ(label.GetInt(PR_FONTSTYLE), 1);
    EXPECT_EQ(label.GetInt(PR_ALPHA), 200);
    EXPECT_EQ(label.GetInt(PR_FONTCOLOR), 0x00FF00);
    EXPECT_EQ(label.GetInt(PR_HALIGN), 1);
    EXPECT_TRUE(label.GetFlag(PR_ANTIALIAS));
    EXPECT_TRUE(label.GetFlag(PR_FLIPH));
    EXPECT_EQ(label.GetInt(PR_ZOOMX), 512);
    EXPECT_EQ(label.GetStr(PR_TEXT), "ab\r\nc");
    EXPECT_EQ(label.TextHeight, 2 * 18);
    EXPECT_EQ(label.Width, label.TextWidth * 2);
    if (version > 103) {
      EXPECT_EQ(label.GetStr(PR_ONIDLE), "p.lsb:idle");
      EXPECT_TRUE(label.GetFlag(PR_REPEAT));
      EXPECT_EQ(label.GetStr(PR_ONPLAYEND), "p.lsb:end");
      EXPECT_TRUE(label.GetFlag(PR_PAUSED));
      EXPECT_EQ(label.GetInt(PR_ZOOMY), 128);
      EXPECT_EQ(label.Height, 18);  // the vertical zoom read after the text sizes it
    } else {
      EXPECT_EQ(label.GetStr(PR_ONIDLE), "");
      EXPECT_FALSE(label.GetFlag(PR_PAUSED));
      EXPECT_EQ(label.GetInt(PR_ZOOMY), 256);
      EXPECT_EQ(label.Height, 2 * 18);
    }
    root_.DeleteObject(&label);
  }
}

TEST_F(LabelRecords, ARoundTripKeepsTheTextAndItsLook) {
  auto& label = Text("one\r\ntwo\r\n");
  label.SetStr(PR_FONTNAME, "\x82\x6c\x82\x72\x20\x96\xbe\x92\xa9");  // "ＭＳ 明朝"
  label.SetInt(PR_ANGLE, 32);
  label.SetInt(PR_ZOOMY, 300);
  label.SetFlag(PR_AUTOSCRAP, true);
  for (int32_t version : {kSaveVersion, 103}) {
    SCOPED_TRACE(version);
    ByteWriter out;
    RecordIO save(out, version);
    label.Transfer(save);
    auto& copy = Make<TVeskLabel>(LT_LABEL, "copy");
    ByteReader in(out.bytes().data(), out.bytes().size());
    copy.LoadFromStream(in, version);
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_EQ(copy.GetStr(PR_TEXT), "one\r\ntwo");
    EXPECT_EQ(copy.GetStr(PR_FONTNAME), label.FontName);
    EXPECT_EQ(copy.GetInt(PR_ANGLE), 32);
    EXPECT_EQ(copy.GetInt(PR_ZOOMY), version > 103 ? 300 : 256);
    EXPECT_EQ(copy.GetFlag(PR_AUTOSCRAP), version > 103);
    EXPECT_EQ(copy.Advances, label.Advances);
    root_.DeleteObject(&copy);
  }
}

}  // namespace
}  // namespace vesk::components::test
