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

[[noreturn]] void Bad(const std::string& what) { throw EGraphicsError("bad bitmap: " + what); }

struct BitmapHeader {
  int64_t width = 0, height = 0;  // height > 0: bottom-up
  int bits = 0;
  uint32_t compression = kRgb;
  uint32_t colors_used = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  bool has_masks = false;
  size_t palette_at = 0;
  int palette_entry_bytes = 4;
  size_t pixels_at = 0;
};

uint16_t U16(ByteReader& r, const char* what) {
  const uint8_t lo = r.U8(what);
  return uint16_t(lo | r.U8(what) << 8);
}

BitmapHeader ReadHeader(std::span<const uint8_t> bytes) {
  ByteReader r(bytes.data(), bytes.size());
  BitmapHeader h;
  try {
    if (r.U8("magic") != 'B' || r.U8("magic") != 'M') Bad("no BM magic");
    r.Skip(8, "file header");
    h.pixels_at = uint32_t(r.I32("pixel offset"));
    const uint32_t info_size = uint32_t(r.I32("info header size"));
    if (info_size == 12) {
      h.width = U16(r, "width");
      h.height = U16(r, "height");
      r.Skip(2, "planes");
      h.bits = U16(r, "bit count");
      h.palette_entry_bytes = 3;
    } else if (info_size >= 40 && info_size <= 4096) {
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
      const int mask_count = info_size >= 56 ? 4 : info_size >= 52 ? 3 : 0;
      const int trailing = info_size == 40 && fields ? (h.compression == kAlphaBitFields ? 4 : 3) : 0;
      for (int i = 0; i < mask_count; ++i) h.masks[i] = uint32_t(r.I32("colour masks"));
      r.Skip(info_size - 40 - 4 * size_t(mask_count), "info header");
      for (int i = 0; i < trailing; ++i) h.masks[i] = uint32_t(r.I32("colour masks"));
      h.has_masks = fields;
    } else {
      Bad("unknown info header size " + std::to_string(info_size));
    }
    h.palette_at = r.position();
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
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: Bad("bit count " + std::to_string(h.bits));
  }
  const bool ok = h.compression == kRgb ||
                  (h.compression == kRle8 && h.bits == 8) || (h.compression == kRle4 && h.bits == 4) ||
                  ((h.compression == kBitFields || h.compression == kAlphaBitFields) &&
                   (h.bits == 16 || h.bits == 32));
  if (!ok) Bad("compression " + std::to_string(h.compression) + " at " + std::to_string(h.bits) + " bits");
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
        for (int i = 0; i < count; ++i, ++x) put(x, y, four ? (i & 1 ? value & 0x0F : value >> 4) : value);
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
        for (int i = 0; i < n; ++i, ++x) put(x, y, four ? (i & 1 ? data[i / 2] & 0x0F : data[i / 2] >> 4) : data[i]);
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

bool EndsWithBmp(const std::string& name) { return EndsWithIgnoreAsciiCase(name, ".bmp"); }

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
      const uint32_t c = uint32_t(NativeToColor(LoadNative(row, x, v.bit_count), v.bit_count,
                                                v.palette));
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
      const int32_t c = NativeToColor(LoadNative(from, x, image.bit_count), image.bit_count,
                                      image.palette);
      uint32_t out;
      if (entries > 0) {
        auto it = nearest.find(uint32_t(c));
        if (it == nearest.end()) it = nearest.emplace(uint32_t(c), Nearest(c, v.palette, entries)).first;
        out = it->second;
      } else {
        out = ColorToNative(c, v.bit_count);
      }
      StoreNative(to, x, v.bit_count, out);
    }
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

std::vector<uint8_t> TCustomDIBX::SaveToBitmap() const { return EncodeBitmap24(*this); }

bool TCustomDIBX::SaveToFile(const std::string& name, const FileWriter& write) const {
  if (!EndsWithBmp(name) || !write) return false;
  write(name, SaveToBitmap());
  return true;
}

}  // namespace vesk::graphics
