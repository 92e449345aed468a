#include "media/midi_file.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace vesk::media {
namespace {

constexpr std::array<uint8_t, 11> kGsReset = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40,
                                              0x00, 0x7F, 0x00, 0x41, 0xF7};
// The smallest track chunk: its tag and its length.
constexpr size_t kChunkHeadBytes = 8;
// A variable-length quantity holds at most 28 bits in four bytes.
constexpr int kMaxQuantityBytes = 4;

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X", value);
  return text;
}

// Big-endian reading inside one piece of the file. Offsets in messages are
// from the start of the file; every read past the end throws EMidiFile
// naming what was being read.
class TMidiStream {
 public:
  TMidiStream(std::span<const uint8_t> bytes, size_t file_offset, std::string context)
      : bytes_(bytes), base_(file_offset), context_(std::move(context)) {}

  size_t offset() const { return base_ + pos_; }
  size_t remaining() const { return bytes_.size() - pos_; }
  bool at_end() const { return pos_ == bytes_.size(); }

  uint8_t U8(const char* what) { return Take(1, what)[0]; }
  uint32_t U16(const char* what) {
    const auto p = Take(2, what);
    return uint32_t(p[0]) << 8 | p[1];
  }
  uint32_t U32(const char* what) {
    const auto p = Take(4, what);
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
  }
  // Seven bits per byte, most significant group first; a set top bit means
  // another byte follows.
  uint32_t Quantity(const char* what) {
    const size_t start = offset();
    uint32_t value = 0;
    for (int i = 0; i < kMaxQuantityBytes; ++i) {
      const uint8_t b = U8(what);
      value = value << 7 | (b & 0x7F);
      if (!(b & 0x80)) return value;
    }
    Fail(std::string(what) + " at offset " + std::to_string(start) + " is longer than four bytes");
  }
  std::span<const uint8_t> Take(size_t n, const char* what) {
    if (n > remaining())
      Fail(std::string("truncated ") + what + " at offset " + std::to_string(offset()) + " (" +
           std::to_string(n) + " bytes needed, " + std::to_string(remaining()) + " left)");
    const auto piece = bytes_.subspan(pos_, n);
    pos_ += n;
    return piece;
  }
  // Steps back over the byte just read (a data byte under running status).
  void Unread() { --pos_; }

  [[noreturn]] void Fail(const std::string& what) const { throw EMidiFile(context_ + what); }

 private:
  std::span<const uint8_t> bytes_;
  size_t base_;
  size_t pos_ = 0;
  std::string context_;
};

bool IsTag(std::span<const uint8_t> bytes, const char* tag) {
  return bytes.size() >= 4 && std::memcmp(bytes.data(), tag, 4) == 0;
}

}  // namespace

MidiCategory ClassifyMidiEvent(MidiEventKind kind, std::span<const uint8_t> data) {
  if (data.empty()) return MidiCategory::kNone;
  switch (kind) {
    case MidiEventKind::kChannel:
      switch (data[0] >> 4) {
        case 0x8:
          return MidiCategory::kNoteOff;
        case 0x9:
          return data.size() > 2 && data[2] > 0 ? MidiCategory::kNoteOn : MidiCategory::kNoteOff;
        case 0xB:
          return MidiCategory::kControlChange;
        default:
          return MidiCategory::kNone;
      }
    case MidiEventKind::kSysEx:
      return std::ranges::equal(data, kGsReset) ? MidiCategory::kGsReset : MidiCategory::kNone;
    case MidiEventKind::kMeta:
      if (data.size() < 2) return MidiCategory::kNone;
      if (data[1] == 0x51) return MidiCategory::kTempo;
      if (data[1] == 0x2F) return MidiCategory::kEndOfTrack;
      return MidiCategory::kNone;
  }
  return MidiCategory::kNone;
}

void MergeAndTime(TMidiMsgEvents& events, int32_t division) {
  if (division <= 0) throw EMidiFile("division " + std::to_string(division) + " is not positive");
  std::sort(events.begin(), events.end(), [](const TMidiMsgEvent& a, const TMidiMsgEvent& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.serial < b.serial;
  });
  int32_t tempo_us = kDefaultTempoUsPerQuarter;
  int32_t previous_tick = 0;
  int64_t previous_time_ms = 0;
  for (auto& event : events) {
    // Held as a 32-bit float, so times keep the float's rounding.
    const float ms_per_tick = static_cast<float>((1.0 / division) * tempo_us / 1000.0);
    const double interval_ms =
        std::nearbyint(static_cast<double>(event.tick - previous_tick) * ms_per_tick);
    const double time_ms = static_cast<double>(previous_time_ms) + interval_ms;
    if (time_ms > std::numeric_limits<int32_t>::max())
      throw EMidiFile("event at tick " + std::to_string(event.tick) +
                      " lies past 2^31 ms from the start of the song");
    event.time_ms = static_cast<int32_t>(time_ms);
    previous_tick = event.tick;
    previous_time_ms = event.time_ms;
    if (event.category == MidiCategory::kTempo && event.data.size() == 5)
      tempo_us = event.data[2] << 16 | event.data[3] << 8 | event.data[4];
  }
}

namespace {

// Reads one event at the stream's place; `running_status` is the reader's.
TMidiMsgEvent ReadEvent(TMidiStream& in, uint8_t& running_status) {
  TMidiMsgEvent event;
  const size_t status_offset = in.offset();
  uint8_t status = in.U8("status byte");
  if (status < 0x80) {
    if (running_status < 0x80)
      in.Fail("data byte " + Hex(status) + " at offset " + std::to_string(status_offset) +
              " without a running status");
    in.Unread();
    status = running_status;
  } else {
    running_status = status;
  }
  event.data.push_back(status);
  auto append = [&](std::span<const uint8_t> bytes) {
    event.data.insert(event.data.end(), bytes.begin(), bytes.end());
  };
  switch (status >> 4) {
    case 0xC:
    case 0xD:
      append(in.Take(1, "channel message"));
      break;
    case 0xF:
      if (status == 0xFF) {
        event.kind = MidiEventKind::kMeta;
        event.data.push_back(in.U8("meta event type"));
        const uint32_t length = in.Quantity("meta event length");
        append(in.Take(length, "meta event"));
      } else {
        event.kind = MidiEventKind::kSysEx;
        const uint32_t length = in.Quantity("system exclusive length");
        append(in.Take(length, "system exclusive event"));
      }
      break;
    default:  // 8, 9, A, B, E
      append(in.Take(2, "channel message"));
      break;
  }
  event.category = ClassifyMidiEvent(event.kind, event.data);
  return event;
}

}  // namespace

void TMidiV::Clear() {
  format_ = 0;
  track_count_ = 0;
  division_ = 0;
  running_status_ = 0;
  events_.clear();
  events_.shrink_to_fit();
}

void TMidiV::LoadSong(std::span<const uint8_t> bytes) {
  Clear();
  try {
    TMidiStream in(bytes, 0, "");
    if (!IsTag(bytes, "MThd")) in.Fail("not a Standard MIDI File: no MThd at the start");
    in.Take(4, "header tag");
    in.U32("header length");  // six bytes of header data follow, whatever it says
    format_ = static_cast<int32_t>(in.U16("format"));
    track_count_ = static_cast<int32_t>(in.U16("track count"));
    division_ = static_cast<int32_t>(in.U16("division"));
    if (division_ == 0) in.Fail("division 0 ticks per quarter note");
    // Checked before reading so that a hostile count fails at once.
    if (static_cast<size_t>(track_count_) * kChunkHeadBytes > in.remaining())
      in.Fail("header declares " + std::to_string(track_count_) + " tracks, but only " +
              std::to_string(in.remaining()) + " bytes follow it");
    int32_t serial = 0;
    for (int32_t track = 0; track < track_count_; ++track) {
      const std::string context = "track " + std::to_string(track) + ": ";
      const size_t tag_offset = in.offset();
      if (in.remaining() < kChunkHeadBytes)
        throw EMidiFile(context + "missing MTrk chunk at offset " + std::to_string(tag_offset) +
                        " (end of data)");
      const auto tag = in.Take(4, "track tag");
      if (!IsTag(tag, "MTrk"))
        throw EMidiFile(context + "expected MTrk at offset " + std::to_string(tag_offset) +
                        ", found " + Hex(tag[0]) + " " + Hex(tag[1]) + " " + Hex(tag[2]) + " " +
                        Hex(tag[3]));
      const uint32_t length = in.U32("track length");
      if (length > in.remaining())
        throw EMidiFile(context + "chunk length " + std::to_string(length) +
                        " runs past the end of the data (" + std::to_string(in.remaining()) +
                        " bytes left)");
      const size_t chunk_offset = in.offset();
      TMidiStream chunk(in.Take(length, "track"), chunk_offset, context);
      int64_t tick = 0;
      while (length > 0) {
        if (chunk.at_end())
          chunk.Fail("the chunk ends at offset " + std::to_string(chunk.offset()) +
                     " before its end-of-track event");
        const uint32_t delta = chunk.Quantity("delta-time");
        tick += delta;
        if (tick > std::numeric_limits<int32_t>::max())
          chunk.Fail("tick passes 2^31 at offset " + std::to_string(chunk.offset()));
        TMidiMsgEvent event = ReadEvent(chunk, running_status_);
        event.tick = static_cast<int32_t>(tick);
        event.delta = static_cast<int32_t>(delta);
        event.track = track;
        event.serial = serial++;
        const bool end_of_track = event.category == MidiCategory::kEndOfTrack;
        events_.push_back(std::move(event));
        if (end_of_track) break;
      }
    }
    if (events_.empty()) throw EMidiFile("the file holds no events");
    MergeAndTime(events_, division_);
  } catch (...) {
    Clear();
    throw;
  }
}

size_t TMidiV::IndexForTime(int32_t time_ms) const {
  for (size_t i = 0; i < events_.size(); ++i) {
    if (events_[i].time_ms == time_ms) return i;
    if (events_[i].time_ms > time_ms) return i == 0 ? 0 : i - 1;
  }
  return 0;
}

}  // namespace vesk::media
