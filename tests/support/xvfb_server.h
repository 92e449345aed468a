#pragma once
// A private virtual X server for the window tests. It picks a free display
// itself (-displayfd) and says which once it is ready, so window tests
// running side by side never share one. Not up where Xvfb is missing.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace vesk::test_support {

class XvfbServer {
 public:
  // `screen` as Xvfb takes it, e.g. "800x600x15".
  explicit XvfbServer(const std::string& screen) {
    if (std::system("command -v Xvfb > /dev/null 2>&1") != 0) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
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
    display_ = number.empty() ? "" : ":" + number;
  }
  ~XvfbServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  bool up() const { return !display_.empty(); }
  const std::string& display() const { return display_; }
  // The environment for a player in a window there. Leak checking is off
  // for windowed runs only: the X11 and GL driver modules SDL loads are
  // unloaded again before exit, and what they keep cannot be attributed
  // (every headless run is still checked).
  std::string Env() const {
    return "timeout 60 env DISPLAY=" + display_ +
           " SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0";
  }

 private:
  std::string display_;
  pid_t pid_ = -1;
};

}  // namespace vesk::test_support
