#pragma once
// The window around TFormConfig: what the player runs for "/config" or
// "--config" instead of a game.
#include <string>
#include <vector>

#include "platform/back_buffer.h"
#include "platform/events.h"
#include "platform/platform.h"

namespace vesk::app {

// Shows the sound settings dialog for the game.ini at `ini_path` until the
// user closes it. On the headless platform `scripted_events` are queued on
// the dialog's window and the dialog is cancelled once they run out, so it
// never waits. When `final_frame` is given it receives the dialog as it
// looked when it closed. Returns 0, or 1 when the window cannot be created.
int RunConfigDialog(platform::Platform& platform, const std::string& ini_path,
                    const std::vector<platform::Event>& scripted_events,
                    platform::BackBuffer* final_frame = nullptr);

}  // namespace vesk::app
