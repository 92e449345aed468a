#pragma once
// The queue between the sequencer's thread (and the main thread) and the
// audio thread that renders the synth: fixed slots and a fixed byte ring
// for system exclusive data, all allocated up front, so the audio thread
// never allocates. The lock is held only to copy indices, never while a
// message is applied or audio is rendered.
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace vesk::platform {

struct SynthMessage {
  enum class Kind : uint8_t { kShort, kSysEx, kReset };
  Kind kind = Kind::kShort;
  uint32_t due_ms = 0;
  uint32_t short_message = 0;
  uint64_t bytes_at = 0;  // kSysEx: where its bytes start in the ring (absolute)
  uint32_t byte_count = 0;
};

class SynthMessageQueue {
 public:
  SynthMessageQueue(size_t slot_count, size_t byte_capacity);

  // False (and the message dropped) when the queue is full.
  bool PushShort(uint32_t message, uint32_t due_ms);
  bool PushSysEx(std::span<const uint8_t> bytes, uint32_t due_ms);
  bool PushReset(uint32_t due_ms);

  // The consumer's side (one thread): the messages waiting now, as the
  // range [first, end) of sequence numbers; At(n) stays valid until
  // Consume(n + 1).
  struct Range {
    uint64_t first = 0, end = 0;
  };
  Range Pending();
  const SynthMessage& At(uint64_t sequence) const { return slots_[sequence % slots_.size()]; }
  std::span<const uint8_t> BytesOf(const SynthMessage& message) const;
  // Frees every message before `end`.
  void Consume(uint64_t end);

 private:
  bool Push(const SynthMessage& message);

  std::mutex mutex_;
  std::vector<SynthMessage> slots_;
  std::vector<uint8_t> bytes_;
  uint64_t head_ = 0, tail_ = 0;            // slots written / freed
  uint64_t byte_head_ = 0, byte_tail_ = 0;  // ring bytes written / freed
};

}  // namespace vesk::platform
