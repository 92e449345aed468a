#include "components/cg_label.h"

#include <algorithm>

#include "components/glyph_text.h"
#include "components/orlo_collection.h"
#include "graphics/dibsfc.h"
#include "lang/vocabulary.h"

namespace vesk::components {

using namespace vesk::lang;

TVeskCGLabel::~TVeskCGLabel() = default;

// ---- Properties -------------------------------------------------------------------

int32_t TVeskCGLabel::GetInt(int id) const {
  switch (id) {
    case PR_GLYPHWIDTH:
      return GlyphWidth;
    case PR_GLYPHHEIGHT:
      return GlyphHeight;
    case PR_LINESPACE:
      return LineSpace;
    case PR_HALIGN:
      return HAlign;
    case PR_ALPHA:
      return Alpha;
    case PR_ORIGWIDTH:
    case PR_ORIGHEIGHT: {
      const TOrloItem* item = list_.Item();
      if (!item) return 0;
      return id == PR_ORIGWIDTH ? item->Width : item->Height;
    }
    default:
      return TVeskControl::GetInt(id);
  }
}

void TVeskCGLabel::SetInt(int id, int32_t value) {
  switch (id) {
    case PR_GLYPHWIDTH:
    case PR_GLYPHHEIGHT: {
      int32_t& side = id == PR_GLYPHWIDTH ? GlyphWidth : GlyphHeight;
      side = std::max(1, value);
      Resize();
      return;
    }
    case PR_LINESPACE:
      // The rows move and the height with them.
      LineSpace = value;
      Resize();
      return;
    case PR_HALIGN:
      HAlign = static_cast<uint8_t>(value);
      Invalidate();
      return;
    case PR_ALPHA:
      if (value == Alpha) return;
      Alpha = value;
      Invalidate();
      return;
    default:
      TVeskControl::SetInt(id, value);
  }
}

bool TVeskCGLabel::GetFlag(int id) const {
  switch (id) {
    case PR_PAUSED:
      return Paused != 0;
    case PR_PLAYING:
      return !Paused && !AniPaused && list_.Count() > 1;
    default:
      return TVeskControl::GetFlag(id);
  }
}

void TVeskCGLabel::SetFlag(int id, bool value) {
  if (id != PR_PAUSED) return TVeskControl::SetFlag(id, value);
  Paused = value ? 1 : 0;
}

std::string TVeskCGLabel::GetStr(int id) const {
  switch (id) {
    case PR_SOURCE:
      return Source;
    case PR_TEXT:
      return Text;
    case PR_MAPTEXT:
      return MapText;
    case PR_ONIDLE:
      return OnIdle;
    default:
      return TVeskControl::GetStr(id);
  }
}

void TVeskCGLabel::SetStr(int id, const std::string& value) {
  switch (id) {
    case PR_SOURCE:
      SetSource(value);
      return;
    case PR_TEXT:
      Text = value;
      RebuildCells();
      return;
    case PR_MAPTEXT:
      MapText = value;
      RebuildCells();
      return;
    case PR_ONIDLE:
      OnIdle = value;
      return;
    default:
      TVeskControl::SetStr(id, value);
  }
}

void TVeskCGLabel::SetSource(const std::string& name) {
  if (name == Source) return;
  Source = name;
  Invalidate();
  list_.Clear();
  // A missing picture draws nothing, not the cache's blank stand-in.
  TOrloCollection* cache = pictures();
  if (!name.empty() && cache && cache->Services().file_available &&
      cache->Services().file_available(name))
    list_.Load(cache, this, name, false);
  Invalidate();
}

// ---- Cells and size ---------------------------------------------------------------------

void TVeskCGLabel::RebuildCells() {
  // The characters of MapText in cell order, double-byte ones whole.
  std::vector<std::string_view> map;
  const std::string_view map_text = MapText;
  for (size_t pos = 0; pos < map_text.size(); pos += CharLength(map_text, pos))
    map.push_back(map_text.substr(pos, CharLength(map_text, pos)));
  cells_.clear();
  for (const std::string& line : SplitLines(Text)) {
    std::vector<int32_t>& cells = cells_.emplace_back();
    const std::string_view l = line;
    for (size_t pos = 0; pos < l.size(); pos += CharLength(l, pos)) {
      const auto at = std::find(map.begin(), map.end(), l.substr(pos, CharLength(l, pos)));
      cells.push_back(at == map.end() ? -1 : static_cast<int32_t>(at - map.begin()));
    }
  }
  Resize();
}

void TVeskCGLabel::Resize() {
  size_t longest = 0;
  for (const auto& line : cells_) longest = std::max(longest, line.size());
  const int64_t lines = static_cast<int64_t>(cells_.size());
  const int64_t w = static_cast<int64_t>(longest) * GlyphWidth;
  // No lines, no height (not minus one line space).
  const int64_t h = lines == 0 ? 0 : lines * GlyphHeight + (lines - 1) * LineSpace;
  Invalidate();
  Width = static_cast<int32_t>(std::clamp<int64_t>(w, 0, INT32_MAX));
  Height = static_cast<int32_t>(std::clamp<int64_t>(h, 0, INT32_MAX));
  Invalidate();
}

// ---- Drawing ----------------------------------------------------------------------------

void TVeskCGLabel::Draw(graphics::TCustomDIBX& surface, const Rect& clip) {
  DrawCells(surface);
  DrawChildren(surface, clip);
}

void TVeskCGLabel::DrawCells(graphics::TCustomDIBX& target) {
  const int32_t blend = std::min(Alpha, 511);
  if (Width == 0 || Height == 0 || blend < 1 || !list_.Valid(list_.Index)) return;
  TVeskImageData& frame = list_.Data(list_.Index);
  const graphics::TCustomDIBX* picture = frame.Surface(0);
  if (!picture || picture->IsEmpty()) return;
  const graphics::TCustomDIBX* mask = frame.Mask();
  if (mask && (mask->Width() != picture->Width() || mask->Height() != picture->Height() ||
               mask->BitCount() != 8))
    mask = nullptr;  // a mask must cover its picture exactly
  const int32_t per_row = picture->Width() / GlyphWidth;
  if (per_row < 1) return;
  const int64_t cell_count = int64_t{picture->Height() / GlyphHeight} * per_row;
  const graphics::KeyMode key =
      picture->ColorKey() >= 0 ? graphics::KeyMode::kUse : graphics::KeyMode::kIgnore;
  const int64_t left = GetSceneLeft(), top = GetSceneTop();
  for (size_t line = 0; line < cells_.size(); ++line) {
    const int64_t length = static_cast<int64_t>(cells_[line].size()) * GlyphWidth;
    int64_t x = left;
    if (HAlign == 1) x += (Width - length) / 2;
    if (HAlign == 2) x += Width - length;
    const int64_t y = top + static_cast<int64_t>(line) * (int64_t{GlyphHeight} + LineSpace);
    for (const int32_t cell : cells_[line]) {
      if (cell >= 0 && cell < cell_count && x > INT32_MIN && x < INT32_MAX && y > INT32_MIN &&
          y < INT32_MAX) {
        const Rect from = Rect::FromSize((cell % per_row) * GlyphWidth,
                                         (cell / per_row) * GlyphHeight, GlyphWidth, GlyphHeight);
        if (mask)
          target.DrawMaskBlend(static_cast<int>(x), static_cast<int>(y), *picture, from,
                               graphics::Flip::kNone, *mask, blend);
        else
          target.DrawBlend(static_cast<int>(x), static_cast<int>(y), *picture, from, key,
                           graphics::Flip::kNone, blend);
      }
      x += GlyphWidth;
    }
  }
}

bool TVeskCGLabel::Update(int32_t frame_ms) {
  if (!AniPaused && list_.Advance(frame_ms)) Invalidate();
  return false;
}

// ---- Stored form -------------------------------------------------------------------------

void TVeskCGLabel::TransferKindFields(RecordIO& io) {
  io.Via(&RecordIO::Str, Source, "picture label source",
         [&](const std::string& s) { SetSource(s); });
  io.Str(Text, "picture label text");
  io.Str(MapText, "picture label map");
  io.I32(GlyphWidth, "picture label cell width");
  io.I32(GlyphHeight, "picture label cell height");
  io.I32(LineSpace, "picture label line space");
  io.Flag(Paused, "picture label pause");
  io.U8(HAlign, "picture label alignment");
  io.I32(Alpha, "picture label alpha");
  if (io.Since(125)) io.Str(OnIdle, "picture label idle handler");
  if (!io.loading()) return;
  GlyphWidth = std::max(1, GlyphWidth);
  GlyphHeight = std::max(1, GlyphHeight);
  RebuildCells();
}

}  // namespace vesk::components
