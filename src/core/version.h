#pragma once
// The release both programs report, from the project's version in CMake,
// and the version of the saved games they write.
#include <cstdint>

namespace vesk {

inline constexpr const char* kVersion = VESK_VERSION;

// The saved-game version this player writes: its records carry every field
// the loaders know.
inline constexpr int32_t kSaveVersion = 129;

}  // namespace vesk
