#pragma once
// Frame-animated pictures. TVeskCustomImages keeps the frame index, its
// timing and the brightness, and steps through the frames of whichever
// frame list its kind shows. TVeskImages (kind 8) shows a layered picture
// file or a motion; TVeskPrevImages is an item of a preview menu that tells
// the menu when its animation has run out.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/component_services.h"
#include "components/custom_image.h"
#include "components/image_list.h"
#include "expr/parser.h"

namespace vesk::components {

// Motion files (".lmt") and layered pictures (".orl"), by extension in any
// case.
bool IsMotionFile(const std::string& name);
bool IsLayeredFile(const std::string& name);

class TVeskCustomImages : public TVeskCustomImage {
 public:
  explicit TVeskCustomImages(scene::TVeskBaseList* root) : TVeskCustomImage(root) {}

  int32_t Remaining = 0;    // milliseconds until the next frame
  int32_t FrameIndex = -1;  // -1 none
  int32_t Brightness = 0;   // -255..255, 0 as is
  uint8_t Paused = 0;
  // Milliseconds added after the last frame of a loop; evaluated over the
  // variable table each time the last frame comes up (0 without one).
  expr::TVeskParser EndWait;
  // ImgNew hands over its delay expression as the end wait.
  void TakeCreationExpression(int id, const expr::TVeskParser& expression) override {
    if (id == lang::PR_DELAY) EndWait.Assign(expression);
  }

  // The frame list shown now, and the motion driving the component (null
  // when none).
  virtual TVeskImageList* ShownList() { return nullptr; }
  const TVeskImageList* ShownList() const {
    return const_cast<TVeskCustomImages*>(this)->ShownList();
  }
  virtual TVeskMotionLink* ShownMotion() const { return nullptr; }
  virtual bool Repeats() const { return false; }

  const graphics::TCustomDIBX* BaseSurface() const override;
  const graphics::TCustomDIBX* ShownSurface() override;
  const graphics::TCustomDIBX* ShownMask() const override;
  bool HasMotion() const override { return ShownMotion() != nullptr; }

  // PR_INDEX: shows frame `index` (none outside the list) and restarts its
  // timing; with a motion, moves the motion instead.
  void SetFrameIndex(int32_t index);
  int32_t EndWaitValue();
  bool Playing() const;

  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  bool Update(int32_t frame_ms) override;
  void ReleaseSurfaces() override;
  void RestoreSurfaces() override { InvalidateImage(); }

 protected:
  // The frame step; true when the component is to be destroyed.
  bool StepFrames(int32_t frame_ms);
  // The last frame of a non-repeating animation ran out (once per run);
  // true destroys the component.
  virtual bool AnimationEnded() { return false; }
  // After a load: the saved frame and its remaining time come back once the
  // kind has set its source again.
  void RestoreLoadedFrame();
  void TransferKindFields(RecordIO& io) override;

  bool end_reported_ = false;

 private:
  int32_t loaded_index_ = -1, loaded_remaining_ = 0;
};

class TVeskImages : public TVeskCustomImages {
 public:
  explicit TVeskImages(scene::TVeskBaseList* root, int list_count = 1);
  ~TVeskImages() override;

  uint8_t Repeat = 0, AutoScrap = 0;
  std::string OnPlayEnd, OnIdle;

  int GetCompoType() const override;
  // The list (and motion) shown now: 0 here, the state for buttons.
  virtual int CurrentList() const { return 0; }
  TVeskImageList* ShownList() override;
  TVeskMotionLink* ShownMotion() const override;
  bool Repeats() const override { return Repeat != 0; }

  // The source of list `i`: ".orl" pictures load into the list, ".lmt"
  // motions drive the component, anything else shows nothing.
  void SetListSource(int i, const std::string& name);
  const std::string& ListSource(int i) const { return sources_[static_cast<size_t>(i)]; }
  int ListCount() const { return static_cast<int>(lists_.size()); }
  TVeskImageList& List(int i) { return *lists_[static_cast<size_t>(i)]; }
  TVeskMotionLink* Motion(int i) const { return motions_[static_cast<size_t>(i)].get(); }

  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;
  bool Update(int32_t frame_ms) override;
  void ReleaseSurfaces() override;

 protected:
  bool AnimationEnded() override;
  void TransferKindFields(RecordIO& io) override;
  // The fields of this level without the frame restore (buttons add their
  // own fields first).
  void TransferImagesFields(RecordIO& io);
  void DropMotion(int i);

 private:
  std::vector<std::string> sources_;
  std::vector<std::unique_ptr<TVeskImageList>> lists_;
  std::vector<std::unique_ptr<TVeskMotionLink>> motions_;
};

class TVeskPrevImages final : public TVeskImages {
 public:
  using TVeskImages::TVeskImages;
  // Set by the preview menu that owns the item.
  std::function<void(TVeskPrevImages& item)> OnAnimationFinished;
  bool Update(int32_t frame_ms) override;

 private:
  bool finish_reported_ = false;
};

}  // namespace vesk::components
