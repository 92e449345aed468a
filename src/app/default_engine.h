#pragma once
// The subsystems the player runs with today. Where a subsystem is not built
// yet, the stand-in here does the least that keeps the frame loop honest:
// media managers hold no items and there is no logo. The README's status
// table lists each gap.
#include <array>
#include <string>
#include <vector>

#include "app/engine_ports.h"
#include "app/media_provider.h"
#include "app/message_adapter.h"
#include "app/player_media.h"
#include "app/save_sections.h"
#include "app/scene_adapter.h"
#include "components/component_services.h"
#include "components/film_sounds.h"
#include "components/orlo_collection.h"
#include "db/db_manager.h"
#include "db/db_table_port.h"
#include "expr/system_router.h"
#include "platform/dialogs.h"
#include "platform/http_client.h"
#include "platform/settings_store.h"
#include "platform/window.h"
#include "script/project.h"
#include "storage/vrfiles.h"
#include "text/fontpixels.h"

namespace vesk::app {

// The loaded project, stepped through its call manager.
class ProjectScenario final : public Scenario {
 public:
  explicit ProjectScenario(std::unique_ptr<script::TProject> project)
      : project_(std::move(project)) {}
  const script::ProjectInfo& info() const override { return project_->info; }
  void Step() override {
    if (project_->CallMan) project_->CallMan->Step();
  }
  bool RunDeferredSaveLoad() override { return project_->RunPending(); }
  script::TProject& project() { return *project_; }
  // The providers that read this project's call manager.
  expr::ProviderSet& providers() { return providers_; }

 private:
  std::unique_ptr<script::TProject> project_;
  expr::ProviderSet providers_;
};

// One of the player's media managers as the main window sees it: paused
// and resumed with the focus and around modal loops.
class PlayerMediaManager final : public MediaManager {
 public:
  PlayerMediaManager(media::TMediaManager& manager, media::TVideoManager* video)
      : manager_(manager), video_(video) {}
  void PauseAll() override;
  void ResumeAll() override;
  bool HasItems() const override { return true; }

 private:
  media::TMediaManager& manager_;
  media::TVideoManager* video_;  // set for the video manager
};

class IdleMediaManager final : public MediaManager {
 public:
  void PauseAll() override {}
  void ResumeAll() override {}
  bool HasItems() const override { return false; }
};

class DefaultEngineFactory final : public EngineFactory {
 public:
  // The file manager outlives the factory and the game (it is made before
  // the window and freed at program end).
  DefaultEngineFactory(storage::TVrFileManager& files, platform::Dialogs& dialogs,
                       std::vector<std::string> args, std::string exe_dir)
      : files_(files), dialogs_(dialogs), args_(std::move(args)), exe_dir_(std::move(exe_dir)) {}
  void MountDataSources(const std::vector<std::string>& args) override;
  void InitSound(const SoundSettings&) override {}
  std::unique_ptr<SceneRoot> CreateScene(const RuntimeContext& ctx) override;
  std::unique_ptr<Scenario> CreateProject(RuntimeContext& ctx, expr::TParamCollection& variables,
                                          expr::TSysFuncMan& functions,
                                          std::string* error) override;
  void set_trace(companion::TraceLog* trace) { trace_ = trace; }
  // The router every subsystem made here registers its system variables
  // and functions with (the main window's); none: they answer nothing.
  void set_router(expr::SystemRouter* router) { router_ = router; }
  // Sound and video are made by CreateMedia on this platform; without one
  // (tests of the main window) the managers hold nothing.
  void set_media(platform::Platform* platform, PlayerMediaOptions options) {
    platform_ = platform;
    media_options_ = std::move(options);
  }
  PlayerMedia* media() const { return media_.get(); }
  std::unique_ptr<ScreenManager> CreateScreenManager(platform::Window& window,
                                                     const script::ProjectInfo& info) override;
  MediaManagers CreateMedia() override;
  std::unique_ptr<StartupLogo> CreateLogo(bool skip) override;

 private:
  storage::TVrFileManager& files_;
  platform::Dialogs& dialogs_;
  std::vector<std::string> args_;
  std::string exe_dir_;
  companion::TraceLog* trace_ = nullptr;
  void ShowCursorFile(const std::string& file_cp932);
  components::PictureServices PictureServicesFor();
  transitions::WipeServices WipeServicesFor();
  // The picture cache and what the component kinds share; they outlive the
  // scene (the factory outlives the main window).
  std::unique_ptr<components::TOrloCollection> pictures_;
  std::unique_ptr<components::ComponentServices> component_services_;
  // The glyph cache of the run; it outlives every component that draws text.
  std::unique_ptr<text::TFontPixelManager> glyphs_;
  std::shared_ptr<scene::KindRegistry> kinds_;
  // The message history, the read marks and where their messages come from.
  std::unique_ptr<PageTextSource> message_source_;
  std::unique_ptr<components::TVeskNewHistory> history_;
  std::unique_ptr<components::TVeskReadList> read_marks_;
  std::unique_ptr<MessagePorts> message_ports_;
  // The sections of the save file that the scene's side owns.
  std::unique_ptr<SceneSection> scene_section_;
  std::unique_ptr<HistorySection> history_section_;
  std::unique_ptr<ReadMarksSection> read_marks_section_;
  std::unique_ptr<DitherSection> dither_section_;
  // The script tables: one manager for the run, made before the project
  // reads the status data.
  db::TDBManager tables_;
  db::DBTablePort table_port_{tables_};
  script::SaveSections SaveSectionsFor();
  void ReportSave(const std::string& line, const RuntimeContext& ctx);
  uint32_t image_seed_ = 0;
  SceneAdapter* scene_ = nullptr;
  platform::Window* window_ = nullptr;
  expr::TParamCollection* variables_ = nullptr;
  expr::SystemRouter* router_ = nullptr;  // owned by the main window
  // The media outlive the scene, whose sounds and videos give their items
  // back to the managers as they go.
  platform::Platform* platform_ = nullptr;
  PlayerMediaOptions media_options_;
  std::string registry_key_;
  std::unique_ptr<platform::SettingsStore> settings_;
  std::unique_ptr<PlayerMedia> media_;
  std::unique_ptr<components::SoundEffects> sound_effects_;
  std::unique_ptr<platform::HttpClient> http_;
  int screen_bits_ = 32;
  const RuntimeContext* ctx_ = nullptr;
};

}  // namespace vesk::app
