// The command base, the record helpers, the factory and the control-flow
// commands (conditions, jumps, calls, loops, waiting, saving, resets).
#include "script/commands.h"

#include "script/pages.h"

namespace vesk::script {

using namespace vesk::lang;  // the vocabulary ids

void LoadExpression(ByteReader& in, TVeskParser& expression) { expression.LoadFromStream(in); }

void SaveExpression(ByteWriter& out, const TVeskParser& expression) { expression.SaveToStream(out); }

void LoadExpressionList(ByteReader& in, std::vector<TVeskParser>& list, const char* what) {
  list.clear();
  const int32_t n = in.I32(what);
  // Every stored expression begins with its 4-byte operation count.
  if (n > 0 && static_cast<size_t>(n) > in.remaining() / 4)
    throw ETruncated(std::string(what) + " out of range at offset " + std::to_string(in.position()));
  if (n <= 0) return;
  list.resize(static_cast<size_t>(n));
  for (auto& expression : list) expression.LoadFromStream(in);
}

void SaveExpressionList(ByteWriter& out, const std::vector<TVeskParser>& list) {
  out.I32(static_cast<int32_t>(list.size()));
  for (const auto& expression : list) expression.SaveToStream(out);
}

void TCommand::LoadFromStream(ByteReader& in, int32_t) {
  Indent = in.I32("command indent");
  Disabled = in.U8("command disabled flag");
  RunOn = in.U8("command run-on flag");
  Line = in.I32("command line");
}

void TCommand::SaveToStream(ByteWriter& out, int32_t) const {
  out.I32(Indent);
  out.U8(Disabled);
  out.U8(RunOn);
  out.I32(Line);
}

void TCommand::Execute(TCallMan&, TPage*&, int32_t& index) { ++index; }

// ---- Control flow -------------------------------------------------------

void TComIf::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  Condition.LoadFromStream(in);
}
void TComIf::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  Condition.SaveToStream(out);
}

void TComLabel::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  LabelName = in.Str("label name");
}
void TComLabel::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  out.Str(LabelName);
}

void TComJump::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  PageName = in.Str("jump page");
  Target = in.I32("jump index");
  Condition.LoadFromStream(in);
}
void TComJump::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  out.Str(PageName);
  out.I32(Target);
  Condition.SaveToStream(out);
}

void TComCall::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  PageName = in.Str("call page");
  Target = in.I32("call index");
  ResultVar = in.Str("call result variable");
  Condition.LoadFromStream(in);
  LoadExpressionList(in, Args, "call argument count");
}
void TComCall::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  out.Str(PageName);
  out.I32(Target);
  out.Str(ResultVar);
  Condition.SaveToStream(out);
  SaveExpressionList(out, Args);
}

void TComExit::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  Condition.LoadFromStream(in);
}
void TComExit::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  Condition.SaveToStream(out);
}

void TComBreak::LoadFromStream(ByteReader& in, int32_t v) {
  TComExit::LoadFromStream(in, v);
  Target = in.I32("break target");
}
void TComBreak::SaveToStream(ByteWriter& out, int32_t v) const {
  TComExit::SaveToStream(out, v);
  out.I32(Target);
}

void TComContinue::LoadFromStream(ByteReader& in, int32_t v) {
  TComExit::LoadFromStream(in, v);
  Target = in.I32("continue target");
}
void TComContinue::SaveToStream(ByteWriter& out, int32_t v) const {
  TComExit::SaveToStream(out, v);
  out.I32(Target);
}

void TComWhile::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  Condition.LoadFromStream(in);
  ExitIndex = in.I32("loop exit index");
}
void TComWhile::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  Condition.SaveToStream(out);
  out.I32(ExitIndex);
}

void TComWhileInit::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  Expression.LoadFromStream(in);
}
void TComWhileInit::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  Expression.SaveToStream(out);
}

void TComWhileLoop::LoadFromStream(ByteReader& in, int32_t v) {
  TComWhileInit::LoadFromStream(in, v);
  LoopIndex = in.I32("loop head index");
}
void TComWhileLoop::SaveToStream(ByteWriter& out, int32_t v) const {
  TComWhileInit::SaveToStream(out, v);
  out.I32(LoopIndex);
}

void TComWait::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  Condition.LoadFromStream(in);
  Time.LoadFromStream(in);
  BlockEvents = TVeskParser();
  if (v > 106) BlockEvents.LoadFromStream(in);
}
void TComWait::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  Condition.SaveToStream(out);
  Time.SaveToStream(out);
  if (v > 106) BlockEvents.SaveToStream(out);
}

void TComGameSave::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  Slot.LoadFromStream(in);
  JumpPage = in.Str("save jump page");
  JumpIndex = v > 104 ? in.I32("save jump index") : 0;
  Caption.LoadFromStream(in);
}
void TComGameSave::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  Slot.SaveToStream(out);
  out.Str(JumpPage);
  if (v > 104) out.I32(JumpIndex);
  Caption.SaveToStream(out);
}

void TComGameLoad::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  Slot.LoadFromStream(in);
}
void TComGameLoad::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  Slot.SaveToStream(out);
}

void TComPCReset::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  PageName = in.Str("reset page");
  Index = in.I32("reset index");
  Full = in.U8("reset full flag");
}
void TComPCReset::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  out.Str(PageName);
  out.I32(Index);
  out.U8(Full);
}

// ---- Factory ------------------------------------------------------------

std::unique_ptr<TCommand> CreateCommand(int id, TPage* page) {
  switch (id) {
    case CMD_If: return std::make_unique<TComIf>(page);
    case CMD_Elseif: return std::make_unique<TComElseif>(page);
    case CMD_Else: return std::make_unique<TComElse>(page);
    case CMD_Label: return std::make_unique<TComLabel>(page);
    case CMD_Jump: return std::make_unique<TComJump>(page);
    case CMD_Call: return std::make_unique<TComCall>(page);
    case CMD_Exit: return std::make_unique<TComExit>(page);
    case CMD_Wait: return std::make_unique<TComWait>(page);
    case CMD_BoxNew: return std::make_unique<TComBoxNew>(page);
    case CMD_ImgNew: return std::make_unique<TComImgNew>(page);
    case CMD_MesNew: return std::make_unique<TComMesNew>(page);
    case CMD_Timer: return std::make_unique<TComTimer>(page);
    case CMD_Movie: return std::make_unique<TComMovie>(page);
    case CMD_Flip: return std::make_unique<TComFlip>(page);
    case CMD_Calc: return std::make_unique<TComCalc>(page);
    case CMD_VarNew: return std::make_unique<TComVarNew>(page);
    case CMD_VarDel: return std::make_unique<TComVarDel>(page);
    case CMD_GetProp: return std::make_unique<TComGetProp>(page);
    case CMD_SetProp: return std::make_unique<TComSetProp>(page);
    case CMD_ObjDel: return std::make_unique<TComObjDel>(page);
    case CMD_TextIns: return std::make_unique<TComTextIns>(page);
    case CMD_MovieStop: return std::make_unique<TComMovieStop>(page);
    case CMD_ClrHist: return std::make_unique<TComClrHist>(page);
    case CMD_Cinema: return std::make_unique<TComCinema>(page);
    case CMD_Caption: return std::make_unique<TComCaption>(page);
    case CMD_Menu: return std::make_unique<TComMenu>(page);
    case CMD_MenuClose: return std::make_unique<TComMenuClose>(page);
    case CMD_Comment: return std::make_unique<TComComment>(page);
    case CMD_TextClr: return std::make_unique<TComTextClr>(page);
    case CMD_CallHist: return std::make_unique<TComCallHist>(page);
    case CMD_Button: return std::make_unique<TComBtnNew>(page);
    case CMD_While: return std::make_unique<TComWhile>(page);
    case CMD_WhileInit: return std::make_unique<TComWhileInit>(page);
    case CMD_WhileLoop: return std::make_unique<TComWhileLoop>(page);
    case CMD_Break: return std::make_unique<TComBreak>(page);
    case CMD_Continue: return std::make_unique<TComContinue>(page);
    case CMD_ParticleNew: return std::make_unique<TComParticleNew>(page);
    case CMD_FireNew: return std::make_unique<TComFireNew>(page);
    case CMD_GameSave: return std::make_unique<TComGameSave>(page);
    case CMD_GameLoad: return std::make_unique<TComGameLoad>(page);
    case CMD_PCReset: return std::make_unique<TComPCReset>(page);
    case CMD_Reset: return std::make_unique<TComReset>(page);
    case CMD_Sound: return std::make_unique<TComSound>(page);
    case CMD_EditNew: return std::make_unique<TComEditNew>(page);
    case CMD_MemoNew: return std::make_unique<TComMemoNew>(page);
    case CMD_Terminate: return std::make_unique<TComTerminate>(page);
    case CMD_DoEvent: return std::make_unique<TComDoEvent>(page);
    case CMD_ClrRead: return std::make_unique<TComClrRead>(page);
    case CMD_MapImgNew: return std::make_unique<TComMapImgNew>(page);
    case CMD_WaveNew: return std::make_unique<TComWaveNew>(page);
    case CMD_TileNew: return std::make_unique<TComTileNew>(page);
    case CMD_SliderNew: return std::make_unique<TComSliderNew>(page);
    case CMD_ScrollbarNew: return std::make_unique<TComScrollbarNew>(page);
    case CMD_GaugeNew: return std::make_unique<TComGaugeNew>(page);
    case CMD_CGCaption: return std::make_unique<TComCGCaption>(page);
    case CMD_MediaPlay: return std::make_unique<TComMediaPlay>(page);
    case CMD_PrevMenuNew: return std::make_unique<TComPrevMenuNew>(page);
    case CMD_PropMotion: return std::make_unique<TComPropMotion>(page);
    case CMD_FormatHist: return std::make_unique<TComEntryHist>(page);
    case CMD_SaveCabinet: return std::make_unique<TComCabinetSave>(page);
    case CMD_LoadCabinet: return std::make_unique<TComCabinetLoad>(page);
    default: return nullptr;
  }
}

}  // namespace vesk::script
