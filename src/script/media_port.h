#pragma once
// What the media commands (MediaPlay, MovieStop) ask of the sound and video
// players. None exist yet: without this port those commands only move on.
#include <cstdint>
#include <string>

namespace vesk::script {

class MediaPort {
 public:
  virtual ~MediaPort() = default;
  // MediaPlay: starts the named media object.
  virtual void Play(const std::string& object) = 0;
  // MovieStop: stops it, fading over `fade_ms`; true while the command
  // must wait for the end.
  virtual bool Stop(const std::string& object, int32_t fade_ms) = 0;
};

}  // namespace vesk::script
