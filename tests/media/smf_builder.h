#pragma once
// Standard MIDI Files made in memory for the tests: tracks written event by
// event (delta-time and the bytes as stored), wrapped in their chunks.
#include <cstdint>
#include <vector>

namespace vesk::media::test {

using Bytes = std::vector<uint8_t>;

inline Bytes Quantity(uint32_t value) {
  Bytes groups{static_cast<uint8_t>(value & 0x7F)};
  while (value >>= 7) groups.insert(groups.begin(), static_cast<uint8_t>(0x80 | (value & 0x7F)));
  return groups;
}

inline void Put32(Bytes& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

// A track body made event by event: each event is its delta-time and the
// bytes as stored.
class TrackBody {
 public:
  TrackBody& At(uint32_t delta, Bytes stored) {
    const Bytes d = Quantity(delta);
    bytes_.insert(bytes_.end(), d.begin(), d.end());
    bytes_.insert(bytes_.end(), stored.begin(), stored.end());
    return *this;
  }
  TrackBody& Tempo(uint32_t delta, uint32_t us_per_quarter) {
    return At(delta,
              {0xFF, 0x51, 0x03, static_cast<uint8_t>(us_per_quarter >> 16),
               static_cast<uint8_t>(us_per_quarter >> 8), static_cast<uint8_t>(us_per_quarter)});
  }
  TrackBody& End(uint32_t delta = 0) { return At(delta, {0xFF, 0x2F, 0x00}); }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// A whole file: "MThd" with its six bytes, then one "MTrk" per track.
class SmfFile {
 public:
  SmfFile(uint16_t format, uint16_t division) : format_(format), division_(division) {}
  SmfFile& Track(const TrackBody& body) {
    tracks_.push_back(body.bytes());
    return *this;
  }
  SmfFile& DeclaredTracks(uint16_t n) {
    declared_ = n;
    return *this;
  }
  Bytes Build() const {
    Bytes out{'M', 'T', 'h', 'd'};
    Put32(out, 6);
    const uint16_t count = declared_ >= 0 ? declared_ : static_cast<uint16_t>(tracks_.size());
    for (uint16_t v : {format_, count, division_}) {
      out.push_back(static_cast<uint8_t>(v >> 8));
      out.push_back(static_cast<uint8_t>(v));
    }
    for (const auto& track : tracks_) {
      out.insert(out.end(), {'M', 'T', 'r', 'k'});
      Put32(out, static_cast<uint32_t>(track.size()));
      out.insert(out.end(), track.begin(), track.end());
    }
    return out;
  }

 private:
  uint16_t format_, division_;
  int declared_ = -1;
  std::vector<Bytes> tracks_;
};

}  // namespace vesk::media::test
