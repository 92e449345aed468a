// The archive container: index reader, entry reads, and the writer.
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "core/inflate.h"
#include "core/messages.h"
#include "core/sjis.h"
#include "core/vesk_error.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "storage/vrfiles.h"

namespace vesk::storage {

namespace {

constexpr int64_t kIndexChunk = 102400;
// An entry never inflates beyond this: a hostile archive cannot make us
// allocate without bound.
constexpr int64_t kMaxInflatedSize = int64_t{1} << 31;

// Reads the index in large chunks: an index of many small fields would
// otherwise cost one system call per field.
class IndexReader {
 public:
  IndexReader(TStream& s, int64_t start, const std::string& label)
      : s_(s), pos_(start), end_(s.Size()), label_(label) {}

  int64_t position() const { return pos_; }
  int64_t remaining() const { return end_ - pos_; }
  void Seek(int64_t pos) {
    pos_ = pos;
    buffer_.clear();
  }
  void Read(void* out, int64_t n, const char* what) {
    if (n < 0 || n > remaining()) Fail(std::string("truncated ") + what);
    auto* dst = static_cast<uint8_t*>(out);
    while (n > 0) {
      if (pos_ < buffer_start_ || pos_ >= buffer_start_ + static_cast<int64_t>(buffer_.size()))
        Fill();
      const int64_t off = pos_ - buffer_start_;
      const int64_t take = std::min<int64_t>(n, static_cast<int64_t>(buffer_.size()) - off);
      std::memcpy(dst, buffer_.data() + off, static_cast<size_t>(take));
      dst += take;
      pos_ += take;
      n -= take;
    }
  }
  int32_t I32(const char* what) {
    uint8_t b[4];
    Read(b, 4, what);
    return static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                                uint32_t(b[3]) << 24);
  }
  int64_t I64(const char* what) {
    const uint32_t lo = static_cast<uint32_t>(I32(what));
    const uint32_t hi = static_cast<uint32_t>(I32(what));
    return static_cast<int64_t>(uint64_t(hi) << 32 | lo);
  }
  [[noreturn]] void Fail(const std::string& what) const {
    throw EArchiveError(label_ + ": " + what + " in the archive index");
  }

 private:
  void Fill() {
    buffer_start_ = pos_;
    buffer_.resize(static_cast<size_t>(std::min(kIndexChunk, remaining())));
    s_.Seek(pos_);
    s_.ReadExact(buffer_.data(), static_cast<int64_t>(buffer_.size()), "archive index");
  }
  TStream& s_;
  int64_t pos_, end_;
  const std::string& label_;
  std::vector<uint8_t> buffer_;
  int64_t buffer_start_ = 0;
};

std::string UpperExtension(const std::string& name) {
  return UpperAsciiBytes(ExtensionByBytes(name, "\\/"));
}

std::string SideIndexPath(const std::string& path) {
  const auto slash = path.find_last_of('/');
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ".ext";
  return path.substr(0, dot) + ".ext";
}

bool IsExecutableName(const std::string& path) {
  const std::string ext = UpperExtension(path);
  return ext == ".EXE" || ext == ".SCR";
}

// Where an archive appended to a program starts: the last 6 bytes are the
// position and "vk". -1 when the file carries no such trailer.
int64_t TrailerBase(TStream& s, bool require_magic) {
  const int64_t size = s.Size();
  if (size < 8) return -1;
  uint8_t t[6];
  s.Seek(size - 6);
  if (s.Read(t, 6) != 6 || t[4] != 'v' || t[5] != 'k') return -1;
  const int64_t base = static_cast<int32_t>(uint32_t(t[0]) | uint32_t(t[1]) << 8 |
                                            uint32_t(t[2]) << 16 | uint32_t(t[3]) << 24);
  if (base < 0 || base > size - 6) return -1;
  if (require_magic) {
    uint8_t m[2];
    s.Seek(base);
    if (s.Read(m, 2) != 2 || m[0] != 'v' || m[1] != 'f') return -1;
  }
  return base;
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& in) {
  uLongf out_size = compressBound(static_cast<uLong>(in.size()));
  std::vector<uint8_t> out(out_size);
  if (compress2(out.data(), &out_size, in.data(), static_cast<uLong>(in.size()), Z_BEST_SPEED) !=
      Z_OK)
    throw EArchiveError("compression failed");
  out.resize(out_size);
  return out;
}

uint32_t Crc32(const std::vector<uint8_t>& data) {
  return static_cast<uint32_t>(crc32(0L, data.data(), static_cast<uInt>(data.size())));
}

}  // namespace

static std::vector<uint8_t> InflateStreaming(const uint8_t* data, size_t size,
                                             const std::string& what);

std::vector<uint8_t> InflateEntry(const uint8_t* data, size_t size, const std::string& what) {
  // The whole entry at once, guessing its size from the usual ratio and
  // growing the guess; a stream that fails is inflated again below, which
  // says what is wrong with it.
  std::vector<uint8_t> out;
  constexpr size_t kMax = static_cast<size_t>(kMaxInflatedSize);
  for (size_t limit = std::clamp<size_t>(size * 4, 4096, kMax);; limit *= 2) {
    limit = std::min(limit, kMax);
    const InflateResult r = InflateZlibWhole({data, size}, limit, out);
    if (r == InflateResult::kOk) return out;
    if (r == InflateResult::kBadData || limit == kMax) break;
  }
  return InflateStreaming(data, size, what);
}

static std::vector<uint8_t> InflateStreaming(const uint8_t* data, size_t size,
                                             const std::string& what) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) throw EArchiveError(what + ": cannot start decompression");
  std::vector<uint8_t> out(std::max<size_t>(size * 4, 4096));
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  int rc = Z_OK;
  while (rc != Z_STREAM_END) {
    if (z.total_out == out.size()) {
      if (static_cast<int64_t>(out.size()) >= kMaxInflatedSize) {
        inflateEnd(&z);
        throw EArchiveError(what + ": decompressed data too large");
      }
      out.resize(std::min<size_t>(out.size() * 2, static_cast<size_t>(kMaxInflatedSize)));
    }
    z.next_out = out.data() + z.total_out;
    z.avail_out = static_cast<uInt>(out.size() - z.total_out);
    rc = inflate(&z, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END && !(rc == Z_BUF_ERROR && z.avail_out == 0)) {
      inflateEnd(&z);
      throw EArchiveError(what + ": damaged compressed data");
    }
    if (rc == Z_OK && z.avail_in == 0 && z.avail_out != 0) {
      inflateEnd(&z);
      throw EArchiveError(what + ": compressed data cut short");
    }
  }
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
}

int TVrFileCollection::EntryCount() const {
  const int n = Count();
  return (n > 0 && Entry(n - 1)->Name() == kEofEntryName) ? n - 1 : n;
}

void TVrFileCollection::ReadIndex(TStream& s, int64_t base, const std::string& label,
                                  int64_t data_size, bool allow_cut) {
  Clear();
  IndexReader in(s, base, label);
  uint8_t magic[2] = {0, 0};
  if (in.remaining() >= 2) in.Read(magic, 2, "magic");
  if (magic[0] == 'v' && magic[1] == 'f') {
    Version = in.I32("version");
    if (Version < 0 || Version > kArchiveVersion)
      in.Fail("unsupported version " + std::to_string(Version));
  } else {
    in.Seek(base);  // no magic: an archive of the first format
    Version = 0;
  }
  const int32_t n = in.I32("entry count");
  const bool scrambled = Version > 99, wide = Version > 100, tables = Version > 100;
  const int64_t offset_size = wide ? 8 : 4;
  // Every entry needs at least its name length and its offset: a count the
  // rest of the index cannot hold is rejected before anything is allocated.
  if (n < 0 || (int64_t{n} * (4 + offset_size) + offset_size) > in.remaining())
    in.Fail("entry count " + std::to_string(n) + " exceeds the file");

  std::vector<std::string> names(static_cast<size_t>(n));
  TArchiveScrambler name_gen;
  for (auto& name : names) {
    const int32_t len = in.I32("name length");
    if (len < 0 || len > in.remaining())
      in.Fail("name length " + std::to_string(len) + " exceeds the file");
    name.resize(static_cast<size_t>(len));
    in.Read(name.data(), len, "name");
    if (scrambled)
      for (char& c : name)
        c = static_cast<char>(static_cast<uint8_t>(c) ^ (name_gen.Next() & 0xFF));
  }
  // Offsets count from the base; each must lie inside the data before sizes
  // are taken as differences, or two hostile values overflow.
  const int64_t data_end = (data_size < 0 ? s.Size() : data_size) - base;
  std::vector<int64_t> offsets(static_cast<size_t>(n) + 1);
  TArchiveScrambler offset_gen;
  for (auto& off : offsets) {
    if (wide) {
      uint64_t v = static_cast<uint64_t>(in.I64("offset"));
      if (scrambled) {
        const uint32_t k = offset_gen.Next();
        const uint64_t ext = (k & 0x80000000u) ? 0xFFFFFFFF00000000ull : 0;
        v ^= ext | k;
      }
      off = static_cast<int64_t>(v);
    } else {
      uint32_t v = static_cast<uint32_t>(in.I32("offset"));
      if (scrambled) v ^= offset_gen.Next();
      off = static_cast<int32_t>(v);
    }
    // Past the end is allowed only when the caller drops the entries there;
    // two non-negative offsets never overflow their difference.
    if (off < 0 || (off > data_end && !allow_cut))
      in.Fail("offset " + std::to_string(off) + " lies outside the file");
  }
  std::vector<uint8_t> stored(static_cast<size_t>(n), 0), kinds(static_cast<size_t>(n), 0);
  std::vector<int32_t> dates(static_cast<size_t>(n), 0);
  std::vector<uint32_t> crcs(static_cast<size_t>(n), 0);
  if (tables) {
    in.Read(stored.data(), n, "stored flags");
    for (auto& d : dates) d = in.I32("file date");
    for (auto& c : crcs) c = static_cast<uint32_t>(in.I32("CRC"));
    if (Version >= 102) in.Read(kinds.data(), n, "CRC kinds");
  }
  Reserve(n + 1);
  for (int32_t i = 0; i <= n; ++i) {
    auto entry = std::make_unique<TVrFile>();
    entry->SetName(i < n ? names[static_cast<size_t>(i)] : kEofEntryName);
    entry->Offset = offsets[static_cast<size_t>(i)] + base;
    entry->Size = i < n ? offsets[static_cast<size_t>(i) + 1] - offsets[static_cast<size_t>(i)] : 0;
    if (i < n) {
      entry->Stored = stored[static_cast<size_t>(i)];
      entry->FileDate = dates[static_cast<size_t>(i)];
      entry->Crc = crcs[static_cast<size_t>(i)];
      entry->CrcOfOriginal = kinds[static_cast<size_t>(i)];
    }
    Add(std::move(entry));
  }
}

void TVrFileCollection::Open(const std::string& host_path) {
  Clear();
  data_.reset();
  memory_.reset();
  FileName = host_path;
  label_ = host_path;
  Version = 0;
  if (platform::DirectoryExists(host_path)) {
    Folder = host_path.back() == '/' ? host_path : host_path + "/";
    FileName.clear();
    return;
  }
  const auto slash = host_path.find_last_of('/');
  Folder = slash == std::string::npos ? std::string("./") : host_path.substr(0, slash + 1);
  auto data = TBigFileStream::OpenRead(host_path);
  if (!data) return;  // no file yet: a folder source until something is written

  int64_t base = TrailerBase(*data, !IsExecutableName(host_path));
  if (base < 0) base = 0;
  const std::string side = SideIndexPath(host_path);
  if (base == 0 && platform::FileExists(side)) {
    auto index = TBigFileStream::OpenRead(side);
    if (!index) throw EArchiveError(side + ": cannot be read");
    ReadIndex(*index, 0, side, data->Size());
  } else {
    ReadIndex(*data, base, host_path);
  }
  const int64_t size = data->Size();
  for (int i = 0; i < Count(); ++i) {
    const TVrFile* e = Entry(i);
    if (e->Offset < 0 || e->Size < 0 || e->Offset > size || e->Size > size - e->Offset)
      throw EArchiveError(host_path + ": entry " + platform::Cp932ToUtf8(e->Name()) +
                          " lies outside the file");
  }
  data_ = std::move(data);
}

void TVrFileCollection::OpenMemory(std::shared_ptr<const std::vector<uint8_t>> bytes,
                                   const std::string& label) {
  OpenMemoryChecked(std::move(bytes), label, false);
}

int TVrFileCollection::OpenMemoryCutShort(std::shared_ptr<const std::vector<uint8_t>> bytes,
                                          const std::string& label) {
  return OpenMemoryChecked(std::move(bytes), label, true);
}

int TVrFileCollection::OpenMemoryChecked(std::shared_ptr<const std::vector<uint8_t>> bytes,
                                         const std::string& label, bool allow_cut) {
  Clear();
  FileName.clear();
  Folder.clear();
  label_ = label;
  memory_ = std::move(bytes);
  data_ = std::make_unique<TSharedBytesStream>(memory_, memory_->data(),
                                               static_cast<int64_t>(memory_->size()));
  ReadIndex(*data_, 0, label, -1, allow_cut);
  const int64_t size = data_->Size();
  int dropped = 0;
  for (int i = Count() - 1; i >= 0; --i) {
    const TVrFile* e = Entry(i);
    const bool inside =
        e->Offset >= 0 && e->Size >= 0 && e->Offset <= size && e->Size <= size - e->Offset;
    if (inside) continue;
    // A negative size is a damaged index, not a cut file.
    if (!allow_cut || e->Size < 0)
      throw EArchiveError(label + ": entry " + platform::Cp932ToUtf8(e->Name()) +
                          " lies outside the archive");
    if (e->Name() != kEofEntryName) ++dropped;
    Delete(i);
  }
  return dropped;
}

std::unique_ptr<TStream> TVrFileCollection::OpenDataStream() const {
  if (memory_)
    return std::make_unique<TSharedBytesStream>(memory_, memory_->data(),
                                                static_cast<int64_t>(memory_->size()));
  if (!FileName.empty()) return TBigFileStream::OpenRead(FileName);
  return nullptr;
}

std::vector<uint8_t> TVrFileCollection::ReadEntryData(const TVrFile& entry) {
  const std::string what = label_ + ": entry " + platform::Cp932ToUtf8(entry.Name());
  if (!data_) throw EArchiveError(what + ": the archive has no data");
  std::vector<uint8_t> stored(static_cast<size_t>(entry.Size));
  data_->Seek(entry.Offset);
  if (data_->Read(stored.data(), entry.Size) != entry.Size)
    throw EArchiveError(what + ": cut short");
  if (entry.Stored || entry.Size == 0) return stored;
  return InflateEntry(stored.data(), stored.size(), what);
}

std::unique_ptr<TStream> TVrFileCollection::OpenEntryRange(const TVrFile& entry) {
  auto s = OpenDataStream();
  if (!s) throw EArchiveError(label_ + ": the archive has no data");
  return std::make_unique<TRangeStream>(std::move(s), entry.Offset, entry.Size);
}

bool TVrFileCollection::VerifyEntry(const TVrFile& entry, std::string* error) {
  try {
    if (!data_) throw EArchiveError(label_ + ": the archive has no data");
    std::vector<uint8_t> stored(static_cast<size_t>(entry.Size));
    data_->Seek(entry.Offset);
    data_->ReadExact(stored.data(), entry.Size, "entry");
    // Archives before version 101 keep no CRCs: reading the entry is the check.
    if (Version <= 100) {
      ReadEntryData(entry);
      return true;
    }
    const uint32_t crc = entry.CrcOfOriginal ? Crc32(ReadEntryData(entry)) : Crc32(stored);
    if (crc == entry.Crc) return true;
    if (error) *error = platform::Cp932ToUtf8(entry.Name()) + ": CRC mismatch";
  } catch (const std::exception& e) {
    if (error) *error = e.what();
  }
  return false;
}

void TVrFileCollection::ReadEntry(TMemoryStream& target, const std::string& name) {
  target.Clear();
  // A loose file beside the archive wins over its entry.
  if (auto path = loose_.Resolve(Folder, name);
      path && *path != FileName && platform::FileExists(*path)) {
    auto bytes = platform::ReadWholeFile(*path);
    if (bytes) {
      target.bytes() = std::move(*bytes);
      return;
    }
  }
  const TVrFile* e = FindEntry(name);
  if (!e || e->Name() == kEofEntryName || !data_)
    throw EVeskError(FormatMessage(MessageCp932(Msg::kFileMissingFormat), name));
  target.bytes() = ReadEntryData(*e);
}

TVrFile* TVrFileCollection::AddEntry(const std::string& name) {
  auto entry = std::make_unique<TVrFile>();
  entry->SetName(name);
  entry->Source = std::make_unique<TMemoryStream>();
  return static_cast<TVrFile*>(Add(std::move(entry)));
}

void TVrFileCollection::DeleteEntry(const std::string& name) {
  const int i = IndexOf(name);
  if (i >= 0 && Entry(i)->Name() != kEofEntryName) Delete(i);
}

std::vector<uint8_t> TVrFileCollection::EntryContentForWriting(const TVrFile& entry,
                                                               bool* from_disk, int32_t* date) {
  *from_disk = false;
  if (entry.Source) return entry.Source->bytes();
  if (auto path = loose_.Resolve(Folder, entry.Name()); path && platform::FileExists(*path)) {
    auto bytes = platform::ReadWholeFile(*path);
    if (!bytes) throw EArchiveError(*path + ": cannot be read");
    *from_disk = true;
    *date = platform::DosDateTime(*path);
    return std::move(*bytes);
  }
  if (!data_)
    throw EArchiveError(Folder + platform::Cp932ToUtf8(entry.Name()) + ": no such file to archive");
  return ReadEntryData(entry);
}

bool TVrFileCollection::SaveTo(TStream& out, const ArchiveWritePolicy& policy) {
  std::vector<TVrFile*> entries;
  for (int i = 0; i < Count(); ++i)
    if (Entry(i)->Name() != kEofEntryName) entries.push_back(Entry(i));
  const auto n = static_cast<int32_t>(entries.size());
  const int64_t base = out.Position();
  auto put32 = [&](uint32_t v) {
    uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    out.WriteExact(b, 4);
  };
  out.WriteExact("vf", 2);
  put32(kArchiveVersion);
  put32(static_cast<uint32_t>(n));
  TArchiveScrambler name_gen;
  for (const TVrFile* e : entries) {
    std::string name = e->Name();
    for (char& c : name) c = static_cast<char>(static_cast<uint8_t>(c) ^ (name_gen.Next() & 0xFF));
    put32(static_cast<uint32_t>(name.size()));
    out.WriteExact(name.data(), static_cast<int64_t>(name.size()));
  }
  const int64_t tables_at = out.Position();
  const int64_t tables_size = (int64_t{n} + 1) * 8 + int64_t{n} * 10;
  out.WriteExact(std::vector<uint8_t>(static_cast<size_t>(tables_size)).data(), tables_size);

  std::vector<int64_t> offsets;
  for (int32_t i = 0; i < n; ++i) {
    TVrFile* e = entries[static_cast<size_t>(i)];
    bool cancel = false;
    if (progress) progress({this, e, n, i, 0}, &cancel);
    if (cancel) return false;
    bool from_disk = false;
    int32_t date = e->FileDate;
    const std::vector<uint8_t> content = EntryContentForWriting(*e, &from_disk, &date);
    const int64_t size = static_cast<int64_t>(content.size());
    bool compress;
    if (from_disk) {
      const std::string ext = UpperExtension(e->Name());
      static const char* const kMedia[] = {".WAV",  ".WMA", ".OGG", ".MPG",
                                           ".MPEG", ".WMV", ".ASF", ".DAT"};
      const bool media = std::any_of(std::begin(kMedia), std::end(kMedia),
                                     [&](const char* m) { return ext == m; });
      compress = (ext == ".ORL" && policy.uncompressed_image_test &&
                  policy.uncompressed_image_test(content)) ||
                 (!media && size < 0x500000);
    } else {
      compress = size <= kMaxCompressedEntry;
    }
    std::vector<uint8_t> packed;
    if (compress) {
      packed = Deflate(content);
      // Not worth it: a tenth saved at least, or the bytes stay as they are.
      if (from_disk && static_cast<int64_t>(packed.size()) * 10 >= size * 9) compress = false;
    }
    offsets.push_back(out.Position() - base);
    const std::vector<uint8_t>& written = compress ? packed : content;
    out.WriteExact(written.data(), static_cast<int64_t>(written.size()));
    e->Stored = compress ? 0 : 1;
    e->FileDate = date;
    e->Crc = Crc32(content);
    e->CrcOfOriginal = 1;
    if (progress) progress({this, e, n, i, static_cast<int64_t>(written.size())}, &cancel);
    if (cancel) return false;
  }
  offsets.push_back(out.Position() - base);
  const int64_t end = out.Position();

  std::vector<uint8_t> tables;
  tables.reserve(static_cast<size_t>(tables_size));
  auto add32 = [&](uint32_t v) {
    for (int k = 0; k < 4; ++k) tables.push_back(static_cast<uint8_t>(v >> (8 * k)));
  };
  TArchiveScrambler offset_gen;
  for (int64_t off : offsets) {
    const uint32_t k = offset_gen.Next();
    const uint64_t v =
        static_cast<uint64_t>(off) ^ (((k & 0x80000000u) ? 0xFFFFFFFF00000000ull : 0) | k);
    add32(static_cast<uint32_t>(v));
    add32(static_cast<uint32_t>(v >> 32));
  }
  for (const TVrFile* e : entries) tables.push_back(e->Stored);
  for (const TVrFile* e : entries) add32(static_cast<uint32_t>(e->FileDate));
  for (const TVrFile* e : entries) add32(e->Crc);
  for (const TVrFile* e : entries) tables.push_back(e->CrcOfOriginal);
  out.Seek(tables_at);
  out.WriteExact(tables.data(), static_cast<int64_t>(tables.size()));
  out.Seek(end);
  return true;
}

bool TVrFileCollection::SaveToFile(const std::string& host_path, const ArchiveWritePolicy& policy) {
  const std::string tmp = host_path + ".part";
  bool ok = false;
  try {
    auto out = TBigFileStream::Create(tmp, int64_t{1} << 62);
    if (!out) throw EArchiveError(tmp + ": cannot be created");
    ok = SaveTo(*out, policy) && out->Flush();
  } catch (...) {
    platform::RemoveFile(tmp);
    throw;
  }
  if (!ok || !platform::RenameFile(tmp, host_path)) {
    platform::RemoveFile(tmp);
    return false;
  }
  return true;
}

bool HasAppendedArchive(const std::string& host_path) {
  auto data = TBigFileStream::OpenRead(host_path);
  return data && TrailerBase(*data, !IsExecutableName(host_path)) >= 0;
}

}  // namespace vesk::storage
