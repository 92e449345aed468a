#pragma once
// The data path and the single-instance lock name derived from it.
#include <string>

namespace vesk::app {

// Upper-cased, a trailing delimiter added, every path delimiter replaced by
// '-': c:\games\x gives C:-GAMES-X-. The path is CP932 bytes; a 0x5C that is
// the second byte of a double-byte character is not a delimiter and stays.
// Both '\' and '/' count as delimiters (game paths and Linux paths).
std::string MakeLockName(const std::string& data_path_cp932);

}  // namespace vesk::app
