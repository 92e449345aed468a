// Records of the commands that work on variables, properties, objects and
// the message history.
#include "script/commands.h"

namespace vesk::script {

void TComCalc::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  Expression.LoadFromStream(in);
}
void TComCalc::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  Expression.SaveToStream(out);
}

void TComVarNew::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  VarName = in.Str("variable name");
  TypeCode = in.U8("variable type");
  InitialValue.LoadFromStream(in);
  Scope = in.U8("variable scope");
}
void TComVarNew::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  out.Str(VarName);
  out.U8(TypeCode);
  InitialValue.SaveToStream(out);
  out.U8(Scope);
}

void TComVarDel::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  VarName = in.Str("variable name");
}
void TComVarDel::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  out.Str(VarName);
}

void TComGetProp::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  ObjectName.LoadFromStream(in);
  PropertyId.LoadFromStream(in);
  VarName = in.Str("property variable name");
}
void TComGetProp::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  ObjectName.SaveToStream(out);
  PropertyId.SaveToStream(out);
  out.Str(VarName);
}

void TComSetProp::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  ObjectName.LoadFromStream(in);
  PropertyId.LoadFromStream(in);
  Value.LoadFromStream(in);
}
void TComSetProp::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  ObjectName.SaveToStream(out);
  PropertyId.SaveToStream(out);
  Value.SaveToStream(out);
}

void TComPropMotion::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  MotionName.LoadFromStream(in);
  TargetName.LoadFromStream(in);
  PropertyId.LoadFromStream(in);
  EndValue.LoadFromStream(in);
  Duration.LoadFromStream(in);
  Easing.LoadFromStream(in);
  Flag = TVeskParser();
  if (v > 107) Flag.LoadFromStream(in);
}
void TComPropMotion::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  MotionName.SaveToStream(out);
  TargetName.SaveToStream(out);
  PropertyId.SaveToStream(out);
  EndValue.SaveToStream(out);
  Duration.SaveToStream(out);
  Easing.SaveToStream(out);
  if (v > 107) Flag.SaveToStream(out);
}

void TComObjDel::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  ObjectName.LoadFromStream(in);
}
void TComObjDel::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  ObjectName.SaveToStream(out);
}

void TComMenuClose::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  ObjectName.LoadFromStream(in);
}
void TComMenuClose::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  ObjectName.SaveToStream(out);
}

void TComTextClr::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  WindowName.LoadFromStream(in);
}
void TComTextClr::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  WindowName.SaveToStream(out);
}

void TComEntryHist::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  ObjectName.LoadFromStream(in);
}
void TComEntryHist::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  ObjectName.SaveToStream(out);
}

void TComCallHist::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  WindowName.LoadFromStream(in);
  StartIndex.LoadFromStream(in);
  Count.LoadFromStream(in);
  Packed.LoadFromStream(in);
}
void TComCallHist::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  WindowName.SaveToStream(out);
  StartIndex.SaveToStream(out);
  Count.SaveToStream(out);
  Packed.SaveToStream(out);
}

}  // namespace vesk::script
