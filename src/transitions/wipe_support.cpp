#include "transitions/wipe_support.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "core/vesk_error.h"

namespace vesk::transitions {

using graphics::ConstPixelView;
using graphics::PixelView;
using graphics::TCustomDIBX;
using graphics::TDIBX;

int32_t ClampedElapsed(const TCustomWipe& w) {
  return std::clamp(w.Elapsed, int32_t{0}, EffectiveDuration(w));
}

int64_t ScaleElapsed(const TCustomWipe& w, int64_t n) {
  const int64_t t = ClampedElapsed(w), d = EffectiveDuration(w);
  // n = q*d + r, so n*t div d = q*t + r*t div d; r*t < 2^62 and q*t <= n.
  const int64_t q = n / d, r = n % d;
  return q * t + r * t / d;
}

double ElapsedRatio(const TCustomWipe& w) {
  return double(ClampedElapsed(w)) / double(EffectiveDuration(w));
}

GreyTable MakeGreyTable(const TCustomDIBX& dest) {
  GreyTable t{};
  for (int v = 0; v < 256; ++v) t[size_t(v)] = uint32_t(dest.ColorToPixel(v | v << 8 | v << 16));
  return t;
}

void CopyPicture(TCustomDIBX& dest, const TCustomDIBX& source) {
  if (&dest == &source) return;
  dest.UnionClip(dest.BoundsRect());
  if (source.Width() < dest.Width() || source.Height() < dest.Height()) {
    dest.FillRect(dest.BoundsRect(), 0);
  }
  dest.Draw(0, 0, source, source.BoundsRect(), graphics::KeyMode::kIgnore, graphics::Flip::kNone);
}

bool PictureRows::Begin(TCustomDIBX& dest, const TCustomDIBX& from, const TCustomDIBX& to) {
  if (dest.IsEmpty()) return false;
  const PixelView own = dest.View();
  dest_is_copy_ = own.empty() || own.width_px < dest.Width() || own.height_px < dest.Height();
  if (dest_is_copy_) {
    dest_copy_.SetSize(dest.Width(), dest.Height(), dest.BitCount());
    dest_ = dest_copy_.View();
  } else {
    dest_ = own;
  }
  if (dest_.empty()) return false;
  from_ = Conform(from, from_copy_);
  to_ = Conform(to, to_copy_);
  return !from_.empty() && !to_.empty();
}

ConstPixelView PictureRows::Conform(const TCustomDIBX& source, TDIBX& holder) {
  const ConstPixelView v = source.View();
  if (!v.empty() && v.bit_count == dest_.bit_count && v.width_px >= dest_.width_px &&
      v.height_px >= dest_.height_px) {
    return v;
  }
  holder.SetSize(dest_.width_px, dest_.height_px, dest_.bit_count);
  holder.Fill(0);
  holder.Draw(0, 0, source, source.BoundsRect(), graphics::KeyMode::kIgnore, graphics::Flip::kNone);
  return std::as_const(holder).View();
}

void PictureRows::Commit(TCustomDIBX& dest) {
  if (!dest_is_copy_) return;
  dest.UnionClip(dest.BoundsRect());
  dest.Draw(0, 0, dest_copy_, dest_copy_.BoundsRect(), graphics::KeyMode::kIgnore,
            graphics::Flip::kNone);
}

namespace {

// The nearest grey level of a colour 0x00BBGGRR: the one closest to all
// three channels, their rounded mean.
uint8_t NearestGrey(int32_t color) {
  const auto c = uint32_t(color);
  const uint32_t sum = (c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF);
  return uint8_t((sum + 1) / 3);
}

std::unique_ptr<TDIBX> LoadRulePicture(const WipeServices* services, const std::string& name) {
  if (!services || !services->load_rule_image) return nullptr;
  try {
    return services->load_rule_image(name);
  } catch (const EVeskError&) {
    // A damaged rule picture counts as a missing one.
    return nullptr;
  }
}

}  // namespace

std::vector<uint8_t> LoadRuleGreys(const WipeServices* services, const std::string& name,
                                   bool invert, int width_px, int height_px) {
  const int w = std::max(width_px, 0), h = std::max(height_px, 0);
  std::vector<uint8_t> out(size_t(w) * size_t(h), 255);
  const std::unique_ptr<TDIBX> picture = LoadRulePicture(services, name);
  if (!picture || out.empty()) return out;
  const ConstPixelView v = std::as_const(*picture).View();
  if (v.empty()) return out;
  // Only the part that lands on the destination is converted; the rest of
  // the destination repeats it.
  const int tw = std::min(v.width_px, w), th = std::min(v.height_px, h);
  std::vector<uint8_t> tile(size_t(tw) * size_t(th));
  for (int y = 0; y < th; ++y) {
    for (int x = 0; x < tw; ++x) {
      const uint8_t g =
          NearestGrey(graphics::NativeToColor(picture->GetPixel(x, y), v.bit_count, v.palette));
      tile[size_t(y) * size_t(tw) + size_t(x)] = invert ? uint8_t(255 - g) : g;
    }
  }
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = tile.data() + size_t(y % th) * size_t(tw);
    uint8_t* dst = out.data() + size_t(y) * size_t(w);
    for (int x = 0; x < w; x += tw) std::memcpy(dst + x, src, size_t(std::min(tw, w - x)));
  }
  return out;
}

void RuleLevels::Load(const WipeServices* services, const std::string& name, bool invert,
                      int width_px, int height_px) {
  levels_ = LoadRuleGreys(services, name, invert, width_px, height_px);
  width_ = std::max(width_px, 0);
  height_ = std::max(height_px, 0);
  Summarise();
}

void RuleLevels::EnsureSize(int width_px, int height_px) {
  if (width_ == width_px && height_ == height_px && !levels_.empty()) return;
  Load(nullptr, std::string(), false, width_px, height_px);
}

void RuleLevels::Summarise() {
  chunks_ = (width_ + kChunkPx - 1) / kChunkPx;
  low_.assign(size_t(chunks_) * size_t(height_), 255);
  high_.assign(size_t(chunks_) * size_t(height_), 0);
  for (int y = 0; y < height_; ++y) {
    const uint8_t* row = Row(y);
    for (int c = 0; c < chunks_; ++c) {
      const int x0 = c * kChunkPx, x1 = std::min(width_, x0 + kChunkPx);
      const auto [lo, hi] = std::minmax_element(row + x0, row + x1);
      low_[size_t(y) * size_t(chunks_) + size_t(c)] = *lo;
      high_[size_t(y) * size_t(chunks_) + size_t(c)] = *hi;
    }
  }
}

void RuleLevels::Runs(int y, int offset, int from_limit, int to_limit,
                      std::vector<ColumnRun>& out) const {
  const size_t first = out.size();
  for (int c = 0; c < chunks_; ++c) {
    const size_t i = size_t(y) * size_t(chunks_) + size_t(c);
    const RunKind kind = high_[i] + offset <= from_limit ? RunKind::kFrom
                         : low_[i] + offset >= to_limit  ? RunKind::kTo
                                                         : RunKind::kMixed;
    const int x0 = c * kChunkPx, x1 = std::min(width_, x0 + kChunkPx);
    if (out.size() > first && out.back().kind == kind) {
      out.back().x1 = x1;
    } else {
      out.push_back({x0, x1, kind});
    }
  }
}

}  // namespace vesk::transitions
