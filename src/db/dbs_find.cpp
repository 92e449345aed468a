// TDBTable::Find: a linear scan over the records in order. The key lists
// are read once, before the scan; each record then compares its raw field
// bytes against the prepared keys, so string fields are matched without
// building a string per record.
#include <algorithm>

#include "core/sjis.h"
#include "db/dbs.h"
#include "db/field_codec.h"
#include "expr/params.h"
#include "lang/vocabulary.h"

namespace vesk::db {
namespace {

// Upper-cases the ASCII letters of `s` into `out`, both bytes of a
// double-byte character kept as they are (a trail byte in 'a'..'z' is no
// letter).
void UpperSjisInto(std::string_view s, std::string& out) {
  out.assign(s);
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsSjisLeadByte(static_cast<uint8_t>(out[i])))
      ++i;
    else
      out[i] = UpperAsciiByte(out[i]);
  }
}

// Equal without regard to the case of ASCII letters outside double-byte
// characters.
bool EqualsIgnoreCaseSjis(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (IsSjisLeadByte(static_cast<uint8_t>(a[i]))) {
      if (a[i] != b[i] || (i + 1 < a.size() && a[i + 1] != b[i + 1])) return false;
      ++i;
    } else if (UpperAsciiByte(a[i]) != UpperAsciiByte(b[i])) {
      return false;
    }
  }
  return true;
}

struct Key {
  const TDBField* field = nullptr;
  int32_t offset = 0;
  int32_t i = 0;
  Real r = 0;
  bool b = false;
  std::string s;  // upper-cased already for a case-free partial match
};

class Matcher {
 public:
  Matcher(const FindKeys& keys, int type) : keys_(keys), type_(type) {}

  bool Matches(const Key& key, const uint8_t* rec) {
    const TDBField& f = *key.field;
    const uint8_t* p = rec + key.offset;
    switch (type_) {
      case lang::PT_INT:
        return codec::ReadInt(f, p) == key.i;
      case lang::PT_FLOAT:
        return codec::ReadFloat(f, p) == key.r;
      case lang::PT_BOOL:
        return codec::ReadBool(f, p) == key.b;
      case lang::PT_STR:
        if (f.FieldType == kFieldStr) return MatchesText(key, codec::FieldText(p, f.Size));
        text_ = codec::ReadStr(f, p);
        return MatchesText(key, text_);
      default:
        return false;  // a value list of no value type compares with nothing
    }
  }

 private:
  // The field's text is looked for inside the key, not the key inside the
  // field: a field "apple" matches the key "pineapple pie".
  bool MatchesText(const Key& key, std::string_view t) {
    if (!keys_.partial) return keys_.ignore_case ? EqualsIgnoreCaseSjis(t, key.s) : t == key.s;
    if (keys_.ignore_case) {
      UpperSjisInto(t, upper_);
      t = upper_;
    }
    return SjisFind(key.s, t) != std::string_view::npos;
  }

  const FindKeys& keys_;
  int type_;
  std::string text_, upper_;
};

}  // namespace

void TDBTable::Find(std::vector<int32_t>& result, const FindKeys& keys) const {
  FindUpTo(result, keys, SIZE_MAX);
}

void TDBTable::FindUpTo(std::vector<int32_t>& result, const FindKeys& keys, size_t limit) const {
  result.clear();
  if (limit == 0) return;
  if (!keys.fields || !keys.values) {
    const auto n = std::min(static_cast<size_t>(record_count_), limit);
    for (size_t r = 0; r < n; ++r) result.push_back(static_cast<int32_t>(r));
    return;
  }
  const int32_t k = std::max(std::min(keys.fields->Count(), keys.values->Count()), 0);
  const int type = keys.values->ParamType();
  std::vector<Key> prepared;
  for (int32_t i = 0; i < k; ++i) {
    const int32_t f = Fields().IndexOfField(keys.fields->GetStrAt(i));
    // A key field the table lacks ends the search before any record could
    // pass every key: nothing is found.
    if (f < 0) return;
    Key key;
    key.field = &Fields().Field(f);
    key.offset = Fields().FieldOffset(f);
    switch (type) {
      case lang::PT_INT:
        key.i = keys.values->GetIntAt(i);
        break;
      case lang::PT_FLOAT:
        key.r = keys.values->GetFloatAt(i);
        break;
      case lang::PT_BOOL:
        key.b = keys.values->GetFlagAt(i);
        break;
      case lang::PT_STR:
        key.s = keys.values->GetStrAt(i);
        if (keys.partial && keys.ignore_case) UpperSjisInto(std::string(key.s), key.s);
        break;
      default:
        break;
    }
    prepared.push_back(std::move(key));
  }

  Matcher matcher(keys, type);
  for (int32_t r = 0; r < record_count_; ++r) {
    const uint8_t* rec = Record(r);
    const bool all = std::all_of(prepared.begin(), prepared.end(),
                                 [&](const Key& key) { return matcher.Matches(key, rec); });
    if (!all) continue;
    result.push_back(r);
    if (result.size() >= limit) return;
  }
}

}  // namespace vesk::db
