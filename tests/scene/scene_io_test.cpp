// The stored form of the scene (current and older versions), reset, and the
// scene side of the creation and cabinet commands.
#include <gtest/gtest.h>

#include <algorithm>

#include "scene/scene_port.h"
#include "scene_fixture.h"

namespace vesk::scene::test {
namespace {

constexpr int32_t kVersion = 120;

// ---- An independent writer of the stored form ---------------------------------

struct ControlModel {
  int kind = LT_BOX;  // 0 for a base: no kind fields
  std::string name;
  int32_t priority = 0, bias = 0;
  std::string tag;
  int32_t left = 0, top = 0, width = 0, height = 0, offset_x = 0, offset_y = 0;
  uint8_t pos_zoomed = 0;
  int32_t clip[4] = {0, 0, 0, 0};
  uint8_t ani_paused = 0, visible = 1;
  int32_t color = 0;
  int32_t saved_rect[4] = {0, 0, 1, 1};
  uint8_t ignore_mouse = 0;
  std::string cursor;
  std::string mouse[9];  // move, in, out, ldown, lup, rdown, rup, wheel down, wheel up
  uint8_t handle_key = 0;
  std::string keys[5];  // down, up, repeat, focus in, focus out
  int32_t zoom = 256;   // the test box's own field
  std::vector<ControlModel> children;
};

struct EventModel {
  std::string handler, object;
  uint8_t id;
  int32_t depth;
  std::vector<std::string> args;
};

struct SceneModel {
  int32_t width = 320, height = 240, shown = 0;
  ControlModel bases[2];
  std::vector<std::pair<std::string, int32_t>> tickers;  // name, interval
  std::vector<EventModel> events;
  std::string focus;
};

void WriteControl(ByteWriter& w, const ControlModel& m, int32_t v) {
  w.Str(m.name);
  w.I32(m.priority);
  if (v > 103) w.I32(m.bias);
  if (v >= 120) w.Str(m.tag);
  for (int32_t x : {m.left, m.top, m.width, m.height, m.offset_x, m.offset_y}) w.I32(x);
  w.U8(m.pos_zoomed);
  if (v > 103) {
    for (int32_t x : m.clip) w.I32(x);
    w.U8(m.ani_paused);
  }
  w.U8(m.visible);
  w.I32(m.color);
  for (int32_t x : m.saved_rect) w.I32(x);
  w.U8(m.ignore_mouse);
  w.Str(m.cursor);
  for (int i = 0; i < 9; ++i)
    if (i != 1 || v > 101) w.Str(m.mouse[i]);
  if (v > 117) {
    w.U8(m.handle_key);
    for (const std::string& k : m.keys) w.Str(k);
  }
  if (m.kind == LT_BOX) w.I32(m.zoom);
  w.I32(static_cast<int32_t>(m.children.size()));
  for (const ControlModel& c : m.children) {
    w.U8(static_cast<uint8_t>(c.kind));
    WriteControl(w, c, v);
  }
}

std::vector<uint8_t> WriteScene(const SceneModel& s, int32_t v) {
  ByteWriter w;
  w.I32(s.width);
  w.I32(s.height);
  w.I32(s.shown);
  for (const ControlModel& b : s.bases) WriteControl(w, b, v);
  w.I32(static_cast<int32_t>(s.tickers.size()));
  for (const auto& [name, interval] : s.tickers) {
    w.U8(LT_TIMER);
    w.Str(name);
    w.I32(0);
    if (v > 103) w.I32(0);
    if (v >= 120) w.Str("");
    w.I32(interval);
  }
  w.I32(static_cast<int32_t>(s.events.size()));
  for (const EventModel& e : s.events) {
    w.Str(e.handler);
    w.Str(e.object);
    w.U8(e.id);
    if (v <= 113)
      w.U8(static_cast<uint8_t>(e.depth));
    else
      w.I32(e.depth);
    w.I32(static_cast<int32_t>(e.args.size()));
    for (const std::string& a : e.args) w.Str(a);
  }
  if (v > 118) w.Str(s.focus);
  return w.bytes();
}

// A scene with every control field set: a panel holding edit1 on the shown
// base, one control on the back base, a ticker, two events, focus on edit1.
SceneModel Sample() {
  SceneModel s;
  for (int i = 0; i < 2; ++i) {
    s.bases[i].kind = 0, s.bases[i].width = 320, s.bases[i].height = 240;
    s.bases[i].name = std::string("\x01") + (i ? "BASE1" : "BASE0");
  }
  ControlModel panel;
  panel.name = "panel", panel.priority = 3, panel.bias = 2, panel.tag = "tag",
  panel.cursor = "hand.cur";
  panel.left = 10, panel.top = 20, panel.width = 200, panel.height = 100, panel.offset_x = 4,
  panel.offset_y = 5;
  panel.pos_zoomed = 1, panel.ani_paused = 1, panel.visible = 0, panel.handle_key = 1,
  panel.ignore_mouse = IM_CLICK;
  panel.color = 0x123456, panel.zoom = 300;
  for (int i = 0; i < 4; ++i) panel.clip[i] = i + 60, panel.saved_rect[i] = i + 7;
  for (int i = 0; i < 9; ++i) panel.mouse[i] = "m" + std::to_string(i) + ".lsb";
  for (int i = 0; i < 5; ++i) panel.keys[i] = "k" + std::to_string(i) + ".lsb";
  ControlModel edit;
  edit.name = "edit1", edit.width = edit.height = 20, edit.handle_key = 1,
  edit.keys[3] = "focus_in.lsb";
  panel.children.push_back(edit);
  s.bases[0].children.push_back(panel);
  ControlModel back;
  back.name = "back";
  s.bases[1].children.push_back(back);
  s.tickers.push_back({"ticker", 250});
  s.events.push_back({"click.lsb:L1", "panel", PR_ONLBTNDOWN, 0, {"1", "2"}});
  s.events.push_back({"idle.lsb", "ticker", PR_ONIDLE, 2, {}});
  s.focus = "edit1";
  return s;
}

class SceneIoTest : public SceneTest {
 protected:
  void Load(TVeskBaseList& into, const std::vector<uint8_t>& bytes, int32_t version) {
    ByteReader in(bytes.data(), bytes.size());
    into.LoadFromStream(in, version);
    EXPECT_TRUE(in.at_end()) << in.remaining() << " bytes left";
  }
  static std::vector<uint8_t> Save(const TVeskBaseList& r) {
    ByteWriter w;
    r.SaveToStream(w);
    return w.bytes();
  }
};

TEST_F(SceneIoTest, ASavedSceneComesBackWithItsTreeEventsAndFocus) {
  const std::vector<uint8_t> written = WriteScene(Sample(), kVersion);
  Load(root, written, kVersion);
  EXPECT_EQ(Save(root), written);  // the saver writes the layout the loader reads
  Box("\x01snap", 0, 0, 0, 0, root.FindControl("panel"));  // system objects are not saved,
  root.ScheduleDelete(&Box("leaving"));                    // nor are dying ones
  root.ScheduleDelete(&Ticker("retired"));
  EXPECT_EQ(Save(root), written);
  root.Events.Enqueue("gone", "lost.lsb", {}, PR_ONLBTNUP);  // its object is not registered

  TVeskBaseList fresh(Env());
  Load(fresh, Save(root), kVersion);
  EXPECT_EQ(fresh.SceneWidth(), 320);
  auto* panel = dynamic_cast<TestBox*>(fresh.FindControl("panel"));
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->Parent, fresh.GetBaseAt(0));
  EXPECT_EQ(panel->zoom_x, 300);
  EXPECT_EQ(panel->SavedRect, (Rect{7, 8, 9, 10}));
  ASSERT_EQ(panel->Children.size(), 1u);
  TVeskControl* edit = panel->Children[0];
  EXPECT_EQ(edit->Name, "edit1");
  EXPECT_EQ(fresh.FindControl("back")->Parent, fresh.GetBaseAt(1));
  EXPECT_EQ(dynamic_cast<TestTicker*>(fresh.FindComponent("ticker"))->interval, 250);
  EXPECT_EQ(fresh.Focus(), edit);
  EXPECT_FALSE(fresh.RefocusPending());
  ASSERT_EQ(fresh.Events.Count(), 3u);  // no focus-in event was added
  EXPECT_EQ(fresh.Events[0].Args, (Lines{"1", "2"}));
  EXPECT_EQ(fresh.Events[2].Object, "");
  EXPECT_EQ(fresh.GetBaseAt(1)->DirtyRects, (std::vector<Rect>{{0, 0, 320, 240}}));  // wholly dirty
}

class OlderVersions : public SceneIoTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(OlderVersions, FieldsAVersionLacksTakeTheirDefaults) {
  const int32_t v = GetParam();
  Load(root, WriteScene(Sample(), v), v);
  auto* panel = dynamic_cast<TestBox*>(root.FindControl("panel"));
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->Priority, 3);
  EXPECT_EQ(panel->PriorityBias, v > 103 ? 2 : 0);
  EXPECT_EQ(panel->Tag, v >= 120 ? "tag" : "");
  EXPECT_EQ(panel->ClipHeight, v > 103 ? 63 : 0);
  EXPECT_EQ(panel->AniPaused, v > 103 ? 1 : 0);
  EXPECT_EQ(panel->Color, 0x123456);
  EXPECT_EQ(panel->MouseHandlers[kOnMouseMove], "m0.lsb");
  EXPECT_EQ(panel->MouseHandlers[kOnMouseIn], v > 101 ? "m1.lsb" : "");
  EXPECT_EQ(panel->MouseHandlers[kOnMouseOut], "m2.lsb");
  EXPECT_EQ(panel->MouseHandlers[kOnWheelUp], "m8.lsb");
  EXPECT_EQ(panel->HandleKey, v > 117 ? 1 : 0);
  EXPECT_EQ(panel->KeyHandlers[kOnFocusOut], v > 117 ? "k4.lsb" : "");
  EXPECT_EQ(panel->zoom_x, 300);
  ASSERT_EQ(root.Events.Count(), 2u);
  EXPECT_EQ(root.Events[1].RunningDepth, v <= 113 ? 1 : 2);
  EXPECT_EQ(root.Focus(), v > 118 ? root.FindControl("edit1") : nullptr);
}

INSTANTIATE_TEST_SUITE_P(Versions, OlderVersions,
                         ::testing::Values(101, 103, 104, 113, 114, 117, 118, 119, 120));

TEST_F(SceneIoTest, DamagedStreamsAreRefused) {
  std::vector<uint8_t> bytes = WriteScene(Sample(), kVersion);
  for (size_t cut : {size_t{4}, size_t{40}, bytes.size() - 1}) {
    TVeskBaseList fresh(Env());
    ByteReader in(bytes.data(), cut);
    EXPECT_THROW(fresh.LoadFromStream(in, kVersion), ETruncated) << cut;
  }
  SceneModel unknown = Sample();
  unknown.bases[0].children[0].kind = 1;  // a kind nothing makes
  bytes = WriteScene(unknown, kVersion);
  ByteReader in(bytes.data(), bytes.size());
  EXPECT_THROW(root.LoadFromStream(in, kVersion), ETruncated);
}

// ---- Creation and cabinets ----------------------------------------------------------

class CommandPortTest : public SceneTest {
 protected:
  static std::vector<std::string> Children(const TVeskControl& c) {
    std::vector<std::string> out;
    for (const TVeskControl* child : c.Children) out.push_back(child->Name);
    return out;
  }
  static SceneCommandPort::NameFilter Only(std::vector<std::string> names) {
    return [names](const std::string& n) {
      return std::find(names.begin(), names.end(), n) != names.end();
    };
  }
  SceneCommandPort port{root};
};

TEST_F(CommandPortTest, CreationPropertiesNameParentAndTag) {
  TVeskObject* o = port.CreateByKind(0x80 | LT_BOX);  // the high bit is ignored
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->Name, "object0");
  port.ApplyCreationProperty(*o, PR_NAME, std::string());  // an empty name keeps the generated one
  EXPECT_EQ(o->Name, "object0");
  port.ApplyCreationProperty(*o, PR_NAME, std::string("img"));
  port.ApplyCreationProperty(*o, PR_PARENT, std::string("nobody"));  // unknown: the shown base
  EXPECT_EQ(o->AsControl()->Parent, &Shown());
  port.ApplyCreationProperty(*o, PR_TAG, std::string("t"));
  port.ApplyCreationProperty(*o, PR_LEFT, int32_t{12});
  port.ApplyCreationProperty(*o, PR_POSZOOMED, true);
  port.CreationComplete(*o);
  EXPECT_EQ(o->Name, "img");
  EXPECT_EQ(o->Tag, "t");
  EXPECT_EQ(o->AsControl()->Left, 12);
  EXPECT_EQ(o->AsControl()->PosZoomed, 1);

  TVeskObject* loose = port.CreateByKind(LT_BOX);
  port.CreationComplete(*loose);  // no parent given: the shown base
  EXPECT_EQ(loose->AsControl()->Parent, &Shown());
  for (int kind : {0, 1, 10, 28, 127}) EXPECT_EQ(port.CreateByKind(kind), nullptr) << kind;
}

TEST_F(CommandPortTest, CreationValuesReachPropertiesOfAnotherType) {
  // Creation reads HandleKey as a flag; the control keeps it as a number.
  TVeskObject* o = port.CreateByKind(LT_BOX);
  port.ApplyCreationProperty(*o, PR_HANDLEKEY, true);
  port.ApplyCreationProperty(*o, PR_ONKEYDOWN, std::string("p.lsb:key"));
  port.CreationComplete(*o);
  EXPECT_EQ(o->GetInt(PR_HANDLEKEY), 1);
  root.InputStep(16);
  EXPECT_EQ(root.Focus(), o->AsControl());
  TVeskObject* off = port.CreateByKind(LT_BOX);
  port.ApplyCreationProperty(*off, PR_HANDLEKEY, false);
  EXPECT_EQ(off->GetInt(PR_HANDLEKEY), 0);
}

TEST_F(CommandPortTest, CabinetsStoreAndReturnSelectedChildrenOfTheBackBase) {
  for (const char* n : {"a", "b", "c"}) Box(n, 0, 0, 0, 0, root.BackBase());
  port.SaveCabinet("cab", Only({"a", "c", "zzz"}));
  auto* cab = dynamic_cast<TVeskCabinet*>(root.FindComponent("cab"));
  ASSERT_NE(cab, nullptr);
  EXPECT_EQ(cab->Parent, root.GetBaseAt(0));
  EXPECT_EQ(Children(*cab), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(Children(*root.BackBase()), (std::vector<std::string>{"b"}));
  EXPECT_TRUE(root.FindControl("a")->IsInCabinet());

  port.SaveCabinet("cab", Only({"b"}));  // the same cabinet takes more
  EXPECT_EQ(Children(*cab), (std::vector<std::string>{"a", "b", "c"}));
  dynamic_cast<TestBox*>(root.FindControl("b"))->finish = true;
  root.UpdatePass(16);  // stored controls stand still
  EXPECT_NE(root.FindControl("b"), nullptr);

  // Saved games keep cabinets with their contents.
  ByteWriter w;
  root.SaveToStream(w);
  TVeskBaseList fresh(Env());
  ByteReader in(w.bytes().data(), w.bytes().size());
  fresh.LoadFromStream(in, kVersion);
  ASSERT_NE(fresh.FindControl("cab"), nullptr);
  EXPECT_EQ(Children(*fresh.FindControl("cab")), (std::vector<std::string>{"a", "b", "c"}));

  port.LoadCabinet("cab", Only({"a"}));
  EXPECT_EQ(Children(*root.BackBase()), (std::vector<std::string>{"a"}));
  port.LoadCabinet("cab", [](const std::string&) { return true; });
  EXPECT_EQ(Children(*root.BackBase()), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(root.FindComponent("cab"), nullptr);  // emptied: deleted
}

TEST_F(CommandPortTest, EmptyOrMissingCabinetsLeaveNothingBehind) {
  Box("a", 0, 0, 0, 0, root.BackBase());
  Box("shown", 0, 0, 0, 0, &Shown());
  const int32_t count = root.ObjectCount();
  port.SaveCabinet("none", Only({"shown"}));  // only back-base children are taken
  EXPECT_EQ(root.FindComponent("none"), nullptr);
  EXPECT_EQ(root.ObjectCount(), count);
  port.LoadCabinet("nobody", Only({"a"}));
  port.LoadCabinet("a", Only({"a"}));  // not a cabinet
  EXPECT_EQ(root.FindControl("a")->Parent, root.BackBase());

  port.SaveCabinet("", Only({"a"}));  // an unnamed cabinet gets a generated name
  TVeskControl* a = root.FindControl("a");
  ASSERT_NE(a->Parent, nullptr);
  EXPECT_TRUE(a->Parent->IsCabinet());
  EXPECT_EQ(a->Parent->Name.rfind("object", 0), 0u);
}

}  // namespace
}  // namespace vesk::scene::test
