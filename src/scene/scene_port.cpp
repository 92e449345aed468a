#include "scene/scene_port.h"

#include <algorithm>
#include <variant>

#include "core/sjis.h"
#include "lang/properties.h"
#include "lang/vocabulary.h"
#include "scene/media_object.h"
#include "scene/prop_dispatch.h"

namespace vesk::scene {

using namespace vesk::lang;
using namespace vesk::script;

void SceneCommandPort::GetProp(expr::TCustomParam& dest, SceneObject& handle, int32_t id) {
  scene::GetProp(dest, Object(handle), id);
}

void SceneCommandPort::SetProp(SceneObject& handle, int32_t id, const expr::TCustomParam& value) {
  scene::SetProp(Object(handle), id, value);
}

void SceneCommandPort::ApplyCreationProperty(SceneObject& handle, int id,
                                             const CreationValue& value) {
  TVeskObject& object = Object(handle);
  if (id == PR_NAME) {
    const std::string& name = std::get<std::string>(value);
    if (!name.empty()) object.SetName(name);
    return;
  }
  if (id == PR_PARENT) {
    if (TVeskControl* control = object.AsControl()) {
      TVeskControl* parent = root_.FindControl(std::get<std::string>(value));
      control->SetParent(parent ? parent : root_.ShownBase());
    }
    return;
  }
  if (id == PR_TAG) {
    object.Tag = std::get<std::string>(value);
    return;
  }
  // Creation reads some numbers in another type than the property keeps
  // (HandleKey is read as a flag and kept as an integer): the setter of the
  // property's own type takes them, as SetProp's would.
  const PropType own = Property(id).type;
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>)
          object.SetStr(id, v);
        else if constexpr (std::is_same_v<T, bool>) {
          if (own == PropType::kInt)
            object.SetInt(id, v ? 1 : 0);
          else
            object.SetFlag(id, v);
        } else if constexpr (std::is_same_v<T, int32_t>) {
          if (own == PropType::kFlag)
            object.SetFlag(id, v != 0);
          else
            object.SetInt(id, v);
        } else
          object.SetReal(id, v);
      },
      value);
}

void SceneCommandPort::CreationComplete(SceneObject& handle) {
  if (TVeskControl* control = Object(handle).AsControl()) {
    // A control made without a parent property lands on the shown base, as
    // one with an unknown parent name does.
    if (!control->Parent) control->SetParent(root_.ShownBase());
    control->Invalidate();
  }
  // A sound or video plays once its properties are set (and a video is in
  // place), fading in when it was given a fade time.
  if (auto* media = dynamic_cast<MediaObject*>(&Object(handle)))
    media->SetPlayMode(Object(handle).GetInt(PR_DELAY) > 0 ? LP_PLAYFADE : LP_PLAY);
}

void SceneCommandPort::Play(const std::string& name) {
  if (auto* media = dynamic_cast<MediaObject*>(root_.FindComponent(name))) media->Replay();
}

std::string SceneCommandPort::Stop(const std::string& name, int32_t fade_ms,
                                   const std::function<bool(const std::string&)>& file_available) {
  TVeskObject* object = root_.FindComponent(name);
  auto* media = dynamic_cast<MediaObject*>(object);
  if (!media) return {};
  if (fade_ms <= 0) {
    media->SetPlayMode(LP_STOP);
    root_.DeleteObject(object);
    return {};
  }
  const std::string& source = media->MediaSource();
  if (source.rfind("CD_", 0) != 0 && !(file_available && file_available(source))) return {};
  if (media->GetPlayMode() == LP_STOP || media->GetPlayMode() == LP_STOPFADE) return {};
  object->SetInt(PR_DELAY, fade_ms);
  media->SetPlayMode(LP_STOPFADE);
  return object->Name;  // a sound has stepped aside to its fading name
}

namespace {

TVeskCabinet* AsCabinet(TVeskObject* object) {
  TVeskControl* c = object ? object->AsControl() : nullptr;
  return c && c->IsCabinet() ? static_cast<TVeskCabinet*>(c) : nullptr;
}

// Moves the selected children of `from`, last first, under `to`.
void MoveSelected(TVeskControl& from, TVeskControl& to, const ScenePort::NameFilter& selected) {
  const std::vector<TVeskControl*> children = from.Children;
  for (auto it = children.rbegin(); it != children.rend(); ++it)
    if (selected((*it)->Name)) (*it)->SetParent(&to);
}

}  // namespace

void SceneCommandPort::SaveCabinet(const std::string& name, const ScenePort::NameFilter& selected) {
  TVeskCabinet* cabinet = AsCabinet(name.empty() ? nullptr : root_.FindComponent(name));
  if (!cabinet) {
    cabinet = AsCabinet(root_.CreateByKind(LT_CABINET));
    if (!cabinet) return;
    if (!name.empty()) cabinet->SetName(name);
    cabinet->SetParent(root_.GetBaseAt(0));
  }
  MoveSelected(*root_.BackBase(), *cabinet, selected);
  if (cabinet->Children.empty()) root_.DeleteObject(cabinet);
}

void SceneCommandPort::LoadCabinet(const std::string& name, const ScenePort::NameFilter& selected) {
  TVeskCabinet* cabinet = AsCabinet(name.empty() ? nullptr : root_.FindComponent(name));
  if (!cabinet) return;
  MoveSelected(*cabinet, *root_.BackBase(), selected);
  if (cabinet->Children.empty()) root_.DeleteObject(cabinet);
}

// The end of a flip: the new page shows at once, the snapshot goes and,
// when asked, so does whatever was on the old page.
void SceneCommandPort::FinishFlip(bool clear_back, bool cabinets_too) {
  root_.StartTransition(root_.ShownBaseIndex() ^ 1, {});
  root_.DropSnapshot();
  if (!clear_back) return;
  const std::vector<TVeskControl*> children = root_.BackBase()->Children;
  for (TVeskControl* c : children)
    if ((cabinets_too || !c->IsCabinet()) && root_.IsRegistered(c)) root_.DeleteObject(c);
}

// ---- System functions -----------------------------------------------------

namespace {

const expr::TCustomParam* Arg(expr::Operands& ops, size_t i) {
  return i < ops.size() ? ops[i].get() : nullptr;
}
std::string Str(expr::Operands& ops, size_t i) {
  return Arg(ops, i) ? Arg(ops, i)->GetStr() : std::string();
}
int32_t Int(expr::Operands& ops, size_t i) {
  return Arg(ops, i) ? Arg(ops, i)->GetInt() : 0;
}

// ListCompo: names of registered objects of a kind, under a parent.
int32_t ListCompo(TVeskBaseList& root, expr::Operands& ops) {
  expr::TCustomParam* list = ops.empty() ? nullptr : ops[0].get();
  if (!list) return 0;
  int kind = Arg(ops, 1) ? Int(ops, 1) & 0xFF : 0;
  if (kind >= 28) kind = 0;
  const TVeskObject* parent = &root;
  if (Arg(ops, 2)) parent = root.FindComponent(Str(ops, 2));  // none found: objects without parent
  std::vector<std::string> names;
  root.ListNames(names, kind, parent);
  if (names.empty()) {
    list->SetCount(1);
    list->SetStrAt(0, std::string());
    return 0;
  }
  list->SetDims({static_cast<int32_t>(names.size())});
  for (size_t i = 0; i < names.size(); ++i) list->SetStrAt(static_cast<int32_t>(i), names[i]);
  return static_cast<int32_t>(names.size());
}

// A character of a menu item folded for comparing without letter case:
// ASCII letters and the full-width Latin letters (Shift-JIS 0x8281..0x829A
// to 0x8260..0x8279) to upper case; every other byte as it is.
std::string FoldMenuCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<uint8_t>(text[i]);
    if (IsSjisLeadByte(b) && i + 1 < text.size()) {
      auto trail = static_cast<uint8_t>(text[i + 1]);
      if (b == 0x82 && trail >= 0x81 && trail <= 0x9A) trail = static_cast<uint8_t>(trail - 0x21);
      out.push_back(static_cast<char>(b));
      out.push_back(static_cast<char>(trail));
      ++i;
    } else {
      out.push_back(UpperAsciiByte(static_cast<char>(b)));
    }
  }
  return out;
}

// IndexOfMenu: the first line of an object's text equal to `item` without
// regard to letter case, or -1.
int32_t IndexOfMenu(TVeskBaseList& root, const std::string& name, const std::string& item) {
  TVeskObject* o = name.empty() ? nullptr : root.FindComponent(name);
  if (!o) return -1;
  const std::string text = o->GetStr(PR_TEXT);
  std::string_view trimmed = text;
  while (!trimmed.empty() && static_cast<uint8_t>(trimmed.front()) <= ' ') trimmed.remove_prefix(1);
  while (!trimmed.empty() && static_cast<uint8_t>(trimmed.back()) <= ' ') trimmed.remove_suffix(1);
  if (trimmed.empty()) return -1;
  const std::string wanted = FoldMenuCase(item);
  int32_t index = 0;
  size_t start = 0;
  while (start <= trimmed.size()) {
    // CR and LF are never trail bytes: a byte scan finds the line ends.
    size_t end = trimmed.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = trimmed.size();
    if (FoldMenuCase(trimmed.substr(start, end - start)) == wanted) return index;
    if (end == trimmed.size()) break;
    start = end + (trimmed.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    ++index;
  }
  return -1;
}

}  // namespace

bool CallSceneFunction(TVeskBaseList& root, int id, expr::TParamCollectionItem& dest,
                       expr::Operands& ops) {
  static expr::TParamInt nowhere;  // a destination without a value takes nothing
  expr::TCustomParam& out = dest.Value ? *dest.Value : nowhere;
  switch (id) {
    case FN_GetProp:
      if (TVeskObject* o = root.FindComponent(Str(ops, 0))) scene::GetProp(out, *o, Int(ops, 1));
      return true;
    case FN_SetProp:
      if (TVeskObject* o = root.FindComponent(Str(ops, 0)); o && Arg(ops, 2))
        scene::SetProp(*o, Int(ops, 1), *Arg(ops, 2));
      return true;
    case FN_Exists: {
      const std::string name = Str(ops, 0);
      out.SetFlag(!name.empty() && root.FindComponent(name) != nullptr);
      return true;
    }
    case FN_ListCompo:
      out.SetInt(ListCompo(root, ops));
      return true;
    case FN_ToClientX:
    case FN_ToClientY:
    case FN_ToScreenX:
    case FN_ToScreenY: {
      const int32_t v = Int(ops, 1);
      TVeskObject* o = root.FindComponent(Str(ops, 0));
      const TVeskControl* c = o ? o->AsControl() : nullptr;
      int32_t r = v;
      if (c) {
        if (id == FN_ToClientX) r = v - c->GetSceneLeft();
        if (id == FN_ToClientY) r = v - c->GetSceneTop();
        if (id == FN_ToScreenX) r = v + c->GetSceneLeft();
        if (id == FN_ToScreenY) r = v + c->GetSceneTop();
      }
      out.SetInt(r);
      return true;
    }
    case FN_InPrimary: {
      const std::string name = Str(ops, 0);
      TVeskControl* c = name.empty() ? nullptr : root.FindControl(name);
      out.SetFlag(c && c->GetBase() == root.ShownBase() && !c->IsInCabinet());
      return true;
    }
    case FN_GetCheck: {
      TVeskObject* o = root.FindComponent(Str(ops, 0));
      out.SetFlag(o && o->GetItemCheck(Int(ops, 1)));
      return true;
    }
    case FN_SetCheck:
      if (TVeskObject* o = root.FindComponent(Str(ops, 0)); o && Arg(ops, 2))
        o->SetItemCheck(Int(ops, 1), Arg(ops, 2)->GetFlag());
      return true;
    case FN_IndexOfMenu:
      out.SetInt(IndexOfMenu(root, Str(ops, 0), Str(ops, 1)));
      return true;
    case FN_GetEnabled: {
      TVeskObject* o = root.FindComponent(Str(ops, 0));
      out.SetFlag(o && o->GetItemEnabled(Str(ops, 1)));
      return true;
    }
    case FN_SetEnabled:
      if (TVeskObject* o = root.FindComponent(Str(ops, 0)); o && Arg(ops, 2))
        o->SetItemEnabled(Str(ops, 1), Arg(ops, 2)->GetFlag());
      return true;
    default:
      return false;
  }
}

}  // namespace vesk::scene
