#include "app/main_loop.h"

namespace vesk::app {

namespace {
// How long the loop sleeps in the window system while nothing needs a frame.
constexpr int kWaitTimeoutMs = 50;
}  // namespace

void RunMainLoop(TFormView& view, RuntimeContext& ctx, platform::Window& window,
                 const LoopOptions& options) {
  const bool headless = options.manual_clock != nullptr;
  size_t next_input = 0;
  int frame = 0;
  while (!ctx.terminated) {
    if (options.frames && frame >= *options.frames) break;
    platform::Event e;
    while (!ctx.terminated && window.PollEvent(&e)) view.HandleEvent(e);
    while (!ctx.terminated && next_input < options.input.size() &&
           options.input[next_input].frame <= frame)
      view.HandleEvent(options.input[next_input++].event);
    if (ctx.terminated) break;

    if (headless) {
      const auto step_ms = static_cast<uint32_t>(options.step_ms.value_or(16));
      options.manual_clock->Advance(step_ms);
      if (options.advance_media) options.advance_media(step_ms);
    }
    const int drawn_before = view.frames_run();
    const bool may_wait = view.OnIdle();
    if (headless || view.frames_run() != drawn_before) {
      if (options.after_frame) options.after_frame(frame);
      ++frame;
    } else if (may_wait && window.WaitEvent(&e, kWaitTimeoutMs)) {
      view.HandleEvent(e);
    }
  }
}

}  // namespace vesk::app
