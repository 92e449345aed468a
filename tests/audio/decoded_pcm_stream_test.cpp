#include "audio/decoded_pcm_stream.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/wav_out.h"
#include "platform/clock.h"

namespace vesk::audio {
namespace {

// A decoder of a known ramp: frame i is (i, -i). It holds `actual` frames
// but may claim another length, as a damaged container does.
class RampDecoder final : public platform::AudioDecoder {
 public:
  RampDecoder(int64_t actual, int64_t claimed, int* seeks = nullptr)
      : actual_(actual), seeks_(seeks) {
    info_.total_frames = claimed;
    info_.source_channels = 2;
    info_.source_rate_hz = 44100;
  }
  const platform::AudioStreamInfo& Info() const override { return info_; }
  size_t ReadFrames(int16_t* out, size_t count) override {
    size_t n = 0;
    for (; n < count && position_ < actual_; ++n, ++position_) {
      out[2 * n] = int16_t(position_);
      out[2 * n + 1] = int16_t(-position_);
    }
    return n;
  }
  bool SeekFrame(int64_t frame) override {
    if (seeks_ != nullptr) ++*seeks_;
    position_ = std::clamp<int64_t>(frame, 0, actual_);
    return true;
  }
  int64_t PositionFrames() const override { return position_; }

 private:
  platform::AudioStreamInfo info_;
  int64_t actual_;
  int64_t position_ = 0;
  int* seeks_;
};

// The ramp's bytes from frame `from` on, little-endian.
std::vector<uint8_t> RampBytes(int64_t from, int64_t frames) {
  std::vector<uint8_t> bytes;
  for (int64_t i = from; i < from + frames; ++i)
    for (const auto v : {uint16_t(int16_t(i)), uint16_t(int16_t(-i))}) {
      bytes.push_back(uint8_t(v & 0xFF));
      bytes.push_back(uint8_t(v >> 8));
    }
  return bytes;
}

std::vector<uint8_t> ReadAll(PcmStream& s, size_t piece) {
  std::vector<uint8_t> all, buffer(piece);
  for (size_t n; (n = s.Read(buffer)) > 0;)
    all.insert(all.end(), buffer.begin(), buffer.begin() + ptrdiff_t(n));
  return all;
}

// Reads of any size, frames split between reads included, give the same
// bytes as one read of everything.
TEST(DecodedPcmStreamTest, ReadsOfAnySizeGiveTheSameBytes) {
  for (const size_t piece : {1, 2, 3, 5, 7, 4096, 100000}) {
    SCOPED_TRACE(piece);
    DecodedPcmStream s(std::make_unique<RampDecoder>(3000, 3000));
    EXPECT_EQ(ReadAll(s, piece), RampBytes(0, 3000));
    EXPECT_EQ(s.PositionBytes(), 12000);
    EXPECT_EQ(s.SizeBytes(), 12000);
  }
}

TEST(DecodedPcmStreamTest, SeeksGoToTheFrameThePositionLiesIn) {
  int seeks = 0;
  DecodedPcmStream s(std::make_unique<RampDecoder>(1000, 1000, &seeks));
  s.SeekBytes(4 * 250 + 3);
  EXPECT_EQ(s.PositionBytes(), 1000);
  std::vector<uint8_t> buffer(8);
  ASSERT_EQ(s.Read(buffer), 8u);
  EXPECT_EQ(buffer, RampBytes(250, 2));
  s.SeekBytes(-10);
  EXPECT_EQ(s.PositionBytes(), 0);
  s.SeekBytes(1 << 30);
  EXPECT_EQ(s.PositionBytes(), 4000);
  EXPECT_EQ(s.Read(buffer), 0u);
  // Seeking to where the stream stands (as the mixer does before every
  // read) leaves the decoder alone, also inside a split frame.
  s.SeekBytes(0);
  ASSERT_EQ(s.Read(std::span(buffer).first(6)), 6u);
  const int before = seeks;
  s.SeekBytes(6);
  EXPECT_EQ(seeks, before);
  ASSERT_EQ(s.Read(buffer), 8u);
  const auto expect = RampBytes(1, 3);
  EXPECT_EQ(buffer, std::vector<uint8_t>(expect.begin() + 2, expect.begin() + 10));
}

// A container that overstates its length: the stream ends where decoding
// stopped, and its size says so.
TEST(DecodedPcmStreamTest, EndsWhereDecodingStops) {
  DecodedPcmStream s(std::make_unique<RampDecoder>(600, 1000));
  EXPECT_EQ(s.SizeBytes(), 4000);
  EXPECT_EQ(ReadAll(s, 1000), RampBytes(0, 600));
  EXPECT_EQ(s.SizeBytes(), 2400);
  s.SeekBytes(0);
  EXPECT_EQ(ReadAll(s, 333), RampBytes(0, 600));
}

// An understated one: the stream stops at the stated length.
TEST(DecodedPcmStreamTest, StopsAtTheStatedLength) {
  DecodedPcmStream s(std::make_unique<RampDecoder>(1000, 400));
  EXPECT_EQ(ReadAll(s, 999), RampBytes(0, 400));
}

TEST(DecodedPcmStreamTest, ALengthTheContainerLacksIsCounted) {
  DecodedPcmStream s(std::make_unique<RampDecoder>(5000, 0));
  EXPECT_EQ(s.SizeBytes(), 20000);
  EXPECT_EQ(ReadAll(s, 4096), RampBytes(0, 5000));
}

TEST(DecodedPcmStreamTest, NoDecoderIsAnEmptyStream) {
  DecodedPcmStream s(nullptr);
  EXPECT_EQ(s.SizeBytes(), 0);
  std::vector<uint8_t> buffer(16);
  EXPECT_EQ(s.Read(buffer), 0u);
}

// Through the wave output: a looping sound whose container overstated
// its length goes on from the start, a plain one ends.
TEST(DecodedPcmStreamTest, TheMixerLoopsAndEndsAtTheRealEnd) {
  platform::ManualClock clock;
  TWavOut out(100, clock);  // blocks of 4410 frames
  out.Open();
  DecodedPcmStream looping(std::make_unique<RampDecoder>(3000, 9000));
  DecodedPcmStream plain(std::make_unique<RampDecoder>(3000, 9000));
  TWavBuffer* a = out.CreateBuffer(DecodedPcmStream::Format(), looping);
  a->SetLoop(true);
  a->Start();
  std::vector<int16_t> block(out.BlockSamples());
  ASSERT_TRUE(out.MixBlock(block));
  EXPECT_EQ(block[2 * 2999], 2999);
  EXPECT_EQ(block[2 * 3001], 1);  // the start again, with no gap
  EXPECT_EQ(block[2 * 4409], 1409);
  EXPECT_FALSE(a->Ended());
  ASSERT_TRUE(out.MixBlock(block));
  EXPECT_EQ(block[0], 1410);
  out.FreeBuffer(a);
  TWavBuffer* b = out.CreateBuffer(DecodedPcmStream::Format(), plain);
  b->Start();
  out.MixBlock(block);
  EXPECT_EQ(block[2 * 3000], 0);
  EXPECT_TRUE(b->Ended());
}

// A real file decodes to the samples it holds.
TEST(DecodedPcmStreamTest, AWaveFileReadsBackItsSamples) {
  const std::string path = std::string(VESK_MEDIA_FIXTURES_DIR) + "/tone_stereo44100.wav";
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << path;
  auto bytes = std::make_shared<const std::vector<uint8_t>>(std::istreambuf_iterator<char>(in),
                                                            std::istreambuf_iterator<char>());
  std::string error;
  DecodedPcmStream s(platform::OpenAudioDecoder(bytes, &error));
  ASSERT_EQ(s.SizeBytes(), 4 * 44100) << error;
  const auto all = ReadAll(s, 1 << 15);
  ASSERT_EQ(all.size(), size_t(4 * 44100));
  // The canonical 44-byte header precedes the samples.
  EXPECT_TRUE(std::equal(all.begin(), all.end(), bytes->begin() + 44));
  s.SeekBytes(4 * 30001 + 2);
  std::vector<uint8_t> buffer(64);
  ASSERT_EQ(s.Read(buffer), 64u);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), bytes->begin() + 44 + 4 * 30001));
}

}  // namespace
}  // namespace vesk::audio
