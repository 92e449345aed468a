#include "app/default_engine.h"

#include <cstdio>
#include <utility>

#include "app/patch_mount.h"
#include "app/screen_manager.h"
#include "app/startup_logo.h"
#include "companion/trace_log.h"
#include "components/kinds.h"
#include "components/motion_link.h"
#include "components/system_provider.h"
#include "db/table_provider.h"
#include "expr/sysfuncs.h"
#include "graphics/cursor_file.h"
#include "graphics/image_reader.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/font_library.h"
#include "platform/settings_store.h"
#include "scene/system_provider.h"
#include "script/system_provider.h"
#include "storage/embedded_resources.h"
#include "storage/vrfiles.h"

namespace vesk::app {

void DefaultEngineFactory::MountDataSources(const std::vector<std::string>& args) {
  const std::string exe = platform::ExecutablePath();
  if (args.empty()) {
    // A game bundled into the program: as a resource, or appended to it.
    if (auto dummy = storage::FindEmbeddedResource("DUMMY", "BINTYPE");
        dummy && dummy->size() >= 2 && (*dummy)[dummy->size() - 2] == 'v' &&
        (*dummy)[dummy->size() - 1] == 'f')
      files_.AddResource(exe, "DUMMY", "BINTYPE");
    if (storage::HasAppendedArchive(exe)) files_.AddArchive(exe);
    return;
  }
  files_.AddFolder(args.front());
  for (const std::string& folder : args) {
    const std::string archive = platform::JoinPath(folder, "game.dat");
    if (platform::FileExists(archive)) files_.AddArchive(archive);
  }
}

std::unique_ptr<SceneRoot> DefaultEngineFactory::CreateScene(const RuntimeContext& ctx) {
  scene::SceneEnvironment env;
  // Cursor files come from the game's files; the window shows them once it
  // exists (the scene is made before the screen manager).
  env.show_cursor = [this](const std::string& file) { ShowCursorFile(file); };
  env.default_cursor = [this] { return variables_ ? variables_->CursorFile : std::string(); };
  ctx_ = &ctx;
  pictures_ = std::make_unique<components::TOrloCollection>(PictureServicesFor());
  component_services_ = std::make_unique<components::ComponentServices>();
  component_services_->pictures = pictures_.get();
  component_services_->game_clock_ms = [clock = &ctx.game_clock_ms] { return *clock; };
  component_services_->make_motion = components::FilmMotionFactory(component_services_.get());
  component_services_->make_particle_film =
      components::FilmParticleFactory(component_services_.get());
  if (!glyphs_) {
    // Characters no installed font can draw are noted once each in the trace.
    std::function<void(const std::string&)> note;
    if (trace_)
      note = [trace = trace_, clock = &ctx.game_clock_ms](const std::string& line) {
        trace->WriteNoteUtf8(static_cast<uint32_t>(*clock), line);
      };
    glyphs_ = std::make_unique<text::TFontPixelManager>(platform::MakeFontLibrary(), note);
  }
  component_services_->glyphs = glyphs_.get();
  message_source_ = std::make_unique<PageTextSource>(files_);
  history_ = std::make_unique<components::TVeskNewHistory>(nullptr, nullptr, message_source_.get());
  read_marks_ = std::make_unique<components::TVeskReadList>();
  component_services_->history = history_.get();
  component_services_->read_marks = read_marks_.get();
  component_services_->messages = message_source_.get();
  // The text boxes' clipboard is the window's, in the engine's code page;
  // other programs get their line breaks as LF.
  component_services_->read_clipboard = [this]() -> std::string {
    return window_ ? platform::Utf8ToCp932Dropping(window_->ClipboardText()) : std::string();
  };
  component_services_->write_clipboard = [this](const std::string& cp932) {
    if (!window_) return;
    std::string text = cp932;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
      text.erase(at, 1);
    window_->SetClipboardText(platform::Cp932ToUtf8(text));
  };
  // Sounds, videos and HTTP requests; the media themselves come later
  // (CreateMedia), once the project is known.
  component_services_->play_sound = [this](const std::string& file) {
    if (sound_effects_) sound_effects_->Play(file);
  };
  component_services_->system_clock_ms = [] { return platform::SystemTickMs(); };
  component_services_->screen_bit_count = [this] { return screen_bits_; };
  component_services_->terminating = [clock = &ctx] { return clock->terminated; };
  // A headless run never reaches the network: its requests end at once.
  if (platform_ && !platform_->headless()) {
    http_ = platform::MakeCurlHttpClient();
    component_services_->http = http_.get();
  }
  kinds_ = std::make_shared<scene::KindRegistry>();
  components::RegisterComponentKinds(*kinds_, *component_services_);
  env.kinds = kinds_;
  env.wipes = WipeServicesFor();
  auto scene = std::make_unique<SceneAdapter>(ctx, std::move(env));
  scene_ = scene.get();
  message_ports_ = std::make_unique<MessagePorts>(scene_->root(), *history_, *read_marks_);
  scene_section_ = std::make_unique<SceneSection>(scene_->root());
  history_section_ = std::make_unique<HistorySection>(*history_);
  read_marks_section_ = std::make_unique<ReadMarksSection>(*read_marks_);
  dither_section_ = std::make_unique<DitherSection>(*pictures_);
  if (router_) {
    scene::TVeskBaseList& root = scene_->root();
    scene_->providers().Add(*router_, std::make_unique<scene::SceneSystemProvider>(root));
    scene_->providers().Add(
        *router_, std::make_unique<components::PictureSystemProvider>(pictures_.get(), root));
    scene_->providers().Add(*router_,
                            std::make_unique<components::HistorySystemProvider>(*history_));
  }
  return scene;
}

std::unique_ptr<Scenario> DefaultEngineFactory::CreateProject(RuntimeContext& ctx,
                                                              expr::TParamCollection& variables,
                                                              expr::TSysFuncMan& functions,
                                                              std::string* error) {
  if (files_.BaseFolder().empty() && files_.SourceCount() == 0 && args_.empty() &&
      !platform::FileExists(platform::JoinPath(exe_dir_, "install.dat"))) {
    ctx.Terminate();
    *error = "no game was given";
    return nullptr;
  }
  variables_ = &variables;
  if (component_services_) {
    component_services_->line_break = TextWrapOfGame(files_) == TextWrap::kWords
                                          ? text::LineBreak::kWords
                                          : text::LineBreak::kChars;
    component_services_->variables = &variables;
    component_services_->functions = &functions;
  }
  script::ProjectEnvironment env;
  env.ctx = &ctx;
  env.files = &files_;
  env.variables = &variables;
  env.functions = &functions;
  env.trace = trace_;
  env.dialogs = &dialogs_;
  env.args = args_;
  env.exe_dir = exe_dir_;
  if (scene_) {
    env.ports.scene = &scene_->port();
    env.ports.menus = &scene_->port();
    env.ports.flips = &scene_->port();
    env.ports.media = &scene_->port();
    env.ports.messages = message_ports_.get();
    env.ports.history = message_ports_.get();
    env.events = &scene_->root().Events;
  }
  env.ports.tables = &table_port_;
  env.save_sections = SaveSectionsFor();
  env.save_location =
      SaveLocationFor(args_.empty() ? exe_dir_ : platform::CanonicalPath(args_.front()));
  env.save_report = [this, &ctx](const std::string& line) { ReportSave(line, ctx); };
  auto project = std::make_unique<script::TProject>(env);
  project->Create();
  if (ctx.terminated) {
    *error = project->error().empty() ? "the game could not start" : project->error();
    return nullptr;
  }
  image_seed_ = static_cast<uint32_t>(project->info.image_seed);
  registry_key_ = project->info.registry_key;
  constexpr int32_t kMaxSide = 16384;
  if (project->info.screen_width > kMaxSide || project->info.screen_height > kMaxSide) {
    ctx.Terminate();
    *error = "scene size " + std::to_string(project->info.screen_width) + "x" +
             std::to_string(project->info.screen_height) + " is out of range";
    return nullptr;
  }
  auto scenario = std::make_unique<ProjectScenario>(std::move(project));
  if (component_services_) {
    script::TProject* held = &scenario->project();
    component_services_->file_available = [held](const std::string& name) {
      return held->FileAvailable(name);
    };
  }
  if (router_ && scenario->project().CallMan) {
    scenario->providers().Add(
        *router_, std::make_unique<script::CallSystemProvider>(*scenario->project().CallMan));
    scenario->providers().Add(
        *router_, std::make_unique<script::SaveSystemProvider>(scenario->project().SaveData));
    // DBLoadTsvFile tests and reads files as every command does.
    script::TProject* project = &scenario->project();
    db::TableFiles table_files;
    table_files.file_available = [project](const std::string& name) {
      return project->FileAvailable(name);
    };
    table_files.read_file = [this](const std::string& name) -> std::optional<std::vector<uint8_t>> {
      try {
        return files_.ReadFileBytes(name);
      } catch (const std::exception&) {
        return std::nullopt;
      }
    };
    scenario->providers().Add(*router_,
                              std::make_unique<db::TableSystemProvider>(tables_, table_files));
  }
  return scenario;
}

script::SaveSections DefaultEngineFactory::SaveSectionsFor() {
  script::SaveSections s;
  s.scene = scene_section_.get();
  s.history = history_section_.get();
  s.read_marks = read_marks_section_.get();
  s.dither = dither_section_.get();
  s.tables = &table_port_;
  return s;
}

// A save that failed or a save file kept aside is the player's business:
// the game goes on, the player hears of it.
void DefaultEngineFactory::ReportSave(const std::string& line, const RuntimeContext& ctx) {
  std::fprintf(stderr, "vesk-player: %s\n", line.c_str());
  if (trace_) trace_->WriteNoteUtf8(static_cast<uint32_t>(ctx.game_clock_ms), line);
}

namespace {

// Pictures decoded before the screen manager exists take the common
// desktop format; the screen manager sets the real one.
constexpr int kDesktopBits = 32;

}  // namespace

// Rule pictures of the transitions come from the game's files like every
// picture (a missing or broken one makes none); the random order of the
// crack comes from the scripts' own generator.
transitions::WipeServices DefaultEngineFactory::WipeServicesFor() {
  transitions::WipeServices w;
  w.load_rule_image = [this](const std::string& name) -> std::unique_ptr<graphics::TDIBX> {
    try {
      if (name.empty() || !files_.Exists(name)) return nullptr;
      const std::vector<uint8_t> bytes = files_.ReadFileBytes(name);
      graphics::PictureOptions options;
      options.working_bit_count = kDesktopBits;
      options.scramble_seed = image_seed_;
      std::vector<graphics::PictureFrame> frames =
          graphics::LoadPictureFrames(name, bytes, options);
      if (frames.empty()) return nullptr;
      return std::move(frames.front().Surface);
    } catch (const std::exception&) {
      return nullptr;
    }
  };
  w.random = [this](int32_t n) -> int32_t {
    if (!component_services_ || !component_services_->functions || n <= 0) return 0;
    return static_cast<int32_t>(
        component_services_->functions->NextRandom(static_cast<uint32_t>(n)));
  };
  return w;
}

// Pictures come from the game's files and are decoded in the screen's
// working bit count with the project's scramble seed.
components::PictureServices DefaultEngineFactory::PictureServicesFor() {
  components::PictureServices p;
  p.file_available = [this](const std::string& name) { return files_.Exists(name); };
  p.read_file = [this](const std::string& name) -> std::optional<std::vector<uint8_t>> {
    try {
      return files_.ReadFileBytes(name);
    } catch (const std::exception&) {
      return std::nullopt;
    }
  };
  p.decode = [this](const std::string& name, std::span<const uint8_t> bytes, int bit_count,
                    bool want_masks, bool dither) {
    graphics::PictureOptions options;
    options.working_bit_count = bit_count;
    options.scramble_seed = image_seed_;
    options.want_masks = want_masks;
    options.dither = dither;
    std::vector<components::DecodedFrame> frames;
    for (graphics::PictureFrame& f : graphics::LoadPictureFrames(name, bytes, options)) {
      components::DecodedFrame d;
      d.surface = std::move(f.Surface);
      d.mask = std::move(f.Mask);
      d.color_key = f.ColorKey;
      d.delay_ms = f.Delay;
      d.offset_x = f.OffsetX;
      d.offset_y = f.OffsetY;
      frames.push_back(std::move(d));
    }
    return frames;
  };
  p.bit_count = kDesktopBits;
  return p;
}

void DefaultEngineFactory::ShowCursorFile(const std::string& file) {
  if (!window_) return;
  if (file.empty()) {
    window_->SetCursorImage(nullptr);
    return;
  }
  std::optional<platform::CursorImage> image;
  try {
    const std::vector<uint8_t> bytes = files_.ReadFileBytes(file);
    image = graphics::DecodeCursorFile(bytes, nullptr);
  } catch (const std::exception&) {
    // A cursor that cannot be read leaves the arrow, as a bad one does.
  }
  window_->SetCursorImage(image ? &*image : nullptr);
}

std::unique_ptr<ScreenManager> DefaultEngineFactory::CreateScreenManager(
    platform::Window& window, const script::ProjectInfo& info) {
  window_ = &window;
  auto screen = std::make_unique<TScreenManager>(window, info.screen_width, info.screen_height,
                                                 info.full_width, info.full_height,
                                                 window.DesktopBitsPerPixel());
  if (pictures_) pictures_->RestoreSurfaces(screen->working_bit_count());
  screen_bits_ = screen->working_bit_count();
  return screen;
}

void PlayerMediaManager::PauseAll() {
  if (manager_.Enabled()) manager_.Suspend();
  if (video_) video_->SuspendAll();
}

void PlayerMediaManager::ResumeAll() {
  if (video_) video_->ResumeAll();
  manager_.Resume();
}

MediaManagers DefaultEngineFactory::CreateMedia() {
  if (platform_) {
    if (!settings_) settings_ = std::make_unique<platform::SettingsStore>();
    PlayerMediaOptions options = media_options_;
    options.registry_key = registry_key_;
    if (ctx_) options.sound = ctx_->sound;  // game.ini, as the main window read it
    media_ = std::make_unique<PlayerMedia>(*platform_, files_, *settings_, options);
    media::MediaSystem& system = media_->system();
    sound_effects_ = std::make_unique<components::SoundEffects>(&system.managers());
    if (component_services_) component_services_->media = &system.managers();
    if (scene_) scene_->set_after_update([effects = sound_effects_.get()] { effects->Tick(); });
    // Kept with the scene's providers: they leave the router before it goes.
    if (router_ && scene_)
      scene_->providers().Add(*router_, std::make_unique<MediaSystemProvider>(system));
    MediaManagers m;
    m.video = std::make_unique<PlayerMediaManager>(system.video(), &system.video());
    m.wma = std::make_unique<PlayerMediaManager>(system.wmp(), nullptr);
    m.ogg = std::make_unique<PlayerMediaManager>(system.ogg(), nullptr);
    m.cd_audio = std::make_unique<PlayerMediaManager>(system.cdda(), nullptr);
    m.midi = std::make_unique<PlayerMediaManager>(system.midi(), nullptr);
    return m;
  }
  MediaManagers m;
  m.video = std::make_unique<IdleMediaManager>();
  m.wave = std::make_unique<IdleMediaManager>();
  m.wma = std::make_unique<IdleMediaManager>();
  m.ogg = std::make_unique<IdleMediaManager>();
  m.cd_audio = std::make_unique<IdleMediaManager>();
  m.midi = std::make_unique<IdleMediaManager>();
  return m;
}

// The logo plays when this program carries its archive and the cinema kind
// exists; otherwise the scenario starts on the first frame.
std::unique_ptr<StartupLogo> DefaultEngineFactory::CreateLogo(bool skip) {
  if (skip || !storage::FindEmbeddedResource(CinemaLogo::kResourceName, CinemaLogo::kResourceType))
    return nullptr;
  scene::KindRegistry kinds;
  components::ComponentServices no_services;
  components::RegisterComponentKinds(kinds, no_services);
  if (!kinds.Find(lang::LT_CINEMA)) return nullptr;
  return std::make_unique<CinemaLogo>(
      [this]() -> scene::TVeskBaseList* { return scene_ ? &scene_->root() : nullptr; }, files_,
      platform::ExecutablePath());
}

}  // namespace vesk::app
