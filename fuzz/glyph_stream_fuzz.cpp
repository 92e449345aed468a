// Glyph streams from the fuzzer, as compiled pages and history entries
// carry them: a clear error or a stream, never a crash. A stream read whole
// is written again at its version and must read back the same; what the
// printer makes of it must parse to the same stream (it checks that itself).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/byte_reader.h"
#include "core/byte_writer.h"
#include "core/vesk_error.h"
#include "expr/parser.h"
#include "text/markup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vesk::text;
  // Old variable glyphs hold stored expressions: read with the expression
  // library, their bytes kept as they were.
  const ExpressionReader expressions = [data](vesk::ByteReader& in) {
    const size_t start = in.position();
    vesk::expr::TVeskParser e;
    e.LoadFromStream(in);
    return std::vector<uint8_t>(data + start, data + in.position());
  };
  GlyphStream s;
  try {
    vesk::ByteReader in(data, size);
    s = ReadGlyphStream(in, expressions);
  } catch (const vesk::ETruncated&) {
    return 0;
  } catch (const vesk::EVeskError&) {
    return 0;
  }
  if (s.Complete) {
    vesk::ByteWriter out;
    WriteGlyphStream(s, out);
    const std::vector<uint8_t>& again = out.bytes();
    vesk::ByteReader in(again.data(), again.size());
    const ExpressionReader kept = [&again](vesk::ByteReader& r) {
      const size_t start = r.position();
      vesk::expr::TVeskParser e;
      e.LoadFromStream(r);
      return std::vector<uint8_t>(again.data() + start, again.data() + r.position());
    };
    if (!SameStream(ReadGlyphStream(in, kept), s) || !in.at_end()) std::abort();
  }
  (void)PrintMarkup(s, 50);
  return 0;
}
