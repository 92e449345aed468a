// Timers driven frame by frame on a game clock: the interval, ticks dropped
// while the handler's event is still queued, pause and restart, AutoScrap,
// and the stored form.
#include <gtest/gtest.h>

#include "components/timer.h"
#include "image_fixture.h"

namespace vesk::components::test {
namespace {

class Timers : public ImageScene {
 protected:
  Timers() {
    services_.game_clock_ms = [this] { return clock_ms_; };
  }
  TVeskTimer& Timer(const std::string& name, int32_t delay_ms) {
    auto* timer = dynamic_cast<TVeskTimer*>(root_.CreateByKind(LT_TIMER));
    EXPECT_NE(timer, nullptr);
    timer->SetName(name);
    timer->SetStr(PR_ONNOTIFY, "p.lsb:tick");
    timer->SetInt(PR_DELAY, delay_ms);
    return *timer;
  }
  // One frame as the loop runs it: the clock advances, then the update pass.
  void Tick(int32_t ms) {
    clock_ms_ += ms;
    root_.UpdatePass(ms);
  }
  size_t Notifies() const { return Events(PR_ONNOTIFY).size(); }
  // The handler of the first queued event starts and returns.
  void HandleOne() {
    root_.Events[0].RunningDepth = 1;
    root_.Events.RemoveAtDepth(1);
  }

  int32_t clock_ms_ = 5000;  // a schedule starts from the clock, not from 0
};

TEST_F(Timers, FiresAtItsIntervalInFrameTimeAndDropsTicksWhileItsEventIsQueued) {
  auto& t = Timer("t", 100);
  EXPECT_EQ(t.GetCompoType(), LT_TIMER);
  EXPECT_EQ(t.LastTick, 5000);
  for (int i = 0; i < 6; ++i) Tick(16);  // 96 ms
  EXPECT_EQ(Notifies(), 0u);
  Tick(16);  // 112 ms
  EXPECT_EQ(Events(PR_ONNOTIFY), std::vector<std::string>{"p.lsb:tick()"});
  EXPECT_EQ(t.LastTick, 5100);  // the schedule keeps its own boundaries
  EXPECT_TRUE(t.Fired);
  // The handler is slow: the ticks at 200 and 300 find its event still there.
  root_.Events[0].RunningDepth = 1;
  for (int i = 0; i < 13; ++i) Tick(16);  // 320 ms
  EXPECT_EQ(Notifies(), 1u);
  EXPECT_EQ(t.LastTick, 5300);
  root_.Events.RemoveAtDepth(1);
  for (int i = 0; i < 4; ++i) Tick(16);  // 384 ms
  EXPECT_EQ(Notifies(), 0u);
  Tick(16);
  EXPECT_EQ(Notifies(), 1u);
  EXPECT_EQ(t.LastTick, 5400);
}

TEST_F(Timers, ANegativeDelayNeverFiresAndZeroFiresWheneverTheEventIsGone) {
  auto& never = Timer("never", -1);
  auto& always = Timer("always", 0);
  for (int i = 0; i < 3; ++i) Tick(16);
  EXPECT_FALSE(never.Fired);
  EXPECT_EQ(Notifies(), 1u);  // the first is still waiting
  HandleOne();
  Tick(16);
  EXPECT_EQ(Notifies(), 1u);
  EXPECT_TRUE(always.Fired);
}

TEST_F(Timers, PausingStopsTheScheduleAndWritingRestartsIt) {
  auto& t = Timer("t", 100);
  Tick(150);
  ASSERT_EQ(Notifies(), 1u);
  t.SetFlag(PR_PAUSED, true);  // restart: the waiting tick is dropped
  EXPECT_EQ(Notifies(), 0u);
  EXPECT_TRUE(t.GetFlag(PR_PAUSED));
  for (int i = 0; i < 10; ++i) Tick(100);
  EXPECT_EQ(Notifies(), 0u);
  t.SetFlag(PR_PAUSED, false);
  EXPECT_EQ(t.LastTick, clock_ms_);
  Tick(99);
  EXPECT_EQ(Notifies(), 0u);
  Tick(1);
  EXPECT_EQ(Notifies(), 1u);
  // A new delay drops the queued tick and counts from now.
  t.SetInt(PR_DELAY, 300);
  EXPECT_EQ(Notifies(), 0u);
  Tick(200);
  EXPECT_EQ(Notifies(), 0u);
  Tick(100);
  EXPECT_EQ(Notifies(), 1u);
  EXPECT_EQ(t.GetInt(PR_DELAY), 300);
  EXPECT_EQ(t.GetStr(PR_ONNOTIFY), "p.lsb:tick");
}

TEST_F(Timers, WithAutoScrapItFiresOnceAndGoesWhenItsEventHasBeenHandled) {
  auto& t = Timer("once", 50);
  t.SetFlag(PR_AUTOSCRAP, true);
  EXPECT_TRUE(t.GetFlag(PR_AUTOSCRAP));
  Tick(50);
  ASSERT_EQ(Notifies(), 1u);
  root_.Events[0].RunningDepth = 1;  // running keeps the timer
  Tick(50);
  Tick(50);
  EXPECT_EQ(root_.IndexOfName("once"), 0);
  EXPECT_EQ(Notifies(), 1u);  // it fired once only
  root_.Events.RemoveAtDepth(1);
  Tick(16);
  EXPECT_LT(root_.IndexOfName("once"), 0);
}

TEST_F(Timers, TheStoredFormRoundTripsAndALoadedTimerCountsFromTheLoadTime) {
  auto& t = Timer("t", 250);
  t.SetFlag(PR_AUTOSCRAP, true);
  Tick(250);
  ASSERT_TRUE(t.Fired);
  ByteWriter first;
  t.SaveToStream(first);
  clock_ms_ = 90000;
  auto& back = *dynamic_cast<TVeskTimer*>(root_.CreateByKind(LT_TIMER));
  ByteReader in(first.bytes().data(), first.bytes().size());
  back.LoadFromStream(in, kSaveVersion);
  EXPECT_EQ(in.remaining(), 0u);
  EXPECT_EQ(back.OnNotify, "p.lsb:tick");
  EXPECT_EQ(back.Delay, 250);
  EXPECT_TRUE(back.AutoScrap);
  EXPECT_TRUE(back.Fired);
  EXPECT_EQ(back.LastTick, 90000);
  ByteWriter second;
  back.SaveToStream(second);
  EXPECT_EQ(first.bytes(), second.bytes());
}

TEST_F(Timers, OldRecordsWithoutAutoScrapAndFiredLoad) {
  ByteWriter w;
  w.Str("old");
  w.I32(0);  // priority
  w.Str("p.lsb:tick");
  w.I32(40);
  w.U8(1);  // paused
  auto& t = *dynamic_cast<TVeskTimer*>(root_.CreateByKind(LT_TIMER));
  ByteReader in(w.bytes().data(), w.bytes().size());
  t.LoadFromStream(in, 103);
  EXPECT_EQ(in.remaining(), 0u);
  EXPECT_EQ(t.Name, "old");
  EXPECT_EQ(t.Delay, 40);
  EXPECT_TRUE(t.Paused);
  EXPECT_FALSE(t.AutoScrap);
  // A record cut short is refused, not read past its end.
  ByteReader cut(w.bytes().data(), w.bytes().size() - 1);
  auto& other = *dynamic_cast<TVeskTimer*>(root_.CreateByKind(LT_TIMER));
  EXPECT_THROW(other.LoadFromStream(cut, 103), ETruncated);
}

}  // namespace
}  // namespace vesk::components::test
