#pragma once
// Runs one of our programs the way a user's shell does and collects what it
// said, for the tests that check command-line behaviour.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vesk::test_support {

inline std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::string Quote(const std::filesystem::path& p) {
  return "'" + p.string() + "'";
}

struct RunResult {
  int status = -1;
  std::string out, err;
};

// `env_prefix` goes before the program (variable assignments, `timeout`).
// Standard output and error pass through files beside `scratch`.
inline RunResult RunProgram(const std::string& program, const std::string& args,
                            const std::filesystem::path& scratch,
                            const std::string& env_prefix = "") {
  const std::filesystem::path out = scratch.string() + ".stdout",
                              err = scratch.string() + ".stderr";
  const std::string cmd = env_prefix + " " + Quote(program) + " " + args + " > " + Quote(out) +
                          " 2> " + Quote(err) + " < /dev/null";
  const int rc = std::system(cmd.c_str());
  RunResult r{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, Slurp(out), Slurp(err)};
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return r;
}

}  // namespace vesk::test_support
