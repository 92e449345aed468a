#pragma once
// TVeskMapImage (kind 18): a picture with named areas read from a map file.
// The area under the mouse (or chosen with the arrow keys) shows a second,
// hover picture inside its outline; a click or Enter selects it into
// @SelStr/@SelIndex. A right click or Escape may cancel and scrap the map.
#include <climits>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "components/component_services.h"
#include "components/image_list.h"
#include "scene/vesk_object.h"

namespace vesk::components {

// One named area. Coordinates are relative to the map's top-left corner.
struct MapArea {
  enum : uint8_t { kRectangle = 0, kEllipse = 1 };  // anything else: polygon
  std::string Name;
  uint8_t Shape = kRectangle;
  Rect Bounds;                                      // right and bottom exclusive
  std::vector<std::pair<int32_t, int32_t>> Points;  // polygon corners

  // Whether pixel (x, y) belongs to the area (its centre lies inside; the
  // polygon fills by the winding rule).
  bool Contains(int32_t x, int32_t y) const;
  // Sets every pixel of the area inside the 8-bit `mask` to `value`.
  void Paint(graphics::TCustomDIBX& mask, uint8_t value) const;
};

// The areas of a map file: int32 count; per area a name, a shape byte and a
// rectangle, an ellipse's box or a polygon. A cut or hostile file keeps the
// areas read before the fault.
std::vector<MapArea> ParseMapFile(std::span<const uint8_t> bytes);

class TVeskMapImage final : public scene::TVeskControl, public ServiceUser {
 public:
  explicit TVeskMapImage(scene::TVeskBaseList* root);

  std::string Source, HoverSource, MapSource;
  std::string OnMapIn, OnMapOut, OnSelect, OnIdle;
  int32_t Alpha = 255;
  int32_t Brightness = 0;  // -255..255
  uint8_t AutoScrap = 0, RClickScrap = 0, Paused = 0;
  int32_t Hovered = -1;
  // 0 idle; 100 a scrap was asked for; the next update makes it 101 and
  // locks the input; the update after that destroys the map.
  int32_t ScrapCountdown = 0;
  std::vector<MapArea> Areas;

  int GetCompoType() const override;
  void SetSource(const std::string& name);
  void SetHoverSource(const std::string& name);
  void SetMapSource(const std::string& name);
  // The first area (in file order) holding the point, in map coordinates.
  int32_t AreaAt(int32_t x, int32_t y) const;
  void SetHovered(int32_t index);
  void Select(int32_t index);
  TVeskImageList& SourceList() { return source_; }

  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;

  bool IsInputLocked() const override { return locked_ || ScrapCountdown >= 101; }
  bool TakeRightClick() override;
  void Draw(graphics::TCustomDIBX& surface, const Rect& clip) override;
  bool Update(int32_t frame_ms) override;
  void MouseMove() override;
  void MouseOut() override;
  void LeftDown() override;
  void KeyDown() override;
  void KeyRepeat() override;
  void ReleaseSurfaces() override;
  void RestoreSurfaces() override { Invalidate(); }

 protected:
  void TransferKindFields(RecordIO& io) override;

 private:
  // The map's own copy of a frame's mask, cut to the hovered area (inside
  // for the hover picture, outside it for the source picture). The cached
  // mask is shared with every other user of the picture and stays as
  // decoded.
  struct WorkMask {
    std::unique_ptr<graphics::TDIBX> mask;
    int32_t prepared_for = INT_MIN;
    uint32_t generation = 0;
  };
  const graphics::TCustomDIBX* PreparedMask(TVeskImageList& list, std::vector<WorkMask>& work,
                                            bool inside);
  void DrawList(graphics::TCustomDIBX& target, TVeskImageList& list, std::vector<WorkMask>& work,
                bool inside);
  void InvalidateArea(int32_t index);
  void HoverFromMouse();
  void RequestScrap();

  TVeskImageList source_, hover_;
  std::vector<WorkMask> source_masks_, hover_masks_;
  bool locked_ = false;
};

}  // namespace vesk::components
