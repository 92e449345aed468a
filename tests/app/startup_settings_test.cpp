// The lock name, game.ini, and the command line: what decides how a run starts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "app/command_line.h"
#include "app/data_path.h"
#include "app/game_ini.h"
#include "platform/files.h"

namespace vesk::app {
namespace {

TEST(LockName, FollowsTheDataPathRule) {
  EXPECT_EQ(MakeLockName("c:\\games\\x"), "C:-GAMES-X-");
  EXPECT_EQ(MakeLockName("c:\\games\\x\\"), "C:-GAMES-X-");  // no second delimiter
  EXPECT_EQ(MakeLockName("/home/user/My Game"), "-HOME-USER-MY GAME-");
  EXPECT_EQ(MakeLockName(""), "-");
}

TEST(LockName, TrailByte5COfADoubleByteCharacterIsNotADelimiter) {
  // 0x95 0x5C is one character whose second byte is the backslash code.
  const std::string path = "d:\\\x95\x5C\\a";
  EXPECT_EQ(MakeLockName(path), "D:-\x95\x5C-A-");
  // Letters inside a double-byte character are not upper-cased either.
  EXPECT_EQ(MakeLockName("\x82\x61"), "\x82\x61-");
}

class GameIniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("vesk-ini-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(dir_);
    path_ = (dir_ / "game.ini").string();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void Write(const std::string& text) {
    ASSERT_TRUE(platform::WriteFileAtomic(path_, text.data(), text.size()));
  }
  std::string Read() {
    auto d = platform::ReadWholeFile(path_);
    return d ? std::string(d->begin(), d->end()) : "";
  }
  std::filesystem::path dir_;
  std::string path_;
};

TEST_F(GameIniTest, DelayIsTruncatedToHundredsAndClamped) {
  for (auto [stored, expected] : {std::pair{250, 200},
                                  {50, 100},
                                  {900, 500},
                                  {500, 500},
                                  {100, 100},
                                  {-300, 100},
                                  {199, 100}}) {
    Write("[Sound]\nDelayTime=" + std::to_string(stored) + "\n");
    EXPECT_EQ(ReadGameIni(path_).delay_ms, expected) << stored;
  }
}

TEST_F(GameIniTest, AbsentFileOrKeysGiveTheDefaults) {
  SoundSettings s = ReadGameIni(path_);
  EXPECT_TRUE(s.direct_sound);
  EXPECT_EQ(s.delay_ms, 500);
  Write("[Other]\nDelayTime=100\n");
  EXPECT_EQ(ReadGameIni(path_).delay_ms, 500);
  Write("[sound]\ndirectsound = 0\nDelayTime=abc\n");  // names ignore case; junk is default
  s = ReadGameIni(path_);
  EXPECT_FALSE(s.direct_sound);
  EXPECT_EQ(s.delay_ms, 500);
}

TEST_F(GameIniTest, WritingKeepsOtherSectionsAndReplacesValuesInPlace) {
  Write("; comment\r\n[Video]\r\nMode=2\r\n\r\n[Sound]\r\nDelayTime=300\r\nExtra=1\r\n");
  ASSERT_TRUE(WriteGameIni(path_, {false, 200}));
  const std::string text = Read();
  EXPECT_EQ(text,
            "; comment\r\n[Video]\r\nMode=2\r\n\r\n[Sound]\r\nDelayTime=200\r\nExtra=1\r\n"
            "DirectSound=0\r\n");
  SoundSettings s = ReadGameIniRaw(path_);
  EXPECT_FALSE(s.direct_sound);
  EXPECT_EQ(s.delay_ms, 200);
}

TEST_F(GameIniTest, WritingCreatesTheFileAndLeavesNoTemporaryBehind) {
  ASSERT_TRUE(WriteGameIni(path_, {true, 400}));
  EXPECT_EQ(Read(), "[Sound]\r\nDirectSound=1\r\nDelayTime=400\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

TEST(CommandLine, ConfigInAnyLetterCaseOnlyAsFirstArgument) {
  PlayerOptions o;
  std::string err;
  ASSERT_TRUE(ParseCommandLine({"/CONFIG"}, &o, &err));
  EXPECT_TRUE(o.config);
  ASSERT_TRUE(ParseCommandLine({"/Config"}, &o, &err));
  EXPECT_TRUE(o.config);
  ASSERT_TRUE(ParseCommandLine({"game", "/config"}, &o, &err));
  EXPECT_FALSE(o.config);
  EXPECT_THAT(o.folders, ::testing::ElementsAre("game", "/config"));
}

TEST(CommandLine, HeadlessOptions) {
  PlayerOptions o;
  std::string err;
  ASSERT_TRUE(ParseCommandLine({"--headless", "--frames", "10", "--no-logo", "--screenshot-at",
                                "3:a.png", "--screenshot-at", "7:b:c.png", "g1", "g2"},
                               &o, &err))
      << err;
  EXPECT_TRUE(o.headless);
  EXPECT_EQ(o.step_ms, 16);  // the headless default
  EXPECT_EQ(o.frames, 10);
  EXPECT_TRUE(o.no_logo);
  ASSERT_EQ(o.screenshots_at.size(), 2u);
  EXPECT_EQ(o.screenshots_at[1], std::make_pair(7, std::string("b:c.png")));
  EXPECT_THAT(o.folders, ::testing::ElementsAre("g1", "g2"));
}

TEST(CommandLine, RejectsBadValuesWithAMessage) {
  PlayerOptions o;
  std::string err;
  EXPECT_FALSE(ParseCommandLine({"--headless", "--step", "0"}, &o, &err));
  EXPECT_FALSE(ParseCommandLine({"--headless", "--step", "5000"}, &o, &err));
  EXPECT_FALSE(ParseCommandLine({"--frames"}, &o, &err));
  EXPECT_NE(err.find("--frames"), std::string::npos);
  EXPECT_FALSE(ParseCommandLine({"--screenshot-at", "x.png"}, &o, &err));
  EXPECT_FALSE(ParseCommandLine({"--bogus"}, &o, &err));
  EXPECT_FALSE(ParseCommandLine({"--step", "10"}, &o, &err));  // a window uses the real clock
}

}  // namespace
}  // namespace vesk::app
