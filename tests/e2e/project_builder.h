#pragma once
// Writes minimal game folders for end-to-end runs of the player.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "support/record_builder.h"

namespace vesk::e2e {

inline constexpr const char* kStartPage = "start.lsb";
// Until pages run, any bytes stand in for the start page: the project only
// checks that it exists.
inline const std::vector<uint8_t> kStartPageBytes = {'p', 'a', 'g', 'e'};

inline std::vector<uint8_t> ProjectFile(int32_t version, const std::string& title_cp932, int32_t w,
                                        int32_t h, uint8_t sleep_between_frames = 1) {
  test_support::RecordBytes p;
  p.I32(version)
      .Str(title_cp932)
      .I32(w)
      .I32(h)
      .I32(w)
      .I32(h)
      .Str(kStartPage)
      .Str("VeskTest")
      .I32(0);
  p.U8(1);                     // save status
  p.U8(sleep_between_frames);  // sleep between frames
  p.Str(".wav.");
  p.Str("");  // disk prompt
  p.Str("");  // exit prompt
  p.I32(0);   // no status variables
  p.I32(0);   // empty disk map
  return p.b;
}

inline void WriteGame(const std::filesystem::path& folder, int32_t w, int32_t h,
                      const std::string& title = "E2E") {
  std::filesystem::create_directories(folder);
  auto data = ProjectFile(109, title, w, h);
  platform::WriteFileAtomic((folder / "vesk.lpb").string(), data.data(), data.size());
  platform::WriteFileAtomic((folder / kStartPage).string(), kStartPageBytes.data(),
                            kStartPageBytes.size());
}

}  // namespace vesk::e2e
