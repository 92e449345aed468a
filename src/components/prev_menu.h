#pragma once
// TVeskPrevMenu (kind 25): a menu of picture items read from a preview-menu
// file (prev_menu_file.h). Each item is a TVeskPrevImages child showing its
// normal picture (its unchecked one while its check flag is clear), its
// hover picture under the mouse and its leave picture after; a click shows
// its pressed picture and its clicked animation, reports the choice in
// @SelStr/@SelIndex and PR_ONSELECT, and when the animation has run out
// posts PR_ONPLAYEND or, with AutoScrap, ends the menu. With RClickScrap a
// right click or Escape cancels the menu.
//
// The menu takes the mouse for its items (they ignore it themselves) and
// finds the item under it, through the item's mask when the file asks for
// one; so items reach the mouse only inside the menu's own rectangle. A
// disabled item (SetEnabled) takes neither hover nor click. Every picture the items name is kept in
// the picture cache while the menu lives, and for a motion file the pictures of its image lists;
// an item whose source is a motion plays it through the motion link.
#include <cstdint>
#include <string>
#include <vector>

#include "components/component_services.h"
#include "components/prev_menu_file.h"
#include "scene/vesk_object.h"

namespace vesk::components {

class TOrloItem;
class TVeskPrevImages;

class TVeskPrevMenu final : public scene::TVeskControl, public ServiceUser {
 public:
  explicit TVeskPrevMenu(scene::TVeskBaseList* root);
  ~TVeskPrevMenu() override;

  std::string Source;
  uint8_t AutoScrap = 0, RClickScrap = 0, Paused = 0;
  std::string OnSelect, OnMapIn, OnMapOut, OnPlayEnd, OnIdle;
  int32_t Hovered = -1;

  int GetCompoType() const override { return lang::LT_PREVMENU; }
  // Reads the menu file and makes the items (an unreadable file: none).
  void SetSource(const std::string& name);
  int32_t ItemCount() const { return static_cast<int32_t>(items_.size()); }
  // The item as read, its names resolved against the menu file's folder.
  const PrevMenuItem& ItemData(int32_t i) const { return items_[static_cast<size_t>(i)].data; }
  std::string Caption(int32_t i) const;
  TVeskPrevImages* ItemImage(int32_t i) const;
  // The enabled item under a scene point, or -1.
  int32_t ItemAt(int32_t x, int32_t y) const;
  void SetHovered(int32_t index);
  void Choose(int32_t index);
  // An item given by its number as text, else by its caption (ASCII case
  // ignored); -1 when there is none.
  int32_t FindItem(const std::string& item) const;

  bool GetItemCheck(int32_t index) const override;
  void SetItemCheck(int32_t index, bool value) override;
  bool GetItemEnabled(const std::string& item) const override;
  void SetItemEnabled(const std::string& item, bool value) override;

  int32_t GetInt(int id) const override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;
  void SetName(const std::string& name) override;

  bool IsInputLocked() const override { return locked_ || scrap_; }
  bool TakeRightClick() override;
  const std::string& GetCursorFile() const override;
  bool Update(int32_t frame_ms) override;
  void MouseMove() override;
  void MouseOut() override;
  void LeftDown() override;
  void KeyDown() override;

 protected:
  void TransferKindFields(RecordIO& io) override;

 private:
  struct Item {
    PrevMenuItem data;
    TVeskPrevImages* image = nullptr;
    uint8_t check = 0, enabled = 1;
  };
  void ClearItems();
  TVeskPrevImages* MakeImage(const std::string& suffix, int32_t x, int32_t y);
  std::string ChildName(const std::string& suffix) const;
  // What an item shows at rest: the unchecked picture while its flag is
  // clear (when it has one), else the normal one.
  const std::string& RestingSource(const Item& item) const;
  void Show(int32_t index, const std::string& source, bool repeat);
  void PlaySound(const std::string& file) const;
  void Preload(const std::string& file);
  // The pictures a motion file's image lists show, resolved against its
  // folder (none when the game lacks the file or it is no film).
  std::vector<std::string> MotionPictures(const std::string& file) const;
  void HoverFromMouse();
  void Cancel();
  void AnimationFinished(TVeskPrevImages& image);
  // The watched animation is over: the menu ends (true) or reports it.
  bool FinishChoice();
  TVeskPrevImages* Live(TVeskPrevImages* image) const;

  std::vector<Item> items_;
  TVeskPrevImages* clicked_ = nullptr;  // the running clicked animation
  std::vector<TOrloItem*> preloaded_;
  bool locked_ = false, scrap_ = false;
  int32_t chosen_ = -1;    // the item whose click is playing out
  bool finished_ = false;  // its animation has run out
};

}  // namespace vesk::components
