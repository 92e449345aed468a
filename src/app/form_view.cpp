#include "app/form_view.h"

#include <algorithm>
#include <exception>

#include "app/game_ini.h"
#include "app/settings_screen.h"
#include "app/window_keys.h"
#include "core/messages.h"
#include "core/vesk_error.h"
#include "platform/cp932.h"
#include "platform/files.h"

namespace vesk::app {

using platform::Event;
using platform::EventType;

TFormView::TFormView(RuntimeContext& ctx, platform::Platform& platform,
                     companion::Companion& companion, EngineFactory& factory)
    : ctx_(ctx), platform_(platform), companion_(companion), factory_(factory) {}

TFormView::~TFormView() {
  Close();
}

bool TFormView::Create(const FormViewOptions& options) {
  // Settings: only when game.ini exists beside the program.
  const std::string ini = platform::JoinPath(options.exe_dir, kGameIniName);
  if (platform::FileExists(ini)) ctx_.sound = ReadGameIni(ini);

  // A damaged archive is a start-up failure like any other: it is shown once
  // the window exists.
  std::string mount_error;
  try {
    factory_.MountDataSources(options.args);
  } catch (const std::exception& e) {
    mount_error = ErrorTextUtf8(e);
  }

  platform::WindowSpec look;
  look.title_utf8 = MessageUtf8(Msg::kAppCaption);
  look.frame_period_ms = RuntimeContext::kFramePeriodMs;
  window_ = platform_.CreateMainWindow(look, &start_error_);
  if (!window_) {
    ctx_.Terminate();
    return false;
  }
  shell_.RegisterWith(router_);
  router_.set_file_host(options.function_host);
  variables_ = std::make_unique<expr::TParamCollection>(&router_);
  if (options.services) variables_->set_services(&options.services->eval);
  functions_ = std::make_unique<expr::TSysFuncMan>(*variables_, &router_);
  logo_ = factory_.CreateLogo(options.skip_logo);
  logo_done_ = logo_ == nullptr;  // nothing to show: the scenario starts at once

  // A failure anywhere in the start-up sequence is shown and ends the game.
  if (!mount_error.empty()) {
    start_error_ = mount_error;
  } else {
    try {
      RunStartupSequence();
    } catch (const std::exception& e) {
      start_error_ = ErrorTextUtf8(e);
    }
  }
  if (!start_error_.empty() && !ctx_.terminated) {
    platform_.dialogs().ShowMessage(start_error_, MessageUtf8(Msg::kWarningCaption),
                                    platform::MessageIcon::kWarning, platform::MessageButtons::kOk);
    ctx_.Terminate();
  }
  if (ctx_.terminated) return false;
  window_->Show();
  window_keys_ = options.window_keys;
  if (window_keys_) {
    window_keys_->Attach(*window_);
    // Leaving a full screen the game asked for goes the game's own way, so
    // what it reads of the screen stays true.
    window_keys_->SetGameFullscreenExit([this] {
      if (!screen_ || !screen_->full_screen()) return false;
      SetFullScreen(false);
      return true;
    });
  }
  return true;
}

void TFormView::RunStartupSequence() {
  if (ctx_.sound.direct_sound) factory_.InitSound(ctx_.sound);
  scene_ = factory_.CreateScene(ctx_);
  scenario_ = factory_.CreateProject(ctx_, *variables_, *functions_, &start_error_);
  if (ctx_.terminated || !scenario_) {
    ctx_.Terminate();
    return;
  }
  const script::ProjectInfo& info = scenario_->info();
  window_->SetTitle(platform::Cp932ToUtf8(info.title));

  // Media set-up: the screen manager only for a real scene size.
  if (info.screen_width > 0 && info.screen_height > 0)
    screen_ = factory_.CreateScreenManager(*window_, info);
  media_ = factory_.CreateMedia();
  companion::InitParams params;
  params.main_window = window_.get();
  params.scene_panel = window_.get();
  companion_.Init(params);

  shell_.Attach(scenario_.get(), scene_.get());
  shell_.AttachScreen(
      screen_.get(), [this](bool on) { SetFullScreen(on); }, [this](int) { ApplyDisplayMode(); });
  WindowedClientSize();
  window_->CenterOnWorkArea();
  scene_->SetSceneSize(info.screen_width, info.screen_height);
  pad_.SetSceneSize(info.screen_width, info.screen_height);
  PlacePanel();
}

void TFormView::WindowedClientSize() {
  const script::ProjectInfo& info = scenario_->info();
  window_->SetClientSize(info.screen_width, info.screen_height + kDockStripHeightPx);
}

void TFormView::PlacePanel() {
  if (!scene_) return;
  const bool full = screen_ && screen_->full_screen();
  const int scene_w = scene_->SceneWidth(), scene_h = scene_->SceneHeight();
  // In full screen the display mode's size is the client size; the panel is
  // centred in it. In a window the client is the scene plus the dock strip.
  int client_w = scene_w, client_h = scene_h + kDockStripHeightPx;
  if (full) {
    const auto modes = window_->ListDisplayModes();
    const int m = screen_->current_mode();
    if (m >= 0 && m < static_cast<int>(modes.size())) {
      client_w = modes[m].width_px;
      client_h = modes[m].height_px;
    }
  }
  panel_x_ = (client_w - scene_w) / 2;
  panel_y_ = full ? (client_h - scene_h) / 2 : kDockStripHeightPx;
}

bool TFormView::OnIdle() {
  if (ctx_.terminated || !active_ || closed_ || !screen_) return true;
  platform::Clock& clock = platform_.clock();
  const uint32_t now = clock.NowMs();
  if (settings_screen_) {
    // The game stands still behind the screen; only the controller's
    // held directions repeat.
    last_tick_ = now;
    StepPad(now);
    return true;
  }
  const uint32_t delta = now - last_tick_;
  if (delta > kStallLimitMs) {
    // A stall (a dragged window, a suspended machine) is not game time.
    last_tick_ = now;
    return false;
  }
  ctx_.AdvanceGameClock(delta);
  ctx_.frame_delta_ms = static_cast<int32_t>(delta);
  last_tick_ = now;
  ++frames_run_;
  StepPad(now);
  RunFrame();
  const uint32_t elapsed = clock.NowMs() - now;
  if (scenario_ && scenario_->info().sleep_between_frames) {
    const int32_t rest = RuntimeContext::kFramePeriodMs - static_cast<int32_t>(elapsed);
    clock.SleepMs(static_cast<uint32_t>(std::max<int32_t>(2, rest)));
  }
  return false;
}

void TFormView::RunFrame() {
  if (!scenario_) return;
  scene_->InputStep();
  if (logo_done_)
    scenario_->Step();
  else
    logo_done_ = logo_->Step(*scene_);
  if (ctx_.terminated) return;
  scene_->UpdatePass();
  SyncTextInput();
  ctx_.CountFrame();
  if (scenario_->RunDeferredSaveLoad()) draw_skip_ = 3;
  if (draw_skip_ >= 1) {
    // The loaded scene settles for the load frame and two more before it shows.
    --draw_skip_;
    return;
  }
  if (!screen_) return;
  scene_->Draw(screen_->back_buffer());
  screen_->NoteFrameChanged(scene_->FrameChanged(), 100);
  screen_->Present();
  scene_->ClearDirtyRects();
  ++frames_drawn_;
}

bool TFormView::OfferWindowKey(const Event& e) {
  if (!window_keys_ || !window_) return false;
  if (!window_keys_->Offer(e, *window_, screen_ ? &screen_->back_buffer() : nullptr)) return false;
  if (window_keys_->TakeSettingsRequest()) OpenSettings();
  return true;
}

void TFormView::HandleEvent(const Event& e) {
  if (settings_screen_ && RouteToSettings(e)) return;
  if (OfferWindowKey(e)) return;
  switch (e.type) {
    case EventType::kQuit:
      Close();
      break;
    case EventType::kKeyDown:
      // A text box holding the keyboard takes every press, repeats too, as
      // a focused edit control does; the scene never sees those keys.
      if (scene_ && active_ && e.vk >= 0 && e.vk < 256 && scene_->OfferKey(e.vk, e.mods)) break;
      WindowKeyDown(e.vk, e.repeat);
      break;
    case EventType::kKeyUp:
      KeyUp(e.vk);
      break;
    case EventType::kMouseDown:
      pad_.NotePointer(e.x, e.y);
      PanelMouseMove(e.x, e.y);
      PanelMouseDown(e.button);
      break;
    case EventType::kMouseUp:
      pad_.NotePointer(e.x, e.y);
      PanelMouseMove(e.x, e.y);
      PanelMouseUp();
      break;
    case EventType::kMouseMove:
      pad_.NotePointer(e.x, e.y);
      PanelMouseMove(e.x, e.y);
      break;
    case EventType::kPadButtonDown:
    case EventType::kPadButtonUp:
    case EventType::kPadAxis:
      RoutePad(e);
      break;
    case EventType::kPadRemoved: {
      std::vector<Event> released;
      pad_.ReleaseAll(&released);
      DispatchPadOutput(released);
      break;
    }
    case EventType::kWheel:
      MouseWheel(e.wheel_down);
      break;
    case EventType::kActivated:
      Activate();
      break;
    case EventType::kDeactivated:
      Deactivate();
      break;
    case EventType::kModalLoopEnter:
      EnterModalLoop();
      break;
    case EventType::kModalLoopLeave:
      LeaveModalLoop();
      break;
    case EventType::kAudioRestored:
      SoundRestored();
      break;
    case EventType::kDisplayChanged:
      PlacePanel();
      break;
    case EventType::kTextInput:
      if (scene_ && active_) scene_->TextInput(e.text);
      break;
    case EventType::kTextEditing:
      if (scene_ && active_) scene_->TextEditing(e.text, e.edit_cursor);
      break;
    case EventType::kExposed:
      break;
  }
}

void TFormView::RoutePad(const Event& e) {
  std::vector<Event> out;
  pad_.Handle(e, platform_.clock().NowMs(), &out);
  DispatchPadOutput(out);
  if (!pad_.TakeSettingsRequest()) return;
  if (settings_screen_)
    CloseSettings();  // Back again: as Cancel
  else
    OpenSettings();
}

void TFormView::StepPad(uint32_t now_ms) {
  std::vector<Event> out;
  pad_.Tick(now_ms, &out);
  DispatchPadOutput(out);
}

void TFormView::DispatchPadOutput(const std::vector<Event>& events) {
  for (const Event& ev : events) {
    // The stick moves the real pointer too, so mouse and stick agree.
    if (ev.type == EventType::kMouseMove && window_) window_->WarpMouse(ev.x, ev.y);
    HandleEvent(ev);
  }
}

void TFormView::SyncTextInput() {
  if (!window_) return;
  Rect caret;
  if (scene_ && scene_->TextCaret(&caret))
    window_->StartTextInput(caret);
  else if (window_->text_input_started())
    window_->StopTextInput();
}

void TFormView::WindowKeyDown(int vk, bool auto_repeat) {
  // Auto-repeat is timed by the scene itself; the window passes one press.
  if (auto_repeat) return;
  PanelKeyDown(vk);
}

void TFormView::PanelKeyDown(int vk) {
  if (!scene_ || !active_ || vk < 0 || vk >= 256) return;
  scene_->KeyDown(vk);
}

void TFormView::KeyUp(int vk) {
  if (!scene_ || vk < 0 || vk >= 256) return;
  scene_->KeyUp(vk);
}

void TFormView::PanelMouseDown(platform::MouseButton button) {
  if (!scene_ || !active_) return;
  scene_->MouseDown(button);
}

void TFormView::PanelMouseUp() {
  if (scene_) scene_->MouseUp();
}

void TFormView::PanelMouseMove(int x, int y) {
  if (scene_) scene_->MouseMove(x, y);
}

void TFormView::MouseWheel(bool down) {
  if (scene_) scene_->Wheel(down);
}

void TFormView::ResumeMedia() {
  auto resume_if_items = [](MediaManager* m) {
    if (m && m->HasItems()) m->ResumeAll();
  };
  if (media_.video) media_.video->ResumeAll();
  resume_if_items(media_.wave.get());
  resume_if_items(media_.wma.get());
  resume_if_items(media_.ogg.get());
  if (media_.cd_audio) {
    media_.cd_audio->Reacquire();
    resume_if_items(media_.cd_audio.get());
  }
  resume_if_items(media_.midi.get());
}

void TFormView::PauseMedia() {
  auto pause_if_items = [](MediaManager* m) {
    if (m && m->HasItems()) m->PauseAll();
  };
  if (media_.video) media_.video->PauseAll();
  pause_if_items(media_.wave.get());
  pause_if_items(media_.wma.get());
  pause_if_items(media_.ogg.get());
  if (media_.cd_audio) {
    pause_if_items(media_.cd_audio.get());
    media_.cd_audio->Release();
  }
  pause_if_items(media_.midi.get());
}

void TFormView::Activate() {
  active_ = true;
  // The time spent in the background is not game time.
  last_tick_ = platform_.clock().NowMs();
  if (!settings_screen_) ResumeMedia();
}

void TFormView::Deactivate() {
  active_ = false;
  PauseMedia();
  if (scene_) scene_->ClearInput();
  // The controller's releases do not arrive while the window is in the
  // background: what it held is let go now (the scene has let go already).
  std::vector<Event> released;
  pad_.ReleaseAll(&released);
}

void TFormView::EnterModalLoop() {
  for (MediaManager* m : {media_.wave.get(), media_.video.get(), media_.wma.get(), media_.ogg.get(),
                          media_.cd_audio.get(), media_.midi.get()})
    if (m) m->PauseAll();
}

void TFormView::LeaveModalLoop() {
  last_tick_ = platform_.clock().NowMs();
  if (settings_screen_) return;  // the screen keeps the game paused
  for (MediaManager* m : {media_.wave.get(), media_.video.get(), media_.wma.get(), media_.ogg.get(),
                          media_.cd_audio.get(), media_.midi.get()})
    if (m) m->ResumeAll();
}

void TFormView::SoundRestored() {
  for (MediaManager* m : {media_.wave.get(), media_.wma.get(), media_.ogg.get()})
    if (m) m->Restore();
}

void TFormView::SetFullScreen(bool on) {
  if (!screen_ || !scene_ || on == screen_->full_screen()) return;
  if (on && (screen_->chosen_mode() < 0 || !screen_->display_modes_available())) return;
  scene_->BeforeDisplayChange();
  companion_.SuspendVideo();
  screen_->ReleaseAll();
  if (on) {
    const int chosen = screen_->chosen_mode();
    if (!screen_->SetDisplayMode(chosen) || screen_->current_mode() != chosen) {
      // The switch failed: back to the window as it was.
      screen_->SetDisplayMode(-1);
      WindowedClientSize();
    }
  } else {
    screen_->SetDisplayMode(-1);
    WindowedClientSize();
  }
  FinishDisplayChange();
}

void TFormView::ApplyDisplayMode() {
  if (!screen_ || !scene_ || !screen_->full_screen()) return;
  const int chosen = screen_->chosen_mode();
  if (chosen < 0 || chosen == screen_->current_mode()) return;
  scene_->BeforeDisplayChange();
  companion_.SuspendVideo();
  if (!screen_->SetDisplayMode(chosen)) {
    screen_->SetDisplayMode(-1);
    WindowedClientSize();
  }
  FinishDisplayChange();
}

void TFormView::FinishDisplayChange() {
  companion::InitParams params = companion_.params();
  params.main_window = window_.get();
  params.scene_panel = window_.get();
  companion_.Init(params);
  PlacePanel();
  scene_->AfterDisplayChange();
  companion_.ResumeVideo();
}

void TFormView::SetCursorX(int x) {
  if (!window_) return;
  int cx, cy;
  window_->MousePosition(&cx, &cy);
  window_->WarpMouse(x, cy);
}

void TFormView::SetCursorY(int y) {
  if (!window_) return;
  int cx, cy;
  window_->MousePosition(&cx, &cy);
  window_->WarpMouse(cx, y);
}

void TFormView::Close() {
  if (closed_) return;
  closed_ = true;
  if (window_keys_ && window_) window_keys_->Remember(*window_);
  ctx_.Terminate();
  // Project first (it writes the status data), then the scene, the media
  // managers and the companion module.
  scenario_.reset();
  shell_.Attach(nullptr, nullptr);
  shell_.AttachScreen(nullptr, nullptr, nullptr);
  functions_.reset();
  // The variables stay readable for the exit dump; nothing reaches the
  // scene through them any more.
  scene_.reset();
  logo_.reset();
  media_.video.reset();
  media_.wave.reset();
  media_.wma.reset();
  media_.ogg.reset();
  media_.cd_audio.reset();
  media_.midi.reset();
  screen_.reset();
  if (companion_.initialized()) companion_.Final();
  // The window itself stays until destruction, so its last frame can still
  // be saved as a screenshot.
}

}  // namespace vesk::app
