#pragma once
// Two small pictures to wipe between and the driver's calling order, for the
// golden and property tests of the effects.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "graphics/dibsfc.h"
#include "graphics/golden.h"
#include "transitions/wipe.h"

namespace vesk::transitions::testing {

inline constexpr int kPictureWidth = 64;
inline constexpr int kPictureHeight = 48;

inline std::filesystem::path WipeGoldenDir() {
  return std::filesystem::path(VESK_FIXTURES_DIR).parent_path() / "transitions" / "golden";
}

// The old picture: a diagonal colour ramp with a dark grid; the new one:
// concentric rings over a blue field, so any mixing of the two shows.
inline graphics::TDIBX OldPicture(int bit_count) {
  graphics::TDIBX s(kPictureWidth, kPictureHeight, bit_count);
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) {
      const int r = x * 255 / (s.Width() - 1), g = y * 255 / (s.Height() - 1);
      const bool grid = x % 16 == 0 || y % 16 == 0;
      const int32_t bgr = grid ? 0x202020 : (r | (g << 8) | ((255 - r) << 16));
      s.SetPixel(x, y, uint32_t(s.ColorToPixel(bgr)));
    }
  return s;
}

inline graphics::TDIBX NewPicture(int bit_count) {
  graphics::TDIBX s(kPictureWidth, kPictureHeight, bit_count);
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) {
      const int dx = x - s.Width() / 2, dy = y - s.Height() / 2;
      const bool ring = ((dx * dx + dy * dy) / 40) % 2 == 0;
      const int32_t bgr = ring ? 0x40E0F0 : 0xA03010;
      s.SetPixel(x, y, uint32_t(s.ColorToPixel(bgr)));
    }
  return s;
}

// Old picture, new picture and the destination (holding the old picture at
// the start, as the screen does), at one bit count.
struct WipeScene {
  explicit WipeScene(int bit_count)
      : from(OldPicture(bit_count)), to(NewPicture(bit_count)), dest(OldPicture(bit_count)) {}
  graphics::TDIBX from, to, dest;
};

// Makes `type`, prepares it and steps it at every `step_ms` up to
// `elapsed_ms` of `duration_ms` (effects may rely on earlier steps). Null
// when the type makes nothing.
inline std::unique_ptr<TCustomWipe> RunWipe(WipeScene& scene, int type, int32_t duration_ms,
                                            int32_t elapsed_ms, int32_t step_ms = 50,
                                            bool reverse = false,
                                            const WipeServices* services = nullptr) {
  auto wipe = CreateWipe(type, scene.dest, scene.from, scene.to, services);
  if (!wipe) return nullptr;
  wipe->Duration = duration_ms;
  wipe->SetReverse(reverse);
  wipe->Prepare();
  for (int32_t t = 0; t < elapsed_ms; t += step_ms) {
    wipe->Elapsed = t;
    wipe->Step();
  }
  wipe->Elapsed = elapsed_ms;
  wipe->Step();
  return wipe;
}

inline ::testing::AssertionResult MatchesWipeGolden(const graphics::TCustomDIBX& s,
                                                    const std::string& name) {
  return graphics::testing::MatchesGoldenIn(WipeGoldenDir(), s, name);
}

}  // namespace vesk::transitions::testing
