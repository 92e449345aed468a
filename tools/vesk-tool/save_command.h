#pragma once
// "vesk-tool save": lists and shows what a player's save file ("save.dat")
// holds: the saved games and the status data, section by section.
#include <string>
#include <vector>

namespace vesk::tool {

// The usage lines of the save subcommands.
std::string SaveUsage();

// Runs "vesk-tool save ARGS..." (ARGS without the word "save"): 0 when
// everything could be read, 1 when the file or an entry is damaged (what
// can be read is still shown), 2 for a bad command line or a missing file.
int RunSaveCommand(const std::vector<std::string>& args);

}  // namespace vesk::tool
