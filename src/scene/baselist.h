#pragma once
// TVeskBaseList, the scene root: the registry of every object, the two base
// layers every visible control hangs under, the event queue, keyboard state
// and focus, and the three passes the frame loop drives (input, update,
// draw). TVeskBase is one base layer with its dirty rectangles and the
// mouse state the window records into it.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scene/kind_registry.h"
#include "scene/vesk_object.h"
#include "script/event_queue.h"
#include "script/flip_port.h"
#include "transitions/wipe.h"

namespace vesk::scene {

class TVeskBase final : public TVeskControl {
 public:
  explicit TVeskBase(TVeskBaseList* root);
  ~TVeskBase() override;
  bool IsBase() const override { return true; }
  bool GetVisible() const override { return Visible != 0; }
  void SetParent(TVeskControl*) override {}  // a base has no parent
  void InvalidateRect(const Rect& r) override { AddDirtyRect(r); }

  // Records `r` for the next draw, merging it with a recorded rectangle
  // that lies within 20 pixels.
  void AddDirtyRect(Rect r);
  void InvalidateAll() { AddDirtyRect({0, 0, Width, Height}); }
  std::vector<Rect> DirtyRects;

  int32_t MouseX = 0, MouseY = 0;
  uint8_t LClickPending = 0, LClick = 0, RClickPending = 0, RClick = 0;
  uint8_t LeftHeld = 0, RightHeld = 0, MouseMoved = 0;
  uint8_t Capture = 0;  // kCaptureLeft / kCaptureRight: held by Hovered
  TVeskControl* Hovered = nullptr;
  uint8_t WheelDownPending = 0, WheelDown = 0, WheelUpPending = 0, WheelUp = 0;
  std::string CursorShown;

  static constexpr uint8_t kCaptureLeft = 4;
  static constexpr uint8_t kCaptureRight = 8;

  // The base's own picture (a back base is prepared here before a flip).
  graphics::TCustomDIBX* Surface() { return surface_.get(); }
  void SetSurface(std::unique_ptr<graphics::TCustomDIBX> surface);

 private:
  std::unique_ptr<graphics::TCustomDIBX> surface_;
};

// What the scene asks of the program around it.
struct SceneEnvironment {
  // Shows the cursor file (CP932 name in the game's files) over the scene,
  // or the default cursor for an empty name.
  std::function<void(const std::string& file)> show_cursor;
  // The game's default cursor file (@Cursor), used over controls without one.
  std::function<std::string()> default_cursor;
  // Makes a surface for a base of the scene size (null: bases draw nothing).
  std::function<std::unique_ptr<graphics::TCustomDIBX>(int32_t width, int32_t height)> make_surface;
  // The kinds CreateByKind and the stored form can make; null: only the
  // scene's own (the cabinet).
  std::shared_ptr<const KindRegistry> kinds;
  // Rule pictures and the random generator of the transitions.
  transitions::WipeServices wipes;
};

class TVeskBaseList final : public TVeskComponent {
 public:
  explicit TVeskBaseList(SceneEnvironment env = {});
  ~TVeskBaseList() override;

  // ---- Registry and lookup
  void AddObject(std::unique_ptr<TVeskObject> object);
  int32_t ObjectCount() const { return static_cast<int32_t>(registry_.size()); }
  TVeskObject* GetObject(int32_t i) const;
  int32_t IndexOfObject(const TVeskObject* object) const;
  bool IsRegistered(const TVeskObject* object) const;
  int32_t IndexOfName(const std::string& name) const;
  std::string UniqueName(const std::string& prefix) const;
  TVeskObject* FindComponent(const std::string& name);
  TVeskControl* FindControl(const std::string& name);
  // Names in registry order of objects of `kind` (0: any) whose parent is
  // `parent` (this root: any parent); the number added.
  int ListNames(std::vector<std::string>& list, int kind, const TVeskObject* parent);

  // Creates an object of `LT_` kind `id` (high bit ignored), registered and
  // named; null for kinds that create nothing.
  TVeskObject* CreateByKind(int id);
  // Registers a new object made by a kind's constructor: auto name, registry.
  template <class T>
  T* Make() {
    auto object = std::make_unique<T>(this);
    T* raw = object.get();
    AddObject(std::move(object));
    return raw;
  }

  // ---- Deletion
  void DeleteObject(TVeskObject* object);
  void ScheduleDelete(TVeskObject* object);
  bool IsDying(const TVeskObject* object) const;

  // ---- Bases
  TVeskBase* GetBaseAt(int i) { return bases_[static_cast<size_t>(i & 1)].get(); }
  TVeskBase* ShownBase() { return GetBaseAt(shown_base_); }
  TVeskBase* BackBase() { return GetBaseAt(shown_base_ ^ 1); }
  int32_t ShownBaseIndex() const { return shown_base_; }
  // Makes base `shown` the shown one at once.
  void ShowBase(int32_t shown) { StartTransition(shown, {}); }
  int32_t SceneWidth() const { return width_; }
  int32_t SceneHeight() const { return height_; }
  void SetSceneSize(int32_t width, int32_t height);

  // ---- Transitions between the bases (scene_transition.cpp)
  // Makes base `shown` the shown one, drops a running transition and marks
  // both bases dirty; for a kind of 1..31 a transition from base `shown` to
  // the other then runs in the draw passes. False when none runs.
  bool StartTransition(int32_t shown, const script::TransitionRequest& request);
  int TransitionKind() const { return transition_kind_; }
  int32_t TransitionDuration() const { return transition_kind_ ? transition_.duration_ms : 0; }
  void SetTransitionTime(int32_t elapsed_ms) { transition_elapsed_ms_ = elapsed_ms; }
  // The screen or a base's picture was made anew: a running transition
  // makes its effect again over the new pictures at the next draw pass.
  void SurfacesChanged() {
    wipe_.reset();
    wipe_tried_ = false;
  }
  // What the last draw pass's transition step changed (empty: nothing).
  const Rect& TransitionRect() const { return transition_rect_; }
  // The flip's snapshot: the shown base drawn once into its own surface
  // and laid over it as a picture named 0x01 0x01.
  void TakeSnapshot();
  void DropSnapshot();
  // Moves the selected children of the shown base (never the snapshot) to
  // the back base, from the last to the first.
  void MoveToBackBase(const std::function<bool(const std::string& name)>& moves);

  // ---- Events
  script::TTimerList Events;

  // ---- Input recorded by the window
  void RecordMouseDown(bool left, bool right);
  void RecordMouseUp();
  void RecordMouseMove(int32_t x, int32_t y);
  void RecordWheel(bool down);
  void RecordKeyDown(int vk);
  void RecordKeyUp(int vk);
  void ClearKeys();
  void SetKey(int vk, bool down);

  // ---- The passes
  void InputStep(int32_t frame_ms);
  void UpdatePass(int32_t frame_ms);
  // Draws the dirty parts of both bases; the shown base into `screen` (the
  // presentation surface) when given, else into its own surface.
  void DrawPass(graphics::TCustomDIBX* screen);
  void ClearDirtyRects();
  // The rectangles the presentation copies this frame.
  const std::vector<Rect>& ShownDirtyRects() { return ShownBase()->DirtyRects; }

  // ---- Keyboard and focus
  bool KeyHeld(int vk) const { return InKeys(vk) && key_held_[static_cast<size_t>(vk)]; }
  bool KeyPressed(int vk) const { return InKeys(vk) && key_pressed_[static_cast<size_t>(vk)]; }
  bool KeyRepeated(int vk) const { return InKeys(vk) && key_repeated_[static_cast<size_t>(vk)]; }
  TVeskControl* Focus() const { return focus_; }
  void SetFocus(TVeskControl* control);
  // The focus is looked for again at the next input step.
  void RequestRefocus() { refocus_pending_ = true; }
  bool RefocusPending() const { return refocus_pending_; }
  // The focused control is gone, hidden or off the shown base.
  void DropFocus();
  // The modal focus (an open menu): while a control holds it the keyboard
  // focus stays there, focus searches come back to it and its key
  // reactions run even without HandleKey. Releasing it looks for a focus
  // again at the next input step.
  void TakeModalFocus(TVeskControl* control);
  void ReleaseModalFocus(TVeskControl* control);
  TVeskControl* ModalFocus() const { return modal_; }
  std::vector<TVeskControl*> RightClickTakers;

  // ---- The keyboard of text entry
  // The control that holds the keyboard (a text box), or null: keys are
  // then the scene's. Giving it to a control moves the scene focus there
  // too; the scene focus moving to another control takes it back.
  TVeskControl* KeyboardHolder() const { return keyboard_; }
  void GiveKeyboard(TVeskControl* control);
  // Raw input for the holder: false when there is none (a key is then the
  // scene's to record).
  bool OfferKey(int vk, uint8_t mods);
  bool OfferText(const std::string& cp932);
  bool OfferComposition(const std::string& cp932, size_t cursor_bytes);
  // The holder's caret while it takes text.
  bool KeyboardCaret(Rect* caret) const;
  // Controls whose SyncOverlay runs after every update pass.
  void AddOverlay(TVeskControl* control);
  static constexpr int32_t kKeyRepeatDelayMs = 300;
  static constexpr int32_t kKeyRepeatIntervalMs = 50;

  // ---- Reset and the stored form
  void Reset();
  // The whole scene; loading replaces it (baselist_io.cpp).
  void Transfer(RecordIO& io) override;

  // Forgets a control in every place that keeps a non-owning pointer to it
  // (focus, keyboard, hover, capture, right-click takers, overlays).
  void Forget(TVeskControl* control);

  const SceneEnvironment& env() const { return env_; }
  int32_t update_index() const { return update_index_; }

 private:
  static bool InKeys(int vk) { return vk >= 0 && vk < 256; }
  void MakeBases();
  void MouseStep(TVeskBase& base);
  void HoverStep(TVeskBase& base, TVeskControl* candidate);
  void ShowCursorFor(TVeskBase& base, TVeskControl* candidate);
  void OfferRightClick(TVeskBase& base);
  void DrawBase(TVeskBase& base, graphics::TCustomDIBX* screen);
  void LoadChildren(RecordIO& io, TVeskControl& parent);
  void TransferSize(RecordIO& io);
  void TransferOthers(RecordIO& io);
  void TransferEvents(RecordIO& io);
  void TransferFocus(RecordIO& io);
  friend class TVeskControl;

  SceneEnvironment env_;
  std::array<std::unique_ptr<TVeskBase>, 2> bases_;
  std::vector<std::unique_ptr<TVeskObject>> registry_;
  std::vector<TVeskObject*> pending_deletes_;
  int32_t shown_base_ = 0;
  int32_t width_ = 8, height_ = 8;
  int32_t update_index_ = 0;
  std::array<uint8_t, 256> key_held_{}, key_pressed_pending_{}, key_pressed_{}, key_repeat_flag_{},
      key_repeated_{};
  std::array<int32_t, 256> key_repeat_timer_{};
  bool key_down_pending_ = false, key_up_pending_ = false, key_repeat_pending_ = false;
  TVeskControl* focus_ = nullptr;
  TVeskControl* modal_ = nullptr;
  bool refocus_pending_ = false;
  TVeskControl* keyboard_ = nullptr;
  std::vector<TVeskControl*> overlays_;
  // The transition asked for and, once a draw pass had the screen, its
  // effect over the screen and the two bases' surfaces.
  void StepTransition(graphics::TCustomDIBX* screen);
  void DropTransition();
  int transition_kind_ = 0;
  script::TransitionRequest transition_;
  int32_t transition_elapsed_ms_ = 0;
  std::unique_ptr<transitions::TCustomWipe> wipe_;
  bool wipe_tried_ = false;
  Rect transition_rect_{};
};

}  // namespace vesk::scene
