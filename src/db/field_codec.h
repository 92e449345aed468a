#pragma once
// How one field's bytes read and write as each value type: the field's own
// type decides the stored form, the conversions follow the value rules of
// the script language except that reals round (halves to even) into
// integers. Shared by the table's typed access, its search and its sort.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "db/dbs.h"

namespace vesk::db::codec {

inline int32_t LoadI32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                              uint32_t(p[3]) << 24);
}
inline void StoreI32(uint8_t* p, int32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

// A string field's text: up to its terminator, or all `size` bytes when a
// loaded record has none.
inline std::string_view FieldText(const uint8_t* p, int32_t size) {
  const auto n = static_cast<size_t>(size);
  const void* zero = std::memchr(p, 0, n);
  const size_t length = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : n;
  return {reinterpret_cast<const char*>(p), length};
}

int32_t ReadInt(const TDBField& f, const uint8_t* p);
Real ReadFloat(const TDBField& f, const uint8_t* p);
bool ReadBool(const TDBField& f, const uint8_t* p);
std::string ReadStr(const TDBField& f, const uint8_t* p);

void WriteInt(const TDBField& f, uint8_t* p, int32_t v);
void WriteFloat(const TDBField& f, uint8_t* p, Real x);
void WriteBool(const TDBField& f, uint8_t* p, bool b);
void WriteStr(const TDBField& f, uint8_t* p, std::string_view s);

// -1, 0 or 1; NaN before every number and equal to NaN, so the order of
// reals stays strict.
int CompareReals(Real x, Real y);

// Orders two records' values of one field by the field's own type: -1, 0
// or 1.
int CompareField(const TDBField& f, const uint8_t* a, const uint8_t* b);

}  // namespace vesk::db::codec
