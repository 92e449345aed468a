#include "platform/sdl/sdl_controller.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace vesk::platform {
namespace {

std::string UserMappingFile() {
  std::string dir;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
    dir = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home)
    dir = std::string(home) + "/.config";
  else
    return {};
  return dir + "/vesk-player/gamecontrollerdb.txt";
}

bool ParseInt(const std::string& s, int64_t* out) {
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
  return ec == std::errc() && end == s.data() + s.size();
}

bool ParseEntry(const std::string& entry, VirtualPadChange* out) {
  const size_t c1 = entry.find(':');
  const size_t c2 = c1 == std::string::npos ? c1 : entry.find(':', c1 + 1);
  if (c2 == std::string::npos) return false;
  int64_t frame = 0, value = 0;
  if (!ParseInt(entry.substr(0, c1), &frame) || frame < 0 ||
      !ParseInt(entry.substr(c2 + 1), &value) || value < -32768 || value > 32767)
    return false;
  const std::string name = entry.substr(c1 + 1, c2 - c1 - 1);
  out->frame = frame;
  out->value = static_cast<int>(value);
  const SDL_GameControllerButton b = SDL_GameControllerGetButtonFromString(name.c_str());
  if (b != SDL_CONTROLLER_BUTTON_INVALID) {
    out->axis = false;
    out->control = b;
    return true;
  }
  const SDL_GameControllerAxis a = SDL_GameControllerGetAxisFromString(name.c_str());
  if (a == SDL_CONTROLLER_AXIS_INVALID) return false;
  out->axis = true;
  out->control = a;
  return true;
}

}  // namespace

std::vector<VirtualPadChange> ParseVirtualPadScript(const std::string& text) {
  std::vector<VirtualPadChange> changes;
  std::string entry;
  for (size_t i = 0; i <= text.size(); ++i) {
    const char ch = i < text.size() ? text[i] : ' ';
    if (ch == ' ' || ch == ';' || ch == '\n' || ch == '\r' || ch == '\t' || ch == ',') {
      VirtualPadChange c;
      if (!entry.empty() && ParseEntry(entry, &c)) changes.push_back(c);
      entry.clear();
    } else {
      entry += ch;
    }
  }
  std::stable_sort(changes.begin(), changes.end(),
                   [](const auto& a, const auto& b) { return a.frame < b.frame; });
  return changes;
}

SdlControllers::SdlControllers() {
  // Without the subsystem the player still runs; it just has no controllers.
  ready_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
  if (!ready_) return;
  LoadUserMappings();
  if (const char* script = std::getenv("VESK_TEST_VIRTUAL_CONTROLLER")) AttachVirtual(script);
}

SdlControllers::~SdlControllers() {
  open_.clear();
  virtual_.reset();
  if (virtual_index_ >= 0) SDL_JoystickDetachVirtual(virtual_index_);
  if (ready_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void SdlControllers::LoadUserMappings() {
  const std::string path = UserMappingFile();
  if (path.empty()) return;
  if (SDL_RWops* rw = SDL_RWFromFile(path.c_str(), "rb"))
    SDL_GameControllerAddMappingsFromRW(rw, 1);
}

void SdlControllers::AttachVirtual(const char* script) {
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  desc.name = "VeskPlayer test controller";
  virtual_index_ = SDL_JoystickAttachVirtualEx(&desc);
  if (virtual_index_ < 0) return;
  virtual_.reset(SDL_JoystickOpen(virtual_index_));
  script_ = ParseVirtualPadScript(script);
}

void SdlControllers::Step(int64_t frame) {
  if (!virtual_) return;
  for (; script_next_ < script_.size() && script_[script_next_].frame <= frame; ++script_next_) {
    const VirtualPadChange& c = script_[script_next_];
    if (c.axis)
      SDL_JoystickSetVirtualAxis(virtual_.get(), c.control, static_cast<Sint16>(c.value));
    else
      SDL_JoystickSetVirtualButton(virtual_.get(), c.control, c.value != 0 ? 1 : 0);
  }
}

bool SdlControllers::Translate(const SDL_Event& e, Event* out) {
  switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED: {
      if (SDL_GameController* c = SDL_GameControllerOpen(e.cdevice.which)) {
        const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
        // A device announced twice is opened once.
        if (!open_.count(id))
          open_[id].reset(c);
        else
          SDL_GameControllerClose(c);
      }
      return false;
    }
    case SDL_CONTROLLERDEVICEREMOVED:
      open_.erase(e.cdevice.which);
      *out = Event::Of(EventType::kPadRemoved);
      return true;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      if (e.cbutton.button >= static_cast<int>(PadButton::kCount)) return false;
      *out =
          Event::Pad(static_cast<PadButton>(e.cbutton.button), e.type == SDL_CONTROLLERBUTTONDOWN);
      return true;
    case SDL_CONTROLLERAXISMOTION:
      if (e.caxis.axis >= static_cast<int>(PadAxis::kCount)) return false;
      *out = Event::Axis(static_cast<PadAxis>(e.caxis.axis), e.caxis.value);
      return true;
    default:
      return false;
  }
}

}  // namespace vesk::platform
