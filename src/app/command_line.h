#pragma once
// The player's command line:
//   vesk-player [options] FOLDER...
// and the settings-dialog forms "/config" (any letter case) and "--config".
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vesk::app {

struct PlayerOptions {
  std::vector<std::string> folders;  // the first is the data folder
  bool config = false;
  bool headless = false;
  std::optional<int> step_ms;  // --step (headless: default 16)
  std::optional<int> frames;   // --frames
  bool no_logo = false;
  std::string input_file;                                   // --input
  std::string dump_vars_file;                               // --dump-vars
  std::string trace_file;                                   // --trace
  std::string screenshot_file;                              // --screenshot (at exit)
  std::vector<std::pair<int, std::string>> screenshots_at;  // --screenshot-at FRAME:FILE
  std::string soundfont_file;                               // --soundfont
  std::string record_audio_file;                            // --record-audio (headless)
  std::string patch;                                        // --patch (folder or archive)
  bool help = false;
  bool version = false;
};

// False with *error naming the bad argument.
bool ParseCommandLine(const std::vector<std::string>& args, PlayerOptions* out, std::string* error);
const char* UsageText();

}  // namespace vesk::app
