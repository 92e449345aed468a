#include "text/markup.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "core/messages.h"
#include "platform/cp932.h"
#include "text/fontpixels.h"

namespace vesk::text {
namespace {

constexpr int32_t kDelay = 50;

std::string Sjis(std::string_view utf8) {
  return platform::Utf8ToCp932(utf8);
}

MarkupResult Parse(std::vector<std::string> utf8_lines, int32_t delay = kDelay) {
  for (std::string& l : utf8_lines) l = Sjis(l);
  return ParseMarkup(utf8_lines, delay);
}

// The glyphs in a short readable form: characters as UTF-8, the others in
// brackets.
std::string Show(const GlyphStream& s) {
  std::string cp932;
  for (const GlyphRecord& g : s.Glyphs) {
    switch (g.Type) {
      case kGlyphChar:
        if (g.Code > 0xFF) cp932 += static_cast<char>(g.Code >> 8);
        cp932 += static_cast<char>(g.Code & 0xFF);
        break;
      case kGlyphAlign:
        cp932 += "[ALIGN " + std::to_string(g.Align) + "]";
        break;
      case kGlyphReturn:
        cp932 += g.Clear ? "[CLEAR]" : "[BR]";
        break;
      case kGlyphIndent:
        cp932 += "[INDENT]";
        break;
      case kGlyphUndent:
        cp932 += "[UNDENT]";
        break;
      case kGlyphEvent:
        cp932 += std::string(g.Stop ? "[EVENT! " : "[EVENT ") + g.Value + "]";
        break;
      case kGlyphVar:
        cp932 += "[VAR " + g.Name + "]";
        break;
      case kGlyphImg:
        cp932 += "[IMG " + g.Source + " " + std::to_string(g.Align) + "]";
        break;
    }
  }
  return platform::Cp932ToUtf8(cp932);
}

std::string Show(const std::vector<std::string>& utf8_lines) {
  const MarkupResult r = Parse(utf8_lines);
  EXPECT_FALSE(r.Error);
  return Show(r.Stream);
}

const DecorateRecord& StyleOf(const MarkupResult& r, size_t glyph) {
  return r.Stream.Decorates.at(static_cast<size_t>(r.Stream.Glyphs.at(glyph).Style));
}

TEST(MarkupText, CharactersCarryTheDefaultsAndTheTextDelay) {
  const MarkupResult r = Parse({"aあ"}, 70);
  ASSERT_EQ(r.Stream.Glyphs.size(), 2u);
  EXPECT_EQ(r.Stream.Version, kGlyphStreamVersion);
  EXPECT_EQ(r.Stream.Glyphs[0].Code, 'a');
  EXPECT_EQ(r.Stream.Glyphs[1].Code, 0x82A0);
  EXPECT_EQ(r.Stream.Glyphs[1].Wait, 70);
  ASSERT_EQ(r.Stream.Decorates.size(), 1u);
  const DecorateRecord& d = r.Stream.Decorates[0];
  EXPECT_EQ(d.RefCount, 2);
  EXPECT_EQ(d.Color, -1);
  EXPECT_EQ(d.Size, 0);
  // Outside FONT the window's outline and shadow apply.
  EXPECT_EQ(d.Border, -1);
  EXPECT_EQ(d.Shadow, -1);
}

TEST(MarkupText, BackslashEscapesAndTrailBytes) {
  // Before "<" a backslash shows the "<"; no tag starts, and the text is not
  // taken for a tag later either.
  EXPECT_EQ(Show({R"(\<B>x)"}), "<B>x");
  const MarkupResult r = Parse({R"(<I></I>\<B\>y)"});
  EXPECT_EQ(Show(r.Stream), "<B>y");
  EXPECT_EQ(StyleOf(r, 3).Style, 0);
  EXPECT_EQ(Show({R"(\\ \% \{ \} \q)"}), R"(\ % { } q)");
  // 表 ends in the byte of "\": it stays one character, and the "<" after
  // it opens a tag.
  const MarkupResult t = Parse({"表<B>z"});
  ASSERT_EQ(t.Stream.Glyphs.size(), 2u);
  EXPECT_EQ(t.Stream.Glyphs[0].Code, 0x955C);
  EXPECT_EQ(StyleOf(t, 1).Style, kStyleBold);
}

TEST(MarkupText, WhiteSpaceCollapsesAndLineEndsBecomeSpaces) {
  EXPECT_EQ(Show({"a  \t b", "c"}), "a b c");
  EXPECT_EQ(Show({"a ", "b"}), "a b");
  // A line end with nothing pending (after a tag) adds nothing.
  EXPECT_EQ(Show({"a<BR>", "b"}), "a[BR]b");
  EXPECT_EQ(Show({"\x14"
                  "a\x14\x14"
                  "b"}),
            " a b");
  // The empty tag keeps two spaces apart.
  EXPECT_EQ(Show({"a <> b"}), "a  b");
}

TEST(MarkupText, DoubleQuotesKeepTheirTextAsItStands) {
  EXPECT_EQ(Show({R"(say "<B>  \<" ok)"}), R"(say "<B>  \<" ok)");
  EXPECT_EQ(Show({"\"a", "b\""}), "\"ab\"");
}

TEST(MarkupText, CommentsScriptsAndStylesAreDropped) {
  EXPECT_EQ(Show({"a<!-- <B> -->b"}), "ab");
  EXPECT_EQ(Show({"<!-- <!-- --> <B> -->c"}), "c");
  EXPECT_EQ(Show({"<script>x<y></SCRIPT>z<Style>q</style>"}), "z");
  const MarkupResult open = Parse({"a<!-- b", "c"});
  EXPECT_EQ(Show(open.Stream), "a");
  ASSERT_EQ(open.Notes.size(), 1u);
  EXPECT_EQ(open.Notes[0].kind, MarkupNoteKind::kUnclosedComment);
}

TEST(MarkupText, PreKeepsLinesAndTabs) {
  EXPECT_EQ(Show({"<PRE>", "a  b", "c", "</PRE>d"}), "a b[BR]cd");
  EXPECT_EQ(Show({"<pre>x\ty</pre>"}), "x        y");
  // TEXTAREA keeps lines apart without breaks, and tabs.
  EXPECT_EQ(Show({"<TEXTAREA>", "a", "b</TEXTAREA>"}), "ab");
}

TEST(MarkupText, AnUnclosedTagShowsAsText) {
  const MarkupResult r = Parse({"a<B", "c"});
  EXPECT_EQ(Show(r.Stream), "a<B c");
  ASSERT_EQ(r.Notes.size(), 1u);
  EXPECT_EQ(r.Notes[0].kind, MarkupNoteKind::kUnclosedTag);
  EXPECT_EQ(r.Notes[0].at.offset, 1u);
}

TEST(MarkupTags, FontPushesSevenValuesAndCloseFontRestoresThemAll) {
  const MarkupResult r = Parse({R"(<FONT SIZE=10 COLOR="#00FF00" BCOLOR='#010203')"
                                R"( SCOLOR=#0000FF NAME="face" BORDER SHADOW=-3>a)"
                                R"(<FONT SIZE=20 NAME=other BORDER=4>b</FONT>c</FONT>d)"});
  ASSERT_EQ(r.Stream.Glyphs.size(), 4u);
  const DecorateRecord& a = StyleOf(r, 0);
  EXPECT_EQ(a.Size, 10);
  EXPECT_EQ(a.Color, 0x00FF00);
  EXPECT_EQ(a.BorderColor, 0x030201);
  EXPECT_EQ(a.ShadowColor, 0xFF0000);
  EXPECT_EQ(a.FontName, "face");
  EXPECT_EQ(a.Border, 1);  // BORDER without a number
  EXPECT_EQ(a.Shadow, 0);  // negative
  const DecorateRecord& b = StyleOf(r, 1);
  EXPECT_EQ(b.Size, 20);
  EXPECT_EQ(b.Color, 0x00FF00);  // absent: the top again
  EXPECT_EQ(b.FontName, "other");
  EXPECT_EQ(b.Border, 4);
  EXPECT_EQ(b.Shadow, 0);
  // The inner /FONT gives back all seven, the outer one the defaults.
  EXPECT_TRUE(StyleOf(r, 2).SameLook(a));
  const DecorateRecord& d = StyleOf(r, 3);
  EXPECT_EQ(d.Size, 0);
  EXPECT_EQ(d.Color, -1);
  EXPECT_EQ(d.FontName, "");
  EXPECT_EQ(d.Border, -1);
  EXPECT_EQ(d.Shadow, -1);
}

TEST(MarkupTags, ColoursAreRedGreenBlueAfterAHash) {
  const MarkupResult r = Parse({R"(<FONT COLOR="#FF0000">a<FONT COLOR="00FF00">b)"
                                R"(<FONT COLOR="#12345">c<FONT COLOR="#GG0000">d)"});
  EXPECT_EQ(StyleOf(r, 0).Color, 0x000000FF);
  // Without "#", or not six hexadecimal digits: the colour stays.
  EXPECT_EQ(StyleOf(r, 1).Color, 0x000000FF);
  EXPECT_EQ(StyleOf(r, 2).Color, 0x000000FF);
  EXPECT_EQ(StyleOf(r, 3).Color, 0x000000FF);
}

TEST(MarkupTags, AWithoutHrefStopsTheParseKeepingWhatCameBefore) {
  const MarkupResult r = Parse({"ab", "c<A TARGET=x>d"});
  ASSERT_TRUE(r.Error);
  EXPECT_EQ(*r.Error, MessageCp932(Msg::kLinkWithoutHref));
  EXPECT_EQ(platform::Cp932ToUtf8(*r.Error), "<A>タグにHREF値がありません");
  EXPECT_EQ(Show(r.Stream), "ab c");
  EXPECT_EQ(r.ErrorAt.line, 1u);
  EXPECT_EQ(r.ErrorAt.offset, 1u);
  EXPECT_TRUE(Parse({"<A HREF>x"}).Error);
}

TEST(MarkupTags, LinksAndEventsAreUnescaped) {
  const MarkupResult r =
      Parse({R"(<A HREF='x\\ny'>a</A>b<A HREF="p\q\\r">c<EVENT VALUE="say\nhi" END><EVENT>)"});
  ASSERT_FALSE(r.Error);
  EXPECT_EQ(r.Stream.Glyphs.at(0).Link, "x\r\ny");
  EXPECT_EQ(r.Stream.Glyphs.at(1).Link, "");
  EXPECT_EQ(r.Stream.Glyphs.at(2).Link, R"(p\q\r)");
  EXPECT_EQ(Show(r.Stream), "abc[EVENT! say\r\nhi][EVENT ]");
  EXPECT_EQ(r.Stream.Glyphs.at(3).Value, "say\r\nhi");
  // The underline of a link is the renderer's; the style record has none.
  EXPECT_EQ(StyleOf(r, 0).Style, 0);
}

TEST(MarkupTags, StyleBitsNoBreakAndRuby) {
  const MarkupResult r =
      Parse({R"(<b><i><u><s>a</B></i></U></S><NOBR><RUBY VALUE="かん">漢</RUBY></NOBR>z)"});
  EXPECT_EQ(StyleOf(r, 0).Style, kStyleBold | kStyleItalic | kStyleUnderline | kStyleStrikeOut);
  const DecorateRecord& k = StyleOf(r, 1);
  EXPECT_EQ(k.Style, 0);
  EXPECT_EQ(k.NoBreak, 1);
  EXPECT_EQ(k.Ruby, Sjis("かん"));
  EXPECT_EQ(StyleOf(r, 2).NoBreak, 0);
  EXPECT_EQ(StyleOf(r, 2).Ruby, "");
}

TEST(MarkupTags, DivAlignmentStack) {
  EXPECT_EQ(Show({"<DIV ALIGN=RIGHT>a<DIV align=center>b</DIV>c</DIV><DIV ALIGN=TOP></DIV>"}),
            "[ALIGN 2]a[ALIGN 3]b[ALIGN 2]c[ALIGN 1][ALIGN 1][ALIGN 1]");
}

TEST(MarkupTags, BreaksIndentsWaitsVariablesAndPictures) {
  EXPECT_EQ(Show({"a<BR>b<BR CLEAR><CLEAR><INDENT><UNDENT>"}),
            "a[BR]b[CLEAR][CLEAR][INDENT][UNDENT]");
  const MarkupResult w = Parse({"<WAIT VALUE=0>a<WAIT VALUE=x>b</WAIT>c</WAIT>d</WAIT>e"});
  std::vector<int32_t> waits;
  for (const GlyphRecord& g : w.Stream.Glyphs) waits.push_back(g.Wait);
  EXPECT_EQ(waits, (std::vector<int32_t>{0, 0, 0, kDelay, kDelay}));
  const MarkupResult v = Parse({R"(<A HREF=l><WAIT VALUE=5><B><VAR NAME="score"><VAR NAME=""><VAR>)"
                                R"(<IMG SRC="p.png" ALIGN=top><IMG SRC=q ALIGN=LEFT><IMG>)"});
  EXPECT_EQ(Show(v.Stream), "[VAR score][IMG p.png 4][IMG q 5]");
  const GlyphRecord& var = v.Stream.Glyphs.at(0);
  EXPECT_EQ(var.Link, "l");
  EXPECT_EQ(var.Wait, 5);
  EXPECT_EQ(StyleOf(v, 0).Style, kStyleBold);
  EXPECT_EQ(v.Stream.Glyphs.at(1).Link, "l");
  EXPECT_EQ(v.Stream.Glyphs.at(1).Wait, 5);
}

TEST(MarkupTags, UnknownTagsAndAttributesAreIgnoredWithANote) {
  const MarkupResult r = Parse({"<BLINK>a<FONT COLOUR=\"#FF0000\">b</BLINK><PRE2>"});
  EXPECT_EQ(Show(r.Stream), "ab");
  EXPECT_EQ(StyleOf(r, 1).Color, -1);
  ASSERT_EQ(r.Notes.size(), 4u);
  EXPECT_EQ(r.Notes[0].kind, MarkupNoteKind::kUnknownTag);
  EXPECT_EQ(r.Notes[0].text, "BLINK");
  EXPECT_EQ(r.Notes[1].kind, MarkupNoteKind::kUnknownAttribute);
  EXPECT_EQ(r.Notes[1].text, "COLOUR");
  EXPECT_EQ(r.Notes[2].text, "/BLINK");
}

TEST(MarkupRecords, CharactersThatLookAlikeShareOneRecord) {
  const MarkupResult r = Parse({"a<B>b</B>c<FONT SIZE=10>d</FONT>e<FONT SIZE=10><VAR NAME=v>"});
  const auto& d = r.Stream.Decorates;
  ASSERT_EQ(d.size(), 3u);
  EXPECT_EQ(d[0].RefCount, 3);  // a, c, e
  EXPECT_EQ(d[1].RefCount, 1);  // b
  EXPECT_EQ(d[1].Style, kStyleBold);
  EXPECT_EQ(d[2].RefCount, 2);  // d and the variable
  std::vector<int32_t> styles;
  for (const GlyphRecord& g : r.Stream.Glyphs) styles.push_back(g.Style);
  EXPECT_EQ(styles, (std::vector<int32_t>{0, 1, 0, 2, 0, 2}));
}

TEST(MarkupRecords, ARecordLeftByItsOnlyCharacterIsGone) {
  // The first character of a look starts on a record of its own and changes
  // it in place; when a later character reaches an existing look, the
  // record it started on is dropped, so no record is left unused.
  const MarkupResult r = Parse({"<B>a</B>b<B>c</B>d<FONT BORDER=0 SHADOW=0>e"});
  const auto& d = r.Stream.Decorates;
  ASSERT_EQ(d.size(), 3u);
  EXPECT_EQ(d[0].Style, kStyleBold);
  EXPECT_EQ(d[0].RefCount, 2);
  EXPECT_EQ(d[1].RefCount, 2);
  // Border 0 and Shadow 0 is the look a new character starts with.
  EXPECT_EQ(d[2].Border, 0);
  EXPECT_EQ(d[2].RefCount, 1);
  for (const DecorateRecord& rec : d) EXPECT_GT(rec.RefCount, 0);
}

// The sharing rule as the runtime applies it, field by field, deleting a
// record when its last user leaves: ParseMarkup must end with the same
// records, counts and indices.
class StepwiseRecords {
 public:
  void Add(const DecorateRecord& look) {
    size_t slot = Switch(std::nullopt, DecorateRecord{});
    using Set = void (*)(DecorateRecord&, const DecorateRecord&);
    static const Set kFields[] = {
        [](DecorateRecord& d, const DecorateRecord& l) { d.Size = l.Size; },
        [](DecorateRecord& d, const DecorateRecord& l) { d.Color = l.Color; },
        [](DecorateRecord& d, const DecorateRecord& l) { d.BorderColor = l.BorderColor; },
        [](DecorateRecord& d, const DecorateRecord& l) { d.ShadowColor = l.ShadowColor; },
        [](DecorateRecord& d, const DecorateRecord& l) { d.FontName = l.FontName; },
        [](DecorateRecord& d, const DecorateRecord& l) { d.Style = l.Style; },
        [](DecorateRecord& d, const DecorateRecord& l) { d.NoBreak = l.NoBreak; },
        [](DecorateRecord& d, const DecorateRecord& l) { d.Ruby = l.Ruby; },
        [](DecorateRecord& d, const DecorateRecord& l) { d.Border = l.Border; },
        [](DecorateRecord& d, const DecorateRecord& l) { d.Shadow = l.Shadow; },
    };
    for (Set set : kFields) {
      DecorateRecord next = slots_[slot];
      set(next, look);
      slot = Switch(slot, next);
    }
    users_.push_back(slot);
  }

  // The records left, and the index of each glyph's record among them.
  std::vector<DecorateRecord> Records(std::vector<int32_t>& indices) const {
    std::vector<DecorateRecord> out;
    std::vector<int32_t> index(slots_.size(), -1);
    for (size_t i = 0; i < slots_.size(); ++i) {
      if (slots_[i].RefCount == 0) continue;
      index[i] = static_cast<int32_t>(out.size());
      out.push_back(slots_[i]);
    }
    for (size_t u : users_) indices.push_back(index[u]);
    return out;
  }

 private:
  size_t Switch(std::optional<size_t> from, const DecorateRecord& look) {
    for (size_t i = 0; i < slots_.size(); ++i) {
      if (slots_[i].RefCount > 0 && slots_[i].SameLook(look)) {
        ++slots_[i].RefCount;
        if (from) --slots_[*from].RefCount;
        return i;
      }
    }
    if (from && slots_[*from].RefCount == 1) {
      slots_[*from] = look;
      slots_[*from].RefCount = 1;
      return *from;
    }
    if (from) --slots_[*from].RefCount;
    slots_.push_back(look);
    slots_.back().RefCount = 1;
    return slots_.size() - 1;
  }

  std::vector<DecorateRecord> slots_;
  std::vector<size_t> users_;
};

TEST(MarkupRecords, TheSharingRuleFieldByFieldGivesTheSameRecords) {
  const std::vector<std::string> pieces = {"a",
                                           "<B>",
                                           "</B>",
                                           "<I>",
                                           "</I>",
                                           "<FONT SIZE=10>",
                                           "<FONT COLOR=#00FF00 BORDER=0>",
                                           "<FONT SHADOW=0 BORDER=0>",
                                           "</FONT>",
                                           "<NOBR>",
                                           "</NOBR>",
                                           "<RUBY VALUE=r>",
                                           "</RUBY>",
                                           "<FONT NAME=x SCOLOR=#010101>",
                                           "<VAR NAME=v>",
                                           "<A HREF=h>",
                                           "</A>"};
  std::mt19937 random(11);
  for (int round = 0; round < 200; ++round) {
    std::string markup;
    for (int i = 0; i < 30; ++i) markup += pieces[random() % pieces.size()];
    SCOPED_TRACE(markup);
    const MarkupResult r = Parse({markup});
    StepwiseRecords reference;
    std::vector<int32_t> parsed;
    for (const GlyphRecord& g : r.Stream.Glyphs) {
      if (g.Type != kGlyphChar && g.Type != kGlyphVar) continue;
      reference.Add(r.Stream.Decorates.at(static_cast<size_t>(g.Style)));
      parsed.push_back(g.Style);
    }
    std::vector<int32_t> expected;
    const std::vector<DecorateRecord> records = reference.Records(expected);
    EXPECT_EQ(parsed, expected);
    ASSERT_EQ(records.size(), r.Stream.Decorates.size());
    for (size_t i = 0; i < records.size(); ++i) {
      EXPECT_TRUE(records[i].SameLook(r.Stream.Decorates[i]));
      EXPECT_EQ(records[i].RefCount, r.Stream.Decorates[i].RefCount);
    }
  }
}

}  // namespace
}  // namespace vesk::text
