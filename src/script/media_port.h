#pragma once
// What the media commands (MediaPlay, MovieStop) ask of the sound and video
// objects; without this port those commands only move on.
#include <cstdint>
#include <functional>
#include <string>

namespace vesk::script {

class MediaPort {
 public:
  virtual ~MediaPort() = default;
  // MediaPlay: starts the named media object again from the beginning.
  virtual void Play(const std::string& object) = 0;
  // MovieStop: stops the named media object, fading over `fade_ms` when it
  // is above 0 (and only when `file_available` holds its file, or it is a
  // "CD_" track), else at once, deleting it. Answers the name to wait on
  // while it fades out (a sound steps aside to another name), or empty
  // when there is nothing to wait for.
  virtual std::string Stop(const std::string& object, int32_t fade_ms,
                           const std::function<bool(const std::string&)>& file_available) = 0;
};

}  // namespace vesk::script
