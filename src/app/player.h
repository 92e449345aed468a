#pragma once
// Program entry: the steps from the command line to the end of the game.
#include <string>
#include <vector>

namespace vesk::app {

// Exit status: 0 when the game ended or the frame limit was reached (and for
// a start from a CD, which ends silently); 1 when the game could not start;
// 2 for a bad command line; 3 when another instance plays the same game.
int RunPlayer(const std::vector<std::string>& args);

}  // namespace vesk::app
