#pragma once
// TVeskFire (kind 6): a flame simulated on an 8-bit heat buffer and added
// onto the scene through a colour ramp. Every 40 ms of frame time each heat
// cell takes the heat of the cells below it through a cooling table and a
// little noise; the bottom rows are kept at full heat.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "components/component_services.h"
#include "components/effect_random.h"
#include "graphics/dibsfc.h"
#include "scene/vesk_object.h"

namespace vesk::components {

class TVeskFire final : public scene::TVeskControl, public ServiceUser {
 public:
  explicit TVeskFire(scene::TVeskBaseList* root);

  // Heat buffers beyond this side are refused in favour of this size: a
  // script or saved game asking for more gets a fire of this width or
  // height (the buffer and its noise cost two bytes a cell).
  static constexpr int32_t kMaxSidePx = 2048;
  static constexpr int32_t kStepMs = 40;
  // Cells at or below this heat are not drawn (the initial and the lowest heat).
  static constexpr int kDrawThreshold = 17;

  int32_t Power = 1;  // 0..255
  int32_t OrigWidth = 0, OrigHeight = 0;
  int32_t ZoomX = 0, ZoomY = 0;  // 256 = 100 %
  std::string OnIdle;
  uint8_t Paused = 0;
  int32_t StepRemainderMs = 0;
  uint8_t Initialised = 0;

  int GetCompoType() const override { return lang::LT_FIRE; }
  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;

  bool Update(int32_t frame_ms) override;
  void Draw(graphics::TCustomDIBX& surface, const Rect& clip) override;

  // The heat buffer and the tables of the step, for inspection.
  const graphics::TDIBX& HeatSurface() const { return heat_; }
  graphics::TDIBX& HeatSurface() { return heat_; }
  const std::array<uint8_t, 1024>& HeatTable() const { return heat_table_; }
  std::vector<uint8_t>& Noise() { return noise_; }
  double Divisor() const { return divisor_; }
  int32_t RowOffset() const { return row_offset_; }
  int32_t ColumnOffset() const { return column_offset_; }
  // Makes the buffer, noise and tables for the current size; all cells 16.
  void Initialise();
  // One step of the flame over the whole buffer.
  void HeatStep();

  // The colour ramp as native values of a 32-, 16- (5-6-5) or 15-bit
  // (5-5-5) target; null for other bit counts (no flame is drawn).
  static const std::array<uint32_t, 256>* PaletteFor(int bit_count);

 protected:
  void TransferKindFields(RecordIO& io) override;

 private:
  void BuildHeatTable(double divisor);
  // Width and height from the buffer size and the zoom.
  void Resize();

  graphics::TDIBX heat_;
  std::vector<uint8_t> noise_, row_table_, column_table_;
  std::array<uint8_t, 256> floor_table_{};
  std::array<uint8_t, 1024> heat_table_{};
  double divisor_ = 0;
  int32_t column_offset_ = 0, row_offset_ = 0;
  EffectRandom random_{*this};
};

}  // namespace vesk::components
