// Reading layered images: header, frames, layers, the row and block codings
// of layer bitmaps, composition, and the post-processing the image cache
// asks for.
#include "graphics/orlo.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "core/byte_reader.h"
#include "core/inflate.h"
#include "core/sjis.h"
#include "graphics/dibsfc_bitmap.h"
#include "graphics/dibsfc_kernels.h"
#include "graphics/image_codecs.h"
#include "graphics/orlo_data.h"
#include "graphics/orlo_pixels.h"
#include "graphics/tprandom.h"

namespace vesk::graphics {

using detail::LoadNative;
using detail::StoreNative;

namespace {

constexpr size_t kRecordSize = 40;

[[noreturn]] void Fail(const std::string& what) {
  throw EGraphicsError("layered image: " + what);
}

// The header record; bytes the file does not supply keep these defaults.
struct HeaderRecord {
  int32_t frame_count = 0;
  bool scrambled = false;
  uint8_t compression = uint8_t(OrloCompression::kNone);
  int32_t background = 0;
  int32_t block_width = 0;
  int32_t block_height = 0;
  bool opaque_bottom = false;
};

int32_t I32At(const uint8_t* p) {
  return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                 uint32_t(p[3]) << 24);
}

// "Orlo" + three decimal digits; -1 when the bytes do not start with
// "Orlo". Throws for a version that is not a number.
int ReadMagic(std::span<const uint8_t> bytes) {
  if (bytes.size() < 4 || std::memcmp(bytes.data(), "Orlo", 4) != 0) return -1;
  if (bytes.size() < 7) Fail("truncated version after the magic");
  int version = 0;
  for (size_t i = 4; i < 7; ++i) {
    if (!std::isdigit(bytes[i])) {
      Fail("version '" + std::string(reinterpret_cast<const char*>(bytes.data()) + 4, 3) +
           "' is not a number");
    }
    version = version * 10 + (bytes[i] - '0');
  }
  return version;
}

HeaderRecord ReadRecord(ByteReader& r, int version) {
  HeaderRecord h;
  if (version < 103) {
    h.frame_count = r.I32("frame count");
    r.Skip(1, "header");
    if (version == 102) h.background = r.I32("background colour");
    return h;
  }
  const int32_t length = r.I32("header length");
  if (length < 0) Fail("negative header length " + std::to_string(length));
  uint8_t record[kRecordSize] = {};
  record[22] = uint8_t(OrloCompression::kNone);
  const size_t take = std::min<size_t>(size_t(length), kRecordSize);
  std::memcpy(record, r.Bytes(take, "header"), take);
  // Longer headers come from later writers; only these 40 bytes mean
  // anything to us.
  r.Skip(size_t(length) - take, "header");
  h.frame_count = I32At(record + 16);
  h.scrambled = record[21] != 0;
  h.compression = record[22];
  h.background = I32At(record + 24);
  h.block_width = I32At(record + 28);
  h.block_height = I32At(record + 32);
  h.opaque_bottom = version >= 105 && record[36] != 0;
  return h;
}

int NativeBits(int32_t file_bits) {
  switch (file_bits) {
    case 1:
    case 4:
    case 8:
    case 24:
    case 32:
      return file_bits;
    case 16:
      return 16;  // 5-6-5
    default:
      Fail("unsupported bit count " + std::to_string(file_bits));
  }
}

// Index of the colour-table entry nearest to a colour (first of equals).
uint32_t NearestEntry(int32_t color, const Palette& palette, int entries) {
  const int r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
  int best = 0, best_d = std::numeric_limits<int>::max();
  for (int i = 0; i < entries; ++i) {
    const PaletteEntry& e = palette[size_t(i)];
    const int dr = e.Red - r, dg = e.Green - g, db = e.Blue - b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < best_d) best = i, best_d = d;
  }
  return uint32_t(best);
}

size_t BitmapBytes(int w, int h, int bits) {
  const int raw = bits == 15 ? 16 : bits;
  return (size_t(w) * size_t(raw) + 31) / 32 * 4 * size_t(h);
}

std::string Extension(const std::string& name) {
  return LowerAsciiBytes(ExtensionByBytes(name, "/\\"));
}

}  // namespace

// --- TDIBSurface -----------------------------------------------------------------

TDIBX& TDIBSurface::CreateMask(uint8_t fill) {
  mask_ = std::make_unique<TDIBX>(Width(), Height(), 8);
  if (fill != 0) mask_->Fill(fill);
  return *mask_;
}

// --- the reader ----------------------------------------------------------------

class OrloReader {
 public:
  OrloReader(TOrloFrameList& list, std::span<const uint8_t> bytes)
      : list_(list), bytes_(bytes), r_(bytes.data(), bytes.size()) {
    budget_.limit = list.MaxDecodedBytes;
  }

  void Read(bool first_frame_only) {
    const int magic = ReadMagic(bytes_);
    version_ = magic < 0 ? 0 : magic;
    if (magic >= 0) r_.Skip(7);
    list_.Version = version_;
    list_.Truncated = false;
    try {
      header_ = ReadRecord(r_, version_);
    } catch (const ETruncated& e) {
      Fail(e.what());
    }
    list_.BackgroundColor = header_.background;
    list_.OpaqueBottom = header_.opaque_bottom;
    if (header_.frame_count < 0)
      Fail("negative frame count " + std::to_string(header_.frame_count));
    if (version_ >= 103 && header_.compression > 2)
      Fail("unknown compression " + std::to_string(header_.compression));
    if (header_.block_width < 0 || header_.block_height < 0) Fail("negative block size");
    const int count = first_frame_only ? std::min(header_.frame_count, 1) : header_.frame_count;
    for (int i = 0; i < count && !ended_; ++i) {
      frame_index_ = i;
      layer_index_ = -1;
      frame_sized_ = false;
      auto frame = std::make_unique<TOrloFrame>();
      current_frame_ = frame.get();
      try {
        ReadFrame(*frame);
      } catch (const ETruncated& e) {
        // A file that ends early reads as far as it goes: the frame being
        // read keeps what was decoded. Only a file that ends before any
        // picture could be made is an error.
        if (!frame_sized_ && list_.Frames.empty()) Fail(std::string(e.what()) + Where());
        ended_ = true;
      }
      current_frame_ = nullptr;
      if (!frame_sized_) break;
      list_.FinishFrame(*frame);
      list_.Frames.push_back(std::move(frame));
    }
    list_.Truncated = ended_;
  }

 private:
  std::string Where() const {
    std::string s = " (frame " + std::to_string(frame_index_);
    if (layer_index_ >= 0) s += ", layer " + std::to_string(layer_index_);
    return s + ")";
  }
  [[noreturn]] void Bad(const std::string& what) const { Fail(what + Where()); }

  void Charge(size_t bytes) {
    try {
      budget_.Charge(bytes);
    } catch (const orlo_detail::DataError& e) {
      Bad(e.what);
    }
  }

  OrloCompression Compression() const {
    return version_ >= 103 ? OrloCompression(header_.compression) : OrloCompression::kNone;
  }

  void ReadFrame(TOrloFrame& frame) {
    const int32_t name_length = r_.I32("frame name length");
    if (name_length > 0) r_.Skip(size_t(name_length), "frame name");
    const int32_t key = r_.I32("frame colour key");
    frame.FrameTime = r_.I32("frame time");
    r_.Skip(5, "frame header");
    const int32_t layer_count = r_.I32("layer count");
    const int32_t width = r_.I32("frame width");
    const int32_t height = r_.I32("frame height");
    const int32_t file_bits = r_.I32("bit count");
    if (layer_count < 0) Bad("negative layer count " + std::to_string(layer_count));
    if (width < 0 || height < 0 || width > TDIBX::kMaxSidePx || height > TDIBX::kMaxSidePx)
      Bad("frame size " + std::to_string(width) + " x " + std::to_string(height) + " out of range");
    const int bits = NativeBits(file_bits);
    Charge(BitmapBytes(width, height, bits));
    // Paletted frames are widened after composing, and frames may be
    // converted to the target bit count: a 1-bit frame grows 24 times.
    if (bits <= 8 || (list_.TargetBitCount > 0 && list_.TargetBitCount != bits)) {
      Charge(BitmapBytes(width, height, std::max(24, list_.TargetBitCount)));
    }
    frame.Bitmap.SetSize(width, height, bits);
    if (bits <= 8) {
      Palette palette{};
      const int entries = 1 << bits;
      const uint8_t* p = r_.Bytes(size_t(entries) * 4, "colour table");
      for (int i = 0; i < entries; ++i, p += 4)
        palette[size_t(i)] = PaletteEntry{p[0], p[1], p[2], 0};
      frame.Bitmap.SetPalette(palette);
    }
    frame_sized_ = true;
    frame.ColorKey = key < 0 ? -1 : key;
    if (key >= 0) {
      // From the colour table itself: an empty frame has no pixel view.
      Palette palette;
      frame.Bitmap.GetPalette(palette);
      frame.ColorKeyColor = NativeToColor(uint32_t(key) & orlo_detail::ValueMask(bits), bits,
                                          bits <= 8 ? palette.data() : nullptr);
    }
    // The background is filled in only when some of it can show: a bottom
    // layer copied whole covers it.
    bool filled = false;
    bool first_visible = true;
    for (int li = 0; li < layer_count; ++li) {
      layer_index_ = li;
      auto layer = std::make_unique<TOrloLayer>();
      layer->Owner = &frame;
      try {
        ReadLayer(frame, *layer);
      } catch (const ETruncated&) {
        ended_ = true;  // the file ends inside the layer's header: no layer
        break;
      }
      if (layer->Visible) {
        if (!filled && !CoversWhole(*layer, li, first_visible))
          frame.Bitmap.Fill(BackgroundValue(frame.Bitmap));
        filled = true;
        Compose(frame, *layer, li, first_visible);
        first_visible = false;
      }
      frame.Layers.push_back(std::move(layer));
      if (ended_) break;
    }
    if (!filled) frame.Bitmap.Fill(BackgroundValue(frame.Bitmap));
    layer_index_ = -1;
    if (version_ >= 104 && !ended_) {
      ReadAreas(frame.FirstAreas, "first area list");
      ReadAreas(frame.SecondAreas, "second area list");
    }
  }

  uint32_t BackgroundValue(const TDIBX& bitmap) const {
    const int bits = bitmap.BitCount();
    if (bits <= 8) {
      Palette palette;
      bitmap.GetPalette(palette);
      return NearestEntry(list_.BackgroundColor, palette, 1 << bits);
    }
    return ColorToNative(list_.BackgroundColor, bits);
  }

  void ReadAreas(std::vector<Rect>& out, const char* what) {
    const int32_t count = r_.I32(what);
    if (count < 0) return;
    if (size_t(count) > r_.remaining() / 16) throw ETruncated(std::string("truncated ") + what);
    out.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i) {
      Rect rect;
      rect.left = r_.I32(what);
      rect.top = r_.I32(what);
      rect.right = r_.I32(what);
      rect.bottom = r_.I32(what);
      out.push_back(rect);
    }
  }

  void ReadLayer(TOrloFrame& frame, TOrloLayer& layer) {
    r_.Skip(8, "layer header");
    layer.Visible = r_.U8("layer visibility") != 0;
    layer.ColorKey = r_.I32("layer colour key");
    if (layer.ColorKey < 0) layer.ColorKey = -1;
    layer.Opacity = std::clamp(r_.I32("layer opacity"), 0, 255);
    // Files before the flag existed used every mask they carried.
    layer.AlphaEnabled = version_ >= 101 ? r_.U8("alpha flag") != 0 : true;
    const int32_t name_length = r_.I32("layer name length");
    if (name_length > 0) r_.Skip(size_t(name_length), "layer name");
    const int32_t pixel_length = r_.I32("pixel data length");
    if (pixel_length < 0) Bad("negative pixel data length");
    const std::span<const uint8_t> pixels = TakeUpTo(pixel_length);
    std::span<const uint8_t> mask;
    if (version_ >= 100 && !ended_) {
      if (r_.remaining() < 4) {
        ended_ = true;
      } else {
        const int32_t mask_length = r_.I32("mask data length");
        if (mask_length > 0) mask = TakeUpTo(mask_length);
      }
    }

    const TDIBSurface& fb = frame.Bitmap;
    Charge(BitmapBytes(fb.Width(), fb.Height(), fb.BitCount()));
    layer.Bitmap.SetSize(fb.Width(), fb.Height(), fb.BitCount());
    if (fb.BitCount() <= 8) {
      Palette palette;
      fb.GetPalette(palette);
      layer.Bitmap.SetPalette(palette);
    }
    const OrloCompression compression = Compression();
    if (compression == OrloCompression::kJpeg) {
      try {
        DecodeJpegLayer(pixels, layer.Bitmap);
      } catch (const EGraphicsError&) {
        if (!ended_) throw;  // a JPEG cut by the file's end leaves the layer blank
      }
    } else {
      DecodeData(pixels, compression == OrloCompression::kZlib, layer.Bitmap, false, "pixel data");
    }
    if (!mask.empty()) {
      Charge(BitmapBytes(fb.Width(), fb.Height(), 8));
      TDIBX& m = layer.Bitmap.CreateMask(0);
      DecodeData(mask, compression != OrloCompression::kNone, m, true, "mask data");
    }
  }

  // `length` bytes of layer data, or what is left of a file that ends
  // sooner (which then ends the reading).
  std::span<const uint8_t> TakeUpTo(int32_t length) {
    size_t n = size_t(length);
    if (n > r_.remaining()) {
      n = r_.remaining();
      ended_ = true;
    }
    return {r_.Bytes(n, "layer data"), n};
  }

  void DecodeJpegLayer(std::span<const uint8_t> data, TDIBSurface& bitmap) {
    // The decoder's buffers are temporary; they count only while it runs.
    const size_t decoder_bytes = size_t(bitmap.Width()) * size_t(bitmap.Height()) * 9;
    Charge(decoder_bytes);
    TDIBX decoded;
    try {
      DecodeJpeg(data, decoded, decoder_bytes);
    } catch (const EGraphicsError& e) {
      Bad(e.what());
    }
    if (decoded.Width() != bitmap.Width() || decoded.Height() != bitmap.Height()) {
      Bad("JPEG layer is " + std::to_string(decoded.Width()) + " x " +
          std::to_string(decoded.Height()) + ", the frame " + std::to_string(bitmap.Width()) +
          " x " + std::to_string(bitmap.Height()));
    }
    budget_.Refund(decoder_bytes);
    if (bitmap.BitCount() == 24) {
      static_cast<TDIBX&>(bitmap) = std::move(decoded);
    } else if (bitmap.BitCount() > 8) {
      orlo_detail::ConvertRows(std::as_const(decoded).View(), bitmap.View());
    } else {
      ConvertInto(std::as_const(decoded).View(), bitmap);
    }
  }

  // Decodes pixel or mask data of a layer into `bitmap`.
  void DecodeData(std::span<const uint8_t> data, bool zlib, TDIBX& bitmap, bool is_mask,
                  const char* what) {
    if (bitmap.Width() == 0 || bitmap.Height() == 0) return;
    try {
      if (zlib && InflateWhole(data, bitmap, is_mask, what)) return;
      if (zlib) {
        orlo_detail::ZlibSource source(data, what, budget_);
        DecodeFrom(source, bitmap, is_mask, what);
        source.Finish();
      } else {
        orlo_detail::PlainSource source(data);
        DecodeFrom(source, bitmap, is_mask, what);
      }
    } catch (const orlo_detail::DataError& e) {
      Bad(e.what);
    }
  }

  // The fast way for a stream that is whole: inflated at once, rows that
  // need no reordering straight into the bitmap. False leaves the data to
  // the streaming decoder, which also says what is wrong with a bad stream.
  bool InflateWhole(std::span<const uint8_t> data, TDIBX& bitmap, bool is_mask, const char* what) {
    const PixelView v = bitmap.View();
    const size_t stride = size_t(v.stride_bytes), rows = size_t(v.height_px);
    const bool blocks = version_ >= 103 && header_.block_width > 0 && header_.block_height > 0;
    const bool scrambled = (version_ < 103 || header_.scrambled) && list_.ScrambleSeed != 0;
    if (!blocks && !scrambled) {
      size_t produced = 0;
      const InflateResult r = InflateZlibInto(data, {v.origin, stride * rows}, &produced);
      if (r == InflateResult::kOk && (produced == stride * rows || ended_)) return true;
      // The streaming decoder starts again from the fresh bitmap, in which
      // whatever it does not reach stays zero.
      std::memset(v.origin, 0, stride * rows);
      return false;
    }
    // Block data: the table, then at most every block whole (each block
    // row of a block column rounds up to a byte).
    size_t bound = stride * rows;
    if (blocks) {
      const size_t across =
          (size_t(bitmap.Width()) + size_t(header_.block_width) - 1) / size_t(header_.block_width);
      const size_t down = (rows + size_t(header_.block_height) - 1) / size_t(header_.block_height);
      bound = across * down * 8 + (stride + across) * rows;
    }
    if (budget_.used + bound > budget_.limit) return false;
    std::vector<uint8_t> whole;
    if (InflateZlibWhole(data, bound, whole) != InflateResult::kOk) return false;
    budget_.Charge(whole.size());
    struct Refund {
      orlo_detail::DecodeBudget& budget;
      size_t bytes;
      ~Refund() { budget.Refund(bytes); }
    } refund{budget_, whole.size()};
    orlo_detail::PlainSource source(whole);
    DecodeFrom(source, bitmap, is_mask, what);
    return true;
  }

  template <class Source>
  void DecodeFrom(Source& source, TDIBX& bitmap, bool is_mask, const char* what) {
    if (version_ >= 103 && header_.block_width > 0 && header_.block_height > 0) {
      DecodeBlocks(source, bitmap, is_mask, what);
      return;
    }
    // Rows: scrambled in old files (seed 0 keeps the order) and in newer
    // ones that say so; JPEG data never reaches here.
    const PixelView v = bitmap.View();
    const int h = v.height_px;
    const size_t stride = size_t(v.stride_bytes);
    const bool scrambled = (version_ < 103 || header_.scrambled) && list_.ScrambleSeed != 0;
    if (!scrambled) {
      // The stored rows are the bitmap's own layout.
      const size_t need = stride * size_t(h);
      const size_t got = source.ReadInto(v.origin, need);
      if (got < need && !ended_) {
        Bad(std::string("truncated ") + what + ": " + std::to_string(got) + " of " +
            std::to_string(need) + " bytes");
      }
      return;
    }
    const std::vector<int> p = TTpRandom::Permutation(list_.ScrambleSeed, h);
    for (int i = 0; i < h; ++i) {
      const uint8_t* row = source.Take(stride);
      if (!row && ended_) return;  // the rows up to the file's end stay
      if (!row)
        Bad(std::string("truncated ") + what + " in row " + std::to_string(i) + " of " +
            std::to_string(h));
      std::memcpy(v.Row(p[size_t(i)]), row, stride);
    }
  }

  // The block that kind >= 0 refers to: same place in layer `index` of
  // frame `kind`, read earlier.
  const TDIBX& Referenced(int32_t kind, int32_t index, const TDIBX& bitmap, bool is_mask) const {
    const TOrloFrame* frame = nullptr;
    if (kind < frame_index_) {
      if (size_t(kind) < list_.Frames.size()) frame = list_.Frames[size_t(kind)].get();
    } else if (kind == frame_index_) {
      frame = current_frame_;
    }
    const bool earlier = frame && index >= 0 && size_t(index) < frame->Layers.size();
    if (!earlier) {
      Bad("block refers to layer " + std::to_string(index) + " of frame " + std::to_string(kind) +
          ", which was not read before");
    }
    const TOrloLayer& layer = *frame->Layers[size_t(index)];
    const TDIBX* source = is_mask ? layer.Bitmap.Mask() : &layer.Bitmap;
    if (!source) {
      Bad("block refers to the mask of layer " + std::to_string(index) + " of frame " +
          std::to_string(kind) + ", which has none");
    }
    if (source->Width() != bitmap.Width() || source->Height() != bitmap.Height() ||
        source->RawBitCount() != bitmap.RawBitCount()) {
      Bad("block refers to layer " + std::to_string(index) + " of frame " + std::to_string(kind) +
          ", whose bitmap has another size or bit count");
    }
    return *source;
  }

  template <class Source>
  void DecodeBlocks(Source& source, TDIBX& bitmap, bool is_mask, const char* what) {
    const int w = bitmap.Width(), h = bitmap.Height();
    const int bw = header_.block_width, bh = header_.block_height;
    const int raw_bits = bitmap.RawBitCount();
    const int64_t across = (int64_t(w) + bw - 1) / bw;
    const int64_t n = across * ((int64_t(h) + bh - 1) / bh);
    const uint8_t* stored = source.Take(size_t(n) * 8);
    if (!stored && ended_) return;
    if (!stored) {
      Bad(std::string("truncated ") + what + ": the block table needs " + std::to_string(n * 8) +
          " bytes");
    }
    struct Entry {
      int32_t kind, index;
    };
    std::vector<Entry> table(static_cast<size_t>(n));
    const bool scrambled = header_.scrambled;
    std::vector<int> p;
    if (scrambled) p = TTpRandom::Permutation(list_.ScrambleSeed, int(n));
    for (int64_t i = 0; i < n; ++i) {
      const uint8_t* e = stored + size_t(i) * 8;
      table[scrambled ? size_t(p[size_t(i)]) : size_t(i)] = Entry{I32At(e), I32At(e + 4)};
    }
    const PixelView v = bitmap.View();
    auto place = [&](int64_t block, int& y0, int& ch, size_t& offset, size_t& bytes) {
      const int x0 = int((block % across) * bw);
      y0 = int((block / across) * bh);
      ch = std::min(bh, h - y0);
      offset = size_t(int64_t(x0) * raw_bits / 8);
      bytes = size_t((int64_t(std::min(bw, w - x0)) * raw_bits + 7) / 8);
    };
    for (int64_t j = 0; j < n; ++j) {
      int y0, ch;
      size_t offset, bytes;
      place(j, y0, ch, offset, bytes);
      const Entry e = table[size_t(j)];
      if (e.kind == -1) {
        const uint8_t* data = source.Take(bytes * size_t(ch));
        if (!data && ended_) return;
        if (!data) {
          Bad(std::string("truncated ") + what + " in block " + std::to_string(j) + " of " +
              std::to_string(n));
        }
        for (int y = 0; y < ch; ++y)
          std::memcpy(v.Row(y0 + y) + offset, data + size_t(y) * bytes, bytes);
      } else if (e.kind == -2) {
        if (e.index < 0 || e.index >= j) {
          Bad(std::string(what) + ": block " + std::to_string(j) + " copies block " +
              std::to_string(e.index) + ", which is not decoded before it");
        }
        int sy0, sch;
        size_t soffset, sbytes;
        place(e.index, sy0, sch, soffset, sbytes);
        const size_t copy = std::min(bytes, sbytes);
        for (int y = 0; y < std::min(ch, sch); ++y)
          std::memmove(v.Row(y0 + y) + offset, v.Row(sy0 + y) + soffset, copy);
      } else if (e.kind >= 0) {
        const ConstPixelView s = Referenced(e.kind, e.index, bitmap, is_mask).View();
        for (int y = 0; y < ch; ++y)
          std::memcpy(v.Row(y0 + y) + offset, s.Row(y0 + y) + offset, bytes);
      } else {
        Bad(std::string(what) + ": block " + std::to_string(j) + " has unknown kind " +
            std::to_string(e.kind));
      }
    }
  }

  // Whether Compose copies every pixel of the layer.
  bool CoversWhole(const TOrloLayer& layer, int index, bool first_visible) const {
    if (layer.Bitmap.Mask() && layer.AlphaEnabled) return index == 0;
    const int32_t key = first_visible && list_.OpaqueBottom ? -1 : layer.ColorKey;
    return key < 0 && layer.Opacity >= 255;
  }

  void Compose(TOrloFrame& frame, const TOrloLayer& layer, int index, bool first_visible) {
    TDIBSurface& target = frame.Bitmap;
    const TDIBX* mask = layer.Bitmap.Mask();
    if (mask && layer.AlphaEnabled) {
      if (index == 0) {
        // The bottom layer's pixels and mask become the frame's.
        orlo_detail::CopyPixels(target, layer.Bitmap);
        auto copy = std::make_unique<TDIBX>();
        copy->Assign(*mask);
        target.SetMask(std::move(copy));
      } else {
        orlo_detail::ComposeMask(target, layer.Bitmap, *mask);
      }
      return;
    }
    const int32_t key = first_visible && list_.OpaqueBottom ? -1 : layer.ColorKey;
    if (layer.Opacity <= 0) return;
    // 255 copies exactly in every format (the 32-bit blend would lose the
    // lowest bit of every channel).
    if (layer.Opacity >= 255) {
      orlo_detail::ComposeKeyed(target, layer.Bitmap, key);
    } else {
      orlo_detail::ComposeOpacity(target, layer.Bitmap, key, layer.Opacity);
    }
  }

 private:
  TOrloFrameList& list_;
  TOrloFrame* current_frame_ = nullptr;
  std::span<const uint8_t> bytes_;
  ByteReader r_;
  HeaderRecord header_;
  int version_ = 0;
  int frame_index_ = 0;
  int layer_index_ = -1;
  bool frame_sized_ = false;  // the frame being read has its bitmap
  bool ended_ = false;        // the file ran out: nothing more is read
  orlo_detail::DecodeBudget budget_;
};

// --- TOrloFrameList ------------------------------------------------------------------

void TOrloFrameList::LoadFromStream(std::span<const uint8_t> bytes, bool first_frame_only) {
  Clear();
  Version = 0;
  BackgroundColor = 0;
  OpaqueBottom = false;
  struct FreeLayers {
    TOrloFrameList* list;
    ~FreeLayers() {
      for (auto& f : list->Frames) f->Layers.clear();
    }
  } free_layers{this};
  OrloReader reader(*this, bytes);
  reader.Read(first_frame_only);
}

void TOrloFrameList::FinishFrame(TOrloFrame& frame) const {
  TDIBSurface& b = frame.Bitmap;
  if ((frame.HasMask() || frame.ColorKey < 0) && TargetBitCount > 0) {
    ConvertBitCount(b, TargetBitCount);
  } else if (b.BitCount() <= 8) {
    if (frame.ColorKey >= 0) {
      // The key index stands for its colour from now on.
      Palette palette;
      b.GetPalette(palette);
      const PaletteEntry e = palette[size_t(frame.ColorKey & ((1 << b.BitCount()) - 1))];
      frame.ColorKey = int32_t(e.Blue | uint32_t(e.Green) << 8 | uint32_t(e.Red) << 16);
    }
    ConvertBitCount(b, 24);
  }
}

bool TOrloFrameList::LoadFromBytes(const std::string& name, std::span<const uint8_t> bytes,
                                   bool first_frame_only) {
  const std::string ext = Extension(name);
  if (ext == ".orl") {
    LoadFromStream(bytes, first_frame_only);
    return true;
  }
  if (ext != ".png" && ext != ".bmp" && ext != ".dib") return false;
  Clear();
  Version = 0;
  auto frame = std::make_unique<TOrloFrame>();
  if (ext == ".png") {
    int32_t key = -1;
    DecodePng(bytes, frame->Bitmap, &key, MaxDecodedBytes);
    frame->ColorKey = key;
  } else {
    std::vector<uint8_t> alpha;
    DecodeBitmap(bytes, frame->Bitmap, &alpha, MaxDecodedBytes);
    // Most 32-bit bitmaps carry nothing in the fourth byte: an all-zero
    // "mask" would hide the whole picture.
    if (!alpha.empty() &&
        std::any_of(alpha.begin(), alpha.end(), [](uint8_t a) { return a != 0; })) {
      TDIBX& mask = frame->Bitmap.CreateMask(0);
      const PixelView m = mask.View();
      const int w = mask.Width();
      for (int y = 0; y < mask.Height(); ++y)
        std::memcpy(m.Row(y), alpha.data() + size_t(y) * size_t(w), size_t(w));
    }
    if (!alpha.empty()) ConvertBitCount(frame->Bitmap, 24);
  }
  if (frame->ColorKey >= 0) {
    Palette palette;
    frame->Bitmap.GetPalette(palette);
    const int bits = frame->Bitmap.BitCount();
    frame->ColorKeyColor =
        NativeToColor(uint32_t(frame->ColorKey), bits, bits <= 8 ? palette.data() : nullptr);
  }
  FinishFrame(*frame);
  Frames.push_back(std::move(frame));
  return true;
}

bool TOrloFrameList::LoadFromFile(const std::string& name, const FileReader& read,
                                  bool first_frame_only) {
  const std::string ext = Extension(name);
  if (ext != ".orl" && ext != ".png" && ext != ".bmp" && ext != ".dib") return false;
  if (!read) return false;
  const std::optional<std::vector<uint8_t>> bytes = read(name);
  if (!bytes) return false;
  return LoadFromBytes(name, *bytes, first_frame_only);
}

void TOrloFrameList::MakeKeyMasks() {
  for (auto& f : Frames) {
    TOrloFrame& frame = *f;
    if (frame.HasMask()) continue;
    TDIBX& mask = frame.Bitmap.CreateMask(255);
    if (frame.ColorKey < 0) continue;
    const ConstPixelView v = std::as_const(frame.Bitmap).View();
    const PixelView m = mask.View();
    if (v.empty() || m.empty()) continue;
    const uint32_t value_mask = orlo_detail::ValueMask(v.bit_count);
    const uint32_t key = uint32_t(frame.ColorKey) & value_mask;
    for (int y = 0; y < v.height_px; ++y) {
      const uint8_t* row = v.Row(y);
      uint8_t* out = m.Row(y);
      for (int x = 0; x < v.width_px; ++x) {
        if ((LoadNative(row, x, v.bit_count) & value_mask) == key) out[x] = 0;
      }
    }
  }
}

// --- trimming ----------------------------------------------------------------------

Rect TOrloFrame::Trim() {
  const Rect whole{0, 0, Width(), Height()};
  const TDIBX* mask = Bitmap.Mask();
  if (!mask && ColorKey < 0) return whole;
  const ConstPixelView v = std::as_const(Bitmap).View();
  if (v.empty()) return whole;
  const uint32_t value_mask = orlo_detail::ValueMask(v.bit_count);
  const uint32_t key = uint32_t(ColorKey) & value_mask;
  const ConstPixelView m = mask ? mask->View() : ConstPixelView{};
  Rect box{v.width_px, v.height_px, 0, 0};
  auto visible = [&](const uint8_t* row, const uint8_t* mrow, int x) {
    return mrow ? mrow[x] != 0 : (LoadNative(row, x, v.bit_count) & value_mask) != key;
  };
  for (int y = 0; y < v.height_px; ++y) {
    const uint8_t* row = v.Row(y);
    const uint8_t* mrow = mask ? m.Row(y) : nullptr;
    int first = 0;
    while (first < v.width_px && !visible(row, mrow, first)) ++first;
    if (first == v.width_px) continue;
    int last = v.width_px - 1;
    while (last > first && !visible(row, mrow, last)) --last;
    box.left = std::min(box.left, first);
    box.right = std::max(box.right, last + 1);
    box.top = std::min(box.top, y);
    box.bottom = y + 1;
  }
  if (box.IsEmpty() || box == whole) return whole;

  auto cut = [&](const TDIBX& source) {
    TDIBX out(box.Width(), box.Height(), source.BitCount());
    Palette palette;
    source.GetPalette(palette);
    out.SetPalette(palette);
    const ConstPixelView s = source.View();
    const PixelView d = out.View();
    for (int y = 0; y < box.Height(); ++y) {
      const uint8_t* from = s.Row(box.top + y);
      uint8_t* to = d.Row(y);
      if (s.bit_count >= 8) {
        const size_t bpp = size_t(source.RawBitCount() / 8);
        std::memcpy(to, from + size_t(box.left) * bpp, size_t(box.Width()) * bpp);
      } else {
        for (int x = 0; x < box.Width(); ++x)
          StoreNative(to, x, s.bit_count, LoadNative(from, box.left + x, s.bit_count));
      }
    }
    return out;
  };
  TDIBX pixels = cut(Bitmap);
  std::unique_ptr<TDIBX> new_mask;
  if (mask) new_mask = std::make_unique<TDIBX>(cut(*mask));
  static_cast<TDIBX&>(Bitmap) = std::move(pixels);
  Bitmap.SetMask(std::move(new_mask));

  auto move_areas = [&](std::vector<Rect>& areas) {
    std::vector<Rect> kept;
    for (const Rect& a : areas) {
      const Rect in = a.Intersect(box);
      if (in.IsEmpty()) continue;
      kept.push_back(
          Rect{in.left - box.left, in.top - box.top, in.right - box.left, in.bottom - box.top});
    }
    areas = std::move(kept);
  };
  move_areas(FirstAreas);
  move_areas(SecondAreas);
  return box;
}

// --- queries -------------------------------------------------------------------------

bool IsPlainOrlo(std::span<const uint8_t> bytes) {
  try {
    const int version = ReadMagic(bytes);
    if (version < 103) return false;
    ByteReader r(bytes.data() + 7, bytes.size() - 7);
    return ReadRecord(r, version).compression == uint8_t(OrloCompression::kNone);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace vesk::graphics
