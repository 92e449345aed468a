#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "companion/companion.h"
#include "companion/trace_log.h"

namespace vesk::companion {
namespace {

class FakeItem final : public MediaItem {
 public:
  explicit FakeItem(std::string name) : name(std::move(name)) {}
  void Play() override { playing = true; }
  void Pause() override { playing = false; }
  bool IsPlaying() const override { return playing; }
  bool IsPaused() const override { return !playing; }
  bool IsEnd() const override { return false; }
  int32_t GetLen() const override { return 1000; }
  int32_t GetPosition() const override { return 0; }
  void SetPosition(int32_t) override {}
  int32_t GetVolume() const override { return 0; }
  void SetVolume(int32_t) override {}
  int32_t GetPan() const override { return 0; }
  void SetPan(int32_t) override {}
  bool GetRepeat() const override { return false; }
  void SetRepeat(bool) override {}
  std::string name;
  bool playing = false;
};

TEST(Companion, VersionCheckAcceptsOnlyTheInterfaceVersion) {
  EXPECT_EQ(veskVersion(), 108);
  EXPECT_TRUE(Companion::CheckVersion(108).empty());
  EXPECT_FALSE(Companion::CheckVersion(107).empty());
}

TEST(Companion, HandlesAreFamilyScopedAndNeverReused) {
  Companion c;
  c.SetFactory(Family::kOgg,
               [](void*, const std::string& n) { return std::make_unique<FakeItem>(n); });
  EXPECT_EQ(c.Add(Family::kOgg, nullptr, "a.ogg"), 0);  // not initialised yet
  c.Init({});
  const int a = c.Add(Family::kOgg, nullptr, "a.ogg");
  const int b = c.Add(Family::kOgg, nullptr, "b.ogg");
  EXPECT_GT(a, 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(c.Add(Family::kWmp, nullptr, "x.wma"), 0);  // no decoder for that family
  EXPECT_EQ(c.Get(Family::kVideo, a), nullptr);
  ASSERT_NE(c.Get(Family::kOgg, a), nullptr);
  EXPECT_TRUE(c.Del(Family::kOgg, a));
  EXPECT_FALSE(c.Del(Family::kOgg, a));
  EXPECT_EQ(c.Get(Family::kOgg, a), nullptr);
  const int d = c.Add(Family::kOgg, nullptr, "d.ogg");
  EXPECT_NE(d, a);  // a stale handle never reaches a newer item
  EXPECT_EQ(c.Count(Family::kOgg), 2u);
  c.Final();
  EXPECT_EQ(c.Count(Family::kOgg), 0u);
  EXPECT_FALSE(c.initialized());
}

TEST(TraceLog, LineFormats) {
  EXPECT_EQ(TraceLog::FormatCommand(0x1F, "start", 12), "0000001f : start(12)");
  EXPECT_EQ(TraceLog::FormatEvent(0xABCDEF01, "onclick", -1), "abcdef01 : <Event>onclick(-1)");
}

TEST(TraceLog, WritesPageNamesAsUtf8) {
  const auto path = std::filesystem::temp_directory_path() / "vesk-trace-test.txt";
  {
    TraceLog log;
    ASSERT_TRUE(log.Open(path.string()));
    log.WriteCommand(16, "\x83\x65\x83\x58\x83\x67", 3);  // テスト
    log.WriteEvent(32, "main", 7);
  }
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "00000010 : テスト(3)\n00000020 : <Event>main(7)\n");
  std::filesystem::remove(path);
  TraceLog closed;
  closed.WriteCommand(1, "x", 1);  // without a file nothing happens
  EXPECT_FALSE(closed.active());
  EXPECT_FALSE(closed.Open("/no/such/dir/trace.txt"));
}

}  // namespace
}  // namespace vesk::companion
