#pragma once
// "vesk-tool prevmenu": preview-menu files written from a readable
// description and printed back in the same form.
#include <string>
#include <vector>

#include "components/prev_menu_file.h"

namespace vesk::tool {

std::string PrevMenuUsage();

// "prevmenu write DESC.txt OUT" / "prevmenu show FILE": 0 on success, 1 when
// a file cannot be read, is damaged or the description is wrong, 2 for a
// bad command line.
int RunPrevMenuCommand(const std::vector<std::string>& args);

// The description (UTF-8 text) and back; show then write gives the same
// bytes. DescribePrevMenu prints every field.
components::PrevMenuFile ParsePrevMenuDescription(const std::string& utf8);
std::string DescribePrevMenu(const components::PrevMenuFile& menu);

}  // namespace vesk::tool
