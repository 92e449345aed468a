#include "text/markup_tokens.h"

#include <array>

#include "core/sjis.h"

namespace vesk::text::markup {
namespace {

constexpr std::array<std::string_view, 3> kCommentOpeners = {"<!--", "<SCRIPT", "<STYLE"};
constexpr std::array<std::string_view, 3> kCommentClosers = {"-->", "</SCRIPT>", "</STYLE>"};
// Backslash escapes that give their character literally.
constexpr std::string_view kEscapable = "%<>{}\\";
constexpr size_t kTabSpaces = 8;

bool StartsWithIgnoreCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsIgnoreAsciiCase(s.substr(0, prefix.size()), prefix);
}

template <size_t N>
size_t MatchAny(std::string_view rest, const std::array<std::string_view, N>& words) {
  for (std::string_view w : words)
    if (StartsWithIgnoreCase(rest, w)) return w.size();
  return 0;
}

class Tokenizer {
 public:
  explicit Tokenizer(std::string_view s) : s_(s) {}

  std::vector<Token> Run() {
    while (i_ < s_.size()) Step();
    Finish();
    return std::move(out_);
  }

 private:
  void Step() {
    const auto b = static_cast<uint8_t>(s_[i_]);
    if (skip_cr_) {
      // One line end right after <PRE> or <TEXTAREA> belongs to the tag.
      skip_cr_ = false;
      if (b == '\r') {
        ++i_;
        return;
      }
    }
    // A double-byte character is never split, whatever its trail byte.
    if (IsSjisLeadByte(b) && i_ + 1 < s_.size()) {
      Append(s_.substr(i_, 2));
      i_ += 2;
      return;
    }
    if (comment_level_ > 0) {
      InComment(b);
    } else if (quoted_) {
      InQuotes(b);
    } else {
      Plain(b);
    }
  }

  void InComment(uint8_t b) {
    const std::string_view rest = s_.substr(i_);
    if (const size_t n = MatchAny(rest, kCommentOpeners)) {
      ++comment_level_;
      Append(rest.substr(0, n));
      i_ += n;
    } else if (const size_t m = MatchAny(rest, kCommentClosers)) {
      Append(rest.substr(0, m));
      i_ += m;
      if (--comment_level_ == 0) Emit(TokenKind::kComment);
    } else {
      Append(static_cast<char>(b));
      if (b == '\r') pending_ += '\n';
      ++i_;
    }
  }

  void InQuotes(uint8_t b) {
    if (b != '\r' && b != '\n' && b != '\t') Append(static_cast<char>(b));
    if (b == '"') quoted_ = false;
    ++i_;
  }

  void Plain(uint8_t b) {
    switch (b) {
      case '"':
        quoted_ = true;
        Append('"');
        ++i_;
        return;
      case '\\':
        if (i_ + 1 < s_.size() && kEscapable.find(s_[i_ + 1]) != std::string_view::npos) {
          Append(s_[i_ + 1]);
          i_ += 2;
        } else {
          ++i_;  // dropped; what follows is read as usual
        }
        return;
      case '<':
        OpenAngle();
        return;
      case '>':
        Append('>');
        ++i_;
        if (tag_level_ > 0 && --tag_level_ == 0) CompleteTag();
        return;
      case '\r':
        LineEnd();
        ++i_;
        return;
      case 0x14:
        if (pre_ || textarea_ || !EndsInSpace()) Append(' ');
        ++i_;
        return;
      case '\t':
        if (pre_ || textarea_) Append(std::string(kTabSpaces, ' '));
        ++i_;
        return;
      case ' ':
        if (!EndsInSpace()) Append(' ');
        ++i_;
        return;
      default:
        Append(static_cast<char>(b));
        ++i_;
        return;
    }
  }

  void OpenAngle() {
    if (tag_level_ == 0) {
      if (const size_t n = MatchAny(s_.substr(i_), kCommentOpeners)) {
        FlushText();
        comment_level_ = 1;
        Append(s_.substr(i_, n));
        i_ += n;
        return;
      }
      FlushText();
    }
    ++tag_level_;
    Append('<');
    ++i_;
  }

  void LineEnd() {
    if (tag_level_ == 0 && (pre_ || textarea_)) {
      FlushText();
      if (pre_) out_.push_back({TokenKind::kTag, "<BR>", i_, false});
      return;
    }
    if (!pending_.empty() && pending_.back() != ' ') Append(' ');
  }

  void CompleteTag() {
    const std::string tag = pending_;
    Emit(TokenKind::kTag);
    if (!textarea_ && StartsWithIgnoreCase(tag, "<PRE")) {
      pre_ = true;
      skip_cr_ = true;
    } else if (StartsWithIgnoreCase(tag, "</PRE")) {
      pre_ = false;
      // The line end before </PRE> made a break the author did not ask for.
      if (out_.size() >= 2) {
        const Token& before = out_[out_.size() - 2];
        if (before.kind == TokenKind::kTag && before.text == "<BR>") out_.erase(out_.end() - 2);
      }
    } else if (!pre_ && StartsWithIgnoreCase(tag, "<TEXTAREA")) {
      textarea_ = true;
      skip_cr_ = true;
    } else if (!pre_ && StartsWithIgnoreCase(tag, "</TEXTAREA")) {
      textarea_ = false;
    }
  }

  bool EndsInSpace() const { return !pending_.empty() && pending_.back() == ' '; }

  void Append(std::string_view bytes) {
    if (pending_.empty()) start_ = i_;
    pending_ += bytes;
  }
  void Append(char c) { Append(std::string_view(&c, 1)); }

  void Emit(TokenKind kind, bool unclosed = false) {
    out_.push_back({kind, std::move(pending_), start_, unclosed});
    pending_.clear();
  }
  void FlushText() {
    if (!pending_.empty()) Emit(TokenKind::kText);
  }

  // What is still open at the end: a comment is dropped as comments are, a
  // tag shows as the text it is.
  void Finish() {
    if (pending_.empty()) return;
    if (comment_level_ > 0)
      Emit(TokenKind::kComment, true);
    else
      Emit(TokenKind::kText, tag_level_ > 0);
  }

  std::string_view s_;
  size_t i_ = 0;
  std::string pending_;
  size_t start_ = 0;
  int tag_level_ = 0;
  int comment_level_ = 0;
  bool quoted_ = false;
  bool pre_ = false;
  bool textarea_ = false;
  bool skip_cr_ = false;
  std::vector<Token> out_;
};

}  // namespace

std::vector<Token> Tokenize(std::string_view joined) {
  return Tokenizer(joined).Run();
}

}  // namespace vesk::text::markup
