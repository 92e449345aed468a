// What the flow-control, variable and expression commands do when the
// interpreter reaches them.
#include <algorithm>

#include "core/messages.h"
#include "core/runtime_context.h"
#include "core/vesk_error.h"
#include "expr/param_collection.h"
#include "expr/sysfuncs.h"
#include "script/callman.h"
#include "script/command_eval.h"
#include "script/commands.h"

namespace vesk::script {

using namespace vesk::lang;  // the vocabulary ids
namespace {

const TComList& CommandsOf(const TPage* page) {
  return page->Commands;
}

}  // namespace

void TComIf::Execute(TCallMan& man, TPage*& page, int32_t& index) {
  ++index;
  if (IsTrue(Condition, man)) return;  // the body runs next
  const TComList& cmds = CommandsOf(page);
  int32_t j = index;
  while (j < static_cast<int32_t>(cmds.size())) {
    TCommand* c = cmds[static_cast<size_t>(j)].get();
    if (c->Indent > Indent) {
      ++j;
      continue;
    }
    if (c->Indent < Indent) break;  // the chain is over
    if (c->ComType() == CMD_Elseif) {
      if (IsTrue(static_cast<TComElseif*>(c)->Condition, man)) {
        index = j + 1;
        return;
      }
      ++j;
      continue;
    }
    if (c->ComType() == CMD_Else) {
      index = j + 1;
      return;
    }
    break;
  }
  index = j;
}

namespace {

// Reached only when a previous branch ran to its end: jump over this body.
void SkipBody(const TCommand& self, const TPage* page, int32_t& index) {
  const TComList& cmds = CommandsOf(page);
  int32_t j = index + 1;
  while (j < static_cast<int32_t>(cmds.size()) &&
         cmds[static_cast<size_t>(j)]->Indent > self.Indent)
    ++j;
  index = j;
}

}  // namespace

void TComElseif::Execute(TCallMan&, TPage*& page, int32_t& index) {
  SkipBody(*this, page, index);
}
void TComElse::Execute(TCallMan&, TPage*& page, int32_t& index) {
  SkipBody(*this, page, index);
}
void TComLabel::Execute(TCallMan&, TPage*&, int32_t& index) {
  ++index;
}
void TComDoEvent::Execute(TCallMan&, TPage*&, int32_t& index) {
  ++index;
}

void TComJump::Execute(TCallMan& man, TPage*& page, int32_t& index) {
  ++index;
  if (!IsTrue(Condition, man) || !man.FileAvailable(PageName)) return;
  page = man.GetPage(PageName, true);
  index = Target;
}

void TComCall::Execute(TCallMan& man, TPage*& page, int32_t& index) {
  ++index;  // the return position
  if (!IsTrue(Condition, man) || !man.FileAvailable(PageName)) return;
  std::vector<std::string> args;
  for (TVeskParser& a : Args)
    if (const expr::TCustomParam* v = Evaluate(a, man)) args.push_back(v->GetStr());
  TStack frame;
  frame.PageName = page->Name;
  frame.ReturnIndex = index;
  frame.ResultVar = ResultVar;
  frame.RunOn = man.RunOnFlag;
  frame.Sender = man.Sender;
  frame.Args = std::move(man.Args);
  man.Args = std::move(args);
  man.PushFrame(std::move(frame));
  page = man.GetPage(PageName, true);
  index = Target;
  man.Stack.back().Result = expr::MakeParam(page->ResultType);
}

void TComExit::Execute(TCallMan& man, TPage*& page, int32_t& index) {
  if (IsTrue(Condition, man))
    page = nullptr;
  else
    ++index;
}

void TComBreak::Execute(TCallMan& man, TPage*& page, int32_t& index) {
  if (!IsTrue(Condition, man)) {
    ++index;
    return;
  }
  if (Target < 0)
    page = nullptr;
  else
    index = Target;
}

void TComContinue::Execute(TCallMan& man, TPage*& page, int32_t& index) {
  ++index;
  if (!IsTrue(Condition, man)) return;
  if (Target < 0)
    page = nullptr;
  else
    index = Target;
}

void TComWhile::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  if (!IsTrue(Condition, man)) index = ExitIndex;
}

void TComWhileInit::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  Evaluate(Expression, man);
}

void TComWhileLoop::Execute(TCallMan& man, TPage*&, int32_t& index) {
  index = LoopIndex;
  Evaluate(Expression, man);
}

void TComTerminate::Execute(TCallMan& man, TPage*&, int32_t&) {
  man.env().ctx->Terminate();  // the index stays: nothing runs after this
}

void TComCalc::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  Evaluate(Expression, man);
}

void TComVarNew::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  expr::TParamCollectionItem* item = man.env().variables->Declare(
      VarName, TypeCode, static_cast<expr::VarScope>(std::min<int>(Scope, 3)), man.Depth());
  if (!item) return;  // a status variable keeps its value
  const expr::TCustomParam* v = Evaluate(InitialValue, man);
  if (!v) return;
  switch (TypeCode) {
    case lang::PT_INT:
      item->Value->SetInt(v->GetInt());
      break;
    case lang::PT_FLOAT:
      item->Value->SetFloat(v->GetFloat());
      break;
    case lang::PT_BOOL:
      item->Value->SetFlag(v->GetFlag());
      break;
    case lang::PT_STR:
      item->Value->SetStr(v->GetStr());
      break;
    default:
      break;
  }
}

void TComVarDel::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  if (!VarName.empty()) man.env().variables->DeleteVariable(VarName);
}

// Saving and loading happen at the end of the frame, after the update pass,
// so the game is stored as this frame leaves it.
void TComGameSave::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  const expr::TCustomParam* slot_value = Evaluate(Slot, man);
  const int32_t slot = slot_value ? slot_value->GetInt() : 0;
  const expr::TCustomParam* caption = Evaluate(Caption, man);
  const std::string text = caption ? caption->GetStr() : std::string();
  if (SaveDataPort* save_data = man.env().ports.save_data)
    save_data->RequestSave(slot, JumpPage, JumpIndex, text);
}

void TComGameLoad::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  const expr::TCustomParam* slot = Evaluate(Slot, man);
  if (SaveDataPort* save_data = man.env().ports.save_data)
    save_data->RequestLoad(slot ? slot->GetInt() : 0);
}

void TComWait::Start(TCallMan& man) {
  const expr::TCustomParam* time = Evaluate(Time, man);
  remaining_ms_ = time ? time->GetInt() : 0;
  first_ = 1;
  const expr::TCustomParam* block = Evaluate(BlockEvents, man);
  blocks_ = block && block->GetFlag();
}

void TComWait::Execute(TCallMan& man, TPage*&, int32_t& index) {
  const expr::TCustomParam* condition = Evaluate(Condition, man);
  if (condition && !condition->GetFlag()) {
    ++index;
    return;
  }
  if (remaining_ms_ != 0) {
    if (first_) {
      first_ = 0;  // the frame it started in does not count
    } else {
      // Saturates: a wait of nearly -2^31 ms ends like any other negative
      // one instead of wrapping round to a wait of 24 days.
      const int64_t left = int64_t{remaining_ms_} - man.env().ctx->frame_delta_ms;
      remaining_ms_ = static_cast<int32_t>(std::max<int64_t>(left, INT32_MIN));
      if (remaining_ms_ <= 0) {
        ++index;
        return;
      }
    }
  }
  man.RunOnFlag = 0;  // still waiting (time 0 waits without end): the frame ends
}

// A wait's state is stamped "vesk" + three digits (its version); an
// unstamped one is version 0, which has no event blocking.
constexpr int32_t kWaitStateVersion = 100;

void TComWait::SaveState(std::unique_ptr<ByteWriter>& state) {
  if (!state) state = std::make_unique<ByteWriter>();
  WriteStateStamp(*state, kWaitStateVersion);
  RecordIO io(*state, kWaitStateVersion);
  TransferState(io);
}

void TComWait::LoadState(ByteReader& state) {
  RecordIO io(state, ReadStateStamp(state));
  TransferState(io);
}

void TComWait::TransferState(RecordIO& io) {
  io.I32(remaining_ms_, "wait remaining");
  io.I32(first_, "wait first");
  if (io.Since(100)) io.Bool8(blocks_, "wait blocks");
}

}  // namespace vesk::script
