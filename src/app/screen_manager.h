#pragma once
// TScreenManager: the working pixel format of every drawing surface, the
// back buffer the scene is drawn into, presenting it in the window, and the
// full-screen display modes (the acceptable ones and the one preferred).
#include <vector>

#include "app/engine_ports.h"
#include "platform/display_mode.h"
#include "platform/window.h"

namespace vesk::app {

// The modes a game can use full screen: at least the scene's size and 16
// bits. `preferred` is the index (into the accepted list) of the mode to
// use: the first accepted one, replaced by a mode of exactly the preferred
// size when the current choice is not, and among those by one with the
// desktop's bit count, and among those by a lower refresh rate.
struct ModeChoice {
  std::vector<platform::DisplayMode> accepted;
  std::vector<int> source_index;  // position of each accepted mode in the display's list
  int preferred = -1;
};
ModeChoice ChooseDisplayModes(const std::vector<platform::DisplayMode>& modes, int screen_w,
                              int screen_h, int preferred_w, int preferred_h, int desktop_bits);

// 15, 16 or 32 for a display of `bits` (5-5-5 when `rgb555`, or when
// `bits` is 15).
int WorkingBitCount(int bits, bool rgb555, bool full_screen);

class TScreenManager final : public ScreenManager {
 public:
  TScreenManager(platform::Window& window, int screen_w, int screen_h, int preferred_w,
                 int preferred_h, int desktop_bits);

  platform::BackBuffer& back_buffer() override { return frame_; }
  // Shows what changed in the frame (the back buffer's marks) and clears
  // the marks; counts the presentation when the scene changed or when a
  // zoom that is not a whole multiple forces a full copy.
  void Present() override;
  bool full_screen() const override { return current_mode_ >= 0; }
  bool display_modes_available() const override { return choice_.preferred >= 0; }
  int chosen_mode() const override { return chosen_mode_; }
  void set_chosen_mode(int index) override { chosen_mode_ = index; }
  int current_mode() const override { return current_mode_; }
  void ReleaseAll() override {}
  bool SetDisplayMode(int index) override;
  int working_bit_count() const override { return working_bits_; }
  int ModeCount() const override { return static_cast<int>(choice_.accepted.size()); }
  bool GetMode(int index, platform::DisplayMode* out) const override {
    if (index < 0 || index >= ModeCount()) return false;
    *out = choice_.accepted[static_cast<size_t>(index)];
    return true;
  }
  void NoteFrameChanged(bool changed, int zoom_percent) override;
  int present_counter() const { return present_counter_; }
  const ModeChoice& modes() const { return choice_; }

 private:
  void SetUp();
  platform::Window& window_;
  int screen_w_, screen_h_;
  int desktop_bits_;
  ModeChoice choice_;
  int chosen_mode_ = -1;
  int current_mode_ = -1;
  int working_bits_ = 32;
  platform::BackBuffer frame_;
  bool changed_ = true;
  int zoom_percent_ = 100;
  int present_counter_ = 0;
};

}  // namespace vesk::app
