#pragma once
// Where the scene picture lands inside a window of any size: scaled with its
// aspect ratio kept, centred, letterboxed. The same mapping turns window mouse
// positions back into scene coordinates.
#include "core/rect.h"

namespace vesk::platform {

enum class ScalingMode {
  kFit,      // the largest size with the aspect kept, drawn smooth
  kInteger,  // whole-number steps only, sharp pixels; below 1x it fits
};

class ViewMapping {
 public:
  void Update(int window_w, int window_h, int scene_w, int scene_h,
              ScalingMode mode = ScalingMode::kInteger);
  const Rect& dest() const { return dest_; }
  // Window pixel position -> scene coordinates (may lie outside the scene).
  void WindowToScene(int wx, int wy, int* sx, int* sy) const;
  void SceneToWindow(int sx, int sy, int* wx, int* wy) const;

 private:
  Rect dest_;
  int scene_w_ = 0, scene_h_ = 0;
};

}  // namespace vesk::platform
