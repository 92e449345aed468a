#pragma once
// TTpWord: message text as a flat list of glyphs (characters, inline
// pictures, line breaks, alignment and indent operators, embedded events
// and variables), laid out into pages of rows with the Japanese
// line-breaking rules, revealed character by character with fading, and
// rendered into a text surface and its coverage mask that each frame
// composites onto the target. Message windows own one; history replay and
// saved messages reuse it through glyph streams.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "core/byte_writer.h"
#include "core/record_io.h"
#include "core/rect.h"
#include "core/wrap32.h"
#include "graphics/dibsfc.h"
#include "text/glyph_stream.h"
#include "text/line_break.h"

namespace vesk::text {

class TFontPixelManager;
class TTpWord;
class TWdPage;
class TWdRow;

// A picture shown inside the text. Pictures are the components' business
// (cached images, brightness copies); the layout only places and draws them.
class InlinePicture {
 public:
  virtual ~InlinePicture() = default;
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  // Draws the current frame with its top-left at (x, y) and blend value
  // `blend` (1..255 alpha, 256..511 additive), honouring its colour key.
  virtual void Draw(graphics::TCustomDIBX& target, int32_t x, int32_t y, int32_t blend) = 0;
  virtual bool IsAnimated() const { return false; }
  // Advances an animation; true when the frame shown changed.
  virtual bool Animate(int32_t elapsed_ms) {
    (void)elapsed_ms;
    return false;
  }
  virtual void ReleaseSurfaces() {}
  virtual void RestoreSurfaces() {}
};

// What the text needs from the runtime around it.
class TextEnvironment {
 public:
  virtual ~TextEnvironment() = default;
  // The value of a script variable as CP932 text; empty when there is no
  // such variable.
  virtual std::optional<std::string> VariableText(const std::string& name) = 0;
  // The value of a stored expression (variable glyphs of old streams).
  virtual std::optional<std::string> ExpressionText(const std::vector<uint8_t>& expression) {
    (void)expression;
    return std::nullopt;
  }
  // The picture of an IMG glyph; null when the file does not exist.
  virtual std::unique_ptr<InlinePicture> LoadPicture(const std::string& file) {
    (void)file;
    return nullptr;
  }
  // The screen's working bit count (the text surface's format).
  virtual int ScreenBitCount() const { return 15; }
  // Reads the stored expression of an old variable glyph (see glyph_stream.h).
  virtual ExpressionReader ExpressionReaderFor() { return {}; }
};

// ---- Glyphs

enum class GlyphKind : uint8_t {
  kChar,
  kVarChar,
  kImg,
  kSpace,
  kAlign,
  kReturn,
  kVarReturn,
  kIndent,
  kUndent,
  kEvent,
  kVar,
};

class TWdGlyph {
 public:
  TWdGlyph(TTpWord& word, GlyphKind kind) : word_(&word), kind_(kind) {}
  virtual ~TWdGlyph() = default;
  TWdGlyph(const TWdGlyph&) = delete;
  TWdGlyph& operator=(const TWdGlyph&) = delete;

  GlyphKind Kind() const { return kind_; }
  TTpWord& Word() const { return *word_; }
  // The type code written in glyph streams (0 for glyphs never stored).
  uint8_t TypeCode() const;
  // Source positions the glyph stands for: 1 for stored glyphs, 0 for
  // glyphs that variables produced and for layout helpers.
  int32_t SourceCount() const;
  bool IsChar() const { return kind_ == GlyphKind::kChar || kind_ == GlyphKind::kVarChar; }
  bool IsReturn() const { return kind_ == GlyphKind::kReturn || kind_ == GlyphKind::kVarReturn; }
  // Characters and pictures: what the reader sees and the reveal fades.
  bool IsReal() const { return IsChar() || kind_ == GlyphKind::kImg; }

  // Position relative to the row (rows: relative to the page), size.
  int32_t X = 0, Y = 0, Width = 0, Height = 0;
  TWdRow* Row = nullptr;

  // Visible glyph state (meaningful for real glyphs).
  std::string Link;
  bool Hover = false;
  int32_t Alpha = 255;
  int32_t Wait = 0;

  int32_t ScreenX() const;
  int32_t ScreenY() const;
  Rect ScreenRect() const { return Rect::FromSize(ScreenX(), ScreenY(), Width, Height); }
  // The glyph's rectangle relative to its page.
  Rect ScreenRectOnPage() const { return Rect::FromSize(SurfaceX(), SurfaceY(), Width, Height); }
  // Position relative to the page's text surface.
  int32_t SurfaceX() const;
  int32_t SurfaceY() const;

  // Character code, 0 for glyphs that are not characters.
  virtual uint16_t Code() const { return 0; }
  virtual const DecorateRecord* Style() const { return nullptr; }
  bool NoBreak() const;
  const std::string& Ruby() const;
  // The character as its 1 or 2 CP932 bytes; CR LF for a line break.
  virtual std::string CharText() const { return {}; }

  virtual void Measure() {}
  virtual void Prerender(bool hide) { (void)hide; }
  // The part of the text surfaces this glyph drew into, page-relative.
  virtual Rect DrawnRect() const { return {}; }
  virtual void Erase() {}
  virtual void Draw() {}
  virtual bool IsAnimated() const { return false; }
  virtual void Animate(int32_t elapsed_ms) { (void)elapsed_ms; }
  virtual void ReleaseSurfaces() {}
  virtual void RestoreSurfaces() {}
  void Invalidate();

  // Copies the stored state of `other` (same kind) into this glyph.
  virtual void Assign(const TWdGlyph& other);
  // The glyph as a stream record (style indices resolved by the caller).
  virtual GlyphRecord ToRecord() const;

 private:
  TTpWord* word_;
  GlyphKind kind_;
};

class TWdChar : public TWdGlyph {
 public:
  TWdChar(TTpWord& word, GlyphKind kind = GlyphKind::kChar) : TWdGlyph(word, kind) {}
  uint16_t CodeValue = 0;
  DecorateRecord* Decorate = nullptr;  // owned by the word's style list

  uint16_t Code() const override { return CodeValue; }
  const DecorateRecord* Style() const override { return Decorate; }
  std::string CharText() const override;
  void Measure() override;
  void Prerender(bool hide) override;
  Rect DrawnRect() const override { return drawn_; }
  void Erase() override;
  void Draw() override;
  void Assign(const TWdGlyph& other) override;

  // Effective values after the word's defaults.
  int32_t EffectiveSize() const;
  int32_t EffectiveBorder() const;
  int32_t EffectiveShadow() const;
  int32_t EffectiveColor() const;  // COLORREF of the text, hover and links included
  int32_t EffectiveBorderColor() const;
  int32_t EffectiveShadowColor() const;

 private:
  Rect drawn_{};
};

class TWdImg : public TWdGlyph {
 public:
  explicit TWdImg(TTpWord& word) : TWdGlyph(word, GlyphKind::kImg) {}
  std::string Source;
  uint8_t Align = kAlignBottom;
  std::unique_ptr<InlinePicture> Picture;

  bool Floats() const { return Align == kAlignLeft || Align == kAlignRight; }
  std::string CharText() const override { return "*"; }
  void Measure() override;
  void Draw() override;
  bool IsAnimated() const override { return Picture && Picture->IsAnimated(); }
  void Animate(int32_t elapsed_ms) override;
  void ReleaseSurfaces() override;
  void RestoreSurfaces() override;
  void Assign(const TWdGlyph& other) override;
};

class TWdOpe : public TWdGlyph {
 public:
  using TWdGlyph::TWdGlyph;
  uint8_t Align = 0;   // align
  bool Clear = false;  // return
  std::string Value;   // event
  bool Stop = false;   // event
  std::string CharText() const override { return IsReturn() ? "\r\n" : std::string(); }
  void Measure() override;
  void Assign(const TWdGlyph& other) override;
};

class TWdOpeVar : public TWdGlyph {
 public:
  explicit TWdOpeVar(TTpWord& word) : TWdGlyph(word, GlyphKind::kVar) {}
  std::string Name;
  std::vector<uint8_t> Expression;  // old streams: shown instead of a variable
  DecorateRecord* Decorate = nullptr;
  std::vector<TWdGlyph*> Produced;  // in the word's flat list, right after this glyph
  const DecorateRecord* Style() const override { return Decorate; }
  void Assign(const TWdGlyph& other) override;
  // The produced characters, 0x01 for each line break.
  std::string ProducedValue() const;
};

// ---- Rows and pages

class TWdRow {
 public:
  explicit TWdRow(TWdPage& page) : page_(&page) {}
  TWdPage& Page() const { return *page_; }
  void SetPage(TWdPage& page) { page_ = &page; }

  int32_t X = 0, Y = 0, Width = 0;
  int32_t LeftBound = 0, RightBound = 0;
  uint8_t Align = kAlignLeft;
  int32_t Above = 0, Main = 0, Below = 0;
  std::vector<TWdGlyph*> Children;
  std::vector<std::unique_ptr<TWdGlyph>> Owned;  // indent spaces

  int32_t RowHeight() const { return Wrap32(int64_t{Above} + Main + Below); }
  void Add(TWdGlyph* glyph);
  // Positions the children and settles the heights.
  void Arrange();
  bool HoldsCharOrPicture() const;
  int32_t ScreenY() const;

 private:
  void AccountHeight(const TWdGlyph& glyph);
  TWdPage* page_;
};

class TWdPage {
 public:
  explicit TWdPage(TTpWord& word) : word_(&word) {}
  TTpWord& Word() const { return *word_; }

  std::vector<std::unique_ptr<TWdRow>> Rows;
  int32_t ScrollY = 0;
  TWdGlyph* HoverGlyph = nullptr;
  std::vector<TWdGlyph*> Fading;
  std::vector<TWdGlyph*> Animated;
  int32_t WaitMs = 0;
  int32_t RowIndex = 0, GlyphIndex = 0;
  int32_t SkipFrames = 0;
  std::string PendingEvents;
  int32_t FadeAccumulator = 0;
  bool Finished = false;
  bool EventJustFired = false;
  std::string CollectedValues;

  int32_t ScreenX() const;
  int32_t ScreenY() const;
  int32_t PageHeight() const;  // largest row bottom, pictures included

  void Prerender(bool hide);
  // One frame of reveal. `elapsed_ms` is the frame's delta.
  void Step(int32_t elapsed_ms, bool& finished, std::string& revealed);
  void Rewind();
  void RestartTiming();
  bool HasMore() const;
  void UpdateHover(int32_t x, int32_t y);
  std::string HoveredLinkText() const;
  TWdGlyph* HitTest(int32_t x, int32_t y) const;
  void Draw();
  void CollectValues();
  // What is shown so far: the text up to the first hidden glyph.
  std::string ShownText() const;
  // The reveal state inside the window's saved state.
  void TransferState(RecordIO& io);
  void SaveState(ByteWriter& out) const;
  void LoadState(ByteReader& in);

  // Every glyph of every row in order (indent spaces included).
  template <class F>
  void ForEachGlyph(F&& f) const {
    for (const auto& row : Rows)
      for (TWdGlyph* g : row->Children) f(*g);
  }
  TWdGlyph* FirstSourceGlyph() const;
  TWdGlyph* LastSourceGlyph() const;

 private:
  bool CursorPastEnd() const { return RowIndex >= static_cast<int32_t>(Rows.size()); }
  TWdGlyph* GlyphAtCursor() const;
  void AdvanceCursor();
  void SetCaretAfter(const TWdGlyph& glyph);
  void SetRunHover(TWdGlyph* first, bool hover);
  TTpWord* word_;
};

using PageList = std::vector<std::unique_ptr<TWdPage>>;

// ---- The layout object

class TTpWord {
 public:
  TTpWord(TFontPixelManager* glyphs, TextEnvironment* environment);
  ~TTpWord();
  TTpWord(const TTpWord&) = delete;
  TTpWord& operator=(const TTpWord&) = delete;

  // Settings (the message window's font properties).
  int32_t FontHeight = 12;
  std::string FontName;  // CP932; default "ＭＳ ゴシック"
  int32_t FontColor = 0;
  int32_t PageHeight = 0;
  int32_t PageWidth = 0;
  int32_t LineSpace = 0;
  int32_t Left = 0, Top = 0;
  graphics::TCustomDIBX* Target = nullptr;
  bool Paging = true;
  // A per-game choice, never stored with the window: saved games stay the same.
  LineBreak Wrap = LineBreak::kChars;
  int32_t LinkColor = 0xFF0000;
  int32_t HoverColor = 0x008000;
  int32_t FadeTime = 1;
  int32_t BorderColor = 0x808080;
  int32_t Alpha = 255;
  bool TextPaused = false;
  int32_t CaretX = 0, CaretY = 0;
  int32_t DelayScale = 256;
  bool NotifyEnabled = false;
  Rect ClipRect{};
  int32_t AntiAlias = 3;
  int32_t ShadowColor = 0;
  int32_t BorderWidth = 0;
  int32_t ShadowWidth = 0;
  std::vector<std::string> VarSnapshot;  // name=value lines
  std::vector<Rect> DirtyRects;
  int32_t DecorateBase = 0;
  std::function<void(const std::string&)> OnNotify;

  TFontPixelManager* Glyphs() const { return glyphs_; }
  void SetGlyphs(TFontPixelManager* glyphs) { glyphs_ = glyphs; }
  TextEnvironment* Environment() const { return environment_; }
  graphics::TDIBX& TextSurface() { return text_surface_; }
  graphics::TDIBX& MaskSurface() { return mask_surface_; }

  const std::vector<std::unique_ptr<TWdGlyph>>& GlyphList() const { return glyphs_list_; }
  size_t GlyphCount() const { return glyphs_list_.size(); }
  TWdGlyph* GlyphAt(size_t i) const { return glyphs_list_[i].get(); }
  size_t DecorateCount() const { return decorates_.size(); }
  const DecorateRecord& DecorateAt(size_t i) const { return *decorates_[i]; }

  void Clear();
  // Replaces the content with the glyphs of markup `lines` (CP932). Returns
  // the parse error, if any; the glyphs before it stay.
  std::optional<std::string> Parse(const std::vector<std::string>& lines, int32_t text_delay);
  // Appends the glyphs of a stored stream; throws on truncated streams.
  void ReadGlyphs(ByteReader& in);
  // Appends the glyphs of an already read stream.
  void AppendStream(const GlyphStream& stream);
  // The glyphs first..last as a stream (variable output left out).
  GlyphStream ToStream(int32_t first = 0, int32_t last = -1) const;
  void CopyGlyphs(const TTpWord& source, int32_t first, int32_t last);
  void Layout(PageList& pages, int32_t first, int32_t last);
  void ExpandVars(int32_t first, int32_t last);
  void CollapseVars(int32_t first, int32_t last);
  int32_t SourceToIndex(int32_t source) const;
  int32_t IndexToSource(const TWdGlyph* glyph) const;
  int32_t IndexOf(const TWdGlyph* glyph) const;
  // The settings record of the window's saved state, at a save version.
  void TransferSettings(RecordIO& io);
  void Transfer(RecordIO& io) { TransferSettings(io); }
  void WriteSettings(ByteWriter& out) const;
  void ReadSettings(ByteReader& in, int32_t version);
  void ReleaseSurfaces();
  void RestoreSurfaces();
  void Notify(const std::string& text) {
    if (OnNotify) OnNotify(text);
  }
  void AddDirty(const Rect& r);

  const std::string& EffectiveFontName() const;
  DecorateRecord* DefaultDecorate();

 private:
  friend class TWdOpeVar;
  DecorateRecord* AddDecorate(const DecorateRecord& record);
  DecorateRecord* FindOrAddDecorate(const DecorateRecord& record);
  std::unique_ptr<TWdGlyph> NewGlyph(uint8_t type_code);
  std::unique_ptr<TWdGlyph> GlyphFromRecord(const GlyphRecord& record, int32_t decorate_base);
  void Expand(size_t index);
  void Collapse(size_t index);
  void ResolveRange(int32_t& first, int32_t& last) const;

  TFontPixelManager* glyphs_;
  TextEnvironment* environment_;
  std::vector<std::unique_ptr<TWdGlyph>> glyphs_list_;
  std::vector<std::unique_ptr<DecorateRecord>> decorates_;
  graphics::TDIBX text_surface_;
  graphics::TDIBX mask_surface_;
};

// Break rules, exposed for tests: whether a row may end between two glyphs.
bool BreakAllowed(const TWdGlyph& prev, const TWdGlyph& next);

}  // namespace vesk::text
