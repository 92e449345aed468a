// Loading a table from tab-separated text. The first line declares the
// columns ("Name", "HP int", "Rate float", "Title str 40"); every further
// line that is not empty is one record, stored column by column with the
// string setter and its conversions.
#include "db/tsv.h"

#include <algorithm>

#include "core/sjis.h"
#include "db/dbs.h"
#include "expr/param_text.h"
#include "lang/vocabulary.h"

namespace vesk::db {
namespace {

// A column text that is a bare name declares a string field of this length.
constexpr int32_t kDefaultStringLength = 80;

std::string_view TrimControl(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<uint8_t>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<uint8_t>(s[e - 1]) <= 0x20) --e;
  return s.substr(b, e - b);
}

// At the first half-width space: (before, after), or (s, "") without one.
std::pair<std::string_view, std::string_view> SplitAtSpace(std::string_view s) {
  const size_t space = s.find(' ');
  if (space == std::string_view::npos) return {s, {}};
  return {s.substr(0, space), s.substr(space + 1)};
}

struct ColumnDecl {
  std::string name;
  int32_t type;
  int32_t length;
};

ColumnDecl ParseColumn(std::string_view text) {
  const auto [raw_name, rest] = SplitAtSpace(text);
  const auto [raw_type, raw_length] = SplitAtSpace(TrimControl(rest));
  const std::string_view type = TrimControl(raw_type);
  ColumnDecl d{std::string(TrimControl(raw_name)), lang::PT_STR, kDefaultStringLength};
  if (type == "int")
    d.type = lang::PT_INT;
  else if (type == "float")
    d.type = lang::PT_FLOAT;
  else if (type == "bool")
    d.type = lang::PT_BOOL;
  d.length = expr::ParseInt(std::string(TrimControl(raw_length))).value_or(kDefaultStringLength);
  return d;
}

}  // namespace

std::vector<std::string> SplitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

void SplitTabs(std::string_view line, std::vector<std::string_view>& columns) {
  columns.clear();
  size_t start = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    if (IsSjisLeadByte(static_cast<uint8_t>(line[i]))) {
      ++i;
    } else if (line[i] == '\t') {
      columns.push_back(line.substr(start, i - start));
      start = i + 1;
    }
  }
  if (start < line.size()) columns.push_back(line.substr(start));
}

void DecodeEscapes(std::string_view line, std::string& out) {
  out.clear();
  out.reserve(line.size() + 1);
  size_t copied = 0;  // bytes before this are in `out` already
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (IsSjisLeadByte(static_cast<uint8_t>(c))) {
      ++i;  // its trail byte is never a backslash of an escape
      continue;
    }
    const char next = i + 1 < line.size() ? line[i + 1] : '\0';
    if (c != '\\' || (next != 'n' && next != '"' && next != '\\')) continue;
    out.append(line.substr(copied, i - copied));
    if (next == 'n')
      out += "\r\n";
    else
      out += next;
    ++i;
    copied = i + 1;
  }
  if (copied < line.size()) out.append(line.substr(copied));
}

bool TDBTable::LoadFromStrings(const std::vector<std::string>& lines) {
  Clear();
  if (lines.empty()) return false;
  std::vector<std::string_view> columns;
  SplitTabs(lines.front(), columns);
  for (const std::string_view column : columns) {
    const ColumnDecl d = ParseColumn(column);
    // A column without a name, or one declaring a string longer than a
    // field may be, leaves the table without fields.
    if (d.name.empty() || Fields().AddField(d.name, d.type, d.length) < 0) {
      Fields().Clear();
      return false;
    }
  }

  Reserve(static_cast<int32_t>(std::min<size_t>(lines.size() - 1, INT32_MAX)));
  std::string decoded;
  for (size_t l = 1; l < lines.size(); ++l) {
    if (lines[l].empty()) continue;
    std::string_view text = lines[l];
    if (text.find('\\') != std::string_view::npos) {
      DecodeEscapes(text, decoded);
      text = decoded;
    }
    SplitTabs(text, columns);
    if (!Append()) return true;
    const size_t n = std::min(columns.size(), static_cast<size_t>(Fields().Count()));
    for (size_t i = 0; i < n; ++i) SetText(rec_no_, static_cast<int32_t>(i), columns[i]);
  }
  return true;
}

}  // namespace vesk::db
