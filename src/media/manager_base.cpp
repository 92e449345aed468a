#include "media/manager_base.h"

#include "media/silent_item.h"

#include <algorithm>
#include <cstdio>

namespace vesk::media {

TMediaManagerBase::~TMediaManagerBase() = default;

TDMediaItem* TMediaManagerBase::Keep(std::unique_ptr<TDMediaItem> item) {
  if (!item) return nullptr;
  items_.push_back(std::move(item));
  return items_.back().get();
}

void TMediaManagerBase::Remove(TDMediaItem* item) {
  auto it = std::find_if(items_.begin(), items_.end(),
                         [item](const auto& owned) { return owned.get() == item; });
  if (it == items_.end()) return;
  Forget(item);
  items_.erase(it);
}

void TMediaManagerBase::Clear() {
  while (!items_.empty()) Remove(items_.back().get());
}

void TMediaManagerBase::Suspend() {
  if (!enabled_ || suspended_) return;
  suspended_ = true;
  for (auto& item : items_) {
    item->suspended = item->IsPlaying() && !item->IsPaused() && !item->AtEnd();
    if (item->suspended) item->Pause();
  }
}

void TMediaManagerBase::Resume() {
  if (!enabled_ || !suspended_) return;
  suspended_ = false;
  for (auto& item : items_) {
    if (!item->suspended) continue;
    item->suspended = false;
    item->Play();
  }
}

void TMediaManagerBase::SetEnabled(bool enabled) {
  if (!enabled) {
    Suspend();
    enabled_ = false;
  } else {
    enabled_ = true;
    Resume();
  }
}

void TMediaManagerBase::Report(const std::string& name, const std::string& reason) const {
  const std::string line = name + ": " + reason;
  if (services_.report)
    services_.report(line);
  else
    std::fprintf(stderr, "%s\n", line.c_str());
}

platform::MediaBytes TMediaManagerBase::ReadOrReport(const std::string& name) const {
  platform::MediaBytes bytes = services_.read_file ? services_.read_file(name) : nullptr;
  if (!bytes) Report(name, "file not found");
  return bytes;
}

TDMediaItem* TMediaManagerBase::KeepSilent(MediaKind kind) {
  if (kind == MediaKind::kVideo) return Keep(std::make_unique<TSilentVideoItem>(this));
  return Keep(std::make_unique<TSilentItem>(this, kind));
}

}  // namespace vesk::media
