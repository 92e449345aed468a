#include "app/patch_mount.h"

#include "platform/cp932.h"
#include "storage/vrfiles.h"

namespace vesk::app {
namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// The value without a trailing "; comment".
std::string ValueOf(const std::string& raw) {
  const auto semi = raw.find(';');
  return Trim(semi == std::string::npos ? raw : raw.substr(0, semi));
}

}  // namespace

bool ParsePatchIni(const std::string& text, PatchSettings* out, std::string* error) {
  PatchSettings s;
  std::string section;
  size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  for (int line_no = 1; start <= text.size(); ++line_no) {
    auto end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      section = Trim(line.substr(1, line.size() - 2));
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, eq));
    if (section == "patch" && key == "game") s.game_utf8 = Trim(line.substr(eq + 1));
    if (section == "patch" && key == "title") s.title_utf8 = Trim(line.substr(eq + 1));
    if (section == "text" && key == "wrap") {
      const std::string v = ValueOf(line.substr(eq + 1));
      if (v == "words") {
        s.wrap = TextWrap::kWords;
      } else if (v == "chars") {
        s.wrap = TextWrap::kChars;
      } else {
        *error = std::string(kPatchIniName) + ":" + std::to_string(line_no) +
                 ": wrap takes chars or words, not '" + v + "'";
        return false;
      }
    }
  }
  *out = std::move(s);
  return true;
}

bool MountPatch(storage::TVrFileManager& files, const std::string& patch_path,
                PatchSettings* settings, std::string* error) {
  try {
    files.AddPatch(patch_path);
  } catch (const storage::EArchiveError& e) {
    *error = e.what();
    return false;
  }
  if (!files.Patch()->Holds(kPatchIniName)) {
    *error = patch_path + ": not a patch (it holds no " + kPatchIniName + ")";
    return false;
  }
  std::string why;
  try {
    const std::vector<uint8_t> bytes = files.ReadFileBytes(kPatchIniName);
    if (ParsePatchIni(std::string(bytes.begin(), bytes.end()), settings, &why)) return true;
  } catch (const std::exception& e) {
    why = e.what();
  }
  *error = patch_path + ": " + why;
  return false;
}

std::string PatchGameMismatch(const PatchSettings& patch, const std::string& title_cp932) {
  const std::string title = platform::Cp932ToUtf8(title_cp932);
  if (patch.game_utf8.empty() || patch.game_utf8 == title) return {};
  // A patch that translates the title is read for it: the game then bears
  // the patch's title.
  if (!patch.title_utf8.empty() && patch.title_utf8 == title) return {};
  return "the patch was made for \"" + patch.game_utf8 + "\", this game is \"" + title +
         "\"; playing it anyway";
}

TextWrap TextWrapOfGame(storage::TVrFileManager& files) {
  if (!files.Exists(kPatchIniName)) return TextWrap::kChars;
  PatchSettings s;
  std::string why;
  try {
    const std::vector<uint8_t> bytes = files.ReadFileBytes(kPatchIniName);
    if (ParsePatchIni(std::string(bytes.begin(), bytes.end()), &s, &why)) return s.wrap;
  } catch (const std::exception&) {
  }
  return TextWrap::kChars;
}

}  // namespace vesk::app
