#pragma once
// gettext catalogues (.po files) as the translators' workflow uses them:
// one entry per piece of text, keyed by its context. The reader is strict
// because what it accepts is put into game pages: every doubt is an error
// with the line it is on, and nothing it reads can make it crash.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vesk::tool::po {

// An entry (or the whole text) bigger than this is refused: no real
// message comes near it, and a hostile file must not make us hold gigabytes.
inline constexpr size_t kMaxEntryBytes = size_t{1} << 20;

struct Entry {
  std::string context;  // msgctxt, UTF-8
  bool has_context = false;
  std::string id;                       // msgid, UTF-8
  std::string str;                      // msgstr, UTF-8
  std::vector<std::string> comments;    // "#. " extracted comments
  std::vector<std::string> references;  // "#: " references
  std::vector<std::string> flags;       // "#, " flags ("fuzzy", ...)
  int line = 0;                         // where the entry starts
  int str_line = 0;                     // where its msgstr starts
  // Where each piece of msgstr came from: its first byte's offset in `str`
  // and its line, so that an error in the text can name its line.
  std::vector<std::pair<size_t, int>> str_pieces;

  // The .po line holding byte `offset` of msgstr.
  int LineOfStrOffset(size_t offset) const;

  bool fuzzy() const;
  bool translated() const { return !str.empty() && !fuzzy(); }
};

struct Catalog {
  std::string header;  // the msgstr of the header entry (empty msgid, no context)
  std::vector<Entry> entries;
};

// A mistake in a .po file at a line (1-based).
class PoError : public std::runtime_error {
 public:
  PoError(int line, const std::string& what) : std::runtime_error(what), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

// Reads a whole .po file. Throws PoError on broken quoting, unknown or
// malformed escapes, invalid UTF-8, a charset other than UTF-8, plural
// forms, an entry without msgstr, two entries with one context, or an
// entry over kMaxEntryBytes. Obsolete ("#~") entries are skipped.
Catalog ReadCatalog(std::string_view text);

// The text of a catalogue: the header, then the entries in order.
std::string WriteCatalog(const Catalog& catalog);

// The header our export writes (project id, charset).
std::string DefaultHeader(const std::string& project_title_utf8);

// A string as a .po string literal (quotes and C escapes included); long
// strings with line breaks become the multi-line form, starting with "".
std::string QuoteLiteral(std::string_view utf8);

}  // namespace vesk::tool::po
