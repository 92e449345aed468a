#pragma once
// The save file "save.dat": an archive of the game's saved entries, read
// and written as a whole. Where it lives, how a damaged file is kept aside
// and how a write reaches the disk are decided here; what the entries hold
// is the save data's business (save_data.h).
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace vesk::script {

inline constexpr const char* kSaveFileName = "save.dat";

// Where the saves are read from and written to (host paths). Both are the
// same file unless the data folder cannot be written to: then the saves go
// to a folder of the user's own and the data folder's save.dat, while no
// save of the user's own exists yet, is read instead.
struct SaveLocation {
  std::string read_path;
  std::string write_path;
  bool empty() const { return write_path.empty(); }
};

// The location for a game whose data folder is `data_dir`: save.dat there
// when the folder is writable, otherwise under `user_dir` (the caller's
// per-game folder below the user's data folder, made on the first write).
SaveLocation ChooseSaveLocation(const std::string& data_dir, const std::string& user_dir);

// The entries of one save file, in stored order, with what went wrong
// reading it.
class TSaveFile {
 public:
  using Entry = std::pair<std::string, std::vector<uint8_t>>;

  // Reads `path`. A missing file gives no entries. A file that cannot be
  // read (not an archive, cut short, an entry that fails its check) keeps
  // the entries that can still be read; damaged() tells, problem() says why.
  static TSaveFile Read(const std::string& path);

  bool exists() const { return exists_; }
  bool damaged() const { return !problem_.empty(); }
  const std::string& problem() const { return problem_; }
  const std::vector<Entry>& entries() const { return entries_; }
  // Names compare without regard to ASCII case, as archive names do.
  const std::vector<uint8_t>* Find(const std::string& name) const;
  // Replaces an entry: the old one goes, the new one is added at the end.
  void Put(const std::string& name, std::vector<uint8_t> bytes);
  void Remove(const std::string& name);

  // The archive's bytes.
  std::vector<uint8_t> Encode() const;

 private:
  std::vector<Entry> entries_;
  bool exists_ = false;
  std::string problem_;
};

// What a write reports: lines for the player's standard error and trace.
using SaveReport = std::function<void(const std::string& utf8_line)>;

// Writes `file` to `path` atomically (a temporary file beside it, flushed
// and renamed into place). When `keep_aside` is set (the file there could
// not be read), that file is first renamed to save.dat.broken-N so that it
// is never overwritten. False with the reason reported when the write
// failed; the file at `path` is then as it was.
bool WriteSaveFile(const TSaveFile& file, const std::string& path, bool keep_aside,
                   const SaveReport& report);

}  // namespace vesk::script
