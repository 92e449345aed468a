#pragma once
// Shared by the table tests: value lists as scripts hand them over and a
// small table of every field type.
#include <initializer_list>
#include <memory>
#include <string>

#include "db/dbs.h"
#include "expr/params.h"

namespace vesk::db::test {

template <typename P, typename T>
std::unique_ptr<expr::TCustomParam> ListOf(std::initializer_list<T> items) {
  auto p = std::make_unique<P>();
  p->SetCount(static_cast<int32_t>(items.size()));
  int32_t i = 0;
  for (const T& v : items) {
    if constexpr (std::is_same_v<P, expr::TParamStr>)
      p->SetStrAt(i++, v);
    else if constexpr (std::is_same_v<P, expr::TParamInt>)
      p->SetIntAt(i++, v);
    else if constexpr (std::is_same_v<P, expr::TParamFloat>)
      p->SetFloatAt(i++, v);
    else
      p->SetFlagAt(i++, v);
  }
  return p;
}
inline auto Strs(std::initializer_list<std::string> v) {
  return ListOf<expr::TParamStr>(v);
}
inline auto Ints(std::initializer_list<int32_t> v) {
  return ListOf<expr::TParamInt>(v);
}
inline auto Reals(std::initializer_list<Real> v) {
  return ListOf<expr::TParamFloat>(v);
}
inline auto Flags(std::initializer_list<bool> v) {
  return ListOf<expr::TParamFlag>(v);
}

// Fields 0 "I" int, 1 "R" float, 2 "B" bool, 3 "S" string of 5 bytes.
inline void AddEveryType(TDBTable& t) {
  t.Fields().AddField("I", kFieldInt, 0);
  t.Fields().AddField("R", kFieldFloat, 0);
  t.Fields().AddField("B", kFieldBool, 0);
  t.Fields().AddField("S", kFieldStr, 5);
}

inline std::string Str(const TDBTable& t, int32_t rec, int32_t field) {
  std::string s = "<none>";
  t.GetStr(rec, field, s);
  return s;
}

}  // namespace vesk::db::test
