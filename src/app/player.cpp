#include "app/player.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/command_line.h"
#include "app/config_dialog.h"
#include "app/data_path.h"
#include "app/default_engine.h"
#include "app/form_view.h"
#include "app/function_host.h"
#include "app/game_ini.h"
#include "app/input_script.h"
#include "app/main_loop.h"
#include "app/patch_mount.h"
#include "app/screenshot.h"
#include "app/var_dump.h"
#include "app/wave_file.h"
#include "app/window_keys.h"
#include "companion/companion.h"
#include "companion/trace_log.h"
#include "core/messages.h"
#include "core/version.h"
#include "lang/properties.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/headless/headless_platform.h"
#include "platform/instance_lock.h"
#include "storage/vrfiles.h"

namespace vesk::app {
namespace {

constexpr int kExitOk = 0, kExitCannotStart = 1, kExitUsage = 2, kExitAlreadyRunning = 3;

int Fail(const std::string& message, int status = kExitCannotStart) {
  std::fprintf(stderr, "vesk-player: %s\n", message.c_str());
  return status;
}

bool LoadInput(const PlayerOptions& o, std::vector<ScriptedEvent>* events, std::string* error) {
  if (o.input_file.empty()) return true;
  auto data = platform::ReadWholeFile(o.input_file);
  if (!data) {
    *error = o.input_file + ": cannot read the input script";
    return false;
  }
  if (ParseInputScript(std::string(data->begin(), data->end()), events, error)) return true;
  *error = o.input_file + ": " + *error;
  return false;
}

std::unique_ptr<platform::Platform> MakePlatform(bool headless, std::string* error) {
  if (headless) return std::make_unique<platform::HeadlessPlatform>();
  return platform::CreateSdlPlatform(error);
}

// The window's last frame: the headless window keeps it, the real one is
// read back from the screen manager's back buffer.
const platform::BackBuffer* LastFrame(platform::Platform& p, TFormView& view) {
  if (p.headless()) {
    auto* w = static_cast<platform::HeadlessPlatform&>(p).window();
    if (w && !w->last_frame().empty()) return &w->last_frame();
  }
  return view.screen() ? &view.screen()->back_buffer() : nullptr;
}

}  // namespace

int RunPlayer(const std::vector<std::string>& args) {
  PlayerOptions o;
  std::string error;
  if (!ParseCommandLine(args, &o, &error)) return Fail(error + "\n" + UsageText(), kExitUsage);
  if (o.help) {
    std::fputs(UsageText(), stdout);
    return kExitOk;
  }
  if (o.version) {
    std::printf("vesk-player %s (companion interface %d)\n", kVersion, companion::veskVersion());
    return kExitOk;
  }
  std::vector<ScriptedEvent> input;
  if (!LoadInput(o, &input, &error)) return Fail(error, kExitUsage);

  // A game is never run from its installation disc.
  if (platform::IsOnOpticalDisc(platform::ExecutablePath())) return kExitOk;

  const std::string exe_dir = platform::ExecutableDirectory();
  const bool has_folder = !o.folders.empty() && !o.config;
  const std::string data_path = has_folder ? platform::CanonicalPath(o.folders.front()) : exe_dir;
  auto lock = platform::InstanceLock::TryAcquire(MakeLockName(platform::Utf8ToCp932(data_path)));
  if (!lock) return Fail("another instance is already playing " + data_path, kExitAlreadyRunning);

  if (const std::string bad = companion::Companion::CheckVersion(companion::veskVersion());
      !bad.empty())
    return Fail(platform::Cp932ToUtf8(bad));

  // The virtual file manager exists before any window and outlives the
  // game; its destruction deletes the files it extracted.
  storage::TVrFileManager files;
  std::unique_ptr<platform::Platform> platform = MakePlatform(o.headless, &error);
  if (!platform) return Fail(error);

  if (o.config) {
    std::vector<platform::Event> events;
    for (const auto& s : input) events.push_back(s.event);
    return RunConfigDialog(*platform, platform::JoinPath(exe_dir, kGameIniName), events);
  }
  if (has_folder && !platform::DirectoryExists(o.folders.front()))
    return Fail(o.folders.front() + ": no such folder");

  PatchSettings patch;
  if (!o.patch.empty() && !MountPatch(files, o.patch, &patch, &error)) return Fail(error);

  companion::TraceLog trace;
  if (!o.trace_file.empty() && !trace.Open(o.trace_file))
    return Fail(o.trace_file + ": cannot create the trace file");

  RuntimeContext ctx;
  RuntimeServices services;
  // Expressions that read a property type their temporary by the catalogue.
  services.eval.property_type = [](int id) { return lang::PropertyTypeCode(id); };
  // Errors that end an expression are silent by design; the trace keeps them.
  if (trace.active())
    services.eval.error_sink = [&](const std::string& message) {
      trace.WriteNote(static_cast<uint32_t>(ctx.game_clock_ms), message);
    };
  companion::Companion companion;
  DefaultEngineFactory factory(files, platform->dialogs(), o.folders, exe_dir);
  if (trace.active()) factory.set_trace(&trace);
  // The player's own per-game settings, under the same name the saves use.
  WindowKeys window_keys(platform::Cp932ToUtf8(MakeLockName(platform::Utf8ToCp932(data_path))));
  PlayerMediaOptions media;
  media.soundfont = o.soundfont_file.empty() ? window_keys.settings().soundfont : o.soundfont_file;
  media.capture = !o.record_audio_file.empty();
  // A file that cannot be played costs its sound, not the game.
  media.report = [&](const std::string& line) {
    std::fprintf(stderr, "vesk-player: %s\n", line.c_str());
    if (trace.active()) trace.WriteNoteUtf8(static_cast<uint32_t>(ctx.game_clock_ms), line);
  };
  factory.set_media(platform.get(), media);
  TFormView view(ctx, *platform, companion, factory);
  FormViewOptions fv;
  for (const auto& f : o.folders) fv.args.push_back(platform::CanonicalPath(f));
  fv.exe_dir = exe_dir;
  fv.skip_logo = o.no_logo;
  fv.services = &services;
  fv.window_keys = &window_keys;
  PlayerFunctionHost function_host(files);
  fv.function_host = &function_host;
  factory.set_router(&view.router());
  if (!view.Create(fv)) {
    const std::string why =
        view.start_error().empty() ? "the game could not start" : view.start_error();
    return Fail(why == "no game was given" ? why + "\n" + UsageText() : why);
  }

  if (!o.patch.empty() && view.scenario())
    if (const std::string warning = PatchGameMismatch(patch, view.scenario()->info().title);
        !warning.empty())
      std::fprintf(stderr, "vesk-player: warning: %s\n", warning.c_str());

  // The game controller's mapping from the same settings file.
  if (const std::string& lines = window_keys.settings().controller; !lines.empty()) {
    ControllerMapping mapping = ControllerMapping::Defaults();
    std::string why;
    if (ParseControllerMapping(lines, &mapping, &why))
      view.controller().SetMapping(mapping);
    else
      std::fprintf(stderr, "vesk-player: settings.ini [controller]: %s\n", why.c_str());
  }

  // The player's own volumes over the game's, from the settings file and
  // the settings screen.
  if (PlayerMedia* m = factory.media())
    window_keys.SetLevelsSink([m](const platform::PlayerSettings& s) {
      m->SetLevels(s.volume_percent, s.music_volume_percent, s.sounds_volume_percent);
    });

  LoopOptions loop;
  loop.frames = o.frames;
  loop.step_ms = o.step_ms;
  loop.input = std::move(input);
  if (o.headless) {
    auto& headless = static_cast<platform::HeadlessPlatform&>(*platform);
    loop.manual_clock = &headless.manual_clock();
    // The headless window has the focus from the start.
    view.HandleEvent(platform::Event::Of(platform::EventType::kActivated));
  }
  if (PlayerMedia* m = factory.media(); m && o.headless)
    loop.advance_media = [m](uint32_t elapsed_ms) { m->AdvanceHeadless(elapsed_ms); };
  int status = kExitOk;
  loop.after_frame = [&](int frame) {
    for (const auto& [at, file] : o.screenshots_at) {
      if (at != frame) continue;
      const platform::BackBuffer* f = LastFrame(*platform, view);
      std::string err;
      if (!f || !SavePng(*f, file, &err)) status = Fail(file + ": " + (f ? err : "no frame"));
    }
  };
  RunMainLoop(view, ctx, *view.window(), loop);
  // Test-only: the window's own pixels as shown, letterbox and scaling included.
  if (const char* shot = std::getenv("VESK_TEST_WINDOW_SHOT"); shot && shot[0])
    if (!view.window()->SaveWindowBmp(shot)) status = Fail(std::string(shot) + ": not saved");

  if (!o.screenshot_file.empty()) {
    const platform::BackBuffer* f = LastFrame(*platform, view);
    std::string err;
    if (!f || !SavePng(*f, o.screenshot_file, &err))
      status = Fail(o.screenshot_file + ": " + (f ? err : "no frame"));
  }
  if (!o.record_audio_file.empty()) {
    PlayerMedia* m = factory.media();
    platform::HeadlessAudioDevice* device = m ? m->headless_device() : nullptr;
    const std::vector<int16_t> samples = device ? device->TakeCaptured() : std::vector<int16_t>();
    if (!SaveWaveFile(o.record_audio_file, samples, &error)) status = Fail(error);
  }
  const int32_t frames = ctx.frame_counter, tick = ctx.game_clock_ms;
  view.Close();
  if (!o.dump_vars_file.empty() &&
      !WriteVarDump(o.dump_vars_file, frames, tick, CollectVariables(*view.variables()), &error))
    status = Fail(error);
  return status;
}

}  // namespace vesk::app
