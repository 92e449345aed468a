#include "db/field_codec.h"

#include <cmath>

#include "expr/param_text.h"

namespace vesk::db {

int32_t RoundHalfEven(Real x) {
  if (std::isnan(x)) return 0;
  Real r = std::floor(x);
  const Real fraction = x - r;
  if (fraction > 0.5L || (fraction == 0.5L && std::fmod(r, 2.0L) != 0)) r += 1;
  return expr::RealToInt(r);
}

namespace codec {
namespace {

// String fields keep their text as C strings: at most Size - 1 bytes and a
// terminator. The bytes after the terminator stay as they were, so a
// shorter text leaves the tail of a longer one behind, as saved games show.
void StoreText(const TDBField& f, uint8_t* p, std::string_view s) {
  if (f.Size <= 0) return;
  const size_t room = static_cast<size_t>(f.Size - 1);
  const size_t n = s.size() < room ? s.size() : room;
  std::memcpy(p, s.data(), n);
  p[n] = 0;
}

Real LoadReal(const uint8_t* p) {
  return LoadExtended(p);
}
void StoreReal(uint8_t* p, Real x) {
  StoreExtended(x, p);
}

std::string Text(const TDBField& f, const uint8_t* p) {
  return std::string(FieldText(p, f.Size));
}

template <typename T>
int Sign(T a, T b) {
  return (a > b) - (a < b);
}

}  // namespace

int32_t ReadInt(const TDBField& f, const uint8_t* p) {
  switch (f.FieldType) {
    case kFieldInt:
      return LoadI32(p);
    case kFieldFloat:
      return RoundHalfEven(LoadReal(p));
    case kFieldBool:
      return p[0] != 0 ? 1 : 0;
    default:
      return expr::ParseInt(Text(f, p)).value_or(0);
  }
}

Real ReadFloat(const TDBField& f, const uint8_t* p) {
  switch (f.FieldType) {
    case kFieldInt:
      return LoadI32(p);
    case kFieldFloat:
      return LoadReal(p);
    case kFieldBool:
      return p[0] != 0 ? 1 : 0;
    default:
      return expr::ParseReal(Text(f, p)).value_or(0);
  }
}

bool ReadBool(const TDBField& f, const uint8_t* p) {
  switch (f.FieldType) {
    case kFieldInt:
      return LoadI32(p) != 0;
    case kFieldFloat:
      return LoadReal(p) != 0;
    case kFieldBool:
      return p[0] != 0;
    default:
      return FieldText(p, f.Size) == "TRUE";
  }
}

std::string ReadStr(const TDBField& f, const uint8_t* p) {
  switch (f.FieldType) {
    case kFieldInt:
      return expr::IntToStr(LoadI32(p));
    case kFieldFloat:
      return expr::RealToStr(LoadReal(p));
    case kFieldBool:
      return p[0] != 0 ? "TRUE" : "FALSE";
    default:
      return Text(f, p);
  }
}

void WriteInt(const TDBField& f, uint8_t* p, int32_t v) {
  switch (f.FieldType) {
    case kFieldInt:
      return StoreI32(p, v);
    case kFieldFloat:
      return StoreReal(p, v);
    case kFieldBool:
      p[0] = v != 0 ? 1 : 0;
      return;
    default:
      return StoreText(f, p, expr::IntToStr(v));
  }
}

void WriteFloat(const TDBField& f, uint8_t* p, Real x) {
  switch (f.FieldType) {
    case kFieldInt:
      return StoreI32(p, RoundHalfEven(x));
    case kFieldFloat:
      return StoreReal(p, x);
    case kFieldBool:
      p[0] = x != 0 ? 1 : 0;
      return;
    default:
      return StoreText(f, p, expr::RealToStr(x));
  }
}

void WriteBool(const TDBField& f, uint8_t* p, bool b) {
  switch (f.FieldType) {
    case kFieldInt:
      return StoreI32(p, b ? 1 : 0);
    case kFieldFloat:
      return StoreReal(p, b ? 1 : 0);
    case kFieldBool:
      p[0] = b ? 1 : 0;
      return;
    default:
      return StoreText(f, p, b ? "TRUE" : "FALSE");
  }
}

void WriteStr(const TDBField& f, uint8_t* p, std::string_view s) {
  switch (f.FieldType) {
    case kFieldInt:
      return StoreI32(p, expr::ParseInt(std::string(s)).value_or(0));
    case kFieldFloat:
      return StoreReal(p, expr::ParseReal(std::string(s)).value_or(0));
    case kFieldBool:
      p[0] = s == "TRUE" ? 1 : 0;
      return;
    default:
      return StoreText(f, p, s);
  }
}

int CompareReals(Real x, Real y) {
  const bool x_nan = std::isnan(x), y_nan = std::isnan(y);
  if (x_nan || y_nan) return Sign(!x_nan, !y_nan);
  return Sign(x, y);
}

int CompareField(const TDBField& f, const uint8_t* a, const uint8_t* b) {
  switch (f.FieldType) {
    case kFieldInt:
      return Sign(LoadI32(a), LoadI32(b));
    case kFieldFloat:
      return CompareReals(LoadReal(a), LoadReal(b));
    case kFieldBool:
      return Sign(a[0] != 0, b[0] != 0);
    default: {
      // Unsigned bytes; a prefix orders first.
      const int c = FieldText(a, f.Size).compare(FieldText(b, f.Size));
      return (c > 0) - (c < 0);
    }
  }
}

}  // namespace codec
}  // namespace vesk::db
