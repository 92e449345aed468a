#include "app/runconfigs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/config_dialog.h"
#include "app/game_ini.h"
#include "platform/headless/headless_platform.h"
#include "platform/vkeys.h"

namespace vesk::app {
namespace {

namespace fs = std::filesystem;
namespace vk = platform::vk;
using platform::Event;
using platform::EventType;
using platform::MouseButton;

constexpr int kKeyD = vk::kA + ('D' - 'A');
constexpr int kKeyS = vk::kA + ('S' - 'A');

class RunConfigsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "runconfigs_XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    ini_ = (dir_ / kGameIniName).string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  void WriteIni(const std::string& text) { std::ofstream(ini_, std::ios::binary) << text; }
  std::string ReadIni() const {
    std::stringstream s;
    s << std::ifstream(ini_, std::ios::binary).rdbuf();
    return s.str();
  }
  void Press(TFormConfig& f, int key) {
    f.HandleEvent(Event::Key(EventType::kKeyDown, key));
    f.HandleEvent(Event::Key(EventType::kKeyUp, key));
  }
  void Chord(TFormConfig& f, int modifier, int key) {
    f.HandleEvent(Event::Key(EventType::kKeyDown, modifier));
    Press(f, key);
    f.HandleEvent(Event::Key(EventType::kKeyUp, modifier));
  }
  static Event Mouse(EventType t, int x, int y) {
    return Event::Mouse(t, MouseButton::kLeft, x, y);
  }
  static void Click(TFormConfig& f, const Rect& r) {
    const int x = r.left + int(r.Width()) / 2, y = r.top + int(r.Height()) / 2;
    f.HandleEvent(Mouse(EventType::kMouseDown, x, y));
    f.HandleEvent(Mouse(EventType::kMouseUp, x, y));
  }

  fs::path dir_;
  std::string ini_;
  platform::HeadlessDialogs dialogs_;
};

// --- Loading what game.ini holds ---

TEST_F(RunConfigsTest, StoredDelayIsShownInHundredsAndOkWritesItBack) {
  WriteIni("[Sound]\r\nDirectSound=0\r\nDelayTime=250\r\n");
  TFormConfig form(ini_, &dialogs_);
  EXPECT_TRUE(form.open());
  EXPECT_FALSE(form.checked());
  EXPECT_EQ(form.position(), 2);
  EXPECT_EQ(form.info_text(), "200ms");
  form.OkClick();
  EXPECT_FALSE(form.open());
  EXPECT_EQ(ReadGameIniRaw(ini_).delay_ms, 200);
  EXPECT_FALSE(ReadGameIniRaw(ini_).direct_sound);
}

TEST_F(RunConfigsTest, OutOfRangeAndMissingValuesLandInsideTheTrackBar) {
  const std::pair<const char*, int> cases[] = {
      {"900", 5}, {"50", 1}, {"-300", 1}, {"2147483647", 5}, {"junk", 5}};
  for (const auto& [stored, expected] : cases) {
    WriteIni(std::string("[Sound]\nDelayTime=") + stored + "\n");
    EXPECT_EQ(TFormConfig(ini_, nullptr).position(), expected) << stored;
  }
  fs::remove(ini_);
  TFormConfig defaults(ini_, nullptr);
  EXPECT_TRUE(defaults.checked());
  EXPECT_EQ(defaults.info_text(), "500ms");
}

// --- DirectSound disables the delay controls ---

TEST_F(RunConfigsTest, DelayControlsFollowTheCheckBoxAndTabSkipsThem) {
  WriteIni("[Sound]\nDirectSound=1\n");
  TFormConfig form(ini_, nullptr);
  EXPECT_FALSE(form.delay_controls_enabled());
  EXPECT_EQ(form.focus(), ConfigControl::kCheckSound);
  Press(form, vk::kTab);
  EXPECT_EQ(form.focus(), ConfigControl::kOk);
  Chord(form, vk::kShift, vk::kTab);
  Chord(form, vk::kShift, vk::kTab);
  EXPECT_EQ(form.focus(), ConfigControl::kCancel);

  Click(form, config_layout::kCheckSound);
  EXPECT_FALSE(form.checked());
  EXPECT_TRUE(form.delay_controls_enabled());
  Press(form, vk::kTab);
  EXPECT_EQ(form.focus(), ConfigControl::kTrackBuff);
}

TEST_F(RunConfigsTest, DisabledTrackBarTakesNoInputNorKeepsFocus) {
  WriteIni("[Sound]\nDirectSound=0\nDelayTime=500\n");
  TFormConfig form(ini_, nullptr);
  Chord(form, vk::kMenu, kKeyD);
  ASSERT_EQ(form.focus(), ConfigControl::kTrackBuff);
  Chord(form, vk::kMenu, kKeyS);  // checks the box and moves focus onto it
  EXPECT_EQ(form.focus(), ConfigControl::kCheckSound);
  const Rect& t = config_layout::kTrackBuff;
  form.HandleEvent(Mouse(EventType::kMouseDown, TFormConfig::TrackX(1), t.top + 10));
  Chord(form, vk::kMenu, kKeyD);
  Press(form, vk::kLeft);
  EXPECT_EQ(form.position(), 5);
  EXPECT_EQ(form.focus(), ConfigControl::kCheckSound);
}

// --- Closing without saving ---

TEST_F(RunConfigsTest, CancelEscapeAndWindowCloseWriteNothing) {
  const std::string original = "[Sound]\nDelayTime=300\n";
  const std::vector<Event> closers = {Event::Key(EventType::kKeyDown, vk::kEscape),
                                      Event::Of(EventType::kQuit),
                                      Mouse(EventType::kMouseDown, config_layout::kCancel.left + 5,
                                            config_layout::kCancel.top + 5)};
  for (const Event& closer : closers) {
    WriteIni(original);
    TFormConfig form(ini_, nullptr);
    Chord(form, vk::kMenu, kKeyS);
    form.HandleEvent(closer);
    form.HandleEvent(Mouse(EventType::kMouseUp, closer.x, closer.y));
    EXPECT_FALSE(form.open());
    EXPECT_EQ(form.result(), ConfigResult::kCancel);
    EXPECT_EQ(ReadIni(), original);
    Press(form, vk::kReturn);  // a closed form ignores input
    EXPECT_EQ(ReadIni(), original);
  }
}

TEST_F(RunConfigsTest, FailedSaveReportsTheFileAndStaysOpen) {
  const std::string bad = (dir_ / "missing" / kGameIniName).string();
  TFormConfig form(bad, &dialogs_);
  Press(form, vk::kReturn);
  EXPECT_TRUE(form.open());
  ASSERT_EQ(dialogs_.shown().size(), 1u);
  EXPECT_NE(dialogs_.shown()[0].find(bad), std::string::npos);
}

// --- Keyboard ---

TEST_F(RunConfigsTest, KeyboardOnlyFlowSavesTheChosenDelay) {
  WriteIni("[Sound]\nDirectSound=0\nDelayTime=100\n");
  TFormConfig form(ini_, nullptr);
  Chord(form, vk::kMenu, kKeyD);
  Press(form, vk::kRight);
  Press(form, vk::kRight);
  Press(form, vk::kReturn);
  EXPECT_EQ(form.result(), ConfigResult::kOk);
  EXPECT_EQ(ReadGameIniRaw(ini_).delay_ms, 300);
}

TEST_F(RunConfigsTest, TrackBarKeysStayWithinRange) {
  WriteIni("[Sound]\nDirectSound=0\nDelayTime=300\n");
  TFormConfig form(ini_, nullptr);
  Chord(form, vk::kMenu, kKeyD);
  const std::pair<int, int> steps[] = {{vk::kEnd, 5},  {vk::kDown, 5}, {vk::kPrior, 4},
                                       {vk::kHome, 1}, {vk::kUp, 1},   {vk::kNext, 2}};
  for (const auto& [key, expected] : steps) {
    Press(form, key);
    EXPECT_EQ(form.position(), expected) << key;
  }
  EXPECT_EQ(form.info_text(), "200ms");
}

TEST_F(RunConfigsTest, EnterOnCancelCancelsAndSpaceTogglesOncePerPress) {
  TFormConfig form(ini_, nullptr);
  form.HandleEvent(Event::Key(EventType::kKeyDown, vk::kSpace));
  form.HandleEvent(Event::Key(EventType::kKeyDown, vk::kSpace, /*repeat=*/true));
  EXPECT_FALSE(form.checked());
  // An Alt released in another window must not turn D into an accelerator.
  form.HandleEvent(Event::Key(EventType::kKeyDown, vk::kMenu));
  form.HandleEvent(Event::Of(EventType::kDeactivated));
  Press(form, kKeyD);
  EXPECT_EQ(form.focus(), ConfigControl::kCheckSound);
  Chord(form, vk::kShift, vk::kTab);
  ASSERT_EQ(form.focus(), ConfigControl::kCancel);
  Press(form, vk::kReturn);
  EXPECT_EQ(form.result(), ConfigResult::kCancel);
  EXPECT_FALSE(fs::exists(ini_));
}

// --- Mouse ---

TEST_F(RunConfigsTest, TrackBarJumpsToNearestTickAndFollowsDrag) {
  WriteIni("[Sound]\nDirectSound=0\nDelayTime=100\n");
  TFormConfig form(ini_, nullptr);
  const int y = config_layout::kTrackBuff.top + 10;
  form.HandleEvent(Mouse(EventType::kMouseDown, TFormConfig::TrackX(4) - 3, y));
  EXPECT_EQ(form.position(), 4);
  EXPECT_EQ(form.focus(), ConfigControl::kTrackBuff);
  form.HandleEvent(Event::Move(TFormConfig::TrackX(2) + 2, y + 100));
  EXPECT_EQ(form.info_text(), "200ms");
  form.HandleEvent(Mouse(EventType::kMouseUp, 0, y));
  form.HandleEvent(Event::Move(TFormConfig::TrackX(5), y));
  EXPECT_EQ(form.position(), 2);  // the drag ended with the button
}

TEST_F(RunConfigsTest, ButtonsActOnlyWhenReleasedOverThem) {
  TFormConfig form(ini_, nullptr);
  const Rect& ok = config_layout::kOk;
  form.HandleEvent(Mouse(EventType::kMouseDown, ok.left + 5, ok.top + 5));
  EXPECT_EQ(form.pushed(), ConfigControl::kOk);
  form.HandleEvent(Mouse(EventType::kMouseUp, ok.left - 20, ok.top + 5));
  EXPECT_TRUE(form.open());
  Click(form, ok);
  EXPECT_FALSE(form.open());
  EXPECT_TRUE(fs::exists(ini_));
}

// --- Saving keeps the rest of the file ---

TEST_F(RunConfigsTest, OkKeepsOtherSectionsAndKeys) {
  WriteIni("[Window]\r\nLeft=10\r\n[Sound]\r\nDelayTime=400\r\nVolume=80\r\n[Misc]\r\nX=1\r\n");
  TFormConfig form(ini_, nullptr);
  form.SetChecked(false);
  form.SetPosition(3);
  form.OkClick();
  const std::string text = ReadIni();
  EXPECT_EQ(IniRead(text, "Window", "Left", ""), "10");
  EXPECT_EQ(IniRead(text, "Sound", "Volume", ""), "80");
  EXPECT_EQ(IniRead(text, "Misc", "X", ""), "1");
  EXPECT_EQ(IniRead(text, "Sound", "DelayTime", ""), "300");
  EXPECT_EQ(IniRead(text, "Sound", "DirectSound", ""), "0");
}

// --- The dialog in its window ---

TEST_F(RunConfigsTest, HeadlessRunPlaysScriptedEventsAndSaves) {
  platform::HeadlessPlatform platform;
  const Rect& box = config_layout::kCheckSound;
  const Rect& ok = config_layout::kOk;
  std::vector<Event> script;
  for (const Rect& r : {box, ok})
    for (EventType t : {EventType::kMouseDown, EventType::kMouseUp})
      script.push_back(Mouse(t, r.left + 4, r.top + 8));
  platform::BackBuffer final_frame;
  EXPECT_EQ(RunConfigDialog(platform, ini_, script, &final_frame), 0);
  EXPECT_FALSE(ReadGameIniRaw(ini_).direct_sound);
  EXPECT_EQ(final_frame.width_px(), config_layout::kClientW);
  EXPECT_EQ(final_frame.height_px(), config_layout::kClientH);
}

TEST_F(RunConfigsTest, HeadlessRunWithoutEventsCancels) {
  platform::HeadlessPlatform platform;
  EXPECT_EQ(RunConfigDialog(platform, ini_, {}), 0);
  EXPECT_FALSE(fs::exists(ini_));
}

// --- Drawing ---

int CountDarkPixels(const platform::BackBuffer& b, const Rect& r) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += (b.GetRgb(x, y) & 0xFFFFFF) < 0x404040 ? 1 : 0;
  return n;
}

TEST_F(RunConfigsTest, LabelTextAppearsAndGreysOutWithDirectSound) {
  auto font = platform::OpenFont(TFormConfig::kFontFamily, TFormConfig::kFontHeightPx);
  if (!font) GTEST_SKIP() << "no font installed";
  WriteIni("[Sound]\nDirectSound=0\n");
  TFormConfig form(ini_, nullptr);
  platform::BackBuffer frame;
  form.Render(frame, font.get());
  EXPECT_GT(CountDarkPixels(frame, config_layout::kLabelBuff), 20);
  EXPECT_GT(CountDarkPixels(frame, config_layout::kOk), 20);
  form.SetChecked(true);
  form.Render(frame, font.get());
  EXPECT_EQ(CountDarkPixels(frame, config_layout::kLabelBuff), 0);
}

TEST_F(RunConfigsTest, RenderWithoutFontStillDrawsTheControls) {
  TFormConfig form(ini_, nullptr);
  platform::BackBuffer frame(10, 10, platform::PixelFormat::kRgb565);
  form.Render(frame, nullptr);
  ASSERT_EQ(frame.width_px(), config_layout::kClientW);
  EXPECT_EQ(CountDarkPixels(frame, config_layout::kLabelBuff), 0);
  EXPECT_GT(CountDarkPixels(frame, config_layout::kCheckSound), 0);  // the check mark
}

}  // namespace
}  // namespace vesk::app
