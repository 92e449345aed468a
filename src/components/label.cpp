#include "components/label.h"

#include <algorithm>

#include "components/images.h"
#include "components/orlo_collection.h"
#include "lang/vocabulary.h"
#include "text/fontpixels.h"

namespace vesk::components {

using namespace vesk::lang;

namespace {

int32_t Scale(int64_t size, int32_t zoom) {
  return static_cast<int32_t>(std::clamp<int64_t>(size * zoom / 256, INT32_MIN, INT32_MAX));
}

// Sets an int field and answers whether it changed.
template <class T, class V>
bool Change(T& field, V value) {
  const T v = static_cast<T>(value);
  if (field == v) return false;
  field = v;
  return true;
}

}  // namespace

TVeskLabel::~TVeskLabel() = default;

// ---- Properties -------------------------------------------------------------------

int32_t TVeskLabel::GetInt(int id) const {
  switch (id) {
    case PR_FONTHEIGHT:
      return FontHeight;
    case PR_FONTSTYLE:
      return FontStyle;
    case PR_FONTCOLOR:
      return FontColor;
    case PR_LINESPACE:
      return LineSpace;
    case PR_HALIGN:
      return HAlign;
    default:
      return TVeskCustomImage::GetInt(id);
  }
}

void TVeskLabel::SetInt(int id, int32_t value) {
  bool changed = false;
  switch (id) {
    case PR_FONTHEIGHT:
      changed = Change(FontHeight, value);
      break;
    case PR_FONTSTYLE:
      changed = Change(FontStyle, value);
      break;
    case PR_FONTCOLOR:
      changed = Change(FontColor, value);
      break;
    case PR_LINESPACE:
      changed = Change(LineSpace, value);
      break;
    case PR_HALIGN:
      changed = Change(HAlign, value);
      break;
    case PR_ZOOMX:
    case PR_ZOOMY:
      // The size follows at once, not at the next frame as for pictures.
      changed = Change(id == PR_ZOOMX ? ZoomX : ZoomY, std::max(0, value));
      break;
    case PR_WIDTH:
    case PR_HEIGHT:
      // An explicit size stretches the text; the zoom stays as it was.
      TVeskControl::SetInt(id, value);
      return;
    default:
      TVeskCustomImage::SetInt(id, value);
      return;
  }
  if (changed) Render();
}

bool TVeskLabel::GetFlag(int id) const {
  switch (id) {
    case PR_ANTIALIAS:
      return AntiAlias != 0;
    case PR_REPEAT:
      return Repeat != 0;
    case PR_AUTOSCRAP:
      return AutoScrap != 0;
    case PR_PAUSED:
      return Paused != 0;
    default:
      return TVeskCustomImage::GetFlag(id);
  }
}

void TVeskLabel::SetFlag(int id, bool value) {
  const uint8_t v = value ? 1 : 0;
  switch (id) {
    case PR_ANTIALIAS:
      if (Change(AntiAlias, v)) Render();
      return;
    case PR_REPEAT:
      Repeat = v;
      if (value && motion_ && motion_->Ended()) motion_->Restart();
      return;
    case PR_AUTOSCRAP:
      AutoScrap = v;
      return;
    case PR_PAUSED:
      Paused = v;
      return;
    default:
      TVeskCustomImage::SetFlag(id, value);
  }
}

std::string TVeskLabel::GetStr(int id) const {
  switch (id) {
    case PR_TEXT:
      return JoinLines(Lines);
    case PR_FONTNAME:
      return FontName;
    case PR_SOURCE:
      return Source;
    case PR_ONPLAYEND:
      return OnPlayEnd;
    case PR_ONIDLE:
      return OnIdle;
    default:
      return TVeskCustomImage::GetStr(id);
  }
}

void TVeskLabel::SetStr(int id, const std::string& value) {
  switch (id) {
    case PR_TEXT:
      Lines = SplitLines(value);
      Render();
      return;
    case PR_FONTNAME:
      if (Change(FontName, value)) Render();
      return;
    case PR_SOURCE:
      SetSource(value);
      return;
    case PR_ONPLAYEND:
      OnPlayEnd = value;
      return;
    case PR_ONIDLE:
      OnIdle = value;
      return;
    default:
      TVeskCustomImage::SetStr(id, value);
  }
}

// ---- Rendering ------------------------------------------------------------------

void TVeskLabel::Render() {
  InvalidateImage();
  Advances.clear();
  LineWidths.clear();
  InkRects.clear();
  TextWidth = TextHeight = 0;
  text::TFontPixelManager* cache = glyphs();
  const std::string& face = FontName.empty() ? text::kDefaultFace : FontName;
  if (cache) cache->Level = AntiAlias ? 3 : 0;

  // Every character's glyph, held until it is drawn.
  std::vector<std::vector<std::shared_ptr<const text::TFontPixel>>> line_glyphs;
  for (const std::string& line : Lines) {
    std::vector<int32_t>& advances = Advances.emplace_back();
    auto& held = line_glyphs.emplace_back();
    int64_t width = 0;
    for (size_t pos = 0; cache && pos < line.size(); pos += CharLength(line, pos)) {
      auto glyph = cache->Get(CharCode(line, pos), face, FontStyle, FontHeight);
      const int32_t advance = glyph->Bitmap.Width() + glyph->OriginX + glyph->RightPad;
      advances.push_back(advance);
      held.push_back(std::move(glyph));
      width += advance;
    }
    LineWidths.push_back(static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX)));
    TextWidth = std::max(TextWidth, LineWidths.back());
  }
  const int64_t height = (int64_t{FontHeight} + LineSpace) * static_cast<int64_t>(Lines.size());
  TextHeight = static_cast<int32_t>(std::clamp<int64_t>(height, INT32_MIN, INT32_MAX));
  Width = Scale(TextWidth, ZoomX);
  Height = Scale(TextHeight, ZoomY);

  // A text too large for any picture (or of no height) shows nothing
  // rather than failing.
  const bool drawable = cache && Width != 0 && Height != 0 && TextWidth > 0 && TextHeight > 0 &&
                        TextWidth <= graphics::TDIBX::kMaxSidePx &&
                        TextHeight <= graphics::TDIBX::kMaxSidePx;
  if (!drawable) {
    OwnSurface.reset();
    OwnMask.reset();
    InvalidateImage();
    return;
  }
  const int bits = pictures() ? pictures()->BitCount() : 32;
  try {
    if (!OwnSurface || OwnSurface->Width() != TextWidth || OwnSurface->Height() != TextHeight ||
        OwnSurface->BitCount() != bits)
      OwnSurface = std::make_unique<graphics::TDIBX>(TextWidth, TextHeight, bits);
    if (!OwnMask || OwnMask->Width() != TextWidth || OwnMask->Height() != TextHeight)
      OwnMask = std::make_unique<graphics::TDIBX>(TextWidth, TextHeight, 8);
  } catch (const graphics::EGraphicsError&) {
    // More pixels than any picture may hold: nothing to show.
    OwnSurface.reset();
    OwnMask.reset();
    InvalidateImage();
    return;
  }
  OwnSurface->ResetClip();
  OwnMask->ResetClip();
  OwnMask->Fill(0);
  text::GlyphColors colors;
  colors.text = static_cast<uint32_t>(OwnSurface->ColorToPixel(FontColor));
  const int32_t line_step = FontHeight + LineSpace;
  for (size_t i = 0; i < Lines.size(); ++i) {
    int32_t x = 0;
    if (HAlign == 1) x = (TextWidth - LineWidths[i]) / 2;
    if (HAlign == 2) x = TextWidth - LineWidths[i];
    const int32_t y = static_cast<int32_t>(i) * line_step;
    Rect ink{};
    const size_t count = line_glyphs[i].size();
    for (size_t j = 0; j < count; ++j) {
      text::RenderOptions options;
      options.left_differs = j == 0;
      options.right_differs = j + 1 == count;
      const Rect cell = Rect::FromSize(x, y, Advances[i][j], FontHeight);
      const Rect drawn =
          cache->Render(*line_glyphs[i][j], *OwnSurface, *OwnMask, colors, options, cell);
      ink = ink.IsEmpty() ? drawn : drawn.IsEmpty() ? ink : ink.Union(drawn);
      x += Advances[i][j];
    }
    InkRects.push_back(ink);
  }
  InvalidateImage();
}

void TVeskLabel::ReleaseSurfaces() {
  OwnSurface.reset();
  OwnMask.reset();
}

// ---- Motion -------------------------------------------------------------------------

void TVeskLabel::SetSource(const std::string& name) {
  if (name == Source) return;
  Source = name;
  if (motion_) {
    motion_.reset();
    MotionOffsetX = MotionOffsetY = 0;
    PriorityBias = 0;
  }
  const ComponentServices* made_with = services();
  if (IsMotionFile(name) && made_with && made_with->make_motion)
    motion_ = made_with->make_motion(*this, name);
  InvalidateImage();
}

bool TVeskLabel::Update(int32_t frame_ms) {
  TVeskCustomImage::Update(frame_ms);
  if (!motion_ || !motion_->Step(frame_ms)) return false;
  if (AutoScrap) return true;
  QueueEvent(PR_ONPLAYEND, OnPlayEnd);
  return false;
}

// ---- Stored form ----------------------------------------------------------------------

void TVeskLabel::TransferKindFields(RecordIO& io) {
  io.Str(FontName, "label font");
  io.I32(FontHeight, "label font height");
  io.I32(LineSpace, "label line space");
  io.U8(FontStyle, "label font style");
  io.I32(Alpha, "label alpha");
  io.I32(FontColor, "label font colour");
  io.U8(HAlign, "label alignment");
  io.Flag(AntiAlias, "label anti-alias");
  io.Flag(FlipH, "label mirror");
  io.Flag(FlipV, "label mirror");
  io.I32(Angle, "label angle");
  io.I32(ZoomX, "label zoom");
  // The text goes through its setter, which renders.
  io.Via(&RecordIO::Str, GetStr(PR_TEXT), "label text",
         [&](const std::string& s) { SetStr(PR_TEXT, s); });
  if (io.Since(104)) {
    io.Str(OnIdle, "label idle handler");
    io.Via(&RecordIO::Str, Source, "label motion", [&](const std::string& s) { SetSource(s); });
    io.Flag(Repeat, "label repeat");
    io.Flag(AutoScrap, "label auto scrap");
    io.Str(OnPlayEnd, "label play-end handler");
    io.Flag(Paused, "label pause");
    io.I32(ZoomY, "label vertical zoom");
    // The vertical zoom came after the text: the size follows it now.
    if (io.loading()) Render();
  }
}

}  // namespace vesk::components
