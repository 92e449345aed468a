#include "app/data_path.h"

#include "core/sjis.h"

namespace vesk::app {

std::string MakeLockName(const std::string& path) {
  std::string out;
  out.reserve(path.size() + 1);
  bool last_was_delimiter = false;
  for (size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<uint8_t>(path[i]);
    if (IsSjisLeadByte(c) && i + 1 < path.size()) {
      out += path[i];
      out += path[++i];  // the trail byte is never a delimiter nor a letter
      last_was_delimiter = false;
      continue;
    }
    last_was_delimiter = c == '\\' || c == '/';
    if (last_was_delimiter)
      out += '-';
    else if (c >= 'a' && c <= 'z')
      out += static_cast<char>(c - 'a' + 'A');
    else
      out += static_cast<char>(c);
  }
  if (!last_was_delimiter) out += '-';
  return out;
}

}  // namespace vesk::app
