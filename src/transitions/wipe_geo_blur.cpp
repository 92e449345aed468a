// Blur, through white or black, unblur: two blurred copies made once, then
// each step is a blend or a grey level over one of four pictures.
#include <algorithm>

#include "transitions/wipe_geo.h"
#include "transitions/wipe_geo_rows.h"
#include "transitions/wipe_geo_support.h"

namespace vesk::transitions {

namespace {

// Red, green and blue values of every pixel, row by row.
std::vector<uint8_t> ChannelValues(const graphics::ConstPixelView& v) {
  std::vector<uint8_t> rgb(size_t(v.width_px) * size_t(v.height_px) * 3);
  size_t i = 0;
  for (int y = 0; y < v.height_px; ++y) {
    const uint8_t* row = v.Row(y);
    for (int x = 0; x < v.width_px; ++x) {
      const uint32_t native = graphics::detail::LoadNative(row, x, v.bit_count);
      const auto c = uint32_t(graphics::NativeToColor(native, v.bit_count, v.palette));
      rgb[i++] = uint8_t(c);
      rgb[i++] = uint8_t(c >> 8);
      rgb[i++] = uint8_t(c >> 16);
    }
  }
  return rgb;
}

// Adds (sign +1) or removes (sign -1) one row of channel values to the
// column sums.
void AccumulateRow(std::vector<uint32_t>& columns, const uint8_t* row, int width, int sign) {
  for (size_t i = 0; i < size_t(width) * 3; ++i)
    columns[i] = uint32_t(int64_t(columns[i]) + sign * int64_t(row[i]));
}

// One output row from the column sums: a running sum along the row over
// the window, divided by the pixels of the window inside the picture.
void BlurRow(const std::vector<uint32_t>& columns, int width, int radius, int rows_in_window,
             const graphics::PixelView& out, int y) {
  uint64_t sum[3] = {0, 0, 0};
  for (int x = 0; x <= std::min(radius, width - 1); ++x)
    for (int c = 0; c < 3; ++c) sum[c] += columns[size_t(x) * 3 + size_t(c)];
  uint8_t* row = out.Row(y);
  for (int x = 0; x < width; ++x) {
    const int cols_in_window = std::min(width - 1, x + radius) - std::max(0, x - radius) + 1;
    const uint64_t count = uint64_t(cols_in_window) * uint64_t(rows_in_window);
    const int32_t colour = int32_t(sum[0] / count | (sum[1] / count) << 8 | (sum[2] / count) << 16);
    graphics::detail::StoreNative(row, x, out.bit_count,
                                  graphics::ColorToNative(colour, out.bit_count));
    const int add = x + radius + 1, drop = x - radius;
    for (int c = 0; c < 3; ++c) {
      if (add < width) sum[c] += columns[size_t(add) * 3 + size_t(c)];
      if (drop >= 0) sum[c] -= columns[size_t(drop) * 3 + size_t(c)];
    }
  }
}

}  // namespace

void BoxBlur(const graphics::TCustomDIBX& source, graphics::TDIBX& out, int radius_px) {
  const graphics::ConstPixelView src = source.View();
  if (src.empty()) {
    out.Clear();
    return;
  }
  out.SetSize(src.width_px, src.height_px, source.BitCount());
  const int w = src.width_px, h = src.height_px;
  const int r = std::clamp(radius_px, 0, std::max(w, h));
  const std::vector<uint8_t> rgb = ChannelValues(src);
  const auto row_of = [&](int y) { return &rgb[size_t(y) * size_t(w) * 3]; };
  std::vector<uint32_t> columns(size_t(w) * 3, 0);
  for (int y = 0; y <= std::min(r, h - 1); ++y) AccumulateRow(columns, row_of(y), w, +1);
  const graphics::PixelView dst = out.View();
  for (int y = 0; y < h; ++y) {
    const int rows_in_window = std::min(h - 1, y + r) - std::max(0, y - r) + 1;
    BlurRow(columns, w, r, rows_in_window, dst, y);
    if (y + r + 1 < h) AccumulateRow(columns, row_of(y + r + 1), w, +1);
    if (y - r >= 0) AccumulateRow(columns, row_of(y - r), w, -1);
  }
}

void TWipeBlurWhite::Prepare() {
  BuildBlurred();
}

void TWipeBlurWhite::BuildBlurred() {
  const int radius = std::min(dest().Width(), dest().Height()) / 20;
  try {
    BoxBlur(from(), blurred_from_, radius);
    BoxBlur(to(), blurred_to_, radius);
  } catch (const graphics::EGraphicsError&) {
    blurred_from_.Clear();
    blurred_to_.Clear();
  }
  built_ = true;
}

namespace {

// dest = base with `over` blended in by the DrawAlpha rule, in one pass;
// alpha 255 shows `over` itself.
template <class F>
void BlendRows(const geo::Frame& frame, const graphics::ConstPixelView& base,
               const graphics::ConstPixelView& over, int alpha) {
  using graphics::detail::Fmt15;
  using graphics::detail::Fmt16;
  using graphics::detail::Fmt32;
  const size_t bytes = frame.RowBytes();
  const uint32_t a = uint32_t(alpha);
  for (int y = 0; y < frame.height; ++y) {
    if (alpha <= 0 || alpha >= 255) {
      std::memmove(frame.dst.Row(y), (alpha <= 0 ? base : over).Row(y), bytes);
      continue;
    }
    auto* d = geo::RowOf<F>(frame.dst, y);
    const auto* b = geo::RowOf<F>(base, y);
    const auto* o = geo::RowOf<F>(over, y);
    if constexpr (std::is_same_v<F, Fmt32>) {
      geo::BlendRow32(d, b, o, frame.width, a);
    } else if constexpr (std::is_same_v<F, Fmt16>) {
      geo::BlendRow16(d, b, o, frame.width, a);
    } else if constexpr (std::is_same_v<F, Fmt15>) {
      geo::BlendRow15(d, b, o, frame.width, a);
    } else {
      for (int x = 0; x < frame.width; ++x)
        d[x] = o[x] == b[x] ? b[x] : graphics::detail::BlendPixel<F>(o[x], b[x], a);
    }
  }
}

// dest = picture with a grey level added (or subtracted).
template <class F>
void GreyRows(const geo::Frame& frame, const graphics::ConstPixelView& picture, uint32_t level,
              bool darken) {
  using graphics::detail::Fmt15;
  using graphics::detail::Fmt16;
  using graphics::detail::Fmt32;
  for (int y = 0; y < frame.height; ++y) {
    auto* d = geo::RowOf<F>(frame.dst, y);
    const auto* s = geo::RowOf<F>(picture, y);
    if constexpr (std::is_same_v<F, Fmt32>) {
      geo::GreyRow32(d, s, frame.width, level, darken);
    } else if constexpr (std::is_same_v<F, Fmt16>) {
      geo::GreyRow16(d, s, frame.width, level, darken);
    } else if constexpr (std::is_same_v<F, Fmt15>) {
      geo::GreyRow15(d, s, frame.width, level, darken);
    } else if (darken) {
      geo::SubGreyRow<F>(d, s, frame.width, geo::GreyOf<F>(level));
    } else {
      geo::AddGreyRow<F>(d, s, frame.width, geo::GreyOf<F>(level));
    }
  }
}

}  // namespace

bool TWipeBlurWhite::Step() {
  const auto clock = geo::Clock::Of(Elapsed, Duration);
  if (!clock) {
    SetChanged({});
    return true;
  }
  geo::OpenClip(dest());
  if (!built_) BuildBlurred();
  const geo::Frame frame(dest(), from(), to());
  const graphics::TDIBX& blurred_from = blurred_from_;
  const graphics::TDIBX& blurred_to = blurred_to_;
  const graphics::ConstPixelView blur_from = blurred_from.View(), blur_to = blurred_to.View();
  if (!frame.ok || !geo::SameShape(frame.from, blur_from) || !geo::SameShape(frame.to, blur_to)) {
    geo::ShowNewPicture(dest(), to());
    SetChanged(dest().BoundsRect());
    return false;
  }
  const int p = int(clock->Scale(639));
  geo::WithRowFormat(frame.bit_count, [&](auto fmt) {
    using F = decltype(fmt);
    if (p < 256) {
      BlendRows<F>(frame, frame.from, blur_from, p);
    } else if (p < 320) {
      GreyRows<F>(frame, blur_from, uint32_t((p - 256) * 4), Darkens());
    } else if (p < 384) {
      GreyRows<F>(frame, blur_to, uint32_t((383 - p) * 4), Darkens());
    } else {
      BlendRows<F>(frame, frame.to, blur_to, 639 - p);
    }
  });
  SetChanged(dest().BoundsRect());
  return false;
}

}  // namespace vesk::transitions
