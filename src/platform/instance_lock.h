#pragma once
// The single-instance guard: an advisory lock on a file named after the
// game's data path in the user's runtime directory. Held for the life of the
// object; released on every exit path by the destructor (and by the kernel if
// the process dies).
#include <memory>
#include <string>

namespace vesk::platform {

class InstanceLock {
 public:
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock called `name` (any bytes; made safe for a file name).
  // Returns null when another holder has it.
  static std::unique_ptr<InstanceLock> TryAcquire(const std::string& name,
                                                  const std::string& directory = {});
  // $XDG_RUNTIME_DIR/vesk-player, or a per-user folder under /tmp.
  static std::string DefaultDirectory();
  const std::string& path() const { return path_; }

 private:
  InstanceLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  int fd_;
  std::string path_;
};

}  // namespace vesk::platform
