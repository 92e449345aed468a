#pragma once
// TVeskImageList: the frames of one picture as one component shows them.
// It holds the cache item it acquired, one TVeskImageData per frame (with a
// private brightness-adjusted copy when the frame is shown brighter or
// darker) and its own frame timing.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "components/orlo_collection.h"

namespace vesk::components {

// Adds (brightness > 0) or subtracts (< 0) the grey |brightness| on every
// pixel, with saturation. A colour key moves with its pixels, and when the
// moved key would collide with a pixel that was not transparent (all black
// at -255) a free value is taken instead, so transparency is kept exactly.
void ApplyBrightness(graphics::TCustomDIBX& image, int32_t brightness);

class TVeskImageData {
 public:
  TVeskImageData(TOrloItem* item, int32_t index) : item_(item), index_(index) {}

  // The frame of the cache item, or null when the item lost it.
  const TOrloItemFrame* Frame() const;
  // What to draw for `brightness` (-255..255; 0 the shared frame): the copy
  // is made on first use and kept while the brightness and the pixels stay.
  const graphics::TCustomDIBX* Surface(int32_t brightness);
  const graphics::TDIBX* Mask() const;
  int32_t Delay() const;
  void DropCopy() { copy_.reset(); }
  bool HasCopy() const { return copy_ != nullptr; }

 private:
  TOrloItem* item_;
  int32_t index_;
  std::unique_ptr<graphics::TDIBX> copy_;
  int32_t copy_brightness_ = 0;
  uint32_t copy_generation_ = 0;
};

class TVeskImageList {
 public:
  TVeskImageList() = default;
  ~TVeskImageList() { Clear(); }
  TVeskImageList(const TVeskImageList&) = delete;
  TVeskImageList& operator=(const TVeskImageList&) = delete;

  // Gives the previous picture back and shows `file` from `pictures` (no
  // cache: nothing); index 0, Remaining := Delay(0) + 1.
  void Load(TOrloCollection* pictures, const void* owner, const std::string& file, bool want_masks,
            bool want_offsets = false);
  void Clear();

  int32_t Count() const { return static_cast<int32_t>(data_.size()); }
  bool Valid(int32_t i) const { return i >= 0 && i < Count(); }
  TVeskImageData& Data(int32_t i) { return data_[static_cast<size_t>(i)]; }
  int32_t Delay(int32_t i) const { return Valid(i) ? data_[static_cast<size_t>(i)].Delay() : 1; }
  TOrloItem* Item() const { return item_; }
  const std::string& File() const { return file_; }

  int32_t Index = 0;
  int32_t Remaining = 0;  // milliseconds until the next frame
  // index := min(i, count - 1); Remaining := Delay + 1.
  void SetFrame(int32_t i);
  // One frame of the list's own timing; true when the frame changed.
  bool Advance(int32_t elapsed_ms);

  // Brightness copies go before a display-mode change and come back with
  // the frames' new pixels on first use.
  void ReleaseSurfaces();
  void RestoreSurfaces() {}

 private:
  TOrloCollection* pictures_ = nullptr;
  const void* owner_ = nullptr;
  TOrloItem* item_ = nullptr;
  std::string file_;
  std::vector<TVeskImageData> data_;
};

}  // namespace vesk::components
