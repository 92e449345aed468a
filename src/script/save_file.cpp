#include "script/save_file.h"

#include <memory>

#include "core/sjis.h"
#include "platform/files.h"
#include "storage/vrfiles.h"

namespace vesk::script {
namespace {

std::string Folder(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string Leaf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The first save.dat.broken-N that is free.
std::string BrokenName(const std::string& path) {
  for (int n = 1;; ++n) {
    std::string candidate = path + ".broken-" + std::to_string(n);
    if (!platform::FileExists(candidate) && !platform::DirectoryExists(candidate)) return candidate;
  }
}

// Temporary files of writes that never finished (a killed player) lie
// beside the save file; once a write has gone through they are litter.
void RemoveStaleTemporaries(const std::string& path) {
  const std::string prefix = Leaf(path) + ".tmp";
  auto names = platform::ListDirectory(Folder(path));
  if (!names) return;
  for (const std::string& name : *names) {
    if (name.compare(0, prefix.size(), prefix) != 0 || name.size() == prefix.size()) continue;
    if (name.find_first_not_of("0123456789", prefix.size()) != std::string::npos) continue;
    platform::RemoveFile(platform::JoinPath(Folder(path), name));
  }
}

}  // namespace

SaveLocation ChooseSaveLocation(const std::string& data_dir, const std::string& user_dir) {
  const std::string local = platform::JoinPath(data_dir, kSaveFileName);
  // Replacing save.dat is a rename in its folder: the folder decides.
  if (platform::DirectoryWritable(data_dir) || user_dir.empty()) return {local, local};
  const std::string own = platform::JoinPath(user_dir, kSaveFileName);
  return {platform::FileExists(own) || !platform::FileExists(local) ? own : local, own};
}

TSaveFile TSaveFile::Read(const std::string& path) {
  TSaveFile file;
  if (!platform::FileExists(path)) return file;
  file.exists_ = true;
  auto bytes = platform::ReadWholeFile(path);
  if (!bytes) {
    file.problem_ = "cannot be read: " + platform::LastErrorText();
    return file;
  }
  if (bytes->empty()) {
    file.problem_ = "the file is empty";
    return file;
  }
  storage::TVrFileCollection archive;
  try {
    // From memory: a loose file beside save.dat never stands in for an entry.
    // A file cut short keeps the entries that lie wholly before the cut.
    const int lost = archive.OpenMemoryCutShort(
        std::make_shared<const std::vector<uint8_t>>(std::move(*bytes)), path);
    if (lost > 0)
      file.problem_ = "cut short: " + std::to_string(lost) +
                      (lost == 1 ? " entry lies" : " entries lie") + " past the end of the file";
  } catch (const std::exception& e) {
    file.problem_ = e.what();
    return file;
  }
  for (int i = 0; i < archive.Count(); ++i) {
    const storage::TVrFile& entry = *archive.Entry(i);
    if (entry.Name() == storage::kEofEntryName) continue;
    std::string error;
    try {
      if (archive.VerifyEntry(entry, &error)) {
        file.entries_.emplace_back(entry.Name(), archive.ReadEntryData(entry));
        continue;
      }
    } catch (const std::exception& e) {
      error = e.what();
    }
    if (file.problem_.empty()) file.problem_ = error;
  }
  return file;
}

const std::vector<uint8_t>* TSaveFile::Find(const std::string& name) const {
  for (const Entry& e : entries_)
    if (EqualsIgnoreAsciiCase(e.first, name)) return &e.second;
  return nullptr;
}

void TSaveFile::Remove(const std::string& name) {
  std::erase_if(entries_, [&](const Entry& e) { return EqualsIgnoreAsciiCase(e.first, name); });
}

void TSaveFile::Put(const std::string& name, std::vector<uint8_t> bytes) {
  Remove(name);
  entries_.emplace_back(name, std::move(bytes));
}

std::vector<uint8_t> TSaveFile::Encode() const {
  storage::TVrFileCollection archive;
  for (const Entry& e : entries_) {
    storage::TVrFile* entry = archive.AddEntry(e.first);
    entry->Source = std::make_unique<storage::TMemoryStream>(e.second);
  }
  storage::TMemoryStream out;
  archive.SaveTo(out);
  return std::move(out.bytes());
}

bool WriteSaveFile(const TSaveFile& file, const std::string& path, bool keep_aside,
                   const SaveReport& report_to) {
  auto report = [&](const std::string& line) {
    if (report_to) report_to(line);
  };
  std::vector<uint8_t> bytes;
  try {
    bytes = file.Encode();
  } catch (const std::exception& e) {
    report(path + ": the saves could not be written: " + e.what());
    return false;
  }
  if (!platform::DirectoryExists(Folder(path)) && !platform::MakeDirectories(Folder(path))) {
    report(path + ": the saves could not be written: the folder cannot be made: " +
           platform::LastErrorText());
    return false;
  }
  if (keep_aside && platform::FileExists(path)) {
    const std::string aside = BrokenName(path);
    if (!platform::RenameFile(path, aside)) {
      // Never write over what may still be rescued.
      report(path + ": cannot be read and cannot be kept aside (" + platform::LastErrorText() +
             "); the saves were not written");
      return false;
    }
    report(path + ": could not be read; it is kept as " + Leaf(aside) + " and a new " + Leaf(path) +
           " is written");
  }
  std::string error;
  if (!platform::WriteFileAtomic(path, bytes.data(), bytes.size(), &error)) {
    report("the saves could not be written (" + error + "); the earlier " + Leaf(path) +
           " is unchanged");
    return false;
  }
  RemoveStaleTemporaries(path);
  return true;
}

}  // namespace vesk::script
