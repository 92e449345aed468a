#pragma once
// The one interface every sound and video component drives its medium
// through, whatever plays it: a media item made by the manager of its kind
// and given back to that manager when the component lets go of it.
// Units: volume in hundredths of a decibel (-10000 silent .. 0 full), pan
// -10000 (left) .. 10000 (right), positions and lengths in milliseconds.
// Everything here runs on the main thread.
#include <cstdint>
#include <string>

namespace vesk::media {

class TMediaManager;

enum class MediaKind : uint8_t { kWmp, kOgg, kCdda, kMidi, kVideo };

class TDMediaItem {
 public:
  explicit TDMediaItem(TMediaManager* manager) : manager_(manager) {}
  virtual ~TDMediaItem() = default;
  TDMediaItem(const TDMediaItem&) = delete;
  TDMediaItem& operator=(const TDMediaItem&) = delete;

  virtual bool GetLoop() { return false; }
  virtual void SetLoop(bool) {}
  virtual int32_t GetPan() { return 0; }
  virtual int32_t GetVolume() { return 0; }
  virtual void SetPan(int32_t) {}
  virtual void SetVolume(int32_t) {}
  virtual int32_t GetPosition() { return 0; }
  // Negative counts as 0.
  virtual void SetPosition(int32_t) {}
  virtual int32_t GetLength() { return 0; }
  // True when playback has reached its end (per kind: once per end or for
  // as long as it stands there).
  virtual bool PollEnded() { return false; }
  // Standing at its end, without taking a once-per-end report (what the
  // managers' Suspend asks).
  virtual bool AtEnd() { return false; }
  virtual void ClearEnded(int32_t) {}
  virtual bool IsPlaying() { return false; }
  virtual bool IsPaused() { return false; }
  virtual void Play() {}
  virtual void Pause() {}

  virtual MediaKind Kind() const = 0;
  // The manager that made it and takes it back.
  TMediaManager* Manager() const { return manager_; }

  // Marked by the manager's Suspend, played again by its Resume.
  bool suspended = false;

 private:
  TMediaManager* manager_;
};

// A video: an item whose pictures the video component shows.
class TVideoItem : public TDMediaItem {
 public:
  using TDMediaItem::TDMediaItem;
  MediaKind Kind() const override { return MediaKind::kVideo; }
  // A new picture since the last GetDC.
  virtual bool NeedPaint() = 0;
  // The current picture: SourceWidth x SourceHeight pixels of 4 bytes, B,
  // G, R, 255 in memory order, rows `*stride` bytes apart; null before the
  // first picture.
  virtual const uint8_t* GetDC(int* stride) = 0;
  virtual int32_t SourceWidth() = 0;
  virtual int32_t SourceHeight() = 0;
  // For an overlay video: which part of the picture (in video pixels) is
  // shown where on the screen (in window pixels, left/top/right/bottom).
  struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
  };
  virtual void SetRect(const Rect& source, const Rect& screen) = 0;
  virtual bool GetVisible() = 0;
  virtual void SetVisible(bool visible) = 0;
};

// A list of the items of one kind, which it owns.
class TMediaManager {
 public:
  virtual ~TMediaManager() = default;
  // A new item for the game's file `name` (CP932), or null when it cannot
  // be had (missing or undecodable: one line on standard error and the
  // trace says why). `overlay` is only read by the video manager.
  virtual TDMediaItem* Add(const std::string& name, bool overlay = false) = 0;
  // Frees the item when it belongs to this manager.
  virtual void Remove(TDMediaItem* item) = 0;
  virtual void Clear() = 0;
  // On losing and regaining the focus: pause what plays, play it again.
  virtual void Suspend() = 0;
  virtual void Resume() = 0;
  // Sound off (false) suspends and keeps items from starting; on resumes.
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
};

// The managers of one runtime, made in this order: video, WMA, Ogg, CD,
// MIDI. Any may be null (a test, or a machine without that medium).
struct TMediaManagers {
  TMediaManager* video = nullptr;
  TMediaManager* wmp = nullptr;
  TMediaManager* ogg = nullptr;
  TMediaManager* cdda = nullptr;
  TMediaManager* midi = nullptr;

  // The sound components' choice by name (extension in lower case):
  // ".mid"/".sgt" MIDI, ".wma"/".asf"/".wmv" WMA, ".ogg"/".wav" Ogg, else
  // CD for "CD_" names; null for anything else or a missing manager.
  TMediaManager* ForSoundName(const std::string& name) const;
};

}  // namespace vesk::media
