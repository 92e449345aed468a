// Records of the flip, text insertion and media commands. Their event
// blocking came with page version 107 and the flip's mask with 101.
#include "script/commands.h"

namespace vesk::script {

void TComFlip::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  Kind.LoadFromStream(in);
  Duration.LoadFromStream(in);
  Reverse.LoadFromStream(in);
  Placement.LoadFromStream(in);
  LoadExpressionList(in, NameLists, "flip name list count");
  ClearBack.LoadFromStream(in);
  Param1.LoadFromStream(in);
  Param2.LoadFromStream(in);
  MaskSource = TVeskParser();
  if (v > 100) MaskSource.LoadFromStream(in);
  BlockEvents = TVeskParser();
  if (v > 106) BlockEvents.LoadFromStream(in);
}
void TComFlip::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  Kind.SaveToStream(out);
  Duration.SaveToStream(out);
  Reverse.SaveToStream(out);
  Placement.SaveToStream(out);
  SaveExpressionList(out, NameLists);
  ClearBack.SaveToStream(out);
  Param1.SaveToStream(out);
  Param2.SaveToStream(out);
  if (v > 100) MaskSource.SaveToStream(out);
  if (v > 106) BlockEvents.SaveToStream(out);
}

void TComTextIns::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  const int32_t n = in.I32("text data size");
  TextData.clear();
  if (n > 0) {
    const uint8_t* p = in.Bytes(static_cast<size_t>(n), "text data");
    TextData.assign(p, p + n);
  }
  WindowName.LoadFromStream(in);
  Record.LoadFromStream(in);
  Wait.LoadFromStream(in);
  BlockEvents = TVeskParser();
  if (v > 106) BlockEvents.LoadFromStream(in);
}
void TComTextIns::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  out.I32(static_cast<int32_t>(TextData.size()));
  for (uint8_t b : TextData) out.U8(b);
  WindowName.SaveToStream(out);
  Record.SaveToStream(out);
  Wait.SaveToStream(out);
  if (v > 106) BlockEvents.SaveToStream(out);
}

void TComMovieStop::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  ObjectName.LoadFromStream(in);
  FadeTime.LoadFromStream(in);
  Wait.LoadFromStream(in);
  BlockEvents = TVeskParser();
  if (v > 106) BlockEvents.LoadFromStream(in);
}
void TComMovieStop::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  ObjectName.SaveToStream(out);
  FadeTime.SaveToStream(out);
  Wait.SaveToStream(out);
  if (v > 106) BlockEvents.SaveToStream(out);
}

void TComMediaPlay::LoadFromStream(ByteReader& in, int32_t v) {
  TCommand::LoadFromStream(in, v);
  ObjectName.LoadFromStream(in);
}
void TComMediaPlay::SaveToStream(ByteWriter& out, int32_t v) const {
  TCommand::SaveToStream(out, v);
  ObjectName.SaveToStream(out);
}

}  // namespace vesk::script
