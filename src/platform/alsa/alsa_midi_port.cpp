// MIDI out through the ALSA sequencer: hardware ports, software synths that
// run as their own process, "Midi Through". Messages go out at once (these
// ports play in real time); due_ms is not used.
#include <alsa/asoundlib.h>

#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/midi_port.h"

namespace vesk::platform {

namespace {

constexpr const char* kSequencerDevice = "/dev/snd/seq";
constexpr const char* kClientName = "VeskPlayer";

void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}

// ALSA prints its own errors on stderr; the player reports what matters.
bool SequencerPresent() {
  static std::once_flag once;
  std::call_once(once, [] { snd_lib_error_set_handler(SilentAlsaError); });
  std::error_code error;
  return std::filesystem::exists(kSequencerDevice, error);
}

struct Destination {
  std::string name;
  int client = 0, port = 0;
};

// Every port others can write MIDI to, except this program's own.
std::vector<Destination> Destinations(snd_seq_t* seq) {
  std::vector<Destination> found;
  const int self = snd_seq_client_id(seq);
  snd_seq_client_info_t* client = nullptr;
  snd_seq_port_info_t* port = nullptr;
  snd_seq_client_info_malloc(&client);
  snd_seq_port_info_malloc(&port);
  snd_seq_client_info_set_client(client, -1);
  while (snd_seq_query_next_client(seq, client) >= 0) {
    const int id = snd_seq_client_info_get_client(client);
    if (id == self) continue;
    snd_seq_port_info_set_client(port, id);
    snd_seq_port_info_set_port(port, -1);
    while (snd_seq_query_next_port(seq, port) >= 0) {
      const unsigned caps = snd_seq_port_info_get_capability(port);
      const unsigned wanted = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
      if ((caps & wanted) != wanted) continue;
      if ((snd_seq_port_info_get_type(port) & SND_SEQ_PORT_TYPE_MIDI_GENERIC) == 0) continue;
      found.push_back({std::string(snd_seq_client_info_get_name(client)) + ":" +
                           snd_seq_port_info_get_name(port),
                       id, snd_seq_port_info_get_port(port)});
    }
  }
  snd_seq_port_info_free(port);
  snd_seq_client_info_free(client);
  return found;
}

class AlsaMidiOut final : public MidiOut {
 public:
  AlsaMidiOut(snd_seq_t* seq, snd_midi_event_t* encoder, int port, std::string name)
      : seq_(seq), encoder_(encoder), port_(port), name_(std::move(name)) {}
  ~AlsaMidiOut() override {
    snd_midi_event_free(encoder_);
    snd_seq_close(seq_);
  }

  std::string Name() const override { return name_; }

  void ShortMessage(uint32_t message, uint32_t) override {
    const uint8_t status = static_cast<uint8_t>(message);
    if (status < 0x80) return;
    const uint8_t bytes[3] = {status, static_cast<uint8_t>(message >> 8),
                              static_cast<uint8_t>(message >> 16)};
    const int count = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
    std::lock_guard lock(mutex_);
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_midi_event_reset_encode(encoder_);
    if (snd_midi_event_encode(encoder_, bytes, count, &event) != count ||
        event.type == SND_SEQ_EVENT_NONE)
      return;
    Send(event);
  }

  void LongMessage(std::span<const uint8_t> bytes, uint32_t) override {
    if (bytes.empty()) return;
    std::lock_guard lock(mutex_);
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_seq_ev_set_sysex(&event, static_cast<unsigned>(bytes.size()),
                         const_cast<uint8_t*>(bytes.data()));
    Send(event);
  }

  void Reset() override {
    for (uint32_t channel = 0; channel < 16; ++channel) {
      ShortMessage(0xB0 | channel | (120u << 8), 0);  // all sound off
      ShortMessage(0xB0 | channel | (121u << 8), 0);  // reset all controllers
    }
  }

 private:
  void Send(snd_seq_event_t& event) {
    snd_seq_ev_set_source(&event, port_);
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_set_direct(&event);
    snd_seq_event_output_direct(seq_, &event);
  }

  std::mutex mutex_;
  snd_seq_t* seq_;
  snd_midi_event_t* encoder_;
  int port_;
  std::string name_;
};

}  // namespace

std::vector<std::string> ListAlsaMidiPorts() {
  std::vector<std::string> names;
  if (!SequencerPresent()) return names;
  snd_seq_t* seq = nullptr;
  if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) < 0) return names;
  for (const Destination& d : Destinations(seq)) names.push_back(d.name);
  snd_seq_close(seq);
  return names;
}

std::unique_ptr<MidiOut> OpenAlsaMidiPort(const std::string& name, std::string* error) {
  const auto fail = [&](const std::string& text) {
    if (error != nullptr) *error = text;
    return nullptr;
  };
  if (!SequencerPresent()) return fail("no ALSA sequencer on this machine");
  snd_seq_t* seq = nullptr;
  if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0)
    return fail("cannot open the ALSA sequencer");
  const auto close_and_fail = [&](const std::string& text) {
    snd_seq_close(seq);
    return fail(text);
  };
  Destination target;
  bool found = false;
  for (const Destination& d : Destinations(seq))
    if (d.name == name) {
      target = d;
      found = true;
      break;
    }
  if (!found) return close_and_fail("no ALSA MIDI port named " + name);
  snd_seq_set_client_name(seq, kClientName);
  const int port =
      snd_seq_create_simple_port(seq, "out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                 SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
  if (port < 0) return close_and_fail("cannot create an ALSA sequencer port");
  if (snd_seq_connect_to(seq, port, target.client, target.port) < 0)
    return close_and_fail("cannot connect to the ALSA MIDI port " + name);
  snd_midi_event_t* encoder = nullptr;
  if (snd_midi_event_new(16, &encoder) < 0) return close_and_fail("out of memory");
  snd_midi_event_no_status(encoder, 1);  // every message carries its status byte
  return std::make_unique<AlsaMidiOut>(seq, encoder, port, name);
}

}  // namespace vesk::platform
