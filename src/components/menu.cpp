#include "components/menu.h"

#include <algorithm>

#include "lang/vocabulary.h"
#include "platform/vkeys.h"
#include "scene/baselist.h"

namespace vesk::components {

using namespace vesk::lang;

namespace {

bool IsOpenState(int32_t state) {
  return state == TVeskMenu::kOpen || state == TVeskMenu::kOpening;
}

// The part of `full` that `elapsed` of `duration` milliseconds gives.
int32_t Portion(int32_t full, int32_t elapsed, int32_t duration) {
  if (duration <= 0) return full;
  return static_cast<int32_t>(int64_t{std::clamp(elapsed, 0, duration)} * full / duration);
}

}  // namespace

TVeskMenu::TVeskMenu(scene::TVeskBaseList* root) : TVeskCustomListBox(root) {
  // Right clicks are offered to menus (RClickScrap decides).
  if (root) root->RightClickTakers.push_back(this);
}

TVeskMenu::~TVeskMenu() = default;

int TVeskMenu::GetCompoType() const {
  return LT_MENU;
}

bool TVeskMenu::Animating() const {
  return Phase == kOpenStart || Phase == kOpenTimer || Phase == kOpenGrow || Phase == kCloseStart ||
         Phase == kCloseShrink;
}

bool TVeskMenu::TakesInput() const {
  return !Paused && !Locked && IsOpenState(MenuState);
}

// ---- State ---------------------------------------------------------------------------

void TVeskMenu::SetMenuState(int32_t state) {
  if (state < kOpen || state > kClosing) return;
  // A request for what is already in force does nothing, and a menu on its
  // way out after a choice does not come back.
  if (IsOpenState(state) == IsOpenState(MenuState) || Phase >= kScrapStart) return;
  MenuState = state;
  switch (state) {
    case kOpen:
      Locked = 0;
      Phase = kSteady;
      Relayout();
      TakeFocus();
      Post(PR_ONOPENING, OnOpening);
      Post(PR_ONOPENED, OnOpened);
      return;
    case kOpening:
      Locked = 0;
      Phase = kOpenStart;
      TakeFocus();
      return;
    case kClosed:
      SetAnimatedHeight(0);
      Phase = kSteady;
      ReleaseFocus();
      Post(PR_ONCLOSING, OnClosing);
      Post(PR_ONCLOSED, OnClosed);
      return;
    default:
      Phase = kCloseStart;
      ReleaseFocus();
      return;
  }
}

void TVeskMenu::TakeFocus() {
  if (Root) Root->TakeModalFocus(this);
}

void TVeskMenu::ReleaseFocus() {
  if (Root) Root->ReleaseModalFocus(this);
}

void TVeskMenu::SetAnimatedHeight(int32_t height) {
  SetBounds(Left, Top, Width, std::max(0, height));
}

void TVeskMenu::ApplyLayoutSize(int32_t width, int32_t height) {
  FullHeight = height;
  int32_t shown = Height;
  if (MenuState == kOpen && !Animating()) shown = height;
  if (MenuState == kClosed) shown = 0;
  SetBounds(Left, Top, width, shown);
}

void TVeskMenu::Cancel() {
  if (Locked) return;
  Locked = 1;
  Phase = kCancel;
}

void TVeskMenu::Chosen() {
  if (!AutoScrap) return;
  Locked = 1;
  MenuState = kClosing;
  Phase = kScrapStart;
  ReleaseFocus();
}

// ---- Frame step ------------------------------------------------------------------------

bool TVeskMenu::Update(int32_t frame_ms) {
  TVeskCustomListBox::Update(frame_ms);
  switch (Phase) {
    case kCancel:
      SetMenuState(kClosing);
      break;
    case kOpenStart:
      Relayout();
      Post(PR_ONOPENING, OnOpening);
      SetAnimatedHeight(0);
      Phase = kOpenTimer;
      [[fallthrough]];
    case kOpenTimer:
      ElapsedMs = 0;
      Phase = kOpenGrow;
      break;
    case kOpenGrow:
      ElapsedMs = static_cast<int32_t>(std::min<int64_t>(int64_t{ElapsedMs} + frame_ms, INT32_MAX));
      if (ElapsedMs < Delay) {
        SetAnimatedHeight(Portion(FullHeight, ElapsedMs, Delay));
        break;
      }
      SetAnimatedHeight(FullHeight);
      Phase = kSteady;
      MenuState = kOpen;
      Post(PR_ONOPENED, OnOpened);
      break;
    case kCloseStart:
      Locked = 1;
      ElapsedMs = 0;
      Post(PR_ONCLOSING, OnClosing);
      Phase = kCloseShrink;
      break;
    case kCloseShrink:
      ElapsedMs = static_cast<int32_t>(std::min<int64_t>(int64_t{ElapsedMs} + frame_ms, INT32_MAX));
      if (ElapsedMs < Delay) {
        SetAnimatedHeight(FullHeight - Portion(FullHeight, ElapsedMs, Delay));
        break;
      }
      SetAnimatedHeight(0);
      MenuState = kClosed;
      Post(PR_ONCLOSED, OnClosed);
      Phase = AutoScrap ? kScrapWait : kSteady;
      break;
    case kScrapStart:
      Post(PR_ONCLOSING, OnClosing);
      Post(PR_ONCLOSED, OnClosed);
      Phase = kScrapPosted;
      break;
    case kScrapPosted:
      Phase = kScrapWait;
      break;
    case kScrapWait:
      // Destroying the menu would drop its events that have not run yet:
      // it goes once the choice and the closing have been handled.
      return !EventWaiting(PR_ONSELECT) && !EventWaiting(PR_ONCLOSING) &&
             !EventWaiting(PR_ONCLOSED);
    default:
      break;
  }
  return false;
}

// ---- Input ------------------------------------------------------------------------------

void TVeskMenu::KeyDown() {
  namespace vk = platform::vk;
  if (TakesInput() && Root) {
    if (Root->KeyPressed(vk::kReturn) || Root->KeyPressed(vk::kSpace)) {
      if (HoverIndex >= 0) Choose();
    } else if (Root->KeyPressed(vk::kEscape) && RClickScrap) {
      Cancel();
    }
  }
  TVeskCustomListBox::KeyDown();
}

bool TVeskMenu::TakeRightClick() {
  if (Locked || !IsOpenState(MenuState) || (IgnoreMouse != IM_NONE && IgnoreMouse != IM_LCLICK))
    return false;
  // A cancelled menu reports no choice.
  SetSelection(std::string(), -1);
  Cancel();
  return true;
}

void TVeskMenu::RightDown() {
  TVeskCustomListBox::RightDown();
  if (IgnoreMouse != IM_NONE && IgnoreMouse != IM_LCLICK) return;
  if (!RClickScrap || Paused || Locked || !IsOpenState(MenuState)) return;
  SetSelection(std::string(), -1);
  SetMenuState(kClosing);
}

// ---- Properties ---------------------------------------------------------------------------

int32_t TVeskMenu::GetInt(int id) const {
  switch (id) {
    case PR_DELAY:
      return Delay;
    case PR_HOVERCOLOR:
      return HoverColor;
    case PR_FONTHOVERCOLOR:
      return Hover.FontColor;
    case PR_FONTHOVERSTYLE:
      return Hover.FontStyle;
    case PR_ORIGHEIGHT:
      return Animating() ? FullHeight : Height;
    default:
      return TVeskCustomListBox::GetInt(id);
  }
}

void TVeskMenu::SetInt(int id, int32_t value) {
  switch (id) {
    case PR_DELAY:
      Delay = std::max(0, value);
      return;
    case PR_HOVERCOLOR:
      HoverColor = value;
      Invalidate();
      return;
    case PR_FONTHOVERCOLOR:
      Hover.FontColor = value;
      Relayout();
      return;
    case PR_FONTHOVERSTYLE:
      Hover.FontStyle = static_cast<uint8_t>(value);
      Relayout();
      return;
    default:
      TVeskCustomListBox::SetInt(id, value);
  }
}

bool TVeskMenu::GetFlag(int id) const {
  switch (id) {
    case PR_AUTOSCRAP:
      return AutoScrap != 0;
    case PR_RCLICKSCRAP:
      return RClickScrap != 0;
    default:
      return TVeskCustomListBox::GetFlag(id);
  }
}

void TVeskMenu::SetFlag(int id, bool value) {
  switch (id) {
    case PR_AUTOSCRAP:
      AutoScrap = value ? 1 : 0;
      return;
    case PR_RCLICKSCRAP:
      RClickScrap = value ? 1 : 0;
      return;
    default:
      TVeskCustomListBox::SetFlag(id, value);
  }
}

std::string TVeskMenu::GetStr(int id) const {
  switch (id) {
    case PR_ONOPENING:
      return OnOpening;
    case PR_ONOPENED:
      return OnOpened;
    case PR_ONCLOSING:
      return OnClosing;
    case PR_ONCLOSED:
      return OnClosed;
    default:
      return TVeskCustomListBox::GetStr(id);
  }
}

void TVeskMenu::SetStr(int id, const std::string& value) {
  switch (id) {
    case PR_ONOPENING:
      OnOpening = value;
      return;
    case PR_ONOPENED:
      OnOpened = value;
      return;
    case PR_ONCLOSING:
      OnClosing = value;
      return;
    case PR_ONCLOSED:
      OnClosed = value;
      return;
    default:
      TVeskCustomListBox::SetStr(id, value);
  }
}

// ---- Stored form ----------------------------------------------------------------------------

void TVeskMenu::TransferKindFields(RecordIO& io) {
  TransferListFields(io);
  io.I32(Delay, "menu delay");
  io.I32(HoverColor, "menu hover colour");
  io.Flag(AutoScrap, "menu auto scrap");
  io.Flag(RClickScrap, "menu right-click scrap");
  io.I32In(MenuState, kOpen, kClosing, "menu state");
  for (std::string* name : {&OnOpening, &OnOpened, &OnClosing, &OnClosed})
    io.Str(*name, "menu handler");
  if (!io.loading()) return;
  Delay = std::max(0, Delay);
  // The animation starts again from the load: opening from nothing,
  // closing from the full height.
  ElapsedMs = 0;
  Locked = MenuState == kClosing || Phase >= kScrapStart ? 1 : 0;
  Relayout();
  if (Phase == kOpenGrow) SetAnimatedHeight(0);
  if (Phase == kCloseShrink) SetAnimatedHeight(FullHeight);
  if (IsOpenState(MenuState) && Phase < kCloseStart) TakeFocus();
}

}  // namespace vesk::components
