#pragma once
// The Standard MIDI File reader and the song it makes: every event of every
// track in one list, sorted into playback order, each with its absolute
// tick and its time in milliseconds under the song's tempo map. The player
// only walks this list; nothing is parsed during playback.
#include <cstdint>
#include <span>
#include <vector>

#include "core/vesk_error.h"

namespace vesk::media {

// A file that cannot be read as a song: no "MThd", a chunk or an event cut
// short, a length or a track count the data cannot hold, a track without
// its "MTrk", no events at all. The message says what and where.
class EMidiFile : public EVeskError {
 public:
  using EVeskError::EVeskError;
};

enum class MidiEventKind : uint8_t {
  kChannel = 0,  // a channel message (status 80..EF)
  kSysEx = 1,    // system exclusive (every F status but FF)
  kMeta = 2,     // a meta event (FF)
};

// What the player needs to tell apart; every other event is kNone.
enum class MidiCategory : uint8_t {
  kNone = 0,
  kNoteOn,         // 9n with a velocity above 0
  kNoteOff,        // 8n, or 9n with velocity 0
  kControlChange,  // Bn
  kTempo,          // meta 51
  kEndOfTrack,     // meta 2F
  kGsReset,        // exactly F0 41 10 42 12 40 00 7F 00 41 F7
};

inline constexpr int32_t kDefaultTempoUsPerQuarter = 500000;

// One event of the file. `data` holds the event as it is sent: a channel
// message's status and data bytes; a system exclusive's status (F0 or F7)
// and its bytes; a meta event's FF, its type and its bytes (the stored
// length is not kept).
struct TMidiMsgEvent {
  int32_t tick = 0;     // from the start of its track
  int32_t time_ms = 0;  // from the start of the song, under the tempo map
  int32_t delta = 0;    // the delta-time before it in its track
  int32_t serial = 0;   // reading order over the whole file, from 0
  MidiEventKind kind = MidiEventKind::kChannel;
  MidiCategory category = MidiCategory::kNone;
  int32_t track = 0;
  std::vector<uint8_t> data;

  int32_t length() const { return static_cast<int32_t>(data.size()); }
  uint8_t status() const { return data.empty() ? 0 : data[0]; }
  // The meta type (0 for events that are not meta events).
  uint8_t meta_type() const {
    return kind == MidiEventKind::kMeta && data.size() > 1 ? data[1] : 0;
  }
  bool operator==(const TMidiMsgEvent&) const = default;
};

// Every event of a song in playback order: by tick, equal ticks by serial,
// so lower tracks come first and each track keeps its own order.
using TMidiMsgEvents = std::vector<TMidiMsgEvent>;

// A loaded song: the header's fields, the merged event list and its length.
class TMidiV {
 public:
  // Frees the previous song and reads `bytes` as a Standard MIDI File
  // (formats 0 and 1; the format field is recorded, not used). Throws
  // EMidiFile when the file is damaged or yields no events; the song is
  // then left empty.
  void LoadSong(std::span<const uint8_t> bytes);

  int32_t format() const { return format_; }
  int32_t track_count() const { return track_count_; }
  int32_t division() const { return division_; }  // ticks per quarter note
  const TMidiMsgEvents& events() const { return events_; }
  // The last status byte read, of any kind; running status carries over
  // from one track to the next as it does in the reader.
  uint8_t running_status() const { return running_status_; }
  // The time of the last event.
  int32_t song_length_ms() const { return events_.empty() ? 0 : events_.back().time_ms; }

  // The event to play from at `time_ms`: the first event at exactly that
  // time; otherwise the event before the first one past it (0 when that is
  // the first); 0 when no event reaches the time.
  size_t IndexForTime(int32_t time_ms) const;

 private:
  void Clear();

  int32_t format_ = 0;
  int32_t track_count_ = 0;
  int32_t division_ = 0;
  uint8_t running_status_ = 0;
  TMidiMsgEvents events_;
};

// Which category an event's bytes belong to.
MidiCategory ClassifyMidiEvent(MidiEventKind kind, std::span<const uint8_t> data);

// Sorts `events` into playback order and sets every time_ms from the
// ticks: the tempo starts at 500000 us per quarter note and each tempo
// event (FF 51 with three bytes) sets it for the intervals after it. Each
// interval is rounded on its own (halves to even) onto the previous time.
// Throws EMidiFile when a time would not fit in 32 bits.
void MergeAndTime(TMidiMsgEvents& events, int32_t division);

}  // namespace vesk::media
