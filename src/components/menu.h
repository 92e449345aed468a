#pragma once
// TVeskMenu (kind 12): a choice menu. It is made closed, opens (at once or
// growing over Delay milliseconds of frame time) holding the scene's modal
// focus so that its keys reach it, reports the choice like a list, and
// closes again: by the script, by Escape or a right click with
// RClickScrap, or by a choice with AutoScrap, which destroys the menu once
// the handlers of its closing events have run.
#include <cstdint>
#include <string>

#include "components/list_box.h"

namespace vesk::components {

class TVeskMenu final : public TVeskCustomListBox {
 public:
  explicit TVeskMenu(scene::TVeskBaseList* root);
  ~TVeskMenu() override;

  enum State : int32_t { kOpen = 0, kOpening = 1, kClosed = 2, kClosing = 3 };
  // Animation phases (Update): steady, cancel requested, opening, closing,
  // closing after a choice.
  enum : int32_t {
    kSteady = 0,
    kCancel = 10,
    kOpenStart = 100,
    kOpenTimer = 101,
    kOpenGrow = 102,
    kCloseStart = 200,
    kCloseShrink = 201,
    kScrapStart = 300,
    kScrapPosted = 301,
    kScrapWait = 302
  };

  int32_t Delay = 0;  // milliseconds of the open and close animation
  uint8_t AutoScrap = 0, RClickScrap = 0;
  int32_t MenuState = kClosed;
  int32_t FullHeight = 0;
  int32_t ElapsedMs = 0;  // frame time since the animation started
  uint8_t Locked = 0;
  std::string OnOpening, OnOpened, OnClosing, OnClosed;

  int GetCompoType() const override;
  bool IsInputLocked() const override { return Locked != 0; }
  void SetMenuState(int32_t state);
  void OpenMenu() override { SetMenuState(kOpening); }
  void CloseMenu() override { SetMenuState(kClosing); }

  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;

  void KeyDown() override;
  void RightDown() override;
  bool TakeRightClick() override;
  bool Update(int32_t frame_ms) override;

 protected:
  void Chosen() override;
  bool TakesInput() const override;
  bool HasHoverLook() const override { return true; }
  void ApplyLayoutSize(int32_t width, int32_t height) override;
  void TransferKindFields(RecordIO& io) override;

 private:
  bool Animating() const;
  // Starts closing from a key or a right click (the cancel phase).
  void Cancel();
  void TakeFocus();
  void ReleaseFocus();
  void SetAnimatedHeight(int32_t height);
  void Post(int id, const std::string& handler) { QueueEvent(id, handler); }
};

}  // namespace vesk::components
