// The page half of the script compiler: blocks, loops, labels, settings,
// errors, and decompiling back to text that compiles to the same bytes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "lang/vocabulary.h"
#include "script/pages.h"
#include "vesk-tool/script/command_syntax.h"
#include "vesk-tool/script/page_compiler.h"
#include "vesk-tool/script/page_decompiler.h"
#include "vesk-tool/script/project_source.h"

namespace vesk::tool::script {
namespace {

using namespace vesk::lang;
using namespace vesk::script;
using ::testing::HasSubstr;

CompiledPage Compile(const std::string& text, const std::string& name = "p.lsb") {
  return CompilePage(text, name, {});
}

// "id@indent" for every command, to see the flattened structure at a glance.
std::string Shape(const TPage& page) {
  std::string s;
  for (const auto& c : page.Commands)
    s += (s.empty() ? "" : " ") + CommandName(c->ComType()) + "@" + std::to_string(c->Indent);
  return s;
}

template <class T>
T& At(const CompiledPage& p, size_t i) {
  return static_cast<T&>(*p.page->Commands.at(i));
}

void ExpectError(const std::string& text, int line, const std::string& what, int column = 0) {
  try {
    Compile(text);
    ADD_FAILURE() << "no error for:\n" << text;
  } catch (const CompileError& e) {
    EXPECT_EQ(e.line(), line) << text;
    if (column) {
      EXPECT_EQ(e.column(), column) << text;
    }
    EXPECT_THAT(e.what(), HasSubstr(what)) << text;
  }
}

// "name@line:column ..." for a list of names the compiler reported.
std::string Places(const std::vector<NameUse>& uses) {
  std::string s;
  for (const NameUse& u : uses)
    s += (s.empty() ? "" : " ") + u.name + "@" + std::to_string(u.line) + ":" +
         std::to_string(u.column);
  return s;
}

TEST(PageCompiler, IfChainsFlattenToIndents) {
  CompiledPage p = Compile(
      "If a\n  Calc b = 1\nElseIf c\n  If d\n    Calc e = 1\nElse\n  Calc f = 1\nCalc g = 1\n");
  EXPECT_EQ(Shape(*p.page), "If@0 Calc@1 Elseif@0 If@1 Calc@2 Else@0 Calc@1 Calc@0");
  EXPECT_EQ(p.page->Commands[0]->Line, 1);
  EXPECT_EQ(p.page->Commands[7]->Line, 8);
  EXPECT_EQ(p.page->Commands[0]->RunOn, 1);
}

TEST(PageCompiler, LoopsGetTheirTargets) {
  CompiledPage p = Compile(
      "While i < 3 init: i = 0 step: i = i + 1\n"
      "  Break if: i == 2\n"
      "  While ()\n"
      "    Continue\n"
      "Break\n");
  EXPECT_EQ(
      Shape(*p.page),
      "WhileInit@0 While@0 Break@1 WhileInit@1 While@1 Continue@2 WhileLoop@1 WhileLoop@0 Break@0");
  EXPECT_EQ(At<TComWhile>(p, 1).ExitIndex, 8);
  EXPECT_EQ(At<TComBreak>(p, 2).Target, 8);
  EXPECT_EQ(At<TComWhile>(p, 4).ExitIndex, 7);
  EXPECT_EQ(At<TComContinue>(p, 5).Target, 6);
  EXPECT_EQ(At<TComWhileLoop>(p, 6).LoopIndex, 4);
  EXPECT_EQ(At<TComWhileLoop>(p, 7).LoopIndex, 1);
  EXPECT_EQ(At<TComBreak>(p, 8).Target, -1);  // outside every loop: leave the page
  EXPECT_EQ(At<TComWhileLoop>(p, 7).Line, 1);
}

TEST(PageCompiler, LabelsResolveAcrossPagesAndDefaultsFillIn) {
  std::vector<CompiledPage> pages;
  pages.push_back(
      Compile("Jump at: here\nLabel here\nCall \"Other.LSB\" at: there args: (1, ()) result: r\n",
              "a.lsb"));
  pages.push_back(Compile("Calc x = 1\nLabel there\n", "other.lsb"));
  ResolveTargets(pages, nullptr);
  EXPECT_EQ(At<TComJump>(pages[0], 0).PageName, "a.lsb");  // no page: this one
  EXPECT_EQ(At<TComJump>(pages[0], 0).Target, 1);
  EXPECT_EQ(At<TComJump>(pages[0], 0).Condition.Ops.size(), 1u);  // no condition: true
  EXPECT_EQ(At<TComCall>(pages[0], 2).Target, 1);
  EXPECT_EQ(At<TComCall>(pages[0], 2).Args.size(), 2u);
  EXPECT_TRUE(At<TComCall>(pages[0], 2).Args[1].Ops.empty());
  EXPECT_EQ(At<TComCall>(pages[0], 2).ResultVar, "r");

  std::vector<CompiledPage> broken;
  broken.push_back(Compile("Jump other at: nowhere\n", "a.lsb"));
  broken.push_back(Compile("", "other.lsb"));
  std::string source;
  broken[0].source_name = "a.vsc";
  try {
    ResolveTargets(broken, &source);
    ADD_FAILURE();
  } catch (const CompileError& e) {
    EXPECT_EQ(source, "a.vsc");
    EXPECT_EQ(e.line(), 1);
    EXPECT_EQ(e.column(), 16);
    EXPECT_THAT(e.what(), HasSubstr("no label 'nowhere'"));
  }
}

TEST(PageCompiler, PrefixesAttributesAndSettings) {
  CompiledPage p = Compile(
      "endframe Calc a = 1\n"
      "disabled Calc b = 2\n"
      "[line=77, runon=5] Comment  keeps  # this text\n"
      "BoxNew Name: \"x\" left: 3\n"
      "BoxNew PR_TOP: 4\n"
      "#schema BoxNew Visible\n"
      "#result real\n"
      "#version 107\n"
      "#sets 40\n"
      "# just a comment\n");
  const TPage& page = *p.page;
  EXPECT_EQ(page.Commands[0]->RunOn, 0);
  EXPECT_EQ(page.Commands[1]->Disabled, 1);
  EXPECT_EQ(page.Commands[2]->Line, 77);
  EXPECT_EQ(page.Commands[2]->RunOn, 5);
  EXPECT_EQ(static_cast<TComComment&>(*page.Commands[2]).Text(), " keeps  # this text");
  EXPECT_EQ(page.ResultType, 2);
  EXPECT_EQ(page.Version, 107);
  EXPECT_EQ(page.StoredSets, 40);
  auto& box = static_cast<TComComponent&>(*page.Commands[3]);
  EXPECT_EQ(box.PropertyIds(), (std::vector<int>{PR_NAME, PR_LEFT, PR_TOP, PR_VISIBLE}));
  EXPECT_TRUE(box.Property(PR_TOP)->Ops.empty());
  const std::vector<uint8_t> bytes = PageBytes(page);
  EXPECT_EQ(bytes[5], 40);  // the stored set count
}

TEST(PageCompiler, ErrorsSayWhereAndWhat) {
  ExpectError("Calc a = 1\n  Calc b = 2\n", 2, "unexpected indentation");
  ExpectError("If a\n    Calc b = 1\n  Calc c = 1\n", 3, "does not match");
  ExpectError("Calc a = 1\nElse\n", 2, "without If");
  ExpectError("Frobnicate 1\n", 1, "unknown command 'Frobnicate'");
  ExpectError("Wait 1 colour: 2\n", 1, "unknown field 'colour:'");
  ExpectError("Wait 1 time: 2\n", 1, "given twice");
  ExpectError("VarNew x type: integer\n", 1, "unknown type 'integer'");
  ExpectError("BoxNew Nonsense: 1\n", 1, "unknown field");
  ExpectError("#version 99\n", 1, "out of range");
  ExpectError("Label \"unterminated\n", 1, "without closing");
  ExpectError("\tCalc a = 1\n", 1, "tab in indentation");
  ExpectError("#sets 40\nTileNew Left: 1\n", 2, "not stored");
}

TEST(PageCompiler, ReportsTheNamesItDeclaresAndUses) {
  CompiledPage p = Compile(
      "VarNew total type: int\n"
      "Calc total = total + grid[x, 1] + @TickCount + PR_LEFT\n"
      "GetProp \"box\" prop: PR_LEFT var: left\n"
      "Call \"p.lsb\" result: got if: raw{ocTo ____arg = flagged}\n"
      "VarDel $\"old\"\n");
  EXPECT_EQ(Places(p.names_declared), "total@1:8");
  // System variables, constants and temporaries are no user names.
  EXPECT_EQ(Places(p.names_used),
            "total@2:6 total@2:14 grid@2:22 x@2:27 left@3:34 got@4:22 flagged@4:49 old@5:8");
}

TEST(PageCompiler, PlacesInContinuedLinesAreOnTheirOwnLines) {
  CompiledPage p = Compile("Calc a = a + \\\n    b + c \\\n  + d\nJump at: \\\n missing\n");
  EXPECT_EQ(Places(p.names_used), "a@1:6 a@1:10 b@2:5 c@2:9 d@3:5");
  ASSERT_EQ(p.fixups.size(), 1u);
  EXPECT_EQ(p.fixups[0].line, 5);
  EXPECT_EQ(p.fixups[0].column, 2);
  EXPECT_EQ(p.page->Commands[0]->Line, 1);
  ExpectError("Calc a = 1 + \\\n  )\n", 2, "expected a value", 3);
}

TEST(PageCompiler, NamesThePlayerRefusesAreErrors) {
  ExpectError("Calc a = 1\nVarNew $\"9lives\" type: int\n", 2,
              "'9lives' is not a variable name the player accepts", 8);
  ExpectError("VarNew \"a b\"\n", 1, "not a variable name the player accepts", 8);
  ExpectError("VarNew type: int\n", 1, "VarNew needs a name", 1);
  EXPECT_EQ(Compile("VarNew 得点 type: int\nVarNew $\"odd-name\"\nVarNew _9\n").page->Count(), 3);
}

TEST(PageCompiler, SkipsAByteOrderMark) {
  CompiledPage p = Compile(
      "\xEF\xBB\xBF"
      "Calc a = 1\nCalc b = 2\n");
  ASSERT_EQ(p.page->Count(), 2);
  EXPECT_EQ(p.page->Commands[0]->Line, 1);
  EXPECT_EQ(Places(p.names_used), "a@1:6 b@2:6");  // columns as an editor shows them
}

// Compiles, decompiles and compiles again: the bytes must not change.
void ExpectRoundTrip(const std::string& text, bool expect_flat = false) {
  CompiledPage first = Compile(text);
  const std::vector<uint8_t> bytes = PageBytes(*first.page);
  const std::string back = DecompilePage(bytes, "p.lsb");
  CompiledPage second = Compile(back);
  EXPECT_EQ(PageBytes(*second.page), bytes) << "source:\n" << text << "\ndecompiled:\n" << back;
  EXPECT_EQ(back.find("#flat") != std::string::npos, expect_flat) << back;
}

TEST(PageDecompiler, EveryCommandRoundTrips) {
  ExpectRoundTrip(R"(# a page with one of everything
Label top
If a > 1 and b < 2
  Calc c = "日本語" ~ c
ElseIf ()
  Exit if: x == 3
Else
  Jump "other.lsb" at: 4 if: y
While n < 10 init: n = 0; m = 1.5 step: n = n + 1
  Break if: n == 5
  Continue

Call "sub.lsb" at: 2 args: (n * 2, "s", ()) result: r if: z
endframe Wait 100 while: @LClick == false block: true
disabled DoEvent
Terminate
Comment これは 説明です
Comment "  padded  "
VarNew count type: real value: 0.25 scope: local
VarNew $"odd-name" type: str scope: status
VarDel count
GetProp "box" prop: PR_LEFT var: x
SetProp "box" prop: 3 value: x + 1
PropMotion name: "m" target: "box" prop: 3 end: 10.5 duration: 500 easing: 1 flag: true
ObjDel "box"
MenuClose "menu"
TextClr "mes"
FormatHist "mes"
MediaPlay "bgm"
Flip 3 duration: 500 reverse: false place: 0 names: ("a\nb", n) clear: true param1: 1 param2: 2 mask: "m.png" block: false
TextIns "\x01\x02text" window: "mes" record: true wait: true block: true
MovieStop "bgm" fade: 300 wait: true block: false
CallHist "mes" start: 0 count: 5 packed: true
ClrHist
ClrRead
GameSave 1 page: "start.lsb" at: 3 caption: "save " ~ IntToStr(1)
GameLoad 1
PCReset "start.lsb" at: 2 full: 1
Reset start
BoxNew Name: "box" Left: 10 Top: 20 Width: 100 Height: 50 Color: 0xFF00FF
Button Name: "b" Source: "btn.png" OnLbtnUp: "p.lsb:top" Visible: true
SaveCabinet Name: "cab" mode: true names: ("a", "b")
LoadCabinet Name: "cab"
Timer Name: "t" Delay: 100
)");
}

TEST(PageDecompiler, EveryReadableVersionRoundTrips) {
  // Only fields every version stores; the later ones are refused below 107.
  const std::string body =
      "Wait 5 while: a\nFlip 1 duration: 2 names: (\"x\")\nTextIns \"t\" window: \"w\"\n"
      "MovieStop \"m\" fade: 1\nPropMotion name: \"p\" prop: 3\nGameSave 1 caption: \"c\"\n";
  for (int version = 103; version <= 109; ++version) {
    SCOPED_TRACE(version);
    ExpectRoundTrip("#version " + std::to_string(version) + "\n" + body);
  }
  ExpectError("#version 106\nWait 5 block: true\n", 2, "unknown field 'block:'");
}

TEST(PageDecompiler, FarAndReusedLineNumbersAndOddIndentsFallBackCleanly) {
  // A page whose structure the compiler would not produce is written flat.
  TPage page;
  page.Version = 105;
  page.ResultType = 4;
  for (int indent : {0, 3, -1}) {
    auto c = CreateCommand(CMD_Calc, &page);
    c->Indent = indent;
    c->Line = 1000;
    page.Commands.push_back(std::move(c));
  }
  auto loop = CreateCommand(CMD_WhileLoop, &page);
  static_cast<TComWhileLoop&>(*loop).LoopIndex = 7;
  page.Commands.push_back(std::move(loop));
  const std::vector<uint8_t> bytes = PageBytes(page);
  const std::string text = DecompilePage(bytes, "p.lsb");
  EXPECT_THAT(text, HasSubstr("#flat"));
  EXPECT_THAT(text, HasSubstr("[line=1000, indent=-1]"));
  EXPECT_THAT(text, HasSubstr("#result str"));
  EXPECT_EQ(PageBytes(*Compile(text).page), bytes);
}

TEST(PageDecompiler, RefusesBytesThatReadingWouldChange) {
  // A flag constant is one byte; the player reads any non-zero byte as true.
  const std::vector<uint8_t> on = PageBytes(*Compile("Calc a = true\n").page);
  const std::vector<uint8_t> off = PageBytes(*Compile("Calc a = false\n").page);
  ASSERT_EQ(on.size(), off.size());
  size_t flag = 0;
  while (flag < on.size() && on[flag] == off[flag]) ++flag;
  ASSERT_LT(flag, on.size());
  for (uint8_t stored : {0x80, 0x02, 0xFF}) {
    std::vector<uint8_t> odd = on;
    odd[flag] = stored;
    try {
      const std::string text = DecompilePage(odd, "p.lsb");
      ADD_FAILURE() << "decompiled to text that gives other bytes:\n" << text;
    } catch (const std::runtime_error& e) {
      EXPECT_THAT(e.what(), HasSubstr("offset " + std::to_string(flag)));
    }
  }
  std::vector<uint8_t> longer = on;
  longer.push_back(0);
  EXPECT_THROW(DecompilePage(longer, "p.lsb"), std::runtime_error);
  EXPECT_EQ(PageBytes(*Compile(DecompilePage(on, "p.lsb")).page), on);
}

TEST(PageDecompiler, RefusesPagesOutsideTheReadableVersions) {
  TPage page;
  page.Version = 110;
  EXPECT_THROW(DecompilePage(PageBytes(page), "p.lsb"), std::runtime_error);
  const std::vector<uint8_t> cut = {109, 0, 0, 0, 1, 61};
  EXPECT_THROW(DecompilePage(cut, "p.lsb"), std::runtime_error);
}

TEST(ProjectSource, CompilesDefaultsAndRoundTrips) {
  ProjectFile p = CompileProject(
      "title \"デモ\"\nscreen 800 600\nstatus int best 7\nstatus real ratio -0.5\nstatus flag seen "
      "true\n"
      "status str who \"ななし\"\nstatus 9 odd\ndisk \"movie\" 2\n");
  EXPECT_EQ(p.info.version, 109);
  EXPECT_EQ(p.info.screen_width, 800);
  EXPECT_EQ(p.info.full_width, 800);  // the screen size when not given
  EXPECT_EQ(p.info.start_page, "start.lsb");
  ASSERT_EQ(p.status.size(), 5u);
  EXPECT_EQ(p.status[1].r, -0.5L);
  EXPECT_EQ(p.disk_map.Disk(0), 2);
  const std::vector<uint8_t> bytes = WriteProjectFile(p);
  EXPECT_EQ(WriteProjectFile(CompileProject(DecompileProject(ReadProjectFile(bytes)))), bytes);

  ProjectFile old = CompileProject("version 105\n");
  EXPECT_EQ(old.info.sleep_between_frames, 0);
  EXPECT_EQ(old.info.local_media_ext, ".wav.wma.ogg.mid");
  const std::vector<uint8_t> old_bytes = WriteProjectFile(old);
  EXPECT_EQ(ReadProjectFile(old_bytes).info.version, 105);
  EXPECT_EQ(WriteProjectFile(CompileProject(DecompileProject(ReadProjectFile(old_bytes)))),
            old_bytes);

  EXPECT_THROW(CompileProject("screen 800\n"), CompileError);
  EXPECT_THROW(CompileProject("colour 1\n"), CompileError);
}

TEST(ProjectSource, StatusNamesFollowThePlayersRule) {
  try {
    CompileProject("title \"t\"\nstatus int $\"a b\" 0\n");
    ADD_FAILURE();
  } catch (const CompileError& e) {
    EXPECT_EQ(e.line(), 2);
    EXPECT_EQ(e.column(), 12);
    EXPECT_THAT(e.what(), HasSubstr("'a b' is not a variable name the player accepts"));
  }
  EXPECT_THROW(CompileProject("status str $\"1st\"\n"), CompileError);
  EXPECT_NO_THROW(CompileProject("status 9 $\"a b\"\n"));  // the player skips other types unnamed

  const ProjectSource p =
      CompileProjectSource("status int best 0\nstart \"main.lsb\"\nstatus str BEST \"x\"\n");
  ASSERT_EQ(p.warnings.size(), 1u);
  EXPECT_EQ(p.warnings[0].line, 3);
  EXPECT_EQ(p.warnings[0].column, 12);
  EXPECT_THAT(p.warnings[0].what, HasSubstr("'BEST' is already declared on line 1"));
  EXPECT_EQ(p.start_line, 2);
  EXPECT_EQ(p.start_column, 7);
  EXPECT_EQ(CompileProjectSource("title \"t\"\n").start_line, 0);
}

TEST(ProjectSource, SkipsAByteOrderMarkAndDecompilesOnlyWhatItReproduces) {
  const ProjectFile p = CompileProject("\xEF\xBB\xBFtitle \"t\"\nstatus int best 3\n");
  EXPECT_EQ(p.info.title, "t");
  const std::vector<uint8_t> bytes = WriteProjectFile(p);
  EXPECT_EQ(WriteProjectFile(CompileProject(DecompileProjectFile(bytes))), bytes);
  std::vector<uint8_t> longer = bytes;
  longer.push_back(7);
  EXPECT_THROW(DecompileProjectFile(longer), std::runtime_error);
  ProjectFile bad = p;
  bad.status[0].name = "a b";  // written by hand: no source gives it
  EXPECT_THROW(DecompileProjectFile(WriteProjectFile(bad)), std::runtime_error);
}

}  // namespace
}  // namespace vesk::tool::script
