#include "app/command_line.h"

#include <charconv>

#include "core/sjis.h"

namespace vesk::app {
namespace {

bool ParseInt(const std::string& s, int lo, int hi, int* out) {
  int v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size() || v < lo || v > hi) return false;
  *out = v;
  return true;
}

}  // namespace

const char* UsageText() {
  return "usage: vesk-player [options] [FOLDER...]\n"
         "       vesk-player /config | --config\n"
         "\n"
         "Plays the game in FOLDER (the first folder is the data folder; a game.dat\n"
         "in any folder is mounted). Without FOLDER, plays the game bundled into the\n"
         "program or lying beside it.\n"
         "\n"
         "  --config              open the sound settings dialog (game.ini)\n"
         "  --headless            no window; sound is mixed on the game clock, unheard;\n"
         "                        never blocks on a dialog\n"
         "  --step MS             every frame lasts exactly MS ms of game clock (1..3000;\n"
         "                        default 16 with --headless)\n"
         "  --frames N            stop after N frames (frames count from 0), then shut down\n"
         "  --no-logo             skip the start-up logo\n"
         "  --input FILE          scripted input, one event a line: FRAME EVENT [ARGS]\n"
         "  --dump-vars FILE      write the variables as JSON at exit\n"
         "  --trace FILE          write one trace line per command and event start\n"
         "  --screenshot FILE.png save the last frame at exit\n"
         "  --screenshot-at FRAME:FILE.png   save the frame FRAME (repeatable)\n"
         "  --soundfont FILE      the General MIDI SoundFont for MIDI music\n"
         "  --record-audio FILE.wav   with --headless: save everything played, at exit\n"
         "  --patch PATCH         play a translation patch (a folder or an archive\n"
         "                        holding vesk-patch.ini) ahead of the game's own files;\n"
         "                        the game's files are never changed\n"
         "  --help, --version\n";
}

bool ParseCommandLine(const std::vector<std::string>& args, PlayerOptions* out,
                      std::string* error) {
  PlayerOptions o;
  auto need_value = [&](size_t& i, std::string* value) {
    if (i + 1 >= args.size()) {
      *error = args[i] + " needs a value";
      return false;
    }
    *value = args[++i];
    return true;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string v;
    if (i == 0 && EqualsIgnoreAsciiCase(a, "/config")) {
      o.config = true;
    } else if (a == "--config") {
      o.config = true;
    } else if (a == "--headless") {
      o.headless = true;
    } else if (a == "--no-logo") {
      o.no_logo = true;
    } else if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "--step") {
      int ms;
      if (!need_value(i, &v)) return false;
      if (!ParseInt(v, 1, 3000, &ms)) {
        *error = "--step takes milliseconds from 1 to 3000, not '" + v + "'";
        return false;
      }
      o.step_ms = ms;
    } else if (a == "--frames") {
      int n;
      if (!need_value(i, &v)) return false;
      if (!ParseInt(v, 0, 1 << 30, &n)) {
        *error = "--frames takes a frame count, not '" + v + "'";
        return false;
      }
      o.frames = n;
    } else if (a == "--input") {
      if (!need_value(i, &o.input_file)) return false;
    } else if (a == "--dump-vars") {
      if (!need_value(i, &o.dump_vars_file)) return false;
    } else if (a == "--trace") {
      if (!need_value(i, &o.trace_file)) return false;
    } else if (a == "--soundfont") {
      if (!need_value(i, &o.soundfont_file)) return false;
    } else if (a == "--record-audio") {
      if (!need_value(i, &o.record_audio_file)) return false;
    } else if (a == "--patch") {
      if (!need_value(i, &o.patch)) return false;
    } else if (a == "--screenshot") {
      if (!need_value(i, &o.screenshot_file)) return false;
    } else if (a == "--screenshot-at") {
      if (!need_value(i, &v)) return false;
      const auto colon = v.find(':');
      int frame;
      if (colon == std::string::npos || colon + 1 == v.size() ||
          !ParseInt(v.substr(0, colon), 0, 1 << 30, &frame)) {
        *error = "--screenshot-at takes FRAME:FILE.png, not '" + v + "'";
        return false;
      }
      o.screenshots_at.emplace_back(frame, v.substr(colon + 1));
    } else if (a.size() > 1 && a[0] == '-') {
      *error = "unknown option " + a;
      return false;
    } else {
      o.folders.push_back(a);
    }
  }
  if (o.step_ms && !o.headless) {
    *error = "--step needs --headless (a window runs on the real clock)";
    return false;
  }
  if (!o.record_audio_file.empty() && !o.headless) {
    *error = "--record-audio needs --headless (it keeps what the headless device played)";
    return false;
  }
  if (o.headless && !o.step_ms) o.step_ms = 16;
  *out = std::move(o);
  return true;
}

}  // namespace vesk::app
