// The --patch option and the patch's vesk-patch.ini.
#include "app/patch_mount.h"

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "platform/cp932.h"

namespace vesk::app {
namespace {

TEST(PatchOption, TakesAPathBesideTheGameFolder) {
  PlayerOptions o;
  std::string error;
  ASSERT_TRUE(ParseCommandLine({"--patch", "tr/en", "game"}, &o, &error)) << error;
  EXPECT_EQ(o.patch, "tr/en");
  EXPECT_EQ(o.folders, std::vector<std::string>{"game"});
  EXPECT_FALSE(ParseCommandLine({"game", "--patch"}, &o, &error));
  EXPECT_EQ(error, "--patch needs a value");
  EXPECT_NE(std::string(UsageText()).find("--patch PATCH"), std::string::npos);
}

TEST(PatchIni, GameTitleAndWrapWithCommentsAndUnknownKeys) {
  PatchSettings s;
  std::string error;
  ASSERT_TRUE(
      ParsePatchIni("\xEF\xBB\xBF[patch]\r\nformat=1\r\ngame = 体験版 \r\nother=x\r\n"
                    "[text]\r\nwrap=words ; at spaces\r\n",
                    &s, &error))
      << error;
  EXPECT_EQ(s.game_utf8, "体験版");
  EXPECT_EQ(s.wrap, TextWrap::kWords);
  ASSERT_TRUE(ParsePatchIni("[patch]\ngame=x\n[other]\nwrap=words\n", &s, &error));
  EXPECT_EQ(s.wrap, TextWrap::kChars);  // only [text] says how text wraps
  EXPECT_FALSE(ParsePatchIni("[text]\n\nwrap=lines\n", &s, &error));
  EXPECT_EQ(error, "vesk-patch.ini:3: wrap takes chars or words, not 'lines'");
}

TEST(PatchIni, TheTitleCheckComparesTheProjectsTitleAsUtf8) {
  PatchSettings s;
  s.game_utf8 = "体験版";
  EXPECT_EQ(PatchGameMismatch(s, platform::Utf8ToCp932("体験版")), "");
  EXPECT_NE(PatchGameMismatch(s, "Other").find("\"体験版\""), std::string::npos);
  // A patch that translates the title gives the game its own.
  s.title_utf8 = "Trial";
  EXPECT_EQ(PatchGameMismatch(s, "Trial"), "");
  EXPECT_NE(PatchGameMismatch(s, "Other"), "");
  s.title_utf8.clear();
  s.game_utf8.clear();  // a patch that names no game is taken as it is
  EXPECT_EQ(PatchGameMismatch(s, "Other"), "");
}

}  // namespace
}  // namespace vesk::app
