#pragma once
// "game.ini" beside the executable: section Sound, keys DirectSound and
// DelayTime. Reading applies the player's clamping; writing keeps every other
// line of the file and replaces it atomically.
#include <string>

#include "core/runtime_context.h"

namespace vesk::app {

inline constexpr const char* kGameIniName = "game.ini";

// The values as stored in the file (DirectSound default true, DelayTime
// default 500), without clamping: what the settings dialog starts from.
SoundSettings ReadGameIniRaw(const std::string& path);

// The values the game runs with: DelayTime truncated toward zero to a
// multiple of 100, then clamped to 100..500. An absent file gives defaults.
SoundSettings ReadGameIni(const std::string& path);
int32_t ClampDelayMs(int32_t stored_ms);

// Writes both keys into section Sound, keeping the rest of the file.
bool WriteGameIni(const std::string& path, const SoundSettings& settings);

// The INI text operations, exposed for tests.
std::string IniRead(const std::string& text, const std::string& section, const std::string& key,
                    const std::string& fallback);
std::string IniWrite(const std::string& text, const std::string& section, const std::string& key,
                     const std::string& value);

}  // namespace vesk::app
