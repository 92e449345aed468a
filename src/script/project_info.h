#pragma once
// The leading fields of the project file "vesk.lpb": title, scene size,
// full-screen size, start page, registry key, image seed and the frame-loop
// options. The runtime shell needs these before anything else runs.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "expr/params.h"
#include "storage/folder_disk_list.h"

namespace vesk::script {

inline constexpr int32_t kMaxProjectVersion = 109;

struct ProjectInfo {
  int32_t version = 0;
  std::string title;  // CP932; "情報" until the file gives one
  int32_t screen_width = 0;
  int32_t screen_height = 0;
  int32_t full_width = 0;
  int32_t full_height = 0;
  std::string start_page;
  std::string registry_key;
  int32_t image_seed = 0;
  uint8_t save_status = 1;
  uint8_t sleep_between_frames = 1;
  std::string local_media_ext = "wav.wma.ogg";
};

enum class ProjectReadStatus { kOk, kEmpty, kTooNew, kTruncated };

struct ProjectReadResult {
  ProjectReadStatus status = ProjectReadStatus::kOk;
  ProjectInfo info;
  std::string error;  // what was cut short, for kTruncated
};

// Reads the fields up to the local media extensions with the version rules:
// SaveStatus from 104, SleepBetweenFrames from 106 (else 0), LocalMediaExt
// from 109 (else ".wav.wma.ogg.mid").
ProjectReadResult ReadProjectInfo(const std::vector<uint8_t>& file);

// One status variable definition of the project file: type code, name and
// the initial value of that type (other codes carry no value).
struct StatusDefinition {
  uint8_t type = 0;
  std::string name;
  int32_t i = 0;
  expr::Real r = 0;
  bool b = false;
  std::string s;
};

// The whole project file: the player takes the status variables and the
// folder-to-disk map from it, the tools read and write all of it. In the
// file the definitions are a counted list; a count the remaining bytes
// cannot hold is refused before anything is allocated.
struct ProjectFile {
  ProjectInfo info;
  std::string disk_prompt;
  std::string exit_prompt;
  std::vector<StatusDefinition> status;
  storage::TFolderDiskList disk_map;
};

// Throws ETruncated on a cut file; a version above 109 gives only the version.
ProjectFile ReadProjectFile(const std::vector<uint8_t>& bytes);
// Writes the fields the version has, in the order the reader takes them.
std::vector<uint8_t> WriteProjectFile(const ProjectFile& project);

}  // namespace vesk::script
