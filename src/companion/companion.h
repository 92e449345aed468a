#pragma once
// The companion media module: Ogg, WMA and video playback and the trace
// output. The player talks to it through this fixed interface (version
// check, init and final, integer handles per media family). It is linked
// into the program rather than loaded; decoders register themselves as
// item factories.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace vesk::companion {

inline constexpr int kInterfaceVersion = 108;

// The version this build of the module implements.
int veskVersion();

// Stream callbacks the module reads media through (the player's virtual
// files). A null stream answers 0 everywhere.
struct StreamCallbacks {
  std::function<int64_t(void* stream)> size;
  std::function<int64_t(void* stream, void* buffer, int64_t count)> read;  // bytes read
  std::function<int64_t(void* stream)> get_position;
  std::function<int64_t(void* stream, int64_t position)> set_position;  // new position
};

struct InitParams {
  void* main_window = nullptr;  // handles the module may draw video into
  void* scene_panel = nullptr;
  StreamCallbacks streams;
};

// What every playing item answers, whatever its family.
class MediaItem {
 public:
  virtual ~MediaItem() = default;
  virtual void Play() = 0;
  virtual void Pause() = 0;
  virtual bool IsPlaying() const = 0;
  virtual bool IsPaused() const = 0;
  virtual bool IsEnd() const = 0;
  virtual int32_t GetLen() const = 0;       // milliseconds
  virtual int32_t GetPosition() const = 0;  // milliseconds
  virtual void SetPosition(int32_t position_ms) = 0;
  virtual int32_t GetVolume() const = 0;  // hundredths of a decibel, -10000..0
  virtual void SetVolume(int32_t volume) = 0;
  virtual int32_t GetPan() const = 0;  // -10000..10000
  virtual void SetPan(int32_t pan) = 0;
  virtual bool GetRepeat() const = 0;
  virtual void SetRepeat(bool on) = 0;
};

// Items live in a table and are named by positive integer handles; 0 means
// "no item". Handles are not reused while the module runs, so a stale handle
// can never reach a newer item.
template <typename T>
class HandleTable {
 public:
  int Add(std::unique_ptr<T> item) {
    if (!item) return 0;
    const int handle = next_++;
    items_[handle] = std::move(item);
    return handle;
  }
  T* Get(int handle) const {
    auto it = items_.find(handle);
    return it == items_.end() ? nullptr : it->second.get();
  }
  bool Del(int handle) { return items_.erase(handle) > 0; }
  size_t size() const { return items_.size(); }
  void Clear() { items_.clear(); }
  template <typename F>
  void ForEach(F&& f) {
    for (auto& [handle, item] : items_) f(*item);
  }

 private:
  std::map<int, std::unique_ptr<T>> items_;
  int next_ = 1;
};

enum class Family { kWmp, kOgg, kVideo };

// The module itself. One per process, created before the main window.
class Companion {
 public:
  using Factory = std::function<std::unique_ptr<MediaItem>(void* stream, const std::string& name)>;

  // Checks the interface version: empty on success, else the message the
  // player shows before it ends.
  static std::string CheckVersion(int version);

  void Init(const InitParams& params);
  void Final();
  bool initialized() const { return initialized_; }
  const InitParams& params() const { return params_; }

  // Decoders register here; a family without a factory answers 0 to Add.
  void SetFactory(Family family, Factory factory);
  bool HasFactory(Family family) const;

  int Add(Family family, void* stream, const std::string& name);
  bool Del(Family family, int handle);
  MediaItem* Get(Family family, int handle) const;
  size_t Count(Family family) const;

  // Video suspend/resume around display changes.
  void SuspendVideo() { video_suspended_ = true; }
  void ResumeVideo() { video_suspended_ = false; }
  bool video_suspended() const { return video_suspended_; }

 private:
  HandleTable<MediaItem>& Table(Family f) { return tables_[static_cast<int>(f)]; }
  const HandleTable<MediaItem>& Table(Family f) const { return tables_[static_cast<int>(f)]; }

  bool initialized_ = false;
  bool video_suspended_ = false;
  InitParams params_;
  HandleTable<MediaItem> tables_[3];
  Factory factories_[3];
};

}  // namespace vesk::companion
