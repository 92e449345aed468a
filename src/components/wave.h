#pragma once
// TVeskWave (kind 19): sways what lies under it and everything drawn
// inside it sideways, row by row, along a travelling sine. While its
// amplitude is not 0 the wave's children draw through a proxy surface that
// shifts each row by its own offset; the wave first copies what the scene
// drew beneath it through the same proxy.
#include <cstdint>
#include <string>

#include "graphics/dibsfc.h"
#include "scene/vesk_object.h"

namespace vesk::components {

class TVeskWave final : public scene::TVeskControl {
 public:
  explicit TVeskWave(scene::TVeskBaseList* root);

  // Amplitudes beyond this many pixels are held to it: rows shifted further
  // would only leave the screen, and dirty rectangles widen by it.
  static constexpr int32_t kMaxAmpPx = 4096;

  int32_t Amp = 10;       // pixels
  int32_t WaveLen = 200;  // rows per sine period, >= 1
  int32_t Phase = 0;      // 0..254
  int32_t PhaseRemainder = 0;
  int32_t DelayMs = 2000;  // per phase cycle of 256 units, >= 1
  std::string OnIdle;
  uint8_t Paused = 0;

  int GetCompoType() const override { return lang::LT_WAVE; }
  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;

  bool Update(int32_t frame_ms) override;
  void Draw(graphics::TCustomDIBX& surface, const Rect& clip) override;
  // What the wave or a descendant makes dirty may be drawn up to Amp
  // pixels to either side.
  void InvalidateRect(const Rect& r) override;

  const graphics::TDIBXWave& Proxy() const { return proxy_; }

 protected:
  void TransferKindFields(RecordIO& io) override;

 private:
  void ResizeProxy();
  // The row offsets for the current phase; true when one changed.
  bool ComputeOffsets();

  graphics::TDIBXWave proxy_;
  graphics::TDIBX beneath_;  // what the scene drew under the wave, this draw
  bool offsets_stale_ = true;
};

}  // namespace vesk::components
