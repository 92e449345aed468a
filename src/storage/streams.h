#pragma once
// The stream classes game data moves through: memory streams, file streams,
// big streams over an archive split into 1 GiB parts, and range streams over
// a slice of another source.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace vesk::platform {
class File;
}

namespace vesk::storage {

class TStream {
 public:
  virtual ~TStream() = default;
  // Bytes read (fewer at the end); throws EStreamError on an I/O failure.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t position) = 0;  // absolute; returns the new position
  virtual int64_t Position() const = 0;
  virtual int64_t Size() const = 0;

  // Reads exactly count bytes or throws EStreamError naming `what`.
  void ReadExact(void* buffer, int64_t count, const char* what = "data");
  void WriteExact(const void* buffer, int64_t count);
  // Copies count bytes from source's position (all that remains when count < 0).
  int64_t CopyFrom(TStream& source, int64_t count);
};

class EStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TMemoryStream final : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> data) : data_(std::move(data)) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t position) override;
  int64_t Position() const override { return position_; }
  int64_t Size() const override { return static_cast<int64_t>(data_.size()); }

  void Clear() {
    data_.clear();
    position_ = 0;
  }
  std::vector<uint8_t>& bytes() { return data_; }
  const std::vector<uint8_t>& bytes() const { return data_; }

 private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

// Read-only view of bytes that live elsewhere for the stream's whole life
// (a linked-in resource, a shared buffer).
class TSharedBytesStream final : public TStream {
 public:
  TSharedBytesStream(std::shared_ptr<const std::vector<uint8_t>> owner, const uint8_t* data,
                     int64_t size)
      : owner_(std::move(owner)), data_(data), size_(size) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override;
  int64_t Seek(int64_t position) override;
  int64_t Position() const override { return position_; }
  int64_t Size() const override { return size_; }

 private:
  std::shared_ptr<const std::vector<uint8_t>> owner_;
  const uint8_t* data_;
  int64_t size_;
  int64_t position_ = 0;
};

// One file, or an archive split into parts of at most kPartSize bytes:
// part 0 is the file itself, part i the name without its extension plus
// "." and i in three digits (game.dat, game.001, game.002 ...).
class TBigFileStream final : public TStream {
 public:
  static constexpr int64_t kPartSize = 0x40000000;

  // Opens part 0 and every following part that exists. Null when part 0
  // cannot be opened.
  static std::unique_ptr<TBigFileStream> OpenRead(const std::string& path);
  // Deletes every existing part, then creates part 0; parts after it are
  // created as writing crosses each boundary.
  static std::unique_ptr<TBigFileStream> Create(const std::string& path,
                                                int64_t part_size = kPartSize);
  static std::string PartName(const std::string& path, int index);

  ~TBigFileStream() override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t position) override;
  int64_t Position() const override { return position_; }
  int64_t Size() const override;
  const std::string& path() const { return path_; }
  size_t part_count() const { return parts_.size(); }
  bool Flush();

 private:
  TBigFileStream(std::string path, int64_t part_size, bool writable);
  std::string path_;
  int64_t part_size_;
  bool writable_;
  std::vector<std::unique_ptr<platform::File>> parts_;
  int64_t position_ = 0;
};

// The bytes [offset, offset + size) of another stream, read-only, with its
// own position. Owns the source.
class TRangeStream final : public TStream {
 public:
  TRangeStream(std::unique_ptr<TStream> source, int64_t offset, int64_t size);
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override;
  int64_t Seek(int64_t position) override;
  int64_t Position() const override { return position_; }
  int64_t Size() const override { return size_; }

 private:
  std::unique_ptr<TStream> source_;
  int64_t offset_, size_;
  int64_t position_ = 0;
};

}  // namespace vesk::storage
