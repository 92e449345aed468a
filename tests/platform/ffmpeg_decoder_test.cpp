// The FFmpeg decoders over the fixtures tests/CMakeLists.txt makes: a
// one-second 440 Hz tone (amplitude 1/8 of full scale, starting at phase 0)
// in each sound format, and ten-frame 160x120 videos at 10 frames per second
// whose frame k is the solid colour kFrameColours[k].
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numbers>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "platform/media_decoder.h"

namespace vesk::platform {
namespace {

constexpr int64_t kToneFrames = kDecodedRateHz;  // one second
constexpr double kToneHz = 440;
constexpr double kToneAmplitude = 32767.0 / 8;

MediaBytes Fixture(const std::string& name) {
  std::ifstream in(std::string(VESK_MEDIA_FIXTURES_DIR) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  return std::make_shared<const std::vector<uint8_t>>(std::istreambuf_iterator<char>(in),
                                                      std::istreambuf_iterator<char>());
}

MediaBytes Prefix(const MediaBytes& bytes, size_t length) {
  return std::make_shared<const std::vector<uint8_t>>(bytes->begin(),
                                                      bytes->begin() + ptrdiff_t(length));
}

// Everything the decoder gives, read in uneven pieces; stops (and fails)
// past ten seconds, so a decoder that never ends cannot hang the test.
std::vector<int16_t> DecodeAll(AudioDecoder& d) {
  std::vector<int16_t> all;
  std::vector<int16_t> piece(2 * 3001);
  for (size_t want = 1; all.size() < 2 * 10 * size_t(kDecodedRateHz); want = want * 7 % 3001 + 1) {
    const size_t got = d.ReadFrames(piece.data(), want);
    if (got == 0) return all;
    EXPECT_LE(got, want);
    all.insert(all.end(), piece.begin(), piece.begin() + ptrdiff_t(2 * got));
  }
  ADD_FAILURE() << "the decoder does not end";
  return all;
}

// The tone's frequency from the left channel's sign changes over
// frames [from, to).
double FrequencyHz(const std::vector<int16_t>& s, size_t from, size_t to) {
  int crossings = 0;
  for (size_t f = from + 1; f < to; ++f)
    if ((s[2 * f - 2] < 0) != (s[2 * f] < 0)) ++crossings;
  return crossings / 2.0 * kDecodedRateHz / double(to - from);
}

int Peak(const std::vector<int16_t>& s, size_t from, size_t to) {
  int peak = 0;
  for (size_t i = 2 * from; i < 2 * to; ++i) peak = std::max(peak, std::abs(int(s[i])));
  return peak;
}

// Root mean square of the difference of two runs of samples, relative to
// the tone's amplitude.
double RelativeRms(const int16_t* a, const int16_t* b, size_t samples) {
  double sum = 0;
  for (size_t i = 0; i < samples; ++i) sum += double(a[i] - b[i]) * double(a[i] - b[i]);
  return std::sqrt(sum / double(samples)) / kToneAmplitude;
}

struct AudioCase {
  const char* file;
  int seconds;
  const char* codec;
  int channels;
  int rate_hz;
  // How far the decoded length and the container's may lie from one
  // second: lossy encoders drop or pad part of a block at the ends.
  int64_t length_slack_frames;
  // How closely a seek matches decoding straight through (relative RMS).
  double seek_rms;
};

void PrintTo(const AudioCase& c, std::ostream* os) {
  *os << c.file;
}

const AudioCase kAudioCases[] = {
    {"tone_stereo44100.wav", 1, "pcm_s16le", 2, 44100, 0, 0},
    {"tone_mono22050.wav", 1, "pcm_s16le", 1, 22050, 2, 0.002},
    {"tone_u8.wav", 1, "pcm_u8", 1, 22050, 2, 0.002},
    {"tone.ogg", 1, "vorbis", 2, 44100, 256, 0.02},
    {"tone_mono22050.ogg", 1, "vorbis", VESK_MONO_OGG_CHANNELS, 22050, 256, 0.02},
    {"tone_4s.ogg", 4, "vorbis", 2, 44100, 256, 0.02},
    {"tone_4s_mono22050.ogg", 4, "vorbis", VESK_MONO_OGG_CHANNELS, 22050, 256, 0.02},
    // One WMA block is 2048 frames (46 ms).
    {"tone_wmav2.wma", 1, "wmav2", 2, 44100, 2 * 2048, 0.02},
    {"tone_wmav1.wma", 1, "wmav1", 2, 44100, 2 * 2048, 0.02},
    {"tone_4s_wmav2.wma", 4, "wmav2", 2, 44100, 2 * 2048, 0.02},
};

class AudioFixtureTest : public ::testing::TestWithParam<AudioCase> {
 protected:
  std::unique_ptr<AudioDecoder> Open() {
    std::string error;
    auto d = OpenAudioDecoder(Fixture(GetParam().file), &error);
    EXPECT_TRUE(d) << error;
    return d;
  }
};

TEST_P(AudioFixtureTest, DecodesTheToneAtTheOutputRate) {
  const AudioCase& c = GetParam();
  auto d = Open();
  ASSERT_TRUE(d);
  EXPECT_EQ(d->Info().codec, c.codec);
  EXPECT_EQ(d->Info().source_channels, c.channels);
  EXPECT_EQ(d->Info().source_rate_hz, c.rate_hz);
  const int64_t length = kToneFrames * c.seconds;
  EXPECT_NEAR(double(d->Info().total_frames), double(length), double(c.length_slack_frames));
  const auto s = DecodeAll(*d);
  const auto frames = int64_t(s.size() / 2);
  EXPECT_NEAR(double(frames), double(length), double(c.length_slack_frames));
  EXPECT_EQ(d->PositionFrames(), frames);
  ASSERT_GT(frames, length * 3 / 4);
  const size_t mid = size_t(frames) / 2;
  EXPECT_NEAR(FrequencyHz(s, mid - 11025, mid + 11025), kToneHz, 4);
  // Full level: mono is copied to both sides, not spread at -3 dB.
  EXPECT_NEAR(Peak(s, mid - 11025, mid + 11025), kToneAmplitude, kToneAmplitude * 0.06);
  // The tone is the same on both sides in every file.
  double side_difference = 0;
  for (size_t f = 0; f < s.size() / 2; ++f) side_difference += std::abs(s[2 * f] - s[2 * f + 1]);
  EXPECT_LT(side_difference / double(frames), 2.0);
  EXPECT_EQ(d->ReadFrames(std::vector<int16_t>(64).data(), 32), 0u);  // and stays at the end
}

TEST_P(AudioFixtureTest, SeeksAreSampleAccurate) {
  const AudioCase& c = GetParam();
  auto d = Open();
  ASSERT_TRUE(d);
  const auto whole = DecodeAll(*d);
  const size_t frames = whole.size() / 2;
  constexpr size_t kRun = 2048;
  // Backwards and forwards, near the start, in the middle of blocks, and
  // short steps forward that decode through; the four-second files add
  // seeks into the middle of the stream, and a seek to the start after
  // them is exact.
  std::vector<int64_t> targets = {30000, 9000, 123, 0, 22057, 40000, 40500};
  if (c.seconds > 1) targets.insert(targets.end(), {150001, 61111, 100000, 170000, 45000, 0});
  for (const int64_t target : targets) {
    SCOPED_TRACE(target);
    ASSERT_TRUE(d->SeekFrame(target));
    EXPECT_EQ(d->PositionFrames(), target);
    std::vector<int16_t> run(2 * kRun);
    ASSERT_LT(size_t(target), frames);
    const size_t want = std::min(kRun, frames - size_t(target));
    ASSERT_EQ(d->ReadFrames(run.data(), want), want);
    EXPECT_EQ(d->PositionFrames(), target + int64_t(want));
    const int16_t* expect = whole.data() + 2 * target;
    if (c.seek_rms == 0 || target == 0)
      EXPECT_TRUE(std::equal(run.begin(), run.begin() + ptrdiff_t(2 * want), expect));
    else
      EXPECT_LT(RelativeRms(run.data(), expect, 2 * want), c.seek_rms);
  }
}

TEST_P(AudioFixtureTest, SeeksOutsideTheSoundClamp) {
  auto d = Open();
  ASSERT_TRUE(d);
  std::vector<int16_t> buffer(2 * 256);
  EXPECT_TRUE(d->SeekFrame(-50));
  EXPECT_EQ(d->PositionFrames(), 0);
  EXPECT_EQ(d->ReadFrames(buffer.data(), 256), 256u);
  d->SeekFrame(d->Info().total_frames + 100000);
  EXPECT_EQ(d->PositionFrames(), d->Info().total_frames);
  EXPECT_EQ(d->ReadFrames(buffer.data(), 256), 0u);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, AudioFixtureTest, ::testing::ValuesIn(kAudioCases),
                         [](const auto& info) {
                           std::string name = info.param.file;
                           for (char& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

// Resampling 22050 Hz to 44100 Hz keeps the timing: output frame 2k is
// input sample k, with no delay from the filter.
TEST(AudioDecoderTest, ResamplingKeepsThePhase) {
  std::string error;
  auto d = OpenAudioDecoder(Fixture("tone_mono22050.wav"), &error);
  ASSERT_TRUE(d) << error;
  const auto s = DecodeAll(*d);
  ASSERT_GE(s.size(), size_t(2 * kToneFrames));
  double sum = 0;
  for (size_t f = 2000; f < 42000; ++f) {
    const double ideal =
        kToneAmplitude * std::sin(2 * std::numbers::pi * kToneHz * double(f) / kDecodedRateHz);
    sum += (s[2 * f] - ideal) * (s[2 * f] - ideal);
  }
  EXPECT_LT(std::sqrt(sum / 40000) / kToneAmplitude, 0.01);
}

TEST(AudioDecoderTest, ErrorsNameWhatIsWrong) {
  std::string error;
  EXPECT_FALSE(OpenAudioDecoder(std::make_shared<const std::vector<uint8_t>>(), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(OpenAudioDecoder(nullptr, &error));
  error.clear();
  const std::string text = "This is a text file, not a sound.\n";
  EXPECT_FALSE(OpenAudioDecoder(
      std::make_shared<const std::vector<uint8_t>>(text.begin(), text.end()), &error));
  EXPECT_EQ(error, "not a media file");
  EXPECT_FALSE(OpenAudioDecoder(Fixture("colours_wmv1.wmv"), &error));
  EXPECT_EQ(error, "no audio stream");
  EXPECT_FALSE(OpenVideoDecoder(Fixture("tone.ogg"), &error));
  EXPECT_EQ(error, "no video stream");
}

TEST(AudioDecoderTest, TheSoundOfAVideoDecodes) {
  std::string error;
  auto d = OpenAudioDecoder(Fixture("colours_wmv2.wmv"), &error);
  ASSERT_TRUE(d) << error;
  EXPECT_EQ(d->Info().codec, "wmav2");
  const auto s = DecodeAll(*d);
  ASSERT_GT(s.size(), size_t(kToneFrames));
  EXPECT_NEAR(FrequencyHz(s, 11025, 33075), kToneHz, 4);
}

TEST(MediaCodecsTest, TheGamesDecodersAreAllThere) {
  EXPECT_EQ(MissingMediaCodecs(), std::vector<std::string>{});
}

// Frame k of every video fixture, as R, G, B.
constexpr uint8_t kFrameColours[10][3] = {
    {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0x00, 0x00, 0xFF}, {0xFF, 0xFF, 0xFF},
    {0x00, 0x00, 0x00}, {0xFF, 0xFF, 0x00}, {0x00, 0xFF, 0xFF}, {0xFF, 0x00, 0xFF},
    {0x80, 0x80, 0x80}, {0xFF, 0x80, 0x00}};

struct VideoCase {
  const char* file;
  const char* codec;
  bool has_audio;
};

void PrintTo(const VideoCase& c, std::ostream* os) {
  *os << c.file;
}

const VideoCase kVideoCases[] = {
    {"colours_wmv2.wmv", "wmv2", true},
    {"colours_wmv1.wmv", "wmv1", false},
    {"colours_mpeg4.avi", "mpeg4", false},
#ifdef VESK_HAVE_THEORA_FIXTURE
    {"colours_theora.ogv", "theora", false},
#endif
};

class VideoFixtureTest : public ::testing::TestWithParam<VideoCase> {
 protected:
  std::unique_ptr<VideoDecoder> Open() {
    std::string error;
    auto d = OpenVideoDecoder(Fixture(GetParam().file), &error);
    EXPECT_TRUE(d) << error;
    return d;
  }

 public:
  // The picture shows frame k: the centre pixel is its colour and every
  // pixel's fourth byte is 255.
  static void ExpectFrame(const VideoDecoder& d, int k) {
    const uint8_t* p = d.Picture();
    ASSERT_NE(p, nullptr);
    const int w = d.Info().width_px, h = d.Info().height_px;
    const uint8_t* centre = p + (h / 2) * d.PictureStride() + (w / 2) * 4;
    EXPECT_NEAR(centre[2], kFrameColours[k][0], 24) << "frame " << k;
    EXPECT_NEAR(centre[1], kFrameColours[k][1], 24) << "frame " << k;
    EXPECT_NEAR(centre[0], kFrameColours[k][2], 24) << "frame " << k;
    int opaque = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) opaque += p[y * d.PictureStride() + x * 4 + 3] == 255;
    EXPECT_EQ(opaque, w * h);
  }
};

TEST_P(VideoFixtureTest, InfoDescribesTheStream) {
  auto d = Open();
  ASSERT_TRUE(d);
  const VideoStreamInfo& info = d->Info();
  EXPECT_EQ(info.width_px, 160);
  EXPECT_EQ(info.height_px, 120);
  EXPECT_NEAR(info.frames_per_sec, 10, 0.01);
  EXPECT_NEAR(double(info.length_ms), 1000, 100);
  EXPECT_EQ(info.has_audio, GetParam().has_audio);
  EXPECT_EQ(info.codec, GetParam().codec);
  EXPECT_GE(d->PictureStride(), 160 * 4);
  EXPECT_EQ(d->Picture(), nullptr);
  EXPECT_FALSE(d->AtEnd());
}

TEST_P(VideoFixtureTest, EachTimeShowsItsFrame) {
  auto d = Open();
  ASSERT_TRUE(d);
  int changes = 0;
  for (int64_t t = 0; t <= 1200; t += 10) {
    if (d->AdvanceTo(t)) ++changes;
    if (t % 100 == 50 && t < 1000) ExpectFrame(*d, int(t / 100));
    if (t < 900) {
      EXPECT_FALSE(d->AtEnd()) << t;
    }
  }
  EXPECT_EQ(changes, 10);
  EXPECT_TRUE(d->AtEnd());
  EXPECT_FALSE(d->AdvanceTo(1300));
}

TEST_P(VideoFixtureTest, JumpsForwardAndBack) {
  auto d = Open();
  ASSERT_TRUE(d);
  EXPECT_TRUE(d->AdvanceTo(0));
  ExpectFrame(*d, 0);
  EXPECT_TRUE(d->AdvanceTo(730));
  ExpectFrame(*d, 7);
  EXPECT_FALSE(d->AdvanceTo(760));  // the same frame
  EXPECT_TRUE(d->AdvanceTo(250));
  ExpectFrame(*d, 2);
  EXPECT_TRUE(d->AdvanceTo(5000));
  ExpectFrame(*d, 9);
  EXPECT_TRUE(d->AtEnd());
  // From the end back to the start, as a looping video does.
  EXPECT_TRUE(d->AdvanceTo(0));
  EXPECT_FALSE(d->AtEnd());
  ExpectFrame(*d, 0);
  EXPECT_TRUE(d->AdvanceTo(450));
  ExpectFrame(*d, 4);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, VideoFixtureTest, ::testing::ValuesIn(kVideoCases),
                         [](const auto& info) { return std::string(info.param.codec); });

// Three seconds with key frames 1.2 s apart: going back seeks to the key
// frame before the time and decodes on from there.
TEST(VideoSeekTest, GoingBackLandsOnTheFrameOfTheTime) {
  for (const char* file : {"colours_3s_wmv2.wmv", "colours_3s_mpeg4.avi"}) {
    SCOPED_TRACE(file);
    std::string error;
    auto d = OpenVideoDecoder(Fixture(file), &error);
    ASSERT_TRUE(d) << error;
    for (const auto& [time_ms, frame] : std::vector<std::pair<int64_t, int>>{
             {2950, 29}, {1650, 16}, {1150, 11}, {2450, 24}, {2399, 23}, {1200, 12}, {100, 1}}) {
      SCOPED_TRACE(time_ms);
      EXPECT_TRUE(d->AdvanceTo(time_ms));
      VideoFixtureTest::ExpectFrame(*d, frame % 10);
    }
  }
}

// Damaged input gives an error or a stream that ends; never a crash, a
// read out of bounds (AddressSanitizer watches) or a decoder that never
// ends.
void ExerciseHostile(const MediaBytes& bytes) {
  std::string error;
  if (auto a = OpenAudioDecoder(bytes, &error)) {
    DecodeAll(*a);
    a->SeekFrame(a->Info().total_frames / 2);
    DecodeAll(*a);
  } else {
    EXPECT_FALSE(error.empty());
  }
  error.clear();
  if (auto v = OpenVideoDecoder(bytes, &error)) {
    EXPECT_GT(v->Info().width_px, 0);
    EXPECT_LE(v->Info().width_px, 4096);
    EXPECT_LE(v->Info().height_px, 4096);
    for (int64_t t : {0, 40, 300, 100, 100000}) {
      v->AdvanceTo(t);
      if (const uint8_t* p = v->Picture()) {
        const int w = v->Info().width_px, h = v->Info().height_px;
        volatile uint8_t last = p[(h - 1) * v->PictureStride() + w * 4 - 1];
        (void)last;
      }
    }
  } else {
    EXPECT_FALSE(error.empty());
  }
}

TEST(HostileMediaTest, RandomBytes) {
  std::mt19937 rng(2024);
  for (const size_t size : {1, 2, 16, 64, 512, 4096, 65536}) {
    SCOPED_TRACE(size);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes) b = uint8_t(rng());
    ExerciseHostile(std::make_shared<const std::vector<uint8_t>>(std::move(bytes)));
  }
}

TEST(HostileMediaTest, EveryFixtureTruncated) {
  for (const char* name :
       {"tone_stereo44100.wav", "tone_u8.wav", "tone.ogg", "tone_mono22050.ogg", "tone_wmav2.wma",
        "tone_wmav1.wma", "colours_wmv2.wmv", "colours_wmv1.wmv", "colours_mpeg4.avi"}) {
    const MediaBytes whole = Fixture(name);
    for (const size_t length :
         {size_t(0), size_t(1), size_t(12), size_t(44), size_t(200), size_t(1000),
          whole->size() / 3, whole->size() / 2, whole->size() - 1}) {
      SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(length));
      ExerciseHostile(Prefix(whole, std::min(length, whole->size())));
    }
  }
}

// Small files cut everywhere, a few dozen bytes apart.
TEST(HostileMediaTest, SmallFilesCutAtEveryLength) {
  for (const char* name : {"colours_wmv1.wmv", "tone_mono22050.ogg"}) {
    const MediaBytes whole = Fixture(name);
    for (size_t length = 2; length < whole->size(); length += 61) {
      SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(length));
      ExerciseHostile(Prefix(whole, length));
    }
  }
}

// Every 97th byte of the file's second half replaced with noise: the
// headers read, the packets are damaged.
TEST(HostileMediaTest, DamagedPackets) {
  std::mt19937 rng(7);
  for (const char* name : {"tone.ogg", "tone_wmav2.wma", "colours_wmv2.wmv", "colours_mpeg4.avi"}) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> bytes = *Fixture(name);
    for (size_t i = bytes.size() / 2; i < bytes.size(); i += 97) bytes[i] = uint8_t(rng());
    ExerciseHostile(std::make_shared<const std::vector<uint8_t>>(std::move(bytes)));
  }
}

}  // namespace
}  // namespace vesk::platform
