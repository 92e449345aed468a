#include "app/save_sections.h"

#include "app/data_path.h"
#include "components/message_history.h"
#include "components/orlo_collection.h"
#include "core/record_io.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "scene/baselist.h"

namespace vesk::app {

void SceneSection::SaveSection(ByteWriter& out, int32_t version) {
  SaveRecord(root_, out, version);
}

void SceneSection::LoadSection(ByteReader& in, int32_t version) {
  LoadRecord(root_, in, version);
}

void HistorySection::SaveSection(ByteWriter& out, int32_t) {
  history_.Write(out);
}

void HistorySection::LoadSection(ByteReader& in, int32_t version) {
  history_.Read(in, version);
}

void ReadMarksSection::SaveSection(ByteWriter& out, int32_t) {
  marks_.Write(out);
}

void ReadMarksSection::LoadSection(ByteReader& in, int32_t) {
  marks_.Read(in);
}

void DitherSection::SaveSection(ByteWriter& out, int32_t) {
  out.U8(pictures_.Dither() ? 1 : 0);
}

void DitherSection::LoadSection(ByteReader& in, int32_t) {
  pictures_.SetDither(in.U8("dither switch") != 0);
}

script::SaveLocation SaveLocationFor(const std::string& data_dir_utf8) {
  std::string user_dir;
  if (const std::string base = platform::UserDataDirectory(); !base.empty()) {
    const std::string game =
        platform::Cp932ToUtf8(MakeLockName(platform::Utf8ToCp932(data_dir_utf8)));
    user_dir = platform::JoinPath(platform::JoinPath(base, "vesk-player"), game);
  }
  return script::ChooseSaveLocation(data_dir_utf8, user_dir);
}

}  // namespace vesk::app
