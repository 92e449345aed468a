#pragma once
// The layered, animated image format ("Orlo" + three digits, files ".orl")
// and the other picture inputs (PNG, Windows bitmaps) read into composed
// frames: one decoding bitmap per frame with an optional 8-bit mask, a colour
// key, a frame time and two area lists. The image cache turns frames into
// drawing surfaces with AssignTo / MaskTo.
//
// Hostile files (cut short, absurd sizes, counts or block references) raise
// EGraphicsError naming what was wrong; the frames completed before the
// fault stay in the list.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "graphics/dibsfc.h"

namespace vesk::graphics {

// How layer pixels are stored.
enum class OrloCompression : uint8_t { kZlib = 0, kNone = 1, kJpeg = 2 };

// The decoding bitmap: a surface of 1, 4, 8, 15/16, 24 or 32 bits with its
// colour table, plus an optional 8-bit mask of the same size (0 transparent,
// 255 opaque).
class TDIBSurface : public TDIBX {
 public:
  TDIBSurface() = default;
  TDIBSurface(int width_px, int height_px, int bit_count) : TDIBX(width_px, height_px, bit_count) {}
  TDIBSurface(TDIBSurface&&) = default;
  TDIBSurface& operator=(TDIBSurface&&) = default;

  bool HasMask() const { return mask_ != nullptr; }
  TDIBX* Mask() { return mask_.get(); }
  const TDIBX* Mask() const { return mask_.get(); }
  // A new mask of the bitmap's size, every value `fill`.
  TDIBX& CreateMask(uint8_t fill);
  void SetMask(std::unique_ptr<TDIBX> mask) { mask_ = std::move(mask); }
  std::unique_ptr<TDIBX> TakeMask() { return std::move(mask_); }

  // Takes pixels, colour table and mask of `other` (which is left empty).
  void TakeFrom(TDIBSurface&& other) { *this = std::move(other); }

 private:
  std::unique_ptr<TDIBX> mask_;
};

class TOrloFrame;

class TOrloLayer {
 public:
  TOrloFrame* Owner = nullptr;
  TDIBSurface Bitmap;  // frame size and bit count; mask when the file has one
  bool Visible = true;
  int32_t ColorKey = -1;  // palette index or native value, -1 none
  int32_t Opacity = 255;  // 0 .. 255
  bool AlphaEnabled = false;
};

class TOrloFrame {
 public:
  // The composed picture and its mask.
  TDIBSurface Bitmap;
  // As read: palette index for frames of 8 bits or fewer, native value
  // otherwise (after a paletted frame is widened to 24 bits: the 24-bit
  // value of the key colour); -1 none.
  int32_t ColorKey = -1;
  // The same key as colour value 0x00BBGGRR; -1 none.
  int32_t ColorKeyColor = -1;
  // Milliseconds this frame shows.
  int32_t FrameTime = 0;
  std::vector<Rect> FirstAreas;
  std::vector<Rect> SecondAreas;
  // Only while the file is being read: later layers copy blocks from them.
  std::vector<std::unique_ptr<TOrloLayer>> Layers;

  int Width() const { return Bitmap.Width(); }
  int Height() const { return Bitmap.Height(); }
  bool HasMask() const { return Bitmap.HasMask(); }

  // Cuts the frame (and its mask and areas) to the bounding box of its
  // visible pixels: mask not 0 when it has a mask, else pixels other than
  // the colour key. Returns where the kept part lay in the frame before:
  // the whole frame when nothing was cut (no mask and no key, nothing
  // visible, or everything visible).
  Rect Trim();
};

// What a frame list reads: a whole layered image, a PNG, a bitmap.
class TOrloFrameList {
 public:
  explicit TOrloFrameList(uint32_t scramble_seed = 0) : ScrambleSeed(scramble_seed) {}

  // Header fields of the last file read.
  int32_t Version = 0;          // 0 when the file has no magic
  int32_t BackgroundColor = 0;  // 0x00BBGGRR
  bool OpaqueBottom = false;
  // The file ended before everything it announced: the frames read so far
  // (the last one as far as it was decoded) are what there is.
  bool Truncated = false;
  // Set by the user before loading.
  int TargetBitCount = 0;     // 0 keeps the decoded bit count
  uint32_t ScrambleSeed = 0;  // the project's image seed
  // Upper bound for all bitmaps a load may allocate (frames, layers,
  // masks): a small file must not make us allocate gigabytes.
  size_t MaxDecodedBytes = size_t{1} << 30;

  std::vector<std::unique_ptr<TOrloFrame>> Frames;
  int Count() const { return int(Frames.size()); }
  TOrloFrame& Frame(int i) { return *Frames[size_t(i)]; }
  const TOrloFrame& Frame(int i) const { return *Frames[size_t(i)]; }
  void Clear() { Frames.clear(); }

  // Reads a layered image; a stream without the magic is read as version 0.
  // With first_frame_only at most one frame is read.
  void LoadFromStream(std::span<const uint8_t> bytes, bool first_frame_only = false);
  // Picks the reader by the name's extension (any case): ".orl" layered
  // image, ".png" one frame through libpng, ".bmp"/".dib" one frame as a
  // Windows bitmap. Other extensions load nothing (false).
  bool LoadFromBytes(const std::string& name, std::span<const uint8_t> bytes,
                     bool first_frame_only = false);
  // Reads the file through `read`; false when it is missing or its
  // extension is not one of the above.
  bool LoadFromFile(const std::string& name, const FileReader& read, bool first_frame_only = false);

  // Every frame without a mask gets one: 255, and 0 where the pixel equals
  // the frame's colour key.
  void MakeKeyMasks();

 private:
  friend class OrloReader;
  // Reduction / widening after a frame is composed.
  void FinishFrame(TOrloFrame& frame) const;
};

// True when the bytes start a layered image of version 103 or later whose
// layers are stored uncompressed (the archive writer compresses those).
bool IsPlainOrlo(std::span<const uint8_t> bytes);

// The frame into a surface of the surface's own bit count, with its area
// lists. The caller sets the surface's colour key from ColorKeyColor.
void AssignTo(const TOrloFrame& frame, TCustomDIBX& surface);
// The frame's mask into an 8-bit surface of the frame's size (nothing when
// the frame has no mask: false).
bool MaskTo(const TOrloFrame& frame, TDIBX& mask);

// Converts a decoded picture to `bit_count` keeping its mask (colour
// formats by channels, to paletted formats through the nearest entry of a
// grey table).
void ConvertBitCount(TDIBSurface& image, int bit_count);

}  // namespace vesk::graphics
