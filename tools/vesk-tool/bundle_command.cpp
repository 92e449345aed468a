// "vesk-tool bundle": OUT = PLAYER bytes + ARCHIVE bytes + a 6-byte trailer
// (the position where the archive starts, signed 32-bit little-endian, then
// "vk"). The player started without arguments reads its own last 6 bytes to
// find the game.
#include "vesk-tool/bundle_command.h"

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <limits>
#include <memory>

#include "platform/files.h"
#include "storage/streams.h"
#include "storage/vrfiles.h"

namespace vesk::tool {
namespace {

namespace fs = std::filesystem;
using storage::TBigFileStream;
using storage::TStream;

constexpr int64_t kTrailerSize = 6;
// The bundle is one file whatever its size.
constexpr int64_t kNoSplit = int64_t{1} << 62;

// Ends the command: printed as "vesk-tool: FILE: WHAT", exit status 1.
struct Failure {
  std::string file, what;
};

// The trailer is only taken as one when its position lies inside the file,
// the same test the reader applies.
bool EndsInTrailer(TStream& s) {
  const int64_t size = s.Size();
  if (size < kTrailerSize) return false;
  uint8_t t[kTrailerSize];
  s.Seek(size - kTrailerSize);
  if (s.Read(t, kTrailerSize) != kTrailerSize || t[4] != 'v' || t[5] != 'k') return false;
  const auto base = static_cast<int32_t>(uint32_t(t[0]) | uint32_t(t[1]) << 8 |
                                         uint32_t(t[2]) << 16 | uint32_t(t[3]) << 24);
  return base >= 0 && base <= size - kTrailerSize;
}

std::unique_ptr<TBigFileStream> OpenInput(const std::string& path) {
  if (platform::DirectoryExists(path)) throw Failure{path, "is a folder"};
  if (!platform::FileExists(path)) throw Failure{path, "no such file"};
  auto s = TBigFileStream::OpenRead(path);
  if (!s) throw Failure{path, "cannot be read"};
  return s;
}

void CheckPlayer(TStream& player, const std::string& path) {
  const int64_t size = player.Size();
  if (size == 0) throw Failure{path, "is empty"};
  if (size > std::numeric_limits<int32_t>::max())
    throw Failure{path, "is 2 GiB or larger; the trailer cannot point past it"};
  if (EndsInTrailer(player))
    throw Failure{path,
                  "already carries a game (it ends in a \"vk\" trailer); bundle the plain player"};
}

// The archive must read as one and start with its "vf" header: a player
// whose name does not end in .exe only accepts a trailer pointing at that
// header. Returns the entry count.
int CheckArchive(TStream& archive, const std::string& path) {
  if (EndsInTrailer(archive)) throw Failure{path, "is a bundled program, not an archive"};
  uint8_t magic[2] = {0, 0};
  archive.Seek(0);
  if (archive.Read(magic, 2) != 2 || magic[0] != 'v' || magic[1] != 'f')
    throw Failure{path,
                  "is not an archive of the current format (no \"vf\" header); "
                  "repack it with vesk-tool archive pack"};
  storage::TVrFileCollection index;
  try {
    index.ReadIndex(archive, 0, path);
  } catch (const std::exception& e) {
    throw Failure{path, e.what()};
  }
  return index.EntryCount();
}

void WriteBundle(TStream& player, TStream& archive, const std::string& tmp,
                 const std::string& out) {
  auto s = TBigFileStream::Create(tmp, kNoSplit);
  if (!s) throw Failure{out, "cannot create " + tmp};
  const int64_t base = player.Size();
  player.Seek(0);
  archive.Seek(0);
  if (s->CopyFrom(player, -1) != base || s->CopyFrom(archive, -1) != archive.Size())
    throw Failure{out, "an input file shrank while it was copied"};
  const auto b = static_cast<uint32_t>(base);
  const uint8_t trailer[kTrailerSize] = {
      uint8_t(b), uint8_t(b >> 8), uint8_t(b >> 16), uint8_t(b >> 24), 'v', 'k'};
  s->WriteExact(trailer, kTrailerSize);
  if (!s->Flush()) throw Failure{out, "cannot be written to disk"};
}

// Reads the index back through the trailer, as the player will.
void CheckBundle(const std::string& tmp, int64_t base, int entries, const std::string& out) {
  auto s = TBigFileStream::OpenRead(tmp);
  storage::TVrFileCollection index;
  if (s) index.ReadIndex(*s, base, out);
  if (!s || index.EntryCount() != entries)
    throw Failure{out, "does not read back as the archive it was given"};
}

void MakeExecutable(const std::string& tmp, const std::string& out) {
  std::error_code ec;
  fs::permissions(tmp, fs::perms(0755), fs::perm_options::replace, ec);
  if (ec) throw Failure{out, "cannot be made executable: " + ec.message()};
}

// Written under a temporary name, made executable, then renamed into place:
// OUT is never seen half-written, and OUT may even be PLAYER itself.
void Bundle(const std::string& player_path, const std::string& archive_path,
            const std::string& out) {
  auto player = OpenInput(player_path);
  CheckPlayer(*player, player_path);
  auto archive = OpenInput(archive_path);
  const int entries = CheckArchive(*archive, archive_path);
  if (platform::DirectoryExists(out)) throw Failure{out, "is a folder"};
  const std::string tmp = out + ".tmp-" + std::to_string(getpid());
  try {
    WriteBundle(*player, *archive, tmp, out);
    CheckBundle(tmp, player->Size(), entries, out);
    MakeExecutable(tmp, out);
    if (!platform::RenameFile(tmp, out)) throw Failure{out, "cannot be replaced"};
  } catch (const std::exception& e) {
    platform::RemoveFile(tmp);
    throw Failure{out, e.what()};
  } catch (...) {
    platform::RemoveFile(tmp);
    throw;
  }
  std::cout << out << ": " << player->Size() << " bytes of player + " << archive->Size()
            << " bytes of archive (" << entries << (entries == 1 ? " entry" : " entries")
            << ") + trailer\n";
}

}  // namespace

std::string BundleUsage() {
  return "  vesk-tool bundle PLAYER ARCHIVE OUT\n"
         "      OUT = PLAYER with ARCHIVE appended: one executable that plays the game\n";
}

int RunBundleCommand(const std::vector<std::string>& args) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << BundleUsage();
    return 0;
  }
  if (args.size() != 3) {
    std::cerr << "vesk-tool: bundle wants PLAYER, ARCHIVE and OUT\nusage:\n" << BundleUsage();
    return 2;
  }
  try {
    Bundle(args[0], args[1], args[2]);
    return 0;
  } catch (const Failure& f) {
    if (f.what.rfind(f.file + ":", 0) == 0)
      std::cerr << "vesk-tool: " << f.what << '\n';
    else
      std::cerr << "vesk-tool: " << f.file << ": " << f.what << '\n';
    return 1;
  }
}

}  // namespace vesk::tool
