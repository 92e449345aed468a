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

std::vector<StatusDefinition> ReadStatusDefinitions(ByteReader& in) {
  const int32_t n = in.I32("status variable count");
  // Each definition takes at least its type byte and name length.
  if (n < 0 || static_cast<size_t>(n) > in.remaining() / 5) throw ETruncated("status variable count out of range");
  std::vector<StatusDefinition> list;
  for (int32_t k = 0; k < n; ++k) {
    StatusDefinition d;
    d.type = in.U8("status variable type");
    d.name = in.Str("status variable name");
    switch (d.type) {
      case lang::PT_INT: d.i = in.I32("status variable value"); break;
      case lang::PT_FLOAT: d.r = expr::LoadExtended(in.Bytes(10, "status variable value")); break;
      case lang::PT_BOOL: d.b = in.U8("status variable value") != 0; break;
      case lang::PT_STR: d.s = in.Str("status variable value"); break;
      default: break;
    }
    list.push_back(std::move(d));
  }
  return list;
}

ProjectFile ReadProjectFile(const std::vector<uint8_t>& bytes) {
  ProjectFile p;
  ByteReader in(bytes.data(), bytes.size());
  ReadLeadingFields(in, p.info);
  if (p.info.version > kMaxProjectVersion) return p;
  p.disk_prompt = in.Str("disk prompt");
  p.exit_prompt = in.Str("exit prompt");
  p.status = ReadStatusDefinitions(in);
  p.disk_map.LoadFromStream(in);
  return p;
}

std::vector<uint8_t> WriteProjectFile(const ProjectFile& project) {
  const ProjectInfo& p = project.info;
  expr::ByteWriter out;
  out.I32(p.version);
  out.Str(p.title);
  out.I32(p.screen_width);
  out.I32(p.screen_height);
  out.I32(p.full_width);
  out.I32(p.full_height);
  out.Str(p.start_page);
  out.Str(p.registry_key);
  out.I32(p.image_seed);
  if (p.version >= 104) out.U8(p.save_status);
  if (p.version >= 106) out.U8(p.sleep_between_frames);
  if (p.version >= 109) out.Str(p.local_media_ext);
  out.Str(project.disk_prompt);
  out.Str(project.exit_prompt);
  out.I32(static_cast<int32_t>(project.status.size()));
  for (const StatusDefinition& d : project.status) {
    out.U8(d.type);
    out.Str(d.name);
    switch (d.type) {
      case lang::PT_INT: out.I32(d.i); break;
      case lang::PT_FLOAT: out.Ext(d.r); break;
      case lang::PT_BOOL: out.U8(d.b ? 1 : 0); break;
      case lang::PT_STR: out.Str(d.s); break;
      default: break;
    }
  }
  project.disk_map.AppendTo(out.bytes());
  return std::move(out.bytes());
}

}  // namespace vesk::script
