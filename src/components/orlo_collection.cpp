#include "components/orlo_collection.h"

#include <algorithm>
#include <climits>
#include <exception>

namespace vesk::components {

namespace {

using graphics::TDIBX;

constexpr int kBlankSide = 8;

size_t SurfaceBytes(const graphics::TCustomDIBX* s) {
  if (!s) return 0;
  return static_cast<size_t>(s->Width()) * static_cast<size_t>(s->Height()) *
         static_cast<size_t>(s->BytesPerPixel());
}

// A decoder may answer in another bit count than asked; the drawing code
// never converts, so the frame is brought to the working format here.
std::unique_ptr<TDIBX> ToBitCount(std::unique_ptr<TDIBX> source, int bit_count) {
  if (!source || source->BitCount() == bit_count) return source;
  auto out = std::make_unique<TDIBX>(source->Width(), source->Height(), bit_count);
  graphics::Palette palette{};
  source->GetPalette(palette);
  const int from = source->BitCount();
  for (int y = 0; y < source->Height(); ++y)
    for (int x = 0; x < source->Width(); ++x)
      out->SetPixel(
          x, y,
          graphics::ColorToNative(
              graphics::NativeToColor(source->GetPixel(x, y), from, palette.data()), bit_count));
  return out;
}

// A mask from the colour key: opaque everywhere but on key pixels.
std::unique_ptr<TDIBX> KeyMask(const TDIBX& surface) {
  auto mask = std::make_unique<TDIBX>(surface.Width(), surface.Height(), 8);
  mask->Fill(255);
  const int32_t key = surface.ColorKey();
  if (key < 0) return mask;
  for (int y = 0; y < surface.Height(); ++y)
    for (int x = 0; x < surface.Width(); ++x)
      if (surface.GetPixel(x, y) == static_cast<uint32_t>(key)) mask->SetPixel(x, y, 0);
  return mask;
}

std::unique_ptr<TDIBX> Crop(const TDIBX& source, const Rect& box) {
  auto out = std::make_unique<TDIBX>(box.Width(), box.Height(), source.BitCount());
  graphics::Palette palette{};
  source.GetPalette(palette);
  out->SetPalette(palette);
  out->SetColorKey(source.ColorKey());
  for (int y = 0; y < box.Height(); ++y)
    for (int x = 0; x < box.Width(); ++x)
      out->SetPixel(x, y, source.GetPixel(box.left + x, box.top + y));
  return out;
}

std::vector<Rect> MoveAreas(const std::vector<Rect>& areas, const Rect& box) {
  std::vector<Rect> out;
  for (const Rect& r : areas) {
    const Rect cut = r.Intersect(box);
    if (cut.IsEmpty()) continue;
    out.push_back(
        {cut.left - box.left, cut.top - box.top, cut.right - box.left, cut.bottom - box.top});
  }
  return out;
}

// Cuts the frame to its visible pixels (mask above 0, or not the colour
// key); the cut-off origin is added to the frame's offset so it is still
// drawn where it was.
void Trim(TOrloItemFrame& frame) {
  TDIBX& s = *frame.Surface;
  const bool by_mask = frame.Mask != nullptr;
  if (!by_mask && s.ColorKey() < 0) return;
  Rect box{s.Width(), s.Height(), 0, 0};
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) {
      const bool visible = by_mask ? frame.Mask->GetPixel(x, y) != 0
                                   : s.GetPixel(x, y) != static_cast<uint32_t>(s.ColorKey());
      if (!visible) continue;
      box.left = std::min(box.left, x);
      box.top = std::min(box.top, y);
      box.right = std::max(box.right, x + 1);
      box.bottom = std::max(box.bottom, y + 1);
    }
  if (box.IsEmpty() || box == s.BoundsRect()) return;
  auto cut = Crop(s, box);
  cut->FirstAreas = MoveAreas(s.FirstAreas, box);
  cut->SecondAreas = MoveAreas(s.SecondAreas, box);
  frame.Surface = std::move(cut);
  if (frame.Mask) frame.Mask = Crop(*frame.Mask, box);
  frame.OffsetX += box.left;
  frame.OffsetY += box.top;
}

}  // namespace

size_t TOrloItem::PixelBytes() const {
  size_t total = 0;
  for (const TOrloItemFrame& f : Frames)
    total += SurfaceBytes(f.Surface.get()) + SurfaceBytes(f.Mask.get());
  return total;
}

TOrloCollection::TOrloCollection(PictureServices services) : services_(std::move(services)) {}

TOrloCollection::~TOrloCollection() = default;

std::string TOrloCollection::KeyOf(const std::string& file, bool want_offsets, bool want_masks) {
  return file + (want_masks ? "?m" : "") + (want_offsets ? "?t" : "");
}

TOrloItem* TOrloCollection::Find(const std::string& key) const {
  return static_cast<TOrloItem*>(items_.Find(key));
}

TOrloItem* TOrloCollection::Acquire(const void* owner, const std::string& file, bool want_offsets,
                                    bool want_masks) {
  const std::string key = KeyOf(file, want_offsets, want_masks);
  TOrloItem* item = Find(key);
  if (!item) {
    auto fresh = std::make_unique<TOrloItem>();
    fresh->SetName(key);
    fresh->file_ = file;
    fresh->want_masks_ = want_masks;
    fresh->want_offsets_ = want_offsets;
    item = static_cast<TOrloItem*>(items_.Add(std::move(fresh)));
    Load(*item);
  }
  item->users_.push_back(owner);
  std::erase(idle_, item);
  return item;
}

void TOrloCollection::Release(TOrloItem* item, const void* owner) {
  if (!item) return;
  auto it = std::find(item->users_.begin(), item->users_.end(), owner);
  if (it == item->users_.end()) return;
  item->users_.erase(it);
  if (!item->users_.empty()) return;
  idle_.push_back(item);
  TrimIdle();
}

size_t TOrloCollection::IdleBytes() const {
  size_t total = 0;
  for (const TOrloItem* item : idle_) total += item->PixelBytes();
  return total;
}

bool TOrloCollection::IsIdle(const TOrloItem* item) const {
  return std::find(idle_.begin(), idle_.end(), item) != idle_.end();
}

void TOrloCollection::TrimIdle() {
  while (idle_.size() > 1 && IdleBytes() > kIdleByteBudget) {
    TOrloItem* oldest = idle_.front();
    idle_.pop_front();
    Destroy(oldest);
  }
}

void TOrloCollection::Destroy(TOrloItem* item) {
  items_.Delete(items_.IndexOfItem(item));
}

void TOrloCollection::SetDither(bool dither) {
  if (dither == dither_) return;
  dither_ = dither;
  for (int i = 0; i < items_.Count(); ++i) Load(*static_cast<TOrloItem*>(items_.At(i)));
}

void TOrloCollection::RestoreSurfaces(int bit_count) {
  if (bit_count > 0) services_.bit_count = bit_count;
  for (int i = 0; i < items_.Count(); ++i) Load(*static_cast<TOrloItem*>(items_.At(i)));
}

void TOrloCollection::Load(TOrloItem& item) {
  const int bits = services_.bit_count;
  std::vector<DecodedFrame> decoded;
  if (services_.file_available && services_.read_file && services_.decode &&
      services_.file_available(item.file_)) {
    if (auto bytes = services_.read_file(item.file_)) {
      try {
        decoded = services_.decode(item.file_, *bytes, bits, item.want_masks_, dither_);
      } catch (const std::exception&) {
        decoded.clear();  // a broken picture shows as a missing one
      }
    }
  }
  std::erase_if(decoded, [](const DecodedFrame& f) { return !f.surface || f.surface->IsEmpty(); });

  item.Frames.clear();
  item.Total = 0;
  item.Width = item.Height = 0;
  ++item.Generation;
  item.Blank = decoded.empty();
  if (decoded.empty()) {
    // A missing picture still gives its users something to hold on to.
    TOrloItemFrame blank;
    blank.Surface = std::make_unique<TDIBX>(kBlankSide, kBlankSide, bits);
    blank.Surface->Fill(0);
    if (item.want_masks_) {
      blank.Mask = std::make_unique<TDIBX>(kBlankSide, kBlankSide, 8);
      blank.Mask->Fill(0);
    }
    item.Width = item.Height = kBlankSide;
    item.Total = blank.Delay;
    item.Frames.push_back(std::move(blank));
    return;
  }
  item.Width = decoded.front().surface->Width();
  item.Height = decoded.front().surface->Height();
  for (DecodedFrame& d : decoded) {
    TOrloItemFrame frame;
    std::vector<Rect> first = std::move(d.surface->FirstAreas),
                      second = std::move(d.surface->SecondAreas);
    frame.Surface = ToBitCount(std::move(d.surface), bits);
    frame.Surface->FirstAreas = std::move(first);
    frame.Surface->SecondAreas = std::move(second);
    frame.ColorKey = d.color_key < 0 ? -1 : d.color_key;
    frame.Surface->SetColorKey(frame.Surface->ColorToPixel(frame.ColorKey));
    const bool mask_fits = d.mask && d.mask->BitCount() == 8 &&
                           d.mask->Width() == frame.Surface->Width() &&
                           d.mask->Height() == frame.Surface->Height();
    // A mask stays with a picture of its own alpha and no colour key, or
    // whenever masks are asked for (made from the key when the decoder gave
    // none).
    if (mask_fits && (frame.ColorKey < 0 || item.want_masks_))
      frame.Mask = std::move(d.mask);
    else if (item.want_masks_)
      frame.Mask = KeyMask(*frame.Surface);
    frame.Delay = std::max(1, d.delay_ms);
    if (item.want_offsets_) {
      frame.OffsetX = d.offset_x;
      frame.OffsetY = d.offset_y;
      Trim(frame);
    }
    item.Total =
        static_cast<int32_t>(std::min<int64_t>(INT32_MAX, int64_t{item.Total} + frame.Delay));
    item.Frames.push_back(std::move(frame));
  }
}

}  // namespace vesk::components
