#pragma once
// "vesk-tool archive": packs a folder into a game archive, unpacks, lists and
// verifies archives.
#include <string>
#include <vector>

namespace vesk::tool {

// The usage lines of the archive subcommands.
std::string ArchiveUsage();

// Runs "vesk-tool archive ARGS..." (ARGS without the word "archive"):
// 0 on success, 1 when something failed or was damaged or skipped, 2 for a
// bad command line.
int RunArchiveCommand(const std::vector<std::string>& args);

}  // namespace vesk::tool
