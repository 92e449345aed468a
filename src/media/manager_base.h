#pragma once
// What every media manager shares: the list of its items (it owns them),
// the enabled and suspended flags, and Suspend/Resume/SetEnabled:
// - Suspend (enabled, not yet suspended): every item that plays, is not
//   paused and has not ended is paused and marked; the others lose their
//   mark.
// - Resume (enabled, suspended): every marked item plays again.
// - SetEnabled(false) suspends first, then clears the flag; true sets the
//   flag, then resumes. A disabled manager's items start nothing on Play.
#include <memory>
#include <string>
#include <vector>

#include "media/media_item.h"
#include "media/media_services.h"

namespace vesk::media {

class TMediaManagerBase : public TMediaManager {
 public:
  explicit TMediaManagerBase(const MediaServices& services) : services_(services) {}
  ~TMediaManagerBase() override;

  void Remove(TDMediaItem* item) override;
  void Clear() override;
  void Suspend() override;
  void Resume() override;
  void SetEnabled(bool enabled) override;
  bool Enabled() const override { return enabled_; }
  bool suspended() const { return suspended_; }
  size_t Count() const { return items_.size(); }

  const MediaServices& services() const { return services_; }
  // One line naming the file and what is wrong with it.
  void Report(const std::string& name, const std::string& reason) const;

 protected:
  TDMediaItem* Keep(std::unique_ptr<TDMediaItem> item);
  // A file this manager cannot play, already reported: an item that makes
  // no sound and reports its end once played.
  TDMediaItem* KeepSilent(MediaKind kind);
  // Called before an item of this manager is freed.
  virtual void Forget(TDMediaItem*) {}
  // The file's bytes, or null after a report.
  platform::MediaBytes ReadOrReport(const std::string& name) const;

 private:
  const MediaServices& services_;
  std::vector<std::unique_ptr<TDMediaItem>> items_;
  bool enabled_ = true;
  bool suspended_ = false;
};

}  // namespace vesk::media
