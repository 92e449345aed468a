#pragma once
// Shared by the scene tests: a box kind that answers zoom, flip, scroll,
// pause and idle, a non-visual ticker, and a 640 x 480 root without
// surfaces with helpers to build trees, drive input and read the queue.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "lang/vocabulary.h"
#include "scene/baselist.h"

namespace vesk::scene::test {

using namespace vesk::lang;  // PR_, LT_, IM_ ids
using Lines = std::vector<std::string>;

class TestBox : public TVeskControl {
 public:
  using TVeskControl::TVeskControl;
  int32_t zoom_x = 256, zoom_y = 256, scroll_x = 0, scroll_y = 0;
  bool flip_h = false, flip_v = false, paused = false,
       finish = false;  // finish: what Update answers
  std::string idle;
  int updates = 0;
  int32_t surface_w = 0, surface_h = 0;  // an own picture when not 0
  std::function<void()> on_update;

  int GetCompoType() const override { return LT_BOX; }
  int32_t GetInt(int id) const override {
    return id == PR_ZOOMX     ? zoom_x
           : id == PR_ZOOMY   ? zoom_y
           : id == PR_SCROLLX ? scroll_x
           : id == PR_SCROLLY ? scroll_y
                              : TVeskControl::GetInt(id);
  }
  bool GetFlag(int id) const override {
    return id == PR_FLIPH    ? flip_h
           : id == PR_FLIPV  ? flip_v
           : id == PR_PAUSED ? paused
                             : TVeskControl::GetFlag(id);
  }
  std::string GetStr(int id) const override {
    return id == PR_ONIDLE ? idle : TVeskControl::GetStr(id);
  }
  bool OwnSurfaceSize(int32_t* w, int32_t* h) const override {
    *w = surface_w;
    *h = surface_h;
    return surface_w != 0;
  }
  bool Update(int32_t) override {
    ++updates;
    if (on_update) on_update();
    return finish;
  }

 protected:
  // One kind field between the control part and the children.
  void TransferKindFields(RecordIO& io) override { io.I32(zoom_x, "integer"); }
};

class TestTicker : public TVeskComponent {
 public:
  using TVeskComponent::TVeskComponent;
  std::string idle;
  bool paused = false, finish = false;
  int updates = 0;
  int32_t interval = 0;  // its own stored field

  int GetCompoType() const override { return LT_TIMER; }
  std::string GetStr(int id) const override {
    return id == PR_ONIDLE ? idle : TVeskComponent::GetStr(id);
  }
  bool GetFlag(int id) const override {
    return id == PR_PAUSED ? paused : TVeskComponent::GetFlag(id);
  }
  bool Update(int32_t) override { return ++updates, finish; }
  void Transfer(RecordIO& io) override {
    TVeskComponent::Transfer(io);
    io.I32(interval, "integer");
  }
};

class SceneTest : public ::testing::Test {
 protected:
  SceneTest() {
    root.SetSceneSize(640, 480);
    root.ClearDirtyRects();
  }

  TVeskBase& Shown() { return *root.ShownBase(); }

  // A box (auto-named when `name` is empty) under `parent`, by default the
  // shown base.
  TestBox& Box(const std::string& name, int32_t left = 0, int32_t top = 0, int32_t width = 0,
               int32_t height = 0, TVeskControl* parent = nullptr) {
    TestBox* box = root.Make<TestBox>();
    if (!name.empty()) box->SetName(name);
    box->SetBounds(left, top, width, height);
    box->SetParent(parent ? parent : root.ShownBase());
    return *box;
  }
  TestTicker& Ticker(const std::string& name) {
    TestTicker* t = root.Make<TestTicker>();
    if (!name.empty()) t->SetName(name);
    return *t;
  }
  // Every handler of `c` set, to "<name>.<id>".
  static TVeskControl& AllHandlers(TVeskControl& c) {
    for (int id : {PR_ONMOUSEMOVE, PR_ONMOUSEIN, PR_ONMOUSEOUT, PR_ONLBTNDOWN, PR_ONLBTNUP,
                   PR_ONRBTNDOWN, PR_ONRBTNUP, PR_ONWHEELDOWN, PR_ONWHEELUP, PR_ONKEYDOWN,
                   PR_ONKEYUP, PR_ONKEYREPEAT, PR_ONFOCUSIN, PR_ONFOCUSOUT})
      c.SetStr(id, c.Name + "." + std::to_string(id));
    return c;
  }

  // The queue as "object id args..." lines.
  static std::string Line(const script::TTimerData& e) {
    std::string line = e.Object + " " + std::to_string(e.EventId);
    for (const std::string& a : e.Args) line += " " + a;
    return line;
  }
  Lines Queued() const {
    Lines out;
    for (const script::TTimerData& e : root.Events) out.push_back(Line(e));
    return out;
  }
  // The items of the given ids; the queue is emptied as if they had run.
  Lines Take(std::initializer_list<int> ids) {
    Lines out;
    for (const script::TTimerData& e : root.Events)
      if (std::find(ids.begin(), ids.end(), e.EventId) != ids.end()) out.push_back(Line(e));
    root.Events.Clear();
    return out;
  }
  Lines Take(int id) { return Take({id}); }

  // Window input followed by one input step.
  void MoveTo(int32_t x, int32_t y) {
    root.RecordMouseMove(x, y);
    root.InputStep(16);
  }
  void Press(int32_t x, int32_t y, bool left = true) {
    root.RecordMouseMove(x, y);
    root.RecordMouseDown(left, !left);
    root.InputStep(16);
  }
  void Release() {
    root.RecordMouseUp();
    root.InputStep(16);
  }

  // The test kinds (with the scene's own cabinet), for every root a test makes.
  static std::shared_ptr<const KindRegistry> TestKinds() {
    auto kinds = std::make_shared<KindRegistry>();
    kinds->Register(LT_BOX, [](TVeskBaseList& r) { return std::make_unique<TestBox>(&r); });
    kinds->Register(LT_TIMER, [](TVeskBaseList& r) { return std::make_unique<TestTicker>(&r); });
    return kinds;
  }
  SceneEnvironment Env() const {
    SceneEnvironment env;
    env.kinds = kinds_;
    return env;
  }

  std::shared_ptr<const KindRegistry> kinds_ = TestKinds();
  TVeskBaseList root{Env()};
};

}  // namespace vesk::scene::test
