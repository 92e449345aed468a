#include "media/video_manager.h"

#include <algorithm>

namespace vesk::media {

TCompanionVideoItem::TCompanionVideoItem(TMediaManager* manager, companion::MediaLibrary& library,
                                         int handle)
    : TVideoItem(manager), library_(library), handle_(handle) {}

TCompanionVideoItem::~TCompanionVideoItem() {
  library_.VidmanDel(handle_);
}

bool TCompanionVideoItem::GetLoop() {
  auto* v = Lib();
  return v && v->GetRepeat();
}

void TCompanionVideoItem::SetLoop(bool loop) {
  if (auto* v = Lib()) v->SetRepeat(loop);
}

int32_t TCompanionVideoItem::GetPan() {
  auto* v = Lib();
  return v ? v->GetPan() : 0;
}

int32_t TCompanionVideoItem::GetVolume() {
  auto* v = Lib();
  return v ? v->GetVolume() : 0;
}

void TCompanionVideoItem::SetPan(int32_t pan) {
  if (auto* v = Lib()) v->SetPan(pan);
}

void TCompanionVideoItem::SetVolume(int32_t volume) {
  if (auto* v = Lib()) v->SetVolume(volume);
}

int32_t TCompanionVideoItem::GetPosition() {
  auto* v = Lib();
  return v ? v->GetPosition() : 0;
}

void TCompanionVideoItem::SetPosition(int32_t position_ms) {
  end_reported_ = false;
  if (auto* v = Lib()) v->SetPosition(std::max(0, position_ms));
}

bool TCompanionVideoItem::PollEnded() {
  if (!AtEnd()) {
    end_reported_ = false;
    return false;
  }
  if (end_reported_) return false;
  end_reported_ = true;
  return true;
}

int32_t TCompanionVideoItem::GetLength() {
  auto* v = Lib();
  return v ? v->GetLen() : 0;
}

bool TCompanionVideoItem::AtEnd() {
  auto* v = Lib();
  return v && v->IsEnd();
}

bool TCompanionVideoItem::IsPlaying() {
  auto* v = Lib();
  return v && v->IsPlaying();
}

bool TCompanionVideoItem::IsPaused() {
  auto* v = Lib();
  return v && v->IsPaused();
}

void TCompanionVideoItem::Play() {
  if (!Manager()->Enabled()) return;
  if (auto* v = Lib()) v->Play();
}

void TCompanionVideoItem::Pause() {
  if (auto* v = Lib()) v->Pause();
}

bool TCompanionVideoItem::NeedPaint() {
  auto* v = Lib();
  return v && v->NeedPaint();
}

const uint8_t* TCompanionVideoItem::GetDC(int* stride) {
  auto* v = Lib();
  return v ? v->GetDC(stride) : nullptr;
}

int32_t TCompanionVideoItem::SourceWidth() {
  auto* v = Lib();
  return v ? v->SourceWidth() : 0;
}

int32_t TCompanionVideoItem::SourceHeight() {
  auto* v = Lib();
  return v ? v->SourceHeight() : 0;
}

void TCompanionVideoItem::SetRect(const Rect& source, const Rect& screen) {
  if (auto* v = Lib())
    v->SetRect({source.left, source.top, source.right, source.bottom},
               {screen.left, screen.top, screen.right, screen.bottom});
}

bool TCompanionVideoItem::GetVisible() {
  auto* v = Lib();
  return v && v->GetVisible();
}

void TCompanionVideoItem::SetVisible(bool visible) {
  if (auto* v = Lib()) v->SetVisible(visible);
}

TDMediaItem* TVideoManager::Add(const std::string& name, bool overlay) {
  const platform::MediaBytes bytes = ReadOrReport(name);
  if (!bytes) return KeepSilent(MediaKind::kVideo);
  std::string error;
  const int handle = library_.VidmanAdd(name, bytes, overlay, &error);
  if (handle == 0) {
    Report(name, error);
    return KeepSilent(MediaKind::kVideo);
  }
  return Keep(std::make_unique<TCompanionVideoItem>(this, library_, handle));
}

}  // namespace vesk::media
