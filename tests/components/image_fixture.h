#pragma once
// Shared by the image component tests: a fake picture decoder whose files
// are described in the test (frames of given pixels, keys, masks and
// delays), and a scene root wired to a picture cache and a variable table,
// drawing into a small 32-bit screen.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "components/component_services.h"
#include "components/kinds.h"
#include "components/orlo_collection.h"
#include "expr/param_collection.h"
#include "graphics/dibsfc.h"
#include "lang/vocabulary.h"
#include "scene/baselist.h"

namespace vesk::components::test {

using namespace vesk::lang;

// One frame of a fake file: pixels are colour values 0x00BBGGRR, row by
// row; `mask` (when not empty) the matching mask values.
struct FakeFrame {
  int w = 1, h = 1;
  std::vector<int32_t> pixels;
  std::vector<uint8_t> mask;
  int32_t key = -1;
  int32_t delay = 100;
};

inline FakeFrame Solid(int w, int h, int32_t color, int32_t delay = 100) {
  return FakeFrame{w, h, std::vector<int32_t>(static_cast<size_t>(w * h), color), {}, -1, delay};
}

class FakePictures {
 public:
  std::map<std::string, std::vector<FakeFrame>> pictures;
  std::map<std::string, std::vector<uint8_t>> files;  // raw files (maps)
  int decodes = 0;

  PictureServices Services() {
    PictureServices s;
    s.file_available = [this](const std::string& name) {
      return pictures.count(name) || files.count(name);
    };
    s.read_file = [this](const std::string& name) -> std::optional<std::vector<uint8_t>> {
      if (auto it = files.find(name); it != files.end()) return it->second;
      if (!pictures.count(name)) return std::nullopt;
      return std::vector<uint8_t>(name.begin(), name.end());  // the decoder looks the name up again
    };
    s.decode = [this](const std::string&, std::span<const uint8_t> bytes, int bit_count, bool,
                      bool) {
      ++decodes;
      std::vector<DecodedFrame> out;
      const std::string name(bytes.begin(), bytes.end());
      for (const FakeFrame& f : pictures[name]) {
        DecodedFrame d;
        d.surface = std::make_unique<graphics::TDIBX>(f.w, f.h, bit_count);
        for (int y = 0; y < f.h; ++y)
          for (int x = 0; x < f.w; ++x)
            d.surface->SetPixel(
                x, y, static_cast<uint32_t>(d.surface->ColorToPixel(f.pixels[y * f.w + x])));
        if (!f.mask.empty()) {
          d.mask = std::make_unique<graphics::TDIBX>(f.w, f.h, 8);
          for (int y = 0; y < f.h; ++y)
            for (int x = 0; x < f.w; ++x) d.mask->SetPixel(x, y, f.mask[y * f.w + x]);
        }
        d.color_key = f.key;
        d.delay_ms = f.delay;
        out.push_back(std::move(d));
      }
      return out;
    };
    return s;
  }
};

class ImageScene : public ::testing::Test {
 protected:
  static constexpr int kW = 32, kH = 24;

  ImageScene() : pictures_(fake_.Services()), root_(Env()) {
    root_.SetSceneSize(kW, kH);
    screen_.SetSize(kW, kH, 32);
  }

  // A scene whose component kinds are made with this fixture's services.
  scene::SceneEnvironment Env() {
    services_.pictures = &pictures_;
    services_.variables = &variables_;
    if (!kinds_) {
      auto kinds = std::make_shared<scene::KindRegistry>();
      RegisterComponentKinds(*kinds, services_);
      kinds_ = kinds;
    }
    scene::SceneEnvironment env;
    env.kinds = kinds_;
    return env;
  }

  // A component of `kind` on the shown base.
  template <class T>
  T& Make(int kind, const std::string& name) {
    auto* object = dynamic_cast<T*>(root_.CreateByKind(kind));
    EXPECT_NE(object, nullptr);
    object->SetName(name);
    object->SetParent(root_.ShownBase());
    return *object;
  }
  template <class T>
  T& MakeByCode(const std::string& name) {
    T* object = root_.Make<T>();
    if constexpr (std::is_base_of_v<ServiceUser, T>) object->BindServices(&services_);
    object->SetName(name);
    object->SetParent(root_.ShownBase());
    return *object;
  }

  void Frame(int32_t ms = 16) {
    root_.InputStep(ms);
    root_.UpdatePass(ms);
  }
  // Draws the whole scene afresh over a background colour (0x00RRGGBB).
  void DrawAll(uint32_t background = 0x000000) {
    root_.ShownBase()->Color = -1;
    screen_.ResetClip();
    screen_.Fill(background);
    root_.ClearDirtyRects();
    root_.ShownBase()->InvalidateAll();
    root_.DrawPass(&screen_);
    root_.ClearDirtyRects();
  }
  // Draws only what changed since the last draw, as the frame loop does;
  // the base repaints in its own colour (black unless set).
  void DrawChanged() {
    root_.DrawPass(&screen_);
    root_.ClearDirtyRects();
  }
  uint32_t Pixel(int x, int y) const { return screen_.GetPixel(x, y); }

  void MoveMouse(int x, int y) { root_.RecordMouseMove(x, y); }
  void Click(int x, int y) {
    MoveMouse(x, y);
    root_.RecordMouseDown(true, false);
    Frame();
    root_.RecordMouseUp();
    Frame();
  }
  void RightClick(int x, int y) {
    MoveMouse(x, y);
    root_.RecordMouseDown(false, true);
    Frame();
    root_.RecordMouseUp();
    Frame();
  }

  // Queued events as "handler(args)" of one event id.
  std::vector<std::string> Events(int id) const {
    std::vector<std::string> out;
    for (const script::TTimerData& e : root_.Events) {
      if (e.EventId != id) continue;
      std::string line = e.Handler + "(";
      for (size_t i = 0; i < e.Args.size(); ++i) line += (i ? "," : "") + e.Args[i];
      out.push_back(line + ")");
    }
    return out;
  }

  FakePictures fake_;
  TOrloCollection pictures_;
  expr::TParamCollection variables_;
  ComponentServices services_;
  std::shared_ptr<const scene::KindRegistry> kinds_;
  scene::TVeskBaseList root_;
  graphics::TDIBX screen_;
};

}  // namespace vesk::components::test
