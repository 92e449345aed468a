#include "storage/streams.h"

#include <algorithm>
#include <cstring>

#include "platform/files.h"

namespace vesk::storage {

void TStream::ReadExact(void* buffer, int64_t count, const char* what) {
  if (count < 0 || Read(buffer, count) != count)
    throw EStreamError(std::string("unexpected end of stream reading ") + what);
}

void TStream::WriteExact(const void* buffer, int64_t count) {
  if (Write(buffer, count) != count) throw EStreamError("write failed");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count < 0) count = std::max<int64_t>(0, source.Size() - source.Position());
  // Moves in blocks so a large copy never needs the whole content in memory.
  constexpr int64_t kBlock = 1 << 20;
  std::vector<uint8_t> block(static_cast<size_t>(std::min(count, kBlock)));
  int64_t done = 0;
  while (done < count) {
    const int64_t want = std::min<int64_t>(kBlock, count - done);
    const int64_t got = source.Read(block.data(), want);
    if (got <= 0) break;
    WriteExact(block.data(), got);
    done += got;
  }
  return done;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  const int64_t n = std::clamp<int64_t>(Size() - position_, 0, std::max<int64_t>(count, 0));
  if (n > 0) std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const auto end = static_cast<size_t>(position_ + count);
  if (end > data_.size()) data_.resize(end);
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t position) {
  position_ = std::max<int64_t>(0, position);
  return position_;
}

int64_t TSharedBytesStream::Read(void* buffer, int64_t count) {
  const int64_t n = std::clamp<int64_t>(size_ - position_, 0, std::max<int64_t>(count, 0));
  if (n > 0) std::memcpy(buffer, data_ + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TSharedBytesStream::Write(const void*, int64_t) {
  throw EStreamError("read-only stream");
}

int64_t TSharedBytesStream::Seek(int64_t position) {
  position_ = std::max<int64_t>(0, position);
  return position_;
}

TBigFileStream::TBigFileStream(std::string path, int64_t part_size, bool writable)
    : path_(std::move(path)), part_size_(part_size), writable_(writable) {}

TBigFileStream::~TBigFileStream() = default;

std::string TBigFileStream::PartName(const std::string& path, int index) {
  if (index == 0) return path;
  const auto slash = path.find_last_of('/');
  const auto dot = path.find_last_of('.');
  const std::string stem = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                               ? path.substr(0, dot)
                               : path;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".%03d", index);
  return stem + suffix;
}

std::unique_ptr<TBigFileStream> TBigFileStream::OpenRead(const std::string& path) {
  auto first = platform::File::Open(path, platform::File::Mode::kRead);
  if (!first) return nullptr;
  std::unique_ptr<TBigFileStream> s(new TBigFileStream(path, kPartSize, false));
  s->parts_.push_back(std::move(first));
  // Only a full first part can be followed by more.
  for (int i = 1; i < 1000 && s->parts_.back()->Size() == kPartSize; ++i) {
    auto next = platform::File::Open(PartName(path, i), platform::File::Mode::kRead);
    if (!next) break;
    s->parts_.push_back(std::move(next));
  }
  return s;
}

std::unique_ptr<TBigFileStream> TBigFileStream::Create(const std::string& path, int64_t part_size) {
  // Stale parts of an older, longer archive must not be read as ours later.
  for (int i = 1; i < 1000; ++i) platform::RemoveFile(PartName(path, i));
  auto first = platform::File::Open(path, platform::File::Mode::kCreate);
  if (!first) return nullptr;
  std::unique_ptr<TBigFileStream> s(new TBigFileStream(path, part_size, true));
  s->parts_.push_back(std::move(first));
  return s;
}

int64_t TBigFileStream::Size() const {
  int64_t total = 0;
  for (const auto& p : parts_) total += p->Size();
  return total;
}

int64_t TBigFileStream::Seek(int64_t position) {
  position_ = std::max<int64_t>(0, position);
  return position_;
}

int64_t TBigFileStream::Read(void* buffer, int64_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    const auto part = static_cast<size_t>(position_ / part_size_);
    if (part >= parts_.size()) break;
    const int64_t in_part = position_ % part_size_;
    const int64_t want = std::min(count - done, part_size_ - in_part);
    const int64_t got = parts_[part]->ReadAt(in_part, out + done, want);
    if (got < 0) throw EStreamError("cannot read " + parts_[part]->path());
    done += got;
    position_ += got;
    if (got < want) break;
  }
  return done;
}

int64_t TBigFileStream::Write(const void* buffer, int64_t count) {
  if (!writable_) throw EStreamError(path_ + " is open for reading");
  const auto* in = static_cast<const uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    const auto part = static_cast<size_t>(position_ / part_size_);
    // Three digits name the parts: a thousandth part has no name.
    if (part >= 1000) throw EStreamError(path_ + ": too large for 1000 parts");
    while (parts_.size() <= part) {
      auto next = platform::File::Open(PartName(path_, static_cast<int>(parts_.size())),
                                       platform::File::Mode::kCreate);
      if (!next)
        throw EStreamError("cannot create " + PartName(path_, static_cast<int>(parts_.size())));
      parts_.push_back(std::move(next));
    }
    const int64_t in_part = position_ % part_size_;
    const int64_t n = std::min(count - done, part_size_ - in_part);
    if (parts_[part]->WriteAt(in_part, in + done, n) != n)
      throw EStreamError("cannot write " + parts_[part]->path());
    done += n;
    position_ += n;
  }
  return done;
}

bool TBigFileStream::Flush() {
  bool ok = true;
  for (auto& p : parts_) ok = p->Flush() && ok;
  return ok;
}

TRangeStream::TRangeStream(std::unique_ptr<TStream> source, int64_t offset, int64_t size)
    : source_(std::move(source)), offset_(offset), size_(std::max<int64_t>(0, size)) {}

int64_t TRangeStream::Read(void* buffer, int64_t count) {
  const int64_t n = std::clamp<int64_t>(size_ - position_, 0, std::max<int64_t>(count, 0));
  if (n == 0) return 0;
  source_->Seek(offset_ + position_);
  const int64_t got = source_->Read(buffer, n);
  position_ += got;
  return got;
}

int64_t TRangeStream::Write(const void*, int64_t) {
  throw EStreamError("read-only stream");
}

int64_t TRangeStream::Seek(int64_t position) {
  position_ = std::clamp<int64_t>(position, 0, size_);
  return position_;
}

}  // namespace vesk::storage
