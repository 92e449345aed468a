// The text commands: messages into message windows, the message history
// and the read marks, all through the message and history ports.
#include <algorithm>

#include "script/command_eval.h"
#include "script/commands.h"

namespace vesk::script {

void TComTextIns::Start(TCallMan& man) {
  window_.clear();
  wait_ = 0;
  blocks_ = IsTrue(BlockEvents, man) ? 1 : 0;
  MessagePort* messages = man.env().ports.messages;
  if (TextData.empty() || !messages) return;
  const std::string window = EvaluateStr(WindowName, man);
  const bool record = IsTrue(Record, man);
  const int32_t own_index = Page ? Page->IndexOf(this) : -1;
  if (!messages->InsertText(window, Page ? Page->Name : std::string(), own_index, record)) return;
  window_ = window;
  const expr::TCustomParam* wait = Evaluate(Wait, man);
  wait_ = wait && wait->GetFlag() ? 1 : 0;
}

void TComTextIns::Execute(TCallMan& man, TPage*&, int32_t& index) {
  MessagePort* messages = man.env().ports.messages;
  if (!window_.empty() && wait_ && messages && messages->HoldsPages(window_)) {
    man.RunOnFlag = 0;  // the reader has not finished with the window: the frame ends
    return;
  }
  ++index;
}

// The state is stamped "vesk" + three digits; unstamped state has no event
// blocking.
constexpr int32_t kTextStateVersion = 100;

void TComTextIns::SaveState(std::unique_ptr<ByteWriter>& state) {
  if (!state) state = std::make_unique<ByteWriter>();
  WriteStateStamp(*state, kTextStateVersion);
  RecordIO io(*state, kTextStateVersion);
  TransferState(io);
}

void TComTextIns::LoadState(ByteReader& state) {
  RecordIO io(state, ReadStateStamp(state));
  TransferState(io);
}

void TComTextIns::TransferState(RecordIO& io) {
  io.Str(window_, "text window");
  io.U8(wait_, "text wait");
  if (io.Since(100)) io.U8(blocks_, "text blocks");
}

void TComTextClr::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  if (MessagePort* messages = man.env().ports.messages)
    messages->ClearText(EvaluateStr(WindowName, man));
}

void TComEntryHist::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  if (HistoryPort* history = man.env().ports.history)
    history->RegisterHistoryFormat(EvaluateStr(ObjectName, man));
}

void TComCallHist::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  HistoryPort* history = man.env().ports.history;
  if (!history) return;
  const std::string window = EvaluateStr(WindowName, man);
  if (!history->IsMessageWindow(window)) return;
  const expr::TCustomParam* start_value = Evaluate(StartIndex, man);
  if (!start_value) return;
  const int32_t start = std::max(0, start_value->GetInt());
  const expr::TCustomParam* count_value = Evaluate(Count, man);
  int64_t count = count_value ? count_value->GetInt() : 1;
  const bool packed = IsTrue(Packed, man);
  const int64_t total = history->HistoryCount();
  if (total < int64_t{start} + count) count = total - start;
  if (count <= 0) return;
  history->ShowHistory(window, start, static_cast<int32_t>(count), packed);
}

void TComClrHist::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  if (HistoryPort* history = man.env().ports.history) history->ClearHistoryEntries();
}

void TComClrRead::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  if (HistoryPort* history = man.env().ports.history) history->ClearReadMarks();
}

}  // namespace vesk::script
