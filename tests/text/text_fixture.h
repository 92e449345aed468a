#pragma once
// Builds messages glyph by glyph for the layout and reveal tests, without
// markup or fonts: every character is a square of the word's font height.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "text/tpwords.h"

namespace vesk::text::test_support {

// Pictures of fixed sizes by file name.
class FakePicture final : public InlinePicture {
 public:
  FakePicture(int32_t w, int32_t h) : w_(w), h_(h) {}
  int32_t Width() const override { return w_; }
  int32_t Height() const override { return h_; }
  void Draw(graphics::TCustomDIBX&, int32_t, int32_t, int32_t) override {}

 private:
  int32_t w_, h_;
};

class FakeEnvironment final : public TextEnvironment {
 public:
  std::map<std::string, std::string> variables;
  std::map<std::string, std::pair<int32_t, int32_t>> pictures;
  std::optional<std::string> VariableText(const std::string& name) override {
    auto it = variables.find(name);
    if (it == variables.end()) return std::nullopt;
    return it->second;
  }
  std::unique_ptr<InlinePicture> LoadPicture(const std::string& file) override {
    auto it = pictures.find(file);
    if (it == pictures.end()) return nullptr;
    return std::make_unique<FakePicture>(it->second.first, it->second.second);
  }
};

// A message as a stream: Text() adds characters (CP932 bytes), the other
// methods add one glyph each. Style records are made on demand.
class StreamBuilder {
 public:
  StreamBuilder() { stream.Decorates.push_back(DecorateRecord{}); }
  GlyphStream stream;

  StreamBuilder& Text(const std::string& cp932, int32_t wait = 0, int32_t style = 0) {
    for (size_t i = 0; i < cp932.size(); ++i) {
      GlyphRecord r;
      r.Type = kGlyphChar;
      const auto b = static_cast<uint8_t>(cp932[i]);
      if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
        r.Code = static_cast<uint16_t>(b << 8 | static_cast<uint8_t>(cp932[++i]));
      } else {
        r.Code = b;
      }
      r.Wait = wait;
      r.Style = style;
      stream.Glyphs.push_back(r);
    }
    return *this;
  }
  // A style record with `edit` applied to the plain one; returns its index.
  template <class F>
  int32_t Style(F&& edit) {
    DecorateRecord d;
    edit(d);
    stream.Decorates.push_back(d);
    return static_cast<int32_t>(stream.Decorates.size() - 1);
  }
  StreamBuilder& Return(bool clear = false) {
    GlyphRecord r;
    r.Type = kGlyphReturn;
    r.Clear = clear;
    stream.Glyphs.push_back(r);
    return *this;
  }
  StreamBuilder& Op(uint8_t type, uint8_t align = 0) {
    GlyphRecord r;
    r.Type = type;
    r.Align = align;
    stream.Glyphs.push_back(r);
    return *this;
  }
  StreamBuilder& Event(const std::string& value, bool stop = false) {
    GlyphRecord r;
    r.Type = kGlyphEvent;
    r.Value = value;
    r.Stop = stop;
    stream.Glyphs.push_back(r);
    return *this;
  }
  StreamBuilder& Var(const std::string& name, int32_t style = 0) {
    GlyphRecord r;
    r.Type = kGlyphVar;
    r.Name = name;
    r.Style = style;
    stream.Glyphs.push_back(r);
    return *this;
  }
  StreamBuilder& Img(const std::string& source, uint8_t align) {
    GlyphRecord r;
    r.Type = kGlyphImg;
    r.Source = source;
    r.Align = align;
    stream.Glyphs.push_back(r);
    return *this;
  }
};

// The characters of each row of `page`, for comparing layouts at a glance.
inline std::vector<std::string> RowTexts(const TWdPage& page) {
  std::vector<std::string> rows;
  for (const auto& row : page.Rows) {
    std::string s;
    for (const TWdGlyph* g : row->Children)
      if (g->IsChar()) s += g->CharText();
    rows.push_back(s);
  }
  return rows;
}

}  // namespace vesk::text::test_support
