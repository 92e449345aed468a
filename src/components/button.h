#pragma once
// TVeskButton (kind 3): an image button with four state pictures (normal,
// hover, pressed, clicked), press tracking with the mouse captured, a click
// handler, and radio groups among the buttons of one parent.
#include <cstdint>
#include <string>

#include "components/images.h"

namespace vesk::components {

class TVeskButton final : public TVeskImages {
 public:
  explicit TVeskButton(scene::TVeskBaseList* root) : TVeskImages(root, 4) {}

  enum : int32_t { kNone = -1, kNormal = 0, kHover = 1, kPressed = 2, kClicked = 3 };
  int32_t State = kNormal;
  int32_t ReturnState = kNormal;  // taken when the clicked animation is over
  int32_t Tracking = 0;           // 1 pressed and tracking; -1 to be destroyed
  int32_t GroupIndex = 0;
  uint8_t Selected = 0, AllowAllUp = 0;
  std::string OnNotify;

  int GetCompoType() const override;
  int CurrentList() const override { return State; }
  bool Repeats() const override { return State != kClicked; }

  // Shows state `s` when it has something to show (states up to normal
  // always); while the clicked animation runs, `s` waits for its end.
  void SetState(int32_t s);
  void Click();
  void SetSelected(bool selected);
  void SetGroupIndex(int32_t group);
  void SetAllowAllUp(bool allow);

  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;

  void MouseMove() override;
  void MouseOut() override;
  void LeftDown() override;
  void LeftUp() override;
  bool Update(int32_t frame_ms) override;

 protected:
  bool AnimationEnded() override;
  void TransferKindFields(RecordIO& io) override;

 private:
  // The scene's hit test still finds this button under the mouse.
  bool MouseOver();
  // Calls `f` for the other buttons of this one's group under its parent.
  template <class F>
  void ForGroup(F&& f);
};

}  // namespace vesk::components
