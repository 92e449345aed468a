#include "vesk-tool/script/command_syntax.h"

#include <cctype>

#include "core/sjis.h"
#include "lang/vocabulary.h"

namespace vesk::tool::script {

using namespace vesk::lang;  // the vocabulary ids

using namespace vesk::script;

namespace {

template <class T>
T& As(TCommand& c) {
  return static_cast<T&>(c);
}

// The block-events flag several commands gained with page version 107.
void AddBlock(std::vector<Field>& f, expr::TVeskParser& block, int32_t v) {
  if (v > 106) f.push_back({"block", FieldKind::kExpr, &block});
}

std::vector<Field> ControlFields(TCommand& c, int32_t v) {
  switch (c.ComType()) {
    case CMD_If:
    case CMD_Elseif:
      return {{"cond", FieldKind::kExpr, &As<TComIf>(c).Condition, true}};
    case CMD_Label:
      return {{"name", FieldKind::kName, &As<TComLabel>(c).LabelName, true}};
    case CMD_Jump: {
      auto& j = As<TComJump>(c);
      return {{"page", FieldKind::kPage, &j.PageName, true},
              {"at", FieldKind::kTarget, &j.Target},
              {"if", FieldKind::kCond, &j.Condition}};
    }
    case CMD_Call: {
      auto& k = As<TComCall>(c);
      return {{"page", FieldKind::kPage, &k.PageName, true},
              {"at", FieldKind::kTarget, &k.Target},
              {"result", FieldKind::kName, &k.ResultVar},
              {"if", FieldKind::kCond, &k.Condition},
              {"args", FieldKind::kList, &k.Args}};
    }
    case CMD_Exit:
      return {{"if", FieldKind::kCond, &As<TComExit>(c).Condition}};
    case CMD_Break:
    case CMD_Continue: {
      // Both derive from the exit command; the target sits in each class.
      auto& e = As<TComExit>(c);
      int32_t* target =
          c.ComType() == CMD_Break ? &As<TComBreak>(c).Target : &As<TComContinue>(c).Target;
      return {{"if", FieldKind::kCond, &e.Condition}, {"target", FieldKind::kInt, target}};
    }
    case CMD_Wait: {
      auto& w = As<TComWait>(c);
      std::vector<Field> f{{"while", FieldKind::kExpr, &w.Condition},
                           {"time", FieldKind::kExpr, &w.Time, true}};
      AddBlock(f, w.BlockEvents, v);
      return f;
    }
    case CMD_While: {
      auto& w = As<TComWhile>(c);
      return {{"cond", FieldKind::kExpr, &w.Condition, true},
              {"exit", FieldKind::kInt, &w.ExitIndex}};
    }
    case CMD_WhileInit:
      return {{"expr", FieldKind::kExpr, &As<TComWhileInit>(c).Expression, true}};
    case CMD_WhileLoop: {
      auto& w = As<TComWhileLoop>(c);
      return {{"expr", FieldKind::kExpr, &w.Expression, true},
              {"loop", FieldKind::kInt, &w.LoopIndex}};
    }
    case CMD_GameSave: {
      auto& s = As<TComGameSave>(c);
      std::vector<Field> f{{"slot", FieldKind::kExpr, &s.Slot, true},
                           {"page", FieldKind::kPage, &s.JumpPage}};
      if (v > 104) f.push_back({"at", FieldKind::kTarget, &s.JumpIndex});
      f.push_back({"caption", FieldKind::kExpr, &s.Caption});
      return f;
    }
    case CMD_GameLoad:
      return {{"slot", FieldKind::kExpr, &As<TComGameLoad>(c).Slot, true}};
    case CMD_PCReset:
    case CMD_Reset: {
      auto& r = As<TComPCReset>(c);
      return {{"page", FieldKind::kPage, &r.PageName, true},
              {"at", FieldKind::kTarget, &r.Index},
              {"full", FieldKind::kByte, &r.Full}};
    }
    default:
      return {};
  }
}

std::vector<Field> DataFields(TCommand& c, int32_t v) {
  switch (c.ComType()) {
    case CMD_Calc:
      return {{"expr", FieldKind::kExpr, &As<TComCalc>(c).Expression, true}};
    case CMD_VarNew: {
      auto& n = As<TComVarNew>(c);
      return {{"name", FieldKind::kName, &n.VarName, true},
              {"type", FieldKind::kType, &n.TypeCode},
              {"value", FieldKind::kExpr, &n.InitialValue},
              {"scope", FieldKind::kScope, &n.Scope}};
    }
    case CMD_VarDel:
      return {{"name", FieldKind::kName, &As<TComVarDel>(c).VarName, true}};
    case CMD_GetProp: {
      auto& g = As<TComGetProp>(c);
      return {{"object", FieldKind::kExpr, &g.ObjectName, true},
              {"prop", FieldKind::kExpr, &g.PropertyId},
              {"var", FieldKind::kName, &g.VarName}};
    }
    case CMD_SetProp: {
      auto& s = As<TComSetProp>(c);
      return {{"object", FieldKind::kExpr, &s.ObjectName, true},
              {"prop", FieldKind::kExpr, &s.PropertyId},
              {"value", FieldKind::kExpr, &s.Value}};
    }
    case CMD_PropMotion: {
      auto& m = As<TComPropMotion>(c);
      std::vector<Field> f{
          {"name", FieldKind::kExpr, &m.MotionName},   {"target", FieldKind::kExpr, &m.TargetName},
          {"prop", FieldKind::kExpr, &m.PropertyId},   {"end", FieldKind::kExpr, &m.EndValue},
          {"duration", FieldKind::kExpr, &m.Duration}, {"easing", FieldKind::kExpr, &m.Easing}};
      if (v > 107) f.push_back({"flag", FieldKind::kExpr, &m.Flag});
      return f;
    }
    case CMD_ObjDel:
      return {{"object", FieldKind::kExpr, &As<TComObjDel>(c).ObjectName, true}};
    case CMD_MenuClose:
      return {{"object", FieldKind::kExpr, &As<TComMenuClose>(c).ObjectName, true}};
    case CMD_MediaPlay:
      return {{"object", FieldKind::kExpr, &As<TComMediaPlay>(c).ObjectName, true}};
    case CMD_FormatHist:
      return {{"object", FieldKind::kExpr, &As<TComEntryHist>(c).ObjectName, true}};
    case CMD_TextClr:
      return {{"window", FieldKind::kExpr, &As<TComTextClr>(c).WindowName, true}};
    default:
      return {};
  }
}

std::vector<Field> MediaFields(TCommand& c, int32_t v) {
  switch (c.ComType()) {
    case CMD_Flip: {
      auto& f = As<TComFlip>(c);
      std::vector<Field> r{
          {"kind", FieldKind::kExpr, &f.Kind, true}, {"duration", FieldKind::kExpr, &f.Duration},
          {"reverse", FieldKind::kExpr, &f.Reverse}, {"place", FieldKind::kExpr, &f.Placement},
          {"names", FieldKind::kList, &f.NameLists}, {"clear", FieldKind::kExpr, &f.ClearBack},
          {"param1", FieldKind::kExpr, &f.Param1},   {"param2", FieldKind::kExpr, &f.Param2}};
      if (v > 100) r.push_back({"mask", FieldKind::kExpr, &f.MaskSource});
      AddBlock(r, f.BlockEvents, v);
      return r;
    }
    case CMD_TextIns: {
      auto& t = As<TComTextIns>(c);
      std::vector<Field> r{{"text", FieldKind::kText, &t.TextData, true},
                           {"window", FieldKind::kExpr, &t.WindowName},
                           {"record", FieldKind::kExpr, &t.Record},
                           {"wait", FieldKind::kExpr, &t.Wait}};
      AddBlock(r, t.BlockEvents, v);
      return r;
    }
    case CMD_MovieStop: {
      auto& m = As<TComMovieStop>(c);
      std::vector<Field> r{{"object", FieldKind::kExpr, &m.ObjectName, true},
                           {"fade", FieldKind::kExpr, &m.FadeTime},
                           {"wait", FieldKind::kExpr, &m.Wait}};
      AddBlock(r, m.BlockEvents, v);
      return r;
    }
    case CMD_CallHist: {
      auto& h = As<TComCallHist>(c);
      return {{"window", FieldKind::kExpr, &h.WindowName, true},
              {"start", FieldKind::kExpr, &h.StartIndex},
              {"count", FieldKind::kExpr, &h.Count},
              {"packed", FieldKind::kExpr, &h.Packed}};
    }
    case CMD_SaveCabinet:
    case CMD_LoadCabinet: {
      auto& k = As<TComCabinet>(c);
      return {{"mode", FieldKind::kExpr, &k.Mode}, {"names", FieldKind::kList, &k.Names}};
    }
    default:
      return {};
  }
}

}  // namespace

std::vector<Field> FieldsOf(TCommand& command, int32_t page_version) {
  if (auto f = ControlFields(command, page_version); !f.empty()) return f;
  if (auto f = DataFields(command, page_version); !f.empty()) return f;
  return MediaFields(command, page_version);
}

std::string CommandName(int id) {
  const VocabEntry* e = EntryAt(Commands(), id);
  return e && e->name ? e->name : "Command" + std::to_string(id);
}

int FindCommand(std::string_view name) {
  return FindByNameIgnoreCase(Commands(), name);
}

bool IsComponentCommand(int id) {
  switch (id) {
    case CMD_BoxNew:
    case CMD_ImgNew:
    case CMD_MesNew:
    case CMD_Timer:
    case CMD_Movie:
    case CMD_Cinema:
    case CMD_Caption:
    case CMD_Menu:
    case CMD_Button:
    case CMD_ParticleNew:
    case CMD_FireNew:
    case CMD_Sound:
    case CMD_EditNew:
    case CMD_MemoNew:
    case CMD_MapImgNew:
    case CMD_WaveNew:
    case CMD_TileNew:
    case CMD_SliderNew:
    case CMD_ScrollbarNew:
    case CMD_GaugeNew:
    case CMD_CGCaption:
    case CMD_PrevMenuNew:
    case CMD_SaveCabinet:
    case CMD_LoadCabinet:
      return true;
    default:
      return false;
  }
}

bool IsCabinetCommand(int id) {
  return id == CMD_SaveCabinet || id == CMD_LoadCabinet;
}

int FindProperty(std::string_view key) {
  const auto table = Properties();
  for (int id = 0; id < static_cast<int>(table.size()); ++id) {
    const std::string_view name = table[static_cast<size_t>(id)].name;
    if (EqualsIgnoreAsciiCase(name, key) ||
        (name.substr(0, 3) == "PR_" && EqualsIgnoreAsciiCase(name.substr(3), key)))
      return id;
  }
  return -1;
}

std::string PropertyKey(int property_id) {
  const VocabEntry* e = EntryAt(Properties(), property_id);
  if (!e || !e->name) return {};
  return LowerAsciiBytes(std::string_view(e->name).substr(3));
}

namespace {
const char* const kTypeWords[] = {nullptr, "int", "real", "flag", "str"};
const char* const kScopeWords[] = {"global", "auto", "local", "status"};
}  // namespace

int FindTypeWord(std::string_view word) {
  for (int i = 1; i <= 4; ++i)
    if (EqualsIgnoreAsciiCase(word, kTypeWords[i])) return i;
  return -1;
}
const char* TypeWord(int type_code) {
  return type_code >= 1 && type_code <= 4 ? kTypeWords[type_code] : nullptr;
}
int FindScopeWord(std::string_view word) {
  for (int i = 0; i <= 3; ++i)
    if (EqualsIgnoreAsciiCase(word, kScopeWords[i])) return i;
  return -1;
}
const char* ScopeWord(int scope) {
  return scope >= 0 && scope <= 3 ? kScopeWords[scope] : nullptr;
}

}  // namespace vesk::tool::script
