// Records of the commands that work on variables, properties, objects and
// the message history.
#include "script/commands.h"

namespace vesk::script {

void TComCalc::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  Expression.Transfer(io);
}

void TComVarNew::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  io.Str(VarName, "variable name");
  io.U8(TypeCode, "variable type");
  InitialValue.Transfer(io);
  io.U8(Scope, "variable scope");
}

void TComVarDel::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  io.Str(VarName, "variable name");
}

void TComGetProp::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  ObjectName.Transfer(io);
  PropertyId.Transfer(io);
  io.Str(VarName, "property variable name");
}

void TComSetProp::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  ObjectName.Transfer(io);
  PropertyId.Transfer(io);
  Value.Transfer(io);
}

void TComPropMotion::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  for (TVeskParser* e : {&MotionName, &TargetName, &PropertyId, &EndValue, &Duration, &Easing})
    e->Transfer(io);
  TransferExpressionSince(io, 108, Flag);
}

void TComObjDel::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  ObjectName.Transfer(io);
}

void TComMenuClose::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  ObjectName.Transfer(io);
}

void TComTextClr::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  WindowName.Transfer(io);
}

void TComEntryHist::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  ObjectName.Transfer(io);
}

void TComCallHist::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  for (TVeskParser* e : {&WindowName, &StartIndex, &Count, &Packed}) e->Transfer(io);
}

}  // namespace vesk::script
