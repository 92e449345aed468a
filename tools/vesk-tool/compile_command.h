#pragma once
// "vesk-tool compile" and "vesk-tool decompile": script sources to the page
// and project files the player reads, and back.
#include <string>
#include <vector>

namespace vesk::tool {

std::string CompileUsage();

// "compile SRC-DIR OUT-DIR [--archive OUT.dat] [--werror]": 0 on success,
// 1 when a source has errors (each printed as FILE:LINE:COLUMN: message) or,
// with --werror, warnings (FILE:LINE:COLUMN: warning: message), 2 for a bad
// command line.
int RunCompileCommand(const std::vector<std::string>& args);
// "decompile FILE": the script text on standard output.
int RunDecompileCommand(const std::vector<std::string>& args);

}  // namespace vesk::tool
