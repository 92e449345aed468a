// Names, the control tree and its order, visibility, geometry, dirty
// rectangles, deletion and the update pass.
#include <gtest/gtest.h>

#include "scene_fixture.h"

namespace vesk::scene::test {
namespace {

using ObjectTreeTest = SceneTest;

Lines Names(const std::vector<TVeskControl*>& list) {
  Lines out;
  for (const TVeskControl* c : list) out.push_back(c->Name);
  return out;
}

// ---- Naming -----------------------------------------------------------------

TEST_F(ObjectTreeTest, NewObjectsTakeTheSmallestFreeObjectNumber) {
  TestBox& a = Box("");
  TestBox& b = Box("");
  Box("");
  EXPECT_EQ(a.Name, "object0");
  EXPECT_EQ(b.Name, "object1");
  root.DeleteObject(&b);
  EXPECT_EQ(Ticker("").Name, "object1");
}

struct RenameCase {
  Lines existing;  // names held before, in creation order
  std::string requested;
  Lines after;  // the same objects' names afterwards
};

class ControlRenameTest : public SceneTest, public ::testing::WithParamInterface<RenameCase> {};

TEST_P(ControlRenameTest, TheHolderOfTheNameIsRenumbered) {
  std::vector<TVeskObject*> objects;
  for (const std::string& n : GetParam().existing) objects.push_back(&Box(n));
  TestBox& fresh = Box("");
  fresh.SetName(GetParam().requested);
  EXPECT_EQ(fresh.Name, GetParam().requested);
  Lines after;
  for (TVeskObject* o : objects) after.push_back(o->Name);
  EXPECT_EQ(after, GetParam().after);
  EXPECT_EQ(root.ObjectCount(), static_cast<int32_t>(objects.size()) + 1);  // nobody was deleted
}

INSTANTIATE_TEST_SUITE_P(
    Names, ControlRenameTest,
    ::testing::Values(RenameCase{{"btn"}, "btn", {"btn_2"}},
                      RenameCase{{"btn_2", "btn"}, "btn", {"btn_2", "btn_3"}},  // a third btn
                      RenameCase{{"a_5"}, "a_5", {"a_6"}},  // the number goes on
                      RenameCase{{"a_5", "a_6"}, "a_5", {"a_7", "a_6"}},
                      RenameCase{{"a_1"}, "a_1", {"a_1_2"}},  // 1 is no counter
                      RenameCase{{"a_x"}, "a_x", {"a_x_2"}},  // nor is text
                      RenameCase{{"_7"}, "_7", {"_7_2"}},     // the first byte is never a separator
                      RenameCase{{"a_2_3"}, "a_2_3", {"a_2_4"}},  // only the last counter counts
                      RenameCase{{"Btn"}, "btn", {"Btn"}}));      // names compare byte for byte

TEST_F(ObjectTreeTest, ANonVisualObjectTakingANameRetiresItsHolderAndEventsFollowTheirObject) {
  TestTicker& old_timer = Ticker("tick");
  old_timer.QueueEvent(PR_ONIDLE, "idle");
  TestTicker& new_timer = Ticker("");
  new_timer.SetName("tick");
  EXPECT_EQ(old_timer.Name, "");
  EXPECT_TRUE(root.IsDying(&old_timer));
  EXPECT_TRUE(Queued().empty());  // its waiting tick does not pass to the successor
  root.UpdatePass(16);
  ASSERT_EQ(root.ObjectCount(), 1);
  EXPECT_EQ(root.GetObject(0), &new_timer);

  // A renumbered control keeps its waiting click.
  Box("btn").QueueEvent(PR_ONLBTNDOWN, "click");
  Box("btn");
  EXPECT_EQ(Queued(), (Lines{"btn_2 36"}));
}

// ---- Order and visibility ----------------------------------------------------

TEST_F(ObjectTreeTest, ChildrenAreOrderedBySystemNamesPriorityAndName) {
  Box("b");
  Box("a");
  Box("\x82\xa0");  // a double-byte name sorts after ASCII
  Box("z").SetInt(PR_PRIORITY, -5);
  Box("top").SetInt(PR_PRIORITY, 10);
  Box(std::string("\x01\x01", 2)).SetInt(PR_PRIORITY, -100);  // the flip snapshot stays on top
  Box("\x01sys").SetInt(PR_PRIORITY, 100);                    // other system objects go below
  EXPECT_EQ(Names(Shown().Children),
            (Lines{"\x01sys", "z", "a", "b", "\x82\xa0", "top", std::string("\x01\x01", 2)}));
  // Writing the priority drops the bias a motion set, and re-sorts.
  TestBox& a = *static_cast<TestBox*>(root.FindControl("a"));
  a.PriorityBias = 5;
  Shown().SortChildren();
  EXPECT_EQ(Shown().Children[4], &a);
  a.SetInt(PR_PRIORITY, 0);
  EXPECT_EQ(a.PriorityBias, 0);
  EXPECT_EQ(Shown().Children[2], &a);
}

TEST_F(ObjectTreeTest, VisibilityNeedsTheWholeParentChain) {
  TestBox& parent = Box("parent");
  TestBox& child = Box("child", 0, 0, 0, 0, &parent);
  EXPECT_TRUE(child.GetFlag(PR_VISIBLE));
  parent.SetFlag(PR_VISIBLE, false);
  EXPECT_FALSE(child.GetFlag(PR_VISIBLE));
  EXPECT_EQ(child.Visible, 1);
  parent.SetFlag(PR_VISIBLE, true);
  Shown().Visible = 0;
  EXPECT_FALSE(child.GetFlag(PR_VISIBLE));
  Shown().Visible = 1;

  TestBox* orphan = root.Make<TestBox>();  // never given a parent
  EXPECT_FALSE(orphan->GetFlag(PR_VISIBLE));
  TVeskCabinet* cabinet = root.Make<TVeskCabinet>();
  cabinet->SetParent(&Shown());
  EXPECT_FALSE(cabinet->GetFlag(PR_VISIBLE));
  EXPECT_FALSE(Ticker("t").GetFlag(PR_VISIBLE));
}

TEST_F(ObjectTreeTest, ReparentingByNameIgnoresUnknownNamesCyclesAndBases) {
  TestBox& a = Box("a");
  TestBox& b = Box("b", 0, 0, 0, 0, &a);
  EXPECT_EQ(b.GetStr(PR_PARENT), "a");
  b.SetStr(PR_PARENT, "nobody");
  EXPECT_EQ(b.Parent, &a);
  a.SetStr(PR_PARENT, "b");  // would make a cycle
  EXPECT_EQ(a.Parent, &Shown());
  a.SetStr(PR_PARENT, "a");
  EXPECT_EQ(a.Parent, &Shown());
  Shown().SetStr(PR_PARENT, "a");
  EXPECT_EQ(Shown().Parent, nullptr);
  b.SetStr(PR_PARENT, std::string(1, '\x01'));  // the back base
  EXPECT_EQ(b.Parent, root.BackBase());
  b.SetStr(PR_PARENT, "");  // the shown base
  EXPECT_EQ(b.Parent, &Shown());
  EXPECT_TRUE(a.Children.empty());
}

// ---- Geometry ------------------------------------------------------------------

struct GeometryCase {
  const char* what;
  int32_t left, width, offset, zoom;
  bool flip, pos_zoomed;
  int32_t scene_left, local_left;
};
void PrintTo(const GeometryCase& c, std::ostream* os) {
  *os << c.what;
}

class GeometryTest : public SceneTest, public ::testing::WithParamInterface<GeometryCase> {};

TEST_P(GeometryTest, HorizontalAndVerticalPlacement) {
  const GeometryCase& g = GetParam();
  TestBox& parent = Box("parent", 100, 20, 300, 300);
  TestBox& free = Box("free", g.left, g.left, g.width, g.width);
  TestBox& child = Box("child", g.left, g.left, g.width, g.width, &parent);
  for (TestBox* b : {&free, &child}) {
    b->OffsetX = b->OffsetY = g.offset;
    b->zoom_x = b->zoom_y = g.zoom;
    b->flip_h = b->flip_v = g.flip;
    b->PosZoomed = g.pos_zoomed;
  }
  EXPECT_EQ(free.GetSceneLeft(), g.scene_left);
  EXPECT_EQ(free.GetSceneTop(), g.scene_left);
  EXPECT_EQ(free.GetLocalLeft(), g.local_left);
  EXPECT_EQ(free.GetLocalTop(), g.local_left);
  EXPECT_EQ(child.GetSceneLeft(), 100 + g.scene_left);
  EXPECT_EQ(child.GetSceneTop(), 20 + g.scene_left);
  parent.scroll_x = 7;
  parent.scroll_y = 3;
  EXPECT_EQ(child.GetSceneLeft(), 93 + g.scene_left);
  EXPECT_EQ(child.GetSceneTop(), 17 + g.scene_left);
}

INSTANTIATE_TEST_SUITE_P(
    Anchors, GeometryTest,
    ::testing::Values(GeometryCase{"plain", 50, 100, 10, 256, false, false, 40, 40},
                      GeometryCase{"flipped", 50, 100, 10, 256, true, false, -39, -40},
                      GeometryCase{"zoomed", 50, 100, 10, 512, false, false, 30, 30},
                      GeometryCase{"zoomed_flipped", 50, 100, 10, 512, true, false, -29, -30},
                      GeometryCase{"zoomed_position", 50, 100, 10, 512, false, true, 80, 80},
                      GeometryCase{"truncates_toward_zero", 0, 100, -3, 128, false, false, 1, 1},
                      GeometryCase{"zoomed_flip_truncates", 0, 100, 3, 128, true, false, -98,
                                   -99}));

TEST_F(ObjectTreeTest, AZoomedChildOnAPictureIsPlacedThroughThePicturesScale) {
  // The parent shows a 200-pixel picture in 100 pixels: positions halve,
  // rounding half up.
  TestBox& parent = Box("parent", 40, 0, 100, 100);
  parent.surface_w = parent.surface_h = 200;
  TestBox& child = Box("child", 31, 30, 10, 10, &parent);
  child.surface_w = child.surface_h = 10;
  child.PosZoomed = 1;
  EXPECT_EQ(child.GetSceneLeft(), 40 + 16);  // 15.5
  EXPECT_EQ(child.GetSceneTop(), 15);
  child.flip_h = true;  // (200 - 31 - 10) / 2 = 79.5
  EXPECT_EQ(child.GetSceneLeft(), 40 + 80);
  child.zoom_x = 512;  // zoom differs from the parent's: the plain rule
  EXPECT_EQ(child.GetSceneLeft(), 40 + 31 * 2 - (10 - 1));
}

TEST_F(ObjectTreeTest, PositionsNearTheIntegerLimitWrapAsThirtyTwoBitSums) {
  // Scripts and saved games may store any 32-bit geometry; sums of it wrap
  // instead of being undefined, and a frame over such controls runs.
  TestBox& parent = Box("parent", INT32_MAX, INT32_MIN, 10, 10);
  parent.scroll_x = INT32_MIN;
  TestBox& child = Box("child", INT32_MAX, 0, INT32_MAX, 10, &parent);
  child.OffsetY = INT32_MIN;
  child.ClipLeft = INT32_MAX;
  child.ClipWidth = child.ClipHeight = 5;
  EXPECT_EQ(child.GetSceneLeft(), static_cast<int32_t>(int64_t{INT32_MAX} * 2 - INT32_MIN));
  EXPECT_EQ(child.GetSceneTop(), static_cast<int32_t>(int64_t{INT32_MIN} - INT32_MIN));
  EXPECT_EQ(child.SceneRect().right,
            static_cast<int32_t>(int64_t{child.GetSceneLeft()} + INT32_MAX));
  EXPECT_EQ(child.ClipRect().left, static_cast<int32_t>(int64_t{child.GetSceneLeft()} + INT32_MAX));
  MoveTo(5, 5);
  root.UpdatePass(16);
}

// ---- Dirty rectangles -------------------------------------------------------------

struct DirtyCase {
  const char* what;
  std::vector<Rect> added;
  std::vector<Rect> recorded;
};
void PrintTo(const DirtyCase& c, std::ostream* os) {
  *os << c.what;
}

class DirtyRectTest : public SceneTest, public ::testing::WithParamInterface<DirtyCase> {};

TEST_P(DirtyRectTest, NearRectanglesMerge) {
  for (const Rect& r : GetParam().added) Shown().AddDirtyRect(r);
  EXPECT_EQ(Shown().DirtyRects, GetParam().recorded);
}

INSTANTIATE_TEST_SUITE_P(
    Merging, DirtyRectTest,
    ::testing::Values(
        DirtyCase{"gap_15", {{0, 0, 10, 10}, {25, 0, 35, 10}}, {{0, 0, 35, 10}}},
        DirtyCase{"gap_25", {{0, 0, 10, 10}, {35, 0, 45, 10}}, {{0, 0, 10, 10}, {35, 0, 45, 10}}},
        DirtyCase{"gap_20", {{0, 0, 10, 10}, {30, 0, 40, 10}}, {{0, 0, 40, 10}}},
        DirtyCase{"gap_21", {{0, 0, 10, 10}, {31, 0, 41, 10}}, {{0, 0, 10, 10}, {31, 0, 41, 10}}},
        DirtyCase{"vertical_gap_15", {{0, 100, 10, 110}, {0, 70, 10, 85}}, {{0, 70, 10, 110}}},
        DirtyCase{"inside", {{0, 0, 50, 50}, {10, 10, 20, 20}}, {{0, 0, 50, 50}}},
        // The union of the new one and the first reaches the second.
        DirtyCase{"cascade", {{0, 0, 10, 10}, {60, 0, 70, 10}, {25, 0, 40, 10}}, {{0, 0, 70, 10}}},
        DirtyCase{"clamped",
                  {{-10, -10, 5, 5}, {630, 470, 700, 500}},
                  {{0, 0, 5, 5}, {630, 470, 640, 480}}},
        DirtyCase{"outside", {{640, 0, 700, 10}, {0, -20, 10, 0}}, {}}));

TEST_F(ObjectTreeTest, MovingAControlMarksItsOldAndNewPlaces) {
  TestBox& box = Box("box", 0, 0, 10, 10);
  root.ClearDirtyRects();
  box.SetInt(PR_LEFT, 100);
  EXPECT_EQ(Shown().DirtyRects, (std::vector<Rect>{{0, 0, 10, 10}, {100, 0, 110, 10}}));
  root.ClearDirtyRects();
  box.SetInt(PR_LEFT, 100);  // unchanged
  EXPECT_TRUE(Shown().DirtyRects.empty());

  box.SetInt(PR_CLIPLEFT, 2);
  box.SetInt(PR_CLIPTOP, 3);
  box.SetInt(PR_CLIPWIDTH, 4);
  root.ClearDirtyRects();
  box.SetInt(PR_CLIPHEIGHT, 5);  // now clipping: the new area is the clip
  EXPECT_EQ(Shown().DirtyRects, (std::vector<Rect>{{100, 0, 110, 10}}));
  root.ClearDirtyRects();
  box.SetInt(PR_COLOR, 0xFF);
  EXPECT_EQ(Shown().DirtyRects, (std::vector<Rect>{{102, 3, 106, 8}}));

  root.ClearDirtyRects();
  box.SetFlag(PR_VISIBLE, false);
  box.SetInt(PR_LEFT, 300);  // a hidden control draws nothing
  EXPECT_EQ(Shown().DirtyRects, (std::vector<Rect>{{102, 3, 106, 8}}));

  TestBox& parent = Box("parent", 300, 300, 50, 50);  // a child is marked only inside its parent
  TestBox& child = Box("child", 40, 40, 30, 30, &parent);
  root.ClearDirtyRects();
  child.SetInt(PR_LEFT, 60);
  EXPECT_EQ(Shown().DirtyRects, (std::vector<Rect>{{340, 340, 350, 350}}));
}

// ---- Deletion and the update pass --------------------------------------------------

TEST_F(ObjectTreeTest, DeletingAControlTakesItsSubtreeAndItsWaitingEvents) {
  TestBox& parent = Box("parent");
  TestBox& child = Box("child", 0, 0, 0, 0, &parent);
  Box("grandchild", 0, 0, 0, 0, &child);
  TestBox& other = Box("other");
  child.QueueEvent(PR_ONLBTNDOWN, "waiting");
  parent.QueueEvent(PR_ONLBTNUP, "running");
  root.Events[1].RunningDepth = 1;
  other.QueueEvent(PR_ONLBTNUP, "other");

  root.DeleteObject(&parent);
  ASSERT_EQ(root.ObjectCount(), 1);
  EXPECT_EQ(root.GetObject(0), &other);
  EXPECT_EQ(Names(Shown().Children), (Lines{"other"}));
  EXPECT_EQ(Queued(), (Lines{"parent 37", "other 37"}));  // running items stay
}

TEST_F(ObjectTreeTest, UpdatePassStepsEachObjectOnceAndDeletesTheFinishedOnes) {
  TestTicker& paused = Ticker("paused");
  paused.finish = paused.paused = true;  // stands still
  TVeskCabinet* cabinet = root.Make<TVeskCabinet>();
  cabinet->SetParent(root.GetBaseAt(0));
  TestBox& stored = Box("stored", 0, 0, 0, 0, cabinet);  // set aside
  stored.finish = true;
  TestBox& doomed = Box("doomed");
  root.ScheduleDelete(&doomed);  // not stepped, gone at the end
  TestBox& a = Box("a");
  TestBox& b = Box("b");
  Box("done").finish = true;  // deleted at once; the next one moves into its place
  TestBox& last = Box("last");
  b.on_update = [&] { root.DeleteObject(&a); };  // an earlier object goes

  root.UpdatePass(16);
  EXPECT_EQ(paused.updates + stored.updates, 0);
  EXPECT_EQ(b.updates, 1);
  EXPECT_EQ(last.updates, 1);
  Lines left;
  for (int32_t i = 0; i < root.ObjectCount(); ++i) left.push_back(root.GetObject(i)->Name);
  EXPECT_EQ(left, (Lines{"paused", cabinet->Name, "stored", "b", "last"}));
  EXPECT_FALSE(root.IsDying(&doomed));
}

TEST_F(ObjectTreeTest, IdleEventsAreQueuedOncePerObjectUntilHandled) {
  TestTicker& ticker = Ticker("ticker");
  ticker.idle = "idle.lsb";
  ticker.paused = true;  // paused objects still idle
  Box("box").idle = "box.lsb";
  TVeskCabinet* cabinet = root.Make<TVeskCabinet>();
  cabinet->SetParent(&Shown());
  Box("stored", 0, 0, 0, 0, cabinet).idle = "stored.lsb";

  root.UpdatePass(16);
  root.UpdatePass(16);
  EXPECT_EQ(Queued(), (Lines{"ticker 113", "box 113"}));
  root.Events[0].RunningDepth = 1;  // still running: no second one
  root.UpdatePass(16);
  EXPECT_EQ(Take(PR_ONIDLE).size(), 2u);
  root.UpdatePass(16);
  EXPECT_EQ(Queued().size(), 2u);
}

}  // namespace
}  // namespace vesk::scene::test
