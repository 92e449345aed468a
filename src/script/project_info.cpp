#include "script/project_info.h"

#include "core/byte_reader.h"
#include "core/record_io.h"

namespace vesk::script {

namespace {

// The fields after the version, which the version lays out.
void TransferLeadingFields(RecordIO& io, ProjectInfo& p) {
  io.Str(p.title, "title");
  io.I32(p.screen_width, "screen width");
  io.I32(p.screen_height, "screen height");
  io.I32(p.full_width, "full-screen width");
  io.I32(p.full_height, "full-screen height");
  io.Str(p.start_page, "start page");
  io.Str(p.registry_key, "registry key");
  io.I32(p.image_seed, "image seed");
  if (io.Since(104)) io.U8(p.save_status, "save-status flag");
  if (io.Since(106))
    io.U8(p.sleep_between_frames, "sleep flag");
  else
    io.Absent(p.sleep_between_frames, 0);
  if (io.Since(109))
    io.Str(p.local_media_ext, "local media extensions");
  else
    io.Absent(p.local_media_ext, ".wav.wma.ogg.mid");
}

void TransferStatusDefinition(RecordIO& io, StatusDefinition& d) {
  io.U8(d.type, "status variable type");
  io.Str(d.name, "status variable name");
  switch (d.type) {
    case lang::PT_INT:
      io.I32(d.i, "status variable value");
      break;
    case lang::PT_FLOAT:
      io.Ext(d.r, "status variable value");
      break;
    case lang::PT_BOOL:
      io.Bool8(d.b, "status variable value");
      break;
    case lang::PT_STR:
      io.Str(d.s, "status variable value");
      break;
    default:
      break;
  }
}

void TransferStatusDefinitions(RecordIO& io, std::vector<StatusDefinition>& list) {
  // Each definition takes at least its type byte and name length.
  io.List(list, 5, "status variable count",
          [&](StatusDefinition& d) { TransferStatusDefinition(io, d); });
}

// What follows the leading fields. The folder-to-disk map keeps its own
// reader and writer (storage/folder_disk_list.h).
void TransferRest(RecordIO& io, ProjectFile& p) {
  io.Str(p.disk_prompt, "disk prompt");
  io.Str(p.exit_prompt, "exit prompt");
  TransferStatusDefinitions(io, p.status);
  if (io.loading())
    p.disk_map.LoadFromStream(io.reader());
  else
    p.disk_map.AppendTo(io.writer().bytes());
}

// The leading fields (version first); throws ETruncated. Stops after the
// version when it is above the newest this player reads.
void ReadLeadingFields(ByteReader& in, ProjectInfo& p) {
  p.title = "\x8F\xEE\x95\xF1";  // the default title in CP932
  p.version = in.I32("project version");
  if (p.version > kMaxProjectVersion) return;
  RecordIO io(in, p.version);
  TransferLeadingFields(io, p);
}

}  // namespace

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

ProjectFile ReadProjectFile(const std::vector<uint8_t>& bytes) {
  ProjectFile p;
  ByteReader in(bytes.data(), bytes.size());
  ReadLeadingFields(in, p.info);
  if (p.info.version > kMaxProjectVersion) return p;
  RecordIO io(in, p.info.version);
  TransferRest(io, p);
  return p;
}

std::vector<uint8_t> WriteProjectFile(const ProjectFile& project) {
  ByteWriter out;
  out.I32(project.info.version);
  RecordIO io(out, project.info.version);
  // Saving only reads the fields.
  ProjectFile& p = const_cast<ProjectFile&>(project);
  TransferLeadingFields(io, p.info);
  TransferRest(io, p);
  return std::move(out.bytes());
}

}  // namespace vesk::script
