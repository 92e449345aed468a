#pragma once
// "vesk-tool bundle": appends a game archive to the player program, making
// one executable that plays the game when started without arguments.
#include <string>
#include <vector>

namespace vesk::tool {

// The usage lines of the bundle command.
std::string BundleUsage();

// Runs "vesk-tool bundle PLAYER ARCHIVE OUT" (ARGS without the word
// "bundle"): 0 on success, 1 on failure, 2 for a bad command line.
int RunBundleCommand(const std::vector<std::string>& args);

}  // namespace vesk::tool
