#pragma once
// Builders for small cursor, icon, animated cursor, BMP and PNG files, so the
// tests state their pictures pixel by pixel instead of shipping binaries.
// Everything is written from the Windows and PNG layouts directly, not with
// the decoder's code.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vesk::graphics::fixtures {

using Blob = std::vector<uint8_t>;

inline void Put16(Blob* b, uint32_t v) {
  b->push_back(v & 0xFF);
  b->push_back(v >> 8 & 0xFF);
}
inline void Put32(Blob* b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
inline void PutBig32(Blob* b, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b->push_back(v >> s & 0xFF);
}
inline void PutTag(Blob* b, const char* tag) {
  // Byte by byte: g++ 12 misreads a range insert into an empty vector here.
  for (int i = 0; i < 4; ++i) b->push_back(static_cast<uint8_t>(tag[i]));
}
inline void Append(Blob* b, const Blob& more) {
  b->insert(b->end(), more.begin(), more.end());
}
inline void Set32(Blob* b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*b)[at + i] = v >> (8 * i) & 0xFF;
}

// A picture as the tests think of it: rows from the top.
struct Picture {
  int w = 0, h = 0;
  int bpp = 32;
  std::vector<uint32_t> palette;  // 0x00RRGGBB, for 8 bits and fewer
  std::vector<uint32_t> pixels;   // palette indices, or 0xAARRGGBB for 16/24/32 bits
  std::vector<uint8_t> mask;      // 1 = see-through; empty = all drawn
};

inline size_t Stride(int w, int bpp) {
  return (static_cast<size_t>(w) * bpp + 31) / 32 * 4;
}

// Bitmap rows, bottom row first unless top_down.
inline Blob PixelRows(const Picture& p, bool top_down) {
  const size_t stride = Stride(p.w, p.bpp);
  Blob out(stride * p.h, 0);
  for (int y = 0; y < p.h; ++y) {
    uint8_t* row = &out[(top_down ? y : p.h - 1 - y) * stride];
    for (int x = 0; x < p.w; ++x) {
      const uint32_t v = p.pixels[static_cast<size_t>(y) * p.w + x];
      switch (p.bpp) {
        case 1:
          row[x / 8] |= (v & 1) << (7 - x % 8);
          break;
        case 4:
          row[x / 2] |= (v & 0xF) << (x % 2 ? 0 : 4);
          break;
        case 8:
          row[x] = v & 0xFF;
          break;
        case 16: {  // 5-5-5
          const uint32_t c = (v >> 19 & 0x1F) << 10 | (v >> 11 & 0x1F) << 5 | (v >> 3 & 0x1F);
          row[2 * x] = c & 0xFF;
          row[2 * x + 1] = c >> 8;
          break;
        }
        case 24:
          row[3 * x] = v & 0xFF;
          row[3 * x + 1] = v >> 8 & 0xFF;
          row[3 * x + 2] = v >> 16 & 0xFF;
          break;
        case 32:
          for (int i = 0; i < 4; ++i) row[4 * x + i] = v >> (8 * i) & 0xFF;
          break;
      }
    }
  }
  return out;
}

inline void PutInfoHeader(Blob* b, int w, int stored_h, int bpp, uint32_t compression,
                          uint32_t colours) {
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(w));
  Put32(b, static_cast<uint32_t>(stored_h));
  Put16(b, 1);
  Put16(b, bpp);
  Put32(b, compression);
  Put32(b, 0);  // image size: may be zero for uncompressed pixels
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, colours);
  Put32(b, 0);
}

inline void PutPalette(Blob* b, const Picture& p) {
  for (uint32_t c : p.palette) Put32(b, c & 0xFFFFFF);
}

// The picture as stored inside an icon or cursor: double height, colours,
// then the one-bit mask.
inline Blob IconDib(const Picture& p, bool with_mask = true) {
  Blob b;
  PutInfoHeader(&b, p.w, p.h * 2, p.bpp, 0,
                p.bpp <= 8 ? static_cast<uint32_t>(p.palette.size()) : 0);
  PutPalette(&b, p);
  Append(&b, PixelRows(p, false));
  if (with_mask) {
    Picture m{p.w, p.h, 1, {}, {}, {}};
    m.pixels.assign(static_cast<size_t>(p.w) * p.h, 0);
    for (size_t i = 0; i < p.mask.size(); ++i) m.pixels[i] = p.mask[i];
    Append(&b, PixelRows(m, false));
  }
  return b;
}

struct IconEntry {
  Blob data;
  int dir_w = 0, dir_h = 0;  // 0 means 256, as in the file
  int hot_x = 0, hot_y = 0;  // planes and depth in an icon
};

// type 1: icon, 2: cursor.
inline Blob IconFile(int type, const std::vector<IconEntry>& entries) {
  Blob b;
  Put16(&b, 0);
  Put16(&b, type);
  Put16(&b, static_cast<uint32_t>(entries.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(entries.size());
  for (const IconEntry& e : entries) {
    b.push_back(e.dir_w & 0xFF);
    b.push_back(e.dir_h & 0xFF);
    b.push_back(0);
    b.push_back(0);
    Put16(&b, e.hot_x);
    Put16(&b, e.hot_y);
    Put32(&b, static_cast<uint32_t>(e.data.size()));
    Put32(&b, offset);
    offset += static_cast<uint32_t>(e.data.size());
  }
  for (const IconEntry& e : entries) Append(&b, e.data);
  return b;
}

inline Blob Cursor(const Picture& p, int hot_x, int hot_y) {
  return IconFile(2, {{IconDib(p), p.w, p.h, hot_x, hot_y}});
}

inline Blob BmpFile(const Picture& p, bool top_down = false) {
  Blob dib;
  PutInfoHeader(&dib, p.w, top_down ? -p.h : p.h, p.bpp, 0,
                p.bpp <= 8 ? static_cast<uint32_t>(p.palette.size()) : 0);
  PutPalette(&dib, p);
  Blob b{'B', 'M'};
  const Blob rows = PixelRows(p, top_down);
  Put32(&b, static_cast<uint32_t>(14 + dib.size() + rows.size()));
  Put32(&b, 0);
  Put32(&b, static_cast<uint32_t>(14 + dib.size()));
  Append(&b, dib);
  Append(&b, rows);
  return b;
}

// ---- PNG, with stored (uncompressed) deflate blocks.

inline uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc = 0) {
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

inline void PutPngChunk(Blob* b, const char* tag, const Blob& data) {
  PutBig32(b, static_cast<uint32_t>(data.size()));
  const size_t start = b->size();
  PutTag(b, tag);
  Append(b, data);
  PutBig32(b, Crc32(b->data() + start, b->size() - start));
}

inline Blob ZlibStored(const Blob& raw) {
  Blob z{0x78, 0x01};
  size_t pos = 0;
  do {
    const size_t n = std::min<size_t>(raw.size() - pos, 65535);
    z.push_back(pos + n == raw.size() ? 1 : 0);
    Put16(&z, static_cast<uint32_t>(n));
    Put16(&z, static_cast<uint32_t>(~n & 0xFFFF));
    z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
    pos += n;
  } while (pos < raw.size());
  uint32_t a = 1, s = 0;
  for (uint8_t c : raw) {
    a = (a + c) % 65521;
    s = (s + a) % 65521;
  }
  PutBig32(&z, s << 16 | a);
  return z;
}

// scanlines: each row's bytes without the filter byte. `before_data` are
// chunks (PLTE, tRNS) placed between the header and the pixels.
inline Blob Png(uint32_t w, uint32_t h, int depth, int color_type,
                const std::vector<Blob>& scanlines,
                const std::vector<std::pair<std::string, Blob>>& before_data = {}) {
  Blob b{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Blob ihdr;
  PutBig32(&ihdr, w);
  PutBig32(&ihdr, h);
  ihdr.push_back(depth);
  ihdr.push_back(color_type);
  ihdr.push_back(0);
  ihdr.push_back(0);
  ihdr.push_back(0);
  PutPngChunk(&b, "IHDR", ihdr);
  for (const auto& [tag, data] : before_data) PutPngChunk(&b, tag.c_str(), data);
  Blob raw;
  for (const Blob& line : scanlines) {
    raw.push_back(0);  // no filter
    Append(&raw, line);
  }
  PutPngChunk(&b, "IDAT", ZlibStored(raw));
  PutPngChunk(&b, "IEND", {});
  return b;
}

// 8-bit RGBA from 0xAARRGGBB pixels.
inline Blob PngArgb(int w, int h, const std::vector<uint32_t>& argb) {
  std::vector<Blob> lines(h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t c = argb[static_cast<size_t>(y) * w + x];
      lines[y].insert(lines[y].end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                       static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 24)});
    }
  return Png(w, h, 8, 6, lines);
}

// ---- Animated cursors.

struct AniParts {
  std::vector<Blob> frames;        // each a cursor or icon file
  std::vector<uint32_t> rate;      // jiffies per step; empty: no 'rate' chunk
  std::vector<uint32_t> sequence;  // frame per step; empty: no 'seq ' chunk
  uint32_t display_rate = 10;      // jiffies, when there is no 'rate'
  uint32_t steps = 0;              // 0: as many as the sequence or the frames
};

inline void PutRiffChunk(Blob* b, const char* tag, const Blob& data) {
  PutTag(b, tag);
  Put32(b, static_cast<uint32_t>(data.size()));
  Append(b, data);
  if (data.size() % 2) b->push_back(0);
}

inline Blob Ani(const AniParts& ani) {
  Blob anih;
  const uint32_t steps =
      ani.steps
          ? ani.steps
          : static_cast<uint32_t>(ani.sequence.empty() ? ani.frames.size() : ani.sequence.size());
  for (uint32_t v : {36u, static_cast<uint32_t>(ani.frames.size()), steps, 0u, 0u, 0u, 0u,
                     ani.display_rate, ani.sequence.empty() ? 1u : 3u})
    Put32(&anih, v);
  Blob body;
  PutTag(&body, "ACON");
  PutRiffChunk(&body, "anih", anih);
  if (!ani.rate.empty()) {
    Blob r;
    for (uint32_t v : ani.rate) Put32(&r, v);
    PutRiffChunk(&body, "rate", r);
  }
  if (!ani.sequence.empty()) {
    Blob s;
    for (uint32_t v : ani.sequence) Put32(&s, v);
    PutRiffChunk(&body, "seq ", s);
  }
  Blob list;
  PutTag(&list, "fram");
  for (const Blob& f : ani.frames) PutRiffChunk(&list, "icon", f);
  PutRiffChunk(&body, "LIST", list);
  Blob b;
  PutTag(&b, "RIFF");
  Put32(&b, static_cast<uint32_t>(body.size()));
  Append(&b, body);
  return b;
}

// A cursor of one flat colour, for animation frames.
inline Blob FlatCursor(int w, int h, uint32_t argb, int hot_x, int hot_y) {
  Picture p{w, h, 32, {}, std::vector<uint32_t>(static_cast<size_t>(w) * h, argb), {}};
  return Cursor(p, hot_x, hot_y);
}

}  // namespace vesk::graphics::fixtures
