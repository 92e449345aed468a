// Writes the demo's title music, a Standard MIDI File of our own: eight bars
// of a quiet night theme (piano melody, string pad, bass, light brushes)
// that loop. Built and run by the demo's build; no input, one output file.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int kDivision = 480;  // ticks per quarter note
constexpr int kBar = kDivision * 4;

struct Note {
  int start;  // ticks
  int length;
  int key;
  int velocity;
};

class Track {
 public:
  void Event(int tick, std::vector<uint8_t> bytes) { events_.push_back({tick, serial_++, bytes}); }
  void Notes(int channel, const std::vector<Note>& notes) {
    for (const Note& n : notes) {
      Event(n.start, {uint8_t(0x90 | channel), uint8_t(n.key), uint8_t(n.velocity)});
      Event(n.start + n.length, {uint8_t(0x80 | channel), uint8_t(n.key), 0});
    }
  }
  std::vector<uint8_t> Bytes() {
    std::stable_sort(events_.begin(), events_.end(), [](const Ev& a, const Ev& b) {
      return a.tick != b.tick ? a.tick < b.tick : a.serial < b.serial;
    });
    std::vector<uint8_t> out;
    int last = 0;
    for (const Ev& e : events_) {
      Vlq(out, e.tick - last);
      last = e.tick;
      out.insert(out.end(), e.bytes.begin(), e.bytes.end());
    }
    Vlq(out, 0);
    out.insert(out.end(), {0xFF, 0x2F, 0x00});
    return out;
  }

 private:
  struct Ev {
    int tick;
    int serial;
    std::vector<uint8_t> bytes;
  };
  static void Vlq(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t groups[5];
    int n = 0;
    do {
      groups[n++] = v & 0x7F;
      v >>= 7;
    } while (v);
    while (n--) out.push_back(uint8_t(groups[n] | (n ? 0x80 : 0)));
  }
  std::vector<Ev> events_;
  int serial_ = 0;
};

void Be32(std::vector<uint8_t>& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}

// C - Am - F - G, twice; the second time ends on C.
const int kRoots[8] = {48, 45, 41, 43, 48, 45, 41, 43};
const int kChords[8][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62},
                           {60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
// The melody, in eighths per bar (0: rest).
const int kMelody[8][8] = {{76, 0, 74, 72, 74, 0, 76, 79},   {76, 0, 72, 0, 69, 72, 74, 0},
                           {72, 0, 69, 72, 77, 0, 76, 74},   {74, 0, 71, 0, 67, 71, 74, 0},
                           {76, 0, 74, 72, 74, 76, 79, 81},  {79, 0, 76, 0, 72, 74, 76, 0},
                           {77, 76, 74, 72, 69, 72, 74, 77}, {76, 0, 74, 0, 71, 0, 72, 0}};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_music OUT.mid\n");
    return 2;
  }
  Track tempo;
  tempo.Event(0, {0xFF, 0x51, 0x03, 0x0A, 0x2C, 0x2B});  // 666667 us: 90 bpm
  tempo.Event(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08});

  Track music;
  // Programs and levels: piano, strings, fretless bass; reverb on all.
  for (auto [ch, program, volume] : {std::tuple{0, 0, 100}, {1, 49, 70}, {2, 35, 90}}) {
    music.Event(0, {uint8_t(0xC0 | ch), uint8_t(program)});
    music.Event(0, {uint8_t(0xB0 | ch), 7, uint8_t(volume)});
    music.Event(0, {uint8_t(0xB0 | ch), 91, 60});
  }
  music.Event(0, {0xB9, 7, 60});
  std::vector<Note> melody, pad, bass, drums;
  for (int bar = 0; bar < 8; ++bar) {
    const int at = bar * kBar;
    for (int e = 0; e < 8; ++e) {
      const int key = kMelody[bar][e];
      if (!key) continue;
      int len = 1;
      while (e + len < 8 && kMelody[bar][e + len] == 0) ++len;
      melody.push_back({at + e * kDivision / 2, len * kDivision / 2 - 20, key, e % 2 ? 72 : 86});
    }
    for (int k : kChords[bar]) pad.push_back({at, kBar - 10, k, 58});
    bass.push_back({at, kDivision * 2 - 30, kRoots[bar] - 12, 90});
    bass.push_back({at + kDivision * 2, kDivision * 2 - 30, kRoots[bar] - 5, 80});
    for (int beat = 0; beat < 4; ++beat) {
      drums.push_back({at + beat * kDivision, 60, beat % 2 ? 38 : 36, beat % 2 ? 40 : 64});
      drums.push_back({at + beat * kDivision + kDivision / 2, 60, 42, 36});
    }
  }
  melody.push_back({8 * kBar, kBar - 10, 72, 80});  // the last note rings into the loop
  music.Notes(0, melody);
  music.Notes(1, pad);
  music.Notes(2, bass);
  music.Notes(9, drums);

  std::vector<uint8_t> file = {'M', 'T', 'h', 'd'};
  Be32(file, 6);
  file.insert(file.end(), {0, 1, 0, 2, uint8_t(kDivision >> 8), uint8_t(kDivision & 0xFF)});
  for (Track* t : {&tempo, &music}) {
    const std::vector<uint8_t> bytes = t->Bytes();
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    Be32(file, uint32_t(bytes.size()));
    file.insert(file.end(), bytes.begin(), bytes.end());
  }
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
  if (!out) {
    std::fprintf(stderr, "make_music: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
