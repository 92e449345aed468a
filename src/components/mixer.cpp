#include "components/mixer.h"

namespace vesk::components {

namespace {

bool IsMidi(const media::TDMediaItem* item) {
  return item && item->Kind() == media::MediaKind::kMidi;
}

int32_t Along(int32_t start, uint32_t elapsed_ms, int32_t distance, int32_t duration_ms) {
  if (duration_ms <= 0) return start + distance;
  return static_cast<int32_t>(start + static_cast<int64_t>(elapsed_ms) * distance / duration_ms);
}

}  // namespace

int32_t ScaledVolume(const media::TDMediaItem* item, int32_t volume) {
  if (IsMidi(item)) return static_cast<int32_t>(static_cast<int64_t>(volume) * 10 - 10000);
  if (volume <= 0) return kSilentVolume;
  if (volume > 1000) return 0;
  return volume * 5 - 5000;
}

TVeskMixer::~TVeskMixer() {
  if (ReturnsItem && Item && Item->Manager()) Item->Manager()->Remove(Item);
}

int32_t TVeskMixer::Distance() const {
  const int32_t d = TargetVolume - StartVolume;
  return IsMidi(Item) ? d : d / 2;
}

bool TVeskMixerFadein::Step(int32_t now_ms) {
  if (!Item) return true;
  if (!Started) {
    Item->SetVolume(kSilentVolume);
    Item->Play();
    StartVolume = kSilentVolume;
    Begin(now_ms);
    return false;
  }
  const uint32_t e = Elapsed(now_ms);
  if (Over(e)) {
    Item->SetVolume(TargetVolume);
    return true;
  }
  const int32_t d = Distance();
  // Other than MIDI, the way up begins halfway.
  const int32_t from = IsMidi(Item) ? StartVolume : StartVolume + d;
  Item->SetVolume(Along(from, e, d, Duration));
  return false;
}

bool TVeskMixerFadeout::Step(int32_t now_ms) {
  if (!Item) return true;
  if (!Started) {
    StartVolume = Item->GetVolume();
    TargetVolume = kSilentVolume;
    Begin(now_ms);
    return false;
  }
  const uint32_t e = Elapsed(now_ms);
  if (Over(e)) return true;
  Item->SetVolume(Along(StartVolume, e, Distance(), Duration));
  return false;
}

}  // namespace vesk::components
