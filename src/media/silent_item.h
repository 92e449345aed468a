#pragma once
// What a manager gives for a file it holds but cannot play (damaged,
// undecodable, unreadable): an item that makes no sound and, once played,
// reports its end, so a script waiting for the end goes on. The file was
// named on standard error and in the trace when the item was made.
#include "media/media_item.h"

namespace vesk::media {

class TSilentItem final : public TDMediaItem {
 public:
  TSilentItem(TMediaManager* manager, MediaKind kind) : TDMediaItem(manager), kind_(kind) {}
  MediaKind Kind() const override { return kind_; }
  bool GetLoop() override { return loop_; }
  void SetLoop(bool loop) override { loop_ = loop; }
  int32_t GetVolume() override { return volume_; }
  void SetVolume(int32_t volume) override { volume_ = volume; }
  int32_t GetPan() override { return pan_; }
  void SetPan(int32_t pan) override { pan_ = pan; }
  // Each Play is followed by one report of the end.
  void Play() override { end_pending_ = true; }
  bool PollEnded() override {
    const bool ended = end_pending_;
    end_pending_ = false;
    return ended;
  }
  bool AtEnd() override { return true; }

 private:
  MediaKind kind_;
  bool loop_ = false;
  int32_t volume_ = 0, pan_ = 0;
  bool end_pending_ = false;
};

// The same for a film: no pictures (NeedPaint never answers true).
class TSilentVideoItem final : public TVideoItem {
 public:
  using TVideoItem::TVideoItem;
  void Play() override { end_pending_ = true; }
  bool PollEnded() override {
    const bool ended = end_pending_;
    end_pending_ = false;
    return ended;
  }
  bool AtEnd() override { return true; }
  bool NeedPaint() override { return false; }
  const uint8_t* GetDC(int* stride) override {
    if (stride) *stride = 0;
    return nullptr;
  }
  int32_t SourceWidth() override { return 0; }
  int32_t SourceHeight() override { return 0; }
  void SetRect(const Rect&, const Rect&) override {}
  bool GetVisible() override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }

 private:
  bool end_pending_ = false;
  bool visible_ = false;
};

}  // namespace vesk::media
