#pragma once
// Playing a translation patch: `--patch PATCH` mounts a folder or an
// archive in front of the game's files. Its `vesk-patch.ini` (UTF-8) names
// the game it was made for and, optionally, how Latin text wraps:
//   [patch]
//   format=1
//   game=<the project's title>
//   title=<the title it gives the game, when it translates that too>
//   [text]
//   wrap=words        ; or chars, the default
#include <string>

namespace vesk::storage {
class TVrFileManager;
}

namespace vesk::app {

inline constexpr const char* kPatchIniName = "vesk-patch.ini";

enum class TextWrap { kChars, kWords };

struct PatchSettings {
  std::string game_utf8;   // [patch] game=: the title it was made for
  std::string title_utf8;  // [patch] title=: the title it gives the game, if it translates it
  TextWrap wrap = TextWrap::kChars;
};

// Reads the text of a vesk-patch.ini; unknown keys and sections are left
// alone, a wrap value other than "chars" or "words" is an error.
bool ParsePatchIni(const std::string& text, PatchSettings* out, std::string* error);

// Mounts the patch; false with *error naming the path when it is missing,
// is no folder or archive, or holds no vesk-patch.ini.
bool MountPatch(storage::TVrFileManager& files, const std::string& patch_path,
                PatchSettings* settings, std::string* error);

// The warning for a patch made for another game, or "" when the titles agree.
std::string PatchGameMismatch(const PatchSettings& patch, const std::string& title_cp932);

// The wrap setting of the game's files (a patch's vesk-patch.ini, or one the
// game ships); chars when there is none or it cannot be read.
TextWrap TextWrapOfGame(storage::TVrFileManager& files);

}  // namespace vesk::app
