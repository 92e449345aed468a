// The stored form of the scene inside saved games: size, both bases with
// their controls, the non-visual objects, the event queue and the focus.
#include "scene/baselist.h"

#include "core/vesk_error.h"

namespace vesk::scene {

namespace {

bool Saved(const TVeskObject& o, const TVeskBaseList& root) {
  return o.GetCompoType() != 0 && !(!o.Name.empty() && o.Name[0] == kSystemNameByte) &&
         !root.IsDying(&o);
}

// A queued event. Its object is kept only while an object of that name
// exists; before 114 the depth was a flag (running or not).
void TransferEvent(RecordIO& io, script::TTimerData& e, const TVeskBaseList& root) {
  io.Str(e.Handler, "event handler");
  std::string object = io.loading() || root.IndexOfName(e.Object) >= 0 ? e.Object : std::string();
  io.Str(object, "event object");
  e.Object = root.IndexOfName(object) >= 0 ? object : std::string();
  io.U8(e.EventId, "event id");
  if (io.Since(114)) {
    io.I32(e.RunningDepth, "event depth");
  } else {
    bool running = e.RunningDepth != 0;
    io.Bool8(running, "event depth");
    io.Absent(e.RunningDepth, running ? 1 : 0);
  }
  io.List(e.Args, 4, "event argument count", [&](std::string& a) { io.Str(a, "event argument"); });
}

}  // namespace

void TVeskBaseList::Transfer(RecordIO& io) {
  if (io.loading()) Reset();
  TransferSize(io);
  for (auto& base : bases_) {
    base->Transfer(io);
    if (!io.loading()) continue;
    base->Width = width_;
    base->Height = height_;
    base->InvalidateAll();
  }
  TransferOthers(io);
  TransferEvents(io);
  TransferFocus(io);
}

void TVeskBaseList::TransferSize(RecordIO& io) {
  int32_t width = width_, height = height_;
  io.I32(width, "scene width");
  io.I32(height, "scene height");
  if (io.loading()) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
      throw ETruncated("scene size out of range");
    SetSceneSize(width, height);
  }
  io.I32(shown_base_, "shown base");
  if (io.loading()) shown_base_ &= 1;
}

// The non-visual objects: a count, then each one's kind byte and record.
void TVeskBaseList::TransferOthers(RecordIO& io) {
  std::vector<TVeskObject*> others;
  if (!io.loading())
    for (const auto& o : registry_)
      if (!o->AsControl() && Saved(*o, *this)) others.push_back(o.get());
  const int32_t count = io.Count(others.size(), 1, "object count");
  if (!io.loading()) {
    for (TVeskObject* o : others) {
      uint8_t kind = static_cast<uint8_t>(o->GetCompoType());
      io.U8(kind, "object kind");
      o->Transfer(io);
    }
    return;
  }
  for (int32_t i = 0; i < count; ++i) {
    uint8_t kind = 0;
    io.U8(kind, "object kind");
    TVeskObject* object = CreateByKind(kind);
    if (!object)
      throw ETruncated("saved object of kind " + std::to_string(kind) + " cannot be made");
    object->Transfer(io);
  }
}

void TVeskBaseList::TransferEvents(RecordIO& io) {
  if (io.loading()) Events.Clear();
  const int32_t count = io.Count(Events.Count(), 1, "event count");
  if (!io.loading()) {
    for (script::TTimerData e : Events) TransferEvent(io, e, *this);
    return;
  }
  for (int32_t i = 0; i < count; ++i) {
    script::TTimerData e;
    TransferEvent(io, e, *this);
    script::TTimerData& item = Events.Enqueue(e.Object, e.Handler, std::move(e.Args), e.EventId);
    item.RunningDepth = e.RunningDepth;
  }
}

void TVeskBaseList::TransferFocus(RecordIO& io) {
  if (!io.Since(119)) {
    if (io.loading()) RequestRefocus();  // older saves keep no focus: look for one
    return;
  }
  std::string focus =
      !io.loading() && focus_ && IsRegistered(focus_) ? focus_->Name : std::string();
  io.Str(focus, "focus name");
  if (!io.loading()) return;
  // The focus comes back as it was: no focus-in event, no search.
  if (TVeskControl* c = focus.empty() ? nullptr : FindControl(focus)) {
    focus_ = c;
    refocus_pending_ = false;
    c->FocusGained();
  }
}

// Children of a loaded control: made by the factory from their kind, put
// under `parent` and loaded; sorted once all are there.
void TVeskBaseList::LoadChildren(RecordIO& io, TVeskControl& parent) {
  const int32_t count = io.Count(0, 1, "child count");
  for (int32_t i = 0; i < count; ++i) {
    uint8_t kind = 0;
    io.U8(kind, "child kind");
    TVeskObject* object = CreateByKind(kind);
    TVeskControl* child = object ? object->AsControl() : nullptr;
    if (!child)
      throw ETruncated("saved control of kind " + std::to_string(kind) + " cannot be made");
    child->Parent = &parent;
    parent.Children.push_back(child);
    child->Transfer(io);
  }
  parent.SortChildren();
}

}  // namespace vesk::scene
