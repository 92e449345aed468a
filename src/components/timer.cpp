#include "components/timer.h"

#include "scene/baselist.h"

namespace vesk::components {

using namespace vesk::lang;

TVeskTimer::TVeskTimer(scene::TVeskBaseList* root) : TVeskComponent(root) {}

int32_t TVeskTimer::GetInt(int id) const {
  return id == PR_DELAY ? Delay : TVeskComponent::GetInt(id);
}

void TVeskTimer::SetInt(int id, int32_t value) {
  if (id != PR_DELAY) return TVeskComponent::SetInt(id, value);
  Delay = value;
  Restart();
}

bool TVeskTimer::GetFlag(int id) const {
  switch (id) {
    case PR_PAUSED:
      return Paused;
    case PR_AUTOSCRAP:
      return AutoScrap;
    default:
      return TVeskComponent::GetFlag(id);
  }
}

void TVeskTimer::SetFlag(int id, bool value) {
  switch (id) {
    case PR_PAUSED:
      if (Paused == static_cast<uint8_t>(value)) return;
      Paused = value;
      Restart();
      return;
    case PR_AUTOSCRAP:
      AutoScrap = value;
      return;
    default:
      TVeskComponent::SetFlag(id, value);
  }
}

std::string TVeskTimer::GetStr(int id) const {
  return id == PR_ONNOTIFY ? OnNotify : TVeskComponent::GetStr(id);
}

void TVeskTimer::SetStr(int id, const std::string& value) {
  if (id != PR_ONNOTIFY) return TVeskComponent::SetStr(id, value);
  OnNotify = value;
  Restart();
}

bool TVeskTimer::Update(int32_t frame_ms) {
  own_clock_ms_ =
      static_cast<int32_t>(static_cast<uint32_t>(own_clock_ms_) + static_cast<uint32_t>(frame_ms));
  if (Fired && AutoScrap) return !NotifyQueued();
  if (Delay < 0 || Paused) return false;
  // In 32-bit wrapping arithmetic, as the clock runs.
  const int32_t since_ms =
      static_cast<int32_t>(static_cast<uint32_t>(ClockMs()) - static_cast<uint32_t>(LastTick));
  if (Delay > 0 && since_ms < Delay) return false;
  LastTick = static_cast<int32_t>(static_cast<uint32_t>(LastTick) + static_cast<uint32_t>(Delay));
  if (!NotifyQueued()) {
    QueueEvent(PR_ONNOTIFY, OnNotify);
    Fired = 1;
  }
  return false;
}

void TVeskTimer::Transfer(RecordIO& io) {
  TVeskComponent::Transfer(io);
  io.Str(OnNotify, "timer notify handler");
  io.I32(Delay, "timer delay");
  io.Flag(Paused, "timer paused");
  if (io.Since(104)) {
    io.Flag(AutoScrap, "timer auto scrap");
    io.Flag(Fired, "timer fired");
  }
  if (io.loading()) LastTick = ClockMs();
}

void TVeskTimer::Restart() {
  if (Root && !Name.empty()) Root->Events.RemoveWaitingOf(Name);
  LastTick = ClockMs();
}

bool TVeskTimer::NotifyQueued() const {
  return Root && Root->Events.FindWaiting(Name, PR_ONNOTIFY) >= 0;
}

int32_t TVeskTimer::ClockMs() const {
  const ComponentServices* s = services();
  return s && s->game_clock_ms ? s->game_clock_ms() : own_clock_ms_;
}

}  // namespace vesk::components
