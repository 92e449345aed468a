#pragma once
// The release both programs report, from the project's version in CMake.
namespace vesk {

inline constexpr const char* kVersion = VESK_VERSION;

}  // namespace vesk
