#include "components/fire.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "lang/vocabulary.h"

namespace vesk::components {

using namespace vesk::lang;

namespace {

constexpr int kFloorHeat = 16;  // the coldest cell, also the buffer's start
constexpr int kFullHeat = 254;  // the bottom rows that feed the flame
constexpr int kFeedRows = 4;

struct Rgb {
  int r, g, b;
};

// The flame's colour ramp: each channel runs on straight lines between these
// entries.
constexpr std::array<std::pair<int, Rgb>, 6> kRampKeys{{{0, {0, 0, 0}},
                                                        {32, {102, 39, 3}},
                                                        {113, {214, 98, 7}},
                                                        {161, {243, 158, 14}},
                                                        {192, {255, 192, 55}},
                                                        {255, {255, 230, 175}}}};

Rgb RampColor(int i) {
  size_t k = 1;
  while (k + 1 < kRampKeys.size() && kRampKeys[k].first < i) ++k;
  // Plain names rather than structured bindings: older clang cannot capture
  // bindings in the lambda below.
  const int i0 = kRampKeys[k - 1].first, i1 = kRampKeys[k].first;
  const Rgb& c0 = kRampKeys[k - 1].second;
  const Rgb& c1 = kRampKeys[k].second;
  const auto lerp = [&](int a, int b) {
    return a + ((b - a) * (i - i0) * 2 + (i1 - i0)) / (2 * (i1 - i0));
  };
  return {lerp(c0.r, c1.r), lerp(c0.g, c1.g), lerp(c0.b, c1.b)};
}

std::array<uint32_t, 256> MakePalette(int bit_count) {
  std::array<uint32_t, 256> out{};
  for (int i = 0; i < 256; ++i) {
    const Rgb c = RampColor(i);
    const auto r = static_cast<uint32_t>(c.r), g = static_cast<uint32_t>(c.g),
               b = static_cast<uint32_t>(c.b);
    if (bit_count == 32)
      out[static_cast<size_t>(i)] = r << 16 | g << 8 | b;
    else if (bit_count == 16)
      out[static_cast<size_t>(i)] = (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
    else
      out[static_cast<size_t>(i)] = (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
  }
  return out;
}

int32_t ClampSide(int32_t v) {
  return std::clamp(v, 0, TVeskFire::kMaxSidePx);
}

}  // namespace

const std::array<uint32_t, 256>* TVeskFire::PaletteFor(int bit_count) {
  static const std::array<uint32_t, 256> k32 = MakePalette(32), k16 = MakePalette(16),
                                         k15 = MakePalette(15);
  switch (bit_count) {
    case 32:
      return &k32;
    case 16:
      return &k16;
    case 15:
      return &k15;
    default:
      return nullptr;
  }
}

TVeskFire::TVeskFire(scene::TVeskBaseList* root) : TVeskControl(root), heat_(8, 8, 8) {
  heat_.SetColorKey(kFloorHeat);
  for (int i = 0; i < 256; ++i)
    floor_table_[static_cast<size_t>(i)] = static_cast<uint8_t>(std::max(i, kFloorHeat));
  BuildHeatTable(4.5);
}

void TVeskFire::BuildHeatTable(double divisor) {
  divisor_ = divisor;
  for (int s = 0; s < 1024; ++s) {
    const double c = (1023.0 - s) / 1023.0;
    const double v = std::nearbyint(s / (divisor - c * c * c * 0.05));
    heat_table_[static_cast<size_t>(s)] = v >= 255 ? uint8_t{254} : static_cast<uint8_t>(v);
  }
}

void TVeskFire::Resize() {
  const auto scaled = [](int32_t side, int32_t zoom) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(int64_t{side} * zoom / 256, INT32_MIN, INT32_MAX));
  };
  Invalidate();
  Width = scaled(OrigWidth, ZoomX);
  Height = scaled(OrigHeight, ZoomY);
  Invalidate();
}

int32_t TVeskFire::GetInt(int id) const {
  switch (id) {
    case PR_POWER:
      return Power;
    case PR_ORIGWIDTH:
      return OrigWidth;
    case PR_ORIGHEIGHT:
      return OrigHeight;
    case PR_ZOOMX:
      return ZoomX;
    case PR_ZOOMY:
      return ZoomY;
    default:
      return TVeskControl::GetInt(id);
  }
}

void TVeskFire::SetInt(int id, int32_t value) {
  switch (id) {
    case PR_POWER:
      if (value == Power) return;
      Power = std::clamp(value, 0, 255);
      BuildHeatTable((128.0 - Power) / 128.0 * 1.2825 + 4.2175);
      return;
    case PR_ORIGWIDTH:
    case PR_ORIGHEIGHT: {
      int32_t& side = id == PR_ORIGWIDTH ? OrigWidth : OrigHeight;
      value = ClampSide(value);
      if (value == side) return;
      side = value;
      Resize();
      Initialised = 0;
      return;
    }
    case PR_ZOOMX:
    case PR_ZOOMY:
      (id == PR_ZOOMX ? ZoomX : ZoomY) = std::max(1, value);
      Resize();
      return;
    case PR_WIDTH:
    case PR_HEIGHT:
      return;  // the size follows the buffer and the zoom
    default:
      TVeskControl::SetInt(id, value);
  }
}

bool TVeskFire::GetFlag(int id) const {
  switch (id) {
    case PR_PAUSED:
      return Paused != 0;
    case PR_PLAYING:
      return !Paused && !AniPaused;
    default:
      return TVeskControl::GetFlag(id);
  }
}

void TVeskFire::SetFlag(int id, bool value) {
  if (id != PR_PAUSED) return TVeskControl::SetFlag(id, value);
  Paused = value ? 1 : 0;
}

std::string TVeskFire::GetStr(int id) const {
  return id == PR_ONIDLE ? OnIdle : TVeskControl::GetStr(id);
}

void TVeskFire::SetStr(int id, const std::string& value) {
  if (id != PR_ONIDLE) return TVeskControl::SetStr(id, value);
  OnIdle = value;
}

void TVeskFire::Initialise() {
  const int w = OrigWidth, h = OrigHeight;
  if (heat_.Width() != w || heat_.Height() != h) heat_.SetSize(w, h, 8);
  noise_.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (uint8_t& n : noise_) n = static_cast<uint8_t>(random_.Below(9));
  // Byte tables: past 256 rows or columns the entries wrap, which keeps
  // every look-up below inside the noise.
  row_table_.resize(static_cast<size_t>(2 * h));
  for (size_t i = 0; i < row_table_.size(); ++i)
    row_table_[i] = static_cast<uint8_t>(i % static_cast<size_t>(h));
  column_table_.resize(static_cast<size_t>(2 * w));
  for (size_t i = 0; i < column_table_.size(); ++i)
    column_table_[i] = static_cast<uint8_t>(i % static_cast<size_t>(w));
  row_offset_ = column_offset_ = 0;
  heat_.Fill(kFloorHeat);
  Initialised = 1;
}

void TVeskFire::HeatStep() {
  const int w = heat_.Width(), h = heat_.Height();
  if (w < 1 || h < 1 || noise_.size() != static_cast<size_t>(w) * static_cast<size_t>(h)) return;
  row_offset_ = row_table_[static_cast<size_t>(row_offset_ + 1)];
  column_offset_ =
      column_table_[static_cast<size_t>(column_offset_ + (row_offset_ % 8 == 0 ? 1 : 0))];
  const graphics::PixelView v = heat_.View();
  for (int y = std::max(0, h - kFeedRows); y < h; ++y) std::fill_n(v.Row(y), w, uint8_t{kFullHeat});
  if (h < 3 || w < 3) return;
  // Rows below y are still last step's when row y is computed, so working
  // in place gives the step of the previous buffer. Every cell stays at 16
  // or more, so the sum is at least 64, the table answers at least 12 and
  // the floor index never goes below 12 - 8.
  const uint8_t* columns = column_table_.data() + column_offset_;
  for (int y = 0; y <= h - 3; ++y) {
    uint8_t* row = v.Row(y);
    const uint8_t* below = v.Row(y + 1);
    const uint8_t* below2 = v.Row(y + 2);
    const uint8_t* noise_row =
        noise_.data() + static_cast<size_t>(row_table_[static_cast<size_t>(row_offset_ + y + 1)]) *
                            static_cast<size_t>(w);
    for (int x = 1; x <= w - 2; ++x) {
      const int sum = row[x] + below[x - 1] + below[x + 1] + below2[x];
      row[x] = floor_table_[static_cast<size_t>(heat_table_[static_cast<size_t>(sum)] -
                                                noise_row[columns[x]])];
    }
  }
}

bool TVeskFire::Update(int32_t frame_ms) {
  const bool done = TVeskControl::Update(frame_ms);
  if (!Initialised) Initialise();
  if (AniPaused) return done;
  StepRemainderMs = static_cast<int32_t>(
      std::clamp<int64_t>(int64_t{StepRemainderMs} + frame_ms, INT32_MIN, INT32_MAX));
  if (StepRemainderMs > kStepMs - 1) {
    StepRemainderMs %= kStepMs;
    HeatStep();
    Invalidate();
  }
  return done;
}

void TVeskFire::Draw(graphics::TCustomDIBX& surface, const Rect& clip) {
  if (const auto* palette = PaletteFor(surface.BitCount()); palette && !heat_.IsEmpty()) {
    const Rect whole = heat_.BoundsRect();
    if (ZoomX == 256 && ZoomY == 256)
      surface.DrawIndexedAdd(GetSceneLeft(), GetSceneTop(), heat_, whole, kDrawThreshold,
                             graphics::Flip::kNone, 255, *palette);
    else
      surface.StretchIndexedAdd(SceneRect(), heat_, whole, kDrawThreshold, graphics::Flip::kNone,
                                255, *palette);
  }
  DrawChildren(surface, clip);
}

void TVeskFire::TransferKindFields(RecordIO& io) {
  io.Via(&RecordIO::I32, Power, "fire power", [&](int32_t v) { SetInt(PR_POWER, v); });
  io.I32In(OrigWidth, 0, kMaxSidePx, "fire width");
  io.I32In(OrigHeight, 0, kMaxSidePx, "fire height");
  io.Via(&RecordIO::I32, ZoomX, "fire zoom x", [&](int32_t v) { SetInt(PR_ZOOMX, v); });
  if (io.Since(104)) {
    io.Str(OnIdle, "fire idle handler");
    io.Flag(Paused, "fire paused");
    io.Via(&RecordIO::I32, ZoomY, "fire zoom y", [&](int32_t v) { SetInt(PR_ZOOMY, v); });
  }
  if (!io.loading()) return;
  Resize();
  Initialised = 0;
}

}  // namespace vesk::components
