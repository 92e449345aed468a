#include "platform/fluidsynth/synth_message_queue.h"

#include <algorithm>

namespace vesk::platform {

SynthMessageQueue::SynthMessageQueue(size_t slot_count, size_t byte_capacity)
    : slots_(std::max<size_t>(slot_count, 1)), bytes_(std::max<size_t>(byte_capacity, 1)) {}

bool SynthMessageQueue::Push(const SynthMessage& message) {
  // Called with the lock held.
  if (head_ - tail_ >= slots_.size()) return false;
  slots_[head_ % slots_.size()] = message;
  ++head_;
  return true;
}

bool SynthMessageQueue::PushShort(uint32_t message, uint32_t due_ms) {
  std::lock_guard lock(mutex_);
  return Push({SynthMessage::Kind::kShort, due_ms, message, 0, 0});
}

bool SynthMessageQueue::PushReset(uint32_t due_ms) {
  std::lock_guard lock(mutex_);
  return Push({SynthMessage::Kind::kReset, due_ms, 0, 0, 0});
}

// A message's bytes lie in one piece: when they would run past the end of
// the ring, the rest of the ring is skipped and they start at its front.
bool SynthMessageQueue::PushSysEx(std::span<const uint8_t> bytes, uint32_t due_ms) {
  const size_t capacity = bytes_.size();
  if (bytes.empty() || bytes.size() > capacity) return false;
  std::lock_guard lock(mutex_);
  if (head_ - tail_ >= slots_.size()) return false;
  uint64_t at = byte_head_;
  const size_t offset = at % capacity;
  if (offset + bytes.size() > capacity) at += capacity - offset;
  if (at + bytes.size() - byte_tail_ > capacity) return false;
  std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<ptrdiff_t>(at % capacity));
  byte_head_ = at + bytes.size();
  return Push({SynthMessage::Kind::kSysEx, due_ms, 0, at, static_cast<uint32_t>(bytes.size())});
}

SynthMessageQueue::Range SynthMessageQueue::Pending() {
  std::lock_guard lock(mutex_);
  return {tail_, head_};
}

std::span<const uint8_t> SynthMessageQueue::BytesOf(const SynthMessage& message) const {
  if (message.kind != SynthMessage::Kind::kSysEx) return {};
  return {bytes_.data() + message.bytes_at % bytes_.size(), message.byte_count};
}

void SynthMessageQueue::Consume(uint64_t end) {
  std::lock_guard lock(mutex_);
  end = std::min(end, head_);
  for (uint64_t n = tail_; n < end; ++n) {
    const SynthMessage& message = slots_[n % slots_.size()];
    if (message.kind == SynthMessage::Kind::kSysEx)
      byte_tail_ = message.bytes_at + message.byte_count;
  }
  tail_ = std::max(tail_, end);
}

}  // namespace vesk::platform
