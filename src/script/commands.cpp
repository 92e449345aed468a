// The command base, the record helpers, the factory and the control-flow
// commands (conditions, jumps, calls, loops, waiting, saving, resets).
#include "script/commands.h"

#include <algorithm>
#include <string>

#include "script/pages.h"

namespace vesk::script {

using namespace vesk::lang;  // the vocabulary ids

void TransferExpressionList(RecordIO& io, std::vector<TVeskParser>& list, const char* what) {
  // Every stored expression begins with its 4-byte operation count.
  io.List(
      list, 4, what, [&](TVeskParser& expression) { expression.Transfer(io); },
      RecordIO::Negative::kNone, RecordIO::Offset::kNamed);
}

void TransferExpressionSince(RecordIO& io, int32_t first_version, TVeskParser& expression) {
  if (io.Since(first_version))
    expression.Transfer(io);
  else
    io.Absent(expression, TVeskParser());
}

void TCommand::LoadFromStream(ByteReader& in, int32_t page_version) {
  LoadRecord(*this, in, page_version);
}

void TCommand::SaveToStream(ByteWriter& out, int32_t page_version) const {
  SaveRecord(*this, out, page_version);
}

void TCommand::Transfer(RecordIO& io) {
  io.I32(Indent, "command indent");
  io.U8(Disabled, "command disabled flag");
  io.U8(RunOn, "command run-on flag");
  io.I32(Line, "command line");
}

void TCommand::Execute(TCallMan&, TPage*&, int32_t& index) {
  ++index;
}

void WriteStateStamp(ByteWriter& state, int32_t version) {
  for (char c : std::string("vesk") + std::to_string(version)) state.U8(static_cast<uint8_t>(c));
}

int32_t ReadStateStamp(ByteReader& state) {
  ByteReader probe = state;
  if (probe.remaining() < 7) return 0;
  const uint8_t* m = probe.Bytes(7, "state magic");
  if (!std::equal(m, m + 4, "vesk")) return 0;
  state.Skip(7, "state magic");
  return (m[4] - '0') * 100 + (m[5] - '0') * 10 + (m[6] - '0');
}

// ---- Control flow -------------------------------------------------------

void TComIf::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  Condition.Transfer(io);
}

void TComLabel::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  io.Str(LabelName, "label name");
}

void TComJump::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  io.Str(PageName, "jump page");
  io.I32(Target, "jump index");
  Condition.Transfer(io);
}

void TComCall::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  io.Str(PageName, "call page");
  io.I32(Target, "call index");
  io.Str(ResultVar, "call result variable");
  Condition.Transfer(io);
  TransferExpressionList(io, Args, "call argument count");
}

void TComExit::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  Condition.Transfer(io);
}

void TComBreak::Transfer(RecordIO& io) {
  TComExit::Transfer(io);
  io.I32(Target, "break target");
}

void TComContinue::Transfer(RecordIO& io) {
  TComExit::Transfer(io);
  io.I32(Target, "continue target");
}

void TComWhile::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  Condition.Transfer(io);
  io.I32(ExitIndex, "loop exit index");
}

void TComWhileInit::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  Expression.Transfer(io);
}

void TComWhileLoop::Transfer(RecordIO& io) {
  TComWhileInit::Transfer(io);
  io.I32(LoopIndex, "loop head index");
}

void TComWait::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  Condition.Transfer(io);
  Time.Transfer(io);
  TransferExpressionSince(io, 107, BlockEvents);
}

void TComGameSave::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  Slot.Transfer(io);
  io.Str(JumpPage, "save jump page");
  if (io.Since(105))
    io.I32(JumpIndex, "save jump index");
  else
    io.Absent(JumpIndex, 0);
  Caption.Transfer(io);
}

void TComGameLoad::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  Slot.Transfer(io);
}

void TComPCReset::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  io.Str(PageName, "reset page");
  io.I32(Index, "reset index");
  io.U8(Full, "reset full flag");
}

// ---- Factory ------------------------------------------------------------

std::unique_ptr<TCommand> CreateCommand(int id, TPage* page) {
  switch (id) {
    case CMD_If:
      return std::make_unique<TComIf>(page);
    case CMD_Elseif:
      return std::make_unique<TComElseif>(page);
    case CMD_Else:
      return std::make_unique<TComElse>(page);
    case CMD_Label:
      return std::make_unique<TComLabel>(page);
    case CMD_Jump:
      return std::make_unique<TComJump>(page);
    case CMD_Call:
      return std::make_unique<TComCall>(page);
    case CMD_Exit:
      return std::make_unique<TComExit>(page);
    case CMD_Wait:
      return std::make_unique<TComWait>(page);
    case CMD_BoxNew:
      return std::make_unique<TComBoxNew>(page);
    case CMD_ImgNew:
      return std::make_unique<TComImgNew>(page);
    case CMD_MesNew:
      return std::make_unique<TComMesNew>(page);
    case CMD_Timer:
      return std::make_unique<TComTimer>(page);
    case CMD_Movie:
      return std::make_unique<TComMovie>(page);
    case CMD_Flip:
      return std::make_unique<TComFlip>(page);
    case CMD_Calc:
      return std::make_unique<TComCalc>(page);
    case CMD_VarNew:
      return std::make_unique<TComVarNew>(page);
    case CMD_VarDel:
      return std::make_unique<TComVarDel>(page);
    case CMD_GetProp:
      return std::make_unique<TComGetProp>(page);
    case CMD_SetProp:
      return std::make_unique<TComSetProp>(page);
    case CMD_ObjDel:
      return std::make_unique<TComObjDel>(page);
    case CMD_TextIns:
      return std::make_unique<TComTextIns>(page);
    case CMD_MovieStop:
      return std::make_unique<TComMovieStop>(page);
    case CMD_ClrHist:
      return std::make_unique<TComClrHist>(page);
    case CMD_Cinema:
      return std::make_unique<TComCinema>(page);
    case CMD_Caption:
      return std::make_unique<TComCaption>(page);
    case CMD_Menu:
      return std::make_unique<TComMenu>(page);
    case CMD_MenuClose:
      return std::make_unique<TComMenuClose>(page);
    case CMD_Comment:
      return std::make_unique<TComComment>(page);
    case CMD_TextClr:
      return std::make_unique<TComTextClr>(page);
    case CMD_CallHist:
      return std::make_unique<TComCallHist>(page);
    case CMD_Button:
      return std::make_unique<TComBtnNew>(page);
    case CMD_While:
      return std::make_unique<TComWhile>(page);
    case CMD_WhileInit:
      return std::make_unique<TComWhileInit>(page);
    case CMD_WhileLoop:
      return std::make_unique<TComWhileLoop>(page);
    case CMD_Break:
      return std::make_unique<TComBreak>(page);
    case CMD_Continue:
      return std::make_unique<TComContinue>(page);
    case CMD_ParticleNew:
      return std::make_unique<TComParticleNew>(page);
    case CMD_FireNew:
      return std::make_unique<TComFireNew>(page);
    case CMD_GameSave:
      return std::make_unique<TComGameSave>(page);
    case CMD_GameLoad:
      return std::make_unique<TComGameLoad>(page);
    case CMD_PCReset:
      return std::make_unique<TComPCReset>(page);
    case CMD_Reset:
      return std::make_unique<TComReset>(page);
    case CMD_Sound:
      return std::make_unique<TComSound>(page);
    case CMD_EditNew:
      return std::make_unique<TComEditNew>(page);
    case CMD_MemoNew:
      return std::make_unique<TComMemoNew>(page);
    case CMD_Terminate:
      return std::make_unique<TComTerminate>(page);
    case CMD_DoEvent:
      return std::make_unique<TComDoEvent>(page);
    case CMD_ClrRead:
      return std::make_unique<TComClrRead>(page);
    case CMD_MapImgNew:
      return std::make_unique<TComMapImgNew>(page);
    case CMD_WaveNew:
      return std::make_unique<TComWaveNew>(page);
    case CMD_TileNew:
      return std::make_unique<TComTileNew>(page);
    case CMD_SliderNew:
      return std::make_unique<TComSliderNew>(page);
    case CMD_ScrollbarNew:
      return std::make_unique<TComScrollbarNew>(page);
    case CMD_GaugeNew:
      return std::make_unique<TComGaugeNew>(page);
    case CMD_CGCaption:
      return std::make_unique<TComCGCaption>(page);
    case CMD_MediaPlay:
      return std::make_unique<TComMediaPlay>(page);
    case CMD_PrevMenuNew:
      return std::make_unique<TComPrevMenuNew>(page);
    case CMD_PropMotion:
      return std::make_unique<TComPropMotion>(page);
    case CMD_FormatHist:
      return std::make_unique<TComEntryHist>(page);
    case CMD_SaveCabinet:
      return std::make_unique<TComCabinetSave>(page);
    case CMD_LoadCabinet:
      return std::make_unique<TComCabinetLoad>(page);
    default:
      return nullptr;
  }
}

}  // namespace vesk::script
