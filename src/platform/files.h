#pragma once
// Plain file access for the layers above. Paths are UTF-8 on-disk paths.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesk::platform {

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path);
// Written to a temporary file beside `path`, flushed and renamed into place,
// so a crash mid-write leaves the old file intact.
bool WriteFileAtomic(const std::string& path, const void* data, size_t size);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Absolute, with symbolic links resolved; the input itself when that fails.
std::string CanonicalPath(const std::string& path);
// The running executable's path and folder (with a trailing '/').
std::string ExecutablePath();
std::string ExecutableDirectory();
// True when `path` lies on an ISO 9660 or UDF file system (a CD or DVD).
bool IsOnOpticalDisc(const std::string& path);
std::string JoinPath(const std::string& dir, const std::string& name);

}  // namespace vesk::platform
