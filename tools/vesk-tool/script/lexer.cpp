#include "vesk-tool/script/lexer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "core/sjis.h"
#include "platform/cp932.h"

namespace vesk::tool::script {
namespace {

bool IsIdentStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool IsIdentChar(unsigned char c) {
  return IsIdentStart(c) || (c >= '0' && c <= '9');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// UTF-8 text to CP932, refusing characters without a CP932 form.
std::string ToCp932(std::string_view utf8, int line, int column) {
  if (utf8.empty()) return {};
  if (!platform::IsCp932Representable(utf8))
    throw CompileError(line, column, "text has a character without a Shift-JIS form");
  return platform::Utf8ToCp932(utf8);
}

const char* const kPunct2[] = {"==", "!=", "<>", "<=", ">=", "<<", ">>"};
const char kPunct1[] = "()[]{},:;=<>+-*/%~|&^";

class Lexer {
 public:
  Lexer(std::string_view text, int line, int first_column)
      : s_(text), line_(line), col0_(first_column) {}

  std::vector<Token> Run() {
    std::vector<Token> out;
    while (true) {
      while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r')) ++i_;
      if (i_ >= s_.size() || s_[i_] == '#') break;
      out.push_back(One());
    }
    return out;
  }

 private:
  int Col(size_t at) const { return col0_ + static_cast<int>(at); }
  [[noreturn]] void Fail(size_t at, const std::string& what) const {
    throw CompileError(line_, Col(at), what);
  }

  Token Make(Tok kind, size_t start) const {
    Token t;
    t.kind = kind;
    t.line = line_;
    t.column = Col(start);
    return t;
  }

  Token One() {
    const size_t start = i_;
    const char c = s_[i_];
    if (c == '"') {
      Token t = Make(Tok::kString, start);
      t.text = ReadString();
      return t;
    }
    if (c == '$' && i_ + 1 < s_.size() && s_[i_ + 1] == '"') {
      ++i_;
      Token t = Make(Tok::kQuotedName, start);
      t.text = ReadString();
      if (t.text.empty()) Fail(start, "empty quoted name");
      return t;
    }
    if (c == '@') {
      ++i_;
      Token t = Make(Tok::kSysVar, start);
      const size_t name = i_;
      while (i_ < s_.size() && IsIdentChar(static_cast<unsigned char>(s_[i_]))) ++i_;
      if (i_ == name) Fail(start, "'@' must be followed by a system variable name");
      t.text = ToCp932(s_.substr(start, i_ - start), line_, Col(start));
      return t;
    }
    if (IsDigit(c) || (c == '.' && i_ + 1 < s_.size() && IsDigit(s_[i_ + 1]))) return Number();
    if (IsIdentStart(static_cast<unsigned char>(c))) {
      Token t = Make(Tok::kIdent, start);
      while (i_ < s_.size() && IsIdentChar(static_cast<unsigned char>(s_[i_]))) ++i_;
      t.text = ToCp932(s_.substr(start, i_ - start), line_, Col(start));
      t.is_key = i_ < s_.size() && s_[i_] == ':' && !(i_ + 1 < s_.size() && s_[i_ + 1] == ':');
      return t;
    }
    Token t = Make(Tok::kPunct, start);
    for (const char* p : kPunct2) {
      if (s_.substr(i_, 2) == p) {
        t.text = p;
        i_ += 2;
        return t;
      }
    }
    for (const char* p = kPunct1; *p; ++p) {
      if (c == *p) {
        t.text = std::string(1, c);
        ++i_;
        return t;
      }
    }
    if (c == '\\') Fail(start, "'\\' continues a line only at its end");
    Fail(start, std::string("unexpected character '") + c + "'");
  }

  Token Number() {
    const size_t start = i_;
    if (s_[i_] == '0' && i_ + 1 < s_.size() && (s_[i_ + 1] == 'x' || s_[i_ + 1] == 'X')) {
      i_ += 2;
      uint64_t v = 0;
      size_t digits = 0;
      while (i_ < s_.size() && HexValue(s_[i_]) >= 0) {
        v = v * 16 + static_cast<uint64_t>(HexValue(s_[i_++]));
        if (++digits > 8) Fail(start, "hex number longer than 32 bits");
      }
      if (digits == 0) Fail(start, "hex number without digits");
      Token t = Make(Tok::kInt, start);
      t.int_value = static_cast<int32_t>(static_cast<uint32_t>(v));
      t.text = std::string(s_.substr(start, i_ - start));
      CheckAfterNumber(start);
      return t;
    }
    bool real = false;
    while (i_ < s_.size() && IsDigit(s_[i_])) ++i_;
    if (i_ < s_.size() && s_[i_] == '.') {
      real = true;
      ++i_;
      while (i_ < s_.size() && IsDigit(s_[i_])) ++i_;
    }
    if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
      size_t j = i_ + 1;
      if (j < s_.size() && (s_[j] == '+' || s_[j] == '-')) ++j;
      if (j < s_.size() && IsDigit(s_[j])) {
        real = true;
        i_ = j;
        while (i_ < s_.size() && IsDigit(s_[i_])) ++i_;
      }
    }
    const std::string text(s_.substr(start, i_ - start));
    CheckAfterNumber(start);
    if (real) {
      Token t = Make(Tok::kReal, start);
      t.text = text;
      t.real_value = std::strtold(text.c_str(), nullptr);
      return t;
    }
    Token t = Make(Tok::kInt, start);
    t.text = text;
    if (text.size() > 12) Fail(start, "integer out of range");
    t.int_value = std::strtoll(text.c_str(), nullptr, 10);
    return t;
  }

  void CheckAfterNumber(size_t start) {
    if (i_ < s_.size() && IsIdentChar(static_cast<unsigned char>(s_[i_])))
      Fail(start, "malformed number '" + std::string(s_.substr(start, i_ - start + 1)) + "'");
  }

  // A "..." literal at i_; returns the CP932 bytes.
  std::string ReadString() {
    const size_t start = i_;
    ++i_;
    std::string out;
    std::string run;  // UTF-8 text not yet converted
    size_t run_start = i_;
    auto flush = [&] {
      out += ToCp932(run, line_, Col(run_start));
      run.clear();
    };
    while (true) {
      if (i_ >= s_.size()) Fail(start, "string without closing '\"'");
      const char c = s_[i_];
      if (c == '"') {
        ++i_;
        break;
      }
      if (c != '\\') {
        if (run.empty()) run_start = i_;
        run += c;
        ++i_;
        continue;
      }
      if (i_ + 1 >= s_.size()) Fail(i_, "unfinished escape");
      const char e = s_[i_ + 1];
      const char* simple = nullptr;
      switch (e) {
        case '"':
          simple = "\"";
          break;
        case '\\':
          simple = "\\";
          break;
        case 'n':
          simple = "\n";
          break;
        case 'r':
          simple = "\r";
          break;
        case 't':
          simple = "\t";
          break;
        default:
          break;
      }
      if (simple) {
        if (run.empty()) run_start = i_;
        run += simple;
        i_ += 2;
        continue;
      }
      if (e == 'x' && i_ + 3 < s_.size() + 0 && HexValue(s_[i_ + 2]) >= 0 &&
          HexValue(s_[i_ + 3]) >= 0) {
        flush();
        out += static_cast<char>(HexValue(s_[i_ + 2]) * 16 + HexValue(s_[i_ + 3]));
        i_ += 4;
        continue;
      }
      Fail(i_, std::string("unknown escape '\\") + e + "'");
    }
    flush();
    return out;
  }

  std::string_view s_;
  size_t i_ = 0;
  int line_;
  int col0_;
};

bool IsPlainName(std::string_view cp932) {
  if (cp932.empty() || !IsIdentStart(static_cast<unsigned char>(cp932[0]))) return false;
  for (char c : cp932)
    if (!IsIdentChar(static_cast<unsigned char>(c))) return false;
  return true;
}

// Whether CP932 text converts to UTF-8 and back unchanged.
bool RoundTrips(std::string_view cp932, std::string& utf8) {
  utf8 = platform::Cp932ToUtf8(cp932);
  return platform::IsCp932Representable(utf8) && platform::Utf8ToCp932(utf8) == cp932;
}

}  // namespace

bool Token::IsWord(std::string_view word) const {
  return kind == Tok::kIdent && EqualsIgnoreAsciiCase(text, word);
}

std::vector<Token> Tokenize(std::string_view text, int line, int first_column) {
  return Lexer(text, line, first_column).Run();
}

TokenStream::TokenStream(std::vector<Token> tokens, int line, int end_column)
    : tokens_(std::move(tokens)) {
  end_.line = line;
  end_.column = end_column;
}

const Token& TokenStream::Peek(size_t ahead) const {
  return pos_ + ahead < tokens_.size() ? tokens_[pos_ + ahead] : end_;
}

const Token& TokenStream::Next() {
  const Token& t = Peek();
  if (pos_ < tokens_.size()) ++pos_;
  return t;
}

bool TokenStream::Accept(std::string_view punct) {
  if (!Peek().Is(punct)) return false;
  Next();
  return true;
}

void TokenStream::Expect(std::string_view punct) {
  if (!Accept(punct)) Fail("expected '" + std::string(punct) + "'");
}

void TokenStream::Fail(const Token& at, const std::string& what) const {
  throw CompileError(at.line, at.column, what);
}

std::string QuoteString(std::string_view cp932) {
  std::string utf8;
  const bool whole = RoundTrips(cp932, utf8);
  std::string out = "\"";
  auto escape_byte = [&](unsigned char c) {
    static const char kHex[] = "0123456789ABCDEF";
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 15];
  };
  if (!whole) {
    // Keep ASCII readable; every other byte goes out as an escape.
    for (char ch : cp932) {
      const auto c = static_cast<unsigned char>(ch);
      if (c >= 0x80 || c < 0x20 || c == 0x7F) {
        if (c == '\n')
          out += "\\n";
        else if (c == '\r')
          out += "\\r";
        else if (c == '\t')
          out += "\\t";
        else
          escape_byte(c);
      } else if (c == '"' || c == '\\') {
        out += '\\';
        out += ch;
      } else {
        out += ch;
      }
    }
    return out + "\"";
  }
  for (char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      escape_byte(c);
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::string NameText(std::string_view cp932) {
  std::string utf8;
  if (IsPlainName(cp932) && RoundTrips(cp932, utf8)) {
    // Non-ASCII bytes must all be part of characters the lexer reads back.
    bool plain = true;
    for (char c : utf8)
      if (!IsIdentChar(static_cast<unsigned char>(c))) plain = false;
    if (plain) return utf8;
  }
  return "$" + QuoteString(cp932);
}

std::string RealText(long double value) {
  if (std::isnan(value) || std::isinf(value)) return {};
  char buf[128];
  // Plain decimals where they are short enough to read; exponents otherwise.
  const long double magnitude = std::fabs(value);
  if (magnitude == 0 || (magnitude >= 1e-4L && magnitude < 1e15L)) {
    for (int decimals = 1; decimals <= 25; ++decimals) {
      std::snprintf(buf, sizeof buf, "%.*Lf", decimals, value);
      if (std::strtold(buf, nullptr) == value &&
          std::signbit(std::strtold(buf, nullptr)) == std::signbit(value))
        return buf;
    }
  }
  for (int precision = 1; precision <= 25; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*Lg", precision, value);
    if (std::strtold(buf, nullptr) == value) break;
  }
  std::string s = buf;
  if (s.find_first_of(".en") == std::string::npos) s += ".0";
  return s;
}

void ForEachDescriptionLine(const std::string& utf8,
                            const std::function<void(TokenStream& line)>& parse) {
  std::istringstream lines(utf8);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<Token> tokens = Tokenize(line, number);
    if (tokens.empty() || tokens.front().kind == Tok::kEnd) continue;
    TokenStream ts(std::move(tokens), number, static_cast<int>(line.size()) + 1);
    if (ts.AtEnd()) continue;
    parse(ts);
  }
}

}  // namespace vesk::tool::script
