#include <string>
#include <vector>

#include "app/player.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return vesk::app::RunPlayer(args);
}
