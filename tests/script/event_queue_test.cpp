// The event queue's bookkeeping and how handler references are split.
#include "script/event_queue.h"

#include <gtest/gtest.h>

#include <ostream>

namespace vesk::script {
namespace {

TEST(EventQueueTest, WaitingItemsAreHandedOutInArrivalOrderAndLeaveByLevel) {
  TTimerList q;
  q.Enqueue("a", "a.lsb", {"1", "2"}, 36);
  q.Enqueue("b", "b.lsb", {}, 37);
  q.Enqueue("c", "c.lsb", {}, 36);
  ASSERT_EQ(q.NextWaiting(), &q[0]);
  EXPECT_EQ(q[0].Args, (std::vector<std::string>{"1", "2"}));
  q[0].RunningDepth = 1;
  ASSERT_EQ(q.NextWaiting(), &q[1]);
  q[1].RunningDepth = 2;
  EXPECT_EQ(q.FindWaiting("a", 36), 0);  // running items count too
  EXPECT_EQ(q.FindWaiting("a", 37), -1);

  q.RemoveAtDepth(2);
  ASSERT_EQ(q.Count(), 2u);
  EXPECT_EQ(q[0].Object, "a");
  EXPECT_EQ(q[1].Object, "c");
  q.RemoveRunning();
  ASSERT_EQ(q.Count(), 1u);
  EXPECT_EQ(q[0].Object, "c");
}

TEST(EventQueueTest, AnObjectsDestructionTakesOnlyItsWaitingItems) {
  TTimerList q;
  q.Enqueue("btn", "a.lsb", {}, 36).RunningDepth = 1;
  q.Enqueue("btn", "b.lsb", {}, 37);
  q.Enqueue("other", "c.lsb", {}, 37);
  q.RemoveWaitingOf("btn");
  ASSERT_EQ(q.Count(), 2u);
  EXPECT_EQ(q[0].Handler, "a.lsb");
  EXPECT_EQ(q[1].Object, "other");
}

TEST(EventQueueTest, LevelSpansAreRemovedInOnePass) {
  TTimerList q;
  for (int32_t depth : {0, 1, 2, 5}) q.Enqueue("o", "p.lsb", {}, 1).RunningDepth = depth;
  q.RemoveAtDepths(1, INT32_MAX);  // a hostile level must not loop for ever
  ASSERT_EQ(q.Count(), 1u);
  EXPECT_TRUE(q[0].Waiting());
}

struct SplitCase {
  std::string handler, page, label;
};
void PrintTo(const SplitCase& c, std::ostream* os) {
  *os << '"' << c.handler << '"';
}

class SplitHandlerTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitHandlerTest, PageAndLabel) {
  const HandlerTarget t = SplitHandler(GetParam().handler);
  EXPECT_EQ(t.Page, GetParam().page);
  EXPECT_EQ(t.Label, GetParam().label);
}

INSTANTIATE_TEST_SUITE_P(
    References, SplitHandlerTest,
    ::testing::Values(SplitCase{"page.lsb:label", "page.lsb", "label"},
                      SplitCase{"page.lss:label", "page.lsb",
                                "label"},  // the source page's extension
                      SplitCase{"page.lsb", "page.lsb", ""}, SplitCase{"page.lsb:", "page.lsb", ""},
                      SplitCase{"a:b.lsb:c", "a:b.lsb", "c"},
                      // A ':' in front of the last '.' or '\' belongs to the path.
                      SplitCase{"dir:x\\page.lsb", "dir:x\\page.lsb", ""},
                      SplitCase{"dir.x\\page.lsb", "dir.x\\page.lsb", ""},
                      SplitCase{"dir.x\\page.lsb:go", "dir.x\\page.lsb", "go"},
                      // 0x95 0x5C is one character: its '\' does not end the label.
                      SplitCase{"p.lsb:\x95\x5C", "p.lsb", "\x95\x5C"},
                      // Nor does a '.' or ':' that follows a lead byte.
                      SplitCase{"p.lsb:a\x81.b", "p.lsb", "a\x81.b"},
                      SplitCase{"p.lsb:ab\x81:cd", "p.lsb", "ab\x81:cd"},
                      SplitCase{"ab", "lsb", ""}));

}  // namespace
}  // namespace vesk::script
