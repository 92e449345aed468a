#include "vesk-tool/script/page_decompiler.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "core/byte_reader.h"
#include "lang/vocabulary.h"
#include "platform/cp932.h"
#include "script/pages.h"
#include "vesk-tool/script/command_syntax.h"
#include "vesk-tool/script/message_text.h"
#include "vesk-tool/script/page_compiler.h"

namespace vesk::tool::script {

using namespace vesk::lang;  // the vocabulary ids

using namespace vesk::script;
using expr::TVeskParser;

namespace {

constexpr int kMaxPadding = 50;  // blank lines the decompiler adds to keep line numbers

bool IsTrueConstant(const TVeskParser& e) {
  static const TVeskParser kTrue = CompileExpressionText("true");
  return SameExpression(e, kTrue);
}

// Whether a comment can stand as the rest of its line.
bool PlainComment(const std::string& cp932) {
  if (cp932.empty() || cp932[0] == '"' || cp932[0] == ' ' || cp932.back() == ' ' ||
      cp932.back() == '\\')
    return false;
  for (char c : cp932)
    if (static_cast<unsigned char>(c) < 0x20) return false;
  const std::string utf8 = platform::Cp932ToUtf8(cp932);
  return platform::IsCp932Representable(utf8) && platform::Utf8ToCp932(utf8) == cp932;
}

std::string NameOrString(const std::string& cp932) {
  const std::string name = NameText(cp932);
  return name[0] == '$' ? QuoteString(cp932) : name;
}

class Printer {
 public:
  Printer(TPage& page, int32_t stored_sets, bool flat)
      : page_(page), sets_(stored_sets), flat_(flat) {}

  std::string Run() {
    const auto& commands = page_.Commands;
    for (size_t i = 0; i < commands.size(); ++i) {
      TCommand& c = *commands[i];
      if (!flat_ && IsLoopTriple(i)) {
        PrintWhile(i);
        ++i;  // the test was printed with its initialisation
        continue;
      }
      if (!flat_ && c.ComType() == CMD_WhileLoop) continue;  // closed by the indentation
      PrintCommand(c, FieldsText(c));
    }
    Settings();
    return out_;
  }

 private:
  // A structured loop: WhileInit, While at the same indent and line, and
  // the WhileLoop just before the exit index pointing back at the test.
  bool IsLoopTriple(size_t i) const {
    const auto& cs = page_.Commands;
    if (cs[i]->ComType() != CMD_WhileInit || i + 1 >= cs.size() ||
        cs[i + 1]->ComType() != CMD_While)
      return false;
    const auto& test = static_cast<const TComWhile&>(*cs[i + 1]);
    const int64_t loop = static_cast<int64_t>(test.ExitIndex) - 1;
    if (loop <= static_cast<int64_t>(i + 1) || loop >= static_cast<int64_t>(cs.size()))
      return false;
    const TCommand& step = *cs[static_cast<size_t>(loop)];
    return step.ComType() == CMD_WhileLoop &&
           static_cast<const TComWhileLoop&>(step).LoopIndex == static_cast<int32_t>(i + 1);
  }

  void PrintWhile(size_t i) {
    auto& init = static_cast<TComWhileInit&>(*page_.Commands[i]);
    auto& test = static_cast<TComWhile&>(*page_.Commands[i + 1]);
    auto& step =
        static_cast<TComWhileLoop&>(*page_.Commands[static_cast<size_t>(test.ExitIndex - 1)]);
    std::string fields;
    if (!test.Condition.Ops.empty()) fields += " " + DecompileExpression(test.Condition);
    if (!init.Expression.Ops.empty()) fields += " init: " + DecompileExpression(init.Expression);
    if (!step.Expression.Ops.empty()) fields += " step: " + DecompileExpression(step.Expression);
    PrintCommand(test, fields);
  }

  void PrintCommand(const TCommand& c, const std::string& fields) {
    // Blank lines carry the command to its stored line when that is near.
    if (c.Line > line_ && c.Line - line_ <= kMaxPadding) {
      while (line_ < c.Line) {
        out_ += "\n";
        ++line_;
      }
    }
    std::string text;
    const bool indent_by_spaces = c.Indent >= 0 && c.Indent <= 40;
    if (indent_by_spaces) text.append(static_cast<size_t>(c.Indent) * 2, ' ');
    std::string attrs;
    if (c.Line != line_) attrs += ", line=" + std::to_string(c.Line);
    if (!indent_by_spaces) attrs += ", indent=" + std::to_string(c.Indent);
    if (c.RunOn > 1) attrs += ", runon=" + std::to_string(c.RunOn);
    if (c.Disabled > 1) attrs += ", disabled=" + std::to_string(c.Disabled);
    if (!attrs.empty()) text += "[" + attrs.substr(2) + "] ";
    if (c.RunOn == 0) text += "endframe ";
    if (c.Disabled == 1) text += "disabled ";
    text += CommandName(c.ComType());
    if (c.ComType() == CMD_Comment) {
      const std::string& comment = static_cast<const TComComment&>(c).Text();
      text += " " + (PlainComment(comment) ? platform::Cp932ToUtf8(comment) : QuoteString(comment));
    } else {
      text += fields;
    }
    out_ += text + "\n";
    ++line_;
    // Message text goes in "| " lines under its command.
    const std::string bar =
        std::string(indent_by_spaces ? static_cast<size_t>(c.Indent) * 2 : 0, ' ') + "  |";
    for (const std::string& l : text_lines_) {
      out_ += bar + (l.empty() ? "" : " " + l) + "\n";
      ++line_;
    }
    text_lines_.clear();
  }

  std::string FieldsText(TCommand& c) {
    std::string positional, keyed;
    const bool structured_jump =
        !flat_ && (c.ComType() == CMD_Break || c.ComType() == CMD_Continue);
    for (Field& f : FieldsOf(c, page_.Version)) {
      if (structured_jump && f.kind == FieldKind::kInt) continue;  // computed by the loop
      const std::string value = FieldText(f);
      if (value.empty()) continue;
      if (f.positional && positional.empty())
        positional = " " + value;
      else
        keyed += std::string(" ") + f.key + ": " + value;
    }
    if (IsComponentCommand(c.ComType())) {
      auto& component = static_cast<TComComponent&>(c);
      for (int p : component.PropertyIds()) {
        const TVeskParser* e = component.Property(p);
        if (e && !e->Ops.empty()) keyed += " " + PropertyKey(p) + ": " + DecompileExpression(*e);
      }
    }
    return positional + keyed;
  }

  // The text of one field, empty when it has its default value.
  std::string FieldText(Field& f) {
    switch (f.kind) {
      case FieldKind::kExpr: {
        const TVeskParser& e = *std::get<TVeskParser*>(f.ref);
        return e.Ops.empty() ? std::string() : DecompileExpression(e);
      }
      case FieldKind::kCond: {
        const TVeskParser& e = *std::get<TVeskParser*>(f.ref);
        return IsTrueConstant(e) ? std::string() : DecompileExpression(e);
      }
      case FieldKind::kList: {
        const auto& list = *std::get<std::vector<TVeskParser>*>(f.ref);
        if (list.empty()) return {};
        std::string s = "(";
        for (size_t i = 0; i < list.size(); ++i)
          s += (i ? ", " : "") + DecompileExpression(list[i]);
        return s + ")";
      }
      case FieldKind::kName: {
        const std::string& s = *std::get<std::string*>(f.ref);
        return s.empty() ? std::string() : NameOrString(s);
      }
      case FieldKind::kPage:
        return QuoteString(*std::get<std::string*>(f.ref));
      case FieldKind::kTarget:
      case FieldKind::kInt: {
        const int32_t v = *std::get<int32_t*>(f.ref);
        return v == 0 ? std::string() : std::to_string(v);
      }
      case FieldKind::kByte:
      case FieldKind::kScope: {
        const uint8_t v = *std::get<uint8_t*>(f.ref);
        if (v == 0) return {};
        const char* word = f.kind == FieldKind::kScope ? ScopeWord(v) : nullptr;
        return word ? word : std::to_string(v);
      }
      case FieldKind::kType: {
        const uint8_t v = *std::get<uint8_t*>(f.ref);
        const char* word = TypeWord(v);
        return word ? word : std::to_string(v);
      }
      case FieldKind::kText: {
        const MessageForm form = DecompileMessage(*std::get<std::vector<uint8_t>*>(f.ref));
        if (form.kind == MessageForm::kBlock) text_lines_ = form.lines;
        return form.literal;
      }
    }
    return {};
  }

  // Page settings go last so they do not move the command lines.
  void Settings() {
    std::string s;
    if (flat_) s += "#flat\n";
    if (page_.Version != 109) s += "#version " + std::to_string(page_.Version) + "\n";
    if (page_.ResultType != 1) {
      const char* word = TypeWord(page_.ResultType);
      s += "#result " + (word ? std::string(word) : std::to_string(page_.ResultType)) + "\n";
    }
    if (sets_ != kCommandCount) s += "#sets " + std::to_string(sets_) + "\n";
    s += SchemaLines();
    if (!s.empty()) out_ += "\n# page settings\n" + s;
  }

  // The schema bits the printed properties do not already give.
  std::string SchemaLines() {
    std::array<PropertySet, kCommandCount> used{};
    for (const auto& c : page_.Commands) {
      if (!IsComponentCommand(c->ComType())) continue;
      auto& component = static_cast<TComComponent&>(*c);
      for (int p : component.PropertyIds()) {
        const TVeskParser* e = component.Property(p);
        if (e && !e->Ops.empty()) SetPropertyBit(used[static_cast<size_t>(c->ComType())], p);
      }
    }
    std::string s;
    for (int id = 0; id < kCommandCount; ++id) {
      std::string props;
      for (int p = 0; p < static_cast<int>(kPropertySetBytes * 8); ++p) {
        if (!PropertyBit(page_.Schema[static_cast<size_t>(id)], p) ||
            PropertyBit(used[static_cast<size_t>(id)], p))
          continue;
        const std::string key = PropertyKey(p);
        props += " " + (key.empty() ? std::to_string(p) : key);
      }
      if (!props.empty()) s += "#schema " + CommandName(id) + props + "\n";
    }
    return s;
  }

  TPage& page_;
  int32_t sets_;
  bool flat_;
  std::string out_;
  int line_ = 1;                         // the line the next output line will be
  std::vector<std::string> text_lines_;  // of the command being printed
};

// Empty when the page's bytes survive reading and writing; otherwise where
// they do not.
std::string FirstChange(const std::vector<uint8_t>& original,
                        const std::vector<uint8_t>& rewritten) {
  const size_t common = std::min(original.size(), rewritten.size());
  size_t i = 0;
  while (i < common && original[i] == rewritten[i]) ++i;
  if (i == common && original.size() == rewritten.size()) return {};
  char text[160];
  if (i == common && original.size() > common)
    std::snprintf(text, sizeof text, "%zu bytes after the last record", original.size() - common);
  else if (i == common)
    std::snprintf(text, sizeof text, "the page ends %zu bytes early", rewritten.size() - common);
  else
    std::snprintf(text, sizeof text,
                  "the byte 0x%02X at offset %zu would be written back as 0x%02X; the player reads "
                  "both alike",
                  original[i], i, rewritten[i]);
  return text;
}

}  // namespace

std::string DecompilePage(const std::vector<uint8_t>& bytes, const std::string& page_name) {
  TPage page;
  PageLoad load;
  try {
    load = page.Load(page_name, bytes);
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string("not a readable page: ") + e.what());
  }
  if (load != PageLoad::kLoaded)
    throw std::runtime_error("page version " + std::to_string(page.Version) +
                             " cannot be decompiled (103..109 can)");
  const int32_t stored_sets = page.StoredSets;
  // The check is against the bytes as they are, not as the loader would
  // write them again: reading keeps only what the player uses (a flag stored
  // as 0x80 reads as true), and text made from that would compile to other
  // bytes.
  std::string why = FirstChange(bytes, PageBytes(page));
  if (!why.empty()) throw std::runtime_error("no script text reproduces this page (" + why + ")");
  for (bool flat : {false, true}) {
    std::string text = Printer(page, stored_sets, flat).Run();
    try {
      CompiledPage again = CompilePage(text, page_name, {});
      if (again.fixups.empty() && PageBytes(*again.page) == bytes) return text;
      why = "compiling the text back gives other bytes";
    } catch (const CompileError& e) {
      why = "compiling the text back fails at " + std::to_string(e.line()) + ":" +
            std::to_string(e.column()) + ": " + e.what();
    }
  }
  throw std::runtime_error("no script text reproduces this page (" + why + ")");
}

}  // namespace vesk::tool::script
