// Sound, music and film in the real player, headless: the device plays on
// the game clock, so what was mixed can be read back (--record-audio) and
// the positions the scripts read are those of the samples heard.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/wave_file.h"
#include "e2e/game_dir_test.h"
#include "platform/midi_port.h"
#include "support/png_read.h"
#include "support/run_program.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

// A second of a 440 Hz tone at half scale, stereo 44100 Hz 16-bit.
std::vector<int16_t> Tone(int ms) {
  std::vector<int16_t> s(size_t(ms) * 441 / 10 * 2);
  for (size_t f = 0; f < s.size() / 2; ++f)
    s[2 * f] = s[2 * f + 1] = int16_t(16000 * std::sin(2 * M_PI * 440.0 * double(f) / 44100));
  return s;
}

// The samples of a wave file the player recorded (after the 44-byte header).
std::vector<int16_t> ReadRecording(const fs::path& file) {
  const std::string bytes = Slurp(file);
  std::vector<int16_t> s;
  for (size_t i = 44; i + 1 < bytes.size(); i += 2)
    s.push_back(int16_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8)));
  return s;
}

// The loudest sample between two times of the recording.
int Peak(const std::vector<int16_t>& s, int from_ms, int to_ms) {
  int peak = 0;
  const size_t a = size_t(from_ms) * 441 / 10 * 2,
               b = std::min(s.size(), size_t(to_ms) * 441 / 10 * 2);
  for (size_t i = a; i < b; ++i) peak = std::max(peak, std::abs(int(s[i])));
  return peak;
}

class MediaRun : public GameDirTest {
 protected:
  int Var(const std::string& name) {
    const std::string vars = Slurp(dir_ / "vars.json");
    const size_t at = vars.find("\"name\":\"" + name + "\"");
    if (at == std::string::npos) return -999;
    const size_t v = vars.find("\"values\":[", at) + 10;
    const std::string value = vars.substr(v, 6);
    if (value.rfind("true", 0) == 0) return 1;
    if (value.rfind("false", 0) == 0) return 0;
    return std::stoi(vars.substr(v));
  }
  void Build(const std::string& script) {
    WriteSource("project.vproj", "title \"Media\"\nscreen 320 240\n");
    WriteSource("start.vsc", script);
    RunResult c = Compile();
    ASSERT_EQ(c.status, 0) << c.err;
  }
  void CopyFromDemo(const char* file) {
    fs::copy_file(fs::path(VESK_DEMO_DIR) / file, dir_ / "game" / file);
  }
  RunResult Play(int frames, int step_ms, const std::string& extra = "") {
    return RunPlayer("--step " + std::to_string(step_ms) + " --frames " + std::to_string(frames) +
                     " --dump-vars " + Q(dir_ / "vars.json") + " --record-audio " +
                     Q(dir_ / "heard.wav") + " " + extra);
  }
};

// Play, pause, play on and the end: the positions follow the sound heard,
// the recording holds the tone where it played and silence where it was
// paused, and the end is reported once.
TEST_F(MediaRun, AWaveSoundPlaysPausesResumesAndReportsItsEnd) {
  Build(R"(VarNew pos1 type: int
VarNew pos2 type: int
VarNew len type: int
VarNew ended type: int
VarNew playing type: flag
Sound Name: "s" Source: "tone.wav" Volume: 1000 OnPlayEnd: "start.lsb:end"
Wait 400
GetProp "s" prop: PR_INDEX var: pos1
GetProp "s" prop: PR_COUNT var: len
SetProp "s" prop: PR_PAUSED value: 1
Wait 500
GetProp "s" prop: PR_INDEX var: pos2
SetProp "s" prop: PR_PAUSED value: 0
GetProp "s" prop: PR_PLAYING var: playing
While true
  Wait 1000
Label end
Calc ended = ended + 1
Exit
)");
  const std::vector<uint8_t> wav = app::EncodeWaveFile(Tone(1000));
  std::ofstream(dir_ / "game" / "tone.wav", std::ios::binary)
      .write(reinterpret_cast<const char*>(wav.data()), std::streamsize(wav.size()));
  RunResult r = Play(150, 20);  // three seconds
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Var("len"), 1000);
  EXPECT_NEAR(Var("pos1"), 400, 60);
  EXPECT_NEAR(Var("pos2"), Var("pos1"), 30);  // a paused sound stands still
  EXPECT_EQ(Var("playing"), 1);
  EXPECT_EQ(Var("ended"), 1);

  const std::vector<int16_t> heard = ReadRecording(dir_ / "heard.wav");
  ASSERT_GE(heard.size(), size_t(2900 * 441 / 10 * 2));
  EXPECT_GT(Peak(heard, 100, 350), 15000);    // playing
  EXPECT_LT(Peak(heard, 600, 850), 10);       // paused
  EXPECT_GT(Peak(heard, 1100, 1400), 15000);  // playing on
  EXPECT_LT(Peak(heard, 2200, 2900), 10);     // over: 1000 ms in all
}

// A looping Ogg sound fades out when MovieStop asks for it and then goes;
// a missing file costs only its sound.
TEST_F(MediaRun, AnOggSoundFadesOutAndGoesAndAMissingFileIsReported) {
  Build(R"(VarNew during type: flag
VarNew after type: flag
Sound Name: "amb" Source: "hill.ogg" Repeat: 1 Volume: 1000
Sound Name: "gone" Source: "nothere.ogg"
Wait 1000
MovieStop "amb" fade: 600
Calc during = Exists("\x01SCRAP_amb")
Wait 1000
Calc after = Exists("\x01SCRAP_amb")
While true
  Wait 1000
)");
  CopyFromDemo("hill.ogg");
  RunResult r = Play(120, 20);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Var("during"), 1);
  EXPECT_EQ(Var("after"), 0);
  const std::vector<int16_t> heard = ReadRecording(dir_ / "heard.wav");
  EXPECT_GT(Peak(heard, 300, 900), 500);
  EXPECT_LT(Peak(heard, 1800, 2300), 10);
}

// A damaged file: one line names it, the sound is silent, and its end is
// reported so that the script goes on.
TEST_F(MediaRun, ADamagedFileIsNamedOnceAndStillEnds) {
  Build(R"(VarNew ended type: int
Sound Name: "s" Source: "broken.ogg" Volume: 1000 OnPlayEnd: "start.lsb:end"
While true
  Wait 1000
Label end
Calc ended = ended + 1
Exit
)");
  std::ofstream(dir_ / "game" / "broken.ogg") << "OggS but nothing a decoder could read";
  RunResult r = Play(30, 20);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Var("ended"), 1);
  const size_t at = r.err.find("broken.ogg");
  ASSERT_NE(at, std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("broken.ogg", at + 1), std::string::npos) << r.err;
  EXPECT_LT(Peak(ReadRecording(dir_ / "heard.wav"), 0, 500), 1);
}

// The title's MIDI theme plays through the SoundFont synthesizer.
TEST_F(MediaRun, MidiMusicPlaysThroughTheSynthesizer) {
  if (platform::FindSoundFont("").empty()) GTEST_SKIP() << "no General MIDI SoundFont installed";
  Build(R"(VarNew pos type: int
VarNew playing type: flag
VarNew ports type: int
VarNew port type: str
Sound Name: "bgm" Source: "theme.mid" Repeat: 1 Volume: 1000
Wait 1500
GetProp "bgm" prop: PR_INDEX var: pos
GetProp "bgm" prop: PR_PLAYING var: playing
Calc ports = Length(@MidiPorts[1])
While true
  Wait 1000
)");
  CopyFromDemo("theme.mid");
  RunResult r = Play(100, 20);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Var("playing"), 1);
  EXPECT_NEAR(Var("pos"), 1500, 80);
  EXPECT_GT(Var("ports"), 0);  // the synthesizer, after the mapper
  EXPECT_GT(Peak(ReadRecording(dir_ / "heard.wav"), 200, 1900), 1000);
}

// A WMV film with WMA sound: its pictures show in its image, its sound is
// heard, and its end is reported.
TEST_F(MediaRun, AFilmShowsItsPicturesPlaysItsSoundAndEnds) {
  Build(R"(VarNew ended type: int
VarNew width type: int
Movie Name: "film" Left: 0 Top: 0 Overlay: 0 Source: "ending.wmv" Volume: 1000 \
  OnPlayEnd: "start.lsb:end"
Wait 100
GetProp "film" prop: PR_WIDTH var: width
While true
  Wait 1000
Label end
Calc ended = ended + 1
Exit
)");
  CopyFromDemo("ending.wmv");
  RunResult r = Play(160, 50, "--screenshot-at 60:" + Q(dir_ / "mid.png"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Var("width"), 320);
  EXPECT_EQ(Var("ended"), 1);
  EXPECT_GT(Peak(ReadRecording(dir_ / "heard.wav"), 1000, 5000), 1000);
  // Three seconds in, the film's soft light runs across the picture: a row
  // holds both bright and dark (a black or flat frame would not).
  int brightest = 0, darkest = 255;
  for (int x = 0; x < 320; x += 8) {
    const int64_t rgb = test_support::PngPixel(dir_ / "mid.png", x, 120);
    ASSERT_GE(rgb, 0);
    const int red = int((rgb >> 16) & 0xFF);
    brightest = std::max(brightest, red);
    darkest = std::min(darkest, red);
  }
  EXPECT_GT(brightest, 0xA0);
  EXPECT_GT(brightest - darkest, 0x50);
}

}  // namespace
}  // namespace vesk::e2e

namespace vesk::e2e {
namespace {

// The demo's title plays its theme, and the music fades out once the story
// begins.
TEST_F(MediaRun, TheDemoTitlePlaysItsMusicUntilTheStoryBegins) {
  if (platform::FindSoundFont("").empty()) GTEST_SKIP() << "no General MIDI SoundFont installed";
  const fs::path demo = CopyDemo();
  WriteFile("input.txt", "60 click 150 400\n");
  RunResult r = RunPlayer(
      "--frames 400 --input " + Q(dir_ / "input.txt") + " --record-audio " + Q(dir_ / "heard.wav"),
      demo);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<int16_t> heard = ReadRecording(dir_ / "heard.wav");
  EXPECT_GT(Peak(heard, 100, 900), 500);   // the title's theme
  EXPECT_LT(Peak(heard, 4000, 6000), 10);  // faded out behind the story
}

}  // namespace
}  // namespace vesk::e2e
