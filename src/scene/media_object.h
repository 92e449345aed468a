#pragma once
// What the media commands ask of the objects that play a file (sounds and
// videos): the play mode (an LP_ id), a restart from the beginning, and the
// file they play. The scene's command port reaches them through this,
// since the kinds themselves live above the scene.
#include <cstdint>
#include <string>

namespace vesk::scene {

class MediaObject {
 public:
  virtual ~MediaObject() = default;
  virtual int GetPlayMode() const = 0;
  virtual void SetPlayMode(int mode) = 0;
  virtual void Replay() = 0;
  virtual const std::string& MediaSource() const = 0;
};

}  // namespace vesk::scene
