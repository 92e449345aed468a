#include "vesk-tool/script/page_compiler.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <tuple>

#include "core/sjis.h"
#include "lang/vocabulary.h"
#include "platform/cp932.h"
#include "vesk-tool/script/command_syntax.h"
#include "vesk-tool/script/message_text.h"
#include "vesk-tool/script/variable_names.h"

namespace vesk::tool::script {

using namespace vesk::lang;  // the vocabulary ids

using namespace vesk::script;
using expr::TVeskParser;

namespace {

constexpr int32_t kDefaultVersion = 109;

// One logical source line: continuations joined, indentation measured.
struct SourceLine {
  int line = 0;
  int width = 0;     // leading spaces
  std::string text;  // after the indentation
  // Where each continuation starts in `text`, and its physical place.
  struct Join {
    size_t offset;
    int line;
    int column;
  };
  std::vector<Join> joins;
  // The "| " lines of message text under the command (UTF-8).
  std::vector<MarkupSourceLine> text_lines;
};

std::string TrimRight(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
  return s;
}

bool IsBlank(std::string_view s) {
  return s.find_first_not_of(" \t\r") == std::string_view::npos;
}

// A line of message text: "|" first, after the indentation.
bool IsTextLine(std::string_view s) {
  const size_t first = s.find_first_not_of(" \t");
  return first != std::string_view::npos && s[first] == '|';
}

// A text line goes with the command line above it (comments may stand
// between); one space after the "|" only sets the text off.
void AttachTextLine(std::vector<SourceLine>& out, const std::string& text, int line) {
  const size_t first = text.find_first_not_of(" \t");
  if (text.find('\t') < first)
    throw CompileError(line, static_cast<int>(text.find('\t')) + 1,
                       "tab in indentation: indent with spaces");
  SourceLine* owner = nullptr;
  for (auto it = out.rbegin(); it != out.rend() && !owner; ++it)
    if (it->text[0] != '#') owner = &*it;
  const int column = static_cast<int>(first) + 1;
  if (!owner) throw CompileError(line, column, "a text line ('|') belongs under a TextIns");
  if (static_cast<int>(first) <= owner->width)
    throw CompileError(line, column, "a text line ('|') is indented deeper than its TextIns");
  MarkupSourceLine l{text.substr(first + 1), line, column + 1, false};
  if (!l.text.empty() && l.text[0] == ' ') {
    l.text.erase(0, 1);
    ++l.column;
  }
  owner->text_lines.push_back(std::move(l));
}

std::vector<SourceLine> SplitLines(std::string_view source) {
  std::vector<std::string> physical;
  size_t start = 0;
  while (start <= source.size()) {
    size_t end = source.find('\n', start);
    if (end == std::string_view::npos) end = source.size();
    physical.emplace_back(source.substr(start, end - start));
    start = end + 1;
  }
  std::vector<SourceLine> out;
  for (size_t i = 0; i < physical.size(); ++i) {
    SourceLine l;
    l.line = static_cast<int>(i) + 1;
    std::string text = physical[i];
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (IsTextLine(text)) {
      AttachTextLine(out, text, l.line);
      continue;
    }
    size_t w = 0;
    while (w < text.size() && (text[w] == ' ' || text[w] == '\t')) {
      if (text[w] == '\t' && !IsBlank(text))
        throw CompileError(l.line, static_cast<int>(w) + 1,
                           "tab in indentation: indent with spaces");
      ++w;
    }
    l.width = static_cast<int>(w);
    l.text = text.substr(w);
    // A trailing '\' joins the next line (not for comments, which are raw).
    while (!l.text.empty() && TrimRight(l.text).size() > 0 && TrimRight(l.text).back() == '\\' &&
           l.text[0] != '#' && i + 1 < physical.size() && !IsTextLine(physical[i + 1])) {
      l.text = TrimRight(l.text);
      l.text.pop_back();
      std::string next = physical[++i];
      if (!next.empty() && next.back() == '\r') next.pop_back();
      const size_t indent = std::min(next.find_first_not_of(" \t"), next.size());
      l.text += " ";
      l.joins.push_back({l.text.size(), static_cast<int>(i) + 1, static_cast<int>(indent) + 1});
      l.text += next.substr(indent);
    }
    if (IsBlank(l.text)) continue;
    out.push_back(std::move(l));
  }
  return out;
}

TVeskParser TrueExpression() {
  TVeskParser e = CompileExpressionText("true");
  return e;
}

// The header bytes a line asks for explicitly.
struct LineAttributes {
  std::optional<int32_t> line, indent;
  std::optional<uint8_t> runon, disabled;
};

// What the page's directives set up.
struct PageSettings {
  int32_t version = kDefaultVersion;
  uint8_t result_type = 1;
  int32_t sets = kCommandCount;
  bool flat = false;
  std::array<PropertySet, kCommandCount> extra_schema{};
};

// The header values of the command being compiled.
struct Header {
  int32_t line = 0;
  int32_t indent = 0;
  uint8_t runon = 1;
  uint8_t disabled = 0;
};

// An open block of a structured page.
struct Block {
  Header loop_header;  // a While's line, for the commands that close it
  int width = 0;
  bool pending = false;  // the opener's body has not started yet
  bool is_while = false;
  int line = 0;
  int32_t while_index = -1;
  TVeskParser step;
  std::vector<int32_t*> breaks;
  std::vector<int32_t*> continues;
};

class PageCompiler {
 public:
  PageCompiler(std::string_view source, const std::string& page_name, const ExprContext& context)
      : source_(source), page_name_(page_name), context_(context) {
    context_.names_used = &result_.names_used;
  }

  CompiledPage Run() {
    result_.page = std::make_unique<TPage>();
    page_ = result_.page.get();
    page_->Name = page_name_;
    const std::vector<SourceLine> lines = SplitLines(source_);
    for (const SourceLine& l : lines)
      if (l.text[0] == '#') Directive(l);
    page_->Version = settings_.version;
    page_->ResultType = settings_.result_type;
    page_->StoredSets = settings_.sets;
    blocks_.push_back(Block{});
    for (const SourceLine& l : lines)
      if (l.text[0] != '#') JoinedCommandLine(l);
    while (blocks_.size() > 1) CloseBlock();
    ApplySchema();
    return std::move(result_);
  }

 private:
  // ---- Directives -------------------------------------------------------

  void Directive(const SourceLine& l) {
    const size_t word_end = std::min(l.text.find_first_of(" \t"), l.text.size());
    const std::string word = l.text.substr(1, word_end - 1);
    const int column = l.width + 1;
    const bool known = word == "result" || word == "version" || word == "sets" ||
                       word == "schema" || word == "flat";
    if (!known) return;  // an ordinary comment
    TokenStream in(Tokenize(std::string_view(l.text).substr(word_end), l.line,
                            column + static_cast<int>(word_end)),
                   l.line, column + static_cast<int>(l.text.size()));
    if (word == "flat") {
      settings_.flat = true;
    } else if (word == "version") {
      settings_.version = static_cast<int32_t>(IntValue(in, 100, 110));
    } else if (word == "sets") {
      settings_.sets = static_cast<int32_t>(IntValue(in, 0, kCommandCount));
    } else if (word == "result") {
      settings_.result_type = static_cast<uint8_t>(TypeValue(in, 0, 255));
    } else {
      SchemaDirective(in);
    }
    if (!in.AtEnd()) in.Fail("unexpected text after #" + word);
  }

  void SchemaDirective(TokenStream& in) {
    const Token& kind = in.Next();
    const int id = kind.kind == Tok::kIdent ? FindCommand(kind.text) : -1;
    if (id < 0) in.Fail(kind, "#schema needs a command name");
    while (!in.AtEnd()) {
      const Token& t = in.Next();
      int prop = -1;
      if (t.kind == Tok::kInt && t.int_value >= 0 && t.int_value < 160)
        prop = static_cast<int>(t.int_value);
      if (t.kind == Tok::kIdent) prop = FindProperty(t.text);
      if (prop < 0) in.Fail(t, "unknown property '" + t.text + "'");
      SetPropertyBit(settings_.extra_schema[static_cast<size_t>(id)], prop);
    }
  }

  // ---- Command lines ----------------------------------------------------

  // Places in a continued line are given on the physical line they are on.
  static std::pair<int, int> PhysicalPlace(const SourceLine& l, int line, int column) {
    const int offset = column - (l.width + 1);
    const SourceLine::Join* join = nullptr;
    for (const SourceLine::Join& j : l.joins)
      if (line == l.line && offset >= static_cast<int>(j.offset)) join = &j;
    if (!join) return {line, column};
    return {join->line, join->column + offset - static_cast<int>(join->offset)};
  }

  void JoinedCommandLine(const SourceLine& l) {
    const size_t used = result_.names_used.size(), declared = result_.names_declared.size();
    const size_t fixups = result_.fixups.size(), warnings = result_.warnings.size();
    try {
      CommandLine(l);
    } catch (const CompileError& e) {
      const auto [line, column] = PhysicalPlace(l, e.line(), e.column());
      throw CompileError(line, column, e.what());
    }
    if (l.joins.empty()) return;
    auto move = [&l](int& line, int& column) {
      std::tie(line, column) = PhysicalPlace(l, line, column);
    };
    for (size_t i = used; i < result_.names_used.size(); ++i)
      move(result_.names_used[i].line, result_.names_used[i].column);
    for (size_t i = declared; i < result_.names_declared.size(); ++i)
      move(result_.names_declared[i].line, result_.names_declared[i].column);
    for (size_t i = fixups; i < result_.fixups.size(); ++i)
      move(result_.fixups[i].line, result_.fixups[i].column);
    for (size_t i = warnings; i < result_.warnings.size(); ++i)
      move(result_.warnings[i].line, result_.warnings[i].column);
  }

  void CommandLine(const SourceLine& l) {
    size_t pos = 0;
    LineAttributes attrs;
    uint8_t runon = 1, disabled = 0;
    const int column0 = l.width + 1;
    auto skip_spaces = [&] {
      while (pos < l.text.size() && l.text[pos] == ' ') ++pos;
    };
    std::string word;
    while (true) {
      skip_spaces();
      if (pos < l.text.size() && l.text[pos] == '[') {
        const size_t close = l.text.find(']', pos);
        if (close == std::string::npos)
          throw CompileError(l.line, column0 + static_cast<int>(pos), "'[' without ']'");
        Attributes(l.text.substr(pos + 1, close - pos - 1), l.line,
                   column0 + static_cast<int>(pos) + 1, attrs);
        pos = close + 1;
        continue;
      }
      const size_t start = pos;
      while (pos < l.text.size() &&
             (std::isalnum(static_cast<unsigned char>(l.text[pos])) || l.text[pos] == '_'))
        ++pos;
      word = l.text.substr(start, pos - start);
      if (word.empty())
        throw CompileError(l.line, column0 + static_cast<int>(start), "expected a command name");
      if (EqualsIgnoreAsciiCase(word, "endframe")) {
        runon = 0;
      } else if (EqualsIgnoreAsciiCase(word, "disabled")) {
        disabled = 1;
      } else {
        word_column_ = column0 + static_cast<int>(start);
        break;
      }
    }
    const int id = FindCommand(word);
    if (id < 0) throw CompileError(l.line, word_column_, "unknown command '" + word + "'");
    command_id_ = id;
    if (attrs.runon) runon = *attrs.runon;
    if (attrs.disabled) disabled = *attrs.disabled;

    const int depth = settings_.flat ? FlatIndent(l, attrs) : StructuredIndent(l, id);
    header_ = {attrs.line.value_or(l.line), attrs.indent.value_or(depth), runon, disabled};
    const std::string rest = l.text.substr(pos);
    const int rest_column = column0 + static_cast<int>(pos);
    text_lines_ = &l.text_lines;
    if (!l.text_lines.empty() && id != CMD_TextIns) {
      const MarkupSourceLine& first = l.text_lines.front();
      throw CompileError(first.line, first.column - 1, "text lines ('|') follow only TextIns");
    }
    if (id == CMD_Comment) {
      CommentCommand(rest, l.line, rest_column);
      return;
    }
    TokenStream in(Tokenize(rest, l.line, rest_column), l.line,
                   rest_column + static_cast<int>(rest.size()));
    if (!settings_.flat && id == CMD_While) {
      WhileBlock(in, l.line);
      return;
    }
    TCommand& command = Append(id);
    ParseFields(command, in);
    if (id == CMD_VarNew) CheckDeclaration(static_cast<const TComVarNew&>(command), l.line);
    if (!settings_.flat) Structure(command, l.line);
  }

  // The player refuses such a VarNew at run time, and creates nothing.
  void CheckDeclaration(const TComVarNew& var, int line) {
    const NameUse* at = result_.names_declared.empty() ? nullptr : &result_.names_declared.back();
    if (var.VarName.empty() || !at || at->line != line)
      throw CompileError(line, word_column_, "VarNew needs a name");
    if (!PlayerAcceptsVariableName(var.VarName))
      throw CompileError(
          at->line, at->column,
          "'" + platform::Cp932ToUtf8(var.VarName) +
              "' is not a variable name the player accepts (no spaces, not starting with a digit)");
  }

  void Attributes(const std::string& text, int line, int column, LineAttributes& attrs) {
    TokenStream in(Tokenize(text, line, column), line, column + static_cast<int>(text.size()));
    while (!in.AtEnd()) {
      in.Accept(",");
      const Token& key = in.Next();
      in.Expect("=");
      const int64_t v = SignedInt(in);
      if (key.IsWord("line"))
        attrs.line = static_cast<int32_t>(v);
      else if (key.IsWord("indent"))
        attrs.indent = static_cast<int32_t>(v);
      else if (key.IsWord("runon"))
        attrs.runon = static_cast<uint8_t>(v);
      else if (key.IsWord("disabled"))
        attrs.disabled = static_cast<uint8_t>(v);
      else
        in.Fail(key, "unknown line attribute '" + key.text + "'");
    }
  }

  Header header_;

  TCommand& Append(int id) {
    std::unique_ptr<TCommand> c = CreateCommand(id, page_);
    c->Line = header_.line;
    c->Indent = header_.indent;
    c->RunOn = header_.runon;
    c->Disabled = header_.disabled;
    page_->Commands.push_back(std::move(c));
    return *page_->Commands.back();
  }

  int32_t NextIndex() const { return page_->Count(); }

  void CommentCommand(const std::string& rest, int line, int column) {
    auto& c = static_cast<TComComment&>(Append(CMD_Comment));
    std::string text = rest;
    if (!text.empty() && text[0] == ' ') text.erase(0, 1);
    if (!text.empty() && text[0] == '"') {
      TokenStream in(Tokenize(text, line, column + 1), line,
                     column + 1 + static_cast<int>(text.size()));
      const Token& t = in.Next();
      if (t.kind != Tok::kString || !in.AtEnd()) in.Fail(t, "a quoted comment is one string");
      c.LabelName = t.text;
    } else {
      if (!platform::IsCp932Representable(text))
        throw CompileError(line, column, "comment has a character without a Shift-JIS form");
      c.LabelName = platform::Utf8ToCp932(text);
    }
    if (!settings_.flat) Structure(c, line);
  }

  // ---- Fields -------------------------------------------------------------

  void ParseFields(TCommand& command, TokenStream& in) {
    std::vector<Field> fields = FieldsOf(command, settings_.version);
    std::vector<bool> given(fields.size(), false);
    std::map<int, TVeskParser>* props = nullptr;
    if (IsComponentCommand(command.ComType())) props = &component_props_[&command];
    const Token& first = in.Peek();
    ParseFieldList(in, fields, given, props);
    // The sets the page does not store give those commands no properties.
    if (props && !props->empty() && command.ComType() >= settings_.sets)
      in.Fail(first, "properties of " + CommandName(command.ComType()) +
                         " are not stored with #sets " + std::to_string(settings_.sets));
    FinishFields(command, fields, given);
  }

  void ParseFieldList(TokenStream& in, std::vector<Field>& fields, std::vector<bool>& given,
                      std::map<int, TVeskParser>* props) {
    while (true) {
      in.Accept(",");
      if (in.AtEnd()) break;
      const Token& t = in.Peek();
      size_t index = fields.size();
      if (t.kind == Tok::kIdent && t.is_key) {
        for (size_t i = 0; i < fields.size(); ++i)
          if (EqualsIgnoreAsciiCase(t.text, fields[i].key)) index = i;
        if (index == fields.size()) {
          const int prop = props ? FindProperty(t.text) : -1;
          if (prop < 0) in.Fail(t, "unknown field '" + t.text + ":'");
          in.Next();
          in.Expect(":");
          if (props->count(prop)) in.Fail(t, "property '" + t.text + "' given twice");
          (*props)[prop] = CompileExpression(in, context_);
          continue;
        }
        in.Next();
        in.Expect(":");
      } else {
        for (size_t i = 0; i < fields.size(); ++i)
          if (fields[i].positional && !given[i]) index = i;
        if (index == fields.size())
          in.Fail(t, "unexpected '" + t.text + "' (fields are written 'key: value')");
      }
      if (given[index]) in.Fail(t, std::string("field '") + fields[index].key + ":' given twice");
      given[index] = true;
      const Token at = in.Peek();
      FieldValue(in, fields[index]);
      if (fields[index].kind == FieldKind::kName) NameField(fields[index], at);
    }
  }

  void FinishFields(TCommand& command, std::vector<Field>& fields, const std::vector<bool>& given) {
    TextBlock(command, fields, given);
    const std::string* page_field = nullptr;
    for (size_t i = 0; i < fields.size(); ++i) {
      Field& f = fields[i];
      if (f.kind == FieldKind::kPage) {
        page_field = std::get<std::string*>(f.ref);
        // A jump or call without a page stays on this page.
        const int id = command.ComType();
        if (!given[i] && (id == CMD_Jump || id == CMD_Call))
          *std::get<std::string*>(f.ref) = page_name_;
      }
      if (f.kind == FieldKind::kCond && !given[i])
        *std::get<TVeskParser*>(f.ref) = TrueExpression();
    }
    for (TargetFixup& fix : line_fixups_) {
      fix.page = page_field ? page_field : &page_->Name;
      result_.fixups.push_back(fix);
    }
    line_fixups_.clear();
  }

  void FieldValue(TokenStream& in, Field& f) {
    switch (f.kind) {
      case FieldKind::kExpr:
      case FieldKind::kCond:
        *std::get<TVeskParser*>(f.ref) = CompileExpression(in, context_);
        break;
      case FieldKind::kList:
        ExpressionList(in, *std::get<std::vector<TVeskParser>*>(f.ref));
        break;
      case FieldKind::kName:
        *std::get<std::string*>(f.ref) = NameValue(in);
        break;
      case FieldKind::kPage:
        *std::get<std::string*>(f.ref) = PageValue(in);
        break;
      case FieldKind::kTarget:
        TargetValue(in, *std::get<int32_t*>(f.ref));
        break;
      case FieldKind::kInt:
        *std::get<int32_t*>(f.ref) = static_cast<int32_t>(SignedInt(in));
        break;
      case FieldKind::kByte:
        *std::get<uint8_t*>(f.ref) = ByteValue(in);
        break;
      case FieldKind::kType:
        *std::get<uint8_t*>(f.ref) = static_cast<uint8_t>(TypeValue(in, 0, 255));
        break;
      case FieldKind::kScope:
        *std::get<uint8_t*>(f.ref) = ScopeValue(in);
        break;
      case FieldKind::kText:
        TextValue(in, *std::get<std::vector<uint8_t>*>(f.ref));
        break;
    }
  }

  // Message markup in a string ("\n" between its lines), or raw "..." for
  // the stored bytes themselves.
  void TextValue(TokenStream& in, std::vector<uint8_t>& data) {
    const Token& t = in.Next();
    if (t.IsWord("raw")) {
      const Token& bytes = in.Next();
      if (bytes.kind != Tok::kString) in.Fail(bytes, "expected a string after raw");
      data.assign(bytes.text.begin(), bytes.text.end());
      return;
    }
    if (t.kind != Tok::kString) in.Fail(t, "expected a string of message markup (or raw \"...\")");
    std::vector<MarkupSourceLine> lines;
    size_t start = 0;
    while (true) {
      const size_t end = t.text.find('\n', start);
      lines.push_back({t.text.substr(start, end - start), t.line, t.column, true});
      if (end == std::string::npos) break;
      start = end + 1;
    }
    data = CompileMessage(lines, result_.warnings);
  }

  // The "| " lines under a TextIns are its text.
  void TextBlock(TCommand& command, std::vector<Field>& fields, const std::vector<bool>& given) {
    if (text_lines_->empty()) return;
    const MarkupSourceLine& first = text_lines_->front();
    if (command.ComType() != CMD_TextIns)
      throw CompileError(first.line, first.column - 1, "text lines ('|') follow only TextIns");
    for (size_t i = 0; i < fields.size(); ++i) {
      if (fields[i].kind != FieldKind::kText) continue;
      if (given[i])
        throw CompileError(first.line, first.column - 1,
                           "the text is given twice: in the TextIns line and in '|' lines");
      std::vector<MarkupSourceLine> lines = *text_lines_;
      for (MarkupSourceLine& l : lines) {
        if (!platform::IsCp932Representable(l.text))
          throw CompileError(l.line, l.column, "text has a character without a Shift-JIS form");
        l.text = platform::Utf8ToCp932(l.text);
      }
      *std::get<std::vector<uint8_t>*>(fields[i].ref) = CompileMessage(lines, result_.warnings);
    }
  }

  // Names in fields: VarNew's declares; VarDel's, GetProp's var: and Call's
  // result: name variables that must exist.
  void NameField(const Field& f, const Token& at) {
    const std::string& name = *std::get<std::string*>(f.ref);
    const NameUse use{name, at.line, at.column};
    switch (command_id_) {
      case CMD_VarNew:
        result_.names_declared.push_back(use);
        break;
      case CMD_VarDel:
      case CMD_GetProp:
      case CMD_Call:
        if (!name.empty() && name[0] != '@') result_.names_used.push_back(use);
        break;
      default:
        break;
    }
  }

  void ExpressionList(TokenStream& in, std::vector<TVeskParser>& list) {
    in.Expect("(");
    list.clear();
    if (in.Accept(")")) return;
    while (true) {
      list.push_back(CompileExpression(in, context_));
      if (in.Accept(")")) return;
      in.Expect(",");
    }
  }

  std::string NameValue(TokenStream& in) {
    const Token& t = in.Next();
    if (t.kind == Tok::kIdent || t.kind == Tok::kString || t.kind == Tok::kQuotedName ||
        t.kind == Tok::kSysVar)
      return t.text;
    in.Fail(t, "expected a name");
  }

  std::string PageValue(TokenStream& in) {
    const Token& t = in.Next();
    if (t.kind == Tok::kString) return t.text;
    if (t.kind == Tok::kIdent) return t.text + ".lsb";
    in.Fail(t, "expected a page name");
  }

  void TargetValue(TokenStream& in, int32_t& target) {
    const Token& t = in.Peek();
    if (t.kind == Tok::kInt || t.Is("-")) {
      target = static_cast<int32_t>(SignedInt(in));
      return;
    }
    in.Next();
    if (t.kind != Tok::kIdent && t.kind != Tok::kString)
      in.Fail(t, "expected a label or a command index");
    target = 0;
    line_fixups_.push_back(TargetFixup{&target, nullptr, t.text, t.line, t.column});
  }

  int64_t SignedInt(TokenStream& in) {
    const bool negative = in.Accept("-");
    const Token& t = in.Next();
    if (t.kind != Tok::kInt) in.Fail(t, "expected a number");
    const int64_t v = negative ? -t.int_value : t.int_value;
    if (v < INT32_MIN || v > INT32_MAX) in.Fail(t, "number out of range");
    return v;
  }

  int64_t IntValue(TokenStream& in, int64_t lo, int64_t hi) {
    const Token& at = in.Peek();
    const int64_t v = SignedInt(in);
    if (v < lo || v > hi)
      in.Fail(at, "number out of range " + std::to_string(lo) + ".." + std::to_string(hi));
    return v;
  }

  uint8_t ByteValue(TokenStream& in) {
    const Token& t = in.Peek();
    if (t.IsWord("true") || t.IsWord("false")) {
      in.Next();
      return t.IsWord("true") ? 1 : 0;
    }
    return static_cast<uint8_t>(IntValue(in, 0, 255));
  }

  int64_t TypeValue(TokenStream& in, int64_t lo, int64_t hi) {
    const Token& t = in.Peek();
    if (t.kind == Tok::kIdent) {
      in.Next();
      const int type = FindTypeWord(t.text);
      if (type < 0) in.Fail(t, "unknown type '" + t.text + "' (use int, real, flag or str)");
      return type;
    }
    return IntValue(in, lo, hi);
  }

  uint8_t ScopeValue(TokenStream& in) {
    const Token& t = in.Peek();
    if (t.kind == Tok::kIdent) {
      in.Next();
      const int scope = FindScopeWord(t.text);
      if (scope < 0)
        in.Fail(t, "unknown scope '" + t.text + "' (use global, auto, local or status)");
      return static_cast<uint8_t>(scope);
    }
    return static_cast<uint8_t>(IntValue(in, 0, 255));
  }

  // ---- Indentation and blocks ---------------------------------------------

  int FlatIndent(const SourceLine& l, const LineAttributes& attrs) {
    if (!attrs.indent && l.width % 2 != 0)
      throw CompileError(l.line, l.width + 1, "a flat page indents by two spaces a level");
    return l.width / 2;
  }

  int StructuredIndent(const SourceLine& l, int id) {
    Block& top = blocks_.back();
    if (top.pending) {
      const int parent = blocks_[blocks_.size() - 2].width;
      if (l.width > parent) {
        top.width = l.width;
        top.pending = false;
      } else {
        CloseBlock();
      }
    }
    if (l.width > blocks_.back().width)
      throw CompileError(
          l.line, l.width + 1,
          "unexpected indentation (only the lines after If, ElseIf, Else and While are indented)");
    while (l.width < blocks_.back().width) CloseBlock();
    if (l.width != blocks_.back().width)
      throw CompileError(l.line, l.width + 1, "indentation does not match an outer level");
    const int depth = static_cast<int>(blocks_.size()) - 1;
    if (id == CMD_Elseif || id == CMD_Else) {
      const int last = last_at_depth_.size() > static_cast<size_t>(depth)
                           ? last_at_depth_[static_cast<size_t>(depth)]
                           : -1;
      if (last != CMD_If && last != CMD_Elseif)
        throw CompileError(l.line, word_column_,
                           CommandName(id) + " without If before it at the same indentation");
    }
    last_at_depth_.resize(static_cast<size_t>(depth) + 1, -1);
    last_at_depth_[static_cast<size_t>(depth)] = id;
    return depth;
  }

  // After a structured command was appended: open its body, fill loop targets.
  void Structure(TCommand& command, int line) {
    const int id = command.ComType();
    if (id == CMD_If || id == CMD_Elseif || id == CMD_Else) OpenBlock(line, false);
    if (id == CMD_Break || id == CMD_Continue) {
      int32_t& target = id == CMD_Break ? static_cast<TComBreak&>(command).Target
                                        : static_cast<TComContinue&>(command).Target;
      Block* loop = InnermostLoop();
      if (!loop) {
        target = -1;  // outside every loop: leave the page
      } else {
        (id == CMD_Break ? loop->breaks : loop->continues).push_back(&target);
      }
    }
  }

  Block* InnermostLoop() {
    for (auto it = blocks_.rbegin(); it != blocks_.rend(); ++it)
      if (it->is_while) return &*it;
    return nullptr;
  }

  void OpenBlock(int line, bool is_while) {
    Block b;
    b.pending = true;
    b.is_while = is_while;
    b.line = line;
    b.width = -1;
    blocks_.push_back(std::move(b));
  }

  void WhileBlock(TokenStream& in, int line) {
    auto& init = static_cast<TComWhileInit&>(Append(CMD_WhileInit));
    const int32_t while_index = NextIndex();
    auto& loop = static_cast<TComWhile&>(Append(CMD_While));
    OpenBlock(line, true);
    Block& block = blocks_.back();
    block.while_index = while_index;
    std::vector<Field> fields{{"cond", FieldKind::kExpr, &loop.Condition, true},
                              {"init", FieldKind::kExpr, &init.Expression},
                              {"step", FieldKind::kExpr, &block.step}};
    std::vector<bool> given(fields.size(), false);
    ParseFieldList(in, fields, given, nullptr);
    // The loop commands take the While line's header; only the test can
    // end the frame or be disabled.
    init.RunOn = 1;
    init.Disabled = 0;
    block.loop_header = header_;
  }

  void CloseBlock() {
    Block b = std::move(blocks_.back());
    blocks_.pop_back();
    last_at_depth_.resize(blocks_.size());
    if (!b.is_while) return;
    const Header saved = header_;
    header_ = b.loop_header;
    header_.runon = 1;
    header_.disabled = 0;
    const int32_t loop_index = NextIndex();
    auto& step = static_cast<TComWhileLoop&>(Append(CMD_WhileLoop));
    header_ = saved;
    step.Expression = std::move(b.step);
    step.LoopIndex = b.while_index;
    auto& test = static_cast<TComWhile&>(*page_->Commands[static_cast<size_t>(b.while_index)]);
    test.ExitIndex = loop_index + 1;
    for (int32_t* t : b.breaks) *t = loop_index + 1;
    for (int32_t* t : b.continues) *t = loop_index;
  }

  // ---- Schema -------------------------------------------------------------

  void ApplySchema() {
    auto& schema = page_->Schema;
    schema = settings_.extra_schema;
    for (auto& [command, props] : component_props_)
      for (auto& [prop, e] : props)
        SetPropertyBit(schema[static_cast<size_t>(command->ComType())], prop);
    for (auto& c : page_->Commands) {
      if (!IsComponentCommand(c->ComType())) continue;
      auto& component = static_cast<TComComponent&>(*c);
      component.SetPropertySet(schema[static_cast<size_t>(c->ComType())]);
      auto it = component_props_.find(c.get());
      if (it == component_props_.end()) continue;
      for (auto& [prop, e] : it->second) *component.Property(prop) = std::move(e);
    }
  }

  std::string_view source_;
  std::string page_name_;
  CompiledPage result_;
  ExprContext context_;  // the caller's, with names_used pointing into result_
  TPage* page_ = nullptr;
  PageSettings settings_;
  std::vector<Block> blocks_;
  std::vector<int> last_at_depth_;
  std::map<TCommand*, std::map<int, TVeskParser>> component_props_;
  std::vector<TargetFixup> line_fixups_;
  int word_column_ = 1;
  int command_id_ = -1;
  const std::vector<MarkupSourceLine>* text_lines_ = nullptr;  // of the line being compiled
};

}  // namespace

CompiledPage CompilePage(std::string_view source, const std::string& page_name,
                         const ExprContext& context) {
  // Editors on Windows start UTF-8 files with a byte-order mark.
  if (source.substr(0, 3) == "\xEF\xBB\xBF") source.remove_prefix(3);
  return PageCompiler(source, page_name, context).Run();
}

void ResolveTargets(std::vector<CompiledPage>& pages, std::string* failed_source) {
  for (CompiledPage& from : pages) {
    for (const TargetFixup& fix : from.fixups) {
      const TPage* target = nullptr;
      for (const CompiledPage& p : pages)
        if (EqualsIgnoreAsciiCase(p.page->Name, *fix.page)) target = p.page.get();
      if (failed_source) *failed_source = from.source_name;
      if (!target)
        throw CompileError(fix.line, fix.column,
                           "label '" + platform::Cp932ToUtf8(fix.label) + "' refers to page '" +
                               platform::Cp932ToUtf8(*fix.page) +
                               "', which is not among the compiled scripts");
      const int32_t index = target->IndexOfLabel(fix.label);
      if (index < 0)
        throw CompileError(fix.line, fix.column,
                           "no label '" + platform::Cp932ToUtf8(fix.label) + "' in page '" +
                               platform::Cp932ToUtf8(target->Name) + "'");
      *fix.target = index;
    }
    from.fixups.clear();
  }
}

std::vector<uint8_t> PageBytes(const TPage& page) {
  ByteWriter out;
  page.SaveToStream(out);
  return std::move(out.bytes());
}

}  // namespace vesk::tool::script
