#pragma once
// Script tables: named tables of fixed-layout records whose fields are
// integers, reals, flags or bounded strings. TDBField is one column,
// TDBFieldList the columns and the record layout, TDBCustomTable the
// abstract table whose record operations are virtual, TDBTable the
// in-memory table. The list of tables and the active one are TDBManager's
// (db/db_manager.h).
//
// Records are packed without padding, fields in column order, and are
// copied, saved and loaded as raw bytes: a saved game holds them exactly as
// they are in memory. All records of a table share one contiguous buffer,
// so a search walks memory in order.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/byte_reader.h"
#include "core/byte_writer.h"
#include "core/extended_real.h"
#include "core/record_io.h"

namespace vesk::expr {
class TCustomParam;
}

namespace vesk::db {

using vesk::Real;

// Field type codes: the value type codes of the script language.
enum : uint8_t { kFieldInt = 1, kFieldFloat = 2, kFieldBool = 3, kFieldStr = 4 };

// The largest string field (terminator included) and the largest record.
// Scripts and files ask for any size; past these a field is refused rather
// than letting one record, or one hostile saved game, take the memory.
inline constexpr int32_t kMaxFieldBytes = 1 << 20;
inline constexpr int64_t kMaxRecordBytes = int64_t{16} << 20;
// The most records a stored table without fields may hold.
inline constexpr int32_t kMaxEmptyRecords = 1 << 20;

// The bytes a field of `type` takes for a declared string length; 0 for a
// type that is none of the four or a length out of range.
int32_t FieldSizeFor(int32_t type, int32_t length);

// A real to an integer: to the nearest, halves to the even neighbour
// (2.5 -> 2, -2.5 -> -2); the low 32 bits of it, 0 for NaN and beyond 64 bits.
int32_t RoundHalfEven(Real x);

class TDBField {
 public:
  int32_t Size = 0;
  std::string Name;
  uint8_t FieldType = 0;
};

class TDBCustomTable;

class TDBFieldList {
 public:
  explicit TDBFieldList(TDBCustomTable* owner = nullptr) : owner_(owner) {}
  TDBFieldList(const TDBFieldList&) = delete;
  TDBFieldList& operator=(const TDBFieldList&) = delete;

  // Index of the new field, or -1 for a type other than 1..4 (low 8 bits
  // looked at) or a string length outside 0 .. kMaxFieldBytes - 1 or one
  // that would make the record larger than kMaxRecordBytes. The owner's
  // records grow first and read the new field as zero.
  int32_t AddField(const std::string& name, int32_t type, int32_t length);
  // The same with the size given, as copies and loads have it.
  int32_t AddSizedField(const std::string& name, uint8_t type, int32_t size);
  // Removes field i from the list and its bytes from every owner record.
  bool DeleteField(int32_t i);
  // First field of that name without regard to ASCII case; -1 when none.
  int32_t IndexOfField(std::string_view name) const;
  int32_t FieldOffset(int32_t i) const { return offsets_[static_cast<size_t>(i)]; }
  int32_t RecordSize() const { return record_size_; }
  int32_t Count() const { return static_cast<int32_t>(fields_.size()); }
  const TDBField& Field(int32_t i) const { return *fields_[static_cast<size_t>(i)]; }
  TDBCustomTable* Owner() const { return owner_; }
  // Frees every field; the owner's records shrink to nothing with them.
  void Clear();
  // Same count and, position by position, byte-identical names, type and size.
  bool SameFields(const TDBFieldList& other) const;
  // Clears, then appends a copy of each of other's fields.
  void Assign(const TDBFieldList& other);

 private:
  void Recompute();
  std::vector<std::unique_ptr<TDBField>> fields_;
  std::vector<int32_t> offsets_;  // per field, kept with the list
  int32_t record_size_ = 0;
  TDBCustomTable* owner_;
};

// The key lists of a search: field names and values, each read as a list
// (a plain value is a list of one element). Null is an absent list.
struct FindKeys {
  const expr::TCustomParam* fields = nullptr;
  const expr::TCustomParam* values = nullptr;
  bool ignore_case = false;
  bool partial = false;
};

// The abstract table. Its operations answer 0, -1, false or do nothing;
// TDBTable implements them.
class TDBCustomTable {
 public:
  virtual ~TDBCustomTable() = default;
  TDBCustomTable(const TDBCustomTable&) = delete;
  TDBCustomTable& operator=(const TDBCustomTable&) = delete;

  std::string Name;
  uint8_t IsStatus = 0;
  TDBFieldList& Fields() { return fields_; }
  const TDBFieldList& Fields() const { return fields_; }

  virtual uint8_t TableKind() const { return 0; }
  virtual int32_t RecordCount() const { return 0; }
  virtual int32_t RecNo() const { return -1; }
  virtual uint8_t* CurrentRecord() { return nullptr; }
  virtual uint8_t* RecordAt(int32_t) { return nullptr; }
  // Called by the field list before a field of `size` bytes is appended.
  virtual void FieldAdded(uint8_t /*type*/, int32_t /*size*/) {}
  // Called by the field list before field i goes.
  virtual void FieldDeleted(int32_t /*i*/) {}
  virtual bool Append() { return false; }
  virtual bool Delete() { return false; }
  virtual bool First() { return false; }
  virtual bool Last() { return false; }
  virtual bool Next() { return false; }
  virtual bool Prior() { return false; }
  virtual bool SetRecNo(int32_t) { return false; }
  virtual bool GetIntByName(std::string_view, int32_t&) const { return false; }
  virtual bool SetIntByName(std::string_view, int32_t) { return false; }
  virtual bool GetFloatByName(std::string_view, Real&) const { return false; }
  virtual bool SetFloatByName(std::string_view, Real) { return false; }
  virtual bool GetBoolByName(std::string_view, bool&) const { return false; }
  virtual bool SetBoolByName(std::string_view, bool) { return false; }
  virtual bool GetStrByName(std::string_view, std::string&) const { return false; }
  virtual bool SetStrByName(std::string_view, const std::string&) { return false; }
  virtual bool GetInt(int32_t, int32_t, int32_t&) const { return false; }
  virtual bool SetInt(int32_t, int32_t, int32_t) { return false; }
  virtual bool GetFloat(int32_t, int32_t, Real&) const { return false; }
  virtual bool SetFloat(int32_t, int32_t, Real) { return false; }
  virtual bool GetBool(int32_t, int32_t, bool&) const { return false; }
  virtual bool SetBool(int32_t, int32_t, bool) { return false; }
  virtual bool GetStr(int32_t, int32_t, std::string&) const { return false; }
  virtual bool SetStr(int32_t, int32_t, const std::string&) { return false; }
  virtual void Find(std::vector<int32_t>& /*result*/, const FindKeys& /*keys*/) const {}
  virtual bool LoadFromStrings(const std::vector<std::string>& /*lines*/) { return false; }
  virtual void Clear() {}
  virtual void ClearRecords() {}
  virtual void SaveToStream(ByteWriter& /*out*/) const {}
  virtual void LoadFromStream(ByteReader& /*in*/, int32_t /*version*/) {}
  // Key field names and descending flags, each read as a list.
  virtual void Sort(const expr::TCustomParam* /*key_fields*/,
                    const expr::TCustomParam* /*descending*/) {}

 protected:
  TDBCustomTable() : fields_(this) {}

 private:
  TDBFieldList fields_;
};

class TDBTable final : public TDBCustomTable {
 public:
  TDBTable() = default;
  TDBTable(std::string name, bool is_status) {
    Name = std::move(name);
    IsStatus = is_status ? 1 : 0;
  }

  uint8_t TableKind() const override { return 0; }
  int32_t RecordCount() const override { return record_count_; }
  int32_t RecNo() const override { return rec_no_; }
  uint8_t* CurrentRecord() override { return rec_no_ < 0 ? nullptr : Record(rec_no_); }
  uint8_t* RecordAt(int32_t i) override { return InRange(i) ? Record(i) : nullptr; }
  const uint8_t* RecordAt(int32_t i) const { return InRange(i) ? Record(i) : nullptr; }
  void FieldAdded(uint8_t type, int32_t size) override;
  void FieldDeleted(int32_t i) override;
  bool Append() override;
  bool Delete() override;
  bool First() override;
  bool Last() override;
  bool Next() override;
  bool Prior() override;
  bool SetRecNo(int32_t i) override;
  bool GetIntByName(std::string_view name, int32_t& out) const override;
  bool SetIntByName(std::string_view name, int32_t v) override;
  bool GetFloatByName(std::string_view name, Real& out) const override;
  bool SetFloatByName(std::string_view name, Real x) override;
  bool GetBoolByName(std::string_view name, bool& out) const override;
  bool SetBoolByName(std::string_view name, bool b) override;
  bool GetStrByName(std::string_view name, std::string& out) const override;
  bool SetStrByName(std::string_view name, const std::string& s) override;
  bool GetInt(int32_t rec, int32_t field, int32_t& out) const override;
  bool SetInt(int32_t rec, int32_t field, int32_t v) override;
  bool GetFloat(int32_t rec, int32_t field, Real& out) const override;
  bool SetFloat(int32_t rec, int32_t field, Real x) override;
  bool GetBool(int32_t rec, int32_t field, bool& out) const override;
  bool SetBool(int32_t rec, int32_t field, bool b) override;
  bool GetStr(int32_t rec, int32_t field, std::string& out) const override;
  bool SetStr(int32_t rec, int32_t field, const std::string& s) override;
  // Matching record indices in ascending order.
  void Find(std::vector<int32_t>& result, const FindKeys& keys) const override;
  // The same, stopping after `limit` matches.
  void FindUpTo(std::vector<int32_t>& result, const FindKeys& keys, size_t limit) const;
  bool LoadFromStrings(const std::vector<std::string>& lines) override;
  void Clear() override;
  void ClearRecords() override;
  void SaveToStream(ByteWriter& out) const override;
  void LoadFromStream(ByteReader& in, int32_t version) override;
  void Sort(const expr::TCustomParam* key_fields, const expr::TCustomParam* descending) override;

  // The stored table for both directions. A load replaces everything and
  // refuses (throws) fields whose size does not fit their type, records
  // larger than kMaxRecordBytes and counts the bytes cannot hold.
  void Transfer(RecordIO& io);
  // A string stored into a field without a std::string in between (the
  // text loader's columns); the field's conversions apply.
  bool SetText(int32_t rec, int32_t field, std::string_view s);
  // Appends a record holding a byte copy of source's record `index` (the
  // source may be this table); the new record becomes current. False when
  // the index is out of range or the record sizes differ.
  bool AppendRecordOf(const TDBTable& source, int32_t index);
  // Room for `records` records in all, so appending that many moves no
  // record.
  void Reserve(int32_t records);

 private:
  bool InRange(int32_t rec) const { return rec >= 0 && rec < record_count_; }
  bool Valid(int32_t rec, int32_t field) const {
    return InRange(rec) && field >= 0 && field < Fields().Count();
  }
  uint8_t* Record(int32_t i) {
    return data_.data() + static_cast<size_t>(i) * static_cast<size_t>(Fields().RecordSize());
  }
  const uint8_t* Record(int32_t i) const {
    return data_.data() + static_cast<size_t>(i) * static_cast<size_t>(Fields().RecordSize());
  }
  // Rebuilds every record of `old_size` bytes: its first `at` bytes, then
  // `added` zero bytes in place of the next `removed` bytes, then the rest.
  void Reshape(int32_t old_size, int32_t at, int32_t removed, int32_t added);

  std::vector<uint8_t> data_;  // record_count_ records of RecordSize bytes
  int32_t record_count_ = 0;
  int32_t rec_no_ = -1;
};

}  // namespace vesk::db
