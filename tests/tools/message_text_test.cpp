// Message text in scripts: markup to the glyph stream TextIns carries, the
// decompiler's way back (markup, or raw bytes), and "vesk-tool glyphs".
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "lang/vocabulary.h"
#include "platform/cp932.h"
#include "script/pages.h"
#include "support/run_program.h"
#include "text/markup.h"
#include "vesk-tool/glyphs_command.h"
#include "vesk-tool/script/message_text.h"
#include "vesk-tool/script/page_compiler.h"
#include "vesk-tool/script/page_decompiler.h"

namespace vesk::tool::script {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using vesk::script::TComTextIns;

CompiledPage Compile(const std::string& text) {
  return CompilePage(text, "p.lsb", {});
}

// The text data of the page's n-th command.
std::vector<uint8_t> TextOf(const CompiledPage& p, size_t n) {
  return static_cast<const TComTextIns&>(*p.page->Commands.at(n)).TextData;
}

std::vector<uint8_t> Stream(const std::vector<std::string>& utf8_lines) {
  std::vector<std::string> lines;
  for (const std::string& l : utf8_lines) lines.push_back(platform::Utf8ToCp932(l));
  const text::MarkupResult r = text::ParseMarkup(lines, kCompileTextDelay);
  ByteWriter out;
  text::WriteGlyphStream(r.Stream, out);
  return out.bytes();
}

void ExpectError(const std::string& source, int line, int column, const std::string& what) {
  try {
    Compile(source);
    ADD_FAILURE() << "no error for:\n" << source;
  } catch (const CompileError& e) {
    EXPECT_EQ(e.line(), line) << source;
    EXPECT_EQ(e.column(), column) << source;
    EXPECT_THAT(e.what(), HasSubstr(what)) << source;
  }
}

TEST(MessageText, BlockLinesAndStringsAreTheSameMarkup) {
  const CompiledPage p = Compile(
      "TextIns window: \"mes\" wait: true\n"
      "  | <B>太郎</B><BR>\n"
      "  # a comment between text lines\n"
      "  |  こんにちは\\<\n"
      "  |\n"
      "TextIns \"<B>太郎</B><BR>\\n こんにちは\\\\<\\n\" window: \"mes\"\n"
      "TextIns raw \"\\x01\\x02\"\n"
      "TextIns window: \"mes\"\n");
  ASSERT_EQ(p.page->Count(), 4);
  const std::vector<uint8_t> expected = Stream({"<B>太郎</B><BR>", " こんにちは\\<", ""});
  EXPECT_EQ(TextOf(p, 0), expected);
  EXPECT_EQ(TextOf(p, 1), expected);
  EXPECT_EQ(TextOf(p, 2), (std::vector<uint8_t>{1, 2}));
  EXPECT_TRUE(TextOf(p, 3).empty());
  // The text lines take no line of their own in the page.
  EXPECT_EQ(p.page->Commands[1]->Line, 6);
  // Every character waits the initial @TextDelay.
  const std::vector<uint8_t> bytes = TextOf(p, 0);
  ByteReader in(bytes.data(), bytes.size());
  const text::GlyphStream s = text::ReadGlyphStream(in);
  EXPECT_EQ(s.Glyphs.at(0).Wait, 50);
}

TEST(MessageText, TextLinesInsideBlocksAndTheirMistakes) {
  const CompiledPage p = Compile("If a\n  TextIns\n    | x\n  Calc b = 1\n");
  EXPECT_EQ(TextOf(p, 1), Stream({"x"}));
  ExpectError("Calc a = 1\n  | x\n", 2, 4, "follow only TextIns");
  ExpectError("| x\n", 1, 1, "belongs under a TextIns");
  ExpectError("  TextIns\n  | x\n", 2, 3, "indented deeper");
  ExpectError("TextIns \"a\"\n  | x\n", 2, 4, "given twice");
  ExpectError("TextIns\n  | \xF0\x9F\x98\x80\n", 2, 5, "without a Shift-JIS form");
  // A continued command line does not swallow its text lines.
  const CompiledPage joined = Compile("TextIns window: \\\n  \"mes\"\n  | y\\\n  | z\n");
  EXPECT_EQ(TextOf(joined, 0), Stream({"y\\", "z"}));
}

TEST(MessageText, MarkupErrorsSayWhere) {
  // In text lines the column is the tag's own; in a string, the string's.
  ExpectError("TextIns\n  | 名前<A TARGET=x>\n", 2, 11, "<A>タグにHREF値がありません");
  ExpectError("TextIns \"ab\\n<A>\"\n", 1, 9, "<A>タグにHREF値がありません");
  ExpectError("TextIns\n  | ok\n  | <B\n", 3, 5, "'<' without '>'");
  ExpectError("TextIns\n  | a<!-- b\n", 2, 6, "comment never closed");
  ExpectError("TextIns \"<EVENT VALUE='\\x01a'>\"\n", 1, 9, "0x01");
  const CompiledPage p = Compile("Calc a = 1\nTextIns\n  | <BLINK>x<FONT COLOUR=1>\n");
  ASSERT_EQ(p.warnings.size(), 2u);
  EXPECT_EQ(p.warnings[0].line, 3);
  EXPECT_EQ(p.warnings[0].column, 5);
  EXPECT_THAT(p.warnings[0].what, HasSubstr("unknown tag <BLINK>"));
  EXPECT_EQ(p.warnings[1].column, 13);
  EXPECT_THAT(p.warnings[1].what, HasSubstr("'COLOUR'"));
}

// Compile, decompile, compile: the same bytes, and the decompiled text.
std::string RoundTrip(const std::string& source) {
  const CompiledPage first = Compile(source);
  const std::vector<uint8_t> bytes = PageBytes(*first.page);
  const std::string text = DecompilePage(bytes, "p.lsb");
  EXPECT_EQ(PageBytes(*Compile(text).page), bytes) << text;
  return text;
}

TEST(MessageDecompiler, EveryTagComesBackAsMarkup) {
  const std::string source = R"(TextIns window: "mes" wait: true
  | <DIV ALIGN=CENTER><FONT SIZE=24 COLOR=#FFCC00 BORDER=2 BCOLOR=#000080>第一章</FONT><BR>
  | </DIV><INDENT>「<RUBY VALUE="かんじ">漢字</RUBY>の<B>読</B><I>み</I><U>方</U><S>は</S>、
  | <NOBR>ひとつ</NOBR>」<UNDENT><BR CLEAR>
  | <A HREF="page\\2\n">リンク</A><WAIT VALUE=0>速く</WAIT><WAIT VALUE=300>遅く</WAIT><CLEAR>
  | <EVENT VALUE="say \\ hi"><EVENT VALUE=stop END><EVENT><VAR NAME="score">点
  | <IMG SRC="face.png" ALIGN=TOP><IMG SRC="a.png"><IMG SRC="b.png" ALIGN=CENTER>
  | <DIV ALIGN=RIGHT><FONT NAME="ＭＳ 明朝" SHADOW=3 SCOLOR=#404040>署名</FONT></DIV>
If a
  TextIns "<B>一行</B>" window: "mes"
)";
  const std::string text = RoundTrip(source);
  EXPECT_THAT(text, HasSubstr("TextIns window: \"mes\" wait: true\n  | <DIV ALIGN=CENTER>"));
  EXPECT_THAT(text, HasSubstr("<RUBY VALUE=\"かんじ\">漢字</RUBY>"));
  EXPECT_THAT(text, HasSubstr("<A HREF=\"page\\\\2\\n\">リンク</A>"));
  EXPECT_THAT(text, HasSubstr("  TextIns \"<B>一行</B>\" window: \"mes\"\n"));
  EXPECT_THAT(text, Not(HasSubstr("raw")));
}

TEST(MessageDecompiler, StreamsNoMarkupGivesComeOutRaw) {
  // Another tool's stream: an old version, and a record nobody uses.
  const std::vector<uint8_t> plain = Stream({"abc"});
  std::vector<uint8_t> old(plain.begin() + 9, plain.end());  // no header: version 0
  old.erase(old.begin() + 4 + 19, old.begin() + 4 + 22);     // the border is one byte
  old.erase(old.begin() + 4 + 27, old.begin() + 4 + 35);     // and there is no shadow
  ByteReader check(old.data(), old.size());
  ASSERT_EQ(text::ReadGlyphStream(check).Glyphs.size(), 3u);
  for (const std::vector<uint8_t>& data : {old, std::vector<uint8_t>{1, 2, 3}}) {
    const MessageForm form = DecompileMessage(data);
    EXPECT_EQ(form.kind, MessageForm::kRaw);
    // A page holding it decompiles to text that compiles to its bytes.
    vesk::script::TPage page;
    page.Version = 109;
    auto c = vesk::script::CreateCommand(lang::CMD_TextIns, &page);
    static_cast<TComTextIns&>(*c).TextData = data;
    page.Commands.push_back(std::move(c));
    const std::vector<uint8_t> bytes = PageBytes(page);
    const std::string text = DecompilePage(bytes, "p.lsb");
    EXPECT_THAT(text, HasSubstr("TextIns raw \""));
    EXPECT_EQ(PageBytes(*Compile(text).page), bytes);
  }
  EXPECT_EQ(DecompileMessage({}).kind, MessageForm::kNone);
  EXPECT_EQ(DecompileMessage(Stream({"a<BR>", "b"})).kind, MessageForm::kBlock);
  EXPECT_EQ(DecompileMessage(Stream({"a"})).kind, MessageForm::kString);
  // A line ending in a space would not survive an editor: a string then.
  EXPECT_EQ(DecompileMessage(Stream({"a<BR>", "b "})).kind, MessageForm::kString);
}

TEST(GlyphsCommand, DescribesEveryGlyph) {
  const CompiledPage p = Compile(
      "TextIns\n  | <FONT COLOR=#FF0000 SIZE=20>あ</FONT><B>a</B><BR CLEAR>\n"
      "  | <A HREF=x><EVENT VALUE=go END><VAR NAME=n><IMG SRC=p.png ALIGN=TOP>\n");
  std::string out;
  EXPECT_TRUE(DescribeGlyphStream(TextOf(p, 0), "", out));
  EXPECT_THAT(out, HasSubstr("version 102\nstyle records: 3\n"));
  EXPECT_THAT(out, HasSubstr("[0] refs 1: size 20, colour #FF0000\n"));
  EXPECT_THAT(out, HasSubstr("[1] refs 1: bold\n"));
  EXPECT_THAT(out, HasSubstr("[0] char 0x82A0 \"あ\" style 0 wait 50\n"));
  EXPECT_THAT(out, HasSubstr("[2] break, new page\n"));
  EXPECT_THAT(out, HasSubstr("[3] event \"go\" (alone)\n"));
  EXPECT_THAT(out, HasSubstr("[4] var \"n\" style 2 wait 50 link \"x\"\n"));
  EXPECT_THAT(out, HasSubstr("[5] picture \"p.png\" align top wait 50 link \"x\"\n"));

  std::vector<uint8_t> unknown = TextOf(p, 0);
  unknown[unknown.size() - 20] = 8;  // the picture's type code
  out.clear();
  EXPECT_FALSE(DescribeGlyphStream(unknown, "", out));
  EXPECT_THAT(out, HasSubstr("type code 8 is not a glyph"));
  std::vector<uint8_t> cut = TextOf(p, 0);
  cut.resize(cut.size() - 3);
  out.clear();
  EXPECT_FALSE(DescribeGlyphStream(cut, "", out));
  EXPECT_THAT(out, HasSubstr("damaged: truncated"));
}

TEST(GlyphsCommand, PrintsAPagesTextsAndFailsOnDamage) {
  namespace fs = std::filesystem;
  std::string tmpl = (fs::temp_directory_path() / "vesk-tool-glyphs-XXXXXX").string();
  ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
  const fs::path dir = tmpl;
  CompiledPage p = Compile("Calc a = 1\nTextIns \"漢\"\nTextIns raw \"\\x09\"\n");
  auto write = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  };
  write("bad.lsb", PageBytes(*p.page));
  const auto r = test_support::RunProgram(
      VESK_TOOL_PATH, "glyphs " + test_support::Quote(dir / "bad.lsb"), dir / "run");
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.out, HasSubstr(": 2 TextIns\ncommand 1, line 2: "));
  EXPECT_THAT(r.out, HasSubstr("  [0] char 0x8ABF \"漢\" style 0 wait 50\n"));
  EXPECT_THAT(r.out, HasSubstr("command 2, line 3: 1 bytes\n  damaged: "));
  EXPECT_THAT(r.err, HasSubstr("a glyph stream is damaged"));
  p.page->Commands.pop_back();
  write("good.lsb", PageBytes(*p.page));
  EXPECT_EQ(test_support::RunProgram(VESK_TOOL_PATH,
                                     "glyphs " + test_support::Quote(dir / "good.lsb"), dir / "run")
                .status,
            0);
  EXPECT_EQ(test_support::RunProgram(VESK_TOOL_PATH, "glyphs", dir / "run").status, 2);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vesk::tool::script
