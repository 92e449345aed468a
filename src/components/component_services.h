#pragma once
// What the component kinds share beyond the scene: the picture cache, the
// variable table (menu choices land in @SelStr/@SelIndex, end waits are
// expressions over the variables) and the maker of motions. The program
// owns one and registers the kinds with it; everything is optional so that
// a kind made without it still runs (pictures then show nothing).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "text/line_break.h"

namespace vesk::expr {
class TParamCollection;
class TSysFuncMan;
}  // namespace vesk::expr

namespace vesk::text {
class TFontPixelManager;
}  // namespace vesk::text

namespace vesk::media {
struct TMediaManagers;
}  // namespace vesk::media

namespace vesk::platform {
class HttpClient;
}  // namespace vesk::platform

namespace vesk::scene {
class TVeskObject;
class TVeskControl;
}  // namespace vesk::scene

namespace vesk::components {

class TOrloCollection;
class TVeskNewHistory;
class TVeskReadList;
class MessageSource;
class TVeskParticle;
class TVeskParticleFilm;

// A motion (".lmt") playing on a control: it places the control and gives
// it its pictures frame by frame. Motions are their own subsystem; the
// image kinds only drive them through this.
class TVeskMotionLink {
 public:
  virtual ~TVeskMotionLink() = default;
  // One frame; true on the frame in which a non-repeating motion ended.
  virtual bool Step(int32_t frame_ms) = 0;
  virtual bool Ended() const = 0;
  virtual void Restart() = 0;
  virtual int32_t PositionMs() const = 0;
  virtual void SetPositionMs(int32_t ms) = 0;
  virtual int32_t FrameCount() const = 0;  // frames of 1/60 s
};

// Makes the motion of `file` for `driven`; null when it cannot be had.
using MotionFactory = std::function<std::unique_ptr<TVeskMotionLink>(scene::TVeskControl& driven,
                                                                     const std::string& file)>;

// Makes the motion film the particles of `emitter` show, from `file`
// (particle.h); null when it cannot be had.
using ParticleFilmFactory = std::function<std::unique_ptr<TVeskParticleFilm>(
    TVeskParticle& emitter, const std::string& file)>;

struct ComponentServices {
  TOrloCollection* pictures = nullptr;
  expr::TParamCollection* variables = nullptr;
  expr::TSysFuncMan* functions = nullptr;
  MotionFactory make_motion;  // empty until motions exist: ".lmt" sources show nothing
  // Empty until films exist: particles of an ".lmt" source show nothing.
  ParticleFilmFactory make_particle_film;
  // The clipboard's text for the text boxes, in CP932 (empty: none).
  std::function<std::string()> read_clipboard;
  std::function<void(const std::string& cp932)> write_clipboard;
  // The one glyph cache every text drawer shares (message windows, menus,
  // labels, text boxes); null: text draws nothing.
  text::TFontPixelManager* glyphs = nullptr;
  // How message windows wrap single-byte text (the game's vesk-patch.ini).
  text::LineBreak line_break = text::LineBreak::kChars;
  // The runtime's message history and read marks, and the script pages the
  // message windows take their compiled messages from.
  TVeskNewHistory* history = nullptr;
  TVeskReadList* read_marks = nullptr;
  MessageSource* messages = nullptr;
  // Plays a sound effect file (CP932 name in the game's files) once, as the
  // items of preview menus do; empty until sound effects exist.
  std::function<void(const std::string& file)> play_sound;
  // The game clock in milliseconds (timers keep their schedule on it);
  // empty: a timer counts the frame time of its own updates instead.
  std::function<int32_t()> game_clock_ms;

  // ---- Sound, video and HTTP
  // The media managers sounds and videos take their items from; null: every
  // sound and video stays silent.
  media::TMediaManagers* media = nullptr;
  // The project's file test (CP932 names); empty: no file is held.
  std::function<bool(const std::string& name)> file_available;
  // The system clock in milliseconds (videos look for new pictures on it);
  // empty: the game clock.
  std::function<uint32_t()> system_clock_ms;
  // The window's scale of the scene in percent (overlay videos are placed
  // in window pixels); empty: 100.
  std::function<int32_t()> display_scale_percent;
  // The bit count of the screen's pixels (video pictures are converted to
  // it); empty: 15.
  std::function<int()> screen_bit_count;
  // Fetches the URLs of HTTP request objects; null (headless runs, tests):
  // every request ends at once with an empty body.
  platform::HttpClient* http = nullptr;
  // Whether the program is shutting down (HTTP requests then end quietly).
  std::function<bool()> terminating;
};

// A kind that needs the services keeps them from its maker: the kind
// registry's factories bind the services they were registered with.
class ServiceUser {
 public:
  void BindServices(ComponentServices* services) { services_ = services; }
  // The services this object was made with, or null.
  ComponentServices* services() const { return services_; }
  TOrloCollection* pictures() const { return services_ ? services_->pictures : nullptr; }
  text::TFontPixelManager* glyphs() const { return services_ ? services_->glyphs : nullptr; }
  // "@SelStr" and "@SelIndex": the choice a map or menu reports.
  void SetSelection(const std::string& text, int32_t index) const;

 private:
  ComponentServices* services_ = nullptr;
};

}  // namespace vesk::components
