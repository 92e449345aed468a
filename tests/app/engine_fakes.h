#pragma once
// Recording doubles of the subsystems the main window drives, so tests can
// check what it calls and in which order.
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/default_engine.h"
#include "app/engine_ports.h"
#include "app/input_recorder_scene.h"

namespace vesk::app::testing {

using Log = std::vector<std::string>;

class FakeScene final : public SceneRoot {
 public:
  explicit FakeScene(Log* log) : log_(log) {}
  ~FakeScene() override { log_->push_back("~scene"); }
  void SetSceneSize(int w, int h) override { recorder.SetSceneSize(w, h); }
  int SceneWidth() const override { return recorder.SceneWidth(); }
  int SceneHeight() const override { return recorder.SceneHeight(); }
  void MouseDown(platform::MouseButton b) override { recorder.MouseDown(b); }
  void MouseUp() override { recorder.MouseUp(); }
  void MouseMove(int x, int y) override { recorder.MouseMove(x, y); }
  void Wheel(bool down) override { recorder.Wheel(down); }
  void KeyDown(int vk) override {
    log_->push_back("key-down " + std::to_string(vk));
    recorder.KeyDown(vk);
  }
  void KeyUp(int vk) override { recorder.KeyUp(vk); }
  void ClearInput() override {
    log_->push_back("clear-input");
    recorder.ClearInput();
  }
  void InputStep() override {
    log_->push_back("input");
    recorder.InputStep();
  }
  void UpdatePass() override { log_->push_back("update"); }
  void Draw(platform::BackBuffer&) override { log_->push_back("draw"); }
  void ClearDirtyRects() override { log_->push_back("clear-dirty"); }
  bool LeftClicked() const override { return recorder.LeftClicked(); }
  bool KeyClicked(int vk) const override { return recorder.KeyClicked(vk); }
  void BeforeDisplayChange() override { log_->push_back("before-display-change"); }
  void AfterDisplayChange() override { log_->push_back("after-display-change"); }
  // A text box standing in: it takes keys while `takes_keys`, and takes
  // text at `caret` while `has_caret`.
  bool OfferKey(int vk, uint8_t mods) override {
    if (takes_keys) log_->push_back("box-key " + std::to_string(vk) + " " + std::to_string(mods));
    return takes_keys;
  }
  void TextInput(const std::string& utf8) override { log_->push_back("text " + utf8); }
  void TextEditing(const std::string& utf8, int cursor) override {
    log_->push_back("editing " + utf8 + " " + std::to_string(cursor));
  }
  bool TextCaret(Rect* r) const override {
    if (has_caret) *r = caret;
    return has_caret;
  }

  InputRecorderScene recorder;
  bool takes_keys = false;
  bool has_caret = false;
  Rect caret{};

 private:
  Log* log_;
};

class FakeScenario final : public Scenario {
 public:
  FakeScenario(Log* log, script::ProjectInfo info) : log_(log), info_(std::move(info)) {}
  ~FakeScenario() override { log_->push_back("~project"); }
  const script::ProjectInfo& info() const override { return info_; }
  void Step() override {
    log_->push_back("scenario");
    if (on_step) on_step();
  }
  bool RunDeferredSaveLoad() override {
    log_->push_back("save-load");
    return std::exchange(load_next, false);
  }
  bool load_next = false;
  std::function<void()> on_step;

 private:
  Log* log_;
  script::ProjectInfo info_;
};

class FakeScreen final : public ScreenManager {
 public:
  explicit FakeScreen(Log* log) : log_(log), frame_(8, 8, platform::PixelFormat::kXrgb8888) {}
  ~FakeScreen() override { log_->push_back("~screen"); }
  platform::BackBuffer& back_buffer() override { return frame_; }
  void Present() override { log_->push_back("present"); }
  bool full_screen() const override { return current_ >= 0; }
  bool display_modes_available() const override { return modes_available; }
  int chosen_mode() const override { return chosen_; }
  void set_chosen_mode(int i) override { chosen_ = i; }
  int current_mode() const override { return current_; }
  void ReleaseAll() override { log_->push_back("release-display"); }
  bool SetDisplayMode(int index) override {
    log_->push_back("set-mode " + std::to_string(index));
    if (index >= 0 && fail_switch) return false;
    current_ = index;
    return true;
  }
  bool modes_available = true;
  bool fail_switch = false;

 private:
  Log* log_;
  platform::BackBuffer frame_;
  int chosen_ = -1, current_ = -1;
};

class FakeMedia final : public MediaManager {
 public:
  FakeMedia(Log* log, std::string name, bool items)
      : log_(log), name_(std::move(name)), items_(items) {}
  ~FakeMedia() override { log_->push_back("~" + name_); }
  void PauseAll() override { log_->push_back("pause " + name_); }
  void ResumeAll() override { log_->push_back("resume " + name_); }
  bool HasItems() const override { return items_; }
  void Reacquire() override { log_->push_back("reacquire " + name_); }
  void Release() override { log_->push_back("release " + name_); }
  void Restore() override { log_->push_back("restore " + name_); }

 private:
  Log* log_;
  std::string name_;
  bool items_;
};

class FakeLogo final : public StartupLogo {
 public:
  explicit FakeLogo(Log* log, int frames) : log_(log), frames_left_(frames) {}
  bool Step(SceneRoot&) override {
    log_->push_back("logo");
    return --frames_left_ <= 0;
  }

 private:
  Log* log_;
  int frames_left_;
};

class FakeFactory final : public EngineFactory {
 public:
  explicit FakeFactory(Log* log) : log_(log) {
    info.screen_width = 64;
    info.screen_height = 48;
    info.title = "Test";
  }
  void MountDataSources(const std::vector<std::string>&) override { log_->push_back("mount"); }
  void InitSound(const SoundSettings&) override { log_->push_back("sound"); }
  std::unique_ptr<SceneRoot> CreateScene(const RuntimeContext&) override {
    log_->push_back("create-scene");
    auto s = std::make_unique<FakeScene>(log_);
    scene = s.get();
    return s;
  }
  std::unique_ptr<Scenario> CreateProject(RuntimeContext& ctx, expr::TParamCollection&,
                                          expr::TSysFuncMan&, std::string* error) override {
    log_->push_back("create-project");
    if (fail_project) {
      ctx.Terminate();
      *error = "no project";
      return nullptr;
    }
    auto p = std::make_unique<FakeScenario>(log_, info);
    project = p.get();
    return p;
  }
  std::unique_ptr<ScreenManager> CreateScreenManager(platform::Window&,
                                                     const script::ProjectInfo&) override {
    log_->push_back("create-screen");
    auto s = std::make_unique<FakeScreen>(log_);
    screen = s.get();
    return s;
  }
  MediaManagers CreateMedia() override {
    log_->push_back("create-media");
    MediaManagers m;
    m.video = std::make_unique<FakeMedia>(log_, "video", media_items);
    m.wave = std::make_unique<FakeMedia>(log_, "wave", media_items);
    m.wma = std::make_unique<FakeMedia>(log_, "wma", media_items);
    m.ogg = std::make_unique<FakeMedia>(log_, "ogg", media_items);
    m.cd_audio = std::make_unique<FakeMedia>(log_, "cd", media_items);
    m.midi = std::make_unique<FakeMedia>(log_, "midi", media_items);
    return m;
  }
  std::unique_ptr<StartupLogo> CreateLogo(bool skip) override {
    if (skip || logo_frames == 0) return nullptr;
    return std::make_unique<FakeLogo>(log_, logo_frames);
  }

  script::ProjectInfo info;
  bool fail_project = false;
  bool media_items = true;
  int logo_frames = 0;
  FakeScene* scene = nullptr;
  FakeScenario* project = nullptr;
  FakeScreen* screen = nullptr;

 private:
  Log* log_;
};

}  // namespace vesk::app::testing
