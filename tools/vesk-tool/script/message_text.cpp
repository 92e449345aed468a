#include "vesk-tool/script/message_text.h"

#include <algorithm>

#include "core/byte_writer.h"
#include "expr/parser.h"
#include "platform/cp932.h"
#include "text/markup.h"

namespace vesk::tool::script {
namespace {

std::string Utf8(const std::string& cp932) {
  return platform::Cp932ToUtf8(cp932);
}

// Where a place in the markup is in the source; columns count the UTF-8
// bytes an editor shows.
std::pair<int, int> SourcePlace(const std::vector<MarkupSourceLine>& lines,
                                const text::MarkupPlace& at) {
  if (lines.empty()) return {0, 0};
  const MarkupSourceLine& l = lines[std::min(at.line, lines.size() - 1)];
  if (l.from_literal) return {l.line, l.column};
  const size_t offset = std::min(at.offset, l.text.size());
  return {l.line, l.column + static_cast<int>(Utf8(l.text.substr(0, offset)).size())};
}

void Notes(const std::vector<MarkupSourceLine>& lines, const text::MarkupResult& r,
           std::vector<CompileWarning>& warnings) {
  for (const text::MarkupNote& note : r.Notes) {
    const auto [line, column] = SourcePlace(lines, note.at);
    switch (note.kind) {
      case text::MarkupNoteKind::kUnclosedTag:
        throw CompileError(line, column,
                           "'<' without '>': the player would show \"" + Utf8(note.text) +
                               "\" as text (a '<' to show is written \\<)");
      case text::MarkupNoteKind::kUnclosedComment:
        throw CompileError(line, column,
                           "comment never closed: the player drops the rest of the message");
      case text::MarkupNoteKind::kUnknownTag:
        warnings.push_back(
            {line, column, "unknown tag <" + Utf8(note.text) + ">: the player ignores it"});
        break;
      case text::MarkupNoteKind::kUnknownAttribute:
        warnings.push_back(
            {line, column,
             "the tag does not read '" + Utf8(note.text) + "': the player ignores it"});
        break;
    }
  }
}

// Only a stopping event can start with 0x01 in the stored form.
void CheckEvents(const std::vector<MarkupSourceLine>& lines, const text::GlyphStream& s) {
  for (const text::GlyphRecord& g : s.Glyphs) {
    if (g.Type == text::kGlyphEvent && !g.Stop && !g.Value.empty() && g.Value[0] == '\x01') {
      const MarkupSourceLine& l = lines.front();
      throw CompileError(l.line, l.column,
                         "an EVENT VALUE starting with the byte 0x01 is stored as END: give END");
    }
  }
}

bool ShowsAsItIs(const std::string& cp932) {
  for (char c : cp932) {
    const auto b = static_cast<uint8_t>(c);
    if (b < 0x20 || b == 0x7F) return false;
  }
  const std::string utf8 = Utf8(cp932);
  return platform::IsCp932Representable(utf8) && platform::Utf8ToCp932(utf8) == cp932;
}

// A block line ending in a space would lose it to the first editor that
// trims lines.
bool FitsABlock(const std::vector<std::string>& lines) {
  if (lines.size() < 2) return false;
  return std::all_of(lines.begin(), lines.end(), [](const std::string& l) {
    return ShowsAsItIs(l) && (l.empty() || l.back() != ' ');
  });
}

}  // namespace

std::vector<uint8_t> CompileMessage(const std::vector<MarkupSourceLine>& lines,
                                    std::vector<CompileWarning>& warnings) {
  std::vector<std::string> text;
  for (const MarkupSourceLine& l : lines) text.push_back(l.text);
  const text::MarkupResult r = text::ParseMarkup(text, kCompileTextDelay);
  if (r.Error) {
    const auto [line, column] = SourcePlace(lines, r.ErrorAt);
    throw CompileError(line, column, Utf8(*r.Error));
  }
  Notes(lines, r, warnings);
  if (!lines.empty()) CheckEvents(lines, r.Stream);
  ByteWriter out;
  text::WriteGlyphStream(r.Stream, out);
  return std::move(out.bytes());
}

text::ExpressionReader StoredExpressionReader(const uint8_t* base) {
  return [base](ByteReader& in) {
    const size_t start = in.position();
    expr::TVeskParser expression;
    expression.LoadFromStream(in);
    return std::vector<uint8_t>(base + start, base + in.position());
  };
}

MessageForm DecompileMessage(const std::vector<uint8_t>& text_data) {
  MessageForm form;
  if (text_data.empty()) return form;
  form.kind = MessageForm::kRaw;
  form.literal = "raw " + QuoteString(std::string(text_data.begin(), text_data.end()));
  std::vector<std::string> lines;
  try {
    ByteReader in(text_data.data(), text_data.size());
    const text::GlyphStream s = text::ReadGlyphStream(in, StoredExpressionReader(text_data.data()));
    if (!in.at_end()) return form;
    auto printed = text::PrintMarkup(s, kCompileTextDelay);
    if (!printed) return form;
    // What the compiler makes of it, warnings included, must be these bytes.
    std::vector<MarkupSourceLine> source;
    for (const std::string& l : *printed) source.push_back({l, 1, 1, false});
    std::vector<CompileWarning> warnings;
    if (CompileMessage(source, warnings) != text_data || !warnings.empty()) return form;
    lines = std::move(*printed);
  } catch (const std::exception&) {
    return form;  // a stream the player cannot read either: kept as bytes
  }
  if (FitsABlock(lines)) {
    form.kind = MessageForm::kBlock;
    form.literal.clear();
    for (const std::string& l : lines) form.lines.push_back(Utf8(l));
    return form;
  }
  std::string joined;
  for (size_t i = 0; i < lines.size(); ++i) joined += (i ? "\n" : "") + lines[i];
  form.kind = MessageForm::kString;
  form.literal = QuoteString(joined);
  return form;
}

}  // namespace vesk::tool::script
