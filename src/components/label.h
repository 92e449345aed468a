#pragma once
// TVeskLabel (kind 9): lines of text in a system font, set proportionally
// (each character advances by its own ink width and bearings, unlike
// message text), rendered once into a picture and a mask whenever the text
// or its look changes, and shown by the image drawing rule with zoom,
// rotation, flips and a blend value. A motion file as Source moves it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "components/custom_image.h"
#include "components/glyph_text.h"

namespace vesk::components {

class TVeskLabel final : public TVeskCustomImage {
 public:
  explicit TVeskLabel(scene::TVeskBaseList* root) : TVeskCustomImage(root) {}
  ~TVeskLabel() override;

  std::vector<std::string> Lines;
  std::string FontName = kProportionalGothicFace;
  int32_t FontHeight = 12;
  uint8_t FontStyle = 0;
  int32_t FontColor = 0;
  int32_t LineSpace = 0;
  uint8_t HAlign = 0;  // 0 left, 1 centre, 2 right
  uint8_t AntiAlias = 0;
  std::string Source;  // a motion file
  uint8_t Repeat = 0, AutoScrap = 0, Paused = 0;
  std::string OnPlayEnd, OnIdle;

  // What the last rendering found: the advance of every character and the
  // width of every line, the widest line, the height of all lines, and per
  // line the union of the rectangles its characters inked (picture
  // coordinates).
  std::vector<std::vector<int32_t>> Advances;
  std::vector<int32_t> LineWidths;
  int32_t TextWidth = 0, TextHeight = 0;
  std::vector<Rect> InkRects;

  int GetCompoType() const override { return lang::LT_LABEL; }
  bool HasMotion() const override { return motion_ != nullptr; }

  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;
  bool Update(int32_t frame_ms) override;
  void ReleaseSurfaces() override;
  void RestoreSurfaces() override { Render(); }

 protected:
  void TransferKindFields(RecordIO& io) override;

 private:
  // Measures every line, sizes the component and draws the text into the
  // picture and its mask.
  void Render();
  void SetSource(const std::string& name);

  std::unique_ptr<TVeskMotionLink> motion_;
};

}  // namespace vesk::components
