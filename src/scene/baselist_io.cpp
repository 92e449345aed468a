// The stored form of the scene inside saved games: size, both bases with
// their controls, the non-visual objects, the event queue and the focus.
#include "scene/baselist.h"

#include "core/vesk_error.h"

namespace vesk::scene {

namespace {

bool Saved(const TVeskObject& o, const TVeskBaseList& root) {
  return o.GetCompoType() != 0 && !(!o.Name.empty() && o.Name[0] == kSystemNameByte) && !root.IsDying(&o);
}

void SaveArgs(ByteWriter& out, const std::vector<std::string>& args) {
  out.I32(static_cast<int32_t>(args.size()));
  for (const std::string& a : args) out.Str(a);
}

std::vector<std::string> LoadArgs(ByteReader& in) {
  const int32_t n = in.I32("event argument count");
  if (n < 0 || static_cast<size_t>(n) > in.remaining() / 4) throw ETruncated("event argument count out of range");
  std::vector<std::string> args(static_cast<size_t>(n));
  for (std::string& a : args) a = in.Str("event argument");
  return args;
}

}  // namespace

void TVeskBaseList::SaveToStream(ByteWriter& out) const {
  out.I32(width_);
  out.I32(height_);
  out.I32(shown_base_);
  bases_[0]->SaveToStream(out);
  bases_[1]->SaveToStream(out);
  std::vector<const TVeskObject*> others;
  for (const auto& o : registry_)
    if (!o->AsControl() && Saved(*o, *this)) others.push_back(o.get());
  out.I32(static_cast<int32_t>(others.size()));
  for (const TVeskObject* o : others) {
    out.U8(static_cast<uint8_t>(o->GetCompoType()));
    o->SaveToStream(out);
  }
  out.I32(static_cast<int32_t>(Events.Count()));
  for (const script::TTimerData& e : Events) {
    out.Str(e.Handler);
    out.Str(IndexOfName(e.Object) >= 0 ? e.Object : std::string());
    out.U8(e.EventId);
    out.I32(e.RunningDepth);
    SaveArgs(out, e.Args);
  }
  out.Str(focus_ && IsRegistered(focus_) ? focus_->Name : std::string());
}

void TVeskBaseList::LoadFromStream(ByteReader& in, int32_t version) {
  Reset();
  const int32_t width = in.I32("scene width"), height = in.I32("scene height");
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) throw ETruncated("scene size out of range");
  SetSceneSize(width, height);
  shown_base_ = in.I32("shown base") & 1;
  for (auto& base : bases_) {
    base->LoadFromStream(in, version);
    base->Width = width_;
    base->Height = height_;
    base->InvalidateAll();
  }
  const int32_t count = in.I32("object count");
  if (count < 0 || static_cast<size_t>(count) > in.remaining()) throw ETruncated("object count out of range");
  for (int32_t i = 0; i < count; ++i) {
    const int kind = in.U8("object kind");
    TVeskObject* object = CreateByKind(kind);
    if (!object) throw ETruncated("saved object of kind " + std::to_string(kind) + " cannot be made");
    object->LoadFromStream(in, version);
  }
  Events.Clear();
  const int32_t events = in.I32("event count");
  if (events < 0 || static_cast<size_t>(events) > in.remaining()) throw ETruncated("event count out of range");
  for (int32_t i = 0; i < events; ++i) {
    std::string handler = in.Str("event handler");
    std::string object = in.Str("event object");
    if (IndexOfName(object) < 0) object.clear();
    const uint8_t id = in.U8("event id");
    int32_t depth = version <= 113 ? (in.U8("event depth") != 0 ? 1 : 0) : in.I32("event depth");
    script::TTimerData& item = Events.Enqueue(object, handler, LoadArgs(in), id);
    item.RunningDepth = depth;
  }
  if (version <= 118) RequestRefocus();  // older saves keep no focus: look for one
  if (version > 118) {
    const std::string focus = in.Str("focus name");
    // The focus comes back as it was: no focus-in event, no search.
    if (TVeskControl* c = focus.empty() ? nullptr : FindControl(focus)) {
      focus_ = c;
      refocus_pending_ = false;
      c->FocusGained();
    }
  }
}

// Children of a loaded control: made by the factory from their kind, put
// under `parent` and loaded; sorted once all are there.
void TVeskBaseList::LoadChildren(ByteReader& in, int32_t version, TVeskControl& parent) {
  const int32_t count = in.I32("child count");
  if (count < 0 || static_cast<size_t>(count) > in.remaining()) throw ETruncated("child count out of range");
  for (int32_t i = 0; i < count; ++i) {
    const int kind = in.U8("child kind");
    TVeskObject* object = CreateByKind(kind);
    TVeskControl* child = object ? object->AsControl() : nullptr;
    if (!child) throw ETruncated("saved control of kind " + std::to_string(kind) + " cannot be made");
    child->Parent = &parent;
    parent.Children.push_back(child);
    child->LoadFromStream(in, version);
  }
  parent.SortChildren();
}

}  // namespace vesk::scene
