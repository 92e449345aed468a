#pragma once
// The look of the player's own dialogs (the sound settings dialog, the
// settings screen): the classic grey dialog palette, bevelled edges, check
// marks, trackbar thumbs and captions with accelerators, drawn into a back
// buffer. Every call clips to the buffer.
#include <cstdint>
#include <string>

#include "core/rect.h"
#include "platform/back_buffer.h"
#include "platform/font_rasterizer.h"

namespace vesk::app::dialog {

inline constexpr uint32_t kFace = 0xD4D0C8, kHighlight = 0xFFFFFF, kShadow = 0x808080;
inline constexpr uint32_t kDarkShadow = 0x404040, kText = 0x000000, kWindow = 0xFFFFFF;
inline constexpr uint32_t kSelection = 0x0A246A, kSelectionText = 0xFFFFFF;

// Text with its accelerator: "&S" draws an underlined S, "&&" a plain '&'.
struct Caption {
  std::u32string text;
  int accel = -1;  // index into text, or -1
};
Caption ParseCaption(const std::string& utf8);
// Text as it stands, no accelerator.
Caption PlainCaption(const std::string& utf8);

// The small rectangles of a layout in the int arithmetic of the drawing calls.
inline int Width(const Rect& r) {
  return static_cast<int>(r.Width());
}
inline int Height(const Rect& r) {
  return static_cast<int>(r.Height());
}
inline Rect Inset(const Rect& r, int by) {
  return {r.left + by, r.top + by, r.right - by, r.bottom - by};
}

class Painter {
 public:
  // Drawing is shifted by (origin_x, origin_y): a layout made at (0, 0)
  // can be drawn anywhere in the buffer.
  Painter(platform::BackBuffer& out, platform::FontFace* font, int origin_x = 0, int origin_y = 0)
      : out_(out), font_(font), ox_(origin_x), oy_(origin_y) {}

  bool has_font() const { return font_ != nullptr; }

  void Fill(const Rect& r, uint32_t rgb) {
    out_.FillRect(ox_ + r.left, oy_ + r.top, Width(r), Height(r), rgb);
  }
  void HLine(int x, int y, int w, uint32_t rgb) { out_.FillRect(ox_ + x, oy_ + y, w, 1, rgb); }
  void VLine(int x, int y, int h, uint32_t rgb) { out_.FillRect(ox_ + x, oy_ + y, 1, h, rgb); }
  void Dot(int x, int y, uint32_t rgb);

  // A one-pixel frame, lit from the top left.
  void Frame(const Rect& r, uint32_t top_left, uint32_t bottom_right);
  // The focus rectangle: every other pixel.
  void DottedFrame(const Rect& r);

  int TextWidth(const Caption& c) const;
  // Text vertically centred in `r`, starting at `x`; disabled text is
  // drawn embossed, the way the system greys out captions.
  void Text(const Caption& c, int x, const Rect& r, bool enabled, uint32_t rgb = kText);

 private:
  void TextRun(const Caption& c, int x, int baseline, uint32_t rgb);
  void Glyph(const platform::GlyphBitmap& g, int x0, int y0, uint32_t rgb);
  void Blend(int x, int y, uint32_t rgb, int alpha);

  platform::BackBuffer& out_;
  platform::FontFace* font_;
  int ox_, oy_;
};

// The two-pixel bevels of raised (buttons) and sunken (check boxes) edges.
void RaisedEdge(Painter& p, const Rect& r);
void SunkenEdge(Painter& p, const Rect& r);
// An etched frame, as around a group of controls.
void EtchedFrame(Painter& p, const Rect& r);
// The classic 7x7 tick, three pixels thick, its box's top left at (x, y).
void CheckMark(Painter& p, int x, int y, uint32_t rgb);
// A trackbar thumb w wide and h high pointing down at the ticks below it,
// centred on cx; disabled thumbs are hatched.
void TrackThumb(Painter& p, int cx, int top, int w, int h, bool enabled);
// A push button: raised, or sunk while pushed; the default button wears a
// black frame; the caption centred, moved a pixel while pushed.
void PushButton(Painter& p, const Rect& r, const Caption& caption, bool pushed, bool is_default,
                bool focused);

}  // namespace vesk::app::dialog
