#include "components/prev_menu.h"

#include <cstdio>
#include <optional>
#include <variant>

#include "anim/film_file.h"
#include "anim/film_math.h"
#include "components/film_stage.h"
#include "components/images.h"
#include "components/orlo_collection.h"
#include "core/sjis.h"
#include "expr/param_text.h"
#include "lang/vocabulary.h"
#include "scene/baselist.h"

namespace vesk::components {

using namespace vesk::lang;

namespace {

// The scene's key numbering (the platform's virtual keys).
constexpr int kKeyReturn = 0x0D, kKeyEscape = 0x1B, kKeySpace = 0x20;

// Item children sort by name; the padded number keeps them in file order
// and the clicked animation ("c") above them all.
std::string ItemSuffix(int32_t i) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d", static_cast<int>(i));
  return text;
}
const char kClickedSuffix[] = "c";

// File names inside a menu file are relative to the menu file's folder.
std::string Resolve(const std::string& menu_file, const std::string& name) {
  if (name.empty()) return name;
  const size_t cut = menu_file.find_last_of("\\/");
  return cut == std::string::npos ? name : menu_file.substr(0, cut + 1) + name;
}

PrevMenuItem Resolved(const std::string& menu_file, PrevMenuItem item) {
  for (std::string* name : {&item.Source, &item.HoverSource, &item.LeaveSource, &item.PressedSource,
                            &item.UncheckedSource, &item.HoverSound, &item.LeaveSound,
                            &item.ClickedSource, &item.Cursor})
    *name = Resolve(menu_file, *name);
  return item;
}

}  // namespace

TVeskPrevMenu::TVeskPrevMenu(scene::TVeskBaseList* root) : TVeskControl(root) {
  if (root) root->RightClickTakers.push_back(this);
}

TVeskPrevMenu::~TVeskPrevMenu() {
  // The item children go with the control; the preloaded pictures here.
  if (TOrloCollection* cache = pictures())
    for (TOrloItem* item : preloaded_) cache->Release(item, this);
}

// ---- Items -----------------------------------------------------------------------------------

std::string TVeskPrevMenu::ChildName(const std::string& suffix) const {
  return std::string(1, scene::kSystemNameByte) + Name + scene::kSystemNameByte + suffix;
}

TVeskPrevImages* TVeskPrevMenu::Live(TVeskPrevImages* image) const {
  return image && Root && Root->IsRegistered(image) ? image : nullptr;
}

TVeskPrevImages* TVeskPrevMenu::ItemImage(int32_t i) const {
  return i >= 0 && i < ItemCount() ? Live(items_[static_cast<size_t>(i)].image) : nullptr;
}

std::string TVeskPrevMenu::Caption(int32_t i) const {
  return i >= 0 && i < ItemCount() ? ItemCaption(ItemData(i), i) : std::string();
}

void TVeskPrevMenu::ClearItems() {
  for (Item& item : items_)
    if (TVeskPrevImages* image = Live(item.image)) Root->DeleteObject(image);
  if (TVeskPrevImages* clicked = Live(clicked_)) Root->DeleteObject(clicked);
  clicked_ = nullptr;
  items_.clear();
  if (TOrloCollection* cache = pictures())
    for (TOrloItem* item : preloaded_) cache->Release(item, this);
  preloaded_.clear();
  Hovered = chosen_ = -1;
  locked_ = finished_ = false;
}

TVeskPrevImages* TVeskPrevMenu::MakeImage(const std::string& suffix, int32_t x, int32_t y) {
  if (!Root) return nullptr;
  auto* image = Root->Make<TVeskPrevImages>();
  image->BindServices(services());
  image->SetName(ChildName(suffix));
  image->IgnoreMouse = IM_ALL;  // the menu takes the mouse for its items
  image->SetParent(this);
  image->SetInt(PR_LEFT, x);
  image->SetInt(PR_TOP, y);
  image->OnAnimationFinished = [this](TVeskPrevImages& done) { AnimationFinished(done); };
  return image;
}

void TVeskPrevMenu::Preload(const std::string& file) {
  TOrloCollection* cache = pictures();
  if (!cache) return;
  if (IsLayeredFile(file)) {
    preloaded_.push_back(cache->Acquire(this, file, false, false));
  } else if (IsMotionFile(file)) {
    for (const std::string& picture : MotionPictures(file))
      if (IsLayeredFile(picture)) preloaded_.push_back(cache->Acquire(this, picture, false, false));
  }
}

std::vector<std::string> TVeskPrevMenu::MotionPictures(const std::string& file) const {
  std::vector<std::string> names;
  const std::optional<std::vector<uint8_t>> bytes = ReadGameFile(services(), file);
  if (!bytes) return names;
  std::optional<anim::FilmData> film;
  try {
    film = anim::ReadFilm(*bytes, file);
  } catch (const anim::EFilmFile&) {
    return names;  // a damaged motion has nothing to preload (it shows nothing either)
  }
  if (!film) return names;
  const std::string folder = anim::FilmFolder(file);
  for (const anim::FrameList& list : film->Lists)
    if (const auto* image = std::get_if<anim::ImageListData>(&list.Data);
        image && !image->Source.empty())
      names.push_back(anim::ResolveRelative(image->Source, folder));
  return names;
}

void TVeskPrevMenu::SetSource(const std::string& name) {
  if (name == Source) return;
  Source = name;
  ClearItems();
  Invalidate();
  PrevMenuFile file;
  file.Recognised = false;
  TOrloCollection* cache = pictures();
  if (!name.empty() && cache && cache->Services().read_file &&
      (!cache->Services().file_available || cache->Services().file_available(name))) {
    if (auto bytes = cache->Services().read_file(name)) {
      try {
        file = ReadPrevMenuFile(*bytes);
      } catch (const EPrevMenuFile&) {
        file = PrevMenuFile{};  // a damaged file gives an empty menu
        file.Recognised = false;
      }
    }
  }
  if (!file.Recognised) return;
  SetBounds(Left, Top, file.Width, file.Height);
  for (PrevMenuItem& item : file.Items) items_.push_back(Item{Resolved(name, std::move(item))});
  for (int32_t i = 0; i < ItemCount(); ++i) {
    Item& item = items_[static_cast<size_t>(i)];
    item.image = MakeImage(ItemSuffix(i), item.data.X, item.data.Y);
    if (item.image) item.image->CaptureMask = item.data.CaptureMask ? 1 : 0;
    Show(i, RestingSource(item), true);
    for (const std::string* picture :
         {&item.data.Source, &item.data.HoverSource, &item.data.LeaveSource,
          &item.data.PressedSource, &item.data.UncheckedSource, &item.data.ClickedSource})
      if (!picture->empty()) Preload(*picture);
  }
  Invalidate();
}

const std::string& TVeskPrevMenu::RestingSource(const Item& item) const {
  if (!item.check && !item.data.UncheckedSource.empty()) return item.data.UncheckedSource;
  return item.data.Source;
}

void TVeskPrevMenu::Show(int32_t index, const std::string& source, bool repeat) {
  TVeskPrevImages* image = ItemImage(index);
  if (!image) return;
  image->SetFlag(PR_REPEAT, repeat);
  image->SetListSource(0, source);
}

void TVeskPrevMenu::PlaySound(const std::string& file) const {
  const ComponentServices* made_with = services();
  if (!file.empty() && made_with && made_with->play_sound) made_with->play_sound(file);
}

int32_t TVeskPrevMenu::ItemAt(int32_t x, int32_t y) const {
  constexpr uint32_t kItemQuery = 1u << IM_ALL;  // the items ignore the scene's queries
  for (auto c = Children.rbegin(); c != Children.rend(); ++c) {
    for (int32_t i = 0; i < ItemCount(); ++i) {
      const Item& item = items_[static_cast<size_t>(i)];
      if (item.image != *c) continue;
      if (item.enabled && (*c)->HitTest(x, y, kItemQuery) == *c) return i;
      break;
    }
  }
  return -1;
}

int32_t TVeskPrevMenu::FindItem(const std::string& item) const {
  if (const std::optional<int32_t> number = expr::ParseInt(item))
    return *number >= 0 && *number < ItemCount() ? *number : -1;
  const std::string wanted = LowerAsciiSjis(item);
  for (int32_t i = 0; i < ItemCount(); ++i)
    if (LowerAsciiSjis(Caption(i)) == wanted) return i;
  return -1;
}

// ---- Hover and choice ------------------------------------------------------------------------

void TVeskPrevMenu::SetHovered(int32_t index) {
  if (index < -1 || index >= ItemCount()) index = -1;
  if (index == Hovered) return;
  const int32_t old = Hovered;
  Hovered = index;
  if (old >= 0) {
    const Item& item = items_[static_cast<size_t>(old)];
    // A leave animation plays once and stays on its last picture.
    if (item.data.LeaveSource.empty())
      Show(old, RestingSource(item), true);
    else
      Show(old, item.data.LeaveSource, false);
    PlaySound(item.data.LeaveSound);
    QueueEvent(PR_ONMAPOUT, OnMapOut, {Caption(old), std::to_string(old)});
  }
  if (index >= 0) {
    const Item& item = items_[static_cast<size_t>(index)];
    Show(index, item.data.HoverSource.empty() ? RestingSource(item) : item.data.HoverSource, true);
    PlaySound(item.data.HoverSound);
    QueueEvent(PR_ONMAPIN, OnMapIn, {Caption(index), std::to_string(index)});
  }
}

void TVeskPrevMenu::HoverFromMouse() {
  const scene::TVeskBase* base = GetBase();
  if (!base) return;
  SetHovered(Paused ? -1 : ItemAt(base->MouseX, base->MouseY));
}

void TVeskPrevMenu::Choose(int32_t index) {
  if (index < 0 || index >= ItemCount() || !items_[static_cast<size_t>(index)].enabled) return;
  const Item& item = items_[static_cast<size_t>(index)];
  chosen_ = index;
  finished_ = false;
  locked_ = true;  // until the click has played out
  const std::string& pressed = !item.data.PressedSource.empty() ? item.data.PressedSource
                               : !item.data.HoverSource.empty() ? item.data.HoverSource
                                                                : RestingSource(item);
  Show(index, pressed, false);
  if (TVeskPrevImages* old = Live(clicked_)) Root->DeleteObject(old);
  clicked_ = nullptr;
  if (!item.data.ClickedSource.empty()) {
    clicked_ = MakeImage(kClickedSuffix, item.data.ClickedX, item.data.ClickedY);
    if (clicked_) clicked_->SetListSource(0, item.data.ClickedSource);
  }
  const std::string caption = Caption(index);
  SetSelection(caption, index);
  QueueEvent(PR_ONSELECT, OnSelect, {caption, std::to_string(index)});
}

void TVeskPrevMenu::AnimationFinished(TVeskPrevImages& image) {
  if (chosen_ < 0) return;
  TVeskPrevImages* watched = Live(clicked_) ? clicked_ : ItemImage(chosen_);
  if (&image == watched) finished_ = true;
}

bool TVeskPrevMenu::FinishChoice() {
  const int32_t index = chosen_;
  chosen_ = -1;
  finished_ = false;
  if (AutoScrap) return true;
  QueueEvent(PR_ONPLAYEND, OnPlayEnd, {Caption(index), std::to_string(index)});
  locked_ = false;
  const Item& item = items_[static_cast<size_t>(index)];
  const bool hovered = index == Hovered;
  Show(index,
       hovered && !item.data.HoverSource.empty() ? item.data.HoverSource : RestingSource(item),
       true);
  return false;
}

void TVeskPrevMenu::Cancel() {
  locked_ = true;
  SetSelection(std::string(), -1);
  scrap_ = true;
}

bool TVeskPrevMenu::TakeRightClick() {
  if (IsInputLocked() || (IgnoreMouse != IM_NONE && IgnoreMouse != IM_LCLICK)) return false;
  Cancel();
  return true;
}

bool TVeskPrevMenu::Update(int32_t frame_ms) {
  if (scrap_) return true;
  if (chosen_ >= 0) {
    TVeskPrevImages* watched = Live(clicked_) ? clicked_ : ItemImage(chosen_);
    // Nothing to play counts as played.
    const TVeskImageList* list = watched ? watched->ShownList() : nullptr;
    if (!watched || (!watched->HasMotion() && (!list || list->Count() == 0))) finished_ = true;
    if (finished_) return FinishChoice();
  }
  return TVeskControl::Update(frame_ms);
}

void TVeskPrevMenu::MouseMove() {
  if (!IsInputLocked()) HoverFromMouse();
  TVeskControl::MouseMove();
}

void TVeskPrevMenu::MouseOut() {
  if (!IsInputLocked()) SetHovered(-1);
  TVeskControl::MouseOut();
}

void TVeskPrevMenu::LeftDown() {
  TVeskControl::LeftDown();
  if ((IgnoreMouse != IM_NONE && IgnoreMouse != IM_RCLICK) || Paused || IsInputLocked()) return;
  HoverFromMouse();  // the pointer may have moved since the last hover step
  if (Hovered >= 0) Choose(Hovered);
}

void TVeskPrevMenu::KeyDown() {
  if (Root && !IsInputLocked() && !Paused) {
    if ((Root->KeyPressed(kKeyReturn) || Root->KeyPressed(kKeySpace)) && Hovered >= 0)
      Choose(Hovered);
    else if (Root->KeyPressed(kKeyEscape) && RClickScrap)
      Cancel();
  }
  TVeskControl::KeyDown();
}

const std::string& TVeskPrevMenu::GetCursorFile() const {
  if (Hovered >= 0 && Hovered < ItemCount() && !ItemData(Hovered).Cursor.empty())
    return ItemData(Hovered).Cursor;
  return Cursor;
}

// ---- Item flags ------------------------------------------------------------------------------

bool TVeskPrevMenu::GetItemCheck(int32_t index) const {
  return index >= 0 && index < ItemCount() && items_[static_cast<size_t>(index)].check != 0;
}

void TVeskPrevMenu::SetItemCheck(int32_t index, bool value) {
  if (index < 0 || index >= ItemCount()) return;
  Item& item = items_[static_cast<size_t>(index)];
  if ((item.check != 0) == value) return;
  item.check = value ? 1 : 0;
  if (index != Hovered && index != chosen_) Show(index, RestingSource(item), true);
  Invalidate();
}

bool TVeskPrevMenu::GetItemEnabled(const std::string& item) const {
  const int32_t index = FindItem(item);
  return index >= 0 && items_[static_cast<size_t>(index)].enabled != 0;
}

void TVeskPrevMenu::SetItemEnabled(const std::string& item, bool value) {
  const int32_t index = FindItem(item);
  if (index < 0) return;
  items_[static_cast<size_t>(index)].enabled = value ? 1 : 0;
  // A disabled item takes no hover and no click.
  if (!value && index == Hovered) SetHovered(-1);
}

// ---- Properties ------------------------------------------------------------------------------

void TVeskPrevMenu::SetName(const std::string& name) {
  TVeskControl::SetName(name);
  for (int32_t i = 0; i < ItemCount(); ++i)
    if (TVeskPrevImages* image = ItemImage(i)) image->SetName(ChildName(ItemSuffix(i)));
  if (TVeskPrevImages* clicked = Live(clicked_)) clicked->SetName(ChildName(kClickedSuffix));
}

int32_t TVeskPrevMenu::GetInt(int id) const {
  return id == PR_COUNT ? ItemCount() : TVeskControl::GetInt(id);
}

bool TVeskPrevMenu::GetFlag(int id) const {
  switch (id) {
    case PR_AUTOSCRAP:
      return AutoScrap != 0;
    case PR_RCLICKSCRAP:
      return RClickScrap != 0;
    case PR_PAUSED:
      return Paused != 0;
    default:
      return TVeskControl::GetFlag(id);
  }
}

void TVeskPrevMenu::SetFlag(int id, bool value) {
  switch (id) {
    case PR_AUTOSCRAP:
      AutoScrap = value ? 1 : 0;
      return;
    case PR_RCLICKSCRAP:
      RClickScrap = value ? 1 : 0;
      return;
    case PR_PAUSED:
      Paused = value ? 1 : 0;
      if (value && !IsInputLocked()) SetHovered(-1);
      return;
    default:
      TVeskControl::SetFlag(id, value);
  }
}

std::string TVeskPrevMenu::GetStr(int id) const {
  switch (id) {
    case PR_SOURCE:
      return Source;
    case PR_TEXT: {
      std::string text;
      for (int32_t i = 0; i < ItemCount(); ++i) text += (i ? "\r\n" : "") + Caption(i);
      return text;
    }
    case PR_ONSELECT:
      return OnSelect;
    case PR_ONMAPIN:
      return OnMapIn;
    case PR_ONMAPOUT:
      return OnMapOut;
    case PR_ONPLAYEND:
      return OnPlayEnd;
    case PR_ONIDLE:
      return OnIdle;
    default:
      return TVeskControl::GetStr(id);
  }
}

void TVeskPrevMenu::SetStr(int id, const std::string& value) {
  switch (id) {
    case PR_SOURCE:
      return SetSource(value);
    case PR_TEXT:
      return;  // the captions come from the file
    case PR_ONSELECT:
      OnSelect = value;
      return;
    case PR_ONMAPIN:
      OnMapIn = value;
      return;
    case PR_ONMAPOUT:
      OnMapOut = value;
      return;
    case PR_ONPLAYEND:
      OnPlayEnd = value;
      return;
    case PR_ONIDLE:
      OnIdle = value;
      return;
    default:
      TVeskControl::SetStr(id, value);
  }
}

void TVeskPrevMenu::TransferKindFields(RecordIO& io) {
  io.Via(&RecordIO::Str, Source, "preview-menu source",
         [&](const std::string& s) { SetSource(s); });
  io.Flag(AutoScrap, "preview-menu auto scrap");
  io.Flag(RClickScrap, "preview-menu right-click scrap");
  io.Flag(Paused, "preview-menu paused");
  io.Str(OnSelect, "select handler");
  io.Str(OnMapIn, "map-in handler");
  io.Str(OnMapOut, "map-out handler");
  io.Str(OnPlayEnd, "play-end handler");
  io.Str(OnIdle, "idle handler");
  std::vector<uint8_t> checks, enabled;
  for (const Item& item : items_) {
    checks.push_back(item.check);
    enabled.push_back(item.enabled);
  }
  io.List(checks, 1, "preview-menu check count",
          [&](uint8_t& b) { io.Flag(b, "preview-menu check"); });
  io.List(enabled, 1, "preview-menu enabled count",
          [&](uint8_t& b) { io.Flag(b, "preview-menu enabled"); });
  if (!io.loading()) return;
  // The flags of a menu file that has changed since the save fit what is
  // there now.
  for (int32_t i = 0; i < ItemCount(); ++i) {
    Item& item = items_[static_cast<size_t>(i)];
    if (static_cast<size_t>(i) < checks.size()) item.check = checks[static_cast<size_t>(i)];
    if (static_cast<size_t>(i) < enabled.size()) item.enabled = enabled[static_cast<size_t>(i)];
    Show(i, RestingSource(item), true);
  }
}

}  // namespace vesk::components
