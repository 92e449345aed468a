// "vesk-tool archive": pack, unpack, list and verify, all through
// TVrFileCollection so the tool writes and reads exactly what the player does.
#include "vesk-tool/archive_command.h"
#include "vesk-tool/image_command.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "platform/cp932.h"
#include "platform/files.h"
#include "storage/loose_files.h"
#include "storage/streams.h"
#include "storage/vrfiles.h"

namespace vesk::tool {
namespace {

namespace fs = std::filesystem;
using storage::TBigFileStream;
using storage::TVrFile;
using storage::TVrFileCollection;

// A single-file archive may pass 1 GiB; with this part size the big stream
// never starts a second part.
constexpr int64_t kNoSplit = int64_t{1} << 62;
// game.dat, game.001 ... game.999.
constexpr int kMaxParts = 1000;

// Ends the command: printed as "vesk-tool: FILE: WHAT", exit status 1.
struct Failure {
  std::string file, what;
};
// A command line that makes no sense: printed with the usage, exit status 2.
struct UsageFailure {
  std::string what;
};

void Report(const Failure& f) {
  // Storage errors usually start with the file they concern already.
  if (f.file.empty() || f.what.rfind(f.file + ":", 0) == 0)
    std::cerr << "vesk-tool: " << f.what << '\n';
  else
    std::cerr << "vesk-tool: " << f.file << ": " << f.what << '\n';
}

// A name out of an archive as it may be shown on a terminal: the control
// characters of a hostile name could otherwise move the cursor or worse.
std::string Printable(std::string text) {
  for (char& c : text)
    if (static_cast<uint8_t>(c) < 0x20 || c == 0x7F) c = '?';
  return text;
}

std::string ShownName(const std::string& name_cp932) {
  return Printable(platform::Cp932ToUtf8(name_cp932));
}

// One status line on stderr, rewritten in place. Only on a terminal, so logs
// and pipes get the summary alone.
class ProgressLine {
 public:
  ProgressLine() : enabled_(isatty(STDERR_FILENO) == 1) {}
  ~ProgressLine() { Clear(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void Show(int done, int total, const std::string& name) {
    if (!enabled_) return;
    std::cerr << '\r' << Shorten(std::to_string(done) + "/" + std::to_string(total) + " " + name)
              << "\033[K" << std::flush;
    shown_ = true;
  }
  void Clear() {
    if (shown_) std::cerr << "\r\033[K" << std::flush;
    shown_ = false;
  }

 private:
  // A line that wraps cannot be taken back with '\r'.
  static std::string Shorten(const std::string& line) {
    constexpr size_t kMax = 72;
    if (line.size() <= kMax) return line;
    size_t cut = kMax;
    while (cut > 0 && (static_cast<uint8_t>(line[cut]) & 0xC0) == 0x80) --cut;
    return line.substr(0, cut) + "...";
  }
  bool enabled_;
  bool shown_ = false;
};

volatile std::sig_atomic_t g_interrupted = 0;
void OnInterrupt(int) {
  g_interrupted = 1;
}

// While packing, Ctrl-C stops at the next entry, so the half-written
// archive is removed instead of left behind.
class InterruptGuard {
 public:
  InterruptGuard() : previous_(std::signal(SIGINT, OnInterrupt)) { g_interrupted = 0; }
  ~InterruptGuard() { std::signal(SIGINT, previous_); }
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

 private:
  void (*previous_)(int);
};

struct DosFields {
  int year, month, day, hour, minute, second;
};

DosFields DecodeDos(int32_t dos) {
  const auto u = static_cast<uint32_t>(dos);
  return {static_cast<int>(u >> 25) + 1980, static_cast<int>((u >> 21) & 15),
          static_cast<int>((u >> 16) & 31), static_cast<int>((u >> 11) & 31),
          static_cast<int>((u >> 5) & 63),  static_cast<int>(u & 31) * 2};
}

// "YYYY-MM-DD HH:MM:SS", "-" for 0.
std::string FormatDosDateTime(int32_t dos) {
  if (dos == 0) return "-";
  const DosFields d = DecodeDos(dos);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour,
                d.minute, d.second);
  return text;
}

// ---------------------------------------------------------------- pack ---

struct PackOptions {
  std::string folder, out;
  bool split = false;
  int64_t part_size = TBigFileStream::kPartSize;
};

struct PackFile {
  std::string name;  // game name (CP932, '\' separators)
  std::string path;  // host path
  int64_t size = 0;
};

int64_t ParsePartSize(const std::string& text) {
  int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value <= 0)
    throw UsageFailure{"--part-size wants a positive number of bytes, not '" + text + "'"};
  return value;
}

PackOptions ParsePack(const std::vector<std::string>& args) {
  PackOptions o;
  std::vector<std::string> positional;
  bool part_size_given = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--split") {
      o.split = true;
    } else if (args[i] == "--part-size" && i + 1 < args.size()) {
      o.part_size = ParsePartSize(args[++i]);
      part_size_given = true;
    } else if (args[i].rfind("--", 0) == 0) {
      throw UsageFailure{"unknown option '" + args[i] + "' for archive pack"};
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) throw UsageFailure{"archive pack wants FOLDER and OUT.dat"};
  if (part_size_given && !o.split) throw UsageFailure{"--part-size goes with --split"};
  o.folder = positional[0];
  o.out = positional[1];
  while (o.folder.size() > 1 && o.folder.back() == '/') o.folder.pop_back();
  return o;
}

// The game name of a file: its path below the folder with '\' separators,
// in Shift-JIS. The name must come back unchanged from Shift-JIS, or the
// writer (which looks the file up by that name) would not find it.
std::string GameNameOf(const fs::path& relative, const std::string& host_path) {
  std::string utf8 = relative.generic_string();
  if (utf8.find('\\') != std::string::npos)
    throw Failure{host_path, "the name contains '\\', which games read as a folder separator"};
  std::replace(utf8.begin(), utf8.end(), '/', '\\');
  if (!platform::IsCp932Representable(utf8))
    throw Failure{host_path, "the name has no Shift-JIS (CP932) form; rename the file"};
  std::string cp932 = platform::Utf8ToCp932(utf8);
  const std::string back = platform::Cp932ToUtf8(cp932);
  if (back != utf8)
    throw Failure{host_path,
                  "the name changes in Shift-JIS (it reads back as " + back + "); rename the file"};
  return cp932;
}

std::string CanonicalOf(const std::string& path) {
  std::error_code ec;
  const fs::path p = fs::weakly_canonical(path, ec);
  return ec ? path : p.string();
}

// The archive being written and its existing parts: packing a folder into a
// file inside it must not swallow the previous archive.
std::set<std::string> OutputFiles(const std::string& out) {
  std::set<std::string> files{CanonicalOf(out)};
  for (int i = 1; i < kMaxParts && platform::FileExists(TBigFileStream::PartName(out, i)); ++i)
    files.insert(CanonicalOf(TBigFileStream::PartName(out, i)));
  return files;
}

void AddFile(const fs::directory_entry& e, const std::string& folder,
             const std::set<std::string>& skip, std::vector<PackFile>* files) {
  const std::string path = e.path().string();
  std::error_code ec;
  if (e.is_directory(ec)) {
    if (e.is_symlink(ec))
      std::cerr << "vesk-tool: " << path << ": link to a folder, not followed\n";
    return;
  }
  if (!e.is_regular_file(ec)) {
    std::cerr << "vesk-tool: " << path << ": not a regular file, left out\n";
    return;
  }
  if (skip.count(CanonicalOf(path))) return;
  const auto size = static_cast<int64_t>(e.file_size(ec));
  if (ec) throw Failure{path, ec.message()};
  files->push_back({GameNameOf(e.path().lexically_relative(folder), path), path, size});
}

std::vector<PackFile> CollectFiles(const std::string& folder, const std::set<std::string>& skip) {
  std::vector<PackFile> files;
  try {
    for (fs::recursive_directory_iterator it(folder), end; it != end; ++it)
      AddFile(*it, folder, skip, &files);
  } catch (const fs::filesystem_error& e) {
    throw Failure{e.path1().empty() ? folder : e.path1().string(), e.code().message()};
  }
  std::sort(files.begin(), files.end(),
            [](const PackFile& a, const PackFile& b) { return a.name < b.name; });
  return files;
}

// Entries without a Source: the writer reads each file itself and so applies
// its compression rules by extension and size, and takes the file's date.
void AddEntries(TVrFileCollection& archive, const std::vector<PackFile>& files) {
  std::map<std::string, std::string> path_of;
  for (const PackFile& f : files) {
    if (const TVrFile* other = archive.FindEntry(f.name))
      throw Failure{f.path, "differs from " + path_of[other->Name()] +
                                " only in letter case; a game could reach only one of them"};
    archive.AddEntry(f.name)->Source.reset();
    path_of[f.name] = f.path;
  }
}

void WatchProgress(TVrFileCollection& archive, ProgressLine& line) {
  archive.progress = [&line](const storage::ArchiveProgress& p, bool* cancel) {
    if (p.bytes_written == 0)
      line.Show(p.entry_index + 1, p.entry_count, ShownName(p.entry->Name()));
    if (g_interrupted) *cancel = true;
  };
}

void SaveInto(TVrFileCollection& archive, TBigFileStream& stream, const std::string& out) {
  bool finished = false;
  try {
    finished = archive.SaveTo(stream, ArchiveWritePolicyForImages());
  } catch (const std::exception& e) {
    throw Failure{out, e.what()};
  }
  if (!finished) throw Failure{out, "interrupted; no archive written"};
  if (!stream.Flush()) throw Failure{out, "cannot be written to disk"};
}

void RemoveArchive(const std::string& out) {
  platform::RemoveFile(out);
  for (int i = 1; i < kMaxParts && platform::RemoveFile(TBigFileStream::PartName(out, i)); ++i) {
  }
}

// Parts left beside OUT belong to the archive just replaced.
void RemoveStaleParts(const std::string& out) {
  for (int i = 1; i < kMaxParts; ++i) {
    const std::string part = TBigFileStream::PartName(out, i);
    if (!platform::FileExists(part) || !platform::RemoveFile(part)) break;
    std::cerr << "vesk-tool: " << part << ": removed (a part of the archive that was replaced)\n";
  }
}

// Written under a temporary name and renamed into place, so a failure or a
// crash leaves the previous archive intact.
int64_t WriteSingle(TVrFileCollection& archive, const std::string& out) {
  const std::string tmp = out + ".tmp-" + std::to_string(getpid());
  int64_t size = 0;
  try {
    auto stream = TBigFileStream::Create(tmp, kNoSplit);
    if (!stream) throw Failure{out, "cannot create " + tmp};
    SaveInto(archive, *stream, out);
    size = stream->Size();
    stream.reset();
    if (!platform::RenameFile(tmp, out)) throw Failure{out, "cannot be replaced"};
  } catch (...) {
    platform::RemoveFile(tmp);
    throw;
  }
  RemoveStaleParts(out);
  return size;
}

// Parts are many files, so they are written in place; on failure every part
// goes.
int64_t WriteSplit(TVrFileCollection& archive, const std::string& out, int64_t part_size,
                   size_t* parts) {
  auto stream = TBigFileStream::Create(out, part_size);
  if (!stream) throw Failure{out, "cannot be created"};
  try {
    SaveInto(archive, *stream, out);
  } catch (...) {
    stream.reset();
    RemoveArchive(out);
    throw;
  }
  *parts = stream->part_count();
  return stream->Size();
}

// Part names have three digits: a thousandth part would wrap onto an earlier
// one. The writer never stores a file larger than it is, so the content plus
// the index bounds the archive.
void CheckPartCount(const std::vector<PackFile>& files, int64_t bytes_in, int64_t part_size,
                    const std::string& out) {
  int64_t bound = bytes_in + 10 + 8;
  for (const PackFile& f : files) bound += 4 + static_cast<int64_t>(f.name.size()) + 8 + 10;
  if ((bound - 1) / part_size >= kMaxParts)
    throw Failure{out, "would need more than " + std::to_string(kMaxParts) +
                           " parts; give a larger part size"};
}

int Pack(const PackOptions& o) {
  if (!platform::DirectoryExists(o.folder)) throw Failure{o.folder, "no such folder"};
  if (platform::DirectoryExists(o.out)) throw Failure{o.out, "is a folder"};
  const std::vector<PackFile> files = CollectFiles(o.folder, OutputFiles(o.out));
  TVrFileCollection archive;
  archive.Folder = o.folder + "/";
  AddEntries(archive, files);
  int64_t bytes_in = 0;
  for (const PackFile& f : files) bytes_in += f.size;
  if (o.split) CheckPartCount(files, bytes_in, o.part_size, o.out);

  InterruptGuard interrupt;
  ProgressLine line;
  WatchProgress(archive, line);
  size_t parts = 1;
  const int64_t bytes_out =
      o.split ? WriteSplit(archive, o.out, o.part_size, &parts) : WriteSingle(archive, o.out);
  line.Clear();
  std::cout << o.out << ": " << files.size() << (files.size() == 1 ? " entry, " : " entries, ")
            << bytes_in << " bytes in, " << bytes_out << " bytes out";
  if (o.split) std::cout << ", " << parts << (parts == 1 ? " part" : " parts");
  std::cout << '\n';
  return 0;
}

// ------------------------------------------------------ reading archives ---

std::unique_ptr<TVrFileCollection> OpenArchive(const std::string& path) {
  if (platform::DirectoryExists(path)) throw Failure{path, "is a folder, not an archive"};
  if (!platform::FileExists(path)) throw Failure{path, "no such file"};
  auto archive = std::make_unique<TVrFileCollection>();
  try {
    archive->Open(path);
  } catch (const std::exception& e) {
    throw Failure{path, e.what()};
  }
  if (!archive->HasData()) throw Failure{path, "cannot be read"};
  return archive;
}

// Archives before version 101 carry no CRCs.
bool HasCrcs(const TVrFileCollection& archive) {
  return archive.Version > 100;
}

// Why SplitGameName refused a name, for the report.
std::string UnsafeReason(const std::string& name) {
  if (name.empty()) return "empty name";
  if (name[0] == '\\' || name[0] == '/') return "absolute name";
  if (name.size() >= 2 && name[1] == ':') return "drive prefix";
  if (name.find('\0') != std::string::npos) return "NUL byte in the name";
  return "a '.', '..' or empty component";
}

// Where entry `name` goes below `folder`; nullopt with *reason when the
// name could lead anywhere else.
std::optional<std::string> TargetPath(const std::string& folder, const std::string& name,
                                      std::string* reason) {
  const auto parts = storage::SplitGameName(name);
  if (!parts) {
    *reason = UnsafeReason(name);
    return std::nullopt;
  }
  std::string path = folder;
  for (const std::string& part : *parts) {
    const std::string c = platform::Cp932ToUtf8(part);
    if (c.empty() || c == "." || c == ".." || c.find_first_of(std::string("/\0", 2)) != c.npos) {
      *reason = "a component that is not a plain name";
      return std::nullopt;
    }
    path = platform::JoinPath(path, c);
    // A link already in the folder could carry the write anywhere.
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
      *reason = path + " is a symbolic link";
      return std::nullopt;
    }
  }
  return path;
}

void SetModificationTime(const std::string& path, int32_t dos) {
  if (dos == 0) return;
  const DosFields d = DecodeDos(dos);
  std::tm t{};
  t.tm_year = d.year - 1900;
  t.tm_mon = d.month - 1;
  t.tm_mday = d.day;
  t.tm_hour = d.hour;
  t.tm_min = d.minute;
  t.tm_sec = d.second;
  t.tm_isdst = -1;
  const std::time_t secs = std::mktime(&t);
  if (secs == -1) return;
  std::error_code ec;
  fs::last_write_time(
      path, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(secs)), ec);
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& data, std::string* error) {
  const std::string parent = fs::path(path).parent_path().string();
  if (!platform::MakeDirectories(parent)) {
    *error = "cannot create the folder " + parent;
    return false;
  }
  auto file = platform::File::Open(path, platform::File::Mode::kCreate);
  const auto size = static_cast<int64_t>(data.size());
  if (!file || file->WriteAt(0, data.data(), size) != size) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

bool UnpackEntry(TVrFileCollection& archive, const TVrFile& e, const std::string& path,
                 std::string* error) {
  std::vector<uint8_t> data;
  try {
    data = archive.ReadEntryData(e);
  } catch (const std::exception& ex) {
    *error = ex.what();
    return false;
  }
  if (!WriteFile(path, data, error)) return false;
  SetModificationTime(path, e.FileDate);
  return true;
}

int Unpack(const std::string& archive_path, const std::string& folder) {
  auto archive = OpenArchive(archive_path);
  if (!platform::MakeDirectories(folder)) throw Failure{folder, "cannot create the folder"};
  const int n = archive->EntryCount();
  int written = 0, skipped = 0, failed = 0;
  ProgressLine line;
  for (int i = 0; i < n; ++i) {
    const TVrFile& e = *archive->Entry(i);
    const std::string shown = ShownName(e.Name());
    line.Show(i + 1, n, shown);
    std::string problem;
    const auto path = TargetPath(folder, e.Name(), &problem);
    const bool ok = path && UnpackEntry(*archive, e, *path, &problem);
    if (ok) {
      ++written;
      continue;
    }
    ++(path ? failed : skipped);
    line.Clear();
    std::cerr << "vesk-tool: " << archive_path << ": " << (path ? "failed " : "skipped ") << shown
              << ": " << Printable(problem) << '\n';
  }
  line.Clear();
  std::cout << archive_path << ": " << written << " of " << n << " entries unpacked to " << folder;
  if (skipped) std::cout << ", " << skipped << " skipped";
  if (failed) std::cout << ", " << failed << " failed";
  std::cout << '\n';
  return skipped || failed ? 1 : 0;
}

std::string Hex8(uint32_t v) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", v);
  return text;
}

// The decompressed size of a compressed entry, which only reading tells.
std::string SizeColumn(TVrFileCollection& archive, const TVrFile& e, bool* damaged) {
  if (e.Stored) return "-";
  try {
    return std::to_string(archive.ReadEntryData(e).size());
  } catch (const std::exception& ex) {
    std::cerr << "vesk-tool: " << Printable(ex.what()) << '\n';
    *damaged = true;
    return "?";
  }
}

std::string CrcColumn(const TVrFileCollection& archive, const TVrFile& e) {
  if (!HasCrcs(archive)) return "-";
  return Hex8(e.Crc) + (e.CrcOfOriginal ? " of original" : " of stored bytes");
}

int List(const std::string& archive_path) {
  auto archive = OpenArchive(archive_path);
  const int n = archive->EntryCount();
  std::cout << archive_path << ": archive version " << archive->Version << ", " << n
            << (n == 1 ? " entry\n" : " entries\n");
  bool damaged = false;
  for (int i = 0; i < n; ++i) {
    const TVrFile& e = *archive->Entry(i);
    std::cout << ShownName(e.Name()) << '\t' << e.Size << '\t' << SizeColumn(*archive, e, &damaged)
              << '\t' << (e.Stored ? "stored" : "compressed") << '\t'
              << FormatDosDateTime(e.FileDate) << '\t' << CrcColumn(*archive, e) << '\n';
  }
  return damaged ? 1 : 0;
}

bool CheckEntry(TVrFileCollection& archive, const TVrFile& e, std::string* error) {
  if (HasCrcs(archive)) return archive.VerifyEntry(e, error);
  // Without a CRC the best check is that the entry reads.
  try {
    archive.ReadEntryData(e);
    return true;
  } catch (const std::exception& ex) {
    *error = ex.what();
    return false;
  }
}

int Verify(const std::string& archive_path) {
  auto archive = OpenArchive(archive_path);
  const int n = archive->EntryCount();
  int damaged = 0;
  ProgressLine line;
  for (int i = 0; i < n; ++i) {
    const TVrFile& e = *archive->Entry(i);
    line.Show(i + 1, n, ShownName(e.Name()));
    std::string error;
    if (CheckEntry(*archive, e, &error)) continue;
    line.Clear();
    std::cout << "damaged: " << ShownName(e.Name()) << " (" << Printable(error) << ")\n";
    ++damaged;
  }
  line.Clear();
  std::cout << archive_path << ": " << n << (n == 1 ? " entry" : " entries") << " checked, ";
  if (damaged)
    std::cout << damaged << " damaged\n";
  else
    std::cout << "all good" << (HasCrcs(*archive) ? "" : " (no CRCs in this version: read only)")
              << '\n';
  return damaged ? 1 : 0;
}

void ExpectArgs(const std::vector<std::string>& args, size_t count, const char* what) {
  for (const std::string& a : args)
    if (a.rfind("--", 0) == 0) throw UsageFailure{"unknown option '" + a + "'"};
  if (args.size() != count) throw UsageFailure{std::string("archive ") + what};
}

int Dispatch(const std::vector<std::string>& args) {
  if (args.empty()) throw UsageFailure{"archive wants a subcommand"};
  const std::string& sub = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (sub == "--help" || sub == "-h") {
    std::cout << ArchiveUsage();
    return 0;
  }
  if (sub == "pack") return Pack(ParsePack(rest));
  if (sub == "unpack") {
    ExpectArgs(rest, 2, "unpack wants ARCHIVE and FOLDER");
    return Unpack(rest[0], rest[1]);
  }
  if (sub == "list" || sub == "verify") {
    ExpectArgs(rest, 1, sub == "list" ? "list wants ARCHIVE" : "verify wants ARCHIVE");
    return sub == "list" ? List(rest[0]) : Verify(rest[0]);
  }
  throw UsageFailure{"unknown archive subcommand '" + sub + "'"};
}

}  // namespace

std::string ArchiveUsage() {
  return "  vesk-tool archive pack FOLDER OUT.dat [--split]\n"
         "      every file below FOLDER becomes an entry; --split writes 1 GiB parts\n"
         "  vesk-tool archive unpack ARCHIVE FOLDER\n"
         "      every entry into FOLDER\n"
         "  vesk-tool archive list ARCHIVE\n"
         "      entries with sizes, compression, dates and CRCs\n"
         "  vesk-tool archive verify ARCHIVE\n"
         "      reads every entry and checks its CRC\n";
}

int RunArchiveCommand(const std::vector<std::string>& args) {
  try {
    return Dispatch(args);
  } catch (const UsageFailure& u) {
    std::cerr << "vesk-tool: " << u.what << "\nusage:\n" << ArchiveUsage();
    return 2;
  } catch (const Failure& f) {
    Report(f);
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "vesk-tool: " << e.what() << '\n';
    return 1;
  }
}

}  // namespace vesk::tool
