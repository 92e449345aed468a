// "vesk-tool text export / import" on a game built from scripts: the round
// trips of the translators' workflow, what is exported and left out, and
// hostile catalogues that must write nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "support/run_program.h"
#include "vesk-tool/text_po.h"

namespace vesk::tool {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using vesk::test_support::Quote;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

constexpr const char* kProject = "title \"花の丘\"\nstart \"start.lsb\"\n";
constexpr const char* kStart =
    "VarNew name type: str value: \"ゆき\"\n"
    "VarNew mode type: str value: \"easy\"\n"
    "MesNew Name: \"mes\" Left: 0 Top: 0 Width: 300 Height: 100\n"
    "Caption Name: \"cap\" Text: \"はじめる\" Source: \"cap.orl\"\n"
    "TextIns window: \"mes\"\n"
    "  | <B>ハルカ</B><BR>\n"
    "  | 「こんにちは、<VAR NAME=\"name\">さん」\n"
    "If mode == \"hard\"\n"
    "  Calc name = \"はな\"\n"
    "Calc name = \"そら\"\n"
    "Menu Name: \"m\" Text: \"丘へ\\n部屋へ\"\n"
    "SetProp \"cap\" prop: PR_TEXT value: \"つづき\" ~ IntToStr(2)\n"
    "Jump \"other.lsb\"\n";
constexpr const char* kOther =
    "TextIns window: \"mes\" \"おわり\"\n"
    "Caption Name: \"sc\" Text: \"得点 \" ~ IntToStr(3, \"2\") ~ \" 点\"\n";

class TextCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "vesk-tool-text-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    fs::create_directories(dir_ / "src");
    Write(dir_ / "src" / "project.vproj", kProject);
    Write(dir_ / "src" / "start.vsc", kStart);
    Write(dir_ / "src" / "other.vsc", kOther);
    RunResult r = Tool("compile " + Quote(dir_ / "src") + " " + Quote(dir_ / "game"));
    ASSERT_EQ(r.status, 0) << r.err;
    // A cinema with a caption of its own, between a picture and a wipe.
    Write(dir_ / "intro.txt",
          "film cinema\nimage\n  length 60\n  source \"bg.orl\"\nlabel\n  length 60\n"
          "  text \"はるの夜\"\nwipe\n  length 30\n");
    r = Tool("film write " + Quote(dir_ / "intro.txt") + " " + Quote(dir_ / "game" / "intro.lcm"));
    ASSERT_EQ(r.status, 0) << r.err;
  }
  void TearDown() override { fs::remove_all(dir_); }

  static void Write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
  }
  RunResult Tool(const std::string& args) {
    return test_support::RunProgram(VESK_TOOL_PATH, args, dir_ / "run");
  }
  RunResult Export(const std::string& po, const std::string& extra = "") {
    return Tool("text export " + Quote(dir_ / "game") + " " + Quote(dir_ / po) + " " + extra);
  }
  RunResult Import(const std::string& po, const std::string& out, const std::string& extra = "") {
    return Tool("text import " + Quote(dir_ / "game") + " " + Quote(dir_ / po) + " " +
                Quote(dir_ / out) + " " + extra);
  }
  po::Catalog Read(const std::string& po) { return po::ReadCatalog(Slurp(dir_ / po)); }
  void Save(const po::Catalog& c, const std::string& po) { Write(dir_ / po, po::WriteCatalog(c)); }

  // Every file of the game with its bytes.
  std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir_ / "game"))
      if (e.is_regular_file()) files[e.path().string()] = Slurp(e.path());
    return files;
  }

  fs::path dir_;
};

const po::Entry* Find(const po::Catalog& c, const std::string& context) {
  for (const po::Entry& e : c.entries)
    if (e.context == context) return &e;
  return nullptr;
}

TEST_F(TextCommand, ExportsWhatIsShownWithContextsReferencesAndSpeakers) {
  const RunResult r = Export("game.po");
  ASSERT_EQ(r.status, 0) << r.err;
  const po::Catalog c = Read("game.po");
  EXPECT_THAT(c.header, HasSubstr("charset=UTF-8"));
  const po::Entry* message = Find(c, "start.lsb:4:message");
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->id, "<B>ハルカ</B><BR>\n「こんにちは、<VAR NAME=\"name\">さん」");
  EXPECT_EQ(message->references, std::vector<std::string>{"start.lsb:5"});
  EXPECT_EQ(message->comments, (std::vector<std::string>{"window: mes", "speaker: ハルカ"}));
  ASSERT_NE(Find(c, "other.lsb:0:message"), nullptr);
  EXPECT_EQ(Find(c, "start.lsb:3:text")->id, "はじめる");
  EXPECT_EQ(Find(c, "start.lsb:8:text/1")->id, "丘へ");
  EXPECT_EQ(Find(c, "start.lsb:8:text/2")->id, "部屋へ");
  EXPECT_EQ(Find(c, "start.lsb:9:value")->id, "つづき");
  EXPECT_EQ(Find(c, "vesk.lpb:title")->id, "花の丘");
  ASSERT_NE(Find(c, "intro.lcm:1:text"), nullptr);
  EXPECT_EQ(Find(c, "intro.lcm:1:text")->id, "はるの夜");
  // "name" is shown by the message's VAR tag and compared nowhere.
  EXPECT_EQ(Find(c, "start.lsb:0:value")->id, "ゆき");
  EXPECT_EQ(Find(c, "start.lsb:7:expr")->id, "そら");
  // Compared in a condition, a file name, object names: left out.
  EXPECT_EQ(Find(c, "start.lsb:1:value"), nullptr);
  EXPECT_EQ(Find(c, "start.lsb:5:cond"), nullptr);
  EXPECT_EQ(Find(c, "start.lsb:3:source"), nullptr);
  EXPECT_EQ(Find(c, "start.lsb:3:name"), nullptr);
  EXPECT_THAT(Slurp(dir_ / "game.po"), Not(HasSubstr("cap.orl")));

  ASSERT_EQ(Export("all.po", "--all").status, 0);
  const po::Catalog all = Read("all.po");
  ASSERT_NE(Find(all, "start.lsb:3:source"), nullptr);
  EXPECT_EQ(Find(all, "start.lsb:3:source")->id, "cap.orl");
  EXPECT_THAT(Find(all, "start.lsb:3:source")->comments[0], HasSubstr("not shown on screen"));
  EXPECT_EQ(Find(all, "start.lsb:1:value")->id, "easy");
  // The same contexts with and without --all.
  for (const po::Entry& e : c.entries) EXPECT_NE(Find(all, e.context), nullptr) << e.context;
}

TEST_F(TextCommand, UnchangedImportGivesAnEmptyPatchAndMarkersReachEveryText) {
  const auto before = Snapshot();
  ASSERT_EQ(Export("game.po").status, 0);
  RunResult r = Import("game.po", "same");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("no text differs"));
  std::vector<std::string> written;
  for (const auto& e : fs::recursive_directory_iterator(dir_ / "same"))
    written.push_back(e.path().filename().string());
  EXPECT_EQ(written, std::vector<std::string>{"vesk-patch.ini"});
  EXPECT_EQ(Slurp(dir_ / "same" / "vesk-patch.ini"), "[patch]\nformat=1\ngame=花の丘\n");

  po::Catalog c = Read("game.po");
  for (po::Entry& e : c.entries) e.str = "[EN]" + e.id;
  const std::string fuzzy = "start.lsb:3:text";
  for (po::Entry& e : c.entries)
    if (e.context == fuzzy) e.flags.push_back("fuzzy");  // kept as the original
  Save(c, "en.po");
  for (const char* form : {"", "--archive"}) {
    SCOPED_TRACE(form);
    const std::string out = *form ? "en.dat" : "en";
    r = Import("en.po", out, std::string(form) + " --wrap words");
    ASSERT_EQ(r.status, 0) << r.err;
    if (!*form) {
      EXPECT_TRUE(fs::exists(dir_ / "en" / "start.lsb"));
      EXPECT_TRUE(fs::exists(dir_ / "en" / "other.lsb"));
      EXPECT_TRUE(fs::exists(dir_ / "en" / "vesk.lpb"));
      EXPECT_TRUE(fs::exists(dir_ / "en" / "intro.lcm"));
      EXPECT_EQ(Slurp(dir_ / "en" / "vesk-patch.ini"),
                "[patch]\nformat=1\ngame=花の丘\ntitle=[EN]花の丘\n[text]\nwrap=words\n");
    }
    // The game with the patch ahead of it shows the marker everywhere.
    r = Tool("text export " + Quote(dir_ / "game") + " --patch " + Quote(dir_ / out) + " " +
             Quote(dir_ / "back.po"));
    ASSERT_EQ(r.status, 0) << r.err;
    const po::Catalog back = Read("back.po");
    ASSERT_EQ(back.entries.size(), c.entries.size());
    for (const po::Entry& e : back.entries) {
      if (e.context == fuzzy)
        EXPECT_EQ(e.id.rfind("[EN]", 0), std::string::npos) << e.context;
      else
        EXPECT_EQ(e.id.rfind("[EN]", 0), 0u) << e.context << ": " << e.id;
    }
  }
  EXPECT_EQ(Snapshot(), before);  // the original game is never written
}

// Each hostile catalogue: the error, and no patch at all.
TEST_F(TextCommand, BadTranslationsAreErrorsAtTheirLineAndWriteNothing) {
  ASSERT_EQ(Export("game.po").status, 0);
  const std::string text = Slurp(dir_ / "game.po");
  const auto with = [&](const std::string& context, const std::string& str) {
    po::Catalog c = po::ReadCatalog(text);
    for (po::Entry& e : c.entries)
      if (e.context == context) e.str = str;
    return po::WriteCatalog(c);
  };
  struct Case {
    const char* name;
    std::string po;
    const char* extra;
    const char* error;
  };
  const std::vector<Case> cases{
      {"broken quoting", text + "\nmsgctxt \"x\"\nmsgid \"a\nmsgstr \"\"\n", "",
       "the string is not closed"},
      {"unknown context", text + "\nmsgctxt \"start.lsb:99:message\"\nmsgid \"a\"\nmsgstr \"b\"\n",
       "", "the context 'start.lsb:99:message' names no text of this game"},
      {"unknown tag", with("start.lsb:4:message", "<BLINK>hi</BLINK>"), "",
       "start.lsb:4:message: unknown tag <BLINK>"},
      {"unclosed tag", with("other.lsb:0:message", "The <B end"), "", "'<' without '>'"},
      {"unencodable", with("start.lsb:3:text", "Caf\u00E9 \u2013 start"), "",
       "start.lsb:3:text: U+00E9 '\u00E9' has no Shift-JIS form (--replace maps common ones)"},
      {"unencodable with --replace", with("start.lsb:3:text", "Start \u263A"), "--replace",
       "U+263A"},
      {"menu line break", with("start.lsb:8:text/1", "a\nb"), "", "cannot hold a line break"},
      {"changed msgid", std::string(text).replace(text.find("はじめる"), 12, "ちがう"), "",
       "the msgid is not the game's text there"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(dir_ / "bad.po", c.po);
    const RunResult r = Import("bad.po", "out", c.extra);
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr(c.error));
    EXPECT_THAT(r.err, HasSubstr("bad.po:"));
    EXPECT_THAT(r.err, HasSubstr("nothing written"));
    EXPECT_FALSE(fs::exists(dir_ / "out"));
  }
  // The line of a markup error is the .po line of the message's own line.
  Write(dir_ / "bad.po", with("start.lsb:4:message", "first<BR>\nsecond <FOO>"));
  const RunResult r = Import("bad.po", "out");
  const std::string po = Slurp(dir_ / "bad.po");
  const size_t at = po.find("\"second <FOO>\"");
  ASSERT_NE(at, std::string::npos);
  const int line = 1 + static_cast<int>(std::count(po.begin(), po.begin() + at, '\n'));
  EXPECT_THAT(r.err, HasSubstr("bad.po:" + std::to_string(line) + ": start.lsb:4:message"));

  // With --replace the common characters go through.
  Write(dir_ / "ok.po", with("start.lsb:3:text", "Caf\u00E9 \u2013 start\u2026"));
  const RunResult ok = Import("ok.po", "out", "--replace");
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_TRUE(fs::exists(dir_ / "out" / "start.lsb"));
}

TEST_F(TextCommand, BadCommandLinesExit2AndMissingGamesExit1) {
  for (const char* args : {"text", "text frob", "text export only-one", "text import a b",
                           "text import a b c --wrap lines", "text export a b --archive"}) {
    const RunResult r = Tool(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_THAT(r.err, HasSubstr("usage")) << args;
  }
  const RunResult r = Tool("text export " + Quote(dir_ / "nowhere") + " " + Quote(dir_ / "x.po"));
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("no such game folder or file"));
  EXPECT_FALSE(fs::exists(dir_ / "x.po"));
}

TEST_F(TextCommand, StringsGivenToFunctionsAreNotTextButTheJoinedPiecesAre) {
  ASSERT_EQ(Export("game.po").status, 0);
  const po::Catalog c = Read("game.po");
  // Strings are counted in stored order, where the function comes first.
  EXPECT_EQ(Find(c, "other.lsb:1:text"), nullptr);  // the "2" of IntToStr
  ASSERT_NE(Find(c, "other.lsb:1:text.1"), nullptr);
  EXPECT_EQ(Find(c, "other.lsb:1:text.1")->id, "得点 ");
  ASSERT_NE(Find(c, "other.lsb:1:text.2"), nullptr);
  EXPECT_EQ(Find(c, "other.lsb:1:text.2")->id, " 点");
}

TEST_F(TextCommand, ReadsGamesFromArchivesAndNeverReplacesWhatIsNotAPatch) {
  ASSERT_EQ(Export("folder.po").status, 0);
  ASSERT_EQ(Tool("archive pack " + Quote(dir_ / "game") + " " + Quote(dir_ / "game.dat")).status,
            0);
  RunResult r = Tool("text export " + Quote(dir_ / "game.dat") + " " + Quote(dir_ / "dat.po"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Slurp(dir_ / "dat.po"), Slurp(dir_ / "folder.po"));

  // A loose page is read ahead of the game.dat beside it, as the player reads it.
  fs::create_directories(dir_ / "mixed");
  fs::copy(dir_ / "game.dat", dir_ / "mixed" / "game.dat");
  Write(dir_ / "src2.vsc", "TextIns \"べつ\"\n");
  fs::create_directories(dir_ / "src2");
  fs::rename(dir_ / "src2.vsc", dir_ / "src2" / "other.vsc");
  ASSERT_EQ(Tool("compile " + Quote(dir_ / "src2") + " " + Quote(dir_ / "mixed")).status, 0);
  r = Tool("text export " + Quote(dir_ / "mixed") + " " + Quote(dir_ / "mixed.po"));
  ASSERT_EQ(r.status, 0) << r.err;
  const po::Catalog mixed = Read("mixed.po");
  ASSERT_NE(Find(mixed, "other.lsb:0:message"), nullptr);
  EXPECT_EQ(Find(mixed, "other.lsb:0:message")->id, "べつ");
  EXPECT_NE(Find(mixed, "start.lsb:4:message"), nullptr);

  // OUT that holds other files is never replaced; an earlier patch is.
  po::Catalog c = Read("folder.po");
  for (po::Entry& e : c.entries) e.str = "[EN]" + e.id;
  Save(c, "en.po");
  fs::create_directories(dir_ / "docs");
  Write(dir_ / "docs" / "notes.txt", "mine");
  r = Import("en.po", "docs");
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("a folder that is not a patch"));
  EXPECT_EQ(Slurp(dir_ / "docs" / "notes.txt"), "mine");
  ASSERT_EQ(Import("folder.po", "patch").status, 0);
  EXPECT_FALSE(fs::exists(dir_ / "patch" / "start.lsb"));
  r = Import("en.po", "patch");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir_ / "patch" / "start.lsb"));
  for (const auto& e : fs::directory_iterator(dir_))
    EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
}

}  // namespace
}  // namespace vesk::tool
