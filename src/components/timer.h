#pragma once
// TVeskTimer: a background object that queues its notify handler every
// Delay milliseconds of game clock. A tick whose previous event is still
// waiting or running is dropped, so a slow handler builds up no backlog;
// with AutoScrap the timer fires once and goes when that event is done.
#include <cstdint>
#include <string>

#include "components/component_services.h"
#include "scene/vesk_object.h"

namespace vesk::components {

class TVeskTimer final : public scene::TVeskComponent, public ServiceUser {
 public:
  explicit TVeskTimer(scene::TVeskBaseList* root);

  int GetCompoType() const override { return lang::LT_TIMER; }
  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;
  bool Update(int32_t frame_ms) override;
  void Transfer(RecordIO& io) override;

  std::string OnNotify;
  int32_t Delay = 0;  // ms; below zero the timer never fires
  uint8_t Paused = 0;
  uint8_t AutoScrap = 0;
  uint8_t Fired = 0;
  int32_t LastTick = 0;  // game clock of the last tick

 private:
  // The schedule begins again now; ticks waiting in the queue are dropped.
  void Restart();
  bool NotifyQueued() const;
  // The game clock; without one from the services, the time this timer's
  // own updates have seen.
  int32_t ClockMs() const;
  int32_t own_clock_ms_ = 0;
};

}  // namespace vesk::components
