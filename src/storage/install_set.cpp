#include "storage/install_set.h"

#include "core/byte_reader.h"

namespace vesk::storage {
namespace {

constexpr int kMaxMagicVersion = 999;

[[noreturn]] void Fail(const std::string& message) {
  throw EInstallSet("install set: " + message);
}

// "is" + three digits; files from the first installers start with the disk
// index instead, and read as version 0.
int32_t ReadVersion(ByteReader& in, const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 2 || bytes[0] != 'i' || bytes[1] != 's') return 0;
  in.Skip(2, "magic");
  const uint8_t* digits = in.Bytes(3, "version digits");
  int32_t version = 0;
  for (int i = 0; i < 3; ++i) {
    if (digits[i] < '0' || digits[i] > '9') Fail("version after \"is\" is not three digits");
    version = version * 10 + (digits[i] - '0');
  }
  return version;
}

// Rejects a count before anything is sized by it. A negative count, as a
// Delphi for-loop would, reads as none.
size_t CheckedCount(ByteReader& in, int32_t count, size_t bytes_each, const char* what) {
  if (count <= 0) return 0;
  if (static_cast<uint64_t>(count) * bytes_each > in.remaining())
    Fail(std::string(what) + " count " + std::to_string(count) + " cannot fit in the remaining " +
         std::to_string(in.remaining()) + " bytes");
  return static_cast<size_t>(count);
}

std::vector<std::string> ReadStrings(ByteReader& in, const char* what) {
  const size_t count = CheckedCount(in, in.I32(what), 4, what);
  std::vector<std::string> out;
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) out.push_back(in.Str(what));
  return out;
}

// Fields only the installer uses: folders, options and the per-file records.
void SkipInstallerFields(ByteReader& in, int32_t version) {
  for (int i = 0; i < 3; ++i) in.Str("installer string");
  in.U8("installer flag");
  in.Str("installer string");
  in.U8("installer flag");
  const int32_t records = in.I32("record count");
  in.Str("installer string");
  in.I32("installer integer");
  in.U8("installer flag");
  in.U8("installer flag");
  in.Str("installer string");
  in.Str("installer string");
  const size_t int_size = version > 99 ? 8 : 4;
  const size_t count = CheckedCount(in, records, 4 * int_size, "record");
  in.Skip(count * 4 * int_size, "records");
  in.Skip(4 * int_size, "size fields");
  in.U8("installer flag");
  if (version > 100) in.U8("installer flag");
}

void ReadTail(ByteReader& in, TInstallSet& set) {
  const int32_t v = set.version;
  if (v > 101) {
    for (std::string& name : ReadStrings(in, "extra file"))
      if (!name.empty()) set.extra_files.push_back(std::move(name));
  }
  if (v > 102) set.complete_install = in.U8("complete-install flag") != 0;
  if (v > 103) in.U8("installer flag");
  if (v > 104) in.U8("installer flag");
  if (v > 105) ReadStrings(in, "installer list");
  if (v > 106) in.Str("installer string");
}

struct FieldWriter {
  std::vector<uint8_t> out;
  void Int(int64_t v, size_t size) {
    for (size_t i = 0; i < size; ++i) out.push_back(static_cast<uint8_t>(uint64_t(v) >> (8 * i)));
  }
  void I32(int32_t v) { Int(v, 4); }
  void U8(uint8_t v) { out.push_back(v); }
  void Str(const std::string& s) {
    I32(static_cast<int32_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
  }
};

void WriteInstallerFields(FieldWriter& w, int version) {
  for (int i = 0; i < 3; ++i) w.Str("");
  w.U8(0);
  w.Str("");
  w.U8(0);
  w.I32(0);  // no per-file records
  w.Str("");
  w.I32(0);
  w.U8(0);
  w.U8(0);
  w.Str("");
  w.Str("");
  for (int i = 0; i < 4; ++i) w.Int(0, version > 99 ? 8 : 4);
  w.U8(0);
  if (version > 100) w.U8(0);
}

void WriteTail(FieldWriter& w, const TInstallSet& set, int version) {
  if (version > 101) {
    w.I32(static_cast<int32_t>(set.extra_files.size()));
    for (const std::string& name : set.extra_files) w.Str(name);
  }
  if (version > 102) w.U8(set.complete_install ? 1 : 0);
  if (version > 103) w.U8(0);
  if (version > 104) w.U8(0);
  if (version > 105) w.I32(0);
  if (version > 106) w.Str("");
}

}  // namespace

TInstallSet ReadInstallSet(const std::vector<uint8_t>& bytes) {
  ByteReader in(bytes.data(), bytes.size());
  TInstallSet set;
  try {
    set.version = ReadVersion(in, bytes);
    set.disk_index = in.I32("disk index");
    set.title = in.Str("title");
    SkipInstallerFields(in, set.version);
    ReadTail(in, set);
  } catch (const ETruncated& e) {
    Fail(e.what());
  }
  return set;
}

std::vector<uint8_t> WriteInstallSet(const TInstallSet& set, int version) {
  if (version < 0 || version > kMaxMagicVersion)
    throw std::invalid_argument("install set version " + std::to_string(version) +
                                " does not fit the magic");
  // A magic-less file whose disk index starts with "is" would read as one
  // with the magic, so such a set gets an explicit "is000".
  const bool needs_magic = version > 0 || (set.disk_index & 0xFFFF) == ('i' | 's' << 8);
  FieldWriter w;
  if (needs_magic) {
    const std::string magic = "is" + std::string(1, char('0' + version / 100)) +
                              char('0' + version / 10 % 10) + char('0' + version % 10);
    w.out.assign(magic.begin(), magic.end());
  }
  w.I32(set.disk_index);
  w.Str(set.title);
  WriteInstallerFields(w, version);
  WriteTail(w, set, version);
  return w.out;
}

}  // namespace vesk::storage
