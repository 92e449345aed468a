// The flip command drives the scene through its port: the phases and
// their frames, the snapshot and the moving of controls by placement, the
// transition's request, the finish with or without clearing, the abort of
// a full reset, and the state a saved game keeps.
#include <gtest/gtest.h>

#include "callman_fixture.h"
#include "script/flip_port.h"

namespace vesk::script::test {
namespace {

struct FakeFlips final : FlipPort {
  std::vector<std::string> calls;
  std::vector<std::string> children{"keep", "bg", "chara"};  // on the shown base
  std::vector<std::string> moved;
  TransitionRequest request;
  int32_t duration_ms = 0;
  int32_t time_ms = -1;
  void TakeSnapshot() override { calls.push_back("snapshot"); }
  void MoveToBackBase(const NameFilter& moves) override {
    for (auto it = children.rbegin(); it != children.rend(); ++it)
      if (moves(*it)) moved.push_back(*it);
  }
  bool StartTransition(const TransitionRequest& r) override {
    request = r;
    duration_ms = r.kind ? r.duration_ms : 0;
    calls.push_back("start " + std::to_string(r.kind));
    return r.kind != 0;
  }
  int32_t TransitionDuration() override { return duration_ms; }
  void SetTransitionTime(int32_t ms) override { time_ms = ms; }
  void FinishFlip(bool clear_back, bool cabinets_too) override {
    calls.push_back(std::string("finish") + (clear_back ? " clear" : "") +
                    (cabinets_too ? " cabinets" : ""));
  }
};

class FlipCommand : public CallManFixture {
 protected:
  FlipCommand() {
    configure_ = [this](CallEnvironment& env) { env.ports.flips = &fake_; };
    Globals({"after"});
  }
  TComFlip& Flip(Builder& b, int kind, int duration) {
    auto& f = b.Add<TComFlip>();
    Constant(f.Kind, kind);
    Constant(f.Duration, duration);
    return f;
  }
  void Run(Builder& main) {
    Assign(main.Add<TComCalc>().Expression, "after", 1);
    Mount({&main});
    Man().Start("main.lsb");
  }
  FakeFlips fake_;
};

TEST_F(FlipCommand, ATimedFlipWaitsItsDurationThenShowsTheNewPage) {
  Builder main("main.lsb");
  auto& f = Flip(main, WP_FADE, 100);
  Constant(f.Param1, 7);
  Text(f.MaskSource, "rule.png");
  Run(main);
  Frames(1);  // started; one frame passes before the clock is taken
  EXPECT_EQ(fake_.calls, std::vector<std::string>{"start 1"});
  EXPECT_EQ(fake_.request.duration_ms, 100);
  EXPECT_EQ(fake_.request.param0, 7);
  EXPECT_FALSE(fake_.request.param1.has_value());
  EXPECT_EQ(fake_.request.mask_source, "rule.png");
  Frames(2);  // the clock is taken; then 16 ms have passed
  EXPECT_EQ(fake_.time_ms, 16);
  EXPECT_EQ(Int("after"), 0);
  Frames(5);  // 96 ms
  EXPECT_EQ(fake_.time_ms, 96);
  EXPECT_EQ(Int("after"), 0);
  Frames(1);  // 112 ms: over
  EXPECT_EQ(fake_.calls.back(), "finish");
  EXPECT_EQ(Int("after"), 1);
}

TEST_F(FlipCommand, KindsAboveTheCatalogueAndMissingDurationsFallBack) {
  Builder main("main.lsb");
  Flip(main, 40, 100);
  auto& no_duration = main.Add<TComFlip>();
  Constant(no_duration.Kind, WP_FADE);
  Run(main);
  Frames(10);
  ASSERT_GE(fake_.calls.size(), 3u);
  EXPECT_EQ(fake_.calls[0], "start 0");  // no transition: changes after two frames
  EXPECT_EQ(fake_.calls[1], "finish");
  EXPECT_EQ(fake_.calls[2], "start 1");
  EXPECT_EQ(fake_.request.duration_ms, 1);
}

TEST_F(FlipCommand, PlacementOutMovesTheUnlistedBehindASnapshot) {
  Builder main("main.lsb");
  auto& f = Flip(main, WP_FADE, 100);
  Constant(f.Placement, FL_OUT);
  Text(f.NameLists.emplace_back(), "keep\r\nchara");
  Run(main);
  Frames(1);
  EXPECT_EQ(fake_.calls, (std::vector<std::string>{"snapshot", "start 1"}));
  EXPECT_EQ(fake_.moved, std::vector<std::string>{"bg"});
}

TEST_F(FlipCommand, PlacementStayMovesTheListedLastFirst) {
  Builder main("main.lsb");
  auto& f = Flip(main, WP_FADE, 100);
  Constant(f.Placement, FL_STAY);
  Text(f.NameLists.emplace_back(), "keep");
  Text(f.NameLists.emplace_back(), "chara\nnobody");
  Run(main);
  Frames(1);
  EXPECT_EQ(fake_.moved, (std::vector<std::string>{"chara", "keep"}));
}

TEST_F(FlipCommand, APlacementWithoutDurationMovesWithoutSnapshotOrTransition) {
  Builder main("main.lsb");
  auto& f = Flip(main, WP_FADE, 0);
  Constant(f.Placement, FL_OUT);
  Constant(f.ClearBack, 1);
  Run(main);
  Frames(1);
  EXPECT_EQ(fake_.calls, std::vector<std::string>{"finish clear"});
  EXPECT_EQ(fake_.moved, (std::vector<std::string>{"chara", "bg", "keep"}));
  EXPECT_EQ(Int("after"), 1);
}

TEST_F(FlipCommand, BlockingYieldingAndTheSavedState) {
  Builder main("main.lsb");
  auto& f = Flip(main, WP_FADE, 100);
  Constant(f.BlockEvents, 1);
  Constant(f.ClearBack, 1);
  Run(main);
  Frames(1);
  TCommand& running = *Man().CurPage->Commands[0];
  EXPECT_TRUE(running.BlocksEvents());
  EXPECT_TRUE(running.Yields());
  std::unique_ptr<ByteWriter> state;
  running.SaveState(state);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(std::string(state->bytes().begin(), state->bytes().end()), "vesk100\x01\x01");

  Builder other("other.lsb");
  auto& restored = Flip(other, WP_FADE, 100);
  ByteReader in(state->bytes().data(), state->bytes().size());
  restored.LoadState(in);
  EXPECT_TRUE(in.at_end());
  EXPECT_TRUE(restored.BlocksEvents());
  // Without the stamp (an old saved game) nothing is read.
  auto& old = Flip(other, WP_FADE, 100);
  const std::vector<uint8_t> empty;
  ByteReader none(empty.data(), 0);
  old.LoadState(none);
  EXPECT_FALSE(old.BlocksEvents());
}

TEST_F(FlipCommand, AnAbortFinishesAndClearsCabinetsToo) {
  Builder main("main.lsb");
  auto& f = Flip(main, WP_FADE, 100);
  Constant(f.ClearBack, 1);
  Run(main);
  Frames(2);
  Man().CurPage->Commands[0]->Abort();
  EXPECT_EQ(fake_.calls.back(), "finish clear cabinets");
}

TEST_F(FlipCommand, WithoutTheSceneAFlipMovesOn) {
  configure_ = nullptr;
  Builder main("main.lsb");
  Flip(main, WP_FADE, 100);
  Run(main);
  Frames(1);
  EXPECT_EQ(Int("after"), 1);
}

}  // namespace
}  // namespace vesk::script::test
