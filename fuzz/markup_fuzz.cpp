// Message markup from the fuzzer, cut into lines at LF: whatever it parses
// to must be a stream the player can read back as it was, with every style
// index pointing at a record that counts its users; what the printer makes
// of it must parse to the same stream (the printer checks that itself).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "core/byte_writer.h"
#include "text/markup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vesk::text;
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n')
      lines.emplace_back();
    else
      lines.back() += static_cast<char>(data[i]);
  }
  const MarkupResult r = ParseMarkup(lines, 50);
  std::vector<int32_t> users(r.Stream.Decorates.size(), 0);
  for (const GlyphRecord& g : r.Stream.Glyphs) {
    if (g.Type != kGlyphChar && g.Type != kGlyphVar) continue;
    if (g.Style < 0 || static_cast<size_t>(g.Style) >= users.size()) std::abort();
    ++users[static_cast<size_t>(g.Style)];
  }
  for (size_t i = 0; i < users.size(); ++i)
    if (users[i] == 0 || users[i] != r.Stream.Decorates[i].RefCount) std::abort();
  vesk::ByteWriter out;
  WriteGlyphStream(r.Stream, out);
  vesk::ByteReader in(out.bytes().data(), out.bytes().size());
  if (!SameStream(ReadGlyphStream(in), r.Stream) || !in.at_end()) std::abort();
  (void)PrintMarkup(r.Stream, 50);
  return 0;
}
