#pragma once
// Drawing surfaces. Every pixel the player shows passes through a
// TCustomDIBX: the back buffer, cached images, rendered text, masks and the
// scratch pictures of the transitions. TDIBX holds its pixels in memory;
// TDIBXWave holds none and forwards every drawing call to a target surface,
// shifting each destination row sideways by its own offset.
//
// Pixel values are native to the destination (15-bit 5-5-5, 16-bit 5-6-5,
// 32-bit 0x00RRGGBB, 8-bit index or grey level); colours of the rest of the
// system (0x00BBGGRR) go through ColorToPixel first. Blend values: 0 draws
// nothing, 1..254 alpha, 255 opaque, 256..511 additive with level value-256.
// All arithmetic divides by 256, so alpha 255 is not an exact copy: callers
// use the opaque operations for 255.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/rect.h"
#include "core/vesk_error.h"

namespace vesk::graphics {

// Thrown for requests no surface can honour (absurd sizes, unknown bit
// counts, broken bitmap files).
class EGraphicsError : public EVeskError {
 public:
  using EVeskError::EVeskError;
};

// Mirroring of the source while drawing.
enum class Flip : uint8_t { kNone = 0, kHorizontal = 1, kVertical = 2, kBoth = 3 };
constexpr bool FlipsH(Flip f) {
  return (static_cast<uint8_t>(f) & 1) != 0;
}
constexpr bool FlipsV(Flip f) {
  return (static_cast<uint8_t>(f) & 2) != 0;
}
constexpr Flip MakeFlip(bool horizontal, bool vertical) {
  return static_cast<Flip>((horizontal ? 1 : 0) | (vertical ? 2 : 0));
}

// Whether source pixels equal to the source's colour key are transparent.
enum class KeyMode : uint8_t { kIgnore, kUse };

// One colour-table entry as stored in bitmaps: blue, green, red, 0.
struct PaletteEntry {
  uint8_t Blue = 0, Green = 0, Red = 0, Reserved = 0;
  bool operator==(const PaletteEntry&) const = default;
};
using Palette = std::array<PaletteEntry, 256>;

// A picture outside any surface: 0xAARRGGBB pixels, straight alpha, rows
// top to bottom (what the window system makes cursors of).
struct ArgbPicture {
  int width = 0, height = 0;
  std::vector<uint32_t> argb;
};

// Raw rows of a surface. origin is pixel (0, 0); rows are stride_bytes
// apart. palette is set for bit counts of 8 and below.
template <class Byte>
struct BasicPixelView {
  Byte* origin = nullptr;
  ptrdiff_t stride_bytes = 0;
  int width_px = 0;
  int height_px = 0;
  int bit_count = 0;
  const PaletteEntry* palette = nullptr;

  bool empty() const { return origin == nullptr || width_px <= 0 || height_px <= 0; }
  Byte* Row(int y) const { return origin + static_cast<ptrdiff_t>(y) * stride_bytes; }
};
using PixelView = BasicPixelView<uint8_t>;
using ConstPixelView = BasicPixelView<const uint8_t>;

// Reads the formats owned by the image-format unit (PNG, layered images)
// into a surface of any bit count; false when it does not take the bytes.
class ForeignImageReader {
 public:
  virtual ~ForeignImageReader() = default;
  virtual bool Read(std::span<const uint8_t> bytes, uint32_t scramble_seed,
                    class TDIBX& image) const = 0;
};

// File access is the caller's (the virtual file manager): the reader answers
// nothing for a missing file.
using FileReader = std::function<std::optional<std::vector<uint8_t>>(const std::string& name)>;
using FileWriter = std::function<void(const std::string& name, std::span<const uint8_t> bytes)>;

class TCustomDIBX {
 public:
  TCustomDIBX() = default;
  TCustomDIBX(const TCustomDIBX&) = delete;
  TCustomDIBX& operator=(const TCustomDIBX&) = delete;
  virtual ~TCustomDIBX() = default;

  // --- format queries ---
  virtual bool IsEmpty() const { return Width() == 0 || Height() == 0; }
  virtual int BitCount() const { return 0; }
  virtual void SetBitCount(int /*bit_count*/) {}
  virtual uint32_t RedMask() const { return 0; }
  virtual uint32_t GreenMask() const { return 0; }
  virtual uint32_t BlueMask() const { return 0; }
  virtual ptrdiff_t Stride() const { return 0; }
  virtual uint32_t GetPixel(int x, int y) const;
  virtual void SetPixel(int x, int y, uint32_t value);
  virtual int BlueShift() const { return 0; }
  virtual int GreenShift() const { return 0; }
  virtual int RedShift() const { return 0; }
  virtual int Height() const { return height_px_; }
  virtual int Width() const { return width_px_; }
  virtual TCustomDIBX* Target() const { return nullptr; }
  virtual int RawBitCount() const { return BitCount(); }
  // A new, empty surface of the same class.
  virtual std::unique_ptr<TCustomDIBX> Create() const = 0;
  virtual void SetSize(int width_px, int height_px, int bit_count) = 0;

  // --- pixel access (PixelPtr is always paired with Unlock) ---
  virtual uint8_t* PixelPtr(int x, int y);
  virtual void Unlock() const {}
  virtual PixelView View() { return {}; }
  virtual ConstPixelView View() const { return {}; }

  // --- clipping ---
  virtual void ResetClip() { clip_ = Rect{}; }
  virtual void UnionClip(const Rect& rect);
  // The clip rectangle, or the whole surface when there is none.
  Rect ClipRect() const;
  // A rectangle whose right edge is 0 means "no clip rectangle".
  void SetClipRect(const Rect& rect) { clip_ = rect; }
  bool HasClipRect() const { return clip_.right != 0; }
  Rect BoundsRect() const { return Rect{0, 0, Width(), Height()}; }
  int BytesPerPixel() const { return (BitCount() + 7) / 8; }

  // --- colour key and colours ---
  int32_t ColorKey() const { return color_key_; }
  void SetColorKey(int32_t native_value) { color_key_ = native_value; }
  // Colour value 0x00BBGGRR -> native value; negative input -> -1.
  virtual int32_t ColorToPixel(int32_t color) const;

  // --- fills (native values) ---
  virtual void Fill(uint32_t value);
  virtual void FillRect(const Rect& rect, uint32_t value);
  virtual void FillRectAlpha(const Rect& rect, uint32_t value, int alpha);
  virtual void FillRectAdd(const Rect& rect, uint32_t value);
  virtual void FillRectSub(const Rect& rect, uint32_t value);
  virtual void FrameRect(const Rect& rect, int thickness, uint32_t value);
  virtual void FrameRectAlpha(const Rect& rect, int thickness, uint32_t value, int alpha);
  virtual void FrameRectAdd(const Rect& rect, int thickness, uint32_t value);

  // --- copies: (x, y) receives the top-left pixel of src_rect ---
  // Takes the source's size, bit count, pixels and colour table.
  virtual void Assign(const TCustomDIBX& source);
  virtual void Draw(int x, int y, const TCustomDIBX& source, const Rect& src_rect, KeyMode key,
                    Flip flip);
  virtual void DrawMask(int x, int y, const TCustomDIBX& source, const Rect& src_rect, Flip flip,
                        const TCustomDIBX& mask);
  virtual void DrawAlpha(int x, int y, const TCustomDIBX& source, const Rect& src_rect, KeyMode key,
                         Flip flip, int alpha);
  virtual void DrawMaskAlpha(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                             Flip flip, const TCustomDIBX& mask, int alpha);
  // The colour key is honoured whatever `key` says.
  virtual void DrawAdd(int x, int y, const TCustomDIBX& source, const Rect& src_rect, KeyMode key,
                       Flip flip, int level);
  virtual void DrawMaskAdd(int x, int y, const TCustomDIBX& source, const Rect& src_rect, Flip flip,
                           const TCustomDIBX& mask, int level);
  // Solid colour through an 8-bit coverage mask.
  virtual void DrawColorMask(int x, int y, const TCustomDIBX& mask, const Rect& src_rect, Flip flip,
                             uint32_t value, int alpha);
  // Draw, DrawAlpha or DrawAdd chosen by a blend value.
  void DrawBlend(int x, int y, const TCustomDIBX& source, const Rect& src_rect, KeyMode key,
                 Flip flip, int blend);
  // DrawMask, DrawMaskAlpha or DrawMaskAdd chosen by a blend value.
  void DrawMaskBlend(int x, int y, const TCustomDIBX& source, const Rect& src_rect, Flip flip,
                     const TCustomDIBX& mask, int blend);

  // --- rotation with zoom (zoom 256 = 1:1, angle in 1/256 turns) ---
  virtual void DrawRotate(int dest_x, int dest_y, int zoom_x, int zoom_y, const TCustomDIBX& source,
                          const Rect& src_rect, int pivot_x, int pivot_y, int angle, KeyMode key,
                          Flip flip, int blend);
  virtual void DrawRotateMask(int dest_x, int dest_y, int zoom_x, int zoom_y,
                              const TCustomDIBX& source, const Rect& src_rect, int pivot_x,
                              int pivot_y, int angle, Flip flip, const TCustomDIBX& mask,
                              int blend);

  // --- stretching (nearest neighbour) ---
  // Alpha 255 copies.
  virtual void StretchAlpha(const Rect& dest_rect, const TCustomDIBX& source, const Rect& src_rect,
                            KeyMode key, Flip flip, int alpha);
  virtual void StretchMaskAlpha(const Rect& dest_rect, const TCustomDIBX& source,
                                const Rect& src_rect, Flip flip, const TCustomDIBX& mask,
                                int alpha);
  virtual void StretchAdd(const Rect& dest_rect, const TCustomDIBX& source, const Rect& src_rect,
                          KeyMode key, Flip flip, int level);
  virtual void StretchMaskAdd(const Rect& dest_rect, const TCustomDIBX& source,
                              const Rect& src_rect, Flip flip, const TCustomDIBX& mask, int level);

  // --- supersampled glyphs ---
  // 1-bit source, a 0 bit is ink; factor x factor source pixels per
  // destination pixel.
  virtual void DrawCoverage(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                            uint32_t value, Flip flip, int alpha, int factor);
  // 4-bit source whose two low bits pick body (1), edge (2) or shadow (3).
  virtual void DrawCoverage3(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                             const std::array<uint32_t, 3>& values, Flip flip, int blend,
                             int factor);

  // --- tiling ---
  virtual void Tile(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                    const Rect& src_rect, KeyMode key, int offset_x, int offset_y);
  virtual void TileAlpha(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                         const Rect& src_rect, KeyMode key, int alpha, int offset_x, int offset_y);
  virtual void TileAdd(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                       const Rect& src_rect, KeyMode key, int level, int offset_x, int offset_y);
  virtual void TileMask(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                        const Rect& src_rect, const TCustomDIBX& mask, int offset_x, int offset_y);
  virtual void TileMaskAlpha(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                             const Rect& src_rect, const TCustomDIBX& mask, int alpha, int offset_x,
                             int offset_y);
  virtual void TileMaskAdd(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                           const Rect& src_rect, const TCustomDIBX& mask, int level, int offset_x,
                           int offset_y);
  virtual void TileStretch(const Rect& dest_rect, int cell_width, int cell_height, int zoom_x,
                           int zoom_y, const TCustomDIBX& source, const Rect& src_rect, KeyMode key,
                           Flip flip, int blend, int offset_x, int offset_y);
  virtual void TileStretchMask(const Rect& dest_rect, int cell_width, int cell_height, int zoom_x,
                               int zoom_y, const TCustomDIBX& source, const Rect& src_rect,
                               const TCustomDIBX& mask, Flip flip, int blend, int offset_x,
                               int offset_y);

  // --- patterns ---
  virtual void FramePattern(const Rect& rect, int thickness, const TCustomDIBX& pattern,
                            int offset_x, int offset_y);
  virtual void FillPatternZoom(const Rect& dest_rect, int zoom_x, int zoom_y,
                               const TCustomDIBX& source, int offset_x, int offset_y, KeyMode key,
                               Flip flip, int blend);
  virtual void FillPatternZoomMask(const Rect& dest_rect, int zoom_x, int zoom_y,
                                   const TCustomDIBX& source, int offset_x, int offset_y, Flip flip,
                                   const TCustomDIBX& mask, int blend);
  virtual void FillPattern(const Rect& dest_rect, const TCustomDIBX& source, int offset_x,
                           int offset_y, Flip flip);

  // --- palette-driven drawing (palettes hold native values) ---
  virtual void DrawNibbles(int x, int y, const TCustomDIBX& source, const Rect& src_rect, Flip flip,
                           int blend, const std::array<uint32_t, 16>& palette);
  virtual void DrawIndexedAdd(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                              int threshold, Flip flip, int level,
                              const std::array<uint32_t, 256>& palette);
  virtual void StretchIndexedAdd(const Rect& dest_rect, const TCustomDIBX& source,
                                 const Rect& src_rect, int threshold, Flip flip, int level,
                                 const std::array<uint32_t, 256>& palette);

  // --- loading and saving ---
  // Only names ending in ".bmp" (any case); a missing file changes nothing.
  virtual bool LoadFromFile(const std::string& name, const FileReader& read);
  // "BM" -> Windows bitmap; "PNG" at offset 1 or "Orlo" -> `foreign`. The
  // surface takes the image's size and keeps its own bit count. Unknown
  // bytes leave it unchanged (false); a broken bitmap throws EGraphicsError.
  virtual bool LoadFromStream(std::span<const uint8_t> bytes, uint32_t scramble_seed,
                              const ForeignImageReader* foreign = nullptr);
  // Only names ending in ".bmp"; always written as a 24-bit bitmap.
  virtual bool SaveToFile(const std::string& name, const FileWriter& write) const;
  std::vector<uint8_t> SaveToBitmap() const;
  virtual void Clear() = 0;

  // --- colour table (surfaces of 8 bits and fewer) ---
  virtual void GetPalette(Palette& out) const;
  virtual void GetPaletteEntries(std::span<PaletteEntry> out, int first) const;
  virtual void SetPalette(const Palette& entries);
  virtual void SetPaletteEntries(std::span<const PaletteEntry> entries, int first);

  // Nearest-neighbour copy of src_rect into dest_rect of raw rows in the
  // given bit count (the presentation buffer), converting when the formats
  // differ.
  virtual void StretchTo(const PixelView& dest, const Rect& dest_rect, const Rect& src_rect) const;

  // Area lists taken over from image files; read by the image components.
  std::vector<Rect> FirstAreas;
  std::vector<Rect> SecondAreas;

 protected:
  // Surfaces move (a concrete class may allow it); they never copy
  // implicitly: Assign is the copy.
  TCustomDIBX(TCustomDIBX&&) = default;
  TCustomDIBX& operator=(TCustomDIBX&&) = default;
  void SetDimensions(int width_px, int height_px) {
    width_px_ = width_px;
    height_px_ = height_px;
  }
  // ClipRect limited to the surface: what a drawing call may touch.
  Rect DrawableRect() const { return ClipRect().Intersect(BoundsRect()); }

 private:
  Rect clip_{};
  int32_t color_key_ = -1;
  int height_px_ = 0;
  int width_px_ = 0;
};

// Pixels in process memory, rows top to bottom, each padded to 4 bytes.
class TDIBX : public TCustomDIBX {
 public:
  TDIBX() = default;
  TDIBX(int width_px, int height_px, int bit_count) { SetSize(width_px, height_px, bit_count); }
  TDIBX(TDIBX&&) = default;
  TDIBX& operator=(TDIBX&&) = default;

  int BitCount() const override { return bit_count_; }
  // Keeps the size; the pixels are discarded.
  void SetBitCount(int bit_count) override;
  uint32_t RedMask() const override;
  uint32_t GreenMask() const override;
  uint32_t BlueMask() const override;
  ptrdiff_t Stride() const override { return stride_bytes_; }
  int BlueShift() const override;
  int GreenShift() const override;
  int RedShift() const override;
  int RawBitCount() const override { return bit_count_ == 15 ? 16 : bit_count_; }
  std::unique_ptr<TCustomDIBX> Create() const override { return std::make_unique<TDIBX>(); }
  // bit_count 0 keeps the current one. Throws EGraphicsError for negative or
  // absurd sizes and unknown bit counts.
  void SetSize(int width_px, int height_px, int bit_count) override;
  PixelView View() override;
  ConstPixelView View() const override;
  int32_t ColorToPixel(int32_t color) const override;
  // The whole memory, regardless of the clip rectangle.
  void Fill(uint32_t value) override;
  void Clear() override;
  void GetPalette(Palette& out) const override { out = palette_; }
  void GetPaletteEntries(std::span<PaletteEntry> out, int first) const override;
  void SetPalette(const Palette& entries) override { palette_ = entries; }
  void SetPaletteEntries(std::span<const PaletteEntry> entries, int first) override;

  // Largest surface accepted, per side and in bytes.
  static constexpr int kMaxSidePx = 32768;
  static constexpr size_t kMaxBytes = size_t{1} << 30;

 private:
  void Allocate(int width_px, int height_px, int bit_count);

  int bit_count_ = 32;
  ptrdiff_t stride_bytes_ = 0;
  std::vector<uint8_t> pixels_;
  Palette palette_{};
};

// No pixels of its own: every drawing call goes to the target, each
// destination row shifted right by its row offset. Coordinates are the
// target's; row y uses offset y - origin_y and rows outside the offset array
// are not drawn.
class TDIBXWave : public TCustomDIBX {
 public:
  TDIBXWave() = default;

  void SetTarget(TCustomDIBX* target) { target_ = target; }
  TCustomDIBX* Target() const override { return target_; }
  void SetOrigin(int origin_x, int origin_y) {
    origin_x_ = origin_x;
    origin_y_ = origin_y;
  }
  // One offset per row, resized by SetSize.
  std::vector<int32_t>& RowOffsets() { return row_offsets_; }
  const std::vector<int32_t>& RowOffsets() const { return row_offsets_; }

  int BitCount() const override { return target_ ? target_->BitCount() : 0; }
  int RawBitCount() const override { return target_ ? target_->RawBitCount() : 0; }
  int32_t ColorToPixel(int32_t color) const override;
  std::unique_ptr<TCustomDIBX> Create() const override { return std::make_unique<TDIBXWave>(); }
  void SetSize(int width_px, int height_px, int bit_count) override;
  void Clear() override { SetSize(0, 0, 0); }
  uint32_t GetPixel(int x, int y) const override;
  void SetPixel(int x, int y, uint32_t value) override;
  void ResetClip() override;
  void UnionClip(const Rect& rect) override;

  void Fill(uint32_t value) override;
  void FillRect(const Rect& rect, uint32_t value) override;
  void FillRectAlpha(const Rect& rect, uint32_t value, int alpha) override;
  void FillRectAdd(const Rect& rect, uint32_t value) override;
  void FillRectSub(const Rect& rect, uint32_t value) override;
  void Draw(int x, int y, const TCustomDIBX& source, const Rect& src_rect, KeyMode key,
            Flip flip) override;
  void DrawMask(int x, int y, const TCustomDIBX& source, const Rect& src_rect, Flip flip,
                const TCustomDIBX& mask) override;
  void DrawAlpha(int x, int y, const TCustomDIBX& source, const Rect& src_rect, KeyMode key,
                 Flip flip, int alpha) override;
  void DrawMaskAlpha(int x, int y, const TCustomDIBX& source, const Rect& src_rect, Flip flip,
                     const TCustomDIBX& mask, int alpha) override;
  void DrawAdd(int x, int y, const TCustomDIBX& source, const Rect& src_rect, KeyMode key,
               Flip flip, int level) override;
  void DrawMaskAdd(int x, int y, const TCustomDIBX& source, const Rect& src_rect, Flip flip,
                   const TCustomDIBX& mask, int level) override;
  void DrawColorMask(int x, int y, const TCustomDIBX& mask, const Rect& src_rect, Flip flip,
                     uint32_t value, int alpha) override;
  void DrawRotate(int dest_x, int dest_y, int zoom_x, int zoom_y, const TCustomDIBX& source,
                  const Rect& src_rect, int pivot_x, int pivot_y, int angle, KeyMode key, Flip flip,
                  int blend) override;
  void DrawRotateMask(int dest_x, int dest_y, int zoom_x, int zoom_y, const TCustomDIBX& source,
                      const Rect& src_rect, int pivot_x, int pivot_y, int angle, Flip flip,
                      const TCustomDIBX& mask, int blend) override;
  void StretchAlpha(const Rect& dest_rect, const TCustomDIBX& source, const Rect& src_rect,
                    KeyMode key, Flip flip, int alpha) override;
  void StretchMaskAlpha(const Rect& dest_rect, const TCustomDIBX& source, const Rect& src_rect,
                        Flip flip, const TCustomDIBX& mask, int alpha) override;
  void StretchAdd(const Rect& dest_rect, const TCustomDIBX& source, const Rect& src_rect,
                  KeyMode key, Flip flip, int level) override;
  void StretchMaskAdd(const Rect& dest_rect, const TCustomDIBX& source, const Rect& src_rect,
                      Flip flip, const TCustomDIBX& mask, int level) override;
  void DrawCoverage(int x, int y, const TCustomDIBX& source, const Rect& src_rect, uint32_t value,
                    Flip flip, int alpha, int factor) override;
  void DrawCoverage3(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                     const std::array<uint32_t, 3>& values, Flip flip, int blend,
                     int factor) override;
  void Tile(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
            const Rect& src_rect, KeyMode key, int offset_x, int offset_y) override;
  void TileAlpha(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                 const Rect& src_rect, KeyMode key, int alpha, int offset_x, int offset_y) override;
  void TileAdd(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
               const Rect& src_rect, KeyMode key, int level, int offset_x, int offset_y) override;
  void TileMask(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                const Rect& src_rect, const TCustomDIBX& mask, int offset_x, int offset_y) override;
  void TileMaskAlpha(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                     const Rect& src_rect, const TCustomDIBX& mask, int alpha, int offset_x,
                     int offset_y) override;
  void TileMaskAdd(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                   const Rect& src_rect, const TCustomDIBX& mask, int level, int offset_x,
                   int offset_y) override;
  void TileStretch(const Rect& dest_rect, int cell_width, int cell_height, int zoom_x, int zoom_y,
                   const TCustomDIBX& source, const Rect& src_rect, KeyMode key, Flip flip,
                   int blend, int offset_x, int offset_y) override;
  void TileStretchMask(const Rect& dest_rect, int cell_width, int cell_height, int zoom_x,
                       int zoom_y, const TCustomDIBX& source, const Rect& src_rect,
                       const TCustomDIBX& mask, Flip flip, int blend, int offset_x,
                       int offset_y) override;
  void FramePattern(const Rect& rect, int thickness, const TCustomDIBX& pattern, int offset_x,
                    int offset_y) override;
  void FillPatternZoom(const Rect& dest_rect, int zoom_x, int zoom_y, const TCustomDIBX& source,
                       int offset_x, int offset_y, KeyMode key, Flip flip, int blend) override;
  void FillPatternZoomMask(const Rect& dest_rect, int zoom_x, int zoom_y, const TCustomDIBX& source,
                           int offset_x, int offset_y, Flip flip, const TCustomDIBX& mask,
                           int blend) override;
  void FillPattern(const Rect& dest_rect, const TCustomDIBX& source, int offset_x, int offset_y,
                   Flip flip) override;
  void DrawNibbles(int x, int y, const TCustomDIBX& source, const Rect& src_rect, Flip flip,
                   int blend, const std::array<uint32_t, 16>& palette) override;
  void DrawIndexedAdd(int x, int y, const TCustomDIBX& source, const Rect& src_rect, int threshold,
                      Flip flip, int level, const std::array<uint32_t, 256>& palette) override;
  void StretchIndexedAdd(const Rect& dest_rect, const TCustomDIBX& source, const Rect& src_rect,
                         int threshold, Flip flip, int level,
                         const std::array<uint32_t, 256>& palette) override;

 private:
  // Runs `draw` once per run of rows with equal offset, with the target's
  // clip rectangle narrowed to those rows (and to this proxy's clip) and the
  // offset to add to every x. The target's clip rectangle is restored after.
  void ForEachRun(int64_t top, int64_t bottom, const std::function<void(int offset)>& draw);
  // Rows [top, bottom) a whole-surface drawing call may reach.
  Rect ProxyRows() const;

  Rect saved_target_clip_{};
  TCustomDIBX* target_ = nullptr;
  std::vector<int32_t> row_offsets_;
  int origin_x_ = 0;
  int origin_y_ = 0;
};

// Channel-widening tables of the bitmap conversions: a 5- or 6-bit channel
// value to 8 bits with the high bits repeated (31 -> 255).
extern const std::array<uint8_t, 32> kExpand5To8;
extern const std::array<uint8_t, 64> kExpand6To8;

// Native value of a surface format -> colour value 0x00BBGGRR (palette
// lookup for 8 bits and fewer), and back (grey level for 8 bits and fewer).
int32_t NativeToColor(uint32_t value, int bit_count, const PaletteEntry* palette);
uint32_t ColorToNative(int32_t color, int bit_count);

}  // namespace vesk::graphics
