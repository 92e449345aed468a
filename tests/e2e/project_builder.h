#pragma once
// Writes minimal game folders for end-to-end runs of the player.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"

namespace vesk::e2e {

inline constexpr const char* kStartPage = "start.lsb";
// Until pages run, any bytes stand in for the start page: the project only
// checks that it exists.
inline const std::vector<uint8_t> kStartPageBytes = {'p', 'a', 'g', 'e'};

inline std::vector<uint8_t> ProjectFile(int32_t version, const std::string& title_cp932, int32_t w,
                                        int32_t h, uint8_t sleep_between_frames = 1) {
  std::vector<uint8_t> b;
  auto i32 = [&](int32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(uint32_t(v) >> (8 * i)));
  };
  auto str = [&](const std::string& s) {
    i32(static_cast<int32_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
  };
  i32(version);
  str(title_cp932);
  i32(w);
  i32(h);
  i32(w);
  i32(h);
  str(kStartPage);
  str("VeskTest");
  i32(0);
  b.push_back(1);                     // save status
  b.push_back(sleep_between_frames);  // sleep between frames
  str(".wav.");
  str("");  // disk prompt
  str("");  // exit prompt
  i32(0);   // no status variables
  i32(0);   // empty disk map
  return b;
}

inline void WriteGame(const std::filesystem::path& folder, int32_t w, int32_t h,
                      const std::string& title = "E2E") {
  std::filesystem::create_directories(folder);
  auto data = ProjectFile(109, title, w, h);
  platform::WriteFileAtomic((folder / "vesk.lpb").string(), data.data(), data.size());
  platform::WriteFileAtomic((folder / kStartPage).string(), kStartPageBytes.data(), kStartPageBytes.size());
}

}  // namespace vesk::e2e
