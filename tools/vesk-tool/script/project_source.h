#pragma once
// The project descriptor (project.vproj) <-> the project file (vesk.lpb).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/project_info.h"

namespace vesk::tool::script {

// Throws CompileError.
vesk::script::ProjectFile CompileProject(std::string_view source);
// Text that CompileProject turns back into the same file.
std::string DecompileProject(const vesk::script::ProjectFile& project);

}  // namespace vesk::tool::script
