#pragma once
// TVeskTile (kind 20): a picture repeated over the component's rectangle,
// scrollable, with optional gaps between the copies. Its frames always loop.
#include <cstdint>
#include <memory>
#include <string>

#include "components/images.h"

namespace vesk::components {

class TVeskTile final : public TVeskCustomImages {
 public:
  explicit TVeskTile(scene::TVeskBaseList* root) : TVeskCustomImages(root) {}
  ~TVeskTile() override;

  int32_t ScrollX = 0, ScrollY = 0;
  int32_t DistanceX = 0, DistanceY = 0;
  std::string Source, OnIdle;

  int GetCompoType() const override;
  TVeskImageList* ShownList() override { return &list_; }
  TVeskMotionLink* ShownMotion() const override { return motion_.get(); }
  bool Repeats() const override { return true; }
  void SetSource(const std::string& name);

  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;
  void Draw(graphics::TCustomDIBX& surface, const Rect& clip) override;
  bool Update(int32_t frame_ms) override;

 protected:
  bool SizeFollowsPicture() const override { return false; }
  void TransferKindFields(RecordIO& io) override;

 private:
  void DrawTiles(graphics::TCustomDIBX& target);
  TVeskImageList list_;
  std::unique_ptr<TVeskMotionLink> motion_;
};

}  // namespace vesk::components
