// Windows bitmap reading and writing, and loading surfaces from bytes.
#include "graphics/dibsfc_bitmap.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>

#include "core/byte_reader.h"
#include "core/sjis.h"
#include "graphics/dibsfc_kernels.h"

namespace vesk::graphics {

using namespace detail;

namespace {

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

[[noreturn]] void Bad(const std::string& what) {
  throw EGraphicsError("bad bitmap: " + what);
}

struct BitmapHeader {
  int64_t width = 0, height = 0;  // height > 0: bottom-up
  uint32_t info_size = 0;
  int bits = 0;
  uint32_t compression = kRgb;
  uint32_t colors_used = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  int mask_count = 0;                // how many of them the file holds
  bool has_masks = false;
  size_t palette_at = 0;
  int palette_entry_bytes = 4;
  size_t pixels_at = 0;
};

uint16_t U16(ByteReader& r, const char* what) {
  const uint8_t lo = r.U8(what);
  return uint16_t(lo | r.U8(what) << 8);
}

// The info header from its first byte, and the masks that may follow it;
// leaves `r` at the colour table. Throws ETruncated.
void ReadInfoHeader(ByteReader& r, BitmapHeader& h) {
  h.info_size = uint32_t(r.I32("info header size"));
  if (h.info_size == 12) {
    h.width = U16(r, "width");
    h.height = U16(r, "height");
    r.Skip(2, "planes");
    h.bits = U16(r, "bit count");
    h.palette_entry_bytes = 3;
  } else if (h.info_size >= 40 && h.info_size <= 4096) {
    h.width = r.I32("width");
    h.height = r.I32("height");
    r.Skip(2, "planes");
    h.bits = U16(r, "bit count");
    h.compression = uint32_t(r.I32("compression"));
    r.Skip(12, "info header");
    h.colors_used = uint32_t(r.I32("colours used"));
    r.Skip(4, "info header");
    const bool fields = h.compression == kBitFields || h.compression == kAlphaBitFields;
    // Masks sit inside larger headers, or follow the 40-byte one.
    const int mask_count = h.info_size >= 56 ? 4 : h.info_size >= 52 ? 3 : 0;
    const int trailing =
        h.info_size == 40 && fields ? (h.compression == kAlphaBitFields ? 4 : 3) : 0;
    for (int i = 0; i < mask_count; ++i) h.masks[i] = uint32_t(r.I32("colour masks"));
    r.Skip(h.info_size - 40 - 4 * size_t(mask_count), "info header");
    for (int i = 0; i < trailing; ++i) h.masks[i] = uint32_t(r.I32("colour masks"));
    h.mask_count = std::max(mask_count, trailing);
    h.has_masks = fields;
  } else {
    Bad("unknown info header size " + std::to_string(h.info_size));
  }
  h.palette_at = r.position();
}

BitmapHeader ReadHeader(std::span<const uint8_t> bytes) {
  ByteReader r(bytes.data(), bytes.size());
  BitmapHeader h;
  try {
    if (r.U8("magic") != 'B' || r.U8("magic") != 'M') Bad("no BM magic");
    r.Skip(8, "file header");
    h.pixels_at = uint32_t(r.I32("pixel offset"));
    ReadInfoHeader(r, h);
  } catch (const ETruncated& e) {
    Bad(e.what());
  }
  return h;
}

void CheckHeader(const BitmapHeader& h, size_t file_size) {
  const int64_t rows = h.height < 0 ? -h.height : h.height;
  if (h.width <= 0 || rows <= 0 || h.width > TDIBX::kMaxSidePx || rows > TDIBX::kMaxSidePx) {
    Bad("size " + std::to_string(h.width) + " x " + std::to_string(h.height));
  }
  switch (h.bits) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      Bad("bit count " + std::to_string(h.bits));
  }
  const bool ok = h.compression == kRgb || (h.compression == kRle8 && h.bits == 8) ||
                  (h.compression == kRle4 && h.bits == 4) ||
                  ((h.compression == kBitFields || h.compression == kAlphaBitFields) &&
                   (h.bits == 16 || h.bits == 32));
  if (!ok)
    Bad("compression " + std::to_string(h.compression) + " at " + std::to_string(h.bits) + " bits");
  if ((h.compression == kRle8 || h.compression == kRle4) && h.height < 0) Bad("top-down RLE");
  if (h.pixels_at > file_size) Bad("pixel data beyond the end of the file");
}

Palette ReadPalette(std::span<const uint8_t> bytes, const BitmapHeader& h) {
  Palette p{};
  if (h.bits > 8) return p;
  const size_t max_entries = size_t(1) << h.bits;
  const size_t n = h.colors_used == 0 ? max_entries : std::min<size_t>(h.colors_used, max_entries);
  const size_t need = n * size_t(h.palette_entry_bytes);
  if (h.palette_at + need > bytes.size()) Bad("truncated colour table");
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* e = bytes.data() + h.palette_at + i * size_t(h.palette_entry_bytes);
    p[i] = PaletteEntry{e[0], e[1], e[2], 0};
  }
  return p;
}

// A channel under an arbitrary mask, widened to 8 bits.
struct MaskChannel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;
  explicit MaskChannel(uint32_t m) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    max = m >> shift;
  }
  uint32_t Get(uint32_t v) const {
    if (max == 0) return 0;
    return (((v & mask) >> shift) * 255 + max / 2) / max;
  }
};

// Rows of an uncompressed bitmap, in the order they appear on screen.
void ReadPlainRows(std::span<const uint8_t> bytes, const BitmapHeader& h, TDIBX& out,
                   std::vector<uint8_t>* alpha) {
  const int w = int(h.width), rows = int(h.height < 0 ? -h.height : h.height);
  const size_t stride = (size_t(w) * size_t(h.bits) + 31) / 32 * 4;
  const size_t used = (size_t(w) * size_t(h.bits) + 7) / 8;
  auto file_row = [&](int y) {
    const int stored = h.height < 0 ? y : rows - 1 - y;
    return bytes.data() + h.pixels_at + stride * size_t(stored);
  };
  const PixelView v = out.View();
  const bool keep_alpha = alpha && h.bits == 32;
  if (keep_alpha) alpha->assign(size_t(w) * size_t(rows), 0);
  // Decoded in the file's own layout unless the masks needed widening.
  const bool raw = h.bits != 32 && out.BitCount() != 32;
  if (raw) {
    for (int y = 0; y < rows; ++y) std::memcpy(v.Row(y), file_row(y), used);
    return;
  }
  const uint32_t a_default = h.bits == 32 && !h.has_masks ? 0xFF000000u : 0;
  const MaskChannel r(h.has_masks ? h.masks[0] : 0xFF0000u), g(h.has_masks ? h.masks[1] : 0xFF00u),
      b(h.has_masks ? h.masks[2] : 0xFFu), a(h.has_masks ? h.masks[3] : a_default);
  for (int y = 0; y < rows; ++y) {
    const uint8_t* src = file_row(y);
    uint32_t* dst = reinterpret_cast<uint32_t*>(v.Row(y));
    for (int x = 0; x < w; ++x) {
      const uint32_t p = h.bits == 32 ? LoadNative(src, x, 32) : LoadNative(src, x, 16);
      dst[x] = r.Get(p) << 16 | g.Get(p) << 8 | b.Get(p);
      if (keep_alpha) (*alpha)[size_t(y) * size_t(w) + size_t(x)] = uint8_t(a.Get(p));
    }
  }
}

// Walks run-length coded 8- or 4-bit rows (always bottom-up), handing each
// pixel index with its position (y counts stored rows from the bottom) to
// `put`; positions outside the picture are the caller's to drop. Ends at the
// end mark or once beyond the last row; a stream that stops before either
// is truncated.
template <class Put>
void WalkRle(std::span<const uint8_t> bytes, const BitmapHeader& h, Put&& put) {
  const int rows = int(h.height);
  ByteReader r(bytes.data() + h.pixels_at, bytes.size() - h.pixels_at);
  const bool four = h.bits == 4;
  int64_t x = 0, y = 0;  // wide: a long stream of runs never wraps them
  try {
    for (;;) {
      const uint8_t count = r.U8("run"), value = r.U8("run");
      if (count > 0) {
        for (int i = 0; i < count; ++i, ++x)
          put(x, y, four ? (i & 1 ? value & 0x0F : value >> 4) : value);
        continue;
      }
      if (value == 0) {  // end of line
        x = 0;
        ++y;
      } else if (value == 1) {  // end of bitmap
        return;
      } else if (value == 2) {  // delta
        x += r.U8("delta");
        y += r.U8("delta");
      } else {  // absolute run, padded to a word
        const int n = value;
        const int n_bytes = four ? (n + 1) / 2 : n;
        const uint8_t* data = r.Bytes(size_t(n_bytes), "absolute run");
        for (int i = 0; i < n; ++i, ++x)
          put(x, y, four ? (i & 1 ? data[i / 2] & 0x0F : data[i / 2] >> 4) : data[i]);
        if (n_bytes & 1) r.Skip(1, "run padding");
      }
      if (y > rows) return;  // beyond the image: nothing more to place
    }
  } catch (const ETruncated& e) {
    Bad(e.what());
  }
}

void ReadRleRows(std::span<const uint8_t> bytes, const BitmapHeader& h, TDIBX& out) {
  const int w = int(h.width), rows = int(h.height);
  const PixelView v = out.View();
  WalkRle(bytes, h, [&](int64_t x, int64_t y, uint32_t index) {
    if (x < w && y < rows) StoreNative(v.Row(rows - 1 - int(y)), int(x), h.bits, index);
  });
}

// Bytes the decoded picture takes (plus its fourth bytes when asked for),
// held against the caller's budget before anything is allocated.
void CheckBudget(const BitmapHeader& h, int target_bits, bool alpha, size_t max_bytes) {
  const uint64_t w = uint64_t(h.width), rows = uint64_t(h.height < 0 ? -h.height : h.height);
  const uint64_t stride = (w * uint64_t(target_bits == 15 ? 16 : target_bits) + 31) / 32 * 4;
  const uint64_t need = stride * rows + (alpha && h.bits == 32 ? w * rows : 0);
  if (need > max_bytes)
    Bad(std::to_string(w) + " x " + std::to_string(rows) + " pixels need " + std::to_string(need) +
        " bytes, more than the " + std::to_string(max_bytes) + " allowed");
}

// Data that cannot be the picture is refused before the picture is
// allocated. Stored rows must all be present. A run-length stream may
// legally stop early with its end mark (the rest stays at index 0), so its
// declared size says nothing about its length; it is walked once without
// drawing, so a stream cut short is refused at the cost of its own bytes.
void CheckPixelData(std::span<const uint8_t> bytes, const BitmapHeader& h) {
  if (h.compression == kRle8 || h.compression == kRle4) {
    WalkRle(bytes, h, [](int64_t, int64_t, uint32_t) {});
    return;
  }
  const uint64_t rows = uint64_t(h.height < 0 ? -h.height : h.height);
  const uint64_t stride = (uint64_t(h.width) * uint64_t(h.bits) + 31) / 32 * 4;
  const uint64_t used = (uint64_t(h.width) * uint64_t(h.bits) + 7) / 8;
  // The last row's padding may be missing.
  if (h.pixels_at + stride * (rows - 1) + used > bytes.size()) Bad("truncated pixel data");
}

// The native format a bitmap decodes to.
int TargetBits(const BitmapHeader& h) {
  if (h.bits <= 8 || h.bits == 24) return h.bits;
  if (h.bits == 16) {
    if (!h.has_masks || (h.masks[0] == 0x7C00 && h.masks[1] == 0x03E0 && h.masks[2] == 0x001F)) {
      return 15;
    }
    if (h.masks[0] == 0xF800 && h.masks[1] == 0x07E0 && h.masks[2] == 0x001F) return 16;
  }
  return 32;
}

bool EndsWithBmp(const std::string& name) {
  return EndsWithIgnoreAsciiCase(name, ".bmp");
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// Index of the colour-table entry nearest to a colour (first of equals).
uint8_t Nearest(int32_t color, const PaletteEntry* palette, int entries) {
  const int r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
  int best = 0, best_d = 1 << 30;
  for (int i = 0; i < entries; ++i) {
    const int dr = palette[i].Red - r, dg = palette[i].Green - g, db = palette[i].Blue - b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < best_d) best = i, best_d = d;
  }
  return uint8_t(best);
}

}  // namespace

void DecodeBitmap(std::span<const uint8_t> bytes, TDIBX& out, std::vector<uint8_t>* alpha,
                  size_t max_bytes) {
  const BitmapHeader h = ReadHeader(bytes);
  CheckHeader(h, bytes.size());
  const int rows = int(h.height < 0 ? -h.height : h.height);
  const int bits = TargetBits(h);
  CheckBudget(h, bits, alpha != nullptr, max_bytes);
  CheckPixelData(bytes, h);
  const Palette palette = h.bits <= 8 ? ReadPalette(bytes, h) : Palette{};
  out.SetSize(int(h.width), rows, bits);
  if (alpha) alpha->clear();
  if (h.bits <= 8) out.SetPalette(palette);
  if (h.compression == kRle8 || h.compression == kRle4) {
    ReadRleRows(bytes, h, out);
  } else {
    ReadPlainRows(bytes, h, out, alpha);
  }
}

std::vector<uint8_t> EncodeBitmap24(const TCustomDIBX& surface) {
  const ConstPixelView v = surface.View();
  const int w = v.empty() ? 0 : v.width_px, h = v.empty() ? 0 : v.height_px;
  const size_t stride = (size_t(w) * 3 + 3) / 4 * 4;
  const size_t image_bytes = stride * size_t(h);
  std::vector<uint8_t> out;
  out.reserve(54 + image_bytes);
  out.push_back('B');
  out.push_back('M');
  Put32(out, uint32_t(54 + image_bytes));
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, uint32_t(w));
  Put32(out, uint32_t(h));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, kRgb);
  Put32(out, uint32_t(image_bytes));
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = h - 1; y >= 0; --y) {
    const uint8_t* row = v.Row(y);
    for (int x = 0; x < w; ++x) {
      const uint32_t c =
          uint32_t(NativeToColor(LoadNative(row, x, v.bit_count), v.bit_count, v.palette));
      out.push_back(uint8_t(c >> 16));
      out.push_back(uint8_t(c >> 8));
      out.push_back(uint8_t(c));
    }
    out.resize(out.size() + stride - size_t(w) * 3, 0);
  }
  return out;
}

void ConvertInto(const ConstPixelView& image, TCustomDIBX& dest) {
  if (image.empty()) return;
  dest.SetSize(image.width_px, image.height_px, 0);
  const PixelView v = dest.View();
  if (v.empty()) return;
  const int w = std::min(v.width_px, image.width_px), h = std::min(v.height_px, image.height_px);
  if (v.bit_count == image.bit_count && v.bit_count > 8) {
    const size_t bytes = (size_t(w) * size_t(v.bit_count == 15 ? 16 : v.bit_count) + 7) / 8;
    for (int y = 0; y < h; ++y) std::memcpy(v.Row(y), image.Row(y), bytes);
    return;
  }
  std::unordered_map<uint32_t, uint8_t> nearest;
  const int entries = v.bit_count <= 8 ? 1 << v.bit_count : 0;
  for (int y = 0; y < h; ++y) {
    const uint8_t* from = image.Row(y);
    uint8_t* to = v.Row(y);
    for (int x = 0; x < w; ++x) {
      const int32_t c =
          NativeToColor(LoadNative(from, x, image.bit_count), image.bit_count, image.palette);
      uint32_t out;
      if (entries > 0) {
        auto it = nearest.find(uint32_t(c));
        if (it == nearest.end())
          it = nearest.emplace(uint32_t(c), Nearest(c, v.palette, entries)).first;
        out = it->second;
      } else {
        out = ColorToNative(c, v.bit_count);
      }
      StoreNative(to, x, v.bit_count, out);
    }
  }
}

// --- bitmaps as straight-alpha pictures (cursors and icons) ----------------------

namespace {

[[noreturn]] void Refuse(const std::string& what) {
  throw EGraphicsError(what);
}

uint32_t Le32(std::span<const uint8_t> b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
         uint32_t(b[at + 3]) << 24;
}

// One channel under a bit mask, widened or narrowed to eight bits. Unlike
// the surfaces' MaskChannel this cuts the fraction off: cursors have always
// been made so.
uint32_t TruncatedChannel(uint32_t value, uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const uint64_t v = (value & mask) >> shift;
  const uint64_t max = bits >= 32 ? 0xFFFFFFFFull : (1ull << bits) - 1;
  return uint32_t(std::min<uint64_t>(255, v * 255 / max));
}

// What a straight-alpha picture is read with: the header checked against
// what cursors may be (no OS/2 header, no run-length coding, sides up to
// max_side, a colour table of at most 256 entries), the masks in effect and
// where the pixels start.
struct ArgbLayout {
  int width = 0, height = 0;
  bool top_down = false;
  int bits = 0;
  uint32_t masks[4] = {};  // red, green, blue, alpha (16 and 32 bits)
  Palette palette{};       // 8 bits and fewer
  size_t header_end = 0;   // header, masks and colour table, from the header's start
  size_t stride() const { return (size_t(width) * size_t(bits) + 31) / 32 * 4; }
};

void CheckArgbDepth(int bits, uint32_t compression) {
  switch (bits) {
    case 1:
    case 4:
    case 8:
    case 24:
      if (compression != kRgb) Refuse("compressed bitmaps are not supported");
      return;
    case 16:
    case 32:
      if (compression != kRgb && compression != kBitFields && compression != kAlphaBitFields)
        Refuse("compressed bitmaps are not supported");
      return;
    default:
      Refuse("unsupported bitmap depth " + std::to_string(bits));
  }
}

// The masks in effect: the standard ones unless the header asks for bit
// fields, which then must all be there.
void SetArgbMasks(const BitmapHeader& h, ArgbLayout& d) {
  if (d.bits == 16) {
    d.masks[0] = 0x7C00, d.masks[1] = 0x03E0, d.masks[2] = 0x001F;
  } else if (d.bits == 32) {
    // The top byte is alpha when anything in it is set; callers decide.
    d.masks[0] = 0xFF0000, d.masks[1] = 0xFF00, d.masks[2] = 0xFF, d.masks[3] = 0xFF000000;
  }
  if (!h.has_masks) return;
  const int need = h.compression == kAlphaBitFields || h.info_size >= 56 ? 4 : 3;
  if (h.mask_count < need) Refuse("bitmap colour masks missing");
  for (int i = 0; i < 4; ++i) d.masks[i] = i < need ? h.masks[i] : 0;
}

// In an icon the stored height covers the colour picture and the mask below
// it, so it is twice the picture's.
ArgbLayout ReadArgbLayout(std::span<const uint8_t> dib, bool in_icon, int max_side) {
  if (dib.size() < 4) Refuse("bitmap header truncated");
  const uint32_t header_size = Le32(dib, 0);
  if (header_size == 12) Refuse("OS/2 bitmaps are not supported");
  if (header_size < 40 || header_size > 1024)
    Refuse("bad bitmap header size " + std::to_string(header_size));
  if (dib.size() < header_size) Refuse("bitmap header truncated");
  BitmapHeader h;
  ByteReader r(dib.data(), dib.size());
  try {
    ReadInfoHeader(r, h);
  } catch (const ETruncated&) {
    Refuse("bitmap colour masks truncated");
  }
  ArgbLayout d;
  int64_t height = h.height;
  if (in_icon) {
    height /= 2;
  } else if (height < 0) {
    d.top_down = true;
    height = -height;
  }
  if (h.width <= 0 || height <= 0 || h.width > max_side || height > max_side)
    Refuse("bad bitmap size " + std::to_string(h.width) + "x" + std::to_string(height));
  d.width = int(h.width);
  d.height = int(height);
  d.bits = h.bits;
  CheckArgbDepth(h.bits, h.compression);
  SetArgbMasks(h, d);

  uint64_t entries = h.colors_used;
  if (h.bits <= 8 && entries == 0) entries = 1u << h.bits;
  if (entries > 256) Refuse("bad palette size " + std::to_string(entries));
  if (dib.size() - h.palette_at < entries * 4) Refuse("bitmap palette truncated");
  if (h.bits <= 8) d.palette = ReadPalette(dib, h);
  d.header_end = h.palette_at + size_t(entries) * 4;
  return d;
}

// The colour picture; alpha is whatever the alpha mask reads (zero without
// one), *any_alpha tells whether any pixel had some.
std::vector<uint32_t> ReadArgbPixels(std::span<const uint8_t> pixels, const ArgbLayout& d,
                                     bool* any_alpha) {
  const size_t stride = d.stride();
  if (pixels.size() / stride < size_t(d.height)) Refuse("bitmap pixels truncated");
  std::vector<uint32_t> out(size_t(d.width) * size_t(d.height));
  uint32_t alpha_seen = 0;
  for (int y = 0; y < d.height; ++y) {
    const uint8_t* row = pixels.data() + size_t(d.top_down ? y : d.height - 1 - y) * stride;
    uint32_t* dst = &out[size_t(y) * size_t(d.width)];
    for (int x = 0; x < d.width; ++x) {
      const uint32_t v = LoadNative(row, x, d.bits);
      if (d.bits <= 8) {
        const PaletteEntry& e = d.palette[v];
        dst[x] = uint32_t(e.Red) << 16 | uint32_t(e.Green) << 8 | e.Blue;
      } else if (d.bits == 24) {
        dst[x] = v;
      } else {
        const uint32_t a = TruncatedChannel(v, d.masks[3]);
        alpha_seen |= a;
        dst[x] = a << 24 | TruncatedChannel(v, d.masks[0]) << 16 |
                 TruncatedChannel(v, d.masks[1]) << 8 | TruncatedChannel(v, d.masks[2]);
      }
    }
  }
  *any_alpha = alpha_seen != 0;
  return out;
}

// The one-bit mask under an icon's colours: set bits are see-through.
void ApplyAndMask(std::span<const uint8_t> mask, const ArgbLayout& d, std::vector<uint32_t>& px) {
  const size_t mask_stride = (size_t(d.width) + 31) / 32 * 4;
  if (mask.size() / mask_stride < size_t(d.height)) Refuse("transparency mask truncated");
  for (int y = 0; y < d.height; ++y) {
    const uint8_t* row = mask.data() + size_t(d.height - 1 - y) * mask_stride;
    uint32_t* dst = &px[size_t(y) * size_t(d.width)];
    for (int x = 0; x < d.width; ++x) {
      // A set mask bit over a coloured pixel inverts the screen there; a
      // colour cursor cannot, and black keeps such text cursors visible.
      if (!LoadNative(row, x, 1))
        dst[x] |= 0xFF000000u;
      else
        dst[x] = (dst[x] & 0xFFFFFF) ? 0xFF000000u : 0;
    }
  }
}

}  // namespace

ArgbPicture DecodeIconBitmap(std::span<const uint8_t> dib, int max_side) {
  const ArgbLayout d = ReadArgbLayout(dib, true, max_side);
  const std::span<const uint8_t> rest = dib.subspan(d.header_end);
  bool any_alpha = false;
  std::vector<uint32_t> px = ReadArgbPixels(rest, d, &any_alpha);
  // Pictures with real alpha ignore the mask.
  if (!any_alpha) ApplyAndMask(rest.subspan(d.stride() * size_t(d.height)), d, px);
  return {d.width, d.height, std::move(px)};
}

ArgbPicture DecodeBitmapArgb(std::span<const uint8_t> bytes, int max_side) {
  if (bytes.size() < 18) Refuse("BMP: file truncated");
  const uint32_t pixel_offset = Le32(bytes, 10);
  try {
    const ArgbLayout d = ReadArgbLayout(bytes.subspan(14), false, max_side);
    // Some writers leave the offset zero; the pixels then follow the palette.
    const size_t start = pixel_offset == 0 ? 14 + d.header_end : pixel_offset;
    if (start < 14 + 40 || start > bytes.size())
      Refuse("pixel offset " + std::to_string(pixel_offset) + " out of range");
    bool any_alpha = false;
    std::vector<uint32_t> px = ReadArgbPixels(bytes.subspan(start), d, &any_alpha);
    // Alpha that is zero everywhere is an unused byte, not an invisible picture.
    if (!any_alpha)
      for (uint32_t& c : px) c |= 0xFF000000u;
    return {d.width, d.height, std::move(px)};
  } catch (const EGraphicsError& e) {
    Refuse(std::string("BMP: ") + e.what());
  }
}

// --- TCustomDIBX loading and saving ----------------------------------------------------

bool TCustomDIBX::LoadFromStream(std::span<const uint8_t> bytes, uint32_t scramble_seed,
                                 const ForeignImageReader* foreign) {
  const bool bmp = bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
  const bool png = bytes.size() >= 4 && std::memcmp(bytes.data() + 1, "PNG", 3) == 0;
  const bool orlo = bytes.size() >= 4 && std::memcmp(bytes.data(), "Orlo", 4) == 0;
  TDIBX image;
  if (bmp) {
    DecodeBitmap(bytes, image);
  } else if ((png || orlo) && foreign) {
    if (!foreign->Read(bytes, scramble_seed, image)) return false;
  } else {
    return false;
  }
  ConvertInto(std::as_const(image).View(), *this);
  return true;
}

bool TCustomDIBX::LoadFromFile(const std::string& name, const FileReader& read) {
  if (!EndsWithBmp(name) || !read) return false;
  const std::optional<std::vector<uint8_t>> bytes = read(name);
  if (!bytes || bytes->size() < 2 || (*bytes)[0] != 'B' || (*bytes)[1] != 'M') return false;
  return LoadFromStream(*bytes, 0);
}

std::vector<uint8_t> TCustomDIBX::SaveToBitmap() const {
  return EncodeBitmap24(*this);
}

bool TCustomDIBX::SaveToFile(const std::string& name, const FileWriter& write) const {
  if (!EndsWithBmp(name) || !write) return false;
  write(name, SaveToBitmap());
  return true;
}

}  // namespace vesk::graphics
