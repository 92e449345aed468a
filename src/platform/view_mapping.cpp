#include "platform/view_mapping.h"

#include <algorithm>
#include <cmath>

namespace vesk::platform {

void ViewMapping::Update(int window_w, int window_h, int scene_w, int scene_h, ScalingMode mode) {
  scene_w_ = std::max(1, scene_w);
  scene_h_ = std::max(1, scene_h);
  window_w = std::max(1, window_w);
  window_h = std::max(1, window_h);
  const int whole =
      mode == ScalingMode::kInteger ? std::min(window_w / scene_w_, window_h / scene_h_) : 0;
  int w, h;
  if (whole >= 1) {
    // Whole-number steps keep pixels square and sharp.
    w = scene_w_ * whole;
    h = scene_h_ * whole;
  } else {
    // Fit, or smaller than the scene: the largest size with the aspect kept.
    const double scale = std::min(double(window_w) / scene_w_, double(window_h) / scene_h_);
    w = std::max(1, int(std::lround(scene_w_ * scale)));
    h = std::max(1, int(std::lround(scene_h_ * scale)));
  }
  dest_ = Rect::FromSize((window_w - w) / 2, (window_h - h) / 2, w, h);
}

void ViewMapping::WindowToScene(int wx, int wy, int* sx, int* sy) const {
  if (dest_.IsEmpty()) {
    *sx = wx;
    *sy = wy;
    return;
  }
  *sx = int(std::floor(double(wx - dest_.left) * scene_w_ / dest_.Width()));
  *sy = int(std::floor(double(wy - dest_.top) * scene_h_ / dest_.Height()));
}

void ViewMapping::SceneToWindow(int sx, int sy, int* wx, int* wy) const {
  *wx = dest_.left + int(std::lround((sx + 0.5) * dest_.Width() / scene_w_ - 0.5));
  *wy = dest_.top + int(std::lround((sy + 0.5) * dest_.Height() / scene_h_ - 0.5));
}

}  // namespace vesk::platform
