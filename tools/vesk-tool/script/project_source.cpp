#include "vesk-tool/script/project_source.h"

#include <stdexcept>

#include "core/messages.h"
#include "expr/params.h"
#include "platform/cp932.h"
#include "storage/hash.h"
#include "vesk-tool/script/command_syntax.h"
#include "vesk-tool/script/lexer.h"
#include "vesk-tool/script/variable_names.h"

namespace vesk::tool::script {

using vesk::script::ProjectFile;
using vesk::script::StatusDefinition;

namespace {

ProjectFile DefaultProject() {
  ProjectFile p;
  p.info.version = 109;
  p.info.title.clear();
  p.info.screen_width = 640;
  p.info.screen_height = 480;
  p.info.full_width = 640;
  p.info.full_height = 480;
  p.info.start_page = "start.lsb";
  p.disk_prompt = MessageCp932(Msg::kDiskPromptDefault);
  p.exit_prompt = MessageCp932(Msg::kExitPromptDefault);
  return p;
}

class ProjectParser {
 public:
  explicit ProjectParser(ProjectSource& out) : out_(out) {}

  // One setting line.
  void Line(TokenStream& in) {
    in_ = &in;
    Setting(out_.project);
    in_ = nullptr;
  }

 private:
  int32_t Int() {
    const bool negative = in_->Accept("-");
    const Token& t = in_->Next();
    if (t.kind != Tok::kInt) in_->Fail(t, "expected a number");
    const int64_t v = negative ? -t.int_value : t.int_value;
    if (v < INT32_MIN || v > INT32_MAX) in_->Fail(t, "number out of range");
    return static_cast<int32_t>(v);
  }
  uint8_t Byte() {
    const Token& at = in_->Peek();
    const int32_t v = Int();
    if (v < 0 || v > 255) in_->Fail(at, "number out of range 0..255");
    return static_cast<uint8_t>(v);
  }
  std::string String() {
    const Token& t = in_->Next();
    if (t.kind != Tok::kString) in_->Fail(t, "expected a string");
    return t.text;
  }
  std::string Name() {
    const Token& t = in_->Next();
    if (t.kind == Tok::kString || t.kind == Tok::kIdent || t.kind == Tok::kQuotedName)
      return t.text;
    in_->Fail(t, "expected a name");
  }
  long double Real() {
    const bool negative = in_->Accept("-");
    const Token& t = in_->Next();
    if (t.kind != Tok::kReal && t.kind != Tok::kInt) in_->Fail(t, "expected a number");
    const long double v =
        t.kind == Tok::kReal ? t.real_value : static_cast<long double>(t.int_value);
    return negative ? -v : v;
  }

  StatusDefinition Status() {
    StatusDefinition d;
    const Token& type = in_->Peek();
    if (type.kind == Tok::kIdent) {
      in_->Next();
      const int code = FindTypeWord(type.text);
      if (code < 0)
        in_->Fail(type, "unknown type '" + type.text + "' (use int, real, flag or str)");
      d.type = static_cast<uint8_t>(code);
    } else {
      d.type = Byte();
    }
    const Token& name = in_->Peek();
    d.name = Name();
    // The player skips the status lines of other types before naming them.
    if (d.type >= lang::PT_INT && d.type <= lang::PT_STR && !PlayerAcceptsVariableName(d.name))
      in_->Fail(
          name,
          "'" + platform::Cp932ToUtf8(d.name) +
              "' is not a variable name the player accepts (no spaces, not starting with a digit)");
    CheckDuplicate(d.name, name);
    switch (d.type) {
      case 1:
        d.i = in_->AtEnd() ? 0 : Int();
        break;
      case 2:
        d.r = in_->AtEnd() ? 0 : Real();
        break;
      case 3:
        if (!in_->AtEnd()) {
          const Token& t = in_->Next();
          if (!t.IsWord("true") && !t.IsWord("false")) in_->Fail(t, "expected true or false");
          d.b = t.IsWord("true");
        }
        break;
      case 4:
        d.s = in_->AtEnd() ? std::string() : String();
        break;
      default:
        break;
    }
    return d;
  }

  // The player keeps the first status variable of a name (ASCII case
  // ignored) and skips the others.
  void CheckDuplicate(const std::string& name, const Token& at) {
    for (const auto& [earlier, line] : status_lines_) {
      if (!storage::THashCollection::SameName(earlier, name)) continue;
      out_.warnings.push_back({at.line, at.column,
                               "status variable '" + platform::Cp932ToUtf8(name) +
                                   "' is already declared on line " + std::to_string(line) +
                                   "; the player keeps the first"});
      return;
    }
    status_lines_.emplace_back(name, at.line);
  }

  void Setting(ProjectFile& p) {
    const Token& key = in_->Next();
    if (key.kind != Tok::kIdent) in_->Fail(key, "expected a setting name");
    auto& info = p.info;
    if (key.IsWord("title"))
      info.title = String();
    else if (key.IsWord("screen")) {
      info.screen_width = Int();
      info.screen_height = Int();
    } else if (key.IsWord("fullscreen")) {
      info.full_width = Int();
      info.full_height = Int();
    } else if (key.IsWord("start")) {
      out_.start_line = in_->Peek().line;
      out_.start_column = in_->Peek().column;
      info.start_page = String();
    } else if (key.IsWord("registry"))
      info.registry_key = String();
    else if (key.IsWord("imageseed"))
      info.image_seed = Int();
    else if (key.IsWord("savestatus"))
      info.save_status = Byte();
    else if (key.IsWord("sleep"))
      info.sleep_between_frames = Byte();
    else if (key.IsWord("localmedia"))
      info.local_media_ext = String();
    else if (key.IsWord("diskprompt"))
      p.disk_prompt = String();
    else if (key.IsWord("exitprompt"))
      p.exit_prompt = String();
    else if (key.IsWord("version")) {
      const Token& at = in_->Peek();
      info.version = Int();
      if (info.version < 100 || info.version > 109)
        in_->Fail(at, "project version must be 100..109");
    } else if (key.IsWord("status"))
      p.status.push_back(Status());
    else if (key.IsWord("disk")) {
      const std::string folder = String();
      p.disk_map.Add(folder, Int());
    } else
      in_->Fail(key, "unknown setting '" + key.text + "'");
    if (!in_->AtEnd()) in_->Fail("unexpected text after the setting");
  }

  TokenStream* in_ = nullptr;
  ProjectSource& out_;
  std::vector<std::pair<std::string, int>> status_lines_;  // name, line
};

}  // namespace

ProjectSource CompileProjectSource(std::string_view source) {
  if (source.substr(0, 3) == "\xEF\xBB\xBF") source.remove_prefix(3);
  ProjectSource out;
  out.project = DefaultProject();
  ProjectFile& p = out.project;
  p.info.full_width = p.info.full_height = -1;  // the screen size unless given
  int line = 0;
  size_t start = 0;
  ProjectParser parser(out);
  while (start <= source.size()) {
    size_t end = source.find('\n', start);
    if (end == std::string_view::npos) end = source.size();
    ++line;
    std::string_view text = source.substr(start, end - start);
    start = end + 1;
    TokenStream in(Tokenize(text, line), line, static_cast<int>(text.size()) + 1);
    if (in.AtEnd()) continue;
    parser.Line(in);
  }
  if (p.info.full_width < 0) {
    p.info.full_width = p.info.screen_width;
    p.info.full_height = p.info.screen_height;
  }
  // The old meaning of the fields a version does not store.
  if (p.info.version < 104) p.info.save_status = 1;
  if (p.info.version < 106) p.info.sleep_between_frames = 0;
  if (p.info.version < 109) p.info.local_media_ext = ".wav.wma.ogg.mid";
  return out;
}

ProjectFile CompileProject(std::string_view source) {
  return CompileProjectSource(source).project;
}

std::string DecompileProject(const ProjectFile& p) {
  const auto& info = p.info;
  auto line = [](std::string key, const std::string& value) { return key + " " + value + "\n"; };
  std::string out;
  out += line("version", std::to_string(info.version));
  out += line("title", QuoteString(info.title));
  out +=
      line("screen", std::to_string(info.screen_width) + " " + std::to_string(info.screen_height));
  out +=
      line("fullscreen", std::to_string(info.full_width) + " " + std::to_string(info.full_height));
  out += line("start", QuoteString(info.start_page));
  out += line("registry", QuoteString(info.registry_key));
  out += line("imageseed", std::to_string(info.image_seed));
  if (info.version >= 104) out += line("savestatus", std::to_string(info.save_status));
  if (info.version >= 106) out += line("sleep", std::to_string(info.sleep_between_frames));
  if (info.version >= 109) out += line("localmedia", QuoteString(info.local_media_ext));
  out += line("diskprompt", QuoteString(p.disk_prompt));
  out += line("exitprompt", QuoteString(p.exit_prompt));
  for (const StatusDefinition& d : p.status) {
    const char* word = TypeWord(d.type);
    std::string text = (word ? std::string(word) : std::to_string(d.type)) + " " + NameText(d.name);
    switch (d.type) {
      case 1:
        text += " " + std::to_string(d.i);
        break;
      case 2:
        text += " " + RealText(d.r);
        break;
      case 3:
        text += d.b ? " true" : " false";
        break;
      case 4:
        text += " " + QuoteString(d.s);
        break;
      default:
        break;
    }
    out += line("status", text);
  }
  for (int i = 0; i < p.disk_map.Count(); ++i)
    out +=
        line("disk", QuoteString(p.disk_map.Folder(i)) + " " + std::to_string(p.disk_map.Disk(i)));
  return out;
}

}  // namespace vesk::tool::script

namespace vesk::tool::script {

std::string DecompileProjectFile(const std::vector<uint8_t>& bytes) {
  const std::string text = DecompileProject(vesk::script::ReadProjectFile(bytes));
  std::string why = "compiling the text back gives other bytes";
  try {
    if (vesk::script::WriteProjectFile(CompileProject(text)) == bytes) return text;
  } catch (const CompileError& e) {
    why = "compiling the text back fails at " + std::to_string(e.line()) + ":" +
          std::to_string(e.column()) + ": " + e.what();
  }
  throw std::runtime_error("no project text reproduces this file (" + why + ")");
}

}  // namespace vesk::tool::script
