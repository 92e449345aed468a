#include "components/box.h"

#include <algorithm>

#include "components/images.h"
#include "graphics/dibsfc.h"
#include "lang/vocabulary.h"

namespace vesk::components {

using namespace vesk::lang;

namespace {

// A colour scaled channel by channel for the additive draws.
int32_t ScaleColor(int32_t color, int level) {
  int32_t out = 0;
  for (int shift : {0, 8, 16}) {
    const int32_t c = (color >> shift) & 0xFF;
    out |= std::min(255, c * level / 256) << shift;
  }
  return out;
}

}  // namespace

TVeskBox::TVeskBox(scene::TVeskBaseList* root) : TVeskControl(root) {}

int32_t TVeskBox::GetInt(int id) const {
  switch (id) {
    case PR_BORDERWIDTH:
      return BorderWidth;
    case PR_BORDERCOLOR:
      return BorderColor;
    case PR_ALPHA:
      return Alpha;
    default:
      return TVeskControl::GetInt(id);
  }
}

void TVeskBox::SetInt(int id, int32_t value) {
  int32_t* field = id == PR_BORDERWIDTH   ? &BorderWidth
                   : id == PR_BORDERCOLOR ? &BorderColor
                   : id == PR_ALPHA       ? &Alpha
                                          : nullptr;
  if (!field) return TVeskControl::SetInt(id, value);
  if (*field == value) return;
  *field = value;
  Invalidate();
}

bool TVeskBox::GetFlag(int id) const {
  switch (id) {
    case PR_REPEAT:
      return Repeat;
    case PR_AUTOSCRAP:
      return AutoScrap;
    case PR_PAUSED:
      return Paused;
    default:
      return TVeskControl::GetFlag(id);
  }
}

void TVeskBox::SetFlag(int id, bool value) {
  switch (id) {
    case PR_REPEAT:
      Repeat = value;
      return;
    case PR_AUTOSCRAP:
      AutoScrap = value;
      return;
    case PR_PAUSED:
      Paused = value;
      return;
    default:
      TVeskControl::SetFlag(id, value);
  }
}

std::string TVeskBox::GetStr(int id) const {
  switch (id) {
    case PR_SOURCE:
      return Source;
    case PR_ONIDLE:
      return OnIdle;
    case PR_ONPLAYEND:
      return OnPlayEnd;
    default:
      return TVeskControl::GetStr(id);
  }
}

void TVeskBox::SetStr(int id, const std::string& value) {
  switch (id) {
    case PR_SOURCE:
      if (value.empty() || IsMotionFile(value)) Source = value;
      return;
    case PR_ONIDLE:
      OnIdle = value;
      return;
    case PR_ONPLAYEND:
      OnPlayEnd = value;
      return;
    default:
      TVeskControl::SetStr(id, value);
  }
}

void TVeskBox::Draw(graphics::TCustomDIBX& surface, const Rect& clip) {
  if (Alpha > 0 && Alpha < 512) {
    const Rect outer = SceneRect();
    auto fill = [&](const Rect& r, int32_t color) {
      if (Alpha == 255)
        surface.FillRect(r, static_cast<uint32_t>(surface.ColorToPixel(color)));
      else if (Alpha < 255)
        surface.FillRectAlpha(r, static_cast<uint32_t>(surface.ColorToPixel(color)), Alpha);
      else
        surface.FillRectAdd(
            r, static_cast<uint32_t>(surface.ColorToPixel(ScaleColor(color, Alpha - 256))));
    };
    if (BorderWidth > 0 && BorderColor >= 0) {
      const auto value = [&](int32_t c) { return static_cast<uint32_t>(surface.ColorToPixel(c)); };
      if (Alpha == 255)
        surface.FrameRect(outer, BorderWidth, value(BorderColor));
      else if (Alpha < 255)
        surface.FrameRectAlpha(outer, BorderWidth, value(BorderColor), Alpha);
      else
        surface.FrameRectAdd(outer, BorderWidth, value(ScaleColor(BorderColor, Alpha - 256)));
    }
    if (Color >= 0) {
      const int32_t b = std::max(0, BorderColor >= 0 ? BorderWidth : 0);
      // Wide, so a border around a rectangle at the integer limit cannot overflow.
      const auto in = [](int32_t edge, int64_t by) { return static_cast<int32_t>(edge + by); };
      const Rect inner{in(outer.left, b), in(outer.top, b), in(outer.right, -int64_t{b}),
                       in(outer.bottom, -int64_t{b})};
      if (!inner.IsEmpty()) fill(inner, Color);
    }
  }
  DrawChildren(surface, clip);
}

void TVeskBox::TransferKindFields(RecordIO& io) {
  io.I32(BorderWidth, "box border width");
  io.I32(BorderColor, "box border colour");
  io.I32(Alpha, "box alpha");
  if (!io.Since(104)) return;
  io.Str(OnIdle, "box idle handler");
  io.Via(&RecordIO::Str, Source, "box source", [&](const std::string& s) { SetStr(PR_SOURCE, s); });
  io.U8(Repeat, "box repeat");
  io.U8(AutoScrap, "box auto scrap");
  io.Str(OnPlayEnd, "box play-end handler");
  io.U8(Paused, "box paused");
  io.U8(AniPaused, "box animation pause");
}

}  // namespace vesk::components
