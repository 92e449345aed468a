// Records of the flip, text insertion and media commands (their event
// blocking came with page version 107 and the flip's mask with 101), and
// the running of the media commands.
#include "script/callman.h"
#include "script/command_eval.h"
#include "script/commands.h"
#include "script/media_port.h"

namespace vesk::script {

void TComFlip::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  for (TVeskParser* e : {&Kind, &Duration, &Reverse, &Placement}) e->Transfer(io);
  TransferExpressionList(io, NameLists, "flip name list count");
  for (TVeskParser* e : {&ClearBack, &Param1, &Param2}) e->Transfer(io);
  TransferExpressionSince(io, 101, MaskSource);
  TransferExpressionSince(io, 107, BlockEvents);
}

void TComTextIns::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  io.Blob(TextData, "text data size", "text data");
  for (TVeskParser* e : {&WindowName, &Record, &Wait}) e->Transfer(io);
  TransferExpressionSince(io, 107, BlockEvents);
}

void TComMovieStop::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  for (TVeskParser* e : {&ObjectName, &FadeTime, &Wait}) e->Transfer(io);
  TransferExpressionSince(io, 107, BlockEvents);
}

void TComMediaPlay::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  ObjectName.Transfer(io);
}

void TComMediaPlay::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  MediaPort* media = man.env().ports.media;
  const std::string name = EvaluateStr(ObjectName, man);
  if (media && !name.empty()) media->Play(name);
}

void TComMovieStop::Start(TCallMan& man) {
  blocks_ = IsTrue(BlockEvents, man) ? 1 : 0;
  waiting_ = 0;
  target_.clear();
  const std::string name = EvaluateStr(ObjectName, man);
  MediaPort* media = man.env().ports.media;
  if (name.empty() || !media || !man.ObjectExists(name)) return;
  const expr::TCustomParam* fade = Evaluate(FadeTime, man);
  target_ = media->Stop(name, fade ? fade->GetInt() : 0,
                        [&man](const std::string& file) { return man.FileAvailable(file); });
  if (const expr::TCustomParam* wait = Evaluate(Wait, man)) waiting_ = wait->GetFlag() ? 1 : 0;
}

void TComMovieStop::Execute(TCallMan& man, TPage*&, int32_t& index) {
  if (!target_.empty() && waiting_ && man.ObjectExists(target_)) {
    man.RunOnFlag = 0;  // still fading out: the frame ends
    return;
  }
  ++index;
}

// The state is stamped "vesk" + three digits; unstamped state has no event
// blocking.
constexpr int32_t kMediaStateVersion = 100;

void TComMovieStop::SaveState(std::unique_ptr<ByteWriter>& state) {
  if (!state) state = std::make_unique<ByteWriter>();
  WriteStateStamp(*state, kMediaStateVersion);
  RecordIO io(*state, kMediaStateVersion);
  TransferState(io);
}

void TComMovieStop::LoadState(ByteReader& state) {
  RecordIO io(state, ReadStateStamp(state));
  TransferState(io);
}

void TComMovieStop::TransferState(RecordIO& io) {
  io.Str(target_, "stop target");
  io.U8(waiting_, "stop waiting");
  if (io.Since(100)) io.U8(blocks_, "stop blocks");
}

}  // namespace vesk::script
