// A stored table section from the fuzzer, read as a saved game's (status 0)
// and as the status file's (status 1). What reads must answer every field
// of every record, sort and search without harm, and save to a form that
// reads back as it was; what does not read must leave the tables alone.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#include "db/db_manager.h"
#include "expr/params.h"

namespace {

using namespace vesk;
using namespace vesk::db;

std::vector<uint8_t> Save(const TDBManager& m, int32_t status) {
  ByteWriter out;
  m.SaveToStream(out, status);
  return out.bytes();
}

void Reload(TDBManager& m, const std::vector<uint8_t>& bytes, int32_t status) {
  ByteReader in(bytes.data(), bytes.size());
  try {
    m.LoadFromStream(in, status);
  } catch (const std::runtime_error&) {
    std::abort();  // a section we saved must load
  }
  if (!in.at_end()) std::abort();
}

void Exercise(TDBTable& t) {
  std::string s;
  for (int32_t r = 0; r < t.RecordCount(); ++r)
    for (int32_t i = 0; i < t.Fields().Count(); ++i)
      if (!t.GetStr(r, i, s)) std::abort();
  expr::TParamStr names;
  names.SetCount(t.Fields().Count());
  for (int32_t i = 0; i < t.Fields().Count(); ++i) names.SetStrAt(i, t.Fields().Field(i).Name);
  std::vector<int32_t> found;
  t.Find(found, FindKeys{&names, &names, true, true});
  expr::TParamFlag descending;
  descending.SetCount(names.Count());
  t.Sort(&names, &descending);
}

void Run(const uint8_t* data, size_t size, int32_t status) {
  TDBManager m;
  m.CreateTable("kept", status != 0);
  const std::vector<uint8_t> before = Save(m, status);
  ByteReader in(data, size);
  try {
    m.LoadFromStream(in, status);
  } catch (const std::runtime_error&) {
    if (Save(m, status) != before || m.TableCount() != 1) std::abort();
    return;
  }
  for (int32_t i = 0; i < m.TableCount(); ++i) Exercise(*m.TableAt(i));
  // The first save settles what a load may take differently from the bytes
  // (flags as 0 or 1, a current record out of range as none, tables of the
  // other status left out); from then on the form is fixed.
  TDBManager once, twice;
  Reload(once, Save(m, status), status);
  const std::vector<uint8_t> settled = Save(once, status);
  Reload(twice, settled, status);
  if (Save(twice, status) != settled) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Run(data, size, 0);
  Run(data, size, 1);
  return 0;
}
