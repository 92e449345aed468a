#pragma once
// The first pass of the message markup: the joined lines cut into text,
// tag and comment tokens, with the escapes, quoting, white space and the
// PRE / TEXTAREA modes already applied. Internal to the markup parser (and
// its tests).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::text::markup {

enum class TokenKind {
  kText,     // characters to show
  kTag,      // "<" ... ">", nesting counted
  kComment,  // "<!--", SCRIPT or STYLE block: ignored
};

struct Token {
  TokenKind kind = TokenKind::kText;
  std::string text;
  size_t start = 0;       // offset in the joined text where the token began
  bool unclosed = false;  // a tag or comment still open at the end of the text
};

// `joined` is the message's lines with one CR between them.
std::vector<Token> Tokenize(std::string_view joined);

}  // namespace vesk::text::markup
