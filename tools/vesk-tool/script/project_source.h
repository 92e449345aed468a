#pragma once
// The project descriptor (project.vproj) <-> the project file (vesk.lpb).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/project_info.h"
#include "vesk-tool/script/lexer.h"

namespace vesk::tool::script {

// A compiled project descriptor and what the driver needs to warn about it.
struct ProjectSource {
  vesk::script::ProjectFile project;
  // Where the start page is named; 0 when the default is taken.
  int start_line = 0;
  int start_column = 0;
  std::vector<CompileWarning> warnings;  // status names given twice
};

// Compiles project.vproj (a UTF-8 byte-order mark at its start is skipped).
// A status name the player refuses is an error. Throws CompileError.
ProjectSource CompileProjectSource(std::string_view source);
vesk::script::ProjectFile CompileProject(std::string_view source);
// Text that CompileProject turns back into the same file.
std::string DecompileProject(const vesk::script::ProjectFile& project);
// The text of a stored project file, checked by compiling it back: throws
// std::runtime_error when the file cannot be read or no text reproduces it
// (a status name the player refuses, bytes after the end...).
std::string DecompileProjectFile(const std::vector<uint8_t>& bytes);

}  // namespace vesk::tool::script
