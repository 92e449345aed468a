#pragma once
// "vesk-tool text export / import": a game's visible text to a gettext
// catalogue, and a translated catalogue to a patch that the player plays
// ahead of the game's own files.
#include <string>
#include <vector>

namespace vesk::tool {

std::string TextUsage();
int RunTextCommand(const std::vector<std::string>& args);

// The nearest Shift-JIS forms of common characters that have none (curly
// quotes, dashes, ellipsis, non-breaking space, accented Latin letters);
// other text is returned as it is. UTF-8 in and out.
std::string ReplaceForShiftJis(const std::string& utf8);

}  // namespace vesk::tool
