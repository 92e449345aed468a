#include "app/var_dump.h"

#include <cstdio>

#include "platform/cp932.h"
#include "platform/files.h"

namespace vesk::app {

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
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

std::string VarDumpJson(int32_t frames, int32_t tick_ms, const std::vector<DumpedVariable>& vars) {
  std::string out = "{\"frames\":" + std::to_string(frames) + ",\"tick\":" + std::to_string(tick_ms) +
                    ",\"variables\":[";
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
