// The media system over the real decoders, on files the build makes (a
// second of 440 Hz tone; a film of ten solid-colour frames at 10 per second
// with a tone). Built only where the build hands in the fixtures' folder.
#ifdef VESK_MEDIA_FIXTURES_DIR
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "media/media_system.h"
#include "platform/clock.h"
#include "platform/media_decoder.h"
#include "support/media_fakes.h"

namespace vesk::media {
namespace {

platform::MediaBytes Fixture(const std::string& name) {
  std::ifstream in(std::string(VESK_MEDIA_FIXTURES_DIR) + "/" + name, std::ios::binary);
  if (!in) return nullptr;
  return std::make_shared<const std::vector<uint8_t>>(std::istreambuf_iterator<char>(in),
                                                      std::istreambuf_iterator<char>());
}

class RealDecodersTest : public ::testing::Test {
 protected:
  platform::ManualClock clock_;
  testing_media::NamedPorts ports_{{}};
  std::vector<std::string> reports_;
  std::unique_ptr<MediaSystem> sys_;
  std::vector<int16_t> block_;

  void Make(bool direct_sound) {
    MediaServices s{clock_, ports_};
    s.read_file = [](const std::string& name) { return Fixture(name); };
    s.open_audio = platform::OpenAudioDecoder;
    s.open_video = platform::OpenVideoDecoder;
    s.device_block_frames = 4410;
    s.delay_ms = 100;
    s.direct_sound = direct_sound;
    s.report = [this](const std::string& line) { reports_.push_back(line); };
    sys_ = std::make_unique<MediaSystem>(std::move(s));
    block_.assign(sys_->wav_out().BlockSamples(), 0);
  }
  // The louder of the two outputs' next blocks.
  int PeakOfBlock() {
    int peak = 0;
    for (audio::TWavOut* out : {&sys_->direct_out(), &sys_->wav_out()}) {
      out->MixBlock(block_);
      for (int16_t s : block_) peak = std::max(peak, std::abs(int(s)));
    }
    clock_.Advance(100);
    return peak;
  }
};

TEST_F(RealDecodersTest, OggAndWmaToneSoundInBothOggModes) {
  for (bool direct_sound : {true, false}) {
    Make(direct_sound);
    TDMediaItem* ogg = sys_->ogg().Add("tone.ogg");
    ASSERT_NE(ogg, nullptr) << (reports_.empty() ? "" : reports_.back());
    EXPECT_NEAR(ogg->GetLength(), 1000, 30);
    ogg->Play();
    EXPECT_GT(PeakOfBlock(), 2000);
    ogg->Pause();
    EXPECT_EQ(PeakOfBlock(), 0);
  }
  TDMediaItem* wma = sys_->wmp().Add("tone_wmav2.wma");
  ASSERT_NE(wma, nullptr);
  wma->Play();
  EXPECT_GT(PeakOfBlock(), 2000);
  EXPECT_EQ(sys_->ogg().Add("colours_wmv1.wmv.missing")->GetLength(), 0);
  EXPECT_EQ(reports_.size(), 1u);
}

TEST_F(RealDecodersTest, FilmPicturesFollowItsSound) {
  Make(true);
  auto* v = dynamic_cast<TVideoItem*>(sys_->video().Add("colours_wmv2.wmv"));
  ASSERT_NE(v, nullptr) << (reports_.empty() ? "" : reports_.back());
  EXPECT_EQ(v->SourceWidth(), 160);
  EXPECT_EQ(v->SourceHeight(), 120);
  v->Play();
  EXPECT_TRUE(v->NeedPaint());
  int stride = 0;
  const uint8_t* p = v->GetDC(&stride);
  ASSERT_NE(p, nullptr);
  const uint8_t* centre = p + 60 * stride + 80 * 4;
  EXPECT_GT(centre[2], 200);  // frame 0 is red
  EXPECT_LT(centre[1], 60);
  PeakOfBlock();
  PeakOfBlock();
  EXPECT_GT(PeakOfBlock(), 1000);  // the film's tone
  ASSERT_TRUE(v->NeedPaint());
  p = v->GetDC(&stride);
  centre = p + 60 * stride + 80 * 4;
  EXPECT_GT(centre[0], 200);  // 300 ms: frame 3 is white
  EXPECT_GT(centre[1], 200);
  EXPECT_GT(centre[2], 200);
}

}  // namespace
}  // namespace vesk::media
#endif
