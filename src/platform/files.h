#pragma once
// Plain file access for the layers above. Paths are UTF-8 on-disk paths.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vesk::platform {

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path);
// Written to a temporary file beside `path`, flushed and renamed into place
// (the folder flushed too), so a crash or a power loss mid-write leaves the
// old file intact. On failure *error (when given) says why, the temporary
// file is gone and the old file stands as it was.
bool WriteFileAtomic(const std::string& path, const void* data, size_t size,
                     std::string* error = nullptr);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Whether this process may create and replace files in the folder (a
// read-only mount or a folder of another user says no).
bool DirectoryWritable(const std::string& path);
// Where programs keep their users' data: $XDG_DATA_HOME, else
// $HOME/.local/share (no trailing '/'); empty when neither is known.
std::string UserDataDirectory();
// The text of the last OS error, for messages.
std::string LastErrorText();
// Absolute, with symbolic links resolved; the input itself when that fails.
std::string CanonicalPath(const std::string& path);
// The running executable's path and folder (with a trailing '/').
std::string ExecutablePath();
std::string ExecutableDirectory();
// True when `path` lies on an ISO 9660 or UDF file system (a CD or DVD).
bool IsOnOpticalDisc(const std::string& path);
std::string JoinPath(const std::string& dir, const std::string& name);

// Names of the entries of a folder (no "." or ".."); nullopt when it cannot
// be read.
std::optional<std::vector<std::string>> ListDirectory(const std::string& path);
// Modification time in nanoseconds since the epoch; 0 when unknown. Used to
// notice that a cached folder listing is stale.
int64_t ModificationTimeNs(const std::string& path);
// The file's modification time as a DOS date-time stamp (local time), 0 when unknown.
int32_t DosDateTime(const std::string& path);
bool RemoveFile(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);
bool RemoveEmptyDirectory(const std::string& path);
bool MakeDirectories(const std::string& path);
// A new private folder under the system's temporary folder ($TMPDIR or /tmp);
// empty when it cannot be made.
std::string MakePrivateTempDirectory(const std::string& prefix);
// Mount points of the CD/DVD file systems (ISO 9660, UDF) now mounted, in
// the order the mount table lists them.
std::vector<std::string> OpticalDiscMountPoints();

// A file opened for positional reads and writes; closed on destruction.
class File {
 public:
  enum class Mode { kRead, kCreate /* truncates */, kReadWrite };
  static std::unique_ptr<File> Open(const std::string& path, Mode mode);
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Bytes transferred; fewer than asked at the end of the file; -1 on error.
  int64_t ReadAt(int64_t offset, void* buffer, int64_t count) const;
  int64_t WriteAt(int64_t offset, const void* buffer, int64_t count);
  int64_t Size() const;
  bool Flush();
  const std::string& path() const { return path_; }

 private:
  File(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  int fd_;
  std::string path_;
};

}  // namespace vesk::platform
