#pragma once
// The virtual file manager and the archive container.
//
// Every file the runtime reads is asked for by a game name: Shift-JIS bytes
// with '\' separators, such as 画像\背景01.orl. TVrFileManager answers from an
// ordered set of sources: the base folder on disk, archives ("game.dat", an
// archive appended to the executable, an archive stored as a resource) and
// the mounted CD/DVD roots. TVrFileCollection is one archive (or a folder
// source); the same class reads and writes the save file.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "storage/hash.h"
#include "storage/loose_files.h"
#include "storage/patch_source.h"
#include "storage/streams.h"

namespace vesk::platform {
class Dialogs;
}

namespace vesk::storage {

// A damaged or hostile archive: the message names the file and what was wrong.
class EArchiveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr int32_t kArchiveVersion = 102;
inline constexpr const char* kEofEntryName = "\\EOF\\";
// Entries above this size are never compressed, so they can be streamed.
inline constexpr int64_t kMaxCompressedEntry = 0x4FFFFF;

// The scrambling generator: s <- s * 5 + k with k = 1164975123.
class TArchiveScrambler {
 public:
  static constexpr uint32_t kKey = 1164975123u;
  uint32_t Next() { return state_ = state_ * 5u + kKey; }

 private:
  uint32_t state_ = 0;
};

// One archive entry.
class TVrFile : public THashCollectionItem {
 public:
  int64_t Offset = 0;  // absolute position of the stored bytes in the data stream
  int64_t Size = 0;    // stored bytes
  uint8_t Stored = 0;  // 1: as they are; 0: a zlib stream
  int32_t FileDate = 0;
  uint32_t Crc = 0;
  uint8_t CrcOfOriginal = 0;              // 1: Crc covers the uncompressed content
  std::unique_ptr<TMemoryStream> Source;  // new content for the writer
};

class TVrFileCollection;

struct ArchiveProgress {
  const TVrFileCollection* collection;
  const TVrFile* entry;
  int entry_count;
  int entry_index;
  int64_t bytes_written;  // of this entry (0 before it is written)
};
// Called before and after each entry is written; set *cancel to stop.
using ArchiveProgressCallback = std::function<void(const ArchiveProgress&, bool* cancel)>;

// What the archive writer asks of the formats above storage.
struct ArchiveWritePolicy {
  // Whether a ".orl" file is an uncompressed layered image (those are worth
  // compressing whatever their size); unset: none is.
  std::function<bool(const std::vector<uint8_t>& file)> uncompressed_image_test;
};

class TVrFileCollection : public THashCollection {
 public:
  TVrFileCollection() = default;

  // Reads the index of an archive file: a plain archive (with an optional
  // ".ext" side index), an executable with the "vk" trailer (.exe, .scr, or
  // any file that ends in the trailer), split parts. When the file does not
  // exist the collection becomes a folder source for its folder.
  // Throws EArchiveError naming the file when the index is damaged.
  void Open(const std::string& host_path);
  // An archive held in memory (a resource), starting at offset 0.
  void OpenMemory(std::shared_ptr<const std::vector<uint8_t>> bytes, const std::string& label);
  // The same for an archive that may have been cut short (a copy that
  // stopped, a disk that filled up): an entry that does not lie wholly
  // inside the bytes is left out instead of failing the whole archive. The
  // number of entries left out. A damaged index still throws.
  int OpenMemoryCutShort(std::shared_ptr<const std::vector<uint8_t>> bytes,
                         const std::string& label);
  // Reads an index from `s` at base position `base`. Entry offsets must lie
  // within the data: `data_size` bytes, or `s` itself when negative (a side
  // index names the size of the archive it describes); with `allow_cut`
  // they may lie past its end (the caller checks each entry).
  void ReadIndex(TStream& s, int64_t base, const std::string& label, int64_t data_size = -1,
                 bool allow_cut = false);

  std::string Folder;    // host folder with a trailing '/'
  std::string FileName;  // host path of the archive ("" for memory or folder sources)
  int32_t Version = 0;   // the index version that was read
  ArchiveProgressCallback progress;

  bool HasData() const { return data_ != nullptr; }
  TVrFile* Entry(int index) const { return static_cast<TVrFile*>(At(index)); }
  TVrFile* FindEntry(const std::string& name) const { return static_cast<TVrFile*>(Find(name)); }
  // Real entries (the internal "\EOF\" entry is not counted).
  int EntryCount() const;

  // Content of one entry, decompressed, target rewound. A loose file in
  // Folder wins over the archive's entry. A name found nowhere raises the
  // "%s:ファイルがありません" error.
  void ReadEntry(TMemoryStream& target, const std::string& name);
  // The decompressed content of an entry of this archive.
  std::vector<uint8_t> ReadEntryData(const TVrFile& entry);
  // The stored bytes of an entry, as a stream of their own.
  std::unique_ptr<TStream> OpenEntryRange(const TVrFile& entry);
  // Checks the entry's CRC; false with *error naming the entry on damage.
  bool VerifyEntry(const TVrFile& entry, std::string* error);

  TVrFile* AddEntry(const std::string& name);
  void DeleteEntry(const std::string& name);

  // Writes the whole archive in the current format; false when the progress
  // callback cancelled. Throws EStreamError/EArchiveError on failures.
  bool SaveTo(TStream& out, const ArchiveWritePolicy& policy = {});
  // SaveTo into a temporary file beside host_path, renamed into place when
  // complete: a crash mid-write leaves the old archive intact.
  bool SaveToFile(const std::string& host_path, const ArchiveWritePolicy& policy = {});

 private:
  std::vector<uint8_t> EntryContentForWriting(const TVrFile& entry, bool* from_disk, int32_t* date);
  std::unique_ptr<TStream> OpenDataStream() const;
  // OpenMemory; entries outside the bytes are left out (counted) when
  // `allow_cut`, and fail the archive otherwise.
  int OpenMemoryChecked(std::shared_ptr<const std::vector<uint8_t>> bytes, const std::string& label,
                        bool allow_cut);

  std::shared_ptr<const std::vector<uint8_t>> memory_;  // memory-backed archives
  std::unique_ptr<TStream> data_;
  std::string label_;  // for error messages
  LooseFileResolver loose_;
};

// Inflates a zlib stream; throws EArchiveError prefixed with `what` when the
// data is damaged, cut short or would inflate beyond 2 GiB.
std::vector<uint8_t> InflateEntry(const uint8_t* data, size_t size, const std::string& what);
// Whether a program file carries an archive appended to it: a "vk" trailer
// whose position lies inside the file (and, for names other than .exe and
// .scr, points at an archive's magic). A program that merely ends in "vk"
// carries none.
bool HasAppendedArchive(const std::string& host_path);

// The temporary files entries were extracted to, with their use counts.
struct TVrLockData {
  std::string name;  // the entry's game name
  uint32_t id = 0;
  int use_count = 0;
  std::string path;  // host path of the temporary file
};

// What the disk prompt needs from the project and the shell.
struct DiskPromptContext {
  platform::Dialogs* dialogs = nullptr;
  std::string title_cp932;  // caption, and the title install sets must match
  std::string prompt_cp932;  // "ディスク%dを入れてから[OK]をクリックしてください"
  std::string exit_cp932;           // "終了します"
  std::function<void()> terminate;  // sets the termination flag and closes
};

class TVrFileManager {
 public:
  static constexpr int64_t kCacheLimitBytes = 0x400000;

  TVrFileManager();
  ~TVrFileManager();  // deletes every extracted temporary file
  TVrFileManager(const TVrFileManager&) = delete;
  TVrFileManager& operator=(const TVrFileManager&) = delete;

  void AddFolder(const std::string& host_path);
  // Source id, or -1 when that archive is already mounted.
  int AddArchive(const std::string& host_path);
  // Mounts an archive stored as a resource: of this program when
  // module_host_path is our own executable, otherwise of a Windows module.
  // Throws EVeskError "リソースが見つかりません" for an empty resource.
  int AddResource(const std::string& module_host_path, const std::string& res_name,
                  const std::string& res_type);
  // Mounts an archive already in memory (tests, bundled data).
  int AddMemoryArchive(std::shared_ptr<const std::vector<uint8_t>> bytes, const std::string& label);
  void RemoveSource(int id);
  // Mounts a translation patch (a folder or an archive file): every lookup
  // sees its files before those of the base folder, the archives and the
  // discs. One patch at a time; a second call replaces the first. Names
  // already cached or extracted are dropped, so an original read earlier
  // never shadows the patch. Throws EArchiveError naming the path.
  void AddPatch(const std::string& host_path);
  const TPatchSource* Patch() const { return patch_.get(); }
  TPatchSource* Patch() { return patch_.get(); }

  bool Exists(const std::string& name);
  // The complete, decompressed content; raises "%s:ファイルがありません".
  void ReadFile(TMemoryStream& target, const std::string& name);
  std::vector<uint8_t> ReadFileBytes(const std::string& name);
  // The stored bytes of the file, for streaming large media.
  std::unique_ptr<TStream> OpenRange(const std::string& name);
  // A real path the platform can open (extracting archive entries).
  std::string GetFilePath(const std::string& name);
  bool AskForDisk(int disk);
  void ClearCache();

  const std::string& BaseFolder() const { return base_folder_; }
  int SourceCount() const { return static_cast<int>(sources_.size()); }
  TVrFileCollection* Source(int id) const;
  void SetCdRoots(std::vector<std::string> roots) { cd_roots_ = std::move(roots); }
  // How the disk prompt finds the discs now in the drives (the mount table
  // by default; tests give folders).
  void SetCdRootScanner(std::function<std::vector<std::string>()> scan) {
    scan_cd_roots_ = std::move(scan);
  }
  DiskPromptContext& disk_prompt() { return disk_prompt_; }
  const std::vector<TVrLockData>& locks() const { return locks_; }
  // Cached names, most recently used first (upper-cased keys).
  std::vector<std::string> CacheKeys() const;
  int64_t CacheBytes() const;

 private:
  struct CacheEntry {
    std::string key;
    std::vector<uint8_t> content;
    bool filled = false;
  };
  CacheEntry& CacheSlot(const std::string& name);
  std::optional<std::string> LooseFile(const std::string& base, const std::string& name);
  bool LoadInto(const std::string& name, CacheEntry& slot);
  std::string TempFolder();
  std::string ExtractToTemp(const std::string& name);

  std::string base_folder_;
  std::vector<std::unique_ptr<TVrFileCollection>> sources_;
  std::vector<std::string> cd_roots_;
  std::vector<CacheEntry> cache_;  // most recently used first
  std::vector<TVrLockData> locks_;
  std::vector<std::string> retired_files_;  // extracted before a patch came
  std::unique_ptr<TPatchSource> patch_;
  uint32_t next_lock_id_ = 0;
  std::string temp_folder_;
  LooseFileResolver loose_;
  DiskPromptContext disk_prompt_;
  std::function<std::vector<std::string>()> scan_cd_roots_;
};

}  // namespace vesk::storage
