#include "vesk-tool/text_catalog.h"

#include <iostream>
#include <set>

#include "anim/film_file.h"
#include "core/byte_reader.h"
#include "core/sjis.h"
#include "expr/params.h"
#include "lang/vocabulary.h"
#include "platform/cp932.h"
#include "text/glyph_stream.h"
#include "text/markup.h"
#include "vesk-tool/script/command_syntax.h"
#include "vesk-tool/script/message_text.h"
#include "vesk-tool/text_game.h"

namespace vesk::tool {
namespace {

using namespace vesk::lang;  // the vocabulary ids
using expr::TCustomParam;
using expr::TVeskParser;
using vesk::script::TCommand;

constexpr const char* kProjectName = "vesk.lpb";
constexpr size_t kSpeakerMaxChars = 16;

bool IsLiteral(const TCustomParam* p) {
  return p && !p->AsVar() && p->ParamType() == PT_STR;
}

bool IsTemporary(const std::string& name) {
  return name.rfind("____", 0) == 0;
}

bool IsComparison(uint8_t op) {
  return op == ocEqual || op == ocNEqual || op == ocBig || op == ocSmall || op == ocEBig ||
         op == ocESmall;
}

// A user variable an operand names (not a temporary, not a system variable).
const std::string* UserVariable(const TCustomParam* p) {
  const expr::TParamVar* ref = p ? p->AsVar() : nullptr;
  if (!ref || ref->RefName.empty() || IsTemporary(ref->RefName) || ref->RefName[0] == '@')
    return nullptr;
  return &ref->RefName;
}

// Whether a string holds anything to translate: separators and format
// pieces ("/", ":", " ") do not.
bool HasWords(const std::string& cp932) {
  for (char c : cp932) {
    const auto b = static_cast<uint8_t>(c);
    if (b >= 0x80 || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
      return true;
  }
  return false;
}

struct Literal {
  TCustomParam* param;
  bool shown;
};

// The string literals of an expression in stored order. A literal is shown
// when it reaches a result that `is_result` accepts through plain
// assignments and string joins alone: a literal compared, given to a
// function or computed with is never text on screen by itself.
template <typename IsResult>
std::vector<Literal> LiteralsOf(TVeskParser& e, IsResult is_result) {
  std::vector<Literal> literals;
  std::vector<std::pair<size_t, size_t>> where;  // op, operand
  for (size_t i = 0; i < e.Ops.size(); ++i)
    for (size_t k = 0; k < e.Ops[i]->Operands.size(); ++k)
      if (IsLiteral(e.Ops[i]->Operands[k].get())) {
        literals.push_back({e.Ops[i]->Operands[k].get(), false});
        where.emplace_back(i, k);
      }
  if (literals.empty()) return literals;
  std::set<std::string> live;
  std::set<const TCustomParam*> shown;
  for (size_t i = e.Ops.size(); i-- > 0;) {
    const expr::TOpeData& op = *e.Ops[i];
    if (!(is_result(op.Dest) || live.count(op.Dest))) continue;
    if (op.Op != ocTo && op.Op != ocComboStr) continue;
    for (const auto& operand : op.Operands) {
      if (IsLiteral(operand.get())) shown.insert(operand.get());
      if (const expr::TParamVar* ref = operand ? operand->AsVar() : nullptr)
        if (IsTemporary(ref->RefName)) live.insert(ref->RefName);
    }
  }
  for (Literal& l : literals) l.shown = shown.count(l.param) > 0 && HasWords(l.param->GetStr());
  return literals;
}

bool IsValueResult(const std::string& dest) {
  return dest == expr::kResultTemp;
}

std::string Utf8(const std::string& cp932) {
  return platform::Cp932ToUtf8(cp932);
}

// A comment is one line of the .po file.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

// The first line of a message when it is a name alone ("<B>ハルカ</B><BR>"):
// the speaker, shown to the translator.
std::string Speaker(const std::vector<std::string>& lines) {
  if (lines.size() < 2) return {};
  const std::string& first = lines[0];
  if (first.size() < 4 || first.compare(first.size() - 4, 4, "<BR>") != 0) return {};
  std::string plain;
  bool in_tag = false;
  for (char c : first) {
    if (c == '<') in_tag = true;
    if (!in_tag) plain += c;
    if (c == '>') in_tag = false;
  }
  const std::string utf8 = Utf8(plain);
  size_t chars = 0;
  for (char c : utf8) chars += (static_cast<uint8_t>(c) & 0xC0) != 0x80;
  if (chars == 0 || chars > kSpeakerMaxChars) return {};
  for (const char* quote : {"「", "『", "（", "(", "。", "、"})
    if (utf8.find(quote) != std::string::npos) return {};
  return utf8;
}

std::string ConstantName(TVeskParser& e) {
  auto literals = LiteralsOf(e, IsValueResult);
  return literals.size() == 1 && literals[0].shown ? literals[0].param->GetStr() : std::string();
}

bool IsConstantInt(const TVeskParser& e, int value) {
  if (e.Ops.size() != 1 || e.Ops[0]->Op != ocTo || e.Ops[0]->Operands.size() != 1) return false;
  const TCustomParam* p = e.Ops[0]->Operands[0].get();
  return p && !p->AsVar() && p->ParamType() == PT_INT && p->GetInt() == value;
}

// One named expression of a command (list fields give one per element).
struct NamedExpression {
  std::string key;
  TVeskParser* expression;
  bool condition;
};

std::vector<NamedExpression> ExpressionsOf(TCommand& c, int32_t version) {
  std::vector<NamedExpression> out;
  if (auto* component = dynamic_cast<vesk::script::TComComponent*>(&c)) {
    for (int id : component->PropertyIds())
      out.push_back({script::PropertyKey(id), component->Property(id), false});
    if (auto* cabinet = dynamic_cast<vesk::script::TComCabinet*>(&c)) {
      out.push_back({"mode", &cabinet->Mode, false});
      for (size_t i = 0; i < cabinet->Names.size(); ++i)
        out.push_back({"names[" + std::to_string(i) + "]", &cabinet->Names[i], false});
    }
    return out;
  }
  for (const script::Field& f : script::FieldsOf(c, version)) {
    if (auto* e = std::get_if<TVeskParser*>(&f.ref)) {
      out.push_back({f.key, *e, f.kind == script::FieldKind::kCond});
    } else if (auto* list = std::get_if<std::vector<TVeskParser>*>(&f.ref)) {
      for (size_t i = 0; i < (*list)->size(); ++i)
        out.push_back({std::string(f.key) + "[" + std::to_string(i) + "]", &(**list)[i], false});
    }
  }
  return out;
}

class Collector {
 public:
  Collector(GameText& game) : game_(game) {}

  void Run(bool progress) {
    const size_t count = game_.pages.size();
    const size_t step = count / 10 + 1;
    for (size_t p = 0; p < count; ++p) {
      FindVariables(p);
      if (progress && count >= 50 && (p + 1) % step == 0)
        std::cerr << "text: [" << p + 1 << "/" << count << "] pages read\n";
    }
    for (size_t p = 0; p < count; ++p) PageItems(p);
    for (size_t f = 0; f < game_.films.size(); ++f) FilmItems(f);
    if (game_.has_project) {
      TextItem title;
      title.context = std::string(kProjectName) + ":title";
      title.kind = TextKind::kTitle;
      title.original = game_.project.info.title;
      title.reference = std::string(kProjectName) + ":1";
      title.comments.push_back("the game's title");
      game_.items.push_back(std::move(title));
    }
  }

 private:
  // Variables whose value the player sees (named by a message's VAR tag or
  // in a caption's text) and variables compared anywhere: a string given
  // to the first and never to the second is text on screen.
  void FindVariables(size_t p) {
    LoadedPage& page = game_.pages[p];
    for (auto& c : page.page->Commands) {
      if (auto* ins = dynamic_cast<vesk::script::TComTextIns*>(c.get())) MessageVariables(*ins);
      if (TVeskParser* shown = DisplayExpression(*c))
        for (auto& op : shown->Ops)
          for (auto& operand : op->Operands)
            if (const std::string* name = UserVariable(operand.get())) shown_vars_.insert(*name);
      for (const NamedExpression& e : ExpressionsOf(*c, page.page->Version))
        for (auto& op : e.expression->Ops)
          if (IsComparison(op->Op) || e.condition)
            for (auto& operand : op->Operands)
              if (const std::string* name = UserVariable(operand.get())) compared_.insert(*name);
    }
  }

  void MessageVariables(vesk::script::TComTextIns& ins) {
    const auto stream = ReadStream(ins);
    if (!stream) return;
    for (const text::GlyphRecord& g : stream->Glyphs)
      if (g.Type == text::kGlyphVar && !g.Name.empty()) shown_vars_.insert(g.Name);
  }

  static std::optional<text::GlyphStream> ReadStream(vesk::script::TComTextIns& ins) {
    if (ins.TextData.empty()) return std::nullopt;
    try {
      ByteReader in(ins.TextData.data(), ins.TextData.size());
      text::GlyphStream s =
          text::ReadGlyphStream(in, script::StoredExpressionReader(ins.TextData.data()));
      if (!in.at_end()) return std::nullopt;
      return s;
    } catch (const std::exception&) {
      return std::nullopt;
    }
  }

  // The expression whose value a command puts on screen as text.
  static TVeskParser* DisplayExpression(TCommand& c) {
    if (auto* component = dynamic_cast<vesk::script::TComComponent*>(&c))
      return component->Property(PR_TEXT);
    if (auto* set = dynamic_cast<vesk::script::TComSetProp*>(&c))
      if (IsConstantInt(set->PropertyId, PR_TEXT)) return &set->Value;
    return nullptr;
  }

  bool ShownVariable(const std::string& name) const {
    return shown_vars_.count(name) && !compared_.count(name);
  }

  void PageItems(size_t p) {
    LoadedPage& page = game_.pages[p];
    const std::string page_utf8 = Utf8(page.name);
    for (size_t i = 0; i < page.page->Commands.size(); ++i) {
      TCommand& c = *page.page->Commands[i];
      const std::string prefix = page_utf8 + ":" + std::to_string(i) + ":";
      TextItem base;
      base.page = p;
      base.reference = page_utf8 + ":" + std::to_string(c.Line);
      if (auto* ins = dynamic_cast<vesk::script::TComTextIns*>(&c)) Message(*ins, prefix, base);
      TVeskParser* shown = DisplayExpression(c);
      for (const NamedExpression& e : ExpressionsOf(c, page.page->Version)) {
        const bool display = e.expression == shown;
        const bool assigns =
            c.ComType() == CMD_Calc || (c.ComType() == CMD_VarNew && e.key == "value");
        std::vector<Literal> literals;
        if (display) {
          literals = LiteralsOf(*e.expression, IsValueResult);
        } else if (assigns) {
          std::string declared;
          if (auto* v = dynamic_cast<vesk::script::TComVarNew*>(&c)) declared = v->VarName;
          literals = LiteralsOf(*e.expression, [&](const std::string& dest) {
            const std::string& name = dest == expr::kResultTemp ? declared : dest;
            return !IsTemporary(name) && ShownVariable(name);
          });
        } else {
          literals = LiteralsOf(*e.expression, [](const std::string&) { return false; });
        }
        for (size_t n = 0; n < literals.size(); ++n) {
          std::string context = prefix + e.key + (n ? "." + std::to_string(n) : "");
          LiteralItem(literals[n], c, e, std::move(context), base);
        }
      }
    }
  }

  void Message(vesk::script::TComTextIns& ins, const std::string& prefix, const TextItem& base) {
    const auto stream = ReadStream(ins);
    if (!stream) return;
    const auto lines = text::PrintMarkup(*stream, script::kCompileTextDelay);
    if (!lines) return;  // a stream no markup gives: left as it is
    TextItem item = base;
    item.context = prefix + "message";
    item.kind = TextKind::kMessage;
    item.message = &ins;
    for (size_t k = 0; k < lines->size(); ++k) item.original += (k ? "\n" : "") + (*lines)[k];
    if (const std::string window = ConstantName(ins.WindowName); !window.empty())
      item.comments.push_back("window: " + OneLine(Utf8(window)));
    if (const std::string speaker = Speaker(*lines); !speaker.empty())
      item.comments.push_back("speaker: " + OneLine(speaker));
    game_.items.push_back(std::move(item));
  }

  void LiteralItem(const Literal& l, TCommand& c, const NamedExpression& e, std::string context,
                   const TextItem& base) {
    TextItem item = base;
    item.literal = l.param;
    item.shown = l.shown;
    item.original = l.param->GetStr();
    if (!l.shown) {
      item.context = std::move(context);
      item.comments.push_back(
          "not shown on screen (" +
          std::string(e.condition ? "a condition" : "a name, a file or a value") +
          "): listed by --all, change with care");
      game_.items.push_back(std::move(item));
      return;
    }
    if (c.ComType() == CMD_Menu) {
      const std::vector<std::string> lines = SplitMenuLines(item.original, nullptr);
      for (size_t m = 0; m < lines.size(); ++m) {
        TextItem line = item;
        line.context = context + "/" + std::to_string(m + 1);
        line.kind = TextKind::kMenuLine;
        line.menu_line = static_cast<int>(m + 1);
        line.original = lines[m];
        line.comments.push_back("menu line " + std::to_string(m + 1));
        game_.items.push_back(std::move(line));
      }
      return;
    }
    item.context = std::move(context);
    if (c.ComType() == CMD_Calc || c.ComType() == CMD_VarNew)
      item.comments.push_back("a string shown through a variable");
    game_.items.push_back(std::move(item));
  }

  void FilmItems(size_t f) {
    LoadedFilm& film = game_.films[f];
    const std::string name = Utf8(film.name);
    for (size_t i = 0; i < film.film.Lists.size(); ++i) {
      auto* label = std::get_if<anim::LabelListData>(&film.film.Lists[i].Data);
      if (!label || !HasWords(label->Text)) continue;
      TextItem item;
      item.context = name + ":" + std::to_string(i) + ":text";
      item.kind = TextKind::kFilmLabel;
      item.original = label->Text;
      item.reference = name + ":" + std::to_string(i);
      item.comments.push_back("a label of the film");
      item.page = f;
      item.film_text = &label->Text;
      game_.items.push_back(std::move(item));
    }
  }

  GameText& game_;
  std::set<std::string> shown_vars_;
  std::set<std::string> compared_;
};

bool HasExtension(const std::string& name, const char* lower) {
  return name.size() > 4 && EndsWithIgnoreAsciiCase(name, lower);
}

bool IsPageName(const std::string& name) {
  return HasExtension(name, ".lsb");
}

bool IsFilmName(const std::string& name) {
  return HasExtension(name, ".lcm") || HasExtension(name, ".lmt");
}

void LoadFilm(const GameFiles& files, const std::string& name, GameText& game) {
  auto bytes = files.Read(name);
  if (!bytes) return game.notes.push_back(Utf8(name) + ": cannot be read; left out");
  try {
    auto film = anim::ReadFilm(*bytes, name);
    if (!film) return;  // not a film: the player shows it as empty
    game.films.push_back({name, std::move(*bytes), std::move(*film), false});
  } catch (const std::exception& e) {
    game.notes.push_back(Utf8(name) + ": cannot be read (" + Utf8(e.what()) + "); left out");
  }
}

}  // namespace

std::vector<std::string> SplitMenuLines(const std::string& text, std::vector<std::string>* breaks) {
  // The menu's own rule: CR LF, CR or LF ends a line.
  std::vector<std::string> lines;
  size_t start = 0;
  while (true) {
    const size_t end = text.find_first_of("\r\n", start);
    lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) break;
    const size_t length =
        text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1;
    if (breaks) breaks->push_back(text.substr(end, length));
    start = end + length;
  }
  return lines;
}

GameText CollectGameText(const GameFiles& files, bool progress) {
  GameText game;
  for (const std::string& name : files.Names()) {
    if (name == kProjectName || name == "VESK.LPB") {
      auto bytes = files.Read(name);
      if (!bytes) continue;
      try {
        game.project = vesk::script::ReadProjectFile(*bytes);
        game.project_bytes = std::move(*bytes);
        game.has_project = true;
      } catch (const std::exception& e) {
        game.notes.push_back(Utf8(name) + ": cannot be read (" + e.what() +
                             "); its title is left out");
      }
      continue;
    }
    if (IsFilmName(name)) {
      LoadFilm(files, name, game);
      continue;
    }
    if (!IsPageName(name)) continue;
    auto bytes = files.Read(name);
    if (!bytes) {
      game.notes.push_back(Utf8(name) + ": cannot be read; left out");
      continue;
    }
    LoadedPage page{name, std::move(*bytes), std::make_unique<vesk::script::TPage>(), false};
    try {
      if (page.page->Load(name, page.bytes) != vesk::script::PageLoad::kLoaded) {
        game.notes.push_back(Utf8(name) + ": a page version this tool does not read; left out");
        continue;
      }
    } catch (const std::exception& e) {
      game.notes.push_back(Utf8(name) + ": cannot be read (" + Utf8(e.what()) + "); left out");
      continue;
    }
    game.pages.push_back(std::move(page));
  }
  Collector(game).Run(progress);
  return game;
}

}  // namespace vesk::tool
