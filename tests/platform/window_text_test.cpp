// Text entry at the window: the real window (SDL's dummy video driver)
// passes the modifiers with key events, typed text and the input method's
// composition, starts and stops text input, and keeps the clipboard; the
// headless window does the same for tests and automation.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cstdlib>

#include "platform/cp932.h"
#include "platform/headless/headless_platform.h"
#include "platform/platform.h"

namespace vesk::platform {
namespace {

class SdlWindowText : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    std::string error;
    platform_ = CreateSdlPlatform(&error);
    ASSERT_NE(platform_, nullptr) << error;
    window_ = platform_->CreateMainWindow({"t", 64, 48, true}, &error);
    ASSERT_NE(window_, nullptr) << error;
  }
  void TearDown() override {
    window_.reset();
    platform_.reset();
    unsetenv("SDL_VIDEODRIVER");
  }
  // The next event the window makes of what SDL has queued.
  Event Next() {
    Event e;
    EXPECT_TRUE(window_->PollEvent(&e));
    return e;
  }

  std::unique_ptr<Platform> platform_;
  std::unique_ptr<Window> window_;
};

TEST_F(SdlWindowText, KeysCarryModifiersAndTextAndCompositionArrive) {
  SDL_Event key{};
  key.type = SDL_KEYDOWN;
  key.key.keysym.scancode = SDL_SCANCODE_LEFT;
  key.key.keysym.mod = KMOD_LSHIFT | KMOD_RCTRL;
  SDL_PushEvent(&key);
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  SDL_strlcpy(text.text.text, "あ", sizeof text.text.text);
  SDL_PushEvent(&text);
  SDL_Event editing{};
  editing.type = SDL_TEXTEDITING;
  SDL_strlcpy(editing.edit.text, "かな", sizeof editing.edit.text);
  editing.edit.start = 1;
  SDL_PushEvent(&editing);

  const Event k = Next();
  EXPECT_EQ(k.type, EventType::kKeyDown);
  EXPECT_EQ(k.vk, 0x25);
  EXPECT_EQ(k.mods, kModShift | kModControl);
  const Event t = Next();
  EXPECT_EQ(t.type, EventType::kTextInput);
  EXPECT_EQ(t.text, "あ");
  const Event c = Next();
  EXPECT_EQ(c.type, EventType::kTextEditing);
  EXPECT_EQ(c.text, "かな");
  EXPECT_EQ(c.edit_cursor, 1);
}

TEST_F(SdlWindowText, TextInputRunsOnlyWhileAskedAndTheClipboardKeepsText) {
  // A new window takes keys as keys: no input method in the way.
  EXPECT_FALSE(window_->text_input_started());
  EXPECT_FALSE(SDL_IsTextInputActive());
  window_->StartTextInput(Rect{10, 10, 11, 22});
  EXPECT_TRUE(window_->text_input_started());
  EXPECT_TRUE(SDL_IsTextInputActive());
  window_->StartTextInput(Rect{20, 10, 21, 22});  // only moves the candidate window
  EXPECT_TRUE(SDL_IsTextInputActive());
  window_->StopTextInput();
  EXPECT_FALSE(window_->text_input_started());
  EXPECT_FALSE(SDL_IsTextInputActive());

  window_->SetClipboardText("コピー\nline");
  EXPECT_EQ(window_->ClipboardText(), "コピー\nline");
}

TEST(HeadlessWindowText, KeepsItsClipboardAndTheCaretOfTextInput) {
  HeadlessWindow w({"t", 64, 48, true});
  EXPECT_EQ(w.ClipboardText(), "");
  w.SetClipboardText("x");
  EXPECT_EQ(w.ClipboardText(), "x");
  w.StartTextInput(Rect{1, 2, 3, 4});
  EXPECT_TRUE(w.text_input_started());
  EXPECT_EQ(w.text_input_caret(), (Rect{1, 2, 3, 4}));
  w.StopTextInput();
  EXPECT_FALSE(w.text_input_started());
}

TEST(Cp932Typing, CharactersTheCodePageLacksAreLeftOut) {
  // "ア", an emoji, "b": the emoji has no CP932 form.
  EXPECT_EQ(Utf8ToCp932Dropping("ア\xF0\x9F\x98\x80"
                                "b"),
            "\x83\x41"
            "b");
  EXPECT_EQ(Utf8ToCp932("\xF0\x9F\x98\x80"), "?");  // the marking conversion, for contrast
}

}  // namespace
}  // namespace vesk::platform
