#pragma once
// The picture a flip leaves over the shown base while controls move to the
// new page: a copy of the old picture, drawn above every other child. It is
// never kept in saved games (its name is a system name).
#include <string>

#include "graphics/dibsfc.h"
#include "scene/vesk_object.h"

namespace vesk::scene {

// 0x01 0x01: sorts after every other child, so it covers them.
inline const std::string kSnapshotName(2, kSystemNameByte);

class TFlipSnapshot final : public TVeskControl {
 public:
  TFlipSnapshot(TVeskBaseList* root, const graphics::TCustomDIBX& picture);
  void Draw(graphics::TCustomDIBX& surface, const Rect& clip) override;

 private:
  graphics::TDIBX picture_;
};

}  // namespace vesk::scene
