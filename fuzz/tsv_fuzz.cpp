// Tab-separated table text from the fuzzer, split into lines as
// DBLoadTsvFile splits a file. Whatever loads must hold its fields' sizes,
// sort into order, find each record by its own values, and save and read
// back byte for byte.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "db/db_manager.h"
#include "db/field_codec.h"
#include "db/tsv.h"
#include "expr/params.h"

namespace {

using namespace vesk;
using namespace vesk::db;

void CheckSorted(TDBTable& t, int32_t field, bool descending) {
  const TDBField& f = t.Fields().Field(field);
  const int32_t at = t.Fields().FieldOffset(field);
  for (int32_t r = 1; r < t.RecordCount(); ++r) {
    const int c = codec::CompareField(f, t.RecordAt(r - 1) + at, t.RecordAt(r) + at);
    if (descending ? c < 0 : c > 0) std::abort();
  }
}

// Every field name as a key and record r's text of the field each name
// finds: record r must be among the matches.
void CheckFindsItself(const TDBTable& t, int32_t r) {
  expr::TParamStr names, values;
  names.SetCount(t.Fields().Count());
  values.SetCount(t.Fields().Count());
  for (int32_t i = 0; i < t.Fields().Count(); ++i) {
    names.SetStrAt(i, t.Fields().Field(i).Name);
    std::string text;
    t.GetStr(r, t.Fields().IndexOfField(t.Fields().Field(i).Name), text);
    values.SetStrAt(i, text);
  }
  std::vector<int32_t> found;
  t.Find(found, FindKeys{&names, &values});
  if (std::find(found.begin(), found.end(), r) == found.end()) std::abort();
  t.Find(found, FindKeys{&names, &values, true, true});  // must not crash either
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TDBManager m;
  m.CreateTable("fuzz", (size & 1) != 0);
  TDBTable& t = *m.ActiveTable();
  if (!t.LoadFromStrings(SplitTextLines(text))) {
    if (t.Fields().Count() != 0 || t.RecordCount() != 0) std::abort();
    return 0;
  }
  for (int32_t r = 0; r < t.RecordCount(); ++r)
    for (int32_t i = 0; i < t.Fields().Count(); ++i) {
      std::string s;
      if (!t.GetStr(r, i, s)) std::abort();
      const TDBField& f = t.Fields().Field(i);
      if (f.FieldType == kFieldStr && s.size() + 1 > static_cast<size_t>(f.Size)) std::abort();
    }
  if (t.RecordCount() > 0) CheckFindsItself(t, t.RecordCount() - 1);
  if (t.Fields().Count() > 0) {
    const bool descending = size > 0 && (data[0] & 1) != 0;
    expr::TParamStr key;
    key.SetStr(t.Fields().Field(0).Name);
    expr::TParamFlag order;
    order.SetFlag(descending);
    t.Sort(&key, &order);
    CheckSorted(t, 0, descending);
  }

  const int32_t status = t.IsStatus;
  ByteWriter first;
  m.SaveToStream(first, status);
  TDBManager again;
  ByteReader in(first.bytes().data(), first.bytes().size());
  try {
    again.LoadFromStream(in, status);
  } catch (const std::runtime_error&) {
    std::abort();  // a table we saved must load
  }
  ByteWriter second;
  again.SaveToStream(second, status);
  if (second.bytes() != first.bytes() || !in.at_end()) std::abort();
  return 0;
}
