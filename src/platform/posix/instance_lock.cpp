#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

namespace vesk::platform {
namespace {

// Lock names are data paths turned into one component ("C:-GAMES-X-"); keep
// what a file name may hold and shorten very long names with a hash.
std::string SafeFileName(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    if (c == '/' || c == 0 || c < 0x20)
      out += '_';
    else
      out += static_cast<char>(c);
  }
  if (out.empty() || out == "." || out == "..") out = "_" + out;
  if (out.size() > 200) {
    char hash[17];
    snprintf(hash, sizeof hash, "%016zx", std::hash<std::string>{}(name));
    out = out.substr(0, 180) + "~" + hash;
  }
  return out + ".lock";
}

}  // namespace

std::string InstanceLock::DefaultDirectory() {
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg) {
    std::string dir = std::string(xdg) + "/vesk-player";
    mkdir(dir.c_str(), 0700);
    return dir;
  }
  std::string dir = "/tmp/vesk-player-" + std::to_string(getuid());
  mkdir(dir.c_str(), 0700);
  return dir;
}

std::unique_ptr<InstanceLock> InstanceLock::TryAcquire(const std::string& name,
                                                       const std::string& directory) {
  const std::string dir = directory.empty() ? DefaultDirectory() : directory;
  std::string path = dir + "/" + SafeFileName(name);
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return nullptr;
  }
  return std::unique_ptr<InstanceLock>(new InstanceLock(fd, std::move(path)));
}

InstanceLock::~InstanceLock() {
  // Unlink before unlocking so a racing starter never locks a file that is
  // about to disappear and then believes it is alone.
  unlink(path_.c_str());
  flock(fd_, LOCK_UN);
  close(fd_);
}

}  // namespace vesk::platform
