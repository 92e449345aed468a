#include "vesk-tool/text_po.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <unordered_set>

namespace vesk::tool::po {
namespace {

// The length of the UTF-8 sequence at `s[i]`, 0 when it is not one
// (overlong forms, surrogates and code points past U+10FFFF included).
size_t Utf8SequenceAt(std::string_view s, size_t i) {
  const auto b = [&](size_t k) { return static_cast<uint8_t>(s[i + k]); };
  const uint8_t lead = b(0);
  if (lead < 0x80) return 1;
  size_t n = 0;
  uint32_t cp = 0;
  if ((lead & 0xE0) == 0xC0) {
    n = 2;
    cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    n = 3;
    cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    n = 4;
    cp = lead & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(k) & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (b(k) & 0x3F);
  }
  static constexpr uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

bool ValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const size_t n = Utf8SequenceAt(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

bool IsOctal(char c) {
  return c >= '0' && c <= '7';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char SimpleEscape(char c) {
  switch (c) {
    case 'n':
      return '\n';
    case 't':
      return '\t';
    case 'r':
      return '\r';
    case '"':
      return '"';
    case '\\':
      return '\\';
    case 'a':
      return '\a';
    case 'b':
      return '\b';
    case 'f':
      return '\f';
    case 'v':
      return '\v';
    case '\'':
      return '\'';
    case '?':
      return '?';
    default:
      return 0;
  }
}

// The line as the reader sees it: trailing CR and surrounding blanks gone.
std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t'))
    s.remove_suffix(1);
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

// One "..." literal, the whole of `s`, unescaped and appended to `out`.
void AppendLiteral(std::string_view s, int line, std::string& out) {
  if (s.size() < 2 || s.front() != '"') throw PoError(line, "expected a string in double quotes");
  if (s.back() != '"' || s.size() == 1) throw PoError(line, "the string is not closed");
  for (size_t i = 1; i + 1 < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') throw PoError(line, "a '\"' inside a string must be written \\\"");
    if (c != '\\') {
      out += c;
      continue;
    }
    if (i + 2 >= s.size()) throw PoError(line, "the string is not closed (it ends in '\\')");
    const char e = s[++i];
    if (const char simple = SimpleEscape(e)) {
      out += simple;
    } else if (IsOctal(e)) {
      int value = e - '0';
      for (int k = 0; k < 2 && i + 2 < s.size() && IsOctal(s[i + 1]); ++k)
        value = value * 8 + (s[++i] - '0');
      if (value > 0xFF) throw PoError(line, "octal escape out of range");
      out += static_cast<char>(value);
    } else if (e == 'x') {
      int value = 0, digits = 0;
      while (i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && digits < 2) {
        value = value * 16 + HexValue(s[++i]);
        ++digits;
      }
      if (digits == 0) throw PoError(line, "\\x without hex digits");
      out += static_cast<char>(value);
    } else {
      throw PoError(line, std::string("unknown escape \\") +
                              (static_cast<uint8_t>(e) < 0x80 ? std::string(1, e) : "?"));
    }
  }
}

enum class Field { kNone, kContext, kId, kStr };

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  Catalog Run() {
    if (text_.size() >= 3 && text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
    while (NextLine()) Line(Trim(line_text_));
    Finish();
    return std::move(catalog_);
  }

 private:
  bool NextLine() {
    if (pos_ >= text_.size()) return false;
    const size_t end = text_.find('\n', pos_);
    line_text_ = text_.substr(pos_, end == std::string_view::npos ? end : end - pos_);
    pos_ = end == std::string_view::npos ? text_.size() : end + 1;
    ++line_;
    if (!ValidUtf8(line_text_)) throw PoError(line_, "the line is not valid UTF-8");
    return true;
  }

  void Line(std::string_view s) {
    if (s.empty()) return;
    if (s[0] == '#') return Comment(s);
    if (s[0] == '"') {
      if (field_ == Field::kNone) throw PoError(line_, "a string continues no keyword");
      NotePiece();
      AppendLiteral(s, line_, *Target());
      return CheckSize();
    }
    const size_t space = s.find_first_of(" \t");
    const std::string_view word = s.substr(0, space);
    const std::string_view rest =
        space == std::string_view::npos ? std::string_view() : Trim(s.substr(space));
    if (word == "msgid_plural" || word.substr(0, 7) == "msgstr[")
      throw PoError(line_, "plural forms are not supported: give each form its own entry");
    if (word == "msgctxt") {
      if (field_ != Field::kNone) Close();
      Open();
      current_.has_context = true;
      field_ = Field::kContext;
    } else if (word == "msgid") {
      if (field_ == Field::kId) throw PoError(line_, "msgid given twice");
      if (field_ == Field::kStr) Close();
      if (field_ == Field::kNone) Open();
      field_ = Field::kId;
    } else if (word == "msgstr") {
      if (field_ != Field::kId) throw PoError(line_, "msgstr without a msgid before it");
      field_ = Field::kStr;
      current_.str_line = line_;
    } else {
      throw PoError(line_, "unknown keyword '" + std::string(word.substr(0, 40)) + "'");
    }
    if (rest.empty()) throw PoError(line_, "expected a string after " + std::string(word));
    NotePiece();
    AppendLiteral(rest, line_, *Target());
    CheckSize();
  }

  void Comment(std::string_view s) {
    if (s.size() >= 2 && (s[1] == '~' || s[1] == '|')) return;  // obsolete and previous text
    if (field_ == Field::kStr) Close();
    if (field_ != Field::kNone) throw PoError(line_, "a comment inside an entry");
    if (!pending_) Open();
    const std::string body(Trim(s.substr(std::min<size_t>(2, s.size()))));
    if (s.size() >= 2 && s[1] == '.') current_.comments.push_back(body);
    if (s.size() >= 2 && s[1] == ':') current_.references.push_back(body);
    if (s.size() >= 2 && s[1] == ',') {
      size_t start = 0;
      while (start < body.size()) {
        size_t comma = body.find(',', start);
        if (comma == std::string::npos) comma = body.size();
        const std::string flag(Trim(std::string_view(body).substr(start, comma - start)));
        if (!flag.empty()) current_.flags.push_back(flag);
        start = comma + 1;
      }
    }
  }

  void NotePiece() {
    if (field_ == Field::kStr) current_.str_pieces.emplace_back(current_.str.size(), line_);
  }

  // An entry starts at its first comment or keyword.
  void Open() {
    if (pending_) return;
    current_ = Entry{};
    current_.line = line_;
    pending_ = true;
  }

  std::string* Target() {
    switch (field_) {
      case Field::kContext:
        return &current_.context;
      case Field::kId:
        return &current_.id;
      default:
        return &current_.str;
    }
  }

  void CheckSize() {
    const size_t bytes = current_.context.size() + current_.id.size() + current_.str.size();
    if (bytes > kMaxEntryBytes)
      throw PoError(current_.line,
                    "the entry is larger than " + std::to_string(kMaxEntryBytes >> 20) + " MiB");
  }

  void Close() {
    if (!pending_) return;
    if (field_ != Field::kStr)
      throw PoError(current_.line, field_ == Field::kNone ? "comments without an entry"
                                                          : "the entry has no msgstr");
    for (const std::string* s : {&current_.context, &current_.id, &current_.str})
      if (!ValidUtf8(*s)) throw PoError(current_.line, "an escape makes the text invalid UTF-8");
    if (current_.id.empty() && !current_.has_context) {
      Header();
    } else {
      const std::string key = (current_.has_context ? "1" : "0") + current_.context + '\x04' +
                              (current_.has_context ? std::string() : current_.id);
      if (!keys_.insert(key).second)
        throw PoError(current_.line, current_.has_context
                                         ? "a second entry with the context '" +
                                               current_.context.substr(0, 200) + "'"
                                         : "a second entry with this msgid");
      catalog_.entries.push_back(std::move(current_));
    }
    current_ = Entry{};
    pending_ = false;
    field_ = Field::kNone;
  }

  void Header() {
    if (have_header_) throw PoError(current_.line, "a second header entry");
    have_header_ = true;
    catalog_.header = current_.str;
    const std::string& h = catalog_.header;
    const size_t at = h.find("charset=");
    if (at == std::string::npos) return;
    size_t end = h.find_first_of(" \t\n;", at + 8);
    std::string charset = h.substr(at + 8, end == std::string::npos ? end : end - at - 8);
    std::transform(charset.begin(), charset.end(), charset.begin(),
                   [](char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c); });
    if (charset != "UTF-8" && charset != "CHARSET")
      throw PoError(current_.line, "the file is in " + charset.substr(0, 40) +
                                       "; only UTF-8 catalogues are read (msgconv can convert)");
  }

  void Finish() {
    if (pending_ && field_ == Field::kNone) return;  // trailing comments belong to nothing
    Close();
  }

  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 0;
  std::string_view line_text_;
  Catalog catalog_;
  Entry current_;
  bool pending_ = false;
  bool have_header_ = false;
  Field field_ = Field::kNone;
  std::unordered_set<std::string> keys_;
};

void AppendEscaped(std::string_view s, std::string& out) {
  for (char c : s) {
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
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (static_cast<uint8_t>(c) < 0x20 || c == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\%03o", static_cast<unsigned>(static_cast<uint8_t>(c)));
          out += buf;
        } else {
          out += c;
        }
    }
  }
}

void WriteField(const char* keyword, std::string_view value, std::string& out) {
  out += keyword;
  out += ' ';
  out += QuoteLiteral(value);
  out += '\n';
}

}  // namespace

bool Entry::fuzzy() const {
  return std::find(flags.begin(), flags.end(), "fuzzy") != flags.end();
}

int Entry::LineOfStrOffset(size_t offset) const {
  int line = str_line;
  for (const auto& [start, at] : str_pieces)
    if (start <= offset) line = at;
  return line;
}

Catalog ReadCatalog(std::string_view text) {
  return Reader(text).Run();
}

std::string QuoteLiteral(std::string_view utf8) {
  const size_t first_break = utf8.find('\n');
  std::string out;
  if (first_break == std::string_view::npos || first_break + 1 == utf8.size()) {
    out += '"';
    AppendEscaped(utf8, out);
    out += '"';
    return out;
  }
  out += "\"\"";
  size_t start = 0;
  while (start < utf8.size()) {
    size_t end = utf8.find('\n', start);
    end = end == std::string_view::npos ? utf8.size() : end + 1;
    out += "\n\"";
    AppendEscaped(utf8.substr(start, end - start), out);
    out += '"';
    start = end;
  }
  return out;
}

std::string DefaultHeader(const std::string& project_title_utf8) {
  return "Project-Id-Version: " + project_title_utf8 +
         "\n"
         "MIME-Version: 1.0\n"
         "Content-Type: text/plain; charset=UTF-8\n"
         "Content-Transfer-Encoding: 8bit\n"
         "X-Generator: vesk-tool text export\n";
}

std::string WriteCatalog(const Catalog& catalog) {
  std::string out;
  out += "msgid \"\"\n";
  WriteField("msgstr", catalog.header, out);
  for (const Entry& e : catalog.entries) {
    out += '\n';
    for (const std::string& c : e.comments) out += "#. " + c + '\n';
    for (const std::string& r : e.references) out += "#: " + r + '\n';
    if (!e.flags.empty()) {
      out += "#, ";
      for (size_t i = 0; i < e.flags.size(); ++i) out += (i ? ", " : "") + e.flags[i];
      out += '\n';
    }
    if (e.has_context) WriteField("msgctxt", e.context, out);
    WriteField("msgid", e.id, out);
    WriteField("msgstr", e.str, out);
  }
  return out;
}

}  // namespace vesk::tool::po
