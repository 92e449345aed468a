#include "script/callman.h"

#include "companion/trace_log.h"
#include "core/byte_reader.h"
#include "core/messages.h"
#include "core/record_io.h"
#include "core/runtime_context.h"
#include "core/version.h"
#include "core/vesk_error.h"
#include "expr/param_collection.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "storage/vrfiles.h"

namespace vesk::script {

TCallMan::TCallMan(CallEnvironment env) : env_(std::move(env)) {}

TCallMan::~TCallMan() {
  Stack.clear();
  while (!pages_.empty()) DropPage(std::prev(pages_.end()));
}

void TCallMan::SetScope() {
  env_.variables->CurrentScope = Depth();
}

void TCallMan::DropPage(std::list<std::unique_ptr<TPage>>::iterator it) {
  // A page takes its own variable (0x01 + its name) with it.
  env_.variables->DeleteVariable("\x01" + (*it)->Name);
  pages_.erase(it);
}

TPage* TCallMan::GetPage(const std::string& name, bool to_front) {
  for (auto it = pages_.begin(); it != pages_.end(); ++it) {
    if ((*it)->Name != name) continue;
    if (to_front) pages_.splice(pages_.begin(), pages_, it);
    return to_front ? pages_.front().get() : it->get();
  }
  const std::vector<uint8_t> bytes = env_.files->ReadFileBytes(name);
  auto page = std::make_unique<TPage>();
  if (page->Load(name, bytes) == PageLoad::kRebuild) {
    env_.ctx->Terminate();
    if (env_.dialogs)
      env_.dialogs->ShowMessage(platform::Cp932ToUtf8(name + "\r\n" + MessageCp932(Msg::kRebuild)),
                                MessageUtf8(Msg::kWarningCaption), platform::MessageIcon::kWarning,
                                platform::MessageButtons::kOk);
  }
  TPage* raw = page.get();
  if (!to_front) {
    pages_.push_back(std::move(page));
    return raw;
  }
  pages_.push_front(std::move(page));
  while (pages_.size() > kPageCacheLimit && pages_.back().get() != CurPage)
    DropPage(std::prev(pages_.end()));
  return raw;
}

TPage* TCallMan::Start(const std::string& page_name) {
  CurPage = GetPage(page_name, true);
  CurIndex = 0;
  Started = 0;
  Args.clear();
  State = kOrdinaryCode;
  Stack.clear();
  SetScope();
  Sender.clear();
  if (env_.events) env_.events->RemoveAtDepths(1, Level);
  Level = 2;
  return CurPage;
}

TPage* TCallMan::Restart(const std::string& page_name, int32_t index) {
  Start(page_name);
  CurIndex = index;
  return CurPage;
}

void TCallMan::PushFrame(TStack frame) {
  Stack.push_back(std::move(frame));
  SetScope();
}

TStack TCallMan::PopFrame() {
  if (Stack.empty()) throw EVeskError(MessageCp932(Msg::kStackError));
  TStack top = std::move(Stack.back());
  Stack.pop_back();
  SetScope();
  return top;
}

expr::TCustomParam* TCallMan::TopResult() const {
  return Stack.empty() ? nullptr : Stack.back().Result.get();
}

std::string TCallMan::Arg(int32_t i) const {
  return i >= 0 && i < ArgCount() ? Args[static_cast<size_t>(i)] : std::string();
}

bool TCallMan::FileAvailable(const std::string& name) {
  return env_.file_available ? env_.file_available(name) : env_.files->Exists(name);
}

bool TCallMan::ObjectExists(const std::string& name) const {
  return !name.empty() && (!env_.ports.scene || env_.ports.scene->ObjectExists(name));
}

std::string TCallMan::SenderName() const {
  return State != kOrdinaryCode && ObjectExists(Sender) ? Sender : std::string();
}

bool TCallMan::ExecuteOne(TPage*& page, int32_t& index) {
  if (!page || index < 0 || index >= page->Count()) {
    page = nullptr;  // the page ran out: that returns like an exit
    return false;
  }
  TCommand* command = page->Commands[static_cast<size_t>(index)].get();
  bool yields = false;
  try {
    if (env_.trace && env_.trace->active() && command != last_traced_) {
      env_.trace->WriteCommand(static_cast<uint32_t>(env_.ctx->game_clock_ms), page->Name,
                               command->Line);
      last_traced_ = command;
    }
    if (!Started) {
      if (command->GetDisabled()) {
        ++index;
        return false;
      }
      command->Start(*this);
      Started = 1;
    }
    RunOnFlag = command->GetRunOn();
    yields = command->Yields();  // after Start: some commands decide there
    const TPage* before_page = page;
    const int32_t before_index = index;
    command->Execute(*this, page, index);
    if (page != before_page || index != before_index)
      Started = 0;
    else
      stalled_ = true;
  } catch (const std::exception& e) {
    // A failing command keeps what it had moved and runs again next time;
    // the frame ends so a command that always fails cannot spin it. The
    // trace keeps the reason for whoever debugs the script.
    swallowed_ = true;
    if (env_.trace && env_.trace->active())
      env_.trace->WriteNoteUtf8(static_cast<uint32_t>(env_.ctx->game_clock_ms), ErrorTextUtf8(e));
  }
  return yields;
}

TCallMan::StepResult TCallMan::StepOne() {
  if (!CurPage) {
    stalled_ = true;  // nothing to run: nothing to wait for this frame
    return StepResult::kRan;
  }
  TPage* page = CurPage;
  int32_t index = CurIndex;
  const StepResult result = ExecuteOne(page, index) ? StepResult::kYielded : StepResult::kRan;
  if (page) {
    CurPage = page;
    CurIndex = index;
    return result;
  }
  if (Stack.empty()) {
    // At the bottom the engine stays where it is and does nothing more. A
    // handler state with no frame to return to (only a damaged save makes
    // one) would otherwise go round within the frame for ever.
    RunOnFlag = 0;
    stalled_ = true;
    return result;
  }
  ReturnFromFrame();
  if (Sender.empty()) return StepResult::kReturnedToCode;
  return result == StepResult::kYielded ? StepResult::kYielded : StepResult::kReturnedToHandler;
}

void TCallMan::ReturnFromFrame() {
  env_.variables->DeleteScope(Depth());
  TStack frame = PopFrame();
  if (!frame.ResultVar.empty() && frame.Result) {
    if (expr::TParamCollectionItem* target = env_.variables->Find(frame.ResultVar))
      target->Value->CopyFrom(*frame.Result);
  }
  // An event that started before any page ran has nowhere to go back to.
  CurPage = frame.PageName.empty() ? nullptr : GetPage(frame.PageName, true);
  CurIndex = frame.ReturnIndex;
  Started = frame.Started;
  RunOnFlag = frame.RunOn;
  Args = std::move(frame.Args);
  Sender = std::move(frame.Sender);
  if (frame.SavedState && CurPage && CurIndex >= 0 && CurIndex < CurPage->Count()) {
    ByteReader in(frame.SavedState->bytes().data(), frame.SavedState->bytes().size());
    CurPage->Commands[static_cast<size_t>(CurIndex)]->LoadState(in);
  }
}

void TCallMan::PushEventFrame() {
  TStack frame;
  frame.PageName = CurPage ? CurPage->Name : std::string();
  frame.ReturnIndex = CurIndex;
  frame.Started = Started;
  frame.Args = Args;
  frame.Sender = Sender;
  frame.RunOn = RunOnFlag;
  // The handler may run the interrupted command's page again; its state in
  // progress comes back from here when the handler returns.
  if (Started && CurPage && CurIndex >= 0 && CurIndex < CurPage->Count())
    CurPage->Commands[static_cast<size_t>(CurIndex)]->SaveState(frame.SavedState);
  PushFrame(std::move(frame));
}

bool TCallMan::StartEvent(int32_t level) {
  const bool in_page = CurPage && CurIndex >= 0 && CurIndex < CurPage->Count();
  if (in_page && Started && CurPage->Commands[static_cast<size_t>(CurIndex)]->BlocksEvents())
    return false;
  TTimerData* item = env_.events ? env_.events->NextWaiting() : nullptr;
  if (!item) return false;
  const HandlerTarget target = SplitHandler(item->Handler);
  if (!FileAvailable(target.Page)) return false;  // tried again next time
  TPage* handler = nullptr;
  try {
    handler = GetPage(target.Page, true);
  } catch (const std::exception&) {
    return false;  // an unreadable page waits like a missing one
  }
  PushEventFrame();
  CurPage = handler;
  const int32_t at = target.Label.empty() ? 0 : handler->IndexOfLabel(target.Label);
  CurIndex = at < 0 ? 0 : at;
  if (env_.trace && env_.trace->active() && CurIndex < handler->Count())
    env_.trace->WriteEvent(static_cast<uint32_t>(env_.ctx->game_clock_ms), target.Page,
                           handler->Commands[static_cast<size_t>(CurIndex)]->Line);
  Started = 0;
  item->RunningDepth = level;
  Args = item->Args;
  Sender = item->Object;
  State = kHandlerRuns;
  return true;
}

namespace {

void TransferArgs(RecordIO& io, std::vector<std::string>& args) {
  io.List(
      args, 4, "argument count", [&](std::string& a) { io.Str(a, "argument"); },
      RecordIO::Negative::kNone);
}

// A call frame. `sender` is what saving stores for its sender; a loaded one
// is taken as stored. The state of the command in progress is a record of
// its own (with its own stamp), kept as bytes.
void TransferFrame(RecordIO& io, TStack& f, std::string sender,
                   const expr::TParamCollection* vars) {
  io.Str(f.PageName, "frame page");
  io.I32(f.ReturnIndex, "frame index");
  io.U8(f.Started, "frame started");
  io.U8(f.RunOn, "frame run-on");
  int32_t result_variable = 0;  // where the result variable belongs: not kept
  io.I32(result_variable, "frame result variable");
  TransferArgs(io, f.Args);
  io.Str(sender, "frame sender");
  if (io.loading()) f.Sender = sender;
  std::vector<uint8_t> none;
  std::vector<uint8_t>& state = f.SavedState ? f.SavedState->bytes() : none;
  int32_t length = static_cast<int32_t>(state.size());
  io.I32(length, "frame state length");
  if (io.loading()) {
    if (length < 0 || static_cast<size_t>(length) > io.reader().remaining())
      throw ETruncated("frame state out of range");
    if (length > 0) {
      f.SavedState = std::make_unique<ByteWriter>();
      f.SavedState->bytes().resize(static_cast<size_t>(length));
    }
  }
  if (length > 0)
    io.Bytes(f.SavedState->bytes().data(), static_cast<size_t>(length), "frame state");
  const bool is_value = f.Result && dynamic_cast<const expr::TParamVar*>(f.Result.get()) == nullptr;
  uint8_t type = is_value ? static_cast<uint8_t>(f.Result->ParamType()) : 0;
  io.U8(type, "frame result type");
  if (type == 0) return;
  if (io.loading()) {
    f.Result = expr::MakeParam(type);
    if (!f.Result)
      throw ETruncated("frame result type " + std::to_string(type) + " is not a value type");
  }
  f.Result->Transfer(io, vars);
}

}  // namespace

// A sender whose object is gone is stored, and comes back, as none.
std::string TCallMan::StoredSender(const std::string& name) const {
  return ObjectExists(name) ? name : std::string();
}

void TCallMan::SaveToStream(ByteWriter& out) const {
  SaveRecord(*this, out, kSaveVersion);
}

void TCallMan::LoadFromStream(ByteReader& in, int32_t version) {
  LoadRecord(*this, in, version);
}

void TCallMan::Transfer(RecordIO& io) {
  std::string page = !io.loading() && CurPage ? CurPage->Name : std::string();
  io.Str(page, "current page");
  io.I32(CurIndex, "current index");
  io.U8(RunOnFlag, "run-on flag");
  io.U8(Started, "started flag");
  // Any stored number is kept; numbers beyond the known states act as a
  // nested handler, as they always did.
  io.AsI32(State, "event state");
  io.Via(&RecordIO::Str, StoredSender(Sender), "sender",
         [&](const std::string& s) { Sender = StoredSender(s); });
  TransferArgs(io, Args);
  TStack scratch;  // the scratch frame: nothing worth keeping
  TransferFrame(io, scratch, std::string(), env_.variables);
  TransferStack(io);
  if (io.loading()) SetScope();
  if (io.Since(116))
    io.I32(Level, "event level");
  else
    io.Absent(Level, 2);
  if (io.loading()) CurPage = page.empty() ? nullptr : GetPage(page, true);
  if (!Started || !CurPage || CurIndex < 0 || CurIndex >= CurPage->Count()) return;
  TCommand& command = *CurPage->Commands[static_cast<size_t>(CurIndex)];
  if (io.loading()) {
    command.LoadState(io.reader());
    return;
  }
  std::unique_ptr<ByteWriter> state = std::make_unique<ByteWriter>();
  command.SaveState(state);
  io.writer().Bytes(state->bytes().data(), state->bytes().size());
}

// Each frame takes at least 20 bytes.
void TCallMan::TransferStack(RecordIO& io) {
  const int32_t frames = io.Count(Stack.size(), 20, "frame count");
  if (!io.loading()) {
    for (TStack& f : Stack) TransferFrame(io, f, StoredSender(f.Sender), env_.variables);
    return;
  }
  Stack.clear();
  for (int32_t i = 0; i < frames; ++i) {
    TStack f;
    TransferFrame(io, f, std::string(), env_.variables);
    f.Sender = StoredSender(f.Sender);
    Stack.push_back(std::move(f));
  }
}

void TCallMan::Step() {
  swallowed_ = false;
  do {
    stalled_ = false;
    if (!StepState()) break;
    // A command that failed or is still in progress would run again at
    // once: the frame ends instead, so it cannot spin.
    if (swallowed_ || stalled_) break;
  } while ((RunOnFlag || State != kOrdinaryCode) && !env_.ctx->terminated);
}

bool TCallMan::StepState() {
  switch (State) {
    case kOrdinaryCode:
      if (!StartEvent(1)) StepOne();
      return true;
    case kHandlerRuns:
      return StepHandler();
    case kHandlerYielded:
      if (StartEvent(Level)) {
        Level = static_cast<int32_t>(int64_t{Level} + 1);
        State = kNestedRuns;
      } else {
        State = Level > 2 ? kNestedRuns : kHandlerRuns;
      }
      return true;
    default:
      return StepNested();
  }
}

// A level-1 handler runs until it returns to ordinary code or yields.
bool TCallMan::StepHandler() {
  const StepResult r = StepOne();
  if (r == StepResult::kReturnedToCode) {
    if (env_.events) env_.events->RemoveAtDepth(1);
    State = kOrdinaryCode;
    RunOnFlag = 1;
  } else if (r == StepResult::kYielded) {
    Level = 2;
    State = kHandlerYielded;
    return false;
  }
  return true;
}

// A nested handler runs until it returns into the handler below or yields.
bool TCallMan::StepNested() {
  const StepResult r = StepOne();
  if (r == StepResult::kReturnedToCode || r == StepResult::kReturnedToHandler) {
    // A saved game may hold any level: it wraps in 32 bits as it always did.
    Level = static_cast<int32_t>(int64_t{Level} - 1);
    if (env_.events) env_.events->RemoveAtDepth(Level);
    if (Level <= 2) State = kHandlerYielded;
  } else if (r == StepResult::kYielded) {
    State = kHandlerYielded;
    return false;
  }
  return true;
}

}  // namespace vesk::script
