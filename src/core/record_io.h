#pragma once
// RecordIO: one description of a stored record serves both directions. A
// record's fields are listed once, in stored order, in a Transfer function
// that calls a field method per field; over a ByteReader the methods fill
// the fields, over a ByteWriter they write them. Fields that came with a
// later stored version are listed under Since(first_version), so the reader
// and the writer cannot disagree about which versions carry them.
//
// Loading keeps ByteReader's errors: a cut record throws ETruncated naming
// the field (the "what" text), a count the remaining bytes cannot hold is
// refused before anything is allocated.
//
// Saving goes through the same non-const Transfer: the field methods only
// read the fields then (SaveRecord below).
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/byte_reader.h"
#include "core/byte_writer.h"
#include "core/extended_real.h"

namespace vesk {

class RecordIO {
 public:
  RecordIO(ByteReader& in, int32_t version) : in_(&in), version_(version) {}
  RecordIO(ByteWriter& out, int32_t version) : out_(&out), version_(version) {}

  bool loading() const { return in_ != nullptr; }
  int32_t version() const { return version_; }
  // Whether the record carries the fields that came with `first_version`.
  bool Since(int32_t first_version) const { return version_ >= first_version; }
  // What a field reads as when a loaded record is older than the field.
  template <typename T, typename V>
  void Absent(T& field, V&& value) const {
    if (loading()) field = std::forward<V>(value);
  }

  // The underlying stream, for parts with a reader and writer of their own.
  ByteReader& reader() { return *in_; }
  ByteWriter& writer() { return *out_; }

  void U8(uint8_t& v, const char* what) { Field(v, what, &ByteReader::U8, &ByteWriter::U8); }
  void I32(int32_t& v, const char* what) { Field(v, what, &ByteReader::I32, &ByteWriter::I32); }
  void I64(int64_t& v, const char* what) { Field(v, what, &ByteReader::I64, &ByteWriter::I64); }
  void Str(std::string& s, const char* what) { Field(s, what, &ByteReader::Str, &ByteWriter::Str); }
  // A flag byte: any non-zero byte loads as 1; the field is stored as held.
  void Flag(uint8_t& v, const char* what) {
    U8(v, what);
    if (in_ && v != 0) v = 1;
  }
  void Bool8(bool& v, const char* what) {
    uint8_t b = v ? 1 : 0;
    U8(b, what);
    if (in_) v = b != 0;
  }
  // The 10-byte extended real.
  void Ext(Real& x, const char* what) {
    if (in_)
      x = LoadExtended(in_->Bytes(10, what));
    else
      out_->Ext(x);
  }
  // `n` raw bytes.
  void Bytes(uint8_t* data, size_t n, const char* what) {
    if (in_) {
      const uint8_t* p = in_->Bytes(n, what);
      std::copy(p, p + n, data);
    } else {
      out_->Bytes(data, n);
    }
  }
  // A signed 32-bit byte count, then the bytes; a negative count reads as none.
  void Blob(std::vector<uint8_t>& data, const char* what_size, const char* what) {
    int32_t n = static_cast<int32_t>(data.size());
    I32(n, what_size);
    if (in_) {
      data.clear();
      if (n > 0) {
        const uint8_t* p = in_->Bytes(static_cast<size_t>(n), what);
        data.assign(p, p + n);
      }
    } else {
      out_->Bytes(data.data(), data.size());
    }
  }

  // A loaded value is clamped to [lo, hi]; the field is stored as held.
  void I32In(int32_t& v, int32_t lo, int32_t hi, const char* what) {
    I32(v, what);
    if (in_) v = std::clamp(v, lo, hi);
  }
  // A field that a load hands to a setter (which acts on the new value)
  // rather than storing it: `value` is what saving writes, `field` the
  // method that transfers it, e.g. Via(&RecordIO::Str, Source, "source", set).
  template <typename T, typename Set>
  void Via(void (RecordIO::*field)(T&, const char*), T value, const char* what, Set&& set) {
    (this->*field)(value, what);
    if (in_) set(std::move(value));
  }

  // Enums and other narrow types stored in one byte or in four.
  template <typename T>
  void AsU8(T& v, const char* what) {
    uint8_t b = static_cast<uint8_t>(v);
    U8(b, what);
    if (in_) v = static_cast<T>(b);
  }
  template <typename T>
  void AsI32(T& v, const char* what) {
    int32_t n = static_cast<int32_t>(v);
    I32(n, what);
    if (in_) v = static_cast<T>(n);
  }

  // How a loaded count below zero is taken.
  enum class Negative {
    kRefused,  // as a count out of range
    kNone,     // as no items (writers whose loops simply did not run)
  };
  // Whether the refusal of a count names the offset after it, as some
  // records always have: "<what> out of range[ at offset N]".
  enum class Offset { kUnnamed, kNamed };
  // A signed 32-bit item count: `n` when saving, the stored count when
  // loading. Each item takes at least `min_item_bytes`, so a loaded count
  // the remaining bytes cannot hold is refused.
  int32_t Count(size_t n, size_t min_item_bytes, const char* what,
                Negative negative = Negative::kRefused, Offset offset = Offset::kUnnamed) {
    int32_t count = static_cast<int32_t>(n);
    I32(count, what);
    if (!in_) return count;
    if (count < 0 && negative == Negative::kNone) return 0;
    const size_t room = in_->remaining() / (min_item_bytes == 0 ? 1 : min_item_bytes);
    if (count < 0 || static_cast<size_t>(count) > room) {
      std::string message = std::string(what) + " out of range";
      if (offset == Offset::kNamed) message += " at offset " + std::to_string(in_->position());
      throw ETruncated(message);
    }
    return count;
  }
  // A counted list; `item(T&)` transfers one element. A loaded element is
  // added once it is complete, so a cut list keeps only whole elements.
  template <typename T, typename Item>
  void List(std::vector<T>& list, size_t min_item_bytes, const char* what, Item&& item,
            Negative negative = Negative::kRefused, Offset offset = Offset::kUnnamed) {
    if (in_) list.clear();
    const int32_t n = Count(list.size(), min_item_bytes, what, negative, offset);
    if (!in_) {
      for (T& element : list) item(element);
      return;
    }
    for (int32_t i = 0; i < n; ++i) {
      T element{};
      item(element);
      list.push_back(std::move(element));
    }
  }

 private:
  template <typename T, typename Stored>
  void Field(T& v, const char* what, T (ByteReader::*read)(const char*),
             void (ByteWriter::*write)(Stored)) {
    if (in_)
      v = (in_->*read)(what);
    else
      (out_->*write)(v);
  }

  ByteReader* in_ = nullptr;
  ByteWriter* out_ = nullptr;
  int32_t version_;
};

// The entry points of a record class over its Transfer: LoadFromStream and
// SaveToStream of the records are these. Saving only reads the fields, so a
// const record may be saved through the non-const Transfer.
template <typename Record>
void LoadRecord(Record& record, ByteReader& in, int32_t version) {
  RecordIO io(in, version);
  record.Transfer(io);
}

template <typename Record>
void SaveRecord(const Record& record, ByteWriter& out, int32_t version) {
  RecordIO io(out, version);
  const_cast<Record&>(record).Transfer(io);
}

}  // namespace vesk
