#include "db/dbs.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

#include "core/sjis.h"
#include "db/field_codec.h"
#include "expr/params.h"

namespace vesk::db {
namespace {

// Loading text reserves its records up to this size; past it the buffer
// grows as records come, so a file of many lines does not take the memory
// of its longest possible table at once.
constexpr int64_t kMaxReserveBytes = int64_t{256} << 20;

// A stored field: its size, its name's count and one type byte.
constexpr size_t kMinStoredFieldBytes = 4 + 4 + 1;

bool SizeFitsType(uint8_t type, int32_t size) {
  switch (type) {
    case kFieldInt:
      return size == 4;
    case kFieldFloat:
      return size == 10;
    case kFieldBool:
      return size == 1;
    case kFieldStr:
      return size >= 1 && size <= kMaxFieldBytes;
    default:
      return false;
  }
}

template <typename T>
int Sign(T a, T b) {
  return (a > b) - (a < b);
}

int32_t ListCount(const expr::TCustomParam* list) {
  return list ? std::max(list->Count(), 0) : 0;
}

}  // namespace

int32_t FieldSizeFor(int32_t type, int32_t length) {
  switch (type & 0xFF) {
    case kFieldInt:
      return 4;
    case kFieldFloat:
      return 10;
    case kFieldBool:
      return 1;
    case kFieldStr:
      return length >= 0 && length < kMaxFieldBytes ? length + 1 : 0;
    default:
      return 0;
  }
}

// --- TDBFieldList ---

int32_t TDBFieldList::AddField(const std::string& name, int32_t type, int32_t length) {
  const int32_t size = FieldSizeFor(type, length);
  if (size == 0) return -1;
  return AddSizedField(name, static_cast<uint8_t>(type & 0xFF), size);
}

int32_t TDBFieldList::AddSizedField(const std::string& name, uint8_t type, int32_t size) {
  if (!SizeFitsType(type, size) || int64_t{record_size_} + size > kMaxRecordBytes) return -1;
  // The records grow first: should that fail, the list is as it was.
  if (owner_) owner_->FieldAdded(type, size);
  auto field = std::make_unique<TDBField>();
  field->Size = size;
  field->Name = name;
  field->FieldType = type;
  fields_.push_back(std::move(field));
  Recompute();
  return Count() - 1;
}

bool TDBFieldList::DeleteField(int32_t i) {
  if (i < 0 || i >= Count()) return false;
  if (owner_) owner_->FieldDeleted(i);
  fields_.erase(fields_.begin() + i);
  Recompute();
  return true;
}

int32_t TDBFieldList::IndexOfField(std::string_view name) const {
  for (size_t i = 0; i < fields_.size(); ++i)
    if (EqualsIgnoreAsciiCase(fields_[i]->Name, name)) return static_cast<int32_t>(i);
  return -1;
}

void TDBFieldList::Clear() {
  while (!fields_.empty()) DeleteField(Count() - 1);
}

bool TDBFieldList::SameFields(const TDBFieldList& other) const {
  if (Count() != other.Count()) return false;
  for (int32_t i = 0; i < Count(); ++i) {
    const TDBField &a = Field(i), &b = other.Field(i);
    if (a.Name != b.Name || a.FieldType != b.FieldType || a.Size != b.Size) return false;
  }
  return true;
}

void TDBFieldList::Assign(const TDBFieldList& other) {
  if (&other == this) return;
  Clear();
  for (int32_t i = 0; i < other.Count(); ++i) {
    const TDBField& f = other.Field(i);
    AddSizedField(f.Name, f.FieldType, f.Size);
  }
}

void TDBFieldList::Recompute() {
  offsets_.resize(fields_.size());
  int32_t at = 0;
  for (size_t i = 0; i < fields_.size(); ++i) {
    offsets_[i] = at;
    at += fields_[i]->Size;
  }
  record_size_ = at;
}

// --- TDBTable: layout and records ---

void TDBTable::Reshape(int32_t old_size, int32_t at, int32_t removed, int32_t added) {
  const auto old_bytes = static_cast<size_t>(old_size);
  const auto new_bytes = old_bytes - static_cast<size_t>(removed) + static_cast<size_t>(added);
  const auto head = static_cast<size_t>(at);
  const size_t tail = old_bytes - head - static_cast<size_t>(removed);
  std::vector<uint8_t> out(static_cast<size_t>(record_count_) * new_bytes, 0);
  for (size_t r = 0; r < static_cast<size_t>(record_count_); ++r) {
    const uint8_t* src = data_.data() + r * old_bytes;
    uint8_t* dst = out.data() + r * new_bytes;
    std::copy(src, src + head, dst);
    std::copy(src + old_bytes - tail, src + old_bytes, dst + head + static_cast<size_t>(added));
  }
  data_.swap(out);
}

void TDBTable::FieldAdded(uint8_t /*type*/, int32_t size) {
  const int32_t old_size = Fields().RecordSize();
  if (record_count_ > 0) Reshape(old_size, old_size, 0, size);
}

void TDBTable::FieldDeleted(int32_t i) {
  if (record_count_ > 0)
    Reshape(Fields().RecordSize(), Fields().FieldOffset(i), Fields().Field(i).Size, 0);
}

bool TDBTable::Append() {
  if (record_count_ == INT32_MAX) return false;
  data_.resize(data_.size() + static_cast<size_t>(Fields().RecordSize()), 0);
  rec_no_ = record_count_++;
  return true;
}

bool TDBTable::AppendRecordOf(const TDBTable& source, int32_t index) {
  const auto n = static_cast<size_t>(Fields().RecordSize());
  if (!source.InRange(index) || static_cast<size_t>(source.Fields().RecordSize()) != n || !Append())
    return false;
  // The source record is found after Append, which may have moved this
  // table's buffer: the source may be this table.
  const uint8_t* src = source.Record(index);
  std::copy(src, src + n, Record(rec_no_));
  return true;
}

void TDBTable::Reserve(int32_t records) {
  const auto bytes =
      static_cast<size_t>(std::max(records, 0)) * static_cast<size_t>(Fields().RecordSize());
  if (bytes <= static_cast<size_t>(kMaxReserveBytes)) data_.reserve(bytes);
}

bool TDBTable::Delete() {
  if (rec_no_ < 0) return false;
  const auto n = static_cast<size_t>(Fields().RecordSize());
  const auto at = data_.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(rec_no_) * n);
  data_.erase(at, at + static_cast<std::ptrdiff_t>(n));
  --record_count_;
  if (rec_no_ >= record_count_) rec_no_ = record_count_ - 1;
  return true;
}

bool TDBTable::First() {
  if (record_count_ == 0) return false;
  rec_no_ = 0;
  return true;
}

bool TDBTable::Last() {
  if (record_count_ == 0) return false;
  rec_no_ = record_count_ - 1;
  return true;
}

bool TDBTable::Next() {
  if (rec_no_ < 0 || rec_no_ >= record_count_ - 1) return false;
  ++rec_no_;
  return true;
}

bool TDBTable::Prior() {
  if (rec_no_ <= 0) return false;
  --rec_no_;
  return true;
}

bool TDBTable::SetRecNo(int32_t i) {
  if (i >= record_count_) return false;
  rec_no_ = i < 0 ? -1 : i;
  return true;
}

void TDBTable::Clear() {
  ClearRecords();
  Fields().Clear();
}

void TDBTable::ClearRecords() {
  data_.clear();
  data_.shrink_to_fit();
  record_count_ = 0;
  rec_no_ = -1;
}

// --- TDBTable: typed access ---

bool TDBTable::SetInt(int32_t rec, int32_t field, int32_t v) {
  if (!Valid(rec, field)) return false;
  codec::WriteInt(Fields().Field(field), Record(rec) + Fields().FieldOffset(field), v);
  return true;
}
bool TDBTable::SetFloat(int32_t rec, int32_t field, Real x) {
  if (!Valid(rec, field)) return false;
  codec::WriteFloat(Fields().Field(field), Record(rec) + Fields().FieldOffset(field), x);
  return true;
}
bool TDBTable::SetBool(int32_t rec, int32_t field, bool b) {
  if (!Valid(rec, field)) return false;
  codec::WriteBool(Fields().Field(field), Record(rec) + Fields().FieldOffset(field), b);
  return true;
}
bool TDBTable::SetStr(int32_t rec, int32_t field, const std::string& s) {
  return SetText(rec, field, s);
}
bool TDBTable::SetText(int32_t rec, int32_t field, std::string_view s) {
  if (!Valid(rec, field)) return false;
  codec::WriteStr(Fields().Field(field), Record(rec) + Fields().FieldOffset(field), s);
  return true;
}

bool TDBTable::GetInt(int32_t rec, int32_t field, int32_t& out) const {
  if (!Valid(rec, field)) return false;
  out = codec::ReadInt(Fields().Field(field), Record(rec) + Fields().FieldOffset(field));
  return true;
}
bool TDBTable::GetFloat(int32_t rec, int32_t field, Real& out) const {
  if (!Valid(rec, field)) return false;
  out = codec::ReadFloat(Fields().Field(field), Record(rec) + Fields().FieldOffset(field));
  return true;
}
bool TDBTable::GetBool(int32_t rec, int32_t field, bool& out) const {
  if (!Valid(rec, field)) return false;
  out = codec::ReadBool(Fields().Field(field), Record(rec) + Fields().FieldOffset(field));
  return true;
}
bool TDBTable::GetStr(int32_t rec, int32_t field, std::string& out) const {
  if (!Valid(rec, field)) return false;
  out = codec::ReadStr(Fields().Field(field), Record(rec) + Fields().FieldOffset(field));
  return true;
}

bool TDBTable::GetIntByName(std::string_view name, int32_t& out) const {
  return GetInt(rec_no_, Fields().IndexOfField(name), out);
}
bool TDBTable::SetIntByName(std::string_view name, int32_t v) {
  return SetInt(rec_no_, Fields().IndexOfField(name), v);
}
bool TDBTable::GetFloatByName(std::string_view name, Real& out) const {
  return GetFloat(rec_no_, Fields().IndexOfField(name), out);
}
bool TDBTable::SetFloatByName(std::string_view name, Real x) {
  return SetFloat(rec_no_, Fields().IndexOfField(name), x);
}
bool TDBTable::GetBoolByName(std::string_view name, bool& out) const {
  return GetBool(rec_no_, Fields().IndexOfField(name), out);
}
bool TDBTable::SetBoolByName(std::string_view name, bool b) {
  return SetBool(rec_no_, Fields().IndexOfField(name), b);
}
bool TDBTable::GetStrByName(std::string_view name, std::string& out) const {
  return GetStr(rec_no_, Fields().IndexOfField(name), out);
}
bool TDBTable::SetStrByName(std::string_view name, const std::string& s) {
  return SetStr(rec_no_, Fields().IndexOfField(name), s);
}

// --- TDBTable: sort ---

namespace {

// One sort key's values, read from every record once before sorting, so a
// comparison touches two array elements instead of decoding two fields.
struct SortColumn {
  uint8_t type = 0;
  bool descending = false;
  std::vector<int32_t> ints;  // integers and flags
  std::vector<Real> reals;
  std::vector<std::string_view> texts;

  int Compare(int32_t a, int32_t b) const {
    const auto i = static_cast<size_t>(a), j = static_cast<size_t>(b);
    int c;
    if (type == kFieldFloat)
      c = codec::CompareReals(reals[i], reals[j]);
    else if (type == kFieldStr)
      c = Sign(texts[i].compare(texts[j]), 0);  // unsigned bytes; a prefix first
    else
      c = Sign(ints[i], ints[j]);
    return descending ? -c : c;
  }

  // A key that orders as the value does as far as it goes (equal keys say
  // nothing): the first 8 bytes of a text, big-endian, or the integer
  // moved to unsigned; reals give none.
  uint64_t Prefix(int32_t r) const {
    const auto i = static_cast<size_t>(r);
    uint64_t key = 0;
    if (type == kFieldStr) {
      const std::string_view t = texts[i];
      for (size_t k = 0; k < 8; ++k)
        key = key << 8 | (k < t.size() ? static_cast<uint8_t>(t[k]) : 0u);
    } else if (type != kFieldFloat) {
      key = static_cast<uint64_t>(int64_t{ints[i]} - int64_t{INT32_MIN});
    }
    return descending ? ~key : key;
  }
};

}  // namespace

void TDBTable::Sort(const expr::TCustomParam* key_fields, const expr::TCustomParam* descending) {
  if (record_count_ < 2) return;
  std::vector<SortColumn> columns;
  const int32_t n = std::min(ListCount(key_fields), ListCount(descending));
  for (int32_t i = 0; i < n; ++i) {
    const int32_t f = Fields().IndexOfField(key_fields->GetStrAt(i));
    if (f < 0) continue;
    const TDBField& field = Fields().Field(f);
    SortColumn& c = columns.emplace_back();
    c.type = field.FieldType;
    c.descending = descending->GetFlagAt(i);
    for (int32_t r = 0; r < record_count_; ++r) {
      const uint8_t* p = Record(r) + Fields().FieldOffset(f);
      if (c.type == kFieldFloat)
        c.reals.push_back(codec::ReadFloat(field, p));
      else if (c.type == kFieldStr)
        c.texts.push_back(codec::FieldText(p, field.Size));
      else
        c.ints.push_back(codec::ReadInt(field, p));
    }
  }
  // Without keys every record compares equal: any order will do, so the
  // present one stays.
  if (columns.empty()) return;

  // Records sort as (leading bytes of the first key, index) pairs: most
  // comparisons then decide on one integer, without reaching the records.
  struct Entry {
    uint64_t prefix;
    int32_t index;
  };
  std::vector<Entry> order(static_cast<size_t>(record_count_));
  for (int32_t r = 0; r < record_count_; ++r)
    order[static_cast<size_t>(r)] = {columns[0].Prefix(r), r};
  std::sort(order.begin(), order.end(), [&columns](const Entry& a, const Entry& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    for (const SortColumn& c : columns)
      if (const int r = c.Compare(a.index, b.index); r != 0) return r < 0;
    return false;
  });

  const auto size = static_cast<size_t>(Fields().RecordSize());
  std::vector<uint8_t> sorted(data_.size());
  for (size_t i = 0; i < order.size(); ++i) {
    const uint8_t* src = Record(order[i].index);
    std::copy(src, src + size, sorted.data() + i * size);
  }
  data_.swap(sorted);
}

// --- TDBTable: stored form ---

void TDBTable::Transfer(RecordIO& io) {
  if (io.loading()) Clear();
  io.Str(Name, "table name");
  io.Flag(IsStatus, "table status flag");

  const int32_t field_count =
      io.Count(static_cast<size_t>(Fields().Count()), kMinStoredFieldBytes, "table field count");
  for (int32_t i = 0; i < field_count; ++i) {
    TDBField f;
    if (!io.loading()) f = Fields().Field(i);
    io.I32(f.Size, "table field size");
    io.Str(f.Name, "table field name");
    io.U8(f.FieldType, "table field type");
    if (!io.loading()) continue;
    if (!SizeFitsType(f.FieldType, f.Size))
      throw std::runtime_error("table field " + std::to_string(i) + ": size " +
                               std::to_string(f.Size) + " does not fit type " +
                               std::to_string(f.FieldType));
    if (Fields().AddSizedField(f.Name, f.FieldType, f.Size) < 0)
      throw std::runtime_error("table record larger than " + std::to_string(kMaxRecordBytes) +
                               " bytes");
  }

  const auto size = static_cast<size_t>(Fields().RecordSize());
  int32_t count = record_count_;
  if (size > 0) {
    count = io.Count(static_cast<size_t>(record_count_), size, "table record count");
  } else {
    // Records of a table without fields take no bytes, so the bytes left
    // cannot bound their count; a count no script would reach is refused.
    io.I32(count, "table record count");
    if (count < 0 || count > kMaxEmptyRecords) throw ETruncated("table record count out of range");
  }
  if (io.loading()) {
    data_.assign(static_cast<size_t>(count) * size, 0);
    record_count_ = count;
  }
  io.Bytes(data_.data(), data_.size(), "table records");

  int32_t rec_no = rec_no_;
  io.I32(rec_no, "table current record");
  // This system never stores a current record outside the table; one that
  // a damaged file holds is taken as no current record rather than as a
  // position that names no record.
  if (io.loading()) rec_no_ = rec_no >= -1 && rec_no < record_count_ ? rec_no : -1;
}

void TDBTable::SaveToStream(ByteWriter& out) const {
  SaveRecord(*this, out, 0);
}

void TDBTable::LoadFromStream(ByteReader& in, int32_t version) {
  LoadRecord(*this, in, version);
}

}  // namespace vesk::db
