#pragma once
// TVeskBox: a filled rectangle with a border, drawn opaque, blended or
// added by its Alpha value.
#include "scene/vesk_object.h"

namespace vesk::components {

class TVeskBox final : public scene::TVeskControl {
 public:
  explicit TVeskBox(scene::TVeskBaseList* root);

  int GetCompoType() const override { return lang::LT_BOX; }
  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;
  void Draw(graphics::TCustomDIBX& surface, const Rect& clip) override;

  int32_t BorderWidth = 0;
  int32_t BorderColor = -1;
  int32_t Alpha = 255;
  std::string Source;  // a motion file (".lmt"); motions play once they exist
  std::string OnIdle;
  std::string OnPlayEnd;
  uint8_t Repeat = 0, AutoScrap = 0, Paused = 0;

 protected:
  void TransferKindFields(RecordIO& io) override;
};

}  // namespace vesk::components
