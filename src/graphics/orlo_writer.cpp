#include "graphics/orlo_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>

#include "graphics/dibsfc_bitmap.h"
#include "graphics/image_codecs.h"
#include "graphics/orlo_pixels.h"
#include "graphics/tprandom.h"

namespace vesk::graphics {

namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw EGraphicsError("layered image writer: " + what);
}

void Put8(std::vector<uint8_t>& out, uint8_t v) {
  out.push_back(v);
}
void Put32(std::vector<uint8_t>& out, int32_t value) {
  const auto v = uint32_t(value);
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
  out.push_back(uint8_t(v >> 16));
  out.push_back(uint8_t(v >> 24));
}
void PutBytes(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes) {
  Put32(out, int32_t(bytes.size()));
  out.insert(out.end(), bytes.begin(), bytes.end());
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& in, int level) {
  uLongf size = compressBound(uLong(in.size()));
  std::vector<uint8_t> out(size);
  if (compress2(out.data(), &size, in.data(), uLong(in.size()), level) != Z_OK) Fail("zlib failed");
  out.resize(size);
  return out;
}

// Where a block lies in a bitmap, in whole bytes as the reader copies them.
struct BlockPlace {
  int y0 = 0, rows = 0;
  size_t offset = 0, bytes = 0;
};

// A bitmap already written, as later blocks may refer to it.
struct Written {
  int frame = 0, layer = 0;
  const TDIBX* bitmap = nullptr;
  std::vector<uint64_t> hashes;  // one per block
};

class BlockCoder {
 public:
  BlockCoder(const OrloWriteOptions& o) : o_(o) {}

  std::vector<BlockPlace> Places(const TDIBX& b) const {
    const int w = b.Width(), h = b.Height(), bits = b.RawBitCount();
    std::vector<BlockPlace> places;
    for (int y0 = 0; y0 < h; y0 += o_.BlockHeight) {
      for (int x0 = 0; x0 < w; x0 += o_.BlockWidth) {
        const int cw = std::min(o_.BlockWidth, w - x0);
        places.push_back(BlockPlace{y0, std::min(o_.BlockHeight, h - y0),
                                    size_t(int64_t(x0) * bits / 8),
                                    size_t((int64_t(cw) * bits + 7) / 8)});
      }
    }
    return places;
  }

  static uint64_t Hash(const TDIBX& b, const BlockPlace& p) {
    const ConstPixelView v = b.View();
    uint64_t h = 1469598103934665603ull ^ p.bytes ^ (uint64_t(p.rows) << 32);
    for (int y = 0; y < p.rows; ++y) {
      const uint8_t* row = v.Row(p.y0 + y) + p.offset;
      for (size_t i = 0; i < p.bytes; ++i) h = (h ^ row[i]) * 1099511628211ull;
    }
    return h;
  }

  static bool Same(const TDIBX& a, const BlockPlace& pa, const TDIBX& b, const BlockPlace& pb) {
    if (pa.rows != pb.rows || pa.bytes != pb.bytes) return false;
    const ConstPixelView va = a.View(), vb = b.View();
    for (int y = 0; y < pa.rows; ++y) {
      if (std::memcmp(va.Row(pa.y0 + y) + pa.offset, vb.Row(pb.y0 + y) + pb.offset, pa.bytes) != 0)
        return false;
    }
    return true;
  }

  // Table and block data of `b`; earlier bitmaps of the same kind (pixels
  // or masks) are candidates for references. Records `b` for later ones.
  std::vector<uint8_t> Code(const TDIBX& b, int frame, int layer, std::vector<Written>& earlier) {
    const std::vector<BlockPlace> places = Places(b);
    const size_t n = places.size();
    Written self{frame, layer, &b, {}};
    self.hashes.reserve(n);
    for (const BlockPlace& p : places) self.hashes.push_back(Hash(b, p));

    struct Entry {
      int32_t kind = -1, index = 0;
    };
    std::vector<Entry> table(n);
    std::vector<uint8_t> blocks;
    std::unordered_map<uint64_t, std::vector<int32_t>> seen;
    for (size_t j = 0; j < n; ++j) {
      const uint64_t h = self.hashes[j];
      bool found = false;
      for (const Written& e : earlier) {
        const TDIBX& other = *e.bitmap;
        if (other.Width() != b.Width() || other.Height() != b.Height() ||
            other.RawBitCount() != b.RawBitCount() || e.hashes[j] != h)
          continue;
        if (Same(b, places[j], other, places[j])) {
          table[j] = Entry{e.frame, e.layer};
          found = true;
          break;
        }
      }
      if (!found) {
        auto it = seen.find(h);
        if (it != seen.end()) {
          for (int32_t k : it->second) {
            if (Same(b, places[j], b, places[size_t(k)])) {
              table[j] = Entry{-2, k};
              found = true;
              break;
            }
          }
        }
      }
      if (!found) {
        const BlockPlace& p = places[j];
        const ConstPixelView v = b.View();
        for (int y = 0; y < p.rows; ++y) {
          const uint8_t* row = v.Row(p.y0 + y) + p.offset;
          blocks.insert(blocks.end(), row, row + p.bytes);
        }
      }
      seen[h].push_back(int32_t(j));
    }
    earlier.push_back(std::move(self));

    std::vector<uint8_t> out;
    out.reserve(n * 8 + blocks.size());
    std::vector<int> p;
    if (o_.Scramble) p = TTpRandom::Permutation(o_.ScrambleSeed, int(n));
    for (size_t i = 0; i < n; ++i) {
      // The reader puts stored entry i at p(i).
      const Entry& e = table[o_.Scramble ? size_t(p[i]) : i];
      Put32(out, e.kind);
      Put32(out, e.index);
    }
    out.insert(out.end(), blocks.begin(), blocks.end());
    return out;
  }

 private:
  const OrloWriteOptions& o_;
};

std::vector<uint8_t> Rows(const TDIBX& b, bool scramble, uint32_t seed) {
  const ConstPixelView v = b.View();
  if (v.empty()) return {};
  const size_t stride = size_t(v.stride_bytes);
  std::vector<uint8_t> out(stride * size_t(v.height_px));
  std::vector<int> p;
  if (scramble) p = TTpRandom::Permutation(seed, v.height_px);
  for (int i = 0; i < v.height_px; ++i) {
    // Stored row i lands in bitmap row p(i).
    std::memcpy(out.data() + size_t(i) * stride, v.Row(scramble ? p[size_t(i)] : i), stride);
  }
  return out;
}

int SurfaceBits(int file_bits) {
  switch (file_bits) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      return file_bits;
    default:
      Fail("bit count " + std::to_string(file_bits) + " cannot be stored");
  }
}

// The layer's pixels in the frame's format.
TDIBX Prepared(const TOrloFrameInput& f, const TDIBX& pixels, int fi, int li) {
  const std::string where = "layer " + std::to_string(li) + " of frame " + std::to_string(fi);
  if (pixels.Width() != f.Width || pixels.Height() != f.Height) {
    Fail(where + " is " + std::to_string(pixels.Width()) + " x " + std::to_string(pixels.Height()) +
         ", the frame " + std::to_string(f.Width) + " x " + std::to_string(f.Height));
  }
  const int bits = SurfaceBits(f.BitCount);
  TDIBX out(f.Width, f.Height, bits);
  if (bits <= 8) {
    if (pixels.BitCount() != bits) Fail(where + " is not of the frame's paletted bit count");
    out.Assign(pixels);
    out.SetPalette(f.Colors);
  } else if (pixels.BitCount() == bits) {
    out.Assign(pixels);
  } else {
    orlo_detail::ConvertRows(pixels.View(), out.View());
  }
  return out;
}

}  // namespace

std::vector<uint8_t> EncodeOrlo(const std::vector<TOrloFrameInput>& frames,
                                const OrloWriteOptions& o) {
  if (o.Version < 103 || o.Version > 999)
    Fail("version " + std::to_string(o.Version) + " cannot be written");
  if (o.BlockWidth < 0 || o.BlockHeight < 0) Fail("negative block size");
  const bool blocks = o.BlockWidth > 0 && o.BlockHeight > 0;
  std::vector<uint8_t> out;
  char magic[8];
  std::snprintf(magic, sizeof magic, "Orlo%03d", o.Version);
  out.insert(out.end(), magic, magic + 7);
  Put32(out, 40);
  Put32(out, o.Version);
  out.resize(out.size() + 12, 0);
  Put32(out, int32_t(frames.size()));
  Put8(out, 0);
  Put8(out, o.Scramble ? 1 : 0);
  Put8(out, uint8_t(o.Compression));
  Put8(out, 0);
  Put32(out, o.BackgroundColor);
  Put32(out, blocks ? o.BlockWidth : 0);
  Put32(out, blocks ? o.BlockHeight : 0);
  Put8(out, o.OpaqueBottom ? 1 : 0);
  out.resize(out.size() + 3, 0);

  BlockCoder coder(o);
  // Kept alive for references from later layers.
  std::vector<std::unique_ptr<TDIBX>> keep;
  std::vector<Written> earlier_pixels, earlier_masks;
  for (size_t fi = 0; fi < frames.size(); ++fi) {
    const TOrloFrameInput& f = frames[fi];
    const int bits = SurfaceBits(f.BitCount);
    if (f.Width < 0 || f.Height < 0) Fail("negative frame size");
    // Blocks are copied in whole bytes from the byte of their first pixel:
    // a block that starts inside a byte would leave pixels of the last
    // byte of the row unwritten.
    if (blocks && bits < 8 && (o.BlockWidth * bits) % 8 != 0) {
      Fail("block width " + std::to_string(o.BlockWidth) + " does not cover whole bytes of a " +
           std::to_string(bits) + "-bit frame");
    }
    Put32(out, 0);  // no name
    Put32(out, f.ColorKey < 0 ? -1 : f.ColorKey);
    Put32(out, f.FrameTime);
    out.resize(out.size() + 5, 0);
    Put32(out, int32_t(f.Layers.size()));
    Put32(out, f.Width);
    Put32(out, f.Height);
    Put32(out, bits);
    if (bits <= 8) {
      for (int i = 0; i < (1 << bits); ++i) {
        const PaletteEntry& e = f.Colors[size_t(i)];
        out.insert(out.end(), {e.Blue, e.Green, e.Red, 0});
      }
    }
    for (size_t li = 0; li < f.Layers.size(); ++li) {
      const TOrloLayerInput& l = f.Layers[li];
      auto pixels = std::make_unique<TDIBX>(Prepared(f, l.Pixels, int(fi), int(li)));
      out.resize(out.size() + 8, 0);
      Put8(out, l.Visible ? 1 : 0);
      Put32(out, l.ColorKey < 0 ? -1 : l.ColorKey);
      Put32(out, std::clamp(l.Opacity, 0, 255));
      Put8(out, l.AlphaEnabled ? 1 : 0);
      Put32(out, 0);  // no name

      std::vector<uint8_t> data;
      if (o.Compression == OrloCompression::kJpeg) {
        data = EncodeJpeg(*pixels, o.JpegQuality);
      } else {
        data = blocks ? coder.Code(*pixels, int(fi), int(li), earlier_pixels)
                      : Rows(*pixels, o.Scramble, o.ScrambleSeed);
        if (o.Compression == OrloCompression::kZlib) data = Deflate(data, o.ZlibLevel);
      }
      PutBytes(out, data);

      if (l.Mask) {
        if (l.Mask->Width() != f.Width || l.Mask->Height() != f.Height || l.Mask->BitCount() != 8)
          Fail("the mask of layer " + std::to_string(li) + " of frame " + std::to_string(fi) +
               " is not an 8-bit picture of the frame's size");
        auto mask = std::make_unique<TDIBX>();
        mask->Assign(*l.Mask);
        std::vector<uint8_t> m = blocks ? coder.Code(*mask, int(fi), int(li), earlier_masks)
                                        : Rows(*mask, o.Scramble, o.ScrambleSeed);
        if (o.Compression != OrloCompression::kNone) m = Deflate(m, o.ZlibLevel);
        PutBytes(out, m);
        keep.push_back(std::move(mask));
      } else {
        Put32(out, 0);
      }
      // JPEG pixels decode to something else than they were: never a
      // reference target (they are not block-coded anyway).
      keep.push_back(std::move(pixels));
    }
    if (o.Version >= 104) {
      for (const std::vector<Rect>* list : {&f.FirstAreas, &f.SecondAreas}) {
        Put32(out, int32_t(list->size()));
        for (const Rect& r : *list) {
          Put32(out, r.left);
          Put32(out, r.top);
          Put32(out, r.right);
          Put32(out, r.bottom);
        }
      }
    }
  }
  return out;
}

}  // namespace vesk::graphics
