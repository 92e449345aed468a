#pragma once
// Page file to script text. The structured form (blocks by indentation,
// loops as one While line) is tried first; when compiling it back would not
// give the same bytes, the page is written flat, command by command.
#include <cstdint>
#include <string>
#include <vector>

namespace vesk::tool::script {

// Throws std::runtime_error for a page that cannot be read or is not of
// versions 103..109. `page_name` is the page's own name (CP932).
std::string DecompilePage(const std::vector<uint8_t>& bytes, const std::string& page_name);

}  // namespace vesk::tool::script
