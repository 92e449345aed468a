#include "platform/shell.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vesk::platform {

bool OpenUrl(const std::string& url_utf8) {
  if (url_utf8.empty()) return false;
  // xdg-open may keep running while the browser starts; spawn it and reap it
  // from a detached grandchild so no zombie stays behind.
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    pid_t grandchild = 0;
    const char* argv[] = {"xdg-open", url_utf8.c_str(), nullptr};
    int rc =
        posix_spawnp(&grandchild, "xdg-open", nullptr, nullptr, const_cast<char**>(argv), environ);
    _exit(rc == 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace vesk::platform
