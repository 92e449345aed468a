#include "media/midi_ports.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vesk::media {
namespace {

using testing::ElementsAre;

class SilentSynth final : public platform::MidiSynth {
 public:
  std::string Name() const override { return "synth"; }
  void ShortMessage(uint32_t, uint32_t) override {}
  void LongMessage(std::span<const uint8_t>, uint32_t) override {}
  void Reset() override {}
  void RenderAdd(int16_t*, int) override {}
};

TEST(MidiPorts, TheSynthIsTheDefaultAndTheFirstPortAndOutlivesClosing) {
  auto owned = std::make_unique<SilentSynth>();
  platform::MidiSynth* synth = owned.get();
  MidiPorts ports(std::move(owned), {"Nowhere:Port 1"});
  EXPECT_THAT(ports.Names(), ElementsAre("synth", "Nowhere:Port 1"));
  EXPECT_EQ(ports.synth(), synth);
  EXPECT_EQ(ports.Open(-1), synth);
  EXPECT_EQ(ports.Open(0), synth);
  ports.Close(0);
  ports.Close(-1);
  EXPECT_EQ(ports.synth(), synth);
  // An ALSA port that is not there (or no sequencer at all) cannot open.
  EXPECT_EQ(ports.Open(1), nullptr);
  EXPECT_EQ(ports.Open(2), nullptr);
  EXPECT_EQ(ports.Open(-5), nullptr);
  ports.Close(7);
}

TEST(MidiPorts, WithoutASynthTheDefaultIsTheFirstAlsaPortOrNothing) {
  MidiPorts none(nullptr, {});
  EXPECT_TRUE(none.Names().empty());
  EXPECT_EQ(none.Open(-1), nullptr);
  MidiPorts alsa_only(nullptr, {"Nowhere:Port 1"});
  EXPECT_THAT(alsa_only.Names(), ElementsAre("Nowhere:Port 1"));
  EXPECT_EQ(alsa_only.synth(), nullptr);
  EXPECT_EQ(alsa_only.Open(-1), nullptr);  // tried as port 0, which is not there
}

TEST(MidiPorts, TheMachinesPortsStartWithTheInstalledSynth) {
  platform::ManualClock clock;
  MidiPorts ports(clock, "");
  if (ports.synth() == nullptr) {
    EXPECT_FALSE(ports.synth_error().empty());
    GTEST_SKIP() << ports.synth_error();
  }
  EXPECT_TRUE(ports.synth_error().empty());
  ASSERT_FALSE(ports.Names().empty());
  EXPECT_EQ(ports.Names()[0], "VeskPlayer SoundFont synth");
  EXPECT_EQ(ports.Open(-1), ports.synth());
}

}  // namespace
}  // namespace vesk::media
