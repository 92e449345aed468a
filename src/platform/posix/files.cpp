#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

namespace vesk::platform {
namespace {

constexpr long kIso9660Magic = 0x9660;
constexpr long kUdfMagic = 0x15013346;

}  // namespace

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return std::nullopt;
  }
  std::vector<uint8_t> data(static_cast<size_t>(st.st_size));
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = read(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
  data.resize(done);
  return data;
}

bool WriteFileAtomic(const std::string& path, const void* data, size_t size, std::string* error) {
  auto fail = [&](const std::string& what) {
    if (error) *error = what + ": " + LastErrorText();
    return false;
  };
  const std::string tmp = path + ".tmp" + std::to_string(getpid());
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return fail(tmp + ": cannot be created");
  const auto* p = static_cast<const uint8_t*>(data);
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(fd, p + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      const bool ok = fail(tmp + ": cannot be written");
      close(fd);
      unlink(tmp.c_str());
      return ok;
    }
    done += static_cast<size_t>(n);
  }
  if (fsync(fd) != 0) {
    const bool ok = fail(tmp + ": cannot be flushed");
    close(fd);
    unlink(tmp.c_str());
    return ok;
  }
  if (close(fd) != 0) {
    const bool ok = fail(tmp + ": cannot be closed");
    unlink(tmp.c_str());
    return ok;
  }
  if (rename(tmp.c_str(), path.c_str()) != 0) {
    const bool ok = fail(path + ": cannot be replaced");
    unlink(tmp.c_str());
    return ok;
  }
  // The rename itself lives in the folder: flush it too, or a power loss
  // may bring back the old name (or none).
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  if (int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  return true;
}

bool DirectoryWritable(const std::string& path) {
  return DirectoryExists(path) && access(path.c_str(), W_OK | X_OK) == 0;
}

std::string UserDataDirectory() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') return xdg;
  if (const char* home = std::getenv("HOME"); home && *home)
    return std::string(home) + "/.local/share";
  return {};
}

std::string LastErrorText() {
  return std::strerror(errno);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string CanonicalPath(const std::string& path) {
  char buf[PATH_MAX];
  if (realpath(path.c_str(), buf)) return buf;
  return path;
}

std::string ExecutablePath() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  buf[n] = 0;
  return buf;
}

std::string ExecutableDirectory() {
  std::string exe = ExecutablePath();
  auto slash = exe.rfind('/');
  return slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
}

bool IsOnOpticalDisc(const std::string& path) {
  struct statfs fs {};
  if (statfs(path.c_str(), &fs) != 0) return false;
  return static_cast<long>(fs.f_type) == kIso9660Magic || static_cast<long>(fs.f_type) == kUdfMagic;
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

}  // namespace vesk::platform

#include <dirent.h>
#include <mntent.h>

#include <cerrno>
#include <ctime>

namespace vesk::platform {

std::optional<std::vector<std::string>> ListDirectory(const std::string& path) {
  DIR* d = opendir(path.c_str());
  if (!d) return std::nullopt;
  std::vector<std::string> names;
  while (dirent* e = readdir(d)) {
    const std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  closedir(d);
  return names;
}

int64_t ModificationTimeNs(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return 0;
  return int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
}

int32_t DosDateTime(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return 0;
  std::tm t{};
  const time_t secs = st.st_mtim.tv_sec;
  if (!localtime_r(&secs, &t) || t.tm_year < 80) return 0;
  const uint32_t date =
      uint32_t(t.tm_year - 80) << 9 | uint32_t(t.tm_mon + 1) << 5 | uint32_t(t.tm_mday);
  const uint32_t time =
      uint32_t(t.tm_hour) << 11 | uint32_t(t.tm_min) << 5 | uint32_t(t.tm_sec / 2);
  return static_cast<int32_t>(date << 16 | time);
}

bool RemoveFile(const std::string& path) {
  return unlink(path.c_str()) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveEmptyDirectory(const std::string& path) {
  return rmdir(path.c_str()) == 0;
}

bool MakeDirectories(const std::string& path) {
  if (path.empty() || DirectoryExists(path)) return true;
  const auto slash = path.find_last_of('/', path.size() - 2);
  if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash)))
    return false;
  return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

std::string MakePrivateTempDirectory(const std::string& prefix) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "XXXXXX";
  if (!mkdtemp(pattern.data())) return {};
  return pattern;
}

std::vector<std::string> OpticalDiscMountPoints() {
  std::vector<std::string> roots;
  FILE* table = setmntent("/proc/mounts", "r");
  if (!table) return roots;
  while (mntent* m = getmntent(table)) {
    const std::string type = m->mnt_type;
    if (type == "iso9660" || type == "udf") roots.push_back(m->mnt_dir);
  }
  endmntent(table);
  return roots;
}

std::unique_ptr<File> File::Open(const std::string& path, Mode mode) {
  const int flags = mode == Mode::kRead     ? O_RDONLY
                    : mode == Mode::kCreate ? O_RDWR | O_CREAT | O_TRUNC
                                            : O_RDWR | O_CREAT;
  const int fd = open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return nullptr;
  }
  return std::unique_ptr<File>(new File(fd, path));
}

File::~File() {
  close(fd_);
}

int64_t File::ReadAt(int64_t offset, void* buffer, int64_t count) const {
  int64_t done = 0;
  auto* p = static_cast<uint8_t*>(buffer);
  while (done < count) {
    const ssize_t n = pread(fd_, p + done, static_cast<size_t>(count - done), offset + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return done > 0 ? done : -1;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

int64_t File::WriteAt(int64_t offset, const void* buffer, int64_t count) {
  int64_t done = 0;
  const auto* p = static_cast<const uint8_t*>(buffer);
  while (done < count) {
    const ssize_t n = pwrite(fd_, p + done, static_cast<size_t>(count - done), offset + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    done += n;
  }
  return done;
}

int64_t File::Size() const {
  struct stat st {};
  return fstat(fd_, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

bool File::Flush() {
  return fdatasync(fd_) == 0;
}

}  // namespace vesk::platform
