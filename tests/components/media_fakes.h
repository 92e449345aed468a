#pragma once
// Media items and managers for the sound and video tests: items keep the
// state a real one would (volume, pan, position, loop, play and pause) and
// log every call; managers make items for the files they are told exist.
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "media/media_item.h"

namespace vesk::components::test {

struct MediaLog {
  std::vector<std::string> calls;
  void Add(const std::string& c) { calls.push_back(c); }
  bool Has(const std::string& c) const {
    return std::find(calls.begin(), calls.end(), c) != calls.end();
  }
};

template <class Base>
class FakeItemOf : public Base {
 public:
  FakeItemOf(media::TMediaManager* manager, media::MediaKind kind, MediaLog* log)
      : Base(manager), kind_(kind), log_(log) {}
  bool GetLoop() override { return loop; }
  void SetLoop(bool v) override {
    loop = v;
    log_->Add(v ? "loop 1" : "loop 0");
  }
  int32_t GetPan() override { return pan; }
  int32_t GetVolume() override { return volume; }
  void SetPan(int32_t v) override {
    pan = v;
    log_->Add("pan " + std::to_string(v));
  }
  void SetVolume(int32_t v) override {
    volume = v;
    volumes.push_back(v);
  }
  int32_t GetPosition() override { return position_ms; }
  void SetPosition(int32_t v) override {
    position_ms = std::max(0, v);
    log_->Add("position " + std::to_string(v));
  }
  int32_t GetLength() override { return length_ms; }
  bool PollEnded() override { return ended; }
  void ClearEnded(int32_t) override { ended = false; }
  bool IsPlaying() override { return playing; }
  bool IsPaused() override { return paused; }
  void Play() override {
    playing = true;
    paused = false;
    log_->Add("play");
  }
  void Pause() override {
    playing = false;
    paused = true;
    log_->Add("pause");
  }
  media::MediaKind Kind() const override { return kind_; }

  bool loop = false, playing = false, paused = false, ended = false;
  int32_t pan = 0, volume = 0, position_ms = 0, length_ms = 60000;
  std::vector<int32_t> volumes;

 protected:
  media::MediaKind kind_;
  MediaLog* log_;
};

using FakeItem = FakeItemOf<media::TDMediaItem>;

class FakeVideoItem final : public FakeItemOf<media::TVideoItem> {
 public:
  FakeVideoItem(media::TMediaManager* manager, MediaLog* log, int w, int h)
      : FakeItemOf(manager, media::MediaKind::kVideo, log),
        width(w),
        height(h),
        pixels(Area(w, h) <= (size_t{1} << 20) ? Area(w, h) * 4 : 0, 0) {}
  bool NeedPaint() override { return need_paint; }
  const uint8_t* GetDC(int* stride) override {
    need_paint = false;
    *stride = width * 4;
    return pixels.data();
  }
  int32_t SourceWidth() override { return width; }
  int32_t SourceHeight() override { return height; }
  void SetRect(const Rect& s, const Rect& screen) override {
    source = s;
    this->screen = screen;
  }
  bool GetVisible() override { return visible; }
  void SetVisible(bool v) override { visible = v; }

  static size_t Area(int w, int h) { return static_cast<size_t>(w) * static_cast<size_t>(h); }
  int width, height;
  std::vector<uint8_t> pixels;  // B, G, R, X; none for absurd sizes
  bool need_paint = false, visible = false;
  Rect source, screen;
};

class FakeManager final : public media::TMediaManager {
 public:
  FakeManager(media::MediaKind kind, MediaLog* log) : kind_(kind), log_(log) {}
  media::TDMediaItem* Add(const std::string& name, bool overlay) override {
    if (!files.count(name)) return nullptr;
    ++adds;
    last_overlay = overlay;
    std::unique_ptr<media::TDMediaItem> item;
    if (kind_ == media::MediaKind::kVideo)
      item = std::make_unique<FakeVideoItem>(this, log_, video_w, video_h);
    else
      item = std::make_unique<FakeItem>(this, kind_, log_);
    if (auto* fake = dynamic_cast<FakeItem*>(item.get())) fake->length_ms = length_ms;
    if (auto* fake = dynamic_cast<FakeVideoItem*>(item.get())) fake->length_ms = length_ms;
    items.push_back(std::move(item));
    return items.back().get();
  }
  void Remove(media::TDMediaItem* item) override {
    std::erase_if(items, [item](const auto& p) { return p.get() == item; });
  }
  void Clear() override { items.clear(); }
  void Suspend() override {}
  void Resume() override {}
  void SetEnabled(bool) override {}
  bool Enabled() const override { return true; }

  std::set<std::string> files;
  std::vector<std::unique_ptr<media::TDMediaItem>> items;
  int adds = 0;
  bool last_overlay = false;
  int32_t length_ms = 60000;
  int video_w = 16, video_h = 8;

 private:
  media::MediaKind kind_;
  MediaLog* log_;
};

// The five managers, all fakes.
struct FakeMedia {
  MediaLog log;
  FakeManager video{media::MediaKind::kVideo, &log}, wmp{media::MediaKind::kWmp, &log},
      ogg{media::MediaKind::kOgg, &log}, cdda{media::MediaKind::kCdda, &log},
      midi{media::MediaKind::kMidi, &log};
  media::TMediaManagers managers{&video, &wmp, &ogg, &cdda, &midi};

  bool Holds(const std::string& name) const {
    for (const FakeManager* m : {&video, &wmp, &ogg, &cdda, &midi})
      if (m->files.count(name)) return true;
    return false;
  }
};

}  // namespace vesk::components::test
