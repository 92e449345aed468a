#pragma once
// The message loop with its idle-time frames. One loop serves the window and
// the headless runtime: in headless mode the manual clock moves exactly one
// step per frame slot and frames run back to back.
#include <functional>
#include <optional>
#include <vector>

#include "app/form_view.h"
#include "app/input_script.h"
#include "platform/clock.h"

namespace vesk::app {

struct LoopOptions {
  std::optional<int> frames;                      // stop after this many frame slots
  std::optional<int> step_ms;                     // headless: clock step per slot
  platform::ManualClock* manual_clock = nullptr;  // set in headless mode
  std::vector<ScriptedEvent> input;               // delivered before their frame
  // Headless: after the clock moved by one step, before the frame: the
  // sound plays that much game time (the sequencer ticks, the device pulls).
  std::function<void(uint32_t elapsed_ms)> advance_media;
  // Called after frame slot `frame` ran (headless: every slot).
  std::function<void(int frame)> after_frame;
};

// Runs until the game ends or the frame limit is reached. Does not close
// the view: the caller saves what it wants first.
void RunMainLoop(TFormView& view, RuntimeContext& ctx, platform::Window& window,
                 const LoopOptions& options);

}  // namespace vesk::app
