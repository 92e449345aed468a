#include "media/midi_player.h"

#include <algorithm>

namespace vesk::media {

namespace {

constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kAllNotesOffController = 0x7B;
constexpr uint32_t kGsResetSettleMs = 10;
constexpr uint32_t kStopSettleMs = 1;
constexpr uint32_t kMaxTickAdvanceMs = 1000;

uint32_t ShortMessageOf(const TMidiMsgEvent& event) {
  uint32_t message = 0;
  for (size_t i = 0; i < event.data.size() && i < 3; ++i)
    message |= static_cast<uint32_t>(event.data[i]) << (8 * i);
  return message;
}

uint32_t ControllerMessage(int channel, int controller, uint8_t value) {
  return (kControlChange | static_cast<uint32_t>(channel)) |
         (static_cast<uint32_t>(controller) << 8) | (static_cast<uint32_t>(value) << 16);
}

bool ValidController(int channel, int controller) {
  return channel >= 0 && channel < kMidiChannels && controller >= 0 &&
         controller < kMidiControllers;
}

bool IsNote(const TMidiMsgEvent& event) {
  return event.category == MidiCategory::kNoteOn || event.category == MidiCategory::kNoteOff;
}

}  // namespace

TMidiPlayV::TMidiPlayV(MidiPortList& ports, platform::Clock& system_clock,
                       TMMTimer::Mode timer_mode)
    : ports_(ports), system_clock_(system_clock), timer_(timer_mode, [this] { Tick(); }) {
  for (auto& channel : controller_percents_) channel.fill(100);
  timer_.SetInterval(kSequencerTickMs);
}

TMidiPlayV::~TMidiPlayV() {
  Stop();
  CloseDevice();
}

void TMidiPlayV::LoadSong(std::span<const uint8_t> bytes) {
  Stop();
  TimerHold hold(timer_);
  timer_.SetEnabled(false);
  TMidiV::LoadSong(bytes);
  for (auto& channel : controller_values_) channel[7] = 127;
}

bool TMidiPlayV::OpenDevice(int index) {
  TimerHold hold(timer_);
  if (out_ != nullptr) ports_.Close(out_index_);
  out_ = ports_.Open(index);
  out_index_ = index;
  return out_ != nullptr;
}

void TMidiPlayV::CloseDevice() {
  if (out_ == nullptr) return;
  TimerHold hold(timer_);
  timer_.SetEnabled(false);
  out_->Reset();
  ports_.Close(out_index_);
  out_ = nullptr;
}

void TMidiPlayV::PlayFrom(int32_t time_ms) {
  TimerHold hold(timer_);
  timer_.SetEnabled(false);
  const size_t target = IndexForTime(time_ms);
  const size_t position = position_.load();
  if (target < position) {
    AllNotesOff();
    position_.store(0);
    clock_ms_.store(0);
    Chase(target);
  } else if (target > position) {
    AllNotesOff();
    Chase(target);
  }
  last_tick_ms_ = system_clock_.NowMs();
  timer_.SetEnabled(true);
}

// Brings the port into the state it would have at `target` without sounding
// a note: every other event from the position up to the one before it.
void TMidiPlayV::Chase(size_t target) {
  const auto& list = events();
  const uint32_t now_ms = system_clock_.NowMs();
  for (size_t i = position_.load(); i < target && i < list.size(); ++i) {
    const TMidiMsgEvent& event = list[i];
    clock_ms_.store(event.time_ms);
    if (!IsNote(event)) Dispatch(event, now_ms);
    // A GS module ignores what comes right after its reset.
    if (event.category == MidiCategory::kGsReset) Pause(kGsResetSettleMs);
  }
  position_.store(std::min(target, list.size()));
}

void TMidiPlayV::Stop() {
  if (!timer_.Enabled()) return;
  TimerHold hold(timer_);
  timer_.SetEnabled(false);
  Pause(kStopSettleMs);
  AllNotesOff();
}

bool TMidiPlayV::Ended() const {
  return !loop_.load() && position_.load() + 1 >= events().size();
}

void TMidiPlayV::SetControllerScale(int channel, int controller, int percent) {
  if (!ValidController(channel, controller)) return;
  TimerHold hold(timer_);
  controller_percents_[channel][controller] = percent;
  if (Playing()) SendScaledController(channel, controller, system_clock_.NowMs());
}

void TMidiPlayV::SetControllerScaleAll(int controller, int percent) {
  for (int channel = 0; channel < kMidiChannels; ++channel)
    SetControllerScale(channel, controller, percent);
}

int TMidiPlayV::ControllerValue(int channel, int controller) const {
  return ValidController(channel, controller) ? controller_values_[channel][controller] : 0;
}

int TMidiPlayV::ControllerPercent(int channel, int controller) const {
  return ValidController(channel, controller) ? controller_percents_[channel][controller] : 0;
}

void TMidiPlayV::SendMasterVolumeFull() {
  if (out_ != nullptr) out_->LongMessage(kMasterVolumeFull, system_clock_.NowMs());
}

void TMidiPlayV::AllNotesOff() {
  AllNotesOffDue(system_clock_.NowMs());
}

void TMidiPlayV::AllNotesOffDue(uint32_t due_ms) {
  if (out_ == nullptr) return;
  for (int channel = 0; channel < kMidiChannels; ++channel)
    out_->ShortMessage(ControllerMessage(channel, kAllNotesOffController, 0), due_ms);
}

void TMidiPlayV::Tick() {
  const auto& list = events();
  size_t position = position_.load();
  // Standing at the last event, a looping song still ticks on to wrap
  // round; a song without loop has ended there.
  if (list.size() < 2 || position >= list.size()) return;
  if (!loop_.load() && position + 1 == list.size()) return;
  const uint32_t now_ms = system_clock_.NowMs();
  const uint32_t elapsed_ms = std::min(kMaxTickAdvanceMs, now_ms - last_tick_ms_);
  last_tick_ms_ = now_ms;
  // 64 bits: a clock left high by an earlier, longer song must not overflow.
  int64_t clock_ms = static_cast<int64_t>(clock_ms_.load()) + elapsed_ms;
  // An event is due at the system time when the clock passed its time.
  const auto due = [&](int32_t time_ms) {
    return now_ms - static_cast<uint32_t>(clock_ms - time_ms);
  };
  while (list[position].time_ms < clock_ms) {
    if (position + 1 == list.size()) {
      if (!loop_.load()) break;
      AllNotesOffDue(due(list[position].time_ms));
      position = 0;
      clock_ms = list.front().time_ms;
      continue;
    }
    Dispatch(list[position], due(list[position].time_ms));
    ++position;
  }
  position_.store(position);
  clock_ms_.store(static_cast<int32_t>(std::min<int64_t>(clock_ms, INT32_MAX)));
}

void TMidiPlayV::Dispatch(const TMidiMsgEvent& event, uint32_t due_ms) {
  switch (event.kind) {
    case MidiEventKind::kChannel:
      if (event.category == MidiCategory::kControlChange && event.data.size() >= 3) {
        const int channel = event.data[0] & 0x0F;
        const int controller = event.data[1] & 0x7F;
        controller_values_[channel][controller] = event.data[2];
        SendScaledController(channel, controller, due_ms);
      } else if (out_ != nullptr) {
        out_->ShortMessage(ShortMessageOf(event), due_ms);
      }
      break;
    case MidiEventKind::kSysEx:
      if (out_ != nullptr) out_->LongMessage(event.data, due_ms);
      break;
    case MidiEventKind::kMeta:
      break;
  }
}

// The song's value times the percentage, in integer arithmetic, sent as the
// one byte it comes to.
void TMidiPlayV::SendScaledController(int channel, int controller, uint32_t due_ms) {
  if (out_ == nullptr) return;
  const int64_t scaled = static_cast<int64_t>(controller_values_[channel][controller]) *
                         controller_percents_[channel][controller] / 100;
  out_->ShortMessage(ControllerMessage(channel, controller, static_cast<uint8_t>(scaled)), due_ms);
}

void TMidiPlayV::Pause(uint32_t duration_ms) {
  if (timer_.mode() == TMMTimer::Mode::kThread) system_clock_.SleepMs(duration_ms);
}

}  // namespace vesk::media
