#pragma once
// Tokens of the script language, one logical line at a time. Strings and
// names come out already in Shift-JIS (CP932): UTF-8 text is converted, and
// `\xNN` escapes give raw bytes. Errors carry the 1-based line and column.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::tool::script {

// A compile error at a place in the source; the driver adds the file name.
class CompileError : public std::runtime_error {
 public:
  CompileError(int line, int column, const std::string& what)
      : std::runtime_error(what), line_(line), column_(column) {}
  int line() const { return line_; }
  int column() const { return column_; }

 private:
  int line_;
  int column_;
};

// Something that compiles but is likely a mistake; the driver prints it with
// the file name (and fails with --werror).
struct CompileWarning {
  int line = 0;
  int column = 0;
  std::string what;
};

enum class Tok {
  kEnd,
  kIdent,       // name (CP932 bytes); letters, digits, '_', non-ASCII
  kQuotedName,  // $"name" (CP932 bytes)
  kSysVar,      // @Name (text includes the '@')
  kInt,         // integer literal (value in int_value, already wrapped to 32 bits)
  kReal,        // real literal (real_value)
  kString,      // string literal (CP932 bytes in text)
  kPunct,  // operators and punctuation, in text: ( ) [ ] { } , : ; = == != <> < > <= >= << >> + - *
           // / % ~ | & ^
};

struct Token {
  Tok kind = Tok::kEnd;
  std::string text;
  int64_t int_value = 0;  // for kInt: the value as written (hex already wrapped)
  long double real_value = 0;
  int line = 0;
  int column = 0;  // 1-based byte column of the token's first character
  // For kIdent: true when directly followed by ':' and not "::" — a field key.
  bool is_key = false;

  bool Is(std::string_view punct) const { return kind == Tok::kPunct && text == punct; }
  // Case-insensitive match of an identifier (ASCII).
  bool IsWord(std::string_view word) const;
};

// Splits one logical line (continuations already joined) into tokens.
// `line` is the source line number used in tokens and errors; `first_column`
// is the column of text[0]. A '#' outside a string ends the line.
std::vector<Token> Tokenize(std::string_view text, int line, int first_column = 1);

// Cursor over a token list, with the error helper every parser uses.
class TokenStream {
 public:
  explicit TokenStream(std::vector<Token> tokens, int line, int end_column);
  const Token& Peek(size_t ahead = 0) const;
  const Token& Next();
  bool AtEnd() const { return Peek().kind == Tok::kEnd; }
  bool Accept(std::string_view punct);
  void Expect(std::string_view punct);
  [[noreturn]] void Fail(const Token& at, const std::string& what) const;
  [[noreturn]] void Fail(const std::string& what) const { Fail(Peek(), what); }
  size_t position() const { return pos_; }
  void set_position(size_t pos) { pos_ = pos; }

 private:
  std::vector<Token> tokens_;
  size_t pos_ = 0;
  Token end_;
};

// The line-per-record description formats of the tools (films, preview
// menus): each line of `utf8` (CR LF or LF) that holds a token, as a stream.
void ForEachDescriptionLine(const std::string& utf8,
                            const std::function<void(TokenStream& line)>& parse);

// Text forms used by the decompiler, parsed back exactly by Tokenize.
std::string QuoteString(std::string_view cp932);  // "..." in UTF-8 with escapes
// An identifier as written: bare when Tokenize reads it back as one name,
// else $"...".
std::string NameText(std::string_view cp932);
// The shortest decimal text that reads back as exactly `value` (with '.' or
// an exponent so that it reads as a real).
std::string RealText(long double value);

}  // namespace vesk::tool::script
