#include "media/ogg_manager.h"

#include <algorithm>
#include <cctype>

#include "audio/volume.h"
#include "core/vesk_error.h"

namespace vesk::media {

// ---- TOggItem ---------------------------------------------------------------

TOggItem::TOggItem(TMediaManager* manager, companion::MediaLibrary& library, int handle,
                   platform::MediaBytes source)
    : TCustomOggItem(manager), library_(library), handle_(handle), source_(std::move(source)) {}

TOggItem::~TOggItem() {
  library_.OggmanDel(handle_);
}

bool TOggItem::GetLoop() {
  auto* m = Lib();
  return m && m->GetRepeat();
}

void TOggItem::SetLoop(bool loop) {
  if (auto* m = Lib()) m->SetRepeat(loop);
}

int32_t TOggItem::GetPan() {
  auto* m = Lib();
  return m ? m->GetPan() : 0;
}

int32_t TOggItem::GetVolume() {
  auto* m = Lib();
  return m ? m->GetVolume() : 0;
}

void TOggItem::SetPan(int32_t pan) {
  if (auto* m = Lib()) m->SetPan(pan);
}

void TOggItem::SetVolume(int32_t volume) {
  if (auto* m = Lib()) m->SetVolume(volume);
}

int32_t TOggItem::GetPosition() {
  auto* m = Lib();
  return m ? m->GetPosition() : 0;
}

void TOggItem::SetPosition(int32_t position_ms) {
  if (auto* m = Lib()) m->SetPosition(std::max(0, position_ms));
}

int32_t TOggItem::GetLength() {
  auto* m = Lib();
  return m ? m->GetLen() : 0;
}

bool TOggItem::PollEnded() {
  if (end_reported_ || !AtEnd()) return false;
  end_reported_ = true;
  return true;
}

bool TOggItem::AtEnd() {
  auto* m = Lib();
  return m && m->IsEnd();
}

bool TOggItem::IsPlaying() {
  auto* m = Lib();
  return m && m->IsPlaying() && !m->IsPaused();
}

bool TOggItem::IsPaused() {
  auto* m = Lib();
  return m && m->IsPaused();
}

void TOggItem::Play() {
  if (!Manager()->Enabled()) {
    pending_play_ = true;
    suspended = true;
    return;
  }
  pending_play_ = false;
  end_reported_ = false;
  if (auto* m = Lib()) m->Play();
}

void TOggItem::Pause() {
  if (pending_play_) {
    pending_play_ = false;
    suspended = false;
  }
  if (auto* m = Lib()) m->Pause();
}

// ---- TOggWaveItem -----------------------------------------------------------

TOggWaveItem::TOggWaveItem(TMediaManager* manager, audio::TWavOut& out, platform::MediaBytes source,
                           std::unique_ptr<TOggStream> stream, audio::TWavBuffer* buffer)
    : TCustomOggItem(manager),
      out_(out),
      source_(std::move(source)),
      stream_(std::move(stream)),
      buffer_(buffer) {}

TOggWaveItem::~TOggWaveItem() {
  out_.FreeBuffer(buffer_);
}

int32_t TOggWaveItem::LevelForVolume(int32_t volume) {
  return (std::max(volume, -5000) + 5000) * 256 / 5000;
}

void TOggWaveItem::SetVolume(int32_t volume) {
  volume_ = volume;
  buffer_->SetLevel(LevelForVolume(volume));
}

int64_t TOggWaveItem::BitRate() const {
  const audio::PcmFormat& f = stream_->format();
  return int64_t(f.bits_per_sample) * f.channels * f.samples_per_sec;
}

int32_t TOggWaveItem::GetPosition() {
  const int64_t bit_rate = BitRate();
  if (bit_rate / 8 == 0) return 0;
  return int32_t(audio::DivRoundHalfEven(buffer_->GetBytePosition() * 8000, bit_rate));
}

void TOggWaveItem::SetPosition(int32_t position_ms) {
  const int64_t ms = std::max(0, position_ms);
  buffer_->SetBytePosition(audio::DivRoundHalfEven(ms * BitRate(), 8000));
}

bool TOggWaveItem::PollEnded() {
  if (!buffer_->HasDrained()) return false;
  if (buffer_->Loop()) {
    buffer_->Start();
    return false;
  }
  return true;
}

bool TOggWaveItem::AtEnd() {
  return buffer_->HasDrained() && !buffer_->Loop();
}

bool TOggWaveItem::IsPlaying() {
  return buffer_->Started() && !buffer_->Stopped() && !paused_ && !buffer_->HasDrained();
}

void TOggWaveItem::Play() {
  if (!Manager()->Enabled()) return;
  buffer_->Start();
  paused_ = false;
}

void TOggWaveItem::Pause() {
  buffer_->Stop();
  paused_ = true;
}

// ---- TOggManager ------------------------------------------------------------

namespace {

bool HasOggExtension(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".ogg";
}

}  // namespace

TDMediaItem* TOggManager::Add(const std::string& name, bool /*overlay*/) {
  platform::MediaBytes bytes = ReadOrReport(name);
  if (!bytes) return KeepSilent(MediaKind::kOgg);
  const bool is_ogg = HasOggExtension(name);
  if (services().direct_sound) return AddLibraryItem(name, std::move(bytes), is_ogg);
  return AddWaveItem(name, std::move(bytes), is_ogg);
}

TDMediaItem* TOggManager::AddLibraryItem(const std::string& name, platform::MediaBytes bytes,
                                         bool is_ogg) {
  std::string error;
  const int handle = library_.OggmanAdd(bytes, is_ogg, &error);
  if (handle == 0) {
    Report(name, error);
    return KeepSilent(MediaKind::kOgg);
  }
  return Keep(std::make_unique<TOggItem>(this, library_, handle, std::move(bytes)));
}

TDMediaItem* TOggManager::AddWaveItem(const std::string& name, platform::MediaBytes bytes,
                                      bool is_ogg) {
  out_.Open();
  std::string error;
  const int handle = library_.OggStrmanAdd(bytes, is_ogg, &error);
  if (handle == 0) {
    Report(name, error);
    return KeepSilent(MediaKind::kOgg);
  }
  std::unique_ptr<TOggStream> stream;
  try {
    stream = std::make_unique<TOggStream>(library_, handle);
  } catch (const EVeskError& e) {
    Report(name, e.Message());
    return KeepSilent(MediaKind::kOgg);
  }
  audio::TWavBuffer* buffer = out_.CreateBuffer(stream->format(), *stream);
  return Keep(
      std::make_unique<TOggWaveItem>(this, out_, std::move(bytes), std::move(stream), buffer));
}

}  // namespace vesk::media
