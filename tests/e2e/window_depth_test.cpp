// The player in a real window on desktops of other depths, under a private
// virtual X server (the test is skipped where there is none).
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "e2e/game_dir_test.h"
#include "support/png_read.h"

namespace vesk::e2e {
namespace {

// An Xvfb of the given depth on a display it picks itself (-displayfd), so
// tests running side by side never share one.
class DepthDisplay {
 public:
  explicit DepthDisplay(int depth) {
    if (std::system("command -v Xvfb > /dev/null 2>&1") != 0) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]), screen = "800x600x" + std::to_string(depth);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
             "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (pid_ > 0 && poll(&p, 1, 20000) > 0) {
      char c = 0;
      if (read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    close(fds[0]);
    name_ = number.empty() ? "" : ":" + number;
  }
  ~DepthDisplay() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  bool up() const { return !name_.empty(); }
  // Leak checking is off as in the other window tests: the X11 and GL
  // modules SDL loads keep what cannot be attributed.
  std::string Env() const {
    return "timeout 60 env DISPLAY=" + name_ + " SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0";
  }

 private:
  std::string name_;
  pid_t pid_ = -1;
};

class WindowDepth : public GameDirTest {
 protected:
  // A box of colour (200,100,50) on black, shot from a real window after
  // some frames; the colour as the screenshot holds it.
  int64_t BoxColourOn(const DepthDisplay& x) {
    WriteSource("project.vproj", "title \"Depth\"\nscreen 64 48\nstart \"start.lsb\"\n");
    WriteSource("start.vsc",
                "BoxNew Name: \"b\" Left: 8 Top: 8 Width: 20 Height: 10 Color: 0x3264C8\n");
    test_support::RunResult c = Compile();
    EXPECT_EQ(c.status, 0) << c.err;
    const std::filesystem::path shot = dir_ / "shot.png";
    test_support::RunResult r = test_support::RunProgram(
        VESK_PLAYER_PATH, "--no-logo --frames 20 --screenshot " + Q(shot) + " " + Q(dir_ / "game"),
        dir_ / "player", x.Env());
    EXPECT_EQ(r.status, 0) << r.err;
    return test_support::PngPixel(shot, 12, 12);
  }
};

TEST_F(WindowDepth, A15BitDesktopGivesSurfacesWithFiveBitsForEachColour) {
  DepthDisplay x(15);
  if (!x.up()) GTEST_SKIP() << "no X server for the window test";
  // 200, 100, 50 cut to five bits each and widened again for the picture;
  // a 5-6-5 surface would keep green as 101.
  EXPECT_EQ(BoxColourOn(x), 0xCE6331);
}

TEST_F(WindowDepth, A24BitDesktopKeepsEveryBit) {
  DepthDisplay x(24);
  if (!x.up()) GTEST_SKIP() << "no X server for the window test";
  EXPECT_EQ(BoxColourOn(x), 0xC86432);
}

}  // namespace
}  // namespace vesk::e2e
