#pragma once
// TOrloCollection: the program-wide cache of decoded pictures. Components
// that show the same file with the same options share one TOrloItem; an
// item nobody shows any more waits on the idle list for reuse until the
// idle pictures together exceed a byte budget.
//
// The cache does not decode anything itself: the player hands it the file
// access and the decoder through PictureServices, so the cache works with
// any decoder (and tests give it fake ones).
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "graphics/dibsfc.h"
#include "storage/hash.h"

namespace vesk::components {

// One frame as a decoder delivers it.
struct DecodedFrame {
  std::unique_ptr<graphics::TDIBX> surface;
  std::unique_ptr<graphics::TDIBX> mask;  // 8-bit, 0 transparent .. 255 opaque; may be absent
  int32_t color_key = -1;  // colour value 0x00BBGGRR of the transparent colour; -1 none
  int32_t delay_ms = 0;
  int32_t offset_x = 0, offset_y = 0;  // origin of the frame inside the full picture
};

// What the cache needs from the program. Names are CP932 file names as the
// game's files know them.
struct PictureServices {
  // Whether the file exists (the project also asks for a changed disc here).
  std::function<bool(const std::string& name)> file_available;
  std::function<std::optional<std::vector<uint8_t>>(const std::string& name)> read_file;
  // All frames of a picture in `bit_count` bits. With `want_masks` every
  // frame should carry a mask (the cache makes missing ones from the colour
  // key); `dither` asks for dithering down to the bit count.
  // The file name says the format (its extension).
  std::function<std::vector<DecodedFrame>(const std::string& name, std::span<const uint8_t> bytes,
                                          int bit_count, bool want_masks, bool dither)>
      decode;
  // The screen's working bit count (15, 16 or 32).
  int bit_count = 32;
};

class TOrloItemFrame {
 public:
  std::unique_ptr<graphics::TDIBX> Surface;  // colour key set with ColorToPixel(ColorKey)
  std::unique_ptr<graphics::TDIBX> Mask;     // 8-bit or none
  int32_t ColorKey = -1;                     // colour value; -1 none
  int32_t Delay = 1;                         // milliseconds, at least 1
  int32_t OffsetX = 0, OffsetY = 0;          // only for items acquired with offsets
};

class TOrloItem : public storage::THashCollectionItem {
 public:
  int32_t Width = 0, Height = 0;  // of the first frame
  int32_t Total = 0;              // sum of the delays
  // The file could not be had: the one frame is an empty stand-in.
  bool Blank = false;
  std::vector<TOrloItemFrame> Frames;
  // Counts reloads of the pixels (dither or display changes): whoever keeps
  // something made from the frames compares it to rebuild.
  uint32_t Generation = 0;

  const std::string& FileName() const { return file_; }
  bool WantsMasks() const { return want_masks_; }
  bool WantsOffsets() const { return want_offsets_; }
  // Users, one entry per Acquire not yet released.
  const std::vector<const void*>& Users() const { return users_; }
  // Pixel bytes of every frame surface and mask.
  size_t PixelBytes() const;
  int32_t Count() const { return static_cast<int32_t>(Frames.size()); }

 private:
  friend class TOrloCollection;
  std::string file_;
  bool want_masks_ = false, want_offsets_ = false;
  std::vector<const void*> users_;
};

class TOrloCollection {
 public:
  explicit TOrloCollection(PictureServices services = {});
  ~TOrloCollection();
  TOrloCollection(const TOrloCollection&) = delete;
  TOrloCollection& operator=(const TOrloCollection&) = delete;

  // Idle pictures are kept while together they take at most this many bytes.
  static constexpr size_t kIdleByteBudget = 5760000;

  // The cache key: the file name, "?m" with masks, "?t" with offsets.
  static std::string KeyOf(const std::string& file, bool want_offsets, bool want_masks);

  // The item of the file with these options (decoded now when new; a blank
  // 8 x 8 frame when the file cannot be had), with `owner` added to its
  // users and taken off the idle list. Never null.
  TOrloItem* Acquire(const void* owner, const std::string& file, bool want_offsets,
                     bool want_masks);
  // Gives one acquisition back; an item without users goes idle.
  void Release(TOrloItem* item, const void* owner);

  // @CGDither: changing it decodes every picture again.
  bool Dither() const { return dither_; }
  void SetDither(bool dither);
  // Around a display-mode change: the pixels are decoded again in the new
  // working bit count once the display is back.
  void ReleaseSurfaces() {}
  void RestoreSurfaces(int bit_count);
  int BitCount() const { return services_.bit_count; }

  PictureServices& Services() { return services_; }
  int Count() const { return items_.Count(); }
  TOrloItem* Find(const std::string& key) const;
  int IdleCount() const { return static_cast<int>(idle_.size()); }
  size_t IdleBytes() const;
  bool IsIdle(const TOrloItem* item) const;

 private:
  void Load(TOrloItem& item);
  void TrimIdle();
  void Destroy(TOrloItem* item);

  PictureServices services_;
  storage::THashCollection items_;
  std::deque<TOrloItem*> idle_;  // oldest first
  bool dither_ = false;
};

}  // namespace vesk::components
