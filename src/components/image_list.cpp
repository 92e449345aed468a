#include "components/image_list.h"

#include <algorithm>
#include <cstdlib>

namespace vesk::components {

namespace {

void Shade(graphics::TCustomDIBX& image, int32_t brightness, uint32_t grey) {
  const Rect saved = image.HasClipRect() ? image.ClipRect() : Rect{};
  image.ResetClip();
  if (brightness > 0)
    image.FillRectAdd(image.BoundsRect(), grey);
  else
    image.FillRectSub(image.BoundsRect(), grey);
  image.SetClipRect(saved);
}

}  // namespace

void ApplyBrightness(graphics::TCustomDIBX& image, int32_t brightness) {
  brightness = std::clamp(brightness, -255, 255);
  if (brightness == 0 || image.IsEmpty()) return;
  const int32_t g = std::abs(brightness);
  const auto grey = static_cast<uint32_t>(image.ColorToPixel(g | g << 8 | g << 16));
  const int w = image.Width(), h = image.Height();
  const int32_t key = image.ColorKey();
  std::vector<bool> keyed;
  if (key >= 0) {
    keyed.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        keyed[static_cast<size_t>(y) * w + x] = image.GetPixel(x, y) == static_cast<uint32_t>(key);
  }
  Shade(image, brightness, grey);
  if (key < 0) return;

  // The key goes through the same shading as the pixels it marks.
  graphics::TDIBX probe(1, 1, image.BitCount());
  probe.SetPixel(0, 0, static_cast<uint32_t>(key));
  Shade(probe, brightness, grey);
  uint32_t moved = probe.GetPixel(0, 0);

  // Shading can bring visible pixels onto the moved key (everything is
  // black at -255); they would vanish, so the key takes a free value.
  bool collides = false;
  for (int y = 0; y < h && !collides; ++y)
    for (int x = 0; x < w; ++x)
      if (!keyed[static_cast<size_t>(y) * w + x] && image.GetPixel(x, y) == moved) {
        collides = true;
        break;
      }
  if (collides) {
    std::vector<uint32_t> used;
    used.reserve(keyed.size());
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (!keyed[static_cast<size_t>(y) * w + x]) used.push_back(image.GetPixel(x, y));
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    moved = 0;
    for (uint32_t v : used) {
      if (v != moved) break;
      ++moved;
    }
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (keyed[static_cast<size_t>(y) * w + x]) image.SetPixel(x, y, moved);
  image.SetColorKey(static_cast<int32_t>(moved));
}

// ---- TVeskImageData ---------------------------------------------------------

const TOrloItemFrame* TVeskImageData::Frame() const {
  if (!item_ || index_ < 0 || index_ >= item_->Count()) return nullptr;
  return &item_->Frames[static_cast<size_t>(index_)];
}

const graphics::TCustomDIBX* TVeskImageData::Surface(int32_t brightness) {
  const TOrloItemFrame* frame = Frame();
  if (!frame || !frame->Surface) return nullptr;
  brightness = std::clamp(brightness, -255, 255);
  if (brightness == 0) return frame->Surface.get();
  if (!copy_ || copy_brightness_ != brightness || copy_generation_ != item_->Generation) {
    auto copy = std::make_unique<graphics::TDIBX>();
    copy->Assign(*frame->Surface);
    copy->SetColorKey(frame->Surface->ColorKey());
    ApplyBrightness(*copy, brightness);
    copy_ = std::move(copy);
    copy_brightness_ = brightness;
    copy_generation_ = item_->Generation;
  }
  return copy_.get();
}

const graphics::TDIBX* TVeskImageData::Mask() const {
  const TOrloItemFrame* frame = Frame();
  return frame ? frame->Mask.get() : nullptr;
}

int32_t TVeskImageData::Delay() const {
  const TOrloItemFrame* frame = Frame();
  return frame ? frame->Delay : 1;
}

// ---- TVeskImageList ---------------------------------------------------------

void TVeskImageList::Load(TOrloCollection* pictures, const void* owner, const std::string& file,
                          bool want_masks, bool want_offsets) {
  Clear();
  file_ = file;
  if (!pictures) return;
  pictures_ = pictures;
  owner_ = owner;
  item_ = pictures->Acquire(owner, file, want_offsets, want_masks);
  data_.reserve(item_->Frames.size());
  for (int32_t i = 0; i < item_->Count(); ++i) data_.emplace_back(item_, i);
  Index = 0;
  Remaining = Delay(0) + 1;
}

void TVeskImageList::Clear() {
  data_.clear();
  if (item_ && pictures_) pictures_->Release(item_, owner_);
  item_ = nullptr;
  pictures_ = nullptr;
  owner_ = nullptr;
  file_.clear();
  Index = 0;
  Remaining = 0;
}

void TVeskImageList::SetFrame(int32_t i) {
  Index = std::max(0, std::min(i, Count() - 1));
  Remaining = Delay(Index) + 1;
}

bool TVeskImageList::Advance(int32_t elapsed_ms) {
  if (Count() <= 1) return false;
  if (!Valid(Index)) Index = 0;
  bool changed = false;
  Remaining -= elapsed_ms;
  while (Remaining < 1) {
    changed = true;
    Index = (Index + 1) % Count();
    if (Index == 0) {
      Remaining = Delay(0);
      break;
    }
    Remaining += Delay(Index);
  }
  return changed;
}

void TVeskImageList::ReleaseSurfaces() {
  for (TVeskImageData& d : data_) d.DropCopy();
}

}  // namespace vesk::components
