#pragma once
// TVeskCGLabel (kind 24): text drawn from a picture of character cells (a
// bitmap font). MapText names the characters in cell order; each character
// of Text draws the cell of its place in MapText, and characters MapText
// lacks leave a blank cell. The picture may be animated.
#include <cstdint>
#include <string>
#include <vector>

#include "components/component_services.h"
#include "components/image_list.h"
#include "scene/vesk_object.h"

namespace vesk::components {

class TVeskCGLabel final : public scene::TVeskControl, public ServiceUser {
 public:
  explicit TVeskCGLabel(scene::TVeskBaseList* root) : TVeskControl(root) {}
  ~TVeskCGLabel() override;

  std::string Source;  // the cell picture
  std::string Text;
  std::string MapText;
  int32_t GlyphWidth = 1, GlyphHeight = 1;  // cell size, never below 1
  int32_t LineSpace = 0;
  uint8_t HAlign = 0;  // 0 left, 1 centre, 2 right
  int32_t Alpha = 255;
  uint8_t Paused = 0;
  std::string OnIdle;

  int GetCompoType() const override { return lang::LT_CGLABEL; }
  // Per line, the cell of every character (-1: not in MapText).
  const std::vector<std::vector<int32_t>>& Cells() const { return cells_; }

  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;

  void Draw(graphics::TCustomDIBX& surface, const Rect& clip) override;
  bool Update(int32_t frame_ms) override;
  void ReleaseSurfaces() override { list_.ReleaseSurfaces(); }
  void RestoreSurfaces() override { Invalidate(); }

 protected:
  void TransferKindFields(RecordIO& io) override;

 private:
  void SetSource(const std::string& name);
  // The cell indices from Text and MapText, then the size.
  void RebuildCells();
  void Resize();
  void DrawCells(graphics::TCustomDIBX& target);

  TVeskImageList list_;
  std::vector<std::vector<int32_t>> cells_;
};

}  // namespace vesk::components
