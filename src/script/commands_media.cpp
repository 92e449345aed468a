// Records of the flip, text insertion and media commands. Their event
// blocking came with page version 107 and the flip's mask with 101.
#include "script/commands.h"

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

}  // namespace vesk::script
