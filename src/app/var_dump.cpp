#include "app/var_dump.h"

#include <cstdio>

#include <cmath>

#include "expr/param_collection.h"
#include "platform/cp932.h"
#include "platform/files.h"

namespace vesk::app {

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

namespace {

std::string ElementJson(const expr::TCustomParam& v, int type, int32_t i) {
  switch (type) {
    case lang::PT_INT:
      return std::to_string(v.GetIntAt(i));
    case lang::PT_FLOAT: {
      const expr::Real x = v.GetFloatAt(i);
      return std::isfinite(x) ? expr::RealToStr(x) : "null";  // JSON has no NaN or infinity
    }
    case lang::PT_BOOL:
      return v.GetFlagAt(i) ? "true" : "false";
    case lang::PT_STR:
      return JsonString(platform::Cp932ToUtf8(v.GetStrAt(i)));
    default:
      return "null";
  }
}

}  // namespace

std::vector<DumpedVariable> CollectVariables(const expr::TParamCollection& table) {
  std::vector<DumpedVariable> out;
  for (int i = 0; i < table.Count(); ++i) {
    const expr::TParamCollectionItem* item = table.Item(i);
    if (item->IsSystem()) continue;
    const expr::TCustomParam& value = *item->Value;
    DumpedVariable d;
    d.name_cp932 = item->Name();
    d.type = value.ParamType();
    d.status = item->IsStatus != 0;
    d.scope = item->ScopeId;
    d.local = item->IsLocal != 0;
    d.dims = value.Dims;
    if (d.type != lang::PT_NONE)
      for (int32_t k = 0; k < value.Count(); ++k)
        d.values_json.push_back(ElementJson(value, d.type, k));
    out.push_back(std::move(d));
  }
  return out;
}

std::string VarDumpJson(int32_t frames, int32_t tick_ms, const std::vector<DumpedVariable>& vars) {
  std::string out = "{\"frames\":" + std::to_string(frames) +
                    ",\"tick\":" + std::to_string(tick_ms) + ",\"variables\":[";
  for (size_t i = 0; i < vars.size(); ++i) {
    const DumpedVariable& v = vars[i];
    if (i) out += ",";
    out += "\n{\"name\":" + JsonString(platform::Cp932ToUtf8(v.name_cp932)) +
           ",\"type\":" + std::to_string(v.type) + ",\"status\":" + (v.status ? "true" : "false") +
           ",\"scope\":" + std::to_string(v.scope) + ",\"local\":" + (v.local ? "true" : "false") +
           ",\"dims\":[";
    for (size_t d = 0; d < v.dims.size(); ++d) out += (d ? "," : "") + std::to_string(v.dims[d]);
    out += "],\"values\":[";
    for (size_t k = 0; k < v.values_json.size(); ++k) out += (k ? "," : "") + v.values_json[k];
    out += "]}";
  }
  out += "]}\n";
  return out;
}

bool WriteVarDump(const std::string& path, int32_t frames, int32_t tick_ms,
                  const std::vector<DumpedVariable>& vars, std::string* error) {
  const std::string json = VarDumpJson(frames, tick_ms, vars);
  if (platform::WriteFileAtomic(path, json.data(), json.size())) return true;
  if (error) *error = "cannot write " + path;
  return false;
}

}  // namespace vesk::app
