#include <chrono>

#include "media/midi_player.h"

namespace vesk::media {

TMMTimer::TMMTimer(Mode mode, std::function<void()> callback, uint32_t interval_ms)
    : mode_(mode), callback_(std::move(callback)), interval_ms_(interval_ms) {
  if (mode_ == Mode::kThread) thread_ = std::thread([this] { Run(); });
}

TMMTimer::~TMMTimer() {
  {
    std::lock_guard lock(wake_mutex_);
    terminating_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void TMMTimer::SetEnabled(bool enabled) {
  {
    std::lock_guard lock(wake_mutex_);
    enabled_.store(enabled);
  }
  wake_.notify_all();
}

void TMMTimer::SetInterval(uint32_t interval_ms) {
  interval_ms_.store(interval_ms == 0 ? 1 : interval_ms);
}

void TMMTimer::TickNow() {
  if (held_.load()) return;
  RunCallback();
}

void TMMTimer::Hold() {
  tick_mutex_.lock();
  held_.store(true);
}

void TMMTimer::Release() {
  held_.store(false);
  tick_mutex_.unlock();
}

void TMMTimer::RunCallback() {
  std::lock_guard tick(tick_mutex_);
  // Checked under the tick's lock: once a holder has disabled the timer and
  // released it, no tick that was already waiting runs.
  if (!enabled_.load() || !callback_) return;
  callback_();
  tick_count_.fetch_add(1);
}

// Disabled, the thread sleeps until enabled or told to end. Enabled, it
// wakes on a fixed grid of intervals; when it falls behind it starts a new
// grid instead of running a burst of late ticks (the player's clock follows
// elapsed time, so nothing is lost).
void TMMTimer::Run() {
  using std::chrono::steady_clock;
  auto next = steady_clock::now();
  std::unique_lock lock(wake_mutex_);
  while (!terminating_) {
    if (!enabled_.load()) {
      wake_.wait(lock, [this] { return terminating_ || enabled_.load(); });
      next = steady_clock::now();
      continue;
    }
    next += std::chrono::milliseconds(interval_ms_.load());
    const auto now = steady_clock::now();
    if (next < now) next = now;
    if (wake_.wait_until(lock, next, [this] { return terminating_; })) break;
    lock.unlock();
    RunCallback();
    lock.lock();
  }
}

}  // namespace vesk::media
