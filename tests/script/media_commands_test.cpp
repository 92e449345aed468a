// MediaPlay and MovieStop through the media port: what they pass, how a
// waiting stop holds the page until the fading object is gone, and the
// stop's state in a saved game.
#include <gtest/gtest.h>

#include "callman_fixture.h"
#include "script/media_port.h"

namespace vesk::script::test {
namespace {

struct FakeMedia final : MediaPort {
  std::vector<std::string> calls;
  std::string fading_name;  // what a fade-out answers
  void Play(const std::string& object) override { calls.push_back("play " + object); }
  std::string Stop(const std::string& object, int32_t fade_ms,
                   const std::function<bool(const std::string&)>& file_available) override {
    calls.push_back("stop " + object + " " + std::to_string(fade_ms) +
                    (file_available && file_available("x") ? " held" : ""));
    return fade_ms > 0 ? fading_name : std::string();
  }
};

class MediaCommands : public CallManFixture {
 protected:
  MediaCommands() {
    configure_ = [this](CallEnvironment& env) {
      env.ports.media = &fake_;
      env.file_available = [](const std::string& f) { return f == "x"; };
    };
    Globals({"after"});
  }
  TComMovieStop& Stop(Builder& b, const std::string& name, int fade_ms, bool wait) {
    auto& s = b.Add<TComMovieStop>();
    Text(s.ObjectName, name);
    Constant(s.FadeTime, fade_ms);
    Constant(s.Wait, wait ? 1 : 0);
    return s;
  }
  FakeMedia fake_;
};

TEST_F(MediaCommands, AWaitingStopHoldsThePageUntilTheFadingObjectIsGone) {
  fake_.fading_name = "\x01SCRAP_bgm";
  Builder main("main.lsb");
  Text(main.Add<TComMediaPlay>().ObjectName, "se");
  Stop(main, "bgm", 500, true);
  Assign(main.Add<TComCalc>().Expression, "after", 1);
  Mount({&main});
  Man().Start("main.lsb");
  Frames(3);
  EXPECT_EQ(fake_.calls, (std::vector<std::string>{"play se", "stop bgm 500 held"}));
  EXPECT_EQ(Int("after"), 0);
  gone_.insert("\x01SCRAP_bgm");  // the fade ended
  Frames(1);
  EXPECT_EQ(Int("after"), 1);
}

TEST_F(MediaCommands, StopsWithoutFadeOrWaitOrTargetMoveOnAtOnce) {
  fake_.fading_name = "bgm";
  gone_.insert("nobody");
  Builder main("main.lsb");
  Stop(main, "bgm", 0, true);       // stopped at once: nothing to wait for
  Stop(main, "bgm", 500, false);    // no wait
  Stop(main, "nobody", 500, true);  // no such object: the port is not asked
  Stop(main, "", 500, true);
  Text(main.Add<TComMediaPlay>().ObjectName, "");
  Assign(main.Add<TComCalc>().Expression, "after", 1);
  Mount({&main});
  Man().Start("main.lsb");
  Frames(1);
  EXPECT_EQ(Int("after"), 1);
  EXPECT_EQ(fake_.calls, (std::vector<std::string>{"stop bgm 0 held", "stop bgm 500 held"}));
}

TEST_F(MediaCommands, TheWaitingStateSurvivesASavedGame) {
  fake_.fading_name = "bgm";
  Builder main("main.lsb");
  Stop(main, "bgm", 500, true);
  Mount({&main});
  Man().Start("main.lsb");
  Frames(1);
  std::unique_ptr<ByteWriter> state;
  Man().CurPage->Commands[0]->SaveState(state);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(std::string(state->bytes().begin(), state->bytes().begin() + 7), "vesk100");
  EXPECT_EQ(state->bytes().size(), 7u + 4 + 3 + 2);  // stamp, target name, waiting, blocks

  Builder other("other.lsb");
  auto& restored = Stop(other, "x", 0, false);
  ByteReader in(state->bytes().data(), state->bytes().size());
  restored.LoadState(in);
  EXPECT_TRUE(in.at_end());
  EXPECT_TRUE(restored.Yields());
  // An unstamped state of old has no blocking byte.
  const std::vector<uint8_t> old = {3, 0, 0, 0, 'b', 'g', 'm', 1};
  ByteReader old_in(old.data(), old.size());
  restored.LoadState(old_in);
  EXPECT_TRUE(old_in.at_end());
  EXPECT_FALSE(restored.BlocksEvents());
}

}  // namespace
}  // namespace vesk::script::test
