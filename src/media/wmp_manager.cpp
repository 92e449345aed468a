#include "media/wmp_manager.h"

#include <algorithm>

namespace vesk::media {

TWmpItem::TWmpItem(TMediaManager* manager, companion::MediaLibrary& library, int handle)
    : TDMediaItem(manager), library_(library), handle_(handle) {}

TWmpItem::~TWmpItem() {
  library_.WmpmanDel(handle_);
}

bool TWmpItem::GetLoop() {
  auto* m = Lib();
  return m && m->GetRepeat();
}

void TWmpItem::SetLoop(bool loop) {
  if (auto* m = Lib()) m->SetRepeat(loop);
}

int32_t TWmpItem::GetPan() {
  auto* m = Lib();
  return m ? m->GetPan() : 0;
}

int32_t TWmpItem::GetVolume() {
  auto* m = Lib();
  return m ? m->GetVolume() : 0;
}

void TWmpItem::SetPan(int32_t pan) {
  if (auto* m = Lib()) m->SetPan(pan);
}

void TWmpItem::SetVolume(int32_t volume) {
  if (auto* m = Lib()) m->SetVolume(volume);
}

int32_t TWmpItem::GetPosition() {
  auto* m = Lib();
  return m ? m->GetPosition() : 0;
}

void TWmpItem::SetPosition(int32_t position_ms) {
  end_reported_ = false;
  if (auto* m = Lib()) m->SetPosition(std::max(0, position_ms));
}

int32_t TWmpItem::GetLength() {
  auto* m = Lib();
  return m ? m->GetLen() : 0;
}

bool TWmpItem::PollEnded() {
  if (end_reported_ || !AtEnd()) return false;
  end_reported_ = true;
  return true;
}

bool TWmpItem::AtEnd() {
  auto* m = Lib();
  return m && m->IsEnd();
}

bool TWmpItem::IsPlaying() {
  auto* m = Lib();
  return m && m->IsPlaying();
}

bool TWmpItem::IsPaused() {
  auto* m = Lib();
  return m && m->IsPaused();
}

void TWmpItem::Play() {
  if (!Manager()->Enabled()) return;
  if (auto* m = Lib()) m->Play();
}

void TWmpItem::Pause() {
  if (auto* m = Lib()) m->Pause();
}

TDMediaItem* TWmpManager::Add(const std::string& name, bool /*overlay*/) {
  const platform::MediaBytes bytes = ReadOrReport(name);
  if (!bytes) return KeepSilent(MediaKind::kWmp);
  std::string error;
  const int handle = library_.WmpmanAdd(bytes, &error);
  if (handle == 0) {
    Report(name, error);
    return KeepSilent(MediaKind::kWmp);
  }
  return Keep(std::make_unique<TWmpItem>(this, library_, handle));
}

}  // namespace vesk::media
