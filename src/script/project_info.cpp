#include "script/project_info.h"

#include "core/byte_reader.h"

namespace vesk::script {

ProjectReadResult ReadProjectInfo(const std::vector<uint8_t>& file) {
  ProjectReadResult r;
  if (file.empty()) {
    r.status = ProjectReadStatus::kEmpty;
    return r;
  }
  ByteReader in(file.data(), file.size());
  try {
    ReadLeadingFields(in, r.info);
    if (r.info.version > kMaxProjectVersion) r.status = ProjectReadStatus::kTooNew;
  } catch (const ETruncated& e) {
    r.status = ProjectReadStatus::kTruncated;
    r.error = e.what();
  }
  return r;
}

void ReadLeadingFields(ByteReader& in, ProjectInfo& p) {
  p.title = "\x8F\xEE\x95\xF1";  // the default title in CP932
  p.version = in.I32("project version");
  if (p.version > kMaxProjectVersion) return;
  p.title = in.Str("title");
  p.screen_width = in.I32("screen width");
  p.screen_height = in.I32("screen height");
  p.full_width = in.I32("full-screen width");
  p.full_height = in.I32("full-screen height");
  p.start_page = in.Str("start page");
  p.registry_key = in.Str("registry key");
  p.image_seed = in.I32("image seed");
  if (p.version >= 104) p.save_status = in.U8("save-status flag");
  p.sleep_between_frames = p.version >= 106 ? in.U8("sleep flag") : 0;
  p.local_media_ext = p.version >= 109 ? in.Str("local media extensions") : ".wav.wma.ogg.mid";
}

}  // namespace vesk::script
