#include <gtest/gtest.h>

#include <random>

#include "platform/cp932.h"
#include "text/markup.h"

namespace vesk::text {
namespace {

constexpr int32_t kDelay = 50;

std::vector<std::string> Sjis(std::vector<std::string> utf8_lines) {
  for (std::string& l : utf8_lines) l = platform::Utf8ToCp932(l);
  return utf8_lines;
}

GlyphStream Parsed(const std::vector<std::string>& utf8_lines) {
  const MarkupResult r = ParseMarkup(Sjis(utf8_lines), kDelay);
  EXPECT_FALSE(r.Error);
  return r.Stream;
}

std::vector<std::string> Printed(const GlyphStream& s) {
  const auto lines = PrintMarkup(s, kDelay);
  if (!lines) {
    ADD_FAILURE() << "no markup";
    return {};
  }
  std::vector<std::string> utf8;
  for (const std::string& l : *lines) utf8.push_back(platform::Cp932ToUtf8(l));
  return utf8;
}

using Lines = std::vector<std::string>;

TEST(MarkupPrinter, WritesTheTagsAnAuthorWould) {
  EXPECT_EQ(Printed(Parsed({R"(<font color="#ff0000" size=20>赤</font>い<br>)", "次の行"})),
            (Lines{"<FONT SIZE=20 COLOR=#FF0000>赤</FONT>い<BR>", "次の行"}));
  EXPECT_EQ(Printed(Parsed({R"(<RUBY VALUE="かん">漢字</RUBY><B>太</B><CLEAR>)"})),
            (Lines{R"(<RUBY VALUE="かん">漢字</RUBY><B>太</B><CLEAR>)"}));
  EXPECT_EQ(Printed(Parsed({R"(<FONT BORDER SHADOW=2 BCOLOR=#000080>名前</FONT><BR>)"})),
            (Lines{"<FONT BCOLOR=#000080 BORDER=1 SHADOW=2>名前</FONT><BR>"}));
  EXPECT_EQ(Printed(Parsed({""})), (Lines{""}));
}

TEST(MarkupPrinter, EveryTagComesBackAsTheSameStream) {
  const Lines source = {
      R"(<DIV ALIGN=CENTER><B><I>題</I></B><BR></DIV>)",
      R"(<INDENT>「<A HREF="next\\page\n2">リンク</A>」<UNDENT><BR CLEAR>)",
      R"(<U><S>線</S></U><NOBR>改行なし</NOBR><WAIT VALUE=0>速い</WAIT><WAIT VALUE=200>遅い)",
      R"(</WAIT><EVENT VALUE="a\\b"><EVENT VALUE="stop" END><EVENT><VAR NAME="score">)",
      R"(<A HREF=x><IMG SRC="p.png" ALIGN=TOP><IMG SRC="q.png"><IMG SRC=c ALIGN=CENTER></A>)",
      R"(<FONT SIZE=30 COLOR="#123456" SCOLOR=#654321 NAME="ＭＳ 明朝" BORDER=2 SHADOW=0>)",
      R"(大<FONT SIZE=12>小</FONT><DIV ALIGN=RIGHT><DIV ALIGN=LEFT>右</DIV></DIV>)",
  };
  const GlyphStream s = Parsed(source);
  const auto lines = PrintMarkup(s, kDelay);
  ASSERT_TRUE(lines);
  const MarkupResult again = ParseMarkup(*lines, kDelay);
  EXPECT_TRUE(SameStream(again.Stream, s));
  EXPECT_TRUE(again.Notes.empty());
}

TEST(MarkupPrinter, EscapesWhatTheMarkupWouldRead) {
  // "<", ">" and "\" get a backslash; a run of spaces is kept apart by the
  // empty tag; inside double quotes everything stands as it is.
  const Lines source = {R"(a\<b\>\\c <> d "x<y\" e)"};
  const GlyphStream s = Parsed(source);
  EXPECT_EQ(Printed(s), source);
  // 表 ends in the byte of "\": not doubled.
  EXPECT_EQ(Printed(Parsed({"表示"})), (Lines{"表示"}));
}

GlyphStream OneCharacter(uint16_t code) {
  GlyphStream s = Parsed({"a"});
  s.Glyphs[0].Code = code;
  return s;
}

TEST(MarkupPrinter, StreamsNoMarkupGivesHaveNone) {
  GlyphStream s = Parsed({"ab<B>c"});
  ASSERT_TRUE(PrintMarkup(s, kDelay));

  GlyphStream old = s;
  old.Version = 101;
  EXPECT_FALSE(PrintMarkup(old, kDelay));
  GlyphStream refs = s;
  refs.Decorates[0].RefCount = 5;
  EXPECT_FALSE(PrintMarkup(refs, kDelay));
  GlyphStream unused = s;
  unused.Decorates.push_back(DecorateRecord{});
  EXPECT_FALSE(PrintMarkup(unused, kDelay));
  GlyphStream border = s;
  border.Decorates[1].Border = -2;
  EXPECT_FALSE(PrintMarkup(border, kDelay));
  GlyphStream colour = s;
  colour.Decorates[1].Color = 0x01000000;
  EXPECT_FALSE(PrintMarkup(colour, kDelay));

  for (int code : {0x0D, 0x0A, 0x09, 0x14, 0x81, 0x4142})
    EXPECT_FALSE(PrintMarkup(OneCharacter(static_cast<uint16_t>(code)), kDelay)) << code;

  // A picture floating left, and a tag needed between two double quotes.
  GlyphStream floating = Parsed({"<IMG SRC=p>"});
  floating.Glyphs[0].Align = 1;
  EXPECT_FALSE(PrintMarkup(floating, kDelay));
  GlyphStream quoted = Parsed({R"("a"b)"});
  quoted.Glyphs[1].Style = 1;
  quoted.Decorates.push_back(quoted.Decorates[0]);
  quoted.Decorates[0].RefCount = 3;
  quoted.Decorates[1].RefCount = 1;
  quoted.Decorates[1].Style = 1;
  EXPECT_FALSE(PrintMarkup(quoted, kDelay));
}

TEST(MarkupPrinter, AnyMarkupOfTagsAndPlainTextPrintsBack) {
  // Random markup over the tag set: whatever it parses to must print.
  const std::vector<std::string> pieces = {"a",
                                           "漢",
                                           " ",
                                           "  ",
                                           "<B>",
                                           "</B>",
                                           "<I>",
                                           "</I>",
                                           "<U>",
                                           "</S>",
                                           "<S>",
                                           "</U>",
                                           "<FONT SIZE=9>",
                                           "<FONT COLOR=#00FF00 BORDER=2>",
                                           "</FONT>",
                                           "<NOBR>",
                                           "</NOBR>",
                                           "<RUBY VALUE=\"る\">",
                                           "</RUBY>",
                                           "<A HREF=\"h\">",
                                           "</A>",
                                           "<DIV ALIGN=RIGHT>",
                                           "</DIV>",
                                           "<BR>",
                                           "<CLEAR>",
                                           "<INDENT>",
                                           "<UNDENT>",
                                           "<EVENT VALUE=e>",
                                           "<EVENT END>",
                                           "<WAIT VALUE=7>",
                                           "</WAIT>",
                                           "<VAR NAME=v>",
                                           "<IMG SRC=i ALIGN=TOP>",
                                           "\\<",
                                           "\\\\",
                                           "\n"};
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    Lines lines{""};
    const int n = static_cast<int>(random() % 40);
    for (int i = 0; i < n; ++i) {
      const std::string& p = pieces[random() % pieces.size()];
      if (p == "\n")
        lines.emplace_back();
      else
        lines.back() += p;
    }
    SCOPED_TRACE(testing::PrintToString(lines));
    const GlyphStream s = Parsed(lines);
    EXPECT_TRUE(PrintMarkup(s, kDelay));
  }
}

}  // namespace
}  // namespace vesk::text
